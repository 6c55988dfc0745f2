// The state diagram window beside the main window: a double-click in it selects the command or the state
// in the main window's lists.

#include "window/mainform.h"

#include "diagram/diagramform.h"
#include "files/qtmfile.h"
#include "editing/commanddialog.h"
#include "editing/statedialog.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "platform/helpengine.h"
#include "platform/prompts.h"
#include "window/commandlistmodel.h"
#include "window/statelistmodel.h"
#include "window/undohistory.h"

#include <QListView>
#include <QTableView>

void TMainForm::DiagramViewExecute() {
    if (!diagramForm_) {
        diagramForm_ = new TDiagramForm(*machine_, *config_, *prompts_, engine_.get(), this);
        diagramForm_->setObjectName(QStringLiteral("DiagramForm"));
        diagramForm_->SetMachineFileName([this] { return fileName_; });
        diagramForm_->SetPositions(positions_.get());
        // The selection is shown where the user looks next: the main window comes forward with the row
        // current and in sight in its list, which draws the selection only while it has the focus.
        const auto select = [this](QAbstractItemView* list, const QModelIndex& index) {
            list->setCurrentIndex(index);
            list->scrollTo(index);
            raise();
            activateWindow();
            list->setFocus(Qt::OtherFocusReason);
        };
        connect(diagramForm_, &TDiagramForm::commandActivated, this,
                [this, select](int row) { select(CommandListView, commandModel_->index(row, 0)); });
        connect(diagramForm_, &TDiagramForm::stateActivated, this,
                [this, select](int index) { select(StateListBox, stateModel_->index(index)); });
        ConnectDiagramEditing();
        AddHistoryKeys(diagramForm_);
    }
    diagramForm_->show();
    diagramForm_->raise();
    diagramForm_->activateWindow();
}

// The diagram edits through the lists' own operations: the same dialogs, questions, rules and modified flag.
// Each runs only when the lists could add (the machine open and not running).
void TMainForm::ConnectDiagramEditing() {
    const auto allowed = [this] {
        UpdateActions();
        return StateAdd->isEnabled();
    };
    TDiagramForm* diagram = diagramForm_;
    connect(diagram, &TDiagramForm::stateSelected, this, [this](int index) {
        StateListBox->setCurrentIndex(stateModel_->index(index));
        StateListBox->scrollTo(stateModel_->index(index));
    });
    connect(diagram, &TDiagramForm::commandSelected, this, [this](int row) {
        CommandListView->setCurrentIndex(commandModel_->index(row, 0));
        CommandListView->scrollTo(commandModel_->index(row, 0));
    });
    connect(diagram, &TDiagramForm::stateAddRequested, this, [this, allowed, diagram] {
        TUndoHistory::TStep step(*history_);
        if (allowed())
            ExecuteStateAdd(diagram, *machine_, *prompts_, HelpOpener());
    });
    connect(diagram, &TDiagramForm::commandAddRequested, this,
            [this, allowed, diagram](const QString& state, const QString& newState) {
                TUndoHistory::TStep step(*history_);
                if (allowed())
                    ExecuteCommandAddBetween(diagram, *machine_, *prompts_, state, newState, HelpOpener());
            });
    // An edit opens over the main window, which a double-click has brought forward with the row selected; the
    // window and its list keep the focus after it.
    const auto backToList = [this](QAbstractItemView* list) {
        activateWindow();
        list->setFocus(Qt::OtherFocusReason);
    };
    connect(diagram, &TDiagramForm::stateEditRequested, this, [this, allowed, backToList](int index) {
        TUndoHistory::TStep step(*history_);
        if (allowed())
            ExecuteStateEdit(this, *machine_, *prompts_, index, HelpOpener());
        backToList(StateListBox);
    });
    connect(diagram, &TDiagramForm::commandEditRequested, this, [this, allowed, backToList](int row) {
        TUndoHistory::TStep step(*history_);
        if (allowed())
            ExecuteCommandEdit(this, *machine_, *prompts_, row, HelpOpener());
        backToList(CommandListView);
    });
    connect(diagram, &TDiagramForm::stateDeleteRequested, this, [this, allowed](int index) {
        TUndoHistory::TStep step(*history_);
        if (allowed())
            ExecuteStateDel(*machine_, *prompts_, index);
    });
    connect(diagram, &TDiagramForm::commandDeleteRequested, this, [this, allowed](int row) {
        TUndoHistory::TStep step(*history_);
        if (allowed())
            ExecuteCommandDel(*machine_, *prompts_, row);
    });
}
