#include "runner/longwork.h"

void TLongWork::TControl::Progress(qint64 done, qint64 total) {
    work_.done_.store(done, std::memory_order_relaxed);
    work_.total_.store(total, std::memory_order_relaxed);
    // One delivery queued at a time: a job that reports every word cannot flood the owner's event queue.
    if (work_.progressQueued_.exchange(true))
        return;
    TLongWork* work = &work_;
    const int generation = generation_;
    QMetaObject::invokeMethod(
        work, [work, generation] { work->DeliverProgress(generation); }, Qt::QueuedConnection);
}

void TLongWork::TControl::Post(std::function<void()> call) {
    TLongWork* work = &work_;
    const int generation = generation_;
    QMetaObject::invokeMethod(
        work,
        [work, generation, call = std::move(call)] {
            if (generation == work->generation_)
                call();
        },
        Qt::QueuedConnection);
}

TLongWork::TLongWork(QObject* parent) : QObject(parent) {}

TLongWork::~TLongWork() {
    if (!Running())
        return;
    control_->cancel_ = true;
    worker_.join();
}

void TLongWork::Launch(std::function<TFinish(TControl&)> job) {
    Stop();
    cancelRequested_ = false;
    const int generation = ++generation_;
    control_ = std::shared_ptr<TControl>(new TControl(*this, generation));
    done_ = 0;
    total_ = 0;
    progressQueued_ = false;
    worker_ = std::thread([this, generation, control = control_, job = std::move(job)] {
        TFinish finish = job(*control);
        QMetaObject::invokeMethod(
            this, [this, generation, finish = std::move(finish)] { Deliver(generation, finish); },
            Qt::QueuedConnection);
    });
    emit started();
}

void TLongWork::Cancel() {
    if (!Running())
        return;
    control_->cancel_ = true;
    cancelRequested_ = true;
}

void TLongWork::Stop() {
    if (!Running())
        return;
    Cancel();
    worker_.join();
    // What it queued is for work that no longer exists.
    ++generation_;
    emit stopped();
}

void TLongWork::Deliver(int generation, TFinish finish) {
    if (generation != generation_ || !Running())
        return;
    worker_.join();
    // The last report may still be queued: the owner sees where the job ended before its result.
    if (total_ > 0 || done_ > 0)
        emit progress(done_, total_);
    const bool cancelled = cancelRequested_;
    finish();
    emit finished(cancelled);
}

void TLongWork::DeliverProgress(int generation) {
    progressQueued_ = false;
    if (generation == generation_ && Running())
        emit progress(done_, total_);
}
