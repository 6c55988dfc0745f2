#include "window/undohistory.h"

#include "diagram/positions.h"
#include "machine/machine.h"

#include <QTimer>

// One step: the change, applied again on redo and backwards on undo. The first redo, which QUndoStack calls as
// the step is pushed, finds the change done already.
class TMachineStep : public QUndoCommand {
public:
    TMachineStep(TUndoHistory& history, TMachineChange change, const QString& text)
        : history_(history), change_(std::move(change)), bytes_(change_.Bytes()) {
        setText(text.isEmpty() ? change_.Text() : text);
        history_.bytes_ += bytes_;
    }
    ~TMachineStep() override { history_.bytes_ -= bytes_; }

    void redo() override {
        if (std::exchange(done_, false) || history_.quiet_)
            return;
        history_.Apply(change_, true);
    }
    void undo() override {
        if (!history_.quiet_)
            history_.Apply(change_, false);
    }

    const TMachineChange& Change() const { return change_; }
    qsizetype Bytes() const { return bytes_; }

private:
    TUndoHistory& history_;
    TMachineChange change_;
    qsizetype bytes_ = 0;
    bool done_ = true;
};

TUndoHistory::TUndoHistory(TMachine& machine, TStatePositions& positions, QObject* parent)
    : QObject(parent), machine_(machine), positions_(positions) {
    base_ = TMachineContent::Of(machine_, positions_.Positions());
}

TUndoHistory::~TUndoHistory() {
    // The steps go silently: whoever hears the stack may be going too.
    stack_.blockSignals(true);
    stack_.clear();
}

void TUndoHistory::SetLimit(qsizetype bytes) {
    limit_ = std::max<qsizetype>(bytes, 1);
    Trim();
}

void TUndoHistory::Reset() {
    stack_.clear();
    base_ = TMachineContent::Of(machine_, positions_.Positions());
}

void TUndoHistory::Commit(const QString& text) {
    if (applying_ || depth_ > 0)
        return;
    TMachineContent now = TMachineContent::Of(machine_, positions_.Positions());
    TMachineChange change = TMachineChange::Between(base_, now);
    base_ = std::move(now);
    if (change.Empty())
        return;
    stack_.push(new TMachineStep(*this, std::move(change), text));
    Trim();
}

void TUndoHistory::NoteEdited() {
    if (applying_ || depth_ > 0 || scheduled_ || (typing_ && typing_()))
        return;
    scheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        scheduled_ = false;
        if (!typing_ || !typing_())
            Commit();
    });
}

void TUndoHistory::SetClean() {
    Commit();
    stack_.setClean();
}

void TUndoHistory::Undo() {
    Commit();
    if (stack_.canUndo())
        stack_.undo();
}

void TUndoHistory::Redo() {
    // A change not yet recorded would be lost under the redone one: it becomes a step, which ends the redo.
    Commit();
    if (stack_.canRedo())
        stack_.redo();
}

void TUndoHistory::Apply(const TMachineChange& change, bool forward) {
    applying_ = true;
    TMachineContent content = base_;
    change.Apply(content, forward);
    content.RestoreInto(machine_);
    positions_.Assign(content.positions);
    // What the views did on the way (a chooser sending its text again) is part of the restored machine.
    base_ = TMachineContent::Of(machine_, positions_.Positions());
    applying_ = false;
    QString moved;
    const int state = change.StateToSelect(forward);
    if (state < 0 && change.Text().startsWith(QStringLiteral("перемещение состояния ")))
        moved = change.Text().mid(22);
    emit applied(state, change.CommandToSelect(forward), moved);
}

void TUndoHistory::Trim() {
    if (bytes_ <= limit_ || stack_.count() == 0)
        return;
    // QUndoStack forgets only from the top: the steps that stay are pushed again, quietly, onto an empty stack.
    const int index = stack_.index();
    const int clean = stack_.cleanIndex();
    QList<std::pair<TMachineChange, QString>> steps;
    qsizetype total = bytes_;
    int drop = 0;
    for (int i = 0; i < stack_.count(); ++i) {
        const auto* step = static_cast<const TMachineStep*>(stack_.command(i));
        if (total > limit_ && i < index) {
            total -= step->Bytes();
            ++drop;
            continue;
        }
        steps.append({step->Change(), step->text()});
    }
    if (drop == 0)
        return;
    quiet_ = true;
    stack_.clear();
    for (auto& [change, text] : steps)
        stack_.push(new TMachineStep(*this, std::move(change), text));
    if (clean >= drop) {
        stack_.setIndex(clean - drop);
        stack_.setClean();
    } else {
        stack_.resetClean();
    }
    stack_.setIndex(index - drop);
    quiet_ = false;
}

TUndoHistory::TStep::TStep(TUndoHistory& history, QString text) : history_(history), text_(std::move(text)) {
    // Edits made before (a field still being typed in) are a step of their own.
    history_.Commit();
    ++history_.depth_;
}

TUndoHistory::TStep::~TStep() {
    if (--history_.depth_ == 0)
        history_.Commit(text_);
}
