#pragma once

#include "machine/command.h"

#include <memory>

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
};

class TLoopCheck;

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
    virtual void ClearLog() = 0;
};
