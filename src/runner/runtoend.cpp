#include "runner/runtoend.h"

#include "accel/accelrun.h"

#include "machine/engine.h"
#include "machine/machine.h"
#include "settings/config.h"

#include <QMetaObject>

#include <algorithm>
#include <limits>
#include <chrono>

namespace {

// Steps the worker goes between looks at a stop request, at the least: a few milliseconds at the slowest.
constexpr qint64 Slice = qint64(1) << 14;
// The slices grow to take about this long, so that a fast run looks at the stop request seldom.
constexpr auto SliceTime = std::chrono::milliseconds(4);
constexpr qint64 MaxSlice = qint64(1) << 30;
// Steps between copies of the run position, at the least; the log's rows are stepped again from one.
constexpr qint64 MinCadence = qint64(1) << 16;

} // namespace

void TRunToEnd::TTee::LogStep(qint64 step, const QString& state, const QString& symbol, int headPosition,
                              std::unique_ptr<TFullWord> snapshot, const QString& commandText) {
    log->LogStep(step, state, symbol, headPosition, std::move(snapshot), commandText);
    loop->Log();
}

void TRunToEnd::TTee::ClearLog() {
    log->ClearLog();
    loop->ClearLog();
}

TRunToEnd::TRunToEnd(TMachine& machine, TEngine& engine, const TConfig& settings, QObject* parent)
    : QObject(parent), machine_(machine), engine_(engine), settings_(settings) {
    connect(&engine_, &TEngine::runStateChanged, this, &TRunToEnd::StateChanged);
}

TRunToEnd::~TRunToEnd() {
    if (worker_.joinable()) {
        stop_ = true;
        worker_.join();
    }
    if (active_) {
        engine_.interrupt = nullptr;
        if (engine_.RunLog() == &tee_)
            engine_.SetRunLog(log_);
        engine_.HoldTimer(false);
    }
}

TRunPosition TRunToEnd::Save() const {
    return machine_.Core();
}

void TRunToEnd::Restore(const TRunPosition& p) {
    static_cast<TRunPosition&>(machine_.Core()) = p;
}

bool TRunToEnd::LogAttached() const {
    return log_ && settings_.ViewLog && engine_.RunLog() == (history_ ? static_cast<const TStepLog*>(&tee_) : log_);
}

bool TRunToEnd::MayHit(int state, std::uint8_t symbol) const {
    const std::size_t i = (std::size_t(state) << 8) | symbol;
    return i >= mayHit_.size() || mayHit_[i];
}

bool TRunToEnd::Start() {
    if (active_)
        return true;
    const RunState state = engine_.GetRunState();
    if (state != Ready && state != Paused)
        return false;
    Begin();
    if (state == Ready) {
        // As Start: the check, the preparation (which clears the log) and the first lookup.
        engine_.Start();
    } else {
        engine_.SetRunState(Running);
        CatchUp();
    }
    return Go();
}

void TRunToEnd::Resume() {
    if (active_ || engine_.GetRunState() != Running)
        return;
    Begin();
    CatchUp();
    Go();
}

void TRunToEnd::StateChanged(RunState old, RunState now) {
    if (active_)
        return;
    if (resume_ && old == Paused && now == Running) {
        // Once the change is through: the engine is still in the middle of it.
        QMetaObject::invokeMethod(this, &TRunToEnd::Resume, Qt::QueuedConnection);
        resume_ = false;
    } else if (now != Paused) {
        resume_ = false;
    }
}

void TRunToEnd::Begin() {
    active_ = true;
    log_ = engine_.RunLog();
    history_ = log_ && settings_.ViewLog && settings_.History && !settings_.OnlyStep;
    engine_.HoldTimer(true);
    if (history_) {
        loop_ = std::make_unique<TLoopCheck>(machine_.Core(), settings_);
        tee_.log = log_;
        tee_.loop = loop_.get();
        engine_.SetRunLog(&tee_);
    }
}

void TRunToEnd::CatchUp() {
    if (!history_ || engine_.GetRunState() != Running)
        return;
    loop_->ClearLog();
    loop_->Log();
    loop_->Anchor(settings_.DiesCount);
    // The loop check knows nothing of the rows logged before now: until the log holds none of them the run
    // goes tick by tick, its search asking the log itself.
    const qint64 from = machine_.Core().step;
    engine_.RunSteps(from + std::max(1, settings_.MaxCount));
    oneByOne_ += machine_.Core().step - from;
}

bool TRunToEnd::Go() {
    // With OnlyStep a run pauses after each command: the ticks above have done what a timed run would.
    if (engine_.GetRunState() != Running || settings_.OnlyStep) {
        if (engine_.GetRunState() == Running)
            engine_.StepOnce();
        End();
        return false;
    }
    const TBreakPoints* breaks = machine_.BreakPoints();
    breaks_ = settings_.UseBreak && breaks && !breaks->IsEmpty();
    mayHit_.clear();
    if (breaks_) {
        const TRunCore& core = machine_.Core();
        mayHit_.assign(std::size_t(core.StateCount()) << 8, false);
        for (int s = 0; s < core.StateCount(); ++s)
            for (int b = 0; b < 256; ++b)
                mayHit_[(std::size_t(s) << 8) | std::size_t(b)] =
                    breaks->MayHit(core.StateName(s), QString(TRunCore::CharOf(std::uint8_t(b))));
    }
    // Nothing to log, check or stop at: the accelerated run may skip steps.
    fast_ = !history_ && !breaks_ && !LogAttached();
    machine_.FlushRun();
    loggedThrough_ = machine_.Core().step;
    checkpoints_.clear();
    checkpoints_.push_back(Save());
    // Stopping at every step a breakpoint may fire at, the run steps its log's rows again often: the copies
    // come closer together. The log holds twice its rows, the hidden half for steps back.
    cadence_ = std::max<qint64>(
        {breaks_ ? 1 : MinCadence, 2 * qint64(std::max(1, settings_.MaxCount)), TEngine::StepBackDepth + 1});
    // Told before the worker counts a step, so that the progress counts from here.
    steps_ = machine_.Core().step;
    emit started();
    Launch();
    return true;
}

void TRunToEnd::Launch() {
    // Nothing of the model is stale now, so the window reads no part of the core while the worker runs.
    machine_.FlushRun();
    stop_ = false;
    done_ = false;
    failed_ = false;
    hit_ = false;
    repeat_ = 0;
    outcome_ = TRunCore::TOutcome::Ok;
    steps_ = machine_.Core().step;
    const int generation = ++generation_;
    engine_.interrupt = [this] { Interrupt(); };
    worker_ = std::thread([this, generation] {
        Work();
        done_ = true;
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (generation == generation_)
                    Finish();
            },
            Qt::QueuedConnection);
    });
}

void TRunToEnd::WorkFast() {
    TRunCore& core = machine_.Core();
    const TRunPosition start = Save();
    const qint64 from = core.step;
    const mpz_class limit = mpz_class(long(std::numeric_limits<qint64>::max() - from));
    try {
        TAccelRun accel(core, settings_.DiesCount);
        accel.cancel = [this, from](const mpz_class& steps) {
            steps_.store(from + qint64(steps.get_si()), std::memory_order_relaxed);
            return stop_.load(std::memory_order_relaxed);
        };
        const TFastResult end = accel.Run(limit);
        const qint64 steps = end.steps.fits_slong_p() ? qint64(end.steps.get_si()) : 0;
        // A step back after the stop steps again from a copy of the run some way before it, not from the start.
        constexpr qint64 Back = 2 * TEngine::StepBackDepth + 2;
        if (steps > Back) {
            Restore(start);
            TAccelRun again(core, settings_.DiesCount);
            const TFastResult before = again.Run(mpz_class(long(steps - Back)));
            if (before.PutInto(core, from)) {
                checkpoints_.clear();
                checkpoints_.push_back(Save());
            }
        }
        if (!end.PutInto(core, from)) {
            failed_ = true;
            return;
        }
        steps_.store(core.step, std::memory_order_relaxed);
        switch (end.end) {
        case TFastResult::TEnd::Halt:
            outcome_ = TRunCore::TOutcome::Halt;
            break;
        case TFastResult::TEnd::LeftBorder:
            outcome_ = TRunCore::TOutcome::LeftBorder;
            break;
        case TFastResult::TEnd::RightBorder:
            outcome_ = TRunCore::TOutcome::RightBorder;
            break;
        case TFastResult::TEnd::StepLimit:
            outcome_ = TRunCore::TOutcome::Ok;
            break;
        }
    } catch (...) {
        failed_ = true;
    }
}

void TRunToEnd::Work() {
    if (fast_) {
        WorkFast();
        return;
    }
    TRunCore& core = machine_.Core();
    const int dies = settings_.DiesCount;
    // The loop check looks ahead up to a log's length, step by step, at the end of each slice: slices many
    // times as long keep that a small part of the run.
    const qint64 least = history_ ? std::max(Slice, 64 * qint64(std::max(1, settings_.MaxCount))) : Slice;
    qint64 slice = least;
    // Where a breakpoint may fire the window's thread must be asked at that very step: the core stops there.
    std::vector<std::uint8_t> stops;
    if (breaks_)
        stops.assign(mayHit_.cbegin(), mayHit_.cend());
    core.SetStops(std::move(stops));
    auto sliceStart = std::chrono::steady_clock::now();
    try {
        while (!stop_.load(std::memory_order_relaxed)) {
            // A task's step limit ends the run as the task's check ends a word.
            const qint64 cap = engine_.StepLimit();
            const qint64 limit = cap > 0 ? std::min(core.step + slice, cap) : core.step + slice;
            qint64 repeat = 0;
            ++slices_;
            outcome_ = history_ ? loop_->Run(limit, dies, true, repeat) : core.RunUntil(limit, dies);
            steps_.store(core.step, std::memory_order_relaxed);
            const auto now = std::chrono::steady_clock::now();
            if (now - sliceStart < SliceTime / 2 && slice < MaxSlice)
                slice *= 2;
            else if (now - sliceStart > SliceTime * 2 && slice > least)
                slice /= 2;
            sliceStart = now;
            repeat_ = repeat;
            if (outcome_ != TRunCore::TOutcome::Ok || repeat != 0 || !core.hasPending || (cap > 0 && core.step >= cap))
                break;
            Checkpoint();
            if (breaks_ && MayHit(core.state, core.HeadByte())) {
                hit_ = true;
                break;
            }
        }
    } catch (...) {
        failed_ = true;
    }
    // The steps taken again for the log's rows go past every stop.
    core.SetStops({});
}

void TRunToEnd::Checkpoint() {
    if (machine_.Core().step - checkpoints_.back().step < cadence_)
        return;
    checkpoints_.push_back(Save());
    // The older of two is at least cadence steps back, as far back as the log's rows go.
    if (checkpoints_.size() > 2)
        checkpoints_.pop_front();
}

void TRunToEnd::Finish() {
    if (!worker_.joinable())
        return;
    worker_.join();
    if (Handle())
        Launch();
    else
        End();
}

void TRunToEnd::Interrupt() {
    if (!worker_.joinable())
        return;
    stop_ = true;
    worker_.join();
    machine_.CoreStepped();
    engine_.interrupt = nullptr;
    // What the worker found just before is found again when the run goes on.
    SyncLog(LastLogged());
    End();
    // Paused for a while (a modal operation, the close query) or by the user: going on, it goes at full speed.
    resume_ = true;
}

bool TRunToEnd::RequestStop(int ms) {
    stop_ = true;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done_ && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done_ || !worker_.joinable();
}

void TRunToEnd::Wait() {
    while (worker_.joinable())
        Finish();
}

qint64 TRunToEnd::LastLogged() const {
    const TRunCore& core = machine_.Core();
    // A border found before the write leaves the step looked up (and logged); a halt or a move off the tape
    // comes after a step counted and not looked up; a repeat's question comes before its step is logged.
    if (outcome_ == TRunCore::TOutcome::LeftBorder || outcome_ == TRunCore::TOutcome::RightBorder)
        return core.step;
    return outcome_ != TRunCore::TOutcome::Ok || repeat_ != 0 ? core.step - 1 : core.step;
}

bool TRunToEnd::Handle() {
    TRunCore& core = machine_.Core();
    machine_.CoreStepped();
    engine_.interrupt = nullptr;
    SyncLog(LastLogged());
    if (failed_) {
        engine_.SetRunState(Paused);
        return false;
    }
    if (outcome_ != TRunCore::TOutcome::Ok) {
        engine_.CoreStop(outcome_);
        return false;
    }
    if (repeat_ == 0 && !hit_ && engine_.StopAtStepLimit())
        return false;
    if (repeat_ != 0) {
        if (!engine_.AskLoop(repeat_))
            return false;
        loop_->Log();
        SyncLog(core.step);
    } else if (!hit_) {
        // Stopped at a request that came by no change of the run state: the run pauses where it is.
        engine_.SetRunState(Paused);
        return false;
    }
    engine_.TestBreakPoints();
    if (stop_ && engine_.GetRunState() == Running)
        engine_.SetRunState(Paused);
    return engine_.GetRunState() == Running;
}

void TRunToEnd::End() {
    engine_.interrupt = nullptr;
    if (history_ && engine_.RunLog() == &tee_)
        engine_.SetRunLog(log_);
    if (loop_)
        oneByOne_ += loop_->StepsOneByOne();
    loop_.reset();
    checkpoints_.clear();
    mayHit_.clear();
    active_ = false;
    engine_.HoldTimer(false);
    emit finished();
}

void TRunToEnd::LogHere(const QList<TCommandRow>& rows) {
    const TRunCore& c = machine_.Core();
    const auto part = [&](std::size_t from, std::size_t size) {
        from = std::min(from, c.tape.size());
        size = std::min(size, c.tape.size() - from);
        QString text(qsizetype(size), Qt::Uninitialized);
        for (std::size_t i = 0; i < size; ++i)
            text[qsizetype(i)] = TRunCore::CharOf(c.tape[from + i]);
        return text;
    };
    auto w = std::make_unique<TFullWord>();
    w->left = part(0, std::size_t(c.leftBlanks));
    w->word = part(std::size_t(c.leftBlanks), std::size_t(c.wordLength));
    w->right = part(std::size_t(c.leftBlanks + c.wordLength), c.tape.size());
    // The row the last lookup found: after a stop at a border nothing is pending any more.
    const QString command = c.found >= 0 && c.found < rows.size()
                                ? TMachine::CommandText(TMachine::CommandFromRow(rows[c.found]))
                                : QString();
    log_->LogStep(c.step, c.StateName(c.state), QString(TRunCore::CharOf(c.HeadByte())), c.headPosition, std::move(w),
                  command);
}

void TRunToEnd::SyncLog(qint64 through) {
    if (through <= loggedThrough_)
        return;
    TRunCore& core = machine_.Core();
    const bool logged = LogAttached();
    // As many rows as the log keeps, the hidden ones too; the steps before them as far as a step back goes.
    const qint64 depth = logged ? 2 * qint64(std::max(1, settings_.MaxCount)) - 1 : TEngine::StepBackDepth;
    const qint64 rowsFrom = logged ? std::max(loggedThrough_ + 1, through - depth + 1) : through + 1;
    const qint64 undoFrom = std::max(loggedThrough_, through - depth);
    const qint64 first = std::min(undoFrom, rowsFrom);
    loggedThrough_ = through;
    const TRunPosition* base = nullptr;
    for (auto it = checkpoints_.rbegin(); it != checkpoints_.rend() && !base; ++it)
        if (it->step <= first)
            base = &*it;
    if (!base)
        return;
    // Asked for now: the model must not catch up with the core while it stands at an earlier step.
    const QList<TCommandRow>& rows = machine_.Commands();
    // The steps are taken again from the copy, on the same core; then the core is put back as it was.
    TRunPosition end = Save();
    TRunCore::TWriteTrace* const trace = core.trace;
    core.trace = nullptr;
    Restore(*base);
    const int dies = settings_.DiesCount;
    // Up to the first row or step back at full speed: the copy may lie far behind.
    bool going = core.step >= first || core.RunUntil(first, dies) == TRunCore::TOutcome::Ok;
    while (going) {
        if (core.step >= rowsFrom)
            LogHere(rows);
        if (core.step >= undoFrom && core.step < through)
            engine_.RememberStep(logged);
        going = core.step < through && core.Execute(dies) == TRunCore::TOutcome::Ok &&
                core.Lookup() == TRunCore::TOutcome::Ok;
    }
    Restore(end);
    core.trace = trace;
    // The next steps are taken again from here, however near the next stop: the copies before are not needed.
    if (end.step == through) {
        checkpoints_.clear();
        checkpoints_.push_back(std::move(end));
    }
}
