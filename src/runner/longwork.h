#pragma once

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <type_traits>

// Long work off the window's thread: one job at a time on a thread of its own, a cancel flag it polls, progress it
// reports, and its result handed back on the owner's thread. A job started again, stopped or abandoned by the
// owner's destruction never delivers anything late: each start has its own number, and what an older one queued
// is dropped.
//
//     work_ = new TLongWork(this);                      // a child of the window, living on its thread
//     work_->Start(
//         [machine, limit](TLongWork::TControl& control) {             // on the worker: copies only, no `this`
//             return MeasureCost(machine, limit, control.CancelFlag(),
//                                [&](int done, int total) { control.Progress(done, total); });
//         },
//         [this](TCostTable table) { Show(table); });                  // on the window's thread, once, at the end
//     ...
//     work_->Cancel();       // "Отмена": asks the job to stop; its result (what it finished) still arrives
//     work_->Stop();         // closing: cancels, waits, and drops whatever the job had queued
//
// A TLongWorkWidget (runner/longworkwidget.h) shows the progress and the Cancel button of one TLongWork.
class TLongWork : public QObject {
    Q_OBJECT

public:
    // What a job sees of its work: the flag it polls, and the ways it speaks to the owner's thread.
    class TControl {
    public:
        bool Cancelled() const { return cancel_.load(std::memory_order_relaxed); }
        // For the run core's loops, which poll a flag of their own.
        const std::atomic<bool>& CancelFlag() const { return cancel_; }
        // Progress so far; reports arriving faster than the owner's thread takes them are merged into the latest.
        void Progress(qint64 done, qint64 total);
        // Runs call on the owner's thread, in order, unless the job has been started again or stopped by then.
        void Post(std::function<void()> call);

    private:
        friend class TLongWork;
        TControl(TLongWork& work, int generation) : work_(work), generation_(generation) {}
        TLongWork& work_;
        const int generation_;
        std::atomic<bool> cancel_{false};
    };

    explicit TLongWork(QObject* parent = nullptr);
    // Stops the job: a job must never outlive what it reports to.
    ~TLongWork() override;

    // Runs work(control) on a thread of its own, then done(result) on the owner's thread (done() without an argument
    // when work returns nothing). A job already running is stopped first.
    template <class Work, class Done>
    void Start(Work work, Done done);

    // Asks the job to stop; it still ends as usual, with what it finished.
    void Cancel();
    // Cancels the job and waits for it; nothing it queued arrives afterwards, not even its end.
    void Stop();
    // From Start until its done call has run (or Stop).
    bool Running() const { return worker_.joinable(); }
    // Whether the job running (or the last one) was asked to stop.
    bool CancelRequested() const { return cancelRequested_; }

signals:
    void started();
    // On the owner's thread, at most once per turn of its event loop.
    void progress(qint64 done, qint64 total);
    // After the job's done call ran; cancelled: it was asked to stop.
    void finished(bool cancelled);
    // Stop() ended a running job: no done call and no finished() follow.
    void stopped();

private:
    using TFinish = std::function<void()>;
    void Launch(std::function<TFinish(TControl&)> job);
    void Deliver(int generation, TFinish finish);
    void DeliverProgress(int generation);

    std::thread worker_;
    std::shared_ptr<TControl> control_;
    int generation_ = 0;
    bool cancelRequested_ = false;
    // The latest progress reported and whether a delivery of it is already queued.
    std::atomic<qint64> done_{0};
    std::atomic<qint64> total_{0};
    std::atomic<bool> progressQueued_{false};
};

template <class Work, class Done>
void TLongWork::Start(Work work, Done done) {
    Launch([work = std::move(work), done = std::move(done)](TControl& control) mutable -> TFinish {
        using TResult = std::invoke_result_t<Work&, TControl&>;
        if constexpr (std::is_void_v<TResult>) {
            work(control);
            return [done = std::move(done)]() mutable { done(); };
        } else {
            auto result = std::make_shared<TResult>(work(control));
            return [done = std::move(done), result]() mutable { done(std::move(*result)); };
        }
    });
}
