#pragma once

#include "machine/command.h"

#include <QDialog>
#include <QValidator>

#include <functional>

class QAbstractItemView;
class QLineEdit;
class QPoint;
class QPushButton;
class TMachine;
class TPrompts;

// Asks for one state name, to add a state or to rename the selected one, and refuses a name that is empty
// or already taken. The caller changes the machine after an OK (ExecuteStateAdd, ExecuteStateEdit).
class TStateDialog : public QDialog {
    Q_OBJECT

public:
    // selectedState: the state list's selected item, which a rename changes.
    TStateDialog(TMachine& machine, TPrompts& prompts, int selectedState = -1, QWidget* parent = nullptr);

    // Adding or renaming. False when the state to rename cannot be read (after saying so): the dialog is
    // then not to be shown.
    bool SetupMode(bool edit);
    bool EditMode() const { return editMode_; }
    // The name as typed, blanks included.
    QString Name() const;

    // OK: closes with OK for a new name, with Cancel for the old one in any letter case; refuses the rest.
    void OKButtonClick();

signals:
    // The help button: the main window opens "Qtm.hlp" at this context (2006).
    void helpRequested(int context);

private:
    void CreateControls();

    TMachine& machine_;
    TPrompts& prompts_;
    int selectedState_ = -1;
    bool editMode_ = false;
    QString savedName_;

    QLineEdit* stateEdit_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* helpButton_ = nullptr;
};

// The edits of the editing dialogs take only characters the machine files can hold; any other is refused
// with the asterisk sound.
class TCodePageValidator : public QValidator {
public:
    TCodePageValidator(TPrompts& prompts, QObject* parent) : QValidator(parent), prompts_(prompts) {}
    State validate(QString& input, int& pos) const override;

private:
    TPrompts& prompts_;
};

// The state commands of the main window. The window pauses a running machine around them (TEngine::TPause)
// and enables them by the rules below. Each returns true when it changed the machine, which it has then
// marked modified (TMachine::edited). openHelp receives the help context of a dialog's help button.

// StateAddExecute: the state dialog for a new name; on OK the state joins the state list.
bool ExecuteStateAdd(QWidget* parent, TMachine& machine, TPrompts& prompts,
                     const std::function<void(int)>& openHelp = {});
// StateEditExecute: renames the state at index (the selected one) through the state dialog.
bool ExecuteStateEdit(QWidget* parent, TMachine& machine, TPrompts& prompts, int index,
                      const std::function<void(int)>& openHelp = {});
// StateDelExecute: deletes the state at index, after a question when the setting DelState is on.
bool ExecuteStateDel(TMachine& machine, TPrompts& prompts, int index);

// StateAddUpdate.
bool StateAddEnabled(RunState runState, bool machineOpen);
// StateUpdate, for StateEdit and StateDel alike: only while the user works in the state list.
bool StateEditEnabled(RunState runState, bool machineOpen, int stateCount, bool listHasFocus, int selectedState);

// StateListBoxMouseDown: a press of any button gives the list the focus and selects the item under the
// pointer, so that a right-click prepares the pop-up menu's StateEdit and StateDel.
void StateListMouseDown(QAbstractItemView* list, const QPoint& position);
