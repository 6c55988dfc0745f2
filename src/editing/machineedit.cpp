#include "editing/machineedit.h"

#include "machine/machine.h"

namespace {

template <class T>
using THunk = TMachineChange::THunk<T>;

bool SameState(const TStateItem& a, const TStateItem& b) {
    return a.name == b.name;
}

bool SameRow(const TCommandRow& a, const TCommandRow& b) {
    return a.sourceState == b.sourceState && a.sourceSymbol == b.sourceSymbol && a.newState == b.newState &&
           a.newSymbol == b.newSymbol && a.move == b.move;
}

// The history keeps texts only: the marks are the checks' business when the item comes back.
TStateItem Unmarked(TStateItem item) {
    item.mark = 0;
    return item;
}

TCommandRow Unmarked(TCommandRow row) {
    row.mark = 0;
    return row;
}

// The runs where a and b differ. An action changes one place or a few scattered items (a state's commands,
// say): past the common beginning and end, the middle is compared item by item when both have the same length,
// as removals or insertions when one is the other with items left out, and taken whole otherwise.
template <class T, class Same>
QList<THunk<T>> Diff(const QList<T>& a, const QList<T>& b, Same same) {
    QList<THunk<T>> hunks;
    if (a.constData() == b.constData() && a.size() == b.size())
        return hunks;
    const qsizetype n = a.size();
    const qsizetype m = b.size();
    qsizetype p = 0;
    while (p < n && p < m && same(a[p], b[p]))
        ++p;
    qsizetype s = 0;
    while (s < n - p && s < m - p && same(a[n - 1 - s], b[m - 1 - s]))
        ++s;
    const qsizetype an = n - p - s;
    const qsizetype bn = m - p - s;
    const auto add = [&](qsizetype i, qsizetype j, qsizetype removed, qsizetype inserted) {
        THunk<T> hunk;
        hunk.before = int(i);
        hunk.after = int(j);
        for (qsizetype k = 0; k < removed; ++k)
            hunk.removed.append(Unmarked(a[i + k]));
        for (qsizetype k = 0; k < inserted; ++k)
            hunk.inserted.append(Unmarked(b[j + k]));
        hunks.append(std::move(hunk));
    };
    if (an == 0 && bn == 0)
        return hunks;
    if (an == bn) {
        for (qsizetype k = 0; k < an;) {
            if (same(a[p + k], b[p + k])) {
                ++k;
                continue;
            }
            qsizetype e = k;
            while (e < an && !same(a[p + e], b[p + e]))
                ++e;
            add(p + k, p + k, e - k, e - k);
            k = e;
        }
        return hunks;
    }
    // Whether the shorter middle is the longer one with items left out, matching each item at its first chance.
    const auto within = [&](const QList<T>& big, qsizetype bigN, const QList<T>& small, qsizetype smallN) {
        qsizetype j = 0;
        for (qsizetype i = 0; i < bigN && j < smallN; ++i)
            if (same(big[p + i], small[p + j]))
                ++j;
        return j == smallN;
    };
    if (an > bn && within(a, an, b, bn)) {
        for (qsizetype i = 0, j = 0; i < an;) {
            if (j < bn && same(a[p + i], b[p + j])) {
                ++i;
                ++j;
                continue;
            }
            qsizetype e = i;
            while (e < an && !(j < bn && same(a[p + e], b[p + j])))
                ++e;
            add(p + i, p + j, e - i, 0);
            i = e;
        }
        return hunks;
    }
    if (bn > an && within(b, bn, a, an)) {
        for (qsizetype i = 0, j = 0; j < bn;) {
            if (i < an && same(a[p + i], b[p + j])) {
                ++i;
                ++j;
                continue;
            }
            qsizetype e = j;
            while (e < bn && !(i < an && same(a[p + i], b[p + e])))
                ++e;
            add(p + i, p + j, 0, e - j);
            j = e;
        }
        return hunks;
    }
    add(p, p, an, bn);
    return hunks;
}

// The list with the hunks applied, built in one pass however many there are.
template <class T>
QList<T> Applied(const QList<T>& list, const QList<THunk<T>>& hunks, bool forward) {
    if (hunks.isEmpty())
        return list;
    QList<T> out;
    qsizetype from = 0;
    for (const THunk<T>& hunk : hunks) {
        const qsizetype at = std::clamp<qsizetype>(forward ? hunk.before : hunk.after, from, list.size());
        const QList<T>& gone = forward ? hunk.removed : hunk.inserted;
        const QList<T>& come = forward ? hunk.inserted : hunk.removed;
        out.append(list.sliced(from, at - from));
        out.append(come);
        from = std::min<qsizetype>(at + gone.size(), list.size());
    }
    out.append(list.sliced(from));
    return out;
}

qsizetype TextBytes(const QString& text) {
    return qsizetype(sizeof(QString)) + 24 + text.size() * 2;
}

qsizetype ItemBytes(const TStateItem& item) {
    return TextBytes(item.name);
}

qsizetype ItemBytes(const TCommandRow& row) {
    return TextBytes(row.sourceState) + TextBytes(row.sourceSymbol) + TextBytes(row.newState) +
           TextBytes(row.newSymbol) + TextBytes(row.move);
}

template <class T>
qsizetype HunkBytes(const QList<THunk<T>>& hunks) {
    qsizetype bytes = 0;
    for (const THunk<T>& hunk : hunks) {
        bytes += qsizetype(sizeof(THunk<T>));
        for (const T& item : hunk.removed)
            bytes += ItemBytes(item);
        for (const T& item : hunk.inserted)
            bytes += ItemBytes(item);
    }
    return bytes;
}

template <class T>
std::pair<int, int> Counts(const QList<THunk<T>>& hunks) {
    int removed = 0;
    int inserted = 0;
    for (const THunk<T>& hunk : hunks) {
        removed += int(hunk.removed.size());
        inserted += int(hunk.inserted.size());
    }
    return {removed, inserted};
}

QString CommandName(const TCommandRow& row) {
    return TrimText(row.sourceState) + QStringLiteral(", ") + row.sourceSymbol;
}

} // namespace

TMachineContent TMachineContent::Of(const TMachine& machine, const QHash<QString, QPointF>& positions) {
    return TMachineContent{machine.Alphabet(), machine.Word(),     machine.InitialStateText(),
                           machine.States(),   machine.Commands(), positions};
}

void TMachineContent::RestoreInto(TMachine& machine) const {
    machine.Restore(alphabet, word, initialState, states, commands);
}

TMachineChange TMachineChange::Between(const TMachineContent& before, const TMachineContent& after) {
    TMachineChange change;
    if (before.alphabet != after.alphabet)
        change.alphabet_ = TText{before.alphabet, after.alphabet};
    if (before.word != after.word)
        change.word_ = TText{before.word, after.word};
    if (before.initialState != after.initialState)
        change.initialState_ = TText{before.initialState, after.initialState};
    change.states_ = Diff(before.states, after.states, SameState);
    change.commands_ = Diff(before.commands, after.commands, SameRow);
    if (!before.positions.isSharedWith(after.positions)) {
        for (auto at = before.positions.cbegin(); at != before.positions.cend(); ++at) {
            const auto now = after.positions.constFind(at.key());
            if (now == after.positions.cend())
                change.positions_.append({at.key(), at.value(), std::nullopt});
            else if (*now != at.value())
                change.positions_.append({at.key(), at.value(), *now});
        }
        for (auto at = after.positions.cbegin(); at != after.positions.cend(); ++at)
            if (!before.positions.contains(at.key()))
                change.positions_.append({at.key(), std::nullopt, at.value()});
    }
    return change;
}

bool TMachineChange::Empty() const {
    return !alphabet_ && !word_ && !initialState_ && states_.isEmpty() && commands_.isEmpty() && positions_.isEmpty();
}

void TMachineChange::Apply(TMachineContent& content, bool forward) const {
    const auto text = [forward](const std::optional<TText>& change, QString& value) {
        if (change)
            value = forward ? change->after : change->before;
    };
    text(alphabet_, content.alphabet);
    text(word_, content.word);
    text(initialState_, content.initialState);
    content.states = Applied(content.states, states_, forward);
    content.commands = Applied(content.commands, commands_, forward);
    for (const TPositionChange& change : positions_) {
        const std::optional<QPointF>& to = forward ? change.after : change.before;
        if (to)
            content.positions.insert(change.name, *to);
        else
            content.positions.remove(change.name);
    }
}

QString TMachineChange::Text() const {
    const auto [statesRemoved, statesInserted] = Counts(states_);
    const auto [rowsRemoved, rowsInserted] = Counts(commands_);
    if (statesRemoved == 1 && statesInserted == 0)
        return QStringLiteral("удаление состояния ") + states_[0].removed[0].name;
    if (rowsRemoved == 1 && rowsInserted == 0)
        return QStringLiteral("удаление команды ") + CommandName(commands_[0].removed[0]);
    if (rowsRemoved == 0 && rowsInserted == 1)
        return QStringLiteral("добавление команды ") + CommandName(commands_[0].inserted[0]);
    if (rowsRemoved == 1 && rowsInserted == 1)
        return QStringLiteral("изменение команды ") + CommandName(commands_[0].removed[0]);
    if (rowsRemoved == 0 && rowsInserted > 1 && states_.isEmpty())
        return QStringLiteral("вставку команд");
    if (!commands_.isEmpty())
        return QStringLiteral("изменение команд");
    if (statesRemoved == 0 && statesInserted == 1)
        return QStringLiteral("добавление состояния ") + states_[0].inserted[0].name;
    if (statesRemoved == 1 && statesInserted == 1)
        return QStringLiteral("переименование состояния ") + states_[0].removed[0].name;
    if (!states_.isEmpty())
        return QStringLiteral("изменение состояний");
    if (alphabet_)
        return QStringLiteral("изменение алфавита");
    if (word_)
        return QStringLiteral("изменение слова");
    if (initialState_)
        return QStringLiteral("изменение начального состояния");
    if (positions_.size() == 1)
        return QStringLiteral("перемещение состояния ") + positions_[0].name;
    if (std::ranges::all_of(positions_, [](const TPositionChange& c) { return !c.after; }))
        return QStringLiteral("упорядочивание диаграммы");
    return QStringLiteral("перемещение состояний");
}

qsizetype TMachineChange::Bytes() const {
    qsizetype bytes = qsizetype(sizeof(TMachineChange));
    for (const auto* change : {&alphabet_, &word_, &initialState_})
        if (*change)
            bytes += TextBytes((*change)->before) + TextBytes((*change)->after);
    bytes += HunkBytes(states_) + HunkBytes(commands_);
    for (const TPositionChange& change : positions_)
        bytes += qsizetype(sizeof(TPositionChange)) + TextBytes(change.name);
    return bytes;
}

int TMachineChange::StateToSelect(bool forward) const {
    for (const THunk<TStateItem>& hunk : states_)
        if (!(forward ? hunk.inserted : hunk.removed).isEmpty())
            return forward ? hunk.after : hunk.before;
    return -1;
}

int TMachineChange::CommandToSelect(bool forward) const {
    for (const THunk<TCommandRow>& hunk : commands_)
        if (!(forward ? hunk.inserted : hunk.removed).isEmpty())
            return forward ? hunk.after : hunk.before;
    return -1;
}
