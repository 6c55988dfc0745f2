#pragma once

#include "editing/machineedit.h"

#include <QObject>
#include <QUndoStack>

#include <functional>

class TMachine;
class TStatePositions;

// The edit history of the open machine: one step of a QUndoStack per user action, each holding only what the
// action changed. Steps are recorded by comparing the machine with how the last step left it, so every way of
// editing (the lists, the dialogs, the diagram, an import) is caught without each knowing about the history.
class TUndoHistory : public QObject {
    Q_OBJECT

public:
    // About 20 MB: thousands of steps of any machine, several "Упорядочить" of one of thousands of states.
    static constexpr int DefaultLimitMb = 20;

    TUndoHistory(TMachine& machine, TStatePositions& positions, QObject* parent = nullptr);
    ~TUndoHistory() override;

    QUndoStack& Stack() { return stack_; }
    // The memory the steps may hold; the oldest steps are forgotten beyond it.
    void SetLimit(qsizetype bytes);
    qsizetype Bytes() const { return bytes_; }

    // A new history from the machine as it is now (New, Open, Close).
    void Reset();
    // What changed since the last step becomes one step, named after what it did unless text names it.
    void Commit(const QString& text = QString());
    // An edit was made: it becomes a step at the next turn of the event loop, or, while typing() says the user
    // is still typing in a field, when the field's edit is committed (the caller then calls Commit()).
    void NoteEdited();
    void SetTyping(std::function<bool()> typing) { typing_ = std::move(typing); }
    // The machine was saved as it is now.
    void SetClean();
    void Undo();
    void Redo();

    // While a step lives, all edits gather into it, questions and dialogs in between included.
    class TStep {
    public:
        explicit TStep(TUndoHistory& history, QString text = QString());
        ~TStep();
        TStep(const TStep&) = delete;
        TStep& operator=(const TStep&) = delete;

    private:
        TUndoHistory& history_;
        QString text_;
    };

signals:
    // After an undo or a redo: the state and the command row it brought back (or -1), and the state it moved
    // on the diagram (or none).
    void applied(int state, int command, const QString& movedState);

private:
    friend class TMachineStep;
    void Apply(const TMachineChange& change, bool forward);
    // Forgets the oldest steps while the history holds more than its limit.
    void Trim();

    TMachine& machine_;
    TStatePositions& positions_;
    TMachineContent base_;
    std::function<bool()> typing_;
    qsizetype bytes_ = 0;
    qsizetype limit_ = qsizetype(DefaultLimitMb) * 1024 * 1024;
    int depth_ = 0;
    bool scheduled_ = false;
    bool applying_ = false;
    // Steps pushed back while the history is trimmed change nothing.
    bool quiet_ = false;
    QUndoStack stack_;
};
