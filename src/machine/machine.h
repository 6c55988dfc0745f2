#pragma once

#include "machine/command.h"
#include "machine/ports.h"
#include "machine/runcore.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>

#include <optional>

class TPrompts;
class TConfig;

// The one machine the program holds: alphabet, word, states, initial state, command rows, the tape and
// the run position. The window's controls show it and forward the user's edits to it; it tells them
// what changed through its signals, so each view repaints only that.
class TMachine : public QObject {
    Q_OBJECT

public:
    TMachine(TPrompts& prompts, const TConfig& settings, QObject* parent = nullptr);

    void SetChecks(TMachineChecks* checks) { checks_ = checks; }
    void SetBreakPoints(TBreakPoints* breakPoints) { breakPoints_ = breakPoints; }
    TMachineChecks* Checks() const { return checks_; }
    TBreakPoints* BreakPoints() const { return breakPoints_; }
    const TConfig& Settings() const { return settings_; }
    // A machine run without views may skip the per-step change signals.
    void SetNotifications(bool on) { notify_ = on; }
    bool Notifications() const { return notify_; }
    // Off (the window): an empty word's first lookup reads no symbol and the run halts there. On (qtm-run):
    // the empty word is a word of one blank cell, under the head, as machines of other simulators expect.
    void SetEmptyWordOnBlanks(bool on) { emptyWordOnBlanks_ = on; }

    // Alphabet.
    const QString& Alphabet() const { return alphabet_; }
    // The alphabet edit's key filter: false (with the asterisk sound) for a key that must be dropped.
    bool AlphabetKeyAllowed(QChar key);
    // The alphabet edit's change handler: keeps each symbol once, drops blanks; Alphabet() is what the edit shows.
    void SetAlphabetText(const QString& text);
    bool AddAlphabetSymbol(const QString& symbol);
    static QStringList DistinctSymbols(const QString& text);

    // Word.
    const QString& Word() const { return word_; }
    bool WordKeyAllowed(QChar key, bool backspace);
    // The word edit's change handler: a text with a blank (or a character the files cannot hold) is undone.
    void SetWordText(const QString& text);
    // The file reader's way in: the same rules as the edit, without the typing limit.
    static constexpr int MaxTypedWord = 255;

    // States.
    const QList<TStateItem>& States() const { return states_; }
    // Index of the state equal to the name without regard to case, or -1.
    int FindState(const QString& name) const;
    bool AddState(const QString& name);
    // Gives the state at index the trimmed name; an initial state spelled exactly as the old name follows it.
    // Commands and breakpoints keep the old name, and the marks show the commands that lost their state.
    // False for a bad index, a name the files cannot hold, or a name another state already has.
    bool RenameState(int index, const QString& name);
    // Deletes the state at index; an initial state spelled exactly as its name is emptied. Commands and
    // breakpoints that name it stay. False for a bad index.
    bool RemoveState(int index);
    // The state list's selected item: the current state during a run.
    int SelectedState() const {
        Fresh();
        return selectedState_;
    }
    void SelectState(int index);

    // Initial state.
    QString GetInitialState() const { return TrimText(initialStateText_); }
    const QString& InitialStateText() const { return initialStateText_; }
    void SetInitialState(const QString& name);
    // The initial-state chooser's change handler.
    void SetInitialStateText(const QString& text);

    // Commands.
    const QList<TCommandRow>& Commands() const {
        Fresh();
        return commands_;
    }
    bool AddCommand(const QString& sourceState, const QString& sourceSymbol, const QString& newState,
                    const QString& newSymbol, const QString& move);
    bool SetCommandRow(int index, const TCommandRow& row);
    bool RemoveCommand(int index);
    // The file reader's way in for many states and rows at once: appends them as they are (the caller has
    // trimmed them and left out those already held) with one signal and one check, so loading stays linear.
    void AppendLoaded(const QStringList& states, const QList<TCommandRow>& rows);
    static TCommand CommandFromRow(const TCommandRow& row);
    static QString CommandText(const TCommand& command);
    int FindCommand(const QString& state, const QString& symbol) const;
    void MarkActiveCommand(int index);
    int ActiveCommand() const {
        Fresh();
        return activeCommand_;
    }

    // Tape.
    const QList<TTapeCell>& Tape() const {
        Fresh();
        return tape_;
    }
    void BuildTape(const QString& text);
    QString TapeInnerText() const;
    TFullWord TakeTapeSnapshot() const;
    void WriteCell(int cell, QChar symbol);

    // Marks, as the validation pass and the breakpoint refresh set them.
    void SetCellMark(int cell, TCellMarks mark);
    void SetStateMark(int index, TCellMarks mark);
    void SetCommandMark(int index, TCellMarks mark);
    void RefreshBreakMarks();

    // Run position.
    RunState GetRunState() const { return runState_; }
    void AssignRunState(RunState state) { runState_ = state; }
    qint64 StepNumber() const {
        Fresh();
        return stepNumber_;
    }
    int HeadPosition() const {
        Fresh();
        return headPosition_;
    }
    int HeadCell() const {
        Fresh();
        return headCell_;
    }
    int LeftBlanks() const {
        Fresh();
        return leftBlanks_;
    }
    int RightBlanks() const {
        Fresh();
        return rightBlanks_;
    }
    const QString& CurrentSymbol() const {
        Fresh();
        return currentSymbol_;
    }
    const QString& CurrentState() const {
        Fresh();
        return currentState_;
    }
    void SetCurrentSymbol(const QString& text);
    void SetCurrentSymbol(QChar symbol);
    void SetCurrentState(const QString& name);
    void SetStepNumber(qint64 n);
    void SetHeadPosition(int p);
    void ResetBlanks();
    void MarkCurrentState();
    // The command found for the coming step, when one is pending.
    bool HasPendingCommand() const { return core_.active && core_.hasPending; }
    std::optional<TCommand> PendingCommand() const;

    // The compiled run. From BeginRun to EndRun the engine steps the core, and the run position, the tape
    // cells and the head marks above follow it when someone reads them. The views are told in one go by
    // FlushRun: the window calls it when it paints (at most once a frame while Running); every pause and
    // stop of the engine calls it too. RunDirty says whether a FlushRun has anything to tell.
    TRunCore& Core() { return core_; }
    void BeginRun();
    void EndRun();
    void CoreStepped() { stale_ = true; }
    // The core went back a step: its tape may have lost the blanks the step added, which the model takes in.
    void CoreRewound();
    bool RunDirty() const { return stale_ || !notes_.Empty(); }
    void FlushRun();
    // How often the model has caught up with the core: once a frame while Running, not once a tick; for the
    // tests.
    quint64 Syncs() const { return syncs_; }

    // The four status bar panels' texts (the last is drawn, not written).
    QString StatusText(int panel) const;

    // An edit that changed the machine: the file marks itself modified.
    void NoteEdited() { emit edited(); }

    // Changes whenever the alphabet, the state list or the command rows change: all the command check reads.
    quint64 CommandCheckRevision() const { return checkRevision_; }

    // Empties the machine (no file is open).
    void Clear();
    // Puts back a content the edit history recorded: the texts and lists as given (their marks are set again by
    // the checks), with the change signals of what differs and no edited(), since the history keeps the
    // modified flag. The initial state is taken as written, never added to the states.
    void Restore(const QString& alphabet, const QString& word, const QString& initialState,
                 const QList<TStateItem>& states, const QList<TCommandRow>& commands);
    // True when there is nothing in the machine at all.
    bool IsEmpty() const;

signals:
    void alphabetChanged();
    void wordChanged();
    void initialStateChanged();
    void statesChanged();
    void stateMarksChanged();
    void selectedStateChanged(int index);
    void commandsChanged();
    void commandMarksChanged(int first, int last);
    void activeCommandChanged(int index);
    void tapeChanged();
    void cellsChanged(int first, int last);
    // The head was set on a cell (which may lie off the tape when a move runs over its border).
    void headMoved(int cell);
    void statusChanged();
    // Every user edit of the machine: the file marks itself modified.
    void edited();

private:
    // Brings the model up to date with the core, silently; what changed is noted for FlushRun.
    void Fresh() const {
        if (stale_)
            const_cast<TMachine*>(this)->Sync();
    }
    void Sync();
    // The cells the word takes on the tape: one blank for the empty word run on blanks.
    int WordCells() const { return word_.isEmpty() && emptyWordOnBlanks_ ? 1 : int(word_.size()); }
    void GrowTape(int left, int right);
    void SetCellMarkBits(int cell, TCellMarks mark);
    void InvalidateCommandIndex() {
        commandIndexValid_ = false;
        compiled_ = false;
    }
    void BuildCommandIndex() const;
    void RunCheck(void (TMachineChecks::*check)());
    TCellMarks BreakBits(TCellMarks mark, const QString& state, const QString& symbol) const;
    // The marks with the breakpoint bits for a disabled and an enabled breakpoint found or not.
    TCellMarks BreakBits(TCellMarks mark, bool disabled, bool enabled) const;
    void NoteStateName(int index) const;
    // Takes the state at index out of FindState's lookup before it leaves the list.
    void ForgetStateName(int index);

    TPrompts& prompts_;
    const TConfig& settings_;
    TMachineChecks* checks_ = nullptr;
    TBreakPoints* breakPoints_ = nullptr;

    QString alphabet_;
    QString word_;
    QString acceptedWord_;
    QList<TStateItem> states_;
    // FindState's lookup: the first index of each name as spelled and of each folded name.
    mutable bool stateLookupValid_ = false;
    mutable QHash<QString, int> stateByName_;
    mutable QHash<QString, int> stateByFoldedName_;
    int selectedState_ = -1;
    QString initialStateText_;
    QString acceptedInitialState_;
    QList<TCommandRow> commands_;
    int activeCommand_ = -1;
    QList<TTapeCell> tape_;
    int headMarkedCell_ = -1;
    bool anyBreakMarks_ = false;
    bool notify_ = true;
    bool emptyWordOnBlanks_ = false;
    quint64 checkRevision_ = 0;

    RunState runState_ = NoMachine;
    qint64 stepNumber_ = 0;
    int headPosition_ = 0;
    int leftBlanks_ = 0;
    int rightBlanks_ = 0;
    int headCell_ = 0;
    QString currentSymbol_;
    QString currentState_;
    bool stateShown_ = false;
    bool stepShown_ = false;

    TRunCore core_;
    bool stale_ = false;
    quint64 syncs_ = 0;
    // The core's rules were made from the rows as they are now.
    bool compiled_ = false;
    struct TNotes {
        bool tape = false;
        int firstCell = -1;
        int lastCell = -1;
        bool head = false;
        bool status = false;
        bool selected = false;
        int firstRow = -1;
        int lastRow = -1;
        bool active = false;
        bool Empty() const {
            return !tape && firstCell < 0 && !head && !status && !selected && firstRow < 0 && !active;
        }
    };
    TNotes notes_;
    void NoteCells(int first, int last);
    void NoteRow(int row);

    // The command lookup's index: for each state (folded) the first row of each one-character symbol.
    mutable bool commandIndexValid_ = false;
    mutable QHash<QString, int> slotByFoldedState_;
    // Remembers the slot of each state name as the engine spells it, so a tick folds no text.
    mutable QHash<QString, int> slotByState_;
    mutable QList<QHash<char16_t, int>> rowBySymbol_;
};
