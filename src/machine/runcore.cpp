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
    tape.resize(std::size_t(cells.size()));
    for (qsizetype i = 0; i < cells.size(); ++i)
        tape[std::size_t(i)] = ByteOf(cells[i]);
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
            tape.insert(tape.end(), std::size_t(rightBlanks - r), std::uint8_t('#'));
            grown = true;
        }
    } else {
        const int l = leftBlanks;
        if (-p + 1 > leftBlanks)
            leftBlanks = -p + 1;
        if (leftBlanks > dies)
            leftBlanks = std::max(dies, l);
        if (leftBlanks > l && leftBlanks >= 2) {
            tape.insert(tape.begin(), std::size_t(leftBlanks - l), std::uint8_t('#'));
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

namespace {
// The inner loop has one case per state and symbol column; machines with more keys take the general path.
constexpr int InsideKeys = 512;

} // namespace

bool TRunCore::PrepareInside() {
    const int states = StateCount();
    if (insideStates_ == states)
        return insideColumns_ > 0;
    insideStates_ = states;
    insideColumns_ = 0;
    inside_.clear();
    insideJumpStates_ = -1;
    // Only the columns some state has a rule in get a column of their own here; the rest share the last.
    const auto cols = std::size_t(columns_);
    std::vector<bool> ruled(cols, false);
    for (std::size_t i = 0; i < table_.size(); ++i)
        if (table_[i].row >= 0)
            ruled[i % cols] = true;
    std::vector<std::uint8_t> narrowed(cols);
    int columns = 0;
    for (std::size_t c = 0; c < cols; ++c)
        if (ruled[c])
            narrowed[c] = std::uint8_t(std::min(columns++, 255));
    if (columns >= 255 || std::int64_t(states) * (columns + 1) > InsideKeys)
        return false;
    for (std::size_t c = 0; c < cols; ++c)
        if (!ruled[c])
            narrowed[c] = std::uint8_t(columns);
    ++columns;
    for (int b = 0; b < 256; ++b)
        insideColumn_[std::size_t(b)] = narrowed[column_[std::size_t(b)]];
    inside_.assign(std::size_t(states) * std::size_t(columns), TInsideRule());
    for (int id = 0; id < states; ++id)
        for (std::size_t c = 0; c < cols; ++c) {
            const TRule& r = table_[std::size_t(id) * cols + c];
            if (r.row >= 0)
                inside_[std::size_t(id * columns + narrowed[c])] =
                    TInsideRule{r.next * columns, r.write, r.delta, false};
        }
    insideColumns_ = columns;
    return true;
}

// The inner loop's keys spelt in binary, so that each can name a label of its own: X(0b000000000) to
// X(0b111111111).
#define QTM_KEYS1(X, b) X(b##0) X(b##1)
#define QTM_KEYS2(X, b) QTM_KEYS1(X, b##0) QTM_KEYS1(X, b##1)
#define QTM_KEYS3(X, b) QTM_KEYS2(X, b##0) QTM_KEYS2(X, b##1)
#define QTM_KEYS4(X, b) QTM_KEYS3(X, b##0) QTM_KEYS3(X, b##1)
#define QTM_KEYS5(X, b) QTM_KEYS4(X, b##0) QTM_KEYS4(X, b##1)
#define QTM_KEYS6(X, b) QTM_KEYS5(X, b##0) QTM_KEYS5(X, b##1)
#define QTM_KEYS7(X, b) QTM_KEYS6(X, b##0) QTM_KEYS6(X, b##1)
#define QTM_KEYS8(X, b) QTM_KEYS7(X, b##0) QTM_KEYS7(X, b##1)
#define QTM_KEYS9(X, b) QTM_KEYS8(X, b##0) QTM_KEYS8(X, b##1)
#define QTM_KEYS(X) QTM_KEYS9(X, 0b)
static_assert(InsideKeys == 1 << 9);

// Jumps through a table of label addresses, a GNU extension that g++ and clang both have.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"

TRunCore::TInsideExit TRunCore::RunInside(std::uint8_t* t, int last, int& cellAt, int& stateAt, qint64& stepAt,
                                          qint64 limit) {
    // Each key (state, symbol column) has code of its own, which reads its rule from a fixed place and
    // ends in a jump of its own to the next key's code; a key with no rule jumps out. Nothing waits on
    // the rule just read: the processor guesses each jump from the ones before it and runs ahead, as it
    // does through a switch written for one machine.
#define QTM_LABEL_ADDRESS(b) &&key_##b,
    static const void* const labels[InsideKeys] = {QTM_KEYS(QTM_LABEL_ADDRESS)};
#undef QTM_LABEL_ADDRESS
    if (insideJumpStates_ != insideStates_) {
        insideJump_.resize(inside_.size());
        for (std::size_t k = 0; k < inside_.size(); ++k)
            insideJump_[k] = inside_[k].leave ? &&done : labels[k];
        insideJumpStates_ = insideStates_;
    }
    const TInsideRule* f = inside_.data();
    const void* const* jump = insideJump_.data();
    const std::uint8_t* column = insideColumn_.data();
    std::uint8_t* const inner = t + 1;
    const std::size_t span = std::size_t(last - 1);
    std::uint8_t* p = t + cellAt;
    qint64 left = limit - stepAt;
    int key = stateAt * insideColumns_ + column[*p];
    TInsideExit exit = TInsideExit::Stopped;
    goto* jump[key];

#define QTM_KEY_CODE(b)                                                                                                \
    key_##b : {                                                                                                        \
        const TInsideRule& r = f[b];                                                                                   \
        if (--left < 0) {                                                                                              \
            left = 0;                                                                                                  \
            goto done;                                                                                                 \
        }                                                                                                              \
        *p = r.write;                                                                                                  \
        p += r.delta;                                                                                                  \
        key = r.base;                                                                                                  \
        if (std::size_t(p - inner) >= span) {                                                                          \
            exit = TInsideExit::Edge;                                                                                  \
            goto done;                                                                                                 \
        }                                                                                                              \
        key += column[*p];                                                                                             \
        goto* jump[key];                                                                                               \
    }
    QTM_KEYS(QTM_KEY_CODE)
#undef QTM_KEY_CODE

done:
    // The key is the state's first column after a move, or the state and symbol looked up.
    stateAt = key / insideColumns_;
    cellAt = int(p - t);
    stepAt = limit - left;
    return exit;
}

#pragma GCC diagnostic pop

TRunCore::TOutcome TRunCore::RunUntil(qint64 limit, int dies) {
    // The same steps as Execute and Lookup, with the position held in locals. While the head is off the
    // tape's first and last cells the inner loop runs; on them the tape may grow or the run stop at a
    // border, and every step takes the general way.
    TOutcome outcome = TOutcome::Ok;
    if (!hasPending || step >= limit)
        return outcome;
    const bool inside = PrepareInside();
    const TRule* table = table_.data();
    const std::size_t cols = std::size_t(columns_);
    std::uint8_t* t = tape.data();
    int last = int(tape.size()) - 1;
    int cell = HeadCell();
    int s = state;
    qint64 n = step;
    TRule r = pending;
    for (;;) {
        if (unsigned(cell - 1) >= unsigned(last - 1)) {
            if ((cell <= 0 && r.move == MoveLeft) || (cell >= last && r.move == MoveRight)) {
                outcome = r.move == MoveLeft ? TOutcome::LeftBorder : TOutcome::RightBorder;
                break;
            }
        }
        t[cell] = r.write;
        ++n;
        s = r.next;
        if (r.move == MoveRight)
            ++cell;
        else if (r.move == MoveLeft)
            --cell;
        for (;;) {
            if (unsigned(cell - 1) >= unsigned(last - 1)) {
                state = s;
                step = n;
                Place(cell - leftBlanks, dies);
                t = tape.data();
                last = int(tape.size()) - 1;
                cell = HeadCell();
                if (cell < 0 || cell > last) {
                    outcome = cell < 0 ? TOutcome::LeftOff : TOutcome::RightOff;
                    break;
                }
            }
            if (!inside || unsigned(cell - 1) >= unsigned(last - 1) || n >= limit ||
                RunInside(t, last, cell, s, n, limit) != TInsideExit::Edge)
                break;
        }
        if (outcome != TOutcome::Ok)
            break;
        r = table[std::size_t(s) * cols + column_[t[cell]]];
        if (r.row < 0) {
            outcome = TOutcome::Halt;
            break;
        }
        if (n >= limit)
            break;
    }
    state = s;
    step = n;
    headPosition = cell - leftBlanks;
    found = r.row;
    if (outcome == TOutcome::Ok)
        pending = r;
    else
        hasPending = false;
    // Anything may have been written: the model looks at the whole tape once.
    dirtyFirst = 0;
    dirtyLast = int(tape.size()) - 1;
    return outcome;
}

TRunCore::TOutcome TRunCore::RunChecked(qint64 limit, int dies, TLoopCheck& loop, bool history, qint64& repeat) {
    // The engine's tick (Execute, Lookup) with the loop check's calls between, without the engine around it;
    // the loop check hears of each write through the trace.
    repeat = 0;
    trace = &loop;
    while (hasPending && step < limit) {
        TOutcome outcome = Execute(dies);
        if (outcome == TOutcome::Ok)
            outcome = Lookup();
        if (outcome != TOutcome::Ok)
            return outcome;
        if (history && (repeat = loop.Find()) != 0)
            break;
        loop.Log();
    }
    return TOutcome::Ok;
}
