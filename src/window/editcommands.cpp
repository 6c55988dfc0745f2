// The window's commands that edit the machine: states, commands and breakpoints. Each handler pauses a
// running machine around its dialog and leaves the work to the editing and breakpoint units.

#include "window/mainform.h"

#include "breakpoints/breakpoint.h"
#include "breakpoints/breakpointdialog.h"
#include "breakpoints/breakpointlistdialog.h"
#include "editing/commanddialog.h"
#include "diagram/positions.h"
#include "editing/statedialog.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "platform/helpengine.h"
#include "window/commandlistmodel.h"
#include "window/undohistory.h"

#include <QAction>
#include <QApplication>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QTableView>

void TMainForm::StateAddExecute() {
    TEngine::TPause pause(*engine_);
    TUndoHistory::TStep step(*history_);
    ExecuteStateAdd(this, *machine_, *prompts_, HelpOpener());
}

void TMainForm::StateEditExecute() {
    TEngine::TPause pause(*engine_);
    TUndoHistory::TStep step(*history_);
    const int row = StateListBox->currentIndex().row();
    const QString before = row >= 0 && row < machine_->States().size() ? machine_->States()[row].name : QString();
    // A renamed state keeps its place on the diagram.
    if (ExecuteStateEdit(this, *machine_, *prompts_, row, HelpOpener()) && row < machine_->States().size())
        positions_->Rename(before, machine_->States()[row].name);
}

void TMainForm::StateDelExecute() {
    TEngine::TPause pause(*engine_);
    TUndoHistory::TStep step(*history_);
    ExecuteStateDel(*machine_, *prompts_, StateListBox->currentIndex().row());
}

void TMainForm::CommandAddExecute() {
    TEngine::TPause pause(*engine_);
    TUndoHistory::TStep step(*history_);
    ExecuteCommandAdd(this, *machine_, *prompts_, HelpOpener());
}

void TMainForm::CommandEditExecute() {
    TEngine::TPause pause(*engine_);
    TUndoHistory::TStep step(*history_);
    ExecuteCommandEdit(this, *machine_, *prompts_, CommandListView->currentIndex().row(), HelpOpener());
}

void TMainForm::CommandDelExecute() {
    TEngine::TPause pause(*engine_);
    TUndoHistory::TStep step(*history_);
    ExecuteCommandDel(*machine_, *prompts_, CommandListView->currentIndex().row());
}

void TMainForm::BreakAddExecute() {
    TEngine::TPause pause(*engine_);
    ExecuteBreakAdd(this, *breakPointList_, *machine_, *prompts_, HelpOpener());
}

void TMainForm::BreakListExecute() {
    TEngine::TPause pause(*engine_);
    ExecuteBreakList(this, *breakPointList_, *machine_, *prompts_, *config_, HelpOpener());
}

bool TMainForm::StateEditAllowed() const {
    return StateEditEnabled(engine_->GetRunState(), !fileName_.isEmpty(), int(machine_->States().size()),
                            StateListBox->hasFocus(), StateListBox->currentIndex().row());
}

bool TMainForm::CommandEditAllowed() const {
    return CommandEditEnabled(engine_->GetRunState(), !fileName_.isEmpty(), int(machine_->Commands().size()),
                              CommandListView->currentIndex().row());
}

void TMainForm::KeepCommandRow() {
    const int rows = int(machine_->Commands().size());
    if (commandRow_ >= rows)
        commandRow_ = rows - 1;
    if (commandRow_ >= 0 && CommandListView->currentIndex().row() != commandRow_)
        CommandListView->setCurrentIndex(commandModel_->index(commandRow_, 0));
}

void TMainForm::ConnectEditing() {
    // Qt has no idle update of actions: the rules that read the focus and the lists' current rows are
    // evaluated again whenever one of those changes.
    connect(qApp, &QApplication::focusChanged, this, [this] { UpdateActions(); });
    connect(StateListBox->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { UpdateActions(); });
    connect(CommandListView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    commandRow_ = current.row();
                UpdateActions();
            });
    // The state list's reset drops its current item: the machine's selected state is put back, so adding a
    // state from the list leaves the user where they were.
    connect(machine_.get(), &TMachine::statesChanged, this, [this] {
        const int selected = machine_->SelectedState();
        if (selected >= 0 && selected < int(machine_->States().size()) &&
            StateListBox->currentIndex().row() != selected)
            StateListBox->setCurrentIndex(StateListBox->model()->index(selected, 0));
        UpdateActions();
    });
    connect(machine_.get(), &TMachine::commandsChanged, this, [this] {
        KeepCommandRow();
        UpdateActions();
    });

    // A right click selects the state under the mouse and gives the list the focus, before any menu opens.
    StateListBox->viewport()->installEventFilter(this);

    const std::pair<QAbstractItemView*, QAction*> lists[] = {{StateListBox, StateEdit}, {CommandListView, CommandEdit}};
    for (const auto& [list, edit] : lists) {
        connect(list, &QAbstractItemView::doubleClicked, edit, [this, edit] {
            UpdateActions();
            if (edit->isEnabled())
                edit->trigger();
        });
        // The pop-up menu shows its Edit entry as the default one.
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint& pos) {
            UpdateActions();
            QMenu menu(this);
            for (QAction* entry : list->actions()) {
                menu.addAction(entry);
                if (entry->shortcut() == QKeySequence(Qt::Key_F4))
                    menu.setDefaultAction(entry);
            }
            menu.exec(list->viewport()->mapToGlobal(pos));
        });
    }
}

bool TMainForm::StateListMousePress(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress || watched != StateListBox->viewport())
        return false;
    StateListMouseDown(StateListBox, static_cast<QMouseEvent*>(event)->position().toPoint());
    UpdateActions();
    return false;
}
