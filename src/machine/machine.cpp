#include "machine/machine.h"

#include "platform/codepage.h"
#include "platform/prompts.h"

#include <algorithm>

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
    const QString cells = text.isEmpty() && emptyWordOnBlanks_ ? QString(BlankSymbol) : text;
    tape_.resize(cells.size() + 2);
    tape_.first() = TTapeCell{BlankSymbol, 0};
    for (qsizetype i = 0; i < cells.size(); ++i)
        tape_[i + 1] = TTapeCell{cells[i], 0};
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
    w.word = part(leftBlanks_, WordCells());
    w.right = part(leftBlanks_ + WordCells(), tape_.size());
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
