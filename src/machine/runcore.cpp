#include "machine/runcore.h"

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
    names_.clear();
    ids_.clear();
    classes_.clear();
    classRows_.clear();
    table_.clear();
    rowRules_.assign(std::size_t(rows.size()), TRule());
    for (int i = 0; i < rows.size(); ++i) {
        const TCommandRow& r = rows[i];
        TRule& rule = rowRules_[std::size_t(i)];
        rule.move = MoveOf(r.move);
        rule.delta = std::int8_t(rule.move == MoveLeft ? -1 : rule.move == MoveRight ? 1 : 0);
        // An empty new symbol writes the null character, as the cell takes it.
        rule.write = r.newSymbol.isEmpty() ? ByteOf(QChar()) : ByteOf(r.newSymbol[0]);
        rule.next = StateId(TrimText(r.newState));
        rule.base = rule.next * 256;
        rule.row = i;
        // A row whose symbol is not one character of the code page never matches a cell.
        if (r.sourceSymbol.size() != 1 || codepage::ByteOf(r.sourceSymbol[0]) < 0)
            continue;
        const QString folded = TrimText(r.sourceState).toCaseFolded();
        auto cls = classes_.constFind(folded);
        if (cls == classes_.cend()) {
            cls = classes_.insert(folded, int(classRows_.size() / 256));
            classRows_.resize(classRows_.size() + 256, -1);
        }
        std::int32_t& first = classRows_[std::size_t(*cls) * 256 + ByteOf(r.sourceSymbol[0])];
        if (first < 0)
            first = i;
    }
    // The rules of the states named so far; a state named later gets its own when it is interned.
    compiled_ = true;
    table_.resize(std::size_t(names_.size()) * 256);
    for (int id = 0; id < names_.size(); ++id) {
        const int cls = classes_.value(names_[id].toCaseFolded(), -1);
        if (cls < 0)
            continue;
        for (int b = 0; b < 256; ++b) {
            const std::int32_t row = classRows_[std::size_t(cls) * 256 + std::size_t(b)];
            if (row >= 0)
                table_[(std::size_t(id) << 8) | std::size_t(b)] = rowRules_[std::size_t(row)];
        }
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
        table_.resize(std::size_t(names_.size()) * 256);
        const int cls = classes_.value(trimmed.toCaseFolded(), -1);
        if (cls >= 0)
            for (int b = 0; b < 256; ++b) {
                const std::int32_t row = classRows_[std::size_t(cls) * 256 + std::size_t(b)];
                if (row >= 0)
                    table_[(std::size_t(id) << 8) | std::size_t(b)] = rowRules_[std::size_t(row)];
            }
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

TRunCore::TOutcome TRunCore::RunUntil(qint64 limit, int dies) {
    // The same steps as Execute and Lookup, with the position held in locals; only a head on the tape's
    // first or last cell takes the slow way, where the tape may grow or the run stop at a border.
    TOutcome outcome = TOutcome::Ok;
    if (!hasPending || step >= limit)
        return outcome;
    const TRule* table = table_.data();
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
                hasPending = false;
                break;
            }
        }
        t[cell] = r.write;
        ++n;
        // Branches rather than arithmetic on the rule: the processor guesses them and reads the next cell
        // and rule before this one has arrived, as it does for a hand-written switch.
        s = r.next;
        if (r.move == MoveRight)
            ++cell;
        else if (r.move == MoveLeft)
            --cell;
        if (unsigned(cell - 1) >= unsigned(last - 1)) {
            state = s;
            step = n;
            Place(cell - leftBlanks, dies);
            t = tape.data();
            last = int(tape.size()) - 1;
            cell = HeadCell();
            if (cell < 0 || cell > last) {
                outcome = cell < 0 ? TOutcome::LeftOff : TOutcome::RightOff;
                hasPending = false;
                break;
            }
        }
        r = table[r.base + t[cell]];
        if (r.row < 0) {
            outcome = TOutcome::Halt;
            hasPending = false;
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
    // Anything may have been written: the model looks at the whole tape once.
    dirtyFirst = 0;
    dirtyLast = int(tape.size()) - 1;
    return outcome;
}
