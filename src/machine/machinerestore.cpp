// Putting back a content the edit history recorded, apart from the edits' own rules: the history holds what
// the machine was, so nothing is refused or added on the way back.

#include "machine/machine.h"

namespace {

bool SameStates(const QList<TStateItem>& a, const QList<TStateItem>& b) {
    if (a.constData() == b.constData() && a.size() == b.size())
        return true;
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const TStateItem& x, const TStateItem& y) { return x.name == y.name; });
}

bool SameRows(const QList<TCommandRow>& a, const QList<TCommandRow>& b) {
    if (a.constData() == b.constData() && a.size() == b.size())
        return true;
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const TCommandRow& x, const TCommandRow& y) {
        return x.sourceState == y.sourceState && x.sourceSymbol == y.sourceSymbol && x.newState == y.newState &&
               x.newSymbol == y.newSymbol && x.move == y.move;
    });
}

} // namespace

void TMachine::Restore(const QString& alphabet, const QString& word, const QString& initialState,
                       const QList<TStateItem>& states, const QList<TCommandRow>& commands) {
    const bool alphabetDiffers = alphabet != alphabet_;
    const bool wordDiffers = word != word_;
    const bool statesDiffer = !SameStates(states, states_);
    const bool commandsDiffer = !SameRows(commands, commands_);
    if (alphabetDiffers)
        alphabet_ = alphabet;
    if (wordDiffers) {
        word_ = word;
        acceptedWord_ = word;
    }
    if (statesDiffer) {
        states_ = states;
        stateLookupValid_ = false;
        if (selectedState_ >= states_.size())
            selectedState_ = -1;
    }
    if (commandsDiffer) {
        commands_ = commands;
        activeCommand_ = -1;
        InvalidateCommandIndex();
    }
    if (alphabetDiffers || statesDiffer || commandsDiffer)
        ++checkRevision_;
    if (alphabetDiffers)
        emit alphabetChanged();
    if (wordDiffers)
        emit wordChanged();
    if (statesDiffer)
        emit statesChanged();
    if (commandsDiffer)
        emit commandsChanged();
    if (initialStateText_ != initialState || acceptedInitialState_ != TrimText(initialState)) {
        initialStateText_ = initialState;
        acceptedInitialState_ = TrimText(initialState);
        emit initialStateChanged();
        SetCurrentState(acceptedInitialState_);
    }
    if (alphabetDiffers || wordDiffers) {
        BuildTape(word_);
        RunCheck(&TMachineChecks::CheckWordCells);
        SetCurrentSymbol(word_);
        SetHeadPosition(0);
    }
    if (statesDiffer)
        RunCheck(&TMachineChecks::CheckStates);
    if (alphabetDiffers || statesDiffer || commandsDiffer) {
        RunCheck(&TMachineChecks::CheckCommands);
        RefreshBreakMarks();
    }
}
