#pragma once

#include "machine/command.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

// The machine compiled for running: state names interned to small numbers, symbols as their Windows-1251
// bytes, one rule per (state, byte) and the tape as a byte array. The window's engine steps it one tick at
// a time and the headless runner in a tight loop; both go through the same rules, so they cannot differ.
class TLoopCheck;

class TRunCore {
public:
    // Told of every cell a step writes, before the step is counted.
    class TWriteTrace {
    public:
        virtual void Wrote(qint64 step, int position, std::uint8_t before, std::uint8_t after) = 0;

    protected:
        ~TWriteTrace() = default;
    };
    struct TRule {
        std::int32_t next = 0;
        // The command row that gives this rule; -1: no command, the machine halts.
        std::int32_t row = -1;
        std::uint8_t write = 0;
        std::int8_t delta = 0;
        std::uint8_t move = MoveStay;
    };
    enum class TOutcome : std::uint8_t {
        Ok,
        // A move over the tape's end, found before anything is written.
        LeftBorder,
        RightBorder,
        // The head landed off the tape after moving (only when the tape limit was lowered mid-run).
        LeftOff,
        RightOff,
        Halt
    };

    // Builds the rules from the command rows: the first matching row in list order wins, states are
    // compared without regard to case. Spellings interned before stay valid only until the next Compile.
    void Compile(const QList<TCommandRow>& rows);
    // The number of a state name as the machine spells it (trimmed), interned on first sight.
    int StateId(const QString& trimmed);
    const QString& StateName(int id) const { return names_[id]; }
    int StateCount() const { return int(names_.size()); }
    const TRule& RuleAt(int id, std::uint8_t symbol) const {
        return table_[std::size_t(id) * std::size_t(columns_) + column_[symbol]];
    }
    static std::uint8_t ByteOf(QChar c);
    static QChar CharOf(std::uint8_t b);

    // Puts the run position in place; the tape is given as cells.
    void Load(const QString& cells, int leftBlanks, int rightBlanks, int headPosition, int wordLength, int state,
              bool emptySymbol);

    // The execute phase of a tick: writes, changes state, counts and moves, growing the tape up to dies
    // cells beyond the word. Needs a pending rule.
    TOutcome Execute(int dies);
    // The lookup phase: finds the rule for the cell under the head and makes it the pending one.
    TOutcome Lookup();
    // Execute and look up until a stop or until limit steps are counted, without anything in between.
    TOutcome RunUntil(qint64 limit, int dies);
    // As RunUntil, logging each step looked up to the loop check and, with history, asking it first; a
    // repeat ends the run with Ok, the step found in repeat and the rule pending, as the log's question
    // comes before the row is logged.
    TOutcome RunChecked(qint64 limit, int dies, TLoopCheck& loop, bool history, qint64& repeat);

    int HeadCell() const { return leftBlanks + headPosition; }
    std::uint8_t HeadByte() const { return tape[std::size_t(HeadCell())]; }

    bool active = false;
    std::vector<std::uint8_t> tape;
    int leftBlanks = 0;
    int rightBlanks = 0;
    int headPosition = 0;
    int wordLength = 0;
    int state = 0;
    qint64 step = 0;
    bool hasPending = false;
    TRule pending;
    // The row found by the last lookup, -1 when none.
    int found = -1;
    // The first lookup of a run on the empty word reads no symbol and finds nothing.
    bool emptySymbol = false;
    // What changed since the model last looked: the written cells, and whether the tape grew.
    int dirtyFirst = 0;
    int dirtyLast = -1;
    bool grown = false;
    TWriteTrace* trace = nullptr;

private:
    // A rule as the inner loop reads it: the next key's start, what to write, the move, and whether the
    // loop must leave to the general path instead (no rule, or a symbol no row names).
    struct TInsideRule {
        std::int32_t base = 0;
        std::uint8_t write = 0;
        std::int8_t delta = 0;
        bool leave = true;
    };
    enum class TInsideExit : std::uint8_t { Stopped, Edge };

    void Place(int p, int dies);
    // Copies the rules of the state's folded class into its row of the table.
    void FillRules(int id);
    bool PrepareInside();
    TInsideExit RunInside(std::uint8_t* t, int last, int& cell, int& s, qint64& n, qint64 limit);

    QStringList names_;
    QHash<QString, int> ids_;
    // A state's rules are a row of columns: one for each byte some command reads and one, the last, shared
    // by every other byte, which has no rule. Machines of many states thus take memory for the symbols they
    // use, not for all 256.
    std::array<std::uint16_t, 256> column_{};
    int columns_ = 1;
    // Per state folded to one case: the first row of each column.
    QHash<QString, int> classes_;
    std::vector<std::int32_t> classRows_;
    // Per command row: the rule it gives once it matches (row -1 for a row that never matches).
    std::vector<TRule> rowRules_;
    std::vector<TRule> table_;
    bool compiled_ = false;
    // The inner loop's rules, one per state and symbol column, built for insideStates_ states; every byte
    // no row names shares the last column.
    std::vector<TInsideRule> inside_;
    std::array<std::uint8_t, 256> insideColumn_{};
    int insideColumns_ = 0;
    int insideStates_ = -1;
    // Where each key's code begins, or the way out; the inner loop makes it, as only it knows its labels.
    std::vector<const void*> insideJump_;
    int insideJumpStates_ = -1;
};
