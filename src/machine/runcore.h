#pragma once

#include "machine/command.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

// The machine compiled for running: state names interned to small numbers, symbols as their Windows-1251
// bytes, one rule per (state, byte) and the tape as a byte array. The window's engine steps it one tick at
// a time and the headless runner in a tight loop; both go through the same rules, so they cannot differ.
// The tape's cells inside a buffer with room beyond both ends: the tape grows without moving, and the run can
// put marks on the cells just beyond it. The cells of the room are always blanks.
class TTapeCells {
public:
    std::size_t size() const { return size_; }
    std::uint8_t& operator[](std::size_t i) { return cells_[first_ + i]; }
    const std::uint8_t& operator[](std::size_t i) const { return cells_[first_ + i]; }
    std::uint8_t* data() { return cells_.data() + first_; }
    const std::uint8_t* data() const { return cells_.data() + first_; }
    // n cells, the content the caller's to fill.
    void Assign(std::size_t n);
    // Makes sure there are at least that many blanks beyond each end; may move the cells.
    void MakeRoom(int left, int right);
    // Takes cells of the room into the tape (a negative count gives them back), on the left or the right.
    void Grow(int left, int right);

private:
    std::vector<std::uint8_t> cells_;
    std::size_t first_ = 0;
    std::size_t size_ = 0;
};

// The tape's limit that stands for none (DiesCount 0): as far as a position reaches, which no tape in memory
// comes near. The inner loop makes room for the whole reach, so an unlimited run is run with a reach that
// doubles as the tape grows (ReachFor).
constexpr int RunCoreNoLimit = 1 << 30;

// What a compiled rule does.
struct TRunRule {
    std::int32_t next = 0;
    // The command row that gives this rule; -1: no command, the machine halts.
    std::int32_t row = -1;
    std::uint8_t write = 0;
    std::int8_t delta = 0;
    std::uint8_t move = MoveStay;
};

// Where a compiled run stands: everything a step changes. A copy of it puts the run back later.
struct TRunPosition {
    TTapeCells tape;
    int leftBlanks = 0;
    int rightBlanks = 0;
    int headPosition = 0;
    int wordLength = 0;
    int state = 0;
    qint64 step = 0;
    bool hasPending = false;
    TRunRule pending;
    // The row found by the last lookup, -1 when none.
    int found = -1;
    // The first lookup of a run on the empty word reads no symbol and finds nothing.
    bool emptySymbol = false;
    // What changed since the model last looked: the written cells, and whether the tape grew.
    int dirtyFirst = 0;
    int dirtyLast = -1;
    bool grown = false;
};

class TRunCore : public TRunPosition {
public:
    // Told of every cell a step writes, before the step is counted.
    class TWriteTrace {
    public:
        virtual void Wrote(qint64 step, int position, std::uint8_t before, std::uint8_t after) = 0;

    protected:
        ~TWriteTrace() = default;
    };
    using TRule = TRunRule;
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

    // Watches a run for one configuration: whenever the head stands on the cell watched, on the symbol watched
    // and in one of the states watched, the run asks Seen, and stops there (with the rule pending) when the answer is
    // yes.
    class TWatch {
    public:
        int watchedHead = 0;
        std::uint8_t watchedSymbol = 0;
        // Per state number: whether it is of the class watched.
        std::vector<std::uint8_t> watchedStates;
        // The cells are read from cells, the word's first cell.
        virtual bool Seen(int state, qint64 step, const std::uint8_t* cells) = 0;

    protected:
        ~TWatch() = default;
    };

    // The execute phase of a tick: writes, changes state, counts and moves, growing the tape up to dies
    // cells beyond the word. Needs a pending rule.
    TOutcome Execute(int dies);
    // The lookup phase: finds the rule for the cell under the head and makes it the pending one.
    TOutcome Lookup();
    // Execute and look up until a stop or until limit steps are counted, with nothing in between but the watch
    // and the stops below.
    TOutcome RunUntil(qint64 limit, int dies, TWatch* watch = nullptr);
    // Keys (a state number times 256 plus the byte under the head) where RunUntil stops, the rule pending, once
    // it has taken a step: where a breakpoint may fire. Empty: none.
    void SetStops(std::vector<std::uint8_t> stops);
    // The step the last RunUntil ended at when it ended on such a key (the first it came to), or -1.
    qint64 stoppedAt = -1;
    bool AtStop(int s, std::uint8_t byte) const {
        const std::size_t key = (std::size_t(s) << 8) | byte;
        return key < stops_.size() && stops_[key];
    }

    int HeadCell() const { return leftBlanks + headPosition; }
    // The limit to run with for a DiesCount: itself, or for 0 twice the tape, as far as RunCoreNoLimit.
    int ReachFor(int dies) const {
        return dies > 0 ? dies : int(std::min<qint64>(RunCoreNoLimit, std::max<qint64>(1024, 2 * qint64(tape.size()))));
    }
    // Whether a stop at a border with that reach only means the reach must grow.
    static bool ReachMayGrow(int dies, int reach) { return dies <= 0 && reach < RunCoreNoLimit; }
    // After a stop at a border of a reach now wider: the tape takes the cell beyond the head, as it would have
    // when the head came to the end.
    void Widen(int dies) {
        Place(headPosition, dies);
        grown = true;
    }
    std::uint8_t HeadByte() const { return tape[std::size_t(HeadCell())]; }
    // How far the tape can reach with that limit: cells beyond the word on the left and on the right.
    int LeftReach(int dies) const { return std::max(dies, leftBlanks); }
    int RightReach(int dies) const { return std::max(dies - 1, rightBlanks); }
    // The cell at a position (from the word's first cell) anywhere within the reach, blanks beyond the tape.
    const std::uint8_t* CellAt(int position, int dies) {
        tape.MakeRoom(LeftReach(dies) - leftBlanks + 1, RightReach(dies) - rightBlanks + 1);
        return tape.data() + leftBlanks + position;
    }
    // Puts the run at another configuration of the same run: the cells from position first on, the state, the
    // head and the tape's blanks on each side; the rule is looked up.
    void MoveTo(int first, const std::vector<std::uint8_t>& cells, int stateId, int head, int left, int right,
                qint64 stepNumber);

    bool active = false;
    TWriteTrace* trace = nullptr;

private:
    // What a rule does, as the inner loop reads it: the next key's start, the move, and what to write, unless
    // it writes back the symbol it read. Keys whose rules do the same share one action, and so one piece of
    // code: a sweep over symbols it leaves alone goes from one action to itself, as a hand-written loop does.
    struct TAction {
        std::size_t base = 0;
        std::ptrdiff_t delta = 0;
        std::uint8_t write = 0;
        bool keep = false;
        bool operator==(const TAction&) const = default;
    };
    // Why the inner loop gave back: a limit or the watch, no rule, a move over a border (the step taken back),
    // or the head on an end of the tape that may still grow, which the general way handles.
    enum class TInsideExit : std::uint8_t { Stopped, NoRule, LeftBorder, RightBorder, General };

    void Place(int p, int dies);
    // Copies the rules of the state's folded class into its row of the table.
    void FillRules(int id);
    bool PrepareInside();
    template <bool Watched>
    TInsideExit RunInside(qint64 limit, int dies, TWatch* watch);

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
    // The inner loop's actions, and the action of each key (a state number times 256 plus the byte under the
    // head; -1: no rule), built for insideStates_ states. The mark is a byte no cell holds and no row reads.
    std::vector<TAction> actions_;
    std::vector<std::int16_t> inside_;
    int insideStates_ = -1;
    std::uint8_t mark_ = 0;
    // Every byte a cell may hold: the cells loaded and what the rules write.
    std::array<bool, 256> held_{};
    // Where each key's code begins, or the way out, for the loop with and without a watch; the inner loop
    // makes them, as only it knows its labels.
    std::array<std::vector<const void*>, 2> insideJump_;
    std::array<int, 2> insideJumpStates_{-1, -1};
    std::vector<std::uint8_t> stops_;
    int stopsVersion_ = 0;
    std::array<int, 2> insideJumpStops_{-1, -1};

    // Per key of the inner loop: whether the watch wants to hear of it.
    std::vector<std::uint8_t> watchKeys_;
};
