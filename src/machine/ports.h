#pragma once

#include "machine/command.h"
#include "machine/runcore.h"

#include <algorithm>
#include <memory>
#include <vector>

// What the machine and the engine ask of the subsystems built on them. Each is optional: with none
// attached the machine runs on its own data alone.

// The validation pass: recomputes the error marks; ValidateMachine also answers whether a run may start.
class TMachineChecks {
public:
    virtual ~TMachineChecks() = default;
    virtual void CheckWordCells() = 0;
    virtual void CheckCommands() = 0;
    virtual void CheckStates() = 0;
    // Silent: marks the faults and reports whether there are none.
    virtual bool ValidateMachine() = 0;
};

// The breakpoint list as the machine and the engine use it.
class TBreakPoints {
public:
    virtual ~TBreakPoints() = default;
    // Whether a breakpoint with this exact state (without regard to case) and symbol and this enabled flag exists.
    virtual bool FindBreakPoint(const QString& state, const QString& symbol, bool enabled) const = 0;
    virtual bool IsEmpty() const = 0;
    // The 1-based position of the first breakpoint that fires, or 0; every breakpoint counts its passes.
    virtual int BreakHit(const QString& state, const QString& symbol) = 0;
    virtual void ResetPassCounts() = 0;
    // Whether an enabled breakpoint matches this state (spelled exactly) and symbol, its passes aside. A
    // step for which this is false leaves every breakpoint as it is, so the run need not ask BreakHit.
    virtual bool MayHit(const QString&, const QString&) const { return true; }
    // Every breakpoint's pass counter in list order, and putting them back (a step undone).
    virtual std::vector<int> PassCounts() const { return {}; }
    virtual void SetPassCounts(const std::vector<int>&) {}
};

class TLoopCheck;

// The tape at a lookup, read from the compiled run instead of copied. A log that keeps a tape of its own
// follows the run by the one cell the command executed since the previous lookup wrote.
struct TTapeNow {
    const TRunCore& core;
    // Grows whenever the engine (re)loads the run, so that a log can tell another run from the next step.
    quint64 run = 0;
    // The step the last executed command counted, the cell it wrote (relative to the word's first symbol)
    // and what the cell held before; -1 when no command was executed.
    qint64 wroteAt = -1;
    int position = 0;
    std::uint8_t before = 0;
};

// The tape cut into its three parts.
inline TFullWord SnapshotOf(const TRunCore& core) {
    const auto part = [&core](std::size_t from, std::size_t size) {
        QString text(qsizetype(size), Qt::Uninitialized);
        for (std::size_t i = 0; i < size; ++i)
            text[qsizetype(i)] = TRunCore::CharOf(core.tape[from + i]);
        return text;
    };
    const std::size_t left = std::size_t(core.leftBlanks);
    const std::size_t word = std::min(std::size_t(core.wordLength), core.tape.size() - left);
    return TFullWord{part(0, left), part(left, word), part(left + word, core.tape.size() - left - word)};
}

// The run log, attached while its window exists.
class TStepLog {
public:
    virtual ~TStepLog() = default;
    // A log that only checks for loops, which the compiled run may feed directly.
    virtual TLoopCheck* LoopCheck() { return nullptr; }
    // The step of the newest logged row with the same configuration, or 0.
    virtual qint64 FindRepeatedConfiguration(const QString& state, const QString& symbol, int headPosition,
                                             const TFullWord& snapshot) = 0;
    virtual void LogStep(qint64 step, const QString& state, const QString& symbol, int headPosition,
                         std::unique_ptr<TFullWord> snapshot, const QString& commandText) = 0;
    // The same two calls with the tape of the compiled run; the engine uses these. A log that keeps a tape
    // of its own follows the run write by write; by default each takes a snapshot.
    virtual qint64 FindRepeatedOnTape(const QString& state, const QString& symbol, int headPosition,
                                      const TTapeNow& tape) {
        return FindRepeatedConfiguration(state, symbol, headPosition, SnapshotOf(tape.core));
    }
    virtual void LogStepOnTape(qint64 step, const QString& state, const QString& symbol, int headPosition,
                               const TTapeNow& tape, const QString& commandText) {
        LogStep(step, state, symbol, headPosition, std::make_unique<TFullWord>(SnapshotOf(tape.core)), commandText);
    }
    virtual void ClearLog() = 0;
    // Removes the newest row, as if its step had not been taken; false when the log cannot.
    virtual bool DropNewest() { return false; }
};
