#pragma once

#include "machine/command.h"
#include "machine/runcore.h"
#include "platform/prompts.h"

#include <QHash>
#include <QObject>

#include <deque>
#include <functional>
#include <vector>

class TMachine;
class TPrompts;
class TStepLog;
class TConfig;

// Runs the machine: one StepOnce() is one tick, SetRunState() the only way the run state changes. The
// window's timer only calls StepOnce() while TimerOn(); every stop pauses first, asks through the prompts,
// then resumes or returns to Ready.
class TEngine : public QObject {
    Q_OBJECT

public:
    TEngine(TMachine& machine, TPrompts& prompts, const TConfig& settings, QObject* parent = nullptr);

    // Attached while the run log window exists.
    void SetRunLog(TStepLog* log) { log_ = log; }
    TStepLog* RunLog() const { return log_; }
    // Whether the machine has unsaved changes, and the save a run starts with; both may be left unset.
    std::function<bool()> isModified;
    std::function<bool()> saveFile;

    RunState GetRunState() const;
    bool TimerOn() const { return timerOn_; }
    void SetRunState(RunState state);
    bool PrepareRun();
    void StepOnce();
    // Steps while Running until a stop or until limit steps are counted. Without a log or a breakpoint to
    // ask, the steps go in one tight loop and make no sound (the headless runner); else tick by tick.
    void RunSteps(qint64 limit);

    // The four run commands.
    void Start();
    void Reset();
    void Break();
    void NextStep();
    // Back to the configuration before the last executed step, while Paused: as far as the run log holds
    // rows, or without the log the last StepBackDepth steps.
    void StepBack();
    bool CanStepBack() const;
    static constexpr int StepBackDepth = 10000;

    // For a run whose core is stepped elsewhere (run to the end). While the timer is held a Running machine
    // keeps it off; interrupt is called before any change of the run state, so that the other stepper stops
    // first and leaves a consistent configuration.
    void HoldTimer(bool hold);
    std::function<void()> interrupt;
    // What a tick does after the core stepped: ends the run at a stop the core found, asks the loop question
    // (true when the run goes on), tests the breakpoints of the configuration looked up.
    void CoreStop(TRunCore::TOutcome outcome);
    bool AskLoop(qint64 n);
    void TestBreakPoints();
    // Remembers the step the core is about to execute, as a tick does, so that it can be stepped back;
    // logged: the log gets the row of the step after it. For a run stepped again to give the log its rows.
    void RememberStep(bool logged);

    // A task's limit on the steps of a run, 0 for none: the run stops there as the task's check stops a word.
    void SetStepLimit(qint64 steps) { stepLimit_ = steps; }
    qint64 StepLimit() const { return stepLimit_; }
    // Ends a run that reached the step limit with its message; false when there is none or it is not reached.
    bool StopAtStepLimit();

    // The caption of the Break entry and button for the current state.
    QString BreakCaption() const;

    // Why the last run ended, and where it stood then (before the position went back to the start).
    enum class TStop { None, Halt, LeftBorder, RightBorder, Failure, LoopCancelled, BreakCancelled, StepLimit };
    struct TStopInfo {
        TStop reason = TStop::None;
        qint64 step = 0;
        qint64 loopStep = 0;
        QString state;
        QString symbol;
    };
    const TStopInfo& LastStop() const { return lastStop_; }

    // Pauses a running machine for the length of a modal operation and restores the run state after it.
    class TPause {
    public:
        explicit TPause(TEngine& engine);
        ~TPause();
        TPause(const TPause&) = delete;
        TPause& operator=(const TPause&) = delete;

    private:
        TEngine& engine_;
        RunState remembered_;
    };

signals:
    void runStateChanged(RunState old, RunState now);
    void timerChanged(bool on);
    // A run was paused from Running: the window comes to the front.
    void bringToFront();
    // The silent check refused the machine: the data check report opens.
    void dataCheckRequested();

private:
    void LookUp();
    // Ends the run at a stop the core found: a border, a move off the tape, or no command.
    void Stop(TRunCore::TOutcome outcome);
    // A border met with DiesCount 0 where only the reach ran out: the rule is looked up again and true.
    bool Unbounded(TRunCore::TOutcome outcome, int reach);
    bool MayHit();
    // Pauses, shows one message, then returns to Ready.
    void StopWith(TStop reason, const QString& caption, const QString& text, TIcon icon);
    void NoteStop(TStop reason, qint64 loopStep = 0);
    void SetTimer(bool on);
    bool Validate();

    TMachine& machine_;
    TPrompts& prompts_;
    const TConfig& settings_;
    TStepLog* log_ = nullptr;
    bool timerOn_ = false;
    bool timerHeld_ = false;
    qint64 stepLimit_ = 0;
    TStopInfo lastStop_;
    // Per (state, byte) of the core: 0 not asked yet, 1 no breakpoint can match, 2 one may.
    std::vector<quint8> mayHit_;
    // Counts the runs loaded into the core; the step the last command counted, the cell it wrote and what
    // that cell held before (the log follows the tape by them).
    quint64 run_ = 0;
    // The log's text of each command row, made once a run and edit (run_ and the check revision they were
    // made at): a tick builds no text for its row.
    QHash<int, QString> commandTexts_;
    quint64 commandTextsRun_ = 0;
    quint64 commandTextsRevision_ = 0;
    // The text of the pending command, whose row is row.
    const QString& PendingCommandText(int row);
    // What each step changed, newest last, for StepBack.
    struct TUndo {
        qint64 step = 0;
        int position = 0;
        std::uint8_t before = 0;
        bool emptySymbol = false;
        bool logged = false;
        int state = 0;
        int headPosition = 0;
        int leftBlanks = 0;
        int rightBlanks = 0;
        std::size_t cells = 0;
        TRunCore::TRule pending;
    };
    // A ring that stops allocating once it has grown to its depth: a tick only writes an entry.
    class TUndoRing {
    public:
        bool empty() const { return size_ == 0; }
        void clear() { size_ = 0; }
        TUndo& front() { return items_[first_]; }
        TUndo& back() { return items_[Wrap(first_ + size_ - 1)]; }
        void pop_back() { --size_; }
        // Keeps at most depth entries, dropping the oldest.
        void push_back(const TUndo& undo, std::size_t depth);

    private:
        // An index of at most twice the ring's size, without a division at every tick.
        std::size_t Wrap(std::size_t i) const { return i >= items_.size() ? i - items_.size() : i; }
        std::vector<TUndo> items_;
        std::size_t first_ = 0;
        std::size_t size_ = 0;
    };
    TUndoRing undo_;
    // The breakpoints' pass counters before the lookup of each step that asked them, by that step.
    std::deque<std::pair<qint64, std::vector<int>>> passCounts_;
    qint64 wroteAt_ = -1;
    int wrotePosition_ = 0;
    std::uint8_t wroteBefore_ = 0;
};
