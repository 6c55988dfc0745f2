#include "machine/machine.h"

#include "settings/config.h"
#include "platform/codepage.h"
#include "platform/prompts.h"

#include <algorithm>
#include <cstdlib>

TMachine::TMachine(TPrompts& prompts, const TConfig& settings, QObject* parent)
    : QObject(parent), prompts_(prompts), settings_(settings) {
    BuildTape(QString());
}

void TMachine::RunCheck(void (TMachineChecks::*check)()) {
    if (checks_)
        (checks_->*check)();
}

// ---- Alphabet ---------------------------------------------------------------------------------------------

bool TMachine::AlphabetKeyAllowed(QChar key) {
    if (key == BlankSymbol || alphabet_.contains(key) || !codepage::Exists(key)) {
        prompts_.Asterisk();
        return false;
    }
    return true;
}

void TMachine::SetAlphabetText(const QString& text) {
    QString kept;
    bool refused = false;
    for (QChar c : text) {
        if (c == BlankSymbol || kept.contains(c))
            continue;
        if (!codepage::Exists(c)) {
            refused = true;
            continue;
        }
        kept.append(c);
    }
    if (refused)
        prompts_.Asterisk();
    const bool changed = kept != alphabet_;
    alphabet_ = kept;
    if (changed)
        ++checkRevision_;
    // The edit shows the cleaned text even when the model's text is unchanged.
    emit alphabetChanged();
    if (!changed && kept == text)
        return;
    BuildTape(word_);
    RunCheck(&TMachineChecks::CheckWordCells);
    RunCheck(&TMachineChecks::CheckCommands);
    emit edited();
}

bool TMachine::AddAlphabetSymbol(const QString& symbol) {
    if (symbol.isEmpty())
        return false;
    if (!alphabet_.contains(symbol[0]))
        SetAlphabetText(alphabet_ + symbol[0]);
    // The blank and characters the files cannot hold are refused by the alphabet.
    return alphabet_.contains(symbol[0]);
}

QStringList TMachine::DistinctSymbols(const QString& text) {
    QStringList symbols;
    QString seen;
    for (QChar c : text) {
        if (seen.contains(c))
            continue;
        seen.append(c);
        symbols.append(QString(c));
    }
    return symbols;
}

// ---- Word -------------------------------------------------------------------------------------------------

bool TMachine::WordKeyAllowed(QChar key, bool backspace) {
    if (backspace)
        return true;
    if (key != BlankSymbol && alphabet_.contains(key))
        return true;
    prompts_.Asterisk();
    return false;
}

void TMachine::SetWordText(const QString& text) {
    if (text.contains(BlankSymbol) || !codepage::Exists(text)) {
        word_ = acceptedWord_;
        emit wordChanged();
        prompts_.Asterisk();
        return;
    }
    const bool changed = text != word_;
    emit edited();
    word_ = text;
    acceptedWord_ = text;
    if (changed)
        emit wordChanged();
    BuildTape(text);
    RunCheck(&TMachineChecks::CheckWordCells);
    SetCurrentSymbol(text);
    SetHeadPosition(0);
}

// ---- States -----------------------------------------------------------------------------------------------

int TMachine::FindState(const QString& name) const {
    // An exact match is found first: the engine's names are spelled as the list spells them. The lookup
    // keeps checking every command's states linear in a list of many states.
    if (!stateLookupValid_) {
        stateByName_.clear();
        stateByFoldedName_.clear();
        for (int i = 0; i < states_.size(); ++i)
            NoteStateName(i);
        stateLookupValid_ = true;
    }
    const auto exact = stateByName_.constFind(name);
    if (exact != stateByName_.cend())
        return *exact;
    return stateByFoldedName_.value(name.toCaseFolded(), -1);
}

void TMachine::NoteStateName(int index) const {
    // The first state of a name wins, as a search from the top of the list finds it.
    const QString& name = states_[index].name;
    if (!stateByName_.contains(name))
        stateByName_.insert(name, index);
    const QString folded = name.toCaseFolded();
    if (!stateByFoldedName_.contains(folded))
        stateByFoldedName_.insert(folded, index);
}

void TMachine::ForgetStateName(int index) {
    // Names are held once without regard to case, so the lookup loses exactly this state's two keys and the
    // states below move up; rebuilding it would cost far more in a list of many states.
    const QString& name = states_[index].name;
    const bool unique = stateByName_.size() == states_.size() && stateByFoldedName_.size() == states_.size();
    if (!stateLookupValid_ || !unique || !stateByName_.remove(name) ||
        !stateByFoldedName_.remove(name.toCaseFolded())) {
        stateLookupValid_ = false;
        return;
    }
    for (auto* lookup : {&stateByName_, &stateByFoldedName_})
        for (auto i = lookup->begin(); i != lookup->end(); ++i)
            if (*i > index)
                --*i;
}

bool TMachine::AddState(const QString& name) {
    const QString trimmed = TrimText(name);
    if (trimmed.isEmpty())
        return true;
    if (!codepage::Exists(trimmed)) {
        prompts_.Asterisk();
        return false;
    }
    // A state already held changes nothing the checks read.
    if (FindState(trimmed) < 0) {
        states_.append(TStateItem{trimmed, 0});
        NoteStateName(int(states_.size()) - 1);
        ++checkRevision_;
        emit statesChanged();
        RunCheck(&TMachineChecks::CheckStates);
        RunCheck(&TMachineChecks::CheckCommands);
    }
    return true;
}

bool TMachine::RenameState(int index, const QString& name) {
    const QString trimmed = TrimText(name);
    if (index < 0 || index >= states_.size() || trimmed.isEmpty() || !codepage::Exists(trimmed))
        return false;
    const int other = FindState(trimmed);
    if (other >= 0 && other != index)
        return false;
    const QString oldName = states_[index].name;
    states_[index].name = trimmed;
    stateLookupValid_ = false;
    ++checkRevision_;
    emit statesChanged();
    // The list was rebuilt: the renamed item stays the selected one.
    if (notify_ && selectedState_ >= 0)
        emit selectedStateChanged(selectedState_);
    emit edited();
    RunCheck(&TMachineChecks::CheckStates);
    RunCheck(&TMachineChecks::CheckCommands);
    if (oldName != name && acceptedInitialState_ == oldName)
        SetInitialState(trimmed);
    return true;
}

bool TMachine::RemoveState(int index) {
    if (index < 0 || index >= states_.size())
        return false;
    const QString name = TrimText(states_[index].name);
    ForgetStateName(index);
    states_.removeAt(index);
    ++checkRevision_;
    // Nothing is selected after the selected item goes.
    if (selectedState_ == index)
        selectedState_ = -1;
    else if (selectedState_ > index)
        --selectedState_;
    emit statesChanged();
    if (notify_)
        emit selectedStateChanged(selectedState_);
    if (GetInitialState() == name)
        SetInitialState(QString());
    RunCheck(&TMachineChecks::CheckCommands);
    emit edited();
    return true;
}

void TMachine::SelectState(int index) {
    if (index < -1 || index >= states_.size() || index == selectedState_)
        return;
    selectedState_ = index;
    if (notify_)
        emit selectedStateChanged(index);
}

void TMachine::MarkCurrentState() {
    // Most steps stay in the state already selected: no walk over the list then.
    if (selectedState_ >= 0 && (states_[selectedState_].name == currentState_ ||
                                states_[selectedState_].name.compare(currentState_, Qt::CaseInsensitive) == 0))
        return;
    const int index = FindState(currentState_);
    if (index >= 0)
        SelectState(index);
}

// ---- Initial state ----------------------------------------------------------------------------------------

void TMachine::SetInitialState(const QString& name) {
    const QString trimmed = TrimText(name);
    if (!trimmed.isEmpty())
        AddState(trimmed);
    if (initialStateText_ != trimmed) {
        initialStateText_ = trimmed;
        emit initialStateChanged();
    }
    acceptedInitialState_ = TrimText(initialStateText_);
    SetCurrentState(acceptedInitialState_);
}

void TMachine::SetInitialStateText(const QString& text) {
    if (FindState(text) >= 0) {
        // The chooser sends its text again when it merely loses the focus: only a change is an edit.
        const QString before = initialStateText_;
        SetInitialState(text);
        if (initialStateText_ != before)
            emit edited();
    } else {
        // The chooser shows the accepted value again.
        initialStateText_ = text;
        SetInitialState(acceptedInitialState_);
        emit initialStateChanged();
        prompts_.Asterisk();
    }
}

// ---- Commands ---------------------------------------------------------------------------------------------

TCommand TMachine::CommandFromRow(const TCommandRow& row) {
    TCommand c;
    const QString move = TrimText(row.move);
    // The rows hold the texts as written; the case-blind comparison is only for hand-made files.
    if (move == MoveRightText)
        c.move = MoveRight;
    else if (move == MoveLeftText)
        c.move = MoveLeft;
    else if (move == MoveStayText)
        c.move = MoveStay;
    else if (move.compare(MoveLeftText, Qt::CaseInsensitive) == 0)
        c.move = MoveLeft;
    else if (move.compare(MoveRightText, Qt::CaseInsensitive) == 0)
        c.move = MoveRight;
    else
        c.move = MoveStay;
    c.sourceState = TrimText(row.sourceState);
    c.newState = TrimText(row.newState);
    c.sourceSymbol = row.sourceSymbol.size() <= 1 ? row.sourceSymbol : row.sourceSymbol.left(1);
    c.newSymbol = row.newSymbol.size() <= 1 ? row.newSymbol : row.newSymbol.left(1);
    return c;
}

QString TMachine::CommandText(const TCommand& c) {
    return c.sourceState + QLatin1Char('(') + c.sourceSymbol + QStringLiteral(")->") + c.newState + QLatin1Char('(') +
           c.newSymbol + QStringLiteral(")-") + MoveText(c.move);
}

bool TMachine::AddCommand(const QString& sourceState, const QString& sourceSymbol, const QString& newState,
                          const QString& newSymbol, const QString& move) {
    if (sourceSymbol.isEmpty() || newSymbol.isEmpty())
        return false;
    TCommandRow row{TrimText(sourceState), sourceSymbol.left(1), TrimText(newState),
                    newSymbol.left(1),     TrimText(move),       0};
    if (!codepage::Exists(row.sourceState + row.sourceSymbol + row.newState + row.newSymbol + row.move))
        return false;
    for (const TCommandRow& r : commands_)
        if (r.sourceState == row.sourceState && r.sourceSymbol == row.sourceSymbol && r.newState == row.newState &&
            r.newSymbol == row.newSymbol && r.move == row.move)
            return true;
    commands_.append(row);
    InvalidateCommandIndex();
    ++checkRevision_;
    emit commandsChanged();
    RunCheck(&TMachineChecks::CheckCommands);
    return true;
}

void TMachine::AppendLoaded(const QStringList& states, const QList<TCommandRow>& rows) {
    for (const QString& name : states)
        states_.append(TStateItem{name, 0});
    stateLookupValid_ = false;
    commands_.append(rows);
    ++checkRevision_;
    if (!states.isEmpty())
        emit statesChanged();
    if (!rows.isEmpty()) {
        InvalidateCommandIndex();
        emit commandsChanged();
    }
    if (!states.isEmpty())
        RunCheck(&TMachineChecks::CheckStates);
    if (!states.isEmpty() || !rows.isEmpty())
        RunCheck(&TMachineChecks::CheckCommands);
}

bool TMachine::SetCommandRow(int index, const TCommandRow& row) {
    if (index < 0 || index >= commands_.size() ||
        !codepage::Exists(row.sourceState + row.sourceSymbol + row.newState + row.newSymbol + row.move))
        return false;
    const TCellMarks head = commands_[index].mark & MarkHead;
    commands_[index] = row;
    commands_[index].mark = (row.mark & ~MarkHead) | head;
    InvalidateCommandIndex();
    ++checkRevision_;
    emit commandsChanged();
    return true;
}

bool TMachine::RemoveCommand(int index) {
    if (index < 0 || index >= commands_.size())
        return false;
    commands_.removeAt(index);
    ++checkRevision_;
    if (activeCommand_ == index)
        activeCommand_ = -1;
    else if (activeCommand_ > index)
        --activeCommand_;
    InvalidateCommandIndex();
    emit commandsChanged();
    return true;
}

void TMachine::BuildCommandIndex() const {
    slotByFoldedState_.clear();
    slotByState_.clear();
    rowBySymbol_.clear();
    for (int i = 0; i < commands_.size(); ++i) {
        const TCommandRow& r = commands_[i];
        // A row whose symbol is not one character can never match a symbol read from a cell.
        if (r.sourceSymbol.size() != 1)
            continue;
        const QString folded = TrimText(r.sourceState).toCaseFolded();
        auto slot = slotByFoldedState_.constFind(folded);
        if (slot == slotByFoldedState_.cend()) {
            slot = slotByFoldedState_.insert(folded, int(rowBySymbol_.size()));
            rowBySymbol_.append(QHash<char16_t, int>());
        }
        // The first matching row in list order wins.
        QHash<char16_t, int>& rows = rowBySymbol_[*slot];
        if (!rows.contains(r.sourceSymbol[0].unicode()))
            rows.insert(r.sourceSymbol[0].unicode(), i);
    }
    commandIndexValid_ = true;
}

int TMachine::FindCommand(const QString& state, const QString& symbol) const {
    if (symbol.size() != 1)
        return -1;
    if (!commandIndexValid_)
        BuildCommandIndex();
    const QString trimmed = TrimText(state);
    auto known = slotByState_.constFind(trimmed);
    if (known == slotByState_.cend())
        known = slotByState_.insert(trimmed, slotByFoldedState_.value(trimmed.toCaseFolded(), -1));
    if (*known < 0)
        return -1;
    return rowBySymbol_[*known].value(symbol[0].unicode(), -1);
}

void TMachine::MarkActiveCommand(int index) {
    Fresh();
    const int old = activeCommand_;
    activeCommand_ = (index >= 0 && index < commands_.size()) ? index : -1;
    // Only the active row carries the head mark, so only the old and the new row can change.
    if (old != activeCommand_) {
        if (old >= 0 && old < commands_.size())
            SetCommandMark(old, commands_[old].mark & ~MarkHead);
        if (activeCommand_ >= 0)
            SetCommandMark(activeCommand_, commands_[activeCommand_].mark | MarkHead);
    }
    if (activeCommand_ >= 0)
        if (notify_)
            emit activeCommandChanged(activeCommand_);
}

// ---- Tape -------------------------------------------------------------------------------------------------

void TMachine::BuildTape(const QString& text) {
    tape_.resize(text.size() + 2);
    tape_.first() = TTapeCell{BlankSymbol, 0};
    for (qsizetype i = 0; i < text.size(); ++i)
        tape_[i + 1] = TTapeCell{text[i], 0};
    tape_.last() = TTapeCell{BlankSymbol, 0};
    headMarkedCell_ = -1;
    emit tapeChanged();
}

QString TMachine::TapeInnerText() const {
    Fresh();
    QString text(tape_.size() - 2, Qt::Uninitialized);
    for (qsizetype i = 1; i + 1 < tape_.size(); ++i)
        text[i - 1] = tape_[i].symbol;
    return text;
}

TFullWord TMachine::TakeTapeSnapshot() const {
    Fresh();
    // Each part straight from the cells: on a long tape every copy counts, as the log takes one a step.
    const auto part = [this](qsizetype from, qsizetype size) {
        from = std::clamp<qsizetype>(from, 0, tape_.size());
        size = std::clamp<qsizetype>(size, 0, tape_.size() - from);
        QString text(size, Qt::Uninitialized);
        QChar* out = text.data();
        for (qsizetype i = 0; i < size; ++i)
            out[i] = tape_[from + i].symbol;
        return text;
    };
    TFullWord w;
    w.left = part(0, leftBlanks_);
    w.word = part(leftBlanks_, word_.size());
    w.right = part(leftBlanks_ + word_.size(), tape_.size());
    return w;
}

void TMachine::WriteCell(int cell, QChar symbol) {
    Fresh();
    if (cell < 0 || cell >= tape_.size() || tape_[cell].symbol == symbol)
        return;
    tape_[cell].symbol = symbol;
    if (notify_)
        emit cellsChanged(cell, cell);
}

void TMachine::SetCellMark(int cell, TCellMarks mark) {
    Fresh();
    if (cell < 0 || cell >= tape_.size() || tape_[cell].mark == mark)
        return;
    tape_[cell].mark = mark;
    if (notify_)
        emit cellsChanged(cell, cell);
}

void TMachine::SetStateMark(int index, TCellMarks mark) {
    if (index < 0 || index >= states_.size() || states_[index].mark == mark)
        return;
    states_[index].mark = mark;
    if (notify_)
        emit stateMarksChanged();
}

void TMachine::SetCommandMark(int index, TCellMarks mark) {
    Fresh();
    if (index < 0 || index >= commands_.size() || commands_[index].mark == mark)
        return;
    commands_[index].mark = mark;
    if (notify_)
        emit commandMarksChanged(index, index);
}

TCellMarks TMachine::BreakBits(TCellMarks mark, const QString& state, const QString& symbol) const {
    const bool disabled = breakPoints_ && breakPoints_->FindBreakPoint(state, symbol, false);
    const bool enabled = breakPoints_ && breakPoints_->FindBreakPoint(state, symbol, true);
    return BreakBits(mark, disabled, enabled);
}

TCellMarks TMachine::BreakBits(TCellMarks mark, bool disabled, bool enabled) const {
    if (disabled)
        mark = (mark | MarkBreakInactive) & ~MarkBreakActive;
    else
        mark &= ~MarkBreakInactive;
    if (enabled) {
        if (settings_.UseBreak)
            mark = (mark | MarkBreakActive) & ~MarkBreakInactive;
        else
            mark = (mark | MarkBreakInactive) & ~MarkBreakActive;
    } else {
        mark &= ~MarkBreakActive;
    }
    return mark;
}

void TMachine::RefreshBreakMarks() {
    Fresh();
    // With no breakpoint and no breakpoint mark left there is nothing to recompute: keeps a tick cheap.
    const bool none = !breakPoints_ || breakPoints_->IsEmpty();
    if (none && !anyBreakMarks_)
        return;
    bool any = false;
    const QString empty;
    int firstCell = -1;
    int lastCell = -1;
    // A cell's breakpoints follow from its symbol alone: each symbol is looked up once, not once a cell.
    QHash<char16_t, std::pair<bool, bool>> bySymbol;
    for (int i = 0; i < tape_.size(); ++i) {
        TTapeCell& c = tape_[i];
        auto found = bySymbol.constFind(c.symbol.unicode());
        if (found == bySymbol.cend()) {
            const QString symbol(c.symbol);
            found = bySymbol.insert(c.symbol.unicode(),
                                    {breakPoints_ && breakPoints_->FindBreakPoint(empty, symbol, false),
                                     breakPoints_ && breakPoints_->FindBreakPoint(empty, symbol, true)});
        }
        const TCellMarks m = BreakBits(c.mark, found->first, found->second);
        any = any || (m & (MarkBreakActive | MarkBreakInactive));
        if (m != c.mark) {
            c.mark = m;
            firstCell = firstCell < 0 ? i : firstCell;
            lastCell = i;
        }
    }
    int firstRow = -1;
    int lastRow = -1;
    for (int i = 0; i < commands_.size(); ++i) {
        TCommandRow& r = commands_[i];
        const TCellMarks m = BreakBits(r.mark, r.sourceState, r.sourceSymbol);
        any = any || (m & (MarkBreakActive | MarkBreakInactive));
        if (m != r.mark) {
            r.mark = m;
            firstRow = firstRow < 0 ? i : firstRow;
            lastRow = i;
        }
    }
    bool statesChangedMarks = false;
    for (TStateItem& s : states_) {
        const TCellMarks m = BreakBits(s.mark, s.name, empty);
        any = any || (m & (MarkBreakActive | MarkBreakInactive));
        if (m != s.mark) {
            s.mark = m;
            statesChangedMarks = true;
        }
    }
    anyBreakMarks_ = any;
    if (firstCell >= 0)
        emit cellsChanged(firstCell, lastCell);
    if (firstRow >= 0)
        emit commandMarksChanged(firstRow, lastRow);
    if (statesChangedMarks)
        if (notify_)
            emit stateMarksChanged();
}

// ---- Run position -----------------------------------------------------------------------------------------

void TMachine::SetCurrentSymbol(const QString& text) {
    currentSymbol_ = text.size() <= 1 ? text : text.left(1);
    if (notify_)
        emit statusChanged();
}

void TMachine::SetCurrentSymbol(QChar symbol) {
    // Rewrites the one character in place: a step allocates no text.
    if (currentSymbol_.size() == 1)
        currentSymbol_[0] = symbol;
    else
        currentSymbol_ = QString(symbol);
    if (notify_)
        emit statusChanged();
}

void TMachine::SetCurrentState(const QString& name) {
    currentState_ = TrimText(name);
    stateShown_ = runState_ == Running || runState_ == Paused;
    if (notify_)
        emit statusChanged();
}

void TMachine::SetStepNumber(qint64 n) {
    stepNumber_ = n;
    stepShown_ = n != 0 && (runState_ == Running || runState_ == Paused);
    if (notify_)
        emit statusChanged();
}

QString TMachine::StatusText(int panel) const {
    Fresh();
    switch (panel) {
    case 0:
        return QStringLiteral("Символ: ") + currentSymbol_;
    case 1:
        return stateShown_ ? QStringLiteral("Состояние: ") + currentState_ : QString();
    case 2:
        return stepShown_ ? QStringLiteral("Шаг ") + QString::number(stepNumber_) : QString();
    default:
        return QString();
    }
}

void TMachine::ResetBlanks() {
    leftBlanks_ = 0;
    rightBlanks_ = 0;
}

void TMachine::SetHeadPosition(int p) {
    const int n = int(word_.size());
    const int dies = settings_.DiesCount > 0 ? settings_.DiesCount : RunCoreNoLimit;
    headPosition_ = p;
    if (p > 0) {
        const int r = rightBlanks_;
        if (p - n >= rightBlanks_)
            rightBlanks_ = p - n + 1;
        // The limit stops further growth only: lowered during a run it never takes back cells already added,
        // or the head would land on another cell than the one it moved to.
        if (rightBlanks_ > dies - 1)
            rightBlanks_ = std::max(dies - 1, r);
        if (rightBlanks_ > r)
            GrowTape(0, rightBlanks_ - r);
    } else {
        const int l = leftBlanks_;
        if (std::abs(p) + 1 > leftBlanks_)
            leftBlanks_ = std::abs(p) + 1;
        if (leftBlanks_ > dies)
            leftBlanks_ = std::max(dies, l);
        if (leftBlanks_ > l && leftBlanks_ >= 2)
            GrowTape(leftBlanks_ - l, 0);
    }
    headCell_ = leftBlanks_ + headPosition_;
    if (headMarkedCell_ >= 0 && headMarkedCell_ < tape_.size() && headMarkedCell_ != headCell_)
        SetCellMark(headMarkedCell_, tape_[headMarkedCell_].mark & ~MarkHead);
    headMarkedCell_ = -1;
    if (headCell_ >= 0 && headCell_ < tape_.size()) {
        SetCellMark(headCell_, tape_[headCell_].mark | MarkHead);
        headMarkedCell_ = headCell_;
    }
    if (notify_)
        emit headMoved(headCell_);
}

void TMachine::GrowTape(int left, int right) {
    // The new blanks go outside the cells already there: what the machine wrote on the end cells stays.
    tape_.insert(0, left, TTapeCell{BlankSymbol, 0});
    tape_.insert(tape_.size(), right, TTapeCell{BlankSymbol, 0});
    if (headMarkedCell_ >= 0)
        headMarkedCell_ += left;
    if (breakPoints_ && !breakPoints_->IsEmpty()) {
        const TCellMarks m = BreakBits(0, QString(), QString(BlankSymbol));
        for (int i = 0; i < left; ++i)
            tape_[i].mark = m;
        for (qsizetype i = tape_.size() - right; i < tape_.size(); ++i)
            tape_[i].mark = m;
        anyBreakMarks_ = anyBreakMarks_ || m != 0;
    }
    emit tapeChanged();
}

// ---- Compiled run -----------------------------------------------------------------------------------------

void TMachine::BeginRun() {
    if (!compiled_) {
        core_.Compile(commands_);
        compiled_ = true;
    }
    QString cells(tape_.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < tape_.size(); ++i)
        cells[i] = tape_[i].symbol;
    core_.Load(cells, leftBlanks_, rightBlanks_, headPosition_, int(word_.size()), core_.StateId(currentState_),
               currentSymbol_.isEmpty() && !emptyWordOnBlanks_);
    // On blanks, the empty word's head stands on the tape's last cell, from which no move to the right is
    // allowed: one blank more beyond it lets the machine go either way.
    if (emptyWordOnBlanks_ && word_.isEmpty() && core_.rightBlanks == 0) {
        core_.tape.Grow(0, 1);
        core_.rightBlanks = 1;
        core_.grown = true;
    }
    core_.step = stepNumber_;
    stale_ = false;
}

void TMachine::CoreRewound() {
    Fresh();
    if (headMarkedCell_ >= 0 && headMarkedCell_ < tape_.size())
        tape_[headMarkedCell_].mark &= ~MarkHead;
    headMarkedCell_ = -1;
    const int left = leftBlanks_ - core_.leftBlanks;
    if (left > 0)
        tape_.remove(0, left);
    const qsizetype extra = tape_.size() - qsizetype(core_.tape.size());
    if (extra > 0)
        tape_.remove(tape_.size() - extra, extra);
    leftBlanks_ = core_.leftBlanks;
    rightBlanks_ = core_.rightBlanks;
    notes_.tape = true;
    // Every cell is compared again; the one the step wrote gets its symbol and marks back.
    core_.dirtyFirst = 0;
    core_.dirtyLast = int(core_.tape.size()) - 1;
    stale_ = true;
    Fresh();
}

void TMachine::EndRun() {
    if (!core_.active)
        return;
    FlushRun();
    core_.active = false;
    core_.hasPending = false;
}

std::optional<TCommand> TMachine::PendingCommand() const {
    if (!HasPendingCommand() || core_.pending.row >= commands_.size())
        return std::nullopt;
    return CommandFromRow(commands_[core_.pending.row]);
}

void TMachine::NoteCells(int first, int last) {
    notes_.firstCell = notes_.firstCell < 0 ? first : std::min(notes_.firstCell, first);
    notes_.lastCell = std::max(notes_.lastCell, last);
}

void TMachine::NoteRow(int row) {
    notes_.firstRow = notes_.firstRow < 0 ? row : std::min(notes_.firstRow, row);
    notes_.lastRow = std::max(notes_.lastRow, row);
}

void TMachine::Sync() {
    stale_ = false;
    TRunCore& c = core_;
    const bool breaks = (breakPoints_ && !breakPoints_->IsEmpty()) || anyBreakMarks_;
    const auto refresh = [&](int first, int last) {
        if (!breaks)
            return;
        for (int i = first; i <= last; ++i) {
            TTapeCell& cell = tape_[i];
            const TCellMarks m = BreakBits(cell.mark, QString(), QString(cell.symbol));
            anyBreakMarks_ = anyBreakMarks_ || (m & (MarkBreakActive | MarkBreakInactive));
            if (m != cell.mark) {
                cell.mark = m;
                NoteCells(i, i);
            }
        }
    };
    // Blanks only ever come outside the cells already there.
    const int left = c.leftBlanks - leftBlanks_;
    const int right = int(c.tape.size()) - int(tape_.size()) - left;
    if (left > 0 || right > 0) {
        tape_.insert(0, std::max(left, 0), TTapeCell{BlankSymbol, 0});
        tape_.insert(tape_.size(), std::max(right, 0), TTapeCell{BlankSymbol, 0});
        if (headMarkedCell_ >= 0)
            headMarkedCell_ += std::max(left, 0);
        notes_.tape = true;
        notes_.firstCell = notes_.firstCell < 0 ? -1 : notes_.firstCell + std::max(left, 0);
        if (notes_.firstCell >= 0)
            notes_.lastCell += std::max(left, 0);
        refresh(0, std::max(left, 0) - 1);
        refresh(int(tape_.size()) - std::max(right, 0), int(tape_.size()) - 1);
    }
    c.grown = false;
    if (c.dirtyFirst <= c.dirtyLast) {
        const int last = std::min(c.dirtyLast, int(tape_.size()) - 1);
        int first = -1;
        int end = -1;
        for (int i = std::max(c.dirtyFirst, 0); i <= last; ++i) {
            const QChar symbol = TRunCore::CharOf(c.tape[std::size_t(i)]);
            if (tape_[i].symbol != symbol) {
                tape_[i].symbol = symbol;
                first = first < 0 ? i : first;
                end = i;
            }
        }
        if (first >= 0) {
            NoteCells(first, end);
            refresh(first, end);
        }
        c.dirtyFirst = 0;
        c.dirtyLast = -1;
    }
    leftBlanks_ = c.leftBlanks;
    rightBlanks_ = c.rightBlanks;
    headPosition_ = c.headPosition;
    const int oldHead = headCell_;
    headCell_ = c.HeadCell();
    notes_.head = notes_.head || notes_.tape || oldHead != headCell_;
    if (headMarkedCell_ >= 0 && headMarkedCell_ < tape_.size() && headMarkedCell_ != headCell_) {
        tape_[headMarkedCell_].mark &= ~MarkHead;
        NoteCells(headMarkedCell_, headMarkedCell_);
    }
    headMarkedCell_ = -1;
    if (headCell_ >= 0 && headCell_ < tape_.size()) {
        if (!(tape_[headCell_].mark & MarkHead)) {
            tape_[headCell_].mark |= MarkHead;
            NoteCells(headCell_, headCell_);
        }
        headMarkedCell_ = headCell_;
        // The symbol is read back from the cell; the empty word's first lookup reads none.
        if (!c.emptySymbol) {
            const QChar symbol = TRunCore::CharOf(c.HeadByte());
            if (currentSymbol_.size() == 1)
                currentSymbol_[0] = symbol;
            else
                currentSymbol_ = QString(symbol);
        }
    }
    const bool running = runState_ == Running || runState_ == Paused;
    stepNumber_ = c.step;
    stepShown_ = stepNumber_ != 0 && running;
    const QString& state = c.StateName(c.state);
    if (currentState_ != state) {
        currentState_ = state;
        if (!(selectedState_ >= 0 && states_[selectedState_].name.compare(currentState_, Qt::CaseInsensitive) == 0)) {
            const int index = FindState(currentState_);
            if (index >= 0 && index != selectedState_) {
                selectedState_ = index;
                notes_.selected = true;
            }
        }
    }
    stateShown_ = running;
    notes_.status = true;
    const int old = activeCommand_;
    activeCommand_ = (c.found >= 0 && c.found < commands_.size()) ? c.found : -1;
    if (old != activeCommand_) {
        if (old >= 0 && old < commands_.size() && (commands_[old].mark & MarkHead)) {
            commands_[old].mark &= ~MarkHead;
            NoteRow(old);
        }
        if (activeCommand_ >= 0 && !(commands_[activeCommand_].mark & MarkHead)) {
            commands_[activeCommand_].mark |= MarkHead;
            NoteRow(activeCommand_);
        }
    }
    notes_.active = notes_.active || activeCommand_ >= 0;
}

void TMachine::FlushRun() {
    Fresh();
    const TNotes n = notes_;
    notes_ = TNotes();
    if (!notify_)
        return;
    if (n.tape)
        emit tapeChanged();
    if (n.firstCell >= 0)
        emit cellsChanged(n.firstCell, n.lastCell);
    if (n.firstRow >= 0)
        emit commandMarksChanged(n.firstRow, n.lastRow);
    if (n.active && activeCommand_ >= 0)
        emit activeCommandChanged(activeCommand_);
    if (n.selected)
        emit selectedStateChanged(selectedState_);
    if (n.head)
        emit headMoved(headCell_);
    if (n.status)
        emit statusChanged();
}

// ---- Whole machine ----------------------------------------------------------------------------------------

void TMachine::Clear() {
    alphabet_.clear();
    word_.clear();
    acceptedWord_.clear();
    states_.clear();
    stateLookupValid_ = false;
    selectedState_ = -1;
    commands_.clear();
    activeCommand_ = -1;
    InvalidateCommandIndex();
    ++checkRevision_;
    anyBreakMarks_ = false;
    emit alphabetChanged();
    emit wordChanged();
    emit statesChanged();
    emit commandsChanged();
    SetInitialState(QString());
    // The empty word's tape replaces what the last run wrote, as any change of the word does.
    BuildTape(word_);
    RunCheck(&TMachineChecks::CheckWordCells);
    SetCurrentSymbol(word_);
    SetHeadPosition(0);
}

bool TMachine::IsEmpty() const {
    return alphabet_.isEmpty() && word_.isEmpty() && GetInitialState().isEmpty() && states_.isEmpty() &&
           commands_.isEmpty() && (!breakPoints_ || breakPoints_->IsEmpty());
}
