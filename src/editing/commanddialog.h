#pragma once

#include "machine/command.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QPushButton;
class TMachine;
class TPrompts;

// Gathers the five fields of one command, checks each as the focus leaves it and all of them on OK, and
// stores the command: appended while adding, written over the current row while editing. A state or symbol
// the machine lacks is offered for adding, and stays in the machine once the user agrees, even if the
// dialog is then cancelled.
class TCommandDialog : public QDialog {
    Q_OBJECT

public:
    // currentRow: the command list's current row, which an edit changes.
    TCommandDialog(TMachine& machine, TPrompts& prompts, int currentRow = -1, QWidget* parent = nullptr);
    ~TCommandDialog() override;

    // Adding or editing. False when the command to edit cannot be read (after saying so): the dialog is
    // then not to be shown.
    bool SetupMode(bool edit);
    bool EditMode() const { return editMode_; }
    // Adding the command of a given state and symbol: both are filled in and the new state comes first.
    void PresetSource(const QString& state, const QString& symbol);
    // Adding a command drawn on the diagram from one state to another: both states are filled in (the new one
    // may be empty) and the symbol read comes first.
    void PresetStates(const QString& state, const QString& newState);

    // Each is true when its field is acceptable, perhaps after adding a missing state or symbol to the
    // machine; a refusal is shown and puts the focus back into the field.
    bool ValidateOldState();
    bool ValidateOldSymbol();
    bool ValidateNewState();
    bool ValidateNewSymbol();
    // Also writes the move in the spelling of the list's item.
    bool ValidateMove();
    // The five field checks, then the loop and similarity checks of the command as a whole.
    bool ValidateCommand();

    // OK: stores the command, then closes with OK, or with Cancel when an edit changed nothing.
    void OKButtonClick();

signals:
    // The help button: the main window opens "Qtm.hlp" at this context (2004).
    void helpRequested(int context);

private:
    void CreateControls();
    void FillLists();
    void FocusChanged(QWidget* old, QWidget* now);
    QComboBox* FieldOf(QWidget* widget) const;
    bool RunCheck(QComboBox* field);
    bool Guarded(const QString& title, QComboBox* field, const std::function<bool()>& check);
    bool ValidateState(QComboBox* field, bool source);
    bool ValidateSymbol(QComboBox* field, bool source);
    bool Refuse(QComboBox* field);
    void StoreCommand();
    void RefuseCommand(const QString& text);

    TMachine& machine_;
    TPrompts& prompts_;
    int currentRow_ = -1;
    bool editMode_ = false;
    // A check is under way: the focus moves it makes (back to its field, to a message) are not leaving.
    bool checking_ = false;
    QString savedOldState_;
    QString savedOldSymbol_;
    QString savedNewState_;
    QString savedNewSymbol_;
    QString savedMove_;

    QComboBox* oldStateComboBox_ = nullptr;
    QComboBox* oldABCComboBox_ = nullptr;
    QComboBox* newStateComboBox_ = nullptr;
    QComboBox* newABCComboBox_ = nullptr;
    QComboBox* moveComboBox_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* helpButton_ = nullptr;
};

// The command commands of the main window. The window pauses a running machine around them
// (TEngine::TPause) and enables them by the rules below. Each returns true when it changed the machine,
// which it has then marked modified (TMachine::edited). openHelp receives the help context of the dialog's
// help button.

// CommandAddExecute: the command dialog for a new command.
bool ExecuteCommandAdd(QWidget* parent, TMachine& machine, TPrompts& prompts,
                       const std::function<void(int)>& openHelp = {});
// The same for the given state and symbol (the transition table's empty cell).
bool ExecuteCommandAddFor(QWidget* parent, TMachine& machine, TPrompts& prompts, const QString& state,
                          const QString& symbol, const std::function<void(int)>& openHelp = {});
// The same from one state to another (an arrow drawn on the diagram; newState may be empty).
bool ExecuteCommandAddBetween(QWidget* parent, TMachine& machine, TPrompts& prompts, const QString& state,
                              const QString& newState, const std::function<void(int)>& openHelp = {});
// CommandEditExecute: edits the command in the given row (the current one) through the command dialog.
bool ExecuteCommandEdit(QWidget* parent, TMachine& machine, TPrompts& prompts, int row,
                        const std::function<void(int)>& openHelp = {});
// CommandDelExecute: deletes the command in the given row, after a question when the setting DelCommand is on.
bool ExecuteCommandDel(TMachine& machine, TPrompts& prompts, int row);

// CommandAddUpdate.
bool CommandAddEnabled(RunState runState, bool machineOpen);
// CommandUpdate, for CommandEdit and CommandDel alike.
bool CommandEditEnabled(RunState runState, bool machineOpen, int commandCount, int currentRow);
