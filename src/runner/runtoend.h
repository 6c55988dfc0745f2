#pragma once

#include "machine/loopcheck.h"
#include "machine/ports.h"
#include "machine/runcore.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <thread>
#include <vector>

class TConfig;
class TEngine;
class TMachine;

// Runs the rest of a run at full speed: the compiled run goes on a worker thread in slices, and the window's
// thread is asked only where a timed run would stop or ask (a halt, a border, the loop question, a
// breakpoint). The run log gets the rows a timed run would have left in it: the worker keeps a few copies of
// the run position, and the rows the log can hold are stepped again from the nearest one.
class TRunToEnd : public QObject {
    Q_OBJECT

public:
    TRunToEnd(TMachine& machine, TEngine& engine, const TConfig& settings, QObject* parent = nullptr);
    ~TRunToEnd() override;
    TRunToEnd(const TRunToEnd&) = delete;
    TRunToEnd& operator=(const TRunToEnd&) = delete;

    // From Ready (a new run, as Start) or Paused. False when the run is not (or no longer) going.
    bool Start();
    bool Active() const { return active_; }
    // The steps counted so far; safe to read from any thread.
    qint64 Steps() const { return steps_.load(std::memory_order_relaxed); }
    // Asks the worker to stop, and waits up to ms for it; true when it has stopped. The window's thread
    // then finds the run paused where the worker left it, once the events are handled or Finish is called.
    bool RequestStop(int ms);
    // Goes on at full speed with a run that is Running under the timer.
    void Resume();
    // Handles the worker's end on this thread (the queued call does it otherwise).
    void Finish();
    // Runs until the run ends, handling every stop here; for callers without an event loop.
    void Wait();
    // The steps of the runs to the end taken one at a time rather than at full speed (the ticks that take a
    // paused run over, the loop check comparing with rows logged before); for the tests.
    qint64 StepsOneByOne() const { return oneByOne_; }
    // The slices the worker has run, each ended by a look at the stop request and, with breakpoints, at the
    // steps where one may fire; for the tests.
    qint64 Slices() const { return slices_; }

signals:
    // The worker has taken the run over: at Start, or as the run goes on after a pause that interrupted it.
    void started();
    // The run to the end is over (the run state says how).
    void finished();

private:
    // Between the engine and the window's log: the log's rows and the loop check follow the same steps.
    class TTee final : public TStepLog {
    public:
        TStepLog* log = nullptr;
        TLoopCheck* loop = nullptr;
        qint64 FindRepeatedConfiguration(const QString& state, const QString& symbol, int headPosition,
                                         const TFullWord& snapshot) override {
            return log->FindRepeatedConfiguration(state, symbol, headPosition, snapshot);
        }
        void LogStep(qint64 step, const QString& state, const QString& symbol, int headPosition,
                     std::unique_ptr<TFullWord> snapshot, const QString& commandText) override;
        void ClearLog() override;
    };

    TRunPosition Save() const;
    void Restore(const TRunPosition& p);
    void StateChanged(RunState old, RunState now);
    // Takes the run over from the timer and the window's log.
    void Begin();
    // Ticks until the loop check holds every row the log may be asked about.
    void CatchUp();
    // Starts the worker unless the run stopped on the way; false then.
    bool Go();
    void Launch();
    void Work();
    // The run without a log, a loop check or breakpoints: the accelerated run, then the core put where it ended.
    void WorkFast();
    // Keeps a copy of the run position when the last is cadence steps back.
    void Checkpoint();
    // Handles what stopped the worker; true when the worker goes on.
    bool Handle();
    // The last step whose row the log holds once the worker has stopped.
    qint64 LastLogged() const;
    void Interrupt();
    void End();
    // Gives the log the rows of the steps up to through that it has not had, and the engine the steps
    // back over them, as the ticks of a timed run would have.
    void SyncLog(qint64 through);
    // Gives the log the row of the step the core stands at.
    void LogHere(const QList<TCommandRow>& rows);
    bool LogAttached() const;
    bool MayHit(int state, std::uint8_t symbol) const;

    TMachine& machine_;
    TEngine& engine_;
    const TConfig& settings_;
    std::unique_ptr<TLoopCheck> loop_;
    TTee tee_;
    TStepLog* log_ = nullptr;
    bool active_ = false;
    bool history_ = false;
    bool breaks_ = false;
    bool fast_ = false;
    // Per (state, byte): whether a breakpoint may fire there.
    std::vector<bool> mayHit_;
    qint64 loggedThrough_ = 0;
    std::deque<TRunPosition> checkpoints_;
    qint64 cadence_ = 1;
    qint64 oneByOne_ = 0;
    qint64 slices_ = 0;

    std::thread worker_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::atomic<qint64> steps_{0};
    int generation_ = 0;
    // What the worker found: the core's outcome and the step a repeat names.
    TRunCore::TOutcome outcome_ = TRunCore::TOutcome::Ok;
    qint64 repeat_ = 0;
    bool hit_ = false;
    bool failed_ = false;
    // Interrupted into Paused: the run goes on at full speed when it is continued.
    bool resume_ = false;
};
