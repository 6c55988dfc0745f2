#include "machine/runcore.h"

#include "machine/loopcheck.h"
#include "platform/codepage.h"

#include <algorithm>
#include <array>

namespace {

// Both directions of the code page, worked out once.
struct TByteTables {
    std::array<QChar, 256> chars;
    TByteTables() {
        for (int b = 0; b < 256; ++b)
            chars[std::size_t(b)] = codepage::Decode(QByteArray(1, char(b))).at(0);
    }
};

const TByteTables& Bytes() {
    static const TByteTables tables;
    return tables;
}

Move MoveOf(const QString& text) {
    const QString move = TrimText(text);
    if (move.compare(MoveLeftText, Qt::CaseInsensitive) == 0)
        return MoveLeft;
    if (move.compare(MoveRightText, Qt::CaseInsensitive) == 0)
        return MoveRight;
    return MoveStay;
}

} // namespace

void TTapeCells::Assign(std::size_t n) {
    // Room for the widest growth the settings allow, so that a run seldom moves the cells.
    constexpr std::size_t Room = 128;
    cells_.assign(n + 2 * Room, std::uint8_t('#'));
    first_ = Room;
    size_ = n;
}

void TTapeCells::MakeRoom(int left, int right) {
    const std::size_t l = std::size_t(std::max(left, 0));
    const std::size_t r = std::size_t(std::max(right, 0));
    const std::size_t roomRight = cells_.size() - first_ - size_;
    if (first_ >= l && roomRight >= r)
        return;
    const std::size_t newLeft = std::max({2 * l, first_, std::size_t(128)});
    const std::size_t newRight = std::max({2 * r, roomRight, std::size_t(128)});
    std::vector<std::uint8_t> cells(newLeft + size_ + newRight, std::uint8_t('#'));
    std::copy_n(data(), size_, cells.data() + newLeft);
    cells_.swap(cells);
    first_ = newLeft;
}

void TTapeCells::Grow(int left, int right) {
    MakeRoom(left, right);
    if (left < 0)
        std::fill_n(data(), -left, std::uint8_t('#'));
    if (right < 0)
        std::fill_n(data() + std::ptrdiff_t(size_) + right, -right, std::uint8_t('#'));
    first_ = std::size_t(std::ptrdiff_t(first_) - left);
    size_ = std::size_t(std::ptrdiff_t(size_) + left + right);
}

std::uint8_t TRunCore::ByteOf(QChar c) {
    const int b = codepage::ByteOf(c);
    // The tape and the rows hold only characters of the code page; anything else is refused earlier.
    return b < 0 ? std::uint8_t('?') : std::uint8_t(b);
}

QChar TRunCore::CharOf(std::uint8_t b) {
    return Bytes().chars[b];
}

void TRunCore::Compile(const QList<TCommandRow>& rows) {
    compiled_ = false;
    insideStates_ = -1;
    names_.clear();
    ids_.clear();
    classes_.clear();
    classRows_.clear();
    table_.clear();
    // A row whose symbol is not one character of the code page never matches a cell.
    const auto readByte = [](const TCommandRow& r) {
        return r.sourceSymbol.size() == 1 ? codepage::ByteOf(r.sourceSymbol[0]) : -1;
    };
    std::array<bool, 256> read{};
    for (const TCommandRow& r : rows)
        if (const int b = readByte(r); b >= 0)
            read[std::size_t(b)] = true;
    columns_ = 0;
    for (int b = 0; b < 256; ++b)
        if (read[std::size_t(b)])
            column_[std::size_t(b)] = std::uint16_t(columns_++);
    for (int b = 0; b < 256; ++b)
        if (!read[std::size_t(b)])
            column_[std::size_t(b)] = std::uint16_t(columns_);
    ++columns_;
    const auto cols = std::size_t(columns_);
    // Sized for a state of its own on every row, so that no lookup grows while the rows are read.
    names_.reserve(rows.size());
    ids_.reserve(rows.size());
    classes_.reserve(rows.size());
    rowRules_.assign(std::size_t(rows.size()), TRule());
    for (int i = 0; i < rows.size(); ++i) {
        const TCommandRow& r = rows[i];
        TRule& rule = rowRules_[std::size_t(i)];
        rule.move = MoveOf(r.move);
        rule.delta = std::int8_t(rule.move == MoveLeft ? -1 : rule.move == MoveRight ? 1 : 0);
        // An empty new symbol writes the null character, as the cell takes it.
        rule.write = r.newSymbol.isEmpty() ? ByteOf(QChar()) : ByteOf(r.newSymbol[0]);
        rule.next = StateId(TrimText(r.newState));
        rule.row = i;
        held_[rule.write] = true;
        const int b = readByte(r);
        if (b < 0)
            continue;
        const QString folded = TrimText(r.sourceState).toCaseFolded();
        auto cls = classes_.constFind(folded);
        if (cls == classes_.cend()) {
            cls = classes_.insert(folded, int(classRows_.size() / cols));
            classRows_.resize(classRows_.size() + cols, -1);
        }
        std::int32_t& first = classRows_[std::size_t(*cls) * cols + column_[std::size_t(b)]];
        if (first < 0)
            first = i;
    }
    // The rules of the states named so far; a state named later gets its own when it is interned.
    compiled_ = true;
    table_.resize(std::size_t(names_.size()) * cols);
    for (int id = 0; id < names_.size(); ++id)
        FillRules(id);
}

void TRunCore::FillRules(int id) {
    const int cls = classes_.value(names_[id].toCaseFolded(), -1);
    if (cls < 0)
        return;
    const auto cols = std::size_t(columns_);
    for (std::size_t c = 0; c < cols; ++c) {
        const std::int32_t row = classRows_[std::size_t(cls) * cols + c];
        if (row >= 0)
            table_[std::size_t(id) * cols + c] = rowRules_[std::size_t(row)];
    }
}

int TRunCore::StateId(const QString& trimmed) {
    const auto known = ids_.constFind(trimmed);
    if (known != ids_.cend())
        return *known;
    const int id = int(names_.size());
    names_.append(trimmed);
    ids_.insert(trimmed, id);
    if (compiled_) {
        // Interned after Compile: its rules come from its folded class, whose rows are all known.
        table_.resize(std::size_t(names_.size()) * std::size_t(columns_));
        FillRules(id);
    }
    return id;
}

void TRunCore::Load(const QString& cells, int left, int right, int head, int wordLen, int stateId, bool noSymbol) {
    tape.Assign(std::size_t(cells.size()));
    held_[std::uint8_t('#')] = true;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const std::uint8_t b = ByteOf(cells[i]);
        tape[std::size_t(i)] = b;
        // A byte the inner loop took for its mark must be chosen again.
        if (!held_[b]) {
            held_[b] = true;
            insideStates_ = -1;
        }
    }
    leftBlanks = left;
    rightBlanks = right;
    headPosition = head;
    wordLength = wordLen;
    state = stateId;
    step = 0;
    hasPending = false;
    found = -1;
    emptySymbol = noSymbol;
    dirtyFirst = 0;
    dirtyLast = -1;
    grown = false;
    active = true;
}

void TRunCore::Place(int p, int dies) {
    // The tape keeps one blank beyond the head on the side it went to, up to dies cells beyond the word.
    // New blanks go outside the cells already there, so nothing the machine wrote is lost.
    headPosition = p;
    if (p > 0) {
        const int r = rightBlanks;
        if (p - wordLength >= rightBlanks)
            rightBlanks = p - wordLength + 1;
        // A limit lowered mid-run stops further growth only.
        if (rightBlanks > dies - 1)
            rightBlanks = std::max(dies - 1, r);
        if (rightBlanks > r) {
            tape.Grow(0, rightBlanks - r);
            grown = true;
        }
    } else {
        const int l = leftBlanks;
        if (-p + 1 > leftBlanks)
            leftBlanks = -p + 1;
        if (leftBlanks > dies)
            leftBlanks = std::max(dies, l);
        if (leftBlanks > l && leftBlanks >= 2) {
            tape.Grow(leftBlanks - l, 0);
            grown = true;
        }
    }
}

TRunCore::TOutcome TRunCore::Execute(int dies) {
    const TRule r = pending;
    hasPending = false;
    int cell = HeadCell();
    const int last = int(tape.size()) - 1;
    if (cell <= 0 && r.move == MoveLeft)
        return TOutcome::LeftBorder;
    if (cell >= last && r.move == MoveRight)
        return TOutcome::RightBorder;
    if (trace)
        trace->Wrote(step, headPosition, tape[std::size_t(cell)], r.write);
    tape[std::size_t(cell)] = r.write;
    emptySymbol = false;
    dirtyFirst = dirtyLast < dirtyFirst ? cell : std::min(dirtyFirst, cell);
    dirtyLast = std::max(dirtyLast, cell);
    state = r.next;
    ++step;
    const int p = headPosition + r.delta;
    cell += r.delta;
    if (cell <= 0 || cell >= last) {
        const int before = leftBlanks;
        Place(p, dies);
        // Blanks put in on the left shift the written cells.
        if (leftBlanks != before && dirtyLast >= dirtyFirst) {
            dirtyFirst += leftBlanks - before;
            dirtyLast += leftBlanks - before;
        }
        cell = HeadCell();
        if (cell < 0)
            return TOutcome::LeftOff;
        if (cell >= int(tape.size()))
            return TOutcome::RightOff;
    } else {
        headPosition = p;
    }
    return TOutcome::Ok;
}

TRunCore::TOutcome TRunCore::Lookup() {
    if (emptySymbol) {
        found = -1;
        return TOutcome::Halt;
    }
    const TRule& r = RuleAt(state, HeadByte());
    found = r.row;
    if (r.row < 0)
        return TOutcome::Halt;
    pending = r;
    hasPending = true;
    return TOutcome::Ok;
}

void TRunCore::MoveTo(int first, const std::vector<std::uint8_t>& cells, int stateId, int head, int left, int right,
                      qint64 stepNumber) {
    const int size = int(cells.size());
    tape.MakeRoom(-first - leftBlanks, first + size - wordLength - rightBlanks);
    std::copy(cells.begin(), cells.end(), tape.data() + leftBlanks + first);
    // Cells beyond the new ends go back to the room as blanks.
    tape.Grow(left - leftBlanks, right - rightBlanks);
    leftBlanks = left;
    rightBlanks = right;
    state = stateId;
    headPosition = head;
    step = stepNumber;
    pending = RuleAt(state, HeadByte());
    hasPending = pending.row >= 0;
    found = pending.row;
    dirtyFirst = 0;
    dirtyLast = int(tape.size()) - 1;
}

namespace {
// The inner loop's limits: a jump per state and byte, and code per action; larger machines take the general
// path.
constexpr int InsideStates = 256;
constexpr int InsideActions = 256;

} // namespace

bool TRunCore::PrepareInside() {
    const int states = StateCount();
    if (insideStates_ == states)
        return !actions_.empty();
    insideStates_ = states;
    inside_.clear();
    actions_.clear();
    insideJumpStates_ = {-1, -1};
    // The mark: a byte no cell can hold and no row reads (those all share the last column of the rules).
    int mark = -1;
    for (int b = 0; b < 256 && mark < 0; ++b)
        if (!held_[std::size_t(b)] && column_[std::size_t(b)] == columns_ - 1)
            mark = b;
    if (mark < 0 || states > InsideStates)
        return false;
    mark_ = std::uint8_t(mark);
    // The byte of each column some row reads.
    const auto cols = std::size_t(columns_);
    std::vector<int> byteOf(cols, -1);
    for (int b = 0; b < 256; ++b)
        if (column_[std::size_t(b)] != columns_ - 1)
            byteOf[column_[std::size_t(b)]] = b;
    inside_.assign(std::size_t(states) << 8, -1);
    for (int id = 0; id < states; ++id)
        for (std::size_t c = 0; c + 1 < cols; ++c) {
            const TRule& r = table_[std::size_t(id) * cols + c];
            if (r.row < 0)
                continue;
            const auto b = std::uint8_t(byteOf[c]);
            const bool keep = r.write == b;
            const TAction a{std::size_t(r.next) << 8, r.delta, keep ? std::uint8_t(0) : r.write, keep};
            const auto known = std::find(actions_.begin(), actions_.end(), a);
            if (known == actions_.end() && actions_.size() >= std::size_t(InsideActions)) {
                actions_.clear();
                return false;
            }
            inside_[(std::size_t(id) << 8) | b] = std::int16_t(known - actions_.begin());
            if (known == actions_.end())
                actions_.push_back(a);
        }
    return !actions_.empty();
}

// The inner loop's actions spelt in binary, so that each can name labels of its own: X(0b00000000) to
// X(0b11111111).
#define QTM_ACTIONS1(X, b) X(b##0) X(b##1)
#define QTM_ACTIONS2(X, b) QTM_ACTIONS1(X, b##0) QTM_ACTIONS1(X, b##1)
#define QTM_ACTIONS3(X, b) QTM_ACTIONS2(X, b##0) QTM_ACTIONS2(X, b##1)
#define QTM_ACTIONS4(X, b) QTM_ACTIONS3(X, b##0) QTM_ACTIONS3(X, b##1)
#define QTM_ACTIONS5(X, b) QTM_ACTIONS4(X, b##0) QTM_ACTIONS4(X, b##1)
#define QTM_ACTIONS6(X, b) QTM_ACTIONS5(X, b##0) QTM_ACTIONS5(X, b##1)
#define QTM_ACTIONS7(X, b) QTM_ACTIONS6(X, b##0) QTM_ACTIONS6(X, b##1)
#define QTM_ACTIONS8(X, b) QTM_ACTIONS7(X, b##0) QTM_ACTIONS7(X, b##1)
#define QTM_ACTIONS(X) QTM_ACTIONS8(X, 0b)
static_assert(InsideActions == 1 << 8);

// Jumps through a table of label addresses, a GNU extension that g++ and clang both have.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"

template <bool Watched>
TRunCore::TInsideExit TRunCore::RunInside(qint64 limit, int dies, TWatch* watch) {
    // A key is a state and the byte under the head. Each action has code of its own (one piece that writes,
    // one that writes nothing), which reads its rule from a fixed place and ends in a jump of its own, through
    // the key, to the next action's code; a key with no rule jumps out. Nothing waits on the rule just read:
    // the processor guesses each jump from the ones before it and runs ahead, as it does through a switch
    // written for one machine.
#define QTM_LABEL_ADDRESS(b) &&write_##b,
    static const void* const writing[InsideActions] = {QTM_ACTIONS(QTM_LABEL_ADDRESS)};
#undef QTM_LABEL_ADDRESS
#define QTM_LABEL_ADDRESS(b) &&keep_##b,
    static const void* const keeping[InsideActions] = {QTM_ACTIONS(QTM_LABEL_ADDRESS)};
#undef QTM_LABEL_ADDRESS
    std::vector<const void*>& jumps = insideJump_[Watched];
    if (insideJumpStates_[Watched] != insideStates_ || insideJumpStops_[Watched] != stopsVersion_) {
        jumps.resize(inside_.size());
        for (std::size_t k = 0; k < inside_.size(); ++k) {
            const int a = inside_[k];
            // A stop goes out as a key without a rule does; RunUntil tells the two apart by the rule.
            jumps[k] = std::uint8_t(k) == mark_                        ? &&edge
                       : a < 0 || AtStop(int(k >> 8), std::uint8_t(k)) ? &&noRule
                       : actions_[std::size_t(a)].keep                 ? keeping[a]
                                                                       : writing[a];
        }
        insideJumpStates_[Watched] = insideStates_;
        insideJumpStops_[Watched] = stopsVersion_;
    }
    // No step checks the tape's ends. The cell beyond each end the tape can reach holds the mark, and so does
    // an end that may still grow (its own blank is held aside): the head landing on a mark jumps to the code
    // that takes the step back at a border, or grows the tape.
    const int n = wordLength;
    const int leftReach = LeftReach(dies);
    const int rightReach = RightReach(dies);
    if (n + rightBlanks <= 0)
        return TInsideExit::General;
    tape.MakeRoom(leftReach - leftBlanks + 1, rightReach - rightBlanks + 1);
    std::uint8_t* const zero = tape.data() + leftBlanks;
    std::uint8_t* const leftGuard = zero - leftReach - 1;
    std::uint8_t* const rightGuard = zero + n + rightReach + 1;
    std::uint8_t* leftEnd = leftBlanks < dies ? zero - leftBlanks : nullptr;
    std::uint8_t* rightEnd = rightBlanks < dies - 1 ? zero + n + rightBlanks : nullptr;
    std::uint8_t* p = zero + headPosition;
    if (p == leftEnd || p == rightEnd)
        return TInsideExit::General;
    std::uint8_t leftHeld = leftEnd ? *leftEnd : 0;
    std::uint8_t rightHeld = rightEnd ? *rightEnd : 0;
    const std::uint8_t mark = mark_;
    const auto putMarks = [&] {
        *leftGuard = mark;
        *rightGuard = mark;
        if (leftEnd)
            *leftEnd = mark;
        if (rightEnd)
            *rightEnd = mark;
    };
    const auto takeMarks = [&] {
        *leftGuard = std::uint8_t('#');
        *rightGuard = std::uint8_t('#');
        if (leftEnd)
            *leftEnd = leftHeld;
        if (rightEnd)
            *rightEnd = rightHeld;
    };
    putMarks();

    const TAction* const f = actions_.data();
    const void* const* const jump = jumps.data();
    [[maybe_unused]] const std::uint8_t* const watchKeys = watchKeys_.data();
    [[maybe_unused]] const std::uint8_t* const watched = Watched ? zero + watch->watchedHead : nullptr;
    qint64 left = limit - step;
    std::size_t key = (std::size_t(state) << 8) | *p;
    std::size_t prev = key;
    TInsideExit exit = TInsideExit::Stopped;
    goto* jump[key];

#define QTM_ACTION_CODE(b, label, write)                                                                               \
    label##b : {                                                                                                       \
        const TAction& r = f[b];                                                                                       \
        const void* next;                                                                                              \
        do {                                                                                                           \
            if (--left < 0) {                                                                                          \
                left = 0;                                                                                              \
                goto done;                                                                                             \
            }                                                                                                          \
            write;                                                                                                     \
            p += r.delta;                                                                                              \
            prev = key;                                                                                                \
            key = r.base + *p;                                                                                         \
            if constexpr (Watched) {                                                                                   \
                if (p == watched)                                                                                      \
                    goto watch;                                                                                        \
            }                                                                                                          \
            next = jump[key];                                                                                          \
        } while (next == &&label##b);                                                                                  \
        goto* next;                                                                                                    \
    }
#define QTM_WRITE_CODE(b) QTM_ACTION_CODE(b, write_, *p = r.write)
#define QTM_KEEP_CODE(b) QTM_ACTION_CODE(b, keep_, (void)0)
    QTM_ACTIONS(QTM_WRITE_CODE)
    QTM_ACTIONS(QTM_KEEP_CODE)
#undef QTM_KEEP_CODE
#undef QTM_WRITE_CODE
#undef QTM_ACTION_CODE

edge:
    if (p == leftGuard || p == rightGuard) {
        // The step just taken moved over a border: it is taken back, and the run stops before it.
        exit = p == leftGuard ? TInsideExit::LeftBorder : TInsideExit::RightBorder;
        p -= f[inside_[prev]].delta;
        *p = std::uint8_t(prev);
        ++left;
        key = prev;
        goto done;
    }
    // The head landed on an end that may still grow: the tape takes the next cell beyond.
    if (p == leftEnd) {
        *p = leftHeld;
        ++leftBlanks;
        tape.Grow(1, 0);
        leftEnd = leftBlanks < dies ? p - 1 : nullptr;
        if (leftEnd) {
            leftHeld = *leftEnd;
            *leftEnd = mark;
        }
    } else {
        *p = rightHeld;
        ++rightBlanks;
        tape.Grow(0, 1);
        rightEnd = rightBlanks < dies - 1 ? p + 1 : nullptr;
        if (rightEnd) {
            rightHeld = *rightEnd;
            *rightEnd = mark;
        }
    }
    grown = true;
    key = (key & ~std::size_t(0xFF)) | *p;
    goto* jump[key];

watch:
    __attribute__((unused));
    if constexpr (Watched) {
        if (watchKeys[key]) {
            // The watch reads the cells as they are; it reads no cell beyond the reach.
            if (leftEnd)
                *leftEnd = leftHeld;
            if (rightEnd)
                *rightEnd = rightHeld;
            const bool seen = watch->Seen(int(key >> 8), limit - left, zero);
            if (leftEnd)
                *leftEnd = mark;
            if (rightEnd)
                *rightEnd = mark;
            if (seen)
                goto done;
        }
    }
    goto* jump[key];

noRule:
    exit = TInsideExit::NoRule;
done:
    takeMarks();
    state = int(key >> 8);
    headPosition = int(p - zero);
    step = limit - left;
    return exit;
}

#pragma GCC diagnostic pop

void TRunCore::SetStops(std::vector<std::uint8_t> stops) {
    stops_ = std::move(stops);
    ++stopsVersion_;
}

TRunCore::TOutcome TRunCore::RunUntil(qint64 limit, int dies, TWatch* watch) {
    TOutcome outcome = TOutcome::Ok;
    stoppedAt = -1;
    if (!hasPending || step >= limit)
        return outcome;
    const qint64 first = step;
    const bool inside = PrepareInside();
    // A run that stands on a stop takes that step the general way: the inner loop would leave at once.
    bool general = AtStop(state, HeadByte());
    if (inside && watch) {
        watchKeys_.assign(inside_.size(), 0);
        for (std::size_t s = 0; s < std::size_t(insideStates_) && s < watch->watchedStates.size(); ++s)
            watchKeys_[(s << 8) | watch->watchedSymbol] = watch->watchedStates[s];
    }
    const TRule* table = table_.data();
    const std::size_t cols = std::size_t(columns_);
    TRule r = pending;
    for (bool stopped = false; !stopped;) {
        if (inside && !general) {
            const TInsideExit exit =
                watch ? RunInside<true>(limit, dies, watch) : RunInside<false>(limit, dies, nullptr);
            if (exit != TInsideExit::General) {
                r = table[std::size_t(state) * cols + column_[HeadByte()]];
                outcome = exit == TInsideExit::NoRule && r.row < 0 ? TOutcome::Halt
                          : exit == TInsideExit::LeftBorder        ? TOutcome::LeftBorder
                          : exit == TInsideExit::RightBorder       ? TOutcome::RightBorder
                                                                   : TOutcome::Ok;
                break;
            }
        }
        // The general way, with the position in locals: a machine too large for the inner loop, or a step from
        // an end of the tape that may grow.
        std::uint8_t* t = tape.data();
        int last = int(tape.size()) - 1;
        int cell = HeadCell();
        int s = state;
        qint64 n = step;
        do {
            if ((cell <= 0 && r.move == MoveLeft) || (cell >= last && r.move == MoveRight)) {
                outcome = r.move == MoveLeft ? TOutcome::LeftBorder : TOutcome::RightBorder;
                stopped = true;
                break;
            }
            t[cell] = r.write;
            ++n;
            s = r.next;
            cell += r.delta;
            if (cell <= 0 || cell >= last) {
                state = s;
                step = n;
                Place(cell - leftBlanks, dies);
                t = tape.data();
                last = int(tape.size()) - 1;
                cell = HeadCell();
                if (cell < 0 || cell > last) {
                    outcome = cell < 0 ? TOutcome::LeftOff : TOutcome::RightOff;
                    stopped = true;
                    break;
                }
            }
            const TRule& next = table[std::size_t(s) * cols + column_[t[cell]]];
            r = next;
            if (next.row < 0) {
                outcome = TOutcome::Halt;
                stopped = true;
                break;
            }
            if (watch && cell - leftBlanks == watch->watchedHead && t[cell] == watch->watchedSymbol &&
                std::size_t(s) < watch->watchedStates.size() && watch->watchedStates[std::size_t(s)] &&
                watch->Seen(s, n, t + leftBlanks)) {
                stopped = true;
                break;
            }
            if (n >= limit || AtStop(s, t[cell])) {
                stopped = true;
                break;
            }
        } while (!inside);
        general = false;
        state = s;
        step = n;
        headPosition = cell - leftBlanks;
        pending = r;
    }
    found = r.row;
    if (outcome == TOutcome::Ok)
        pending = r;
    else
        hasPending = false;
    if (outcome == TOutcome::Ok && step > first && AtStop(state, HeadByte()))
        stoppedAt = step;
    // Anything may have been written: the model looks at the whole tape once.
    dirtyFirst = 0;
    dirtyLast = int(tape.size()) - 1;
    return outcome;
}
