// The edit history in the window: the Edit menu's "&Отменить" and "&Повторить", their keys in the other windows
// that edit the machine, the modified flag following the history, and the undone object shown in the lists.

#include "window/mainform.h"

#include "diagram/positions.h"
#include "editing/statedialog.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "settings/config.h"
#include "window/commandlistmodel.h"
#include "window/statelistmodel.h"
#include "window/undohistory.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QTableView>

void TMainForm::CreateHistory() {
    history_ = new TUndoHistory(*machine_, *positions_, this);
    history_->setObjectName(QStringLiteral("UndoHistory"));
    history_->SetLimit(qsizetype(config_->UndoMemory) * 1024 * 1024);
    // The alphabet, the word and the initial state are a step when their edit is done, not at every key.
    history_->SetTyping([this] { return TypingEdit() != nullptr; });
    connect(machine_.get(), &TMachine::edited, history_, &TUndoHistory::NoteEdited);
    connect(positions_.get(), &TStatePositions::edited, history_, &TUndoHistory::NoteEdited);
    for (QLineEdit* field : {ABCEdit, WordEdit, BegStateComboBox->lineEdit()})
        connect(field, &QLineEdit::editingFinished, history_, [this] { history_->Commit(); });
    connect(qApp, &QApplication::focusChanged, history_, [this](QWidget* old) {
        if (old &&
            (old == ABCEdit || old == WordEdit || old == BegStateComboBox || old == BegStateComboBox->lineEdit()))
            history_->Commit();
    });
    // Undoing back to the saved machine makes it unmodified again.
    connect(&history_->Stack(), &QUndoStack::indexChanged, this, [this] {
        if (!history_)
            return;
        if (!fileName_.isEmpty())
            SetModified(!history_->Stack().isClean() || editedOutsideHistory_);
        else
            UpdateActions();
    });
    connect(history_, &TUndoHistory::applied, this, &TMainForm::ShowUndone);
}

QLineEdit* TMainForm::TypingEdit() const {
    QWidget* focus = QApplication::focusWidget();
    if (focus && (focus == ABCEdit || focus == WordEdit))
        return static_cast<QLineEdit*>(focus);
    if (focus && (focus == BegStateComboBox || focus == BegStateComboBox->lineEdit()))
        return BegStateComboBox->lineEdit();
    return nullptr;
}

bool TMainForm::HistoryAllowed() const {
    return history_ && StateAddEnabled(engine_->GetRunState(), !fileName_.isEmpty()) && !TestSetChecking();
}

void TMainForm::UndoItemClick() {
    if (QLineEdit* typing = TypingEdit(); typing && typing->isUndoAvailable())
        typing->undo();
    else if (HistoryAllowed())
        history_->Undo();
}

void TMainForm::RedoItemClick() {
    if (HistoryAllowed())
        history_->Redo();
}

void TMainForm::UpdateHistoryActions() {
    if (!history_)
        return;
    const QLineEdit* typing = TypingEdit();
    const bool field = typing && typing->isUndoAvailable();
    const QUndoStack& stack = history_->Stack();
    const bool undo = !field && HistoryAllowed() && stack.canUndo();
    const bool redo = HistoryAllowed() && stack.canRedo();
    EditUndo->setText(undo ? QStringLiteral("&Отменить ") + stack.undoText() : QStringLiteral("&Отменить"));
    EditRedo->setText(redo ? QStringLiteral("&Повторить ") + stack.redoText() : QStringLiteral("&Повторить"));
}

void TMainForm::AddHistoryKeys(QWidget* window) {
    const struct {
        QAction* entry;
        QKeySequence key;
        void (TMainForm::*handler)();
    } keys[] = {{EditUndo, QKeySequence(Qt::CTRL | Qt::Key_Z), &TMainForm::UndoItemClick},
                {EditRedo, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &TMainForm::RedoItemClick}};
    for (const auto& k : keys) {
        auto* action = new QAction(k.entry->text(), window);
        action->setObjectName(k.entry->objectName() + QStringLiteral("Key"));
        action->setShortcut(k.key);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setEnabled(k.entry->isEnabled());
        connect(action, &QAction::triggered, this, [this, handler = k.handler] {
            UpdateActions();
            (this->*handler)();
        });
        connect(k.entry, &QAction::enabledChanged, action, &QAction::setEnabled);
        connect(k.entry, &QAction::changed, action, [action, entry = k.entry] { action->setText(entry->text()); });
        window->addAction(action);
    }
}

void TMainForm::ShowUndone(int state, int command, const QString& movedState) {
    if (command >= 0 && command < machine_->Commands().size()) {
        CommandListView->setCurrentIndex(commandModel_->index(command, 0));
        CommandListView->scrollTo(commandModel_->index(command, 0));
    }
    if (state < 0 && !movedState.isEmpty())
        state = machine_->FindState(movedState);
    if (state >= 0 && state < machine_->States().size()) {
        StateListBox->setCurrentIndex(stateModel_->index(state));
        StateListBox->scrollTo(stateModel_->index(state));
    }
    UpdateActions();
}
