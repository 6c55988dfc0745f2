#include "machine/engine.h"

#include "machine/loopcheck.h"
#include "machine/machine.h"
#include "settings/config.h"

namespace {

const QString StopCaption = QStringLiteral("Остановка машины Тьюринга");
const QString MoveCaption = QStringLiteral("Перемещение по слову");
const QString LeftBorderText = QStringLiteral("Достигнута левая граница слова\nПродолжение работы машины невозможно");
const QString RightBorderText = QStringLiteral("Достигнута правая граница слова\nПродолжение работы машины невозможно");

} // namespace

TEngine::TEngine(TMachine& machine, TPrompts& prompts, const TConfig& settings, QObject* parent)
    : QObject(parent), machine_(machine), prompts_(prompts), settings_(settings) {}

RunState TEngine::GetRunState() const {
    return machine_.GetRunState();
}

QString TEngine::BreakCaption() const {
    switch (GetRunState()) {
    case Running:
        return QStringLiteral("прерва&ть");
    case Paused:
        return QStringLiteral("продолжи&ть");
    case NoMachine:
    case Ready:
        break;
    }
    return QStringLiteral("нача&ть");
}

void TEngine::SetTimer(bool on) {
    on = on && !timerHeld_;
    if (timerOn_ == on)
        return;
    timerOn_ = on;
    emit timerChanged(on);
}

bool TEngine::Validate() {
    return !machine_.Checks() || machine_.Checks()->ValidateMachine();
}

void TEngine::HoldTimer(bool hold) {
    timerHeld_ = hold;
    SetTimer(!hold && GetRunState() == Running);
}

void TEngine::CoreStop(TRunCore::TOutcome outcome) {
    machine_.CoreStepped();
    Stop(outcome);
}

void TEngine::SetRunState(RunState now) {
    if (interrupt)
        interrupt();
    const RunState old = machine_.GetRunState();
    machine_.AssignRunState(now);
    // The breakpoints may change whenever the run is not Running.
    mayHit_.clear();
    const bool wasRun = old == Running || old == Paused;
    if (wasRun && (now == NoMachine || now == Ready)) {
        machine_.EndRun();
        try {
            machine_.SetHeadPosition(0);
            machine_.SetCurrentSymbol(machine_.Word());
            machine_.SetCurrentState(machine_.GetInitialState());
            machine_.SetStepNumber(0);
        } catch (...) {
            // Leaving a run must not fail; the position is reset again by the next run.
        }
    }
    switch (now) {
    case NoMachine:
    case Ready:
        machine_.EndRun();
        undo_.clear();
        passCounts_.clear();
        SetTimer(false);
        if (TBreakPoints* b = machine_.BreakPoints())
            b->ResetPassCounts();
        emit runStateChanged(old, now);
        return;
    case Running:
        emit runStateChanged(old, now);
        if (old == NoMachine || old == Ready) {
            if (!Validate()) {
                SetRunState(Ready);
                emit dataCheckRequested();
                return;
            }
            if (!PrepareRun()) {
                SetRunState(Ready);
                return;
            }
        }
        if (machine_.GetRunState() == Running)
            SetTimer(true);
        return;
    case Paused:
        SetTimer(false);
        machine_.FlushRun();
        emit runStateChanged(old, now);
        if (old == Running)
            emit bringToFront();
        return;
    }
}

bool TEngine::PrepareRun() {
    try {
        if (settings_.SaveFileRun && isModified && isModified() && saveFile && !saveFile())
            return false;
        machine_.EndRun();
        lastStop_ = TStopInfo();
        machine_.SetCurrentState(machine_.GetInitialState());
        machine_.MarkCurrentState();
        machine_.BuildTape(machine_.Word());
        machine_.SetCurrentSymbol(machine_.Word());
        machine_.ResetBlanks();
        machine_.SetHeadPosition(0);
        machine_.SetStepNumber(0);
        machine_.BeginRun();
        ++run_;
        undo_.clear();
        passCounts_.clear();
        if (log_ && settings_.ViewLog)
            log_->ClearLog();
        StepOnce();
        return true;
    } catch (...) {
        return false;
    }
}

void TEngine::NoteStop(TStop reason, qint64 loopStep) {
    lastStop_ = TStopInfo{reason, machine_.StepNumber(), loopStep, machine_.CurrentState(), machine_.CurrentSymbol()};
}

void TEngine::StopWith(TStop reason, const QString& caption, const QString& text, TIcon icon) {
    NoteStop(reason);
    SetRunState(Paused);
    prompts_.Message(caption, text, icon, ButtonsOk, TAnswer::Ok);
    SetRunState(Ready);
}

void TEngine::Stop(TRunCore::TOutcome outcome) {
    switch (outcome) {
    case TRunCore::TOutcome::LeftBorder:
        StopWith(TStop::LeftBorder, StopCaption, LeftBorderText, TIcon::Stop);
        return;
    case TRunCore::TOutcome::RightBorder:
        StopWith(TStop::RightBorder, StopCaption, RightBorderText, TIcon::Stop);
        return;
    case TRunCore::TOutcome::LeftOff:
        StopWith(TStop::LeftBorder, MoveCaption, LeftBorderText, TIcon::Stop);
        return;
    case TRunCore::TOutcome::RightOff:
        StopWith(TStop::RightBorder, MoveCaption, RightBorderText, TIcon::Stop);
        return;
    case TRunCore::TOutcome::Halt:
        StopWith(TStop::Halt, StopCaption,
                 QStringLiteral("Машина Тьюринга закончила свою работу,\nт. к. не найдена команда для "
                                "исполнения\nСостояние машины '") +
                     machine_.CurrentState() + QStringLiteral("'\nсимвол '") + machine_.CurrentSymbol() +
                     QLatin1Char('\''),
                 TIcon::Exclamation);
        return;
    case TRunCore::TOutcome::Ok:
        return;
    }
}

void TEngine::StepOnce() {
    const RunState state = machine_.GetRunState();
    if (state == NoMachine || state == Ready) {
        SetTimer(false);
        return;
    }
    TRunCore& core = machine_.Core();
    if (!core.active) {
        machine_.BeginRun();
        ++run_;
        undo_.clear();
        passCounts_.clear();
    }
    if (state != Running)
        mayHit_.clear();
    if (core.hasPending) {
        try {
            // The log follows the tape by the one cell each step writes.
            const int position = core.headPosition;
            const std::uint8_t before = core.HeadByte();
            RememberStep(false);
            const TRunCore::TOutcome outcome =
                core.Execute(settings_.DiesCount > 0 ? settings_.DiesCount : RunCoreNoLimit);
            wroteAt_ = outcome == TRunCore::TOutcome::Ok ? core.step : -1;
            wrotePosition_ = position;
            wroteBefore_ = before;
            machine_.CoreStepped();
            if (outcome != TRunCore::TOutcome::Ok) {
                Stop(outcome);
                return;
            }
            if (settings_.OnlyStep)
                SetRunState(Paused);
            prompts_.Asterisk();
        } catch (...) {
            StopWith(TStop::Failure, StopCaption, QStringLiteral("Неизвестная ошибка при выполнении команды"),
                     TIcon::Stop);
            return;
        }
    }
    LookUp();
    if (StopAtStepLimit())
        return;
    // While Running the views catch up when the window paints; a paused run shows every step.
    if (machine_.GetRunState() == Paused)
        machine_.FlushRun();
}

void TEngine::RememberStep(bool logged) {
    const TRunCore& core = machine_.Core();
    TUndo undo;
    undo.step = core.step;
    undo.position = core.headPosition;
    undo.before = core.HeadByte();
    undo.logged = logged;
    undo.state = core.state;
    undo.headPosition = core.headPosition;
    undo.leftBlanks = core.leftBlanks;
    undo.rightBlanks = core.rightBlanks;
    undo.cells = core.tape.size();
    undo.pending = core.pending;
    undo.emptySymbol = core.emptySymbol;
    const std::size_t depth =
        log_ && settings_.ViewLog ? std::size_t(std::max(1, settings_.MaxCount) - 1) : StepBackDepth;
    undo_.push_back(undo, depth);
    while (!passCounts_.empty() && (undo_.empty() || passCounts_.front().first < undo_.front().step))
        passCounts_.pop_front();
}

bool TEngine::MayHit() {
    TRunCore& core = machine_.Core();
    const std::size_t size = std::size_t(core.StateCount()) * 256;
    if (mayHit_.size() != size)
        mayHit_.assign(size, 0);
    const std::uint8_t byte = core.HeadByte();
    quint8& known = mayHit_[(std::size_t(core.state) << 8) | byte];
    if (known == 0) {
        static const auto symbols = [] {
            std::vector<QString> texts;
            for (int b = 0; b < 256; ++b)
                texts.emplace_back(TRunCore::CharOf(std::uint8_t(b)));
            return texts;
        }();
        known = machine_.BreakPoints()->MayHit(core.StateName(core.state), symbols[byte]) ? 2 : 1;
    }
    return known == 2;
}

const QString& TEngine::PendingCommandText(int row) {
    if (commandTextsRun_ != run_ || commandTextsRevision_ != machine_.CommandCheckRevision()) {
        commandTexts_.clear();
        commandTextsRun_ = run_;
        commandTextsRevision_ = machine_.CommandCheckRevision();
    }
    auto known = commandTexts_.find(row);
    if (known == commandTexts_.end())
        known = commandTexts_.insert(row, TMachine::CommandText(*machine_.PendingCommand()));
    return *known;
}

void TEngine::LookUp() {
    TRunCore& core = machine_.Core();
    try {
        const TRunCore::TOutcome found = core.Lookup();
        machine_.CoreStepped();
        if (found != TRunCore::TOutcome::Ok) {
            Stop(found);
            return;
        }
        if (log_ && settings_.ViewLog) {
            if (TLoopCheck* loop = log_->LoopCheck()) {
                // It reads the configuration from the core itself.
                if (settings_.History) {
                    const qint64 n = loop->Find();
                    if (n != 0 && !AskLoop(n))
                        return;
                }
                loop->Log();
            } else {
                // The log reads the tape, the state and the symbol from the core: nothing is copied, however
                // long the tape, and the model is not brought up to date at every tick, only once a frame.
                static const auto symbols = [] {
                    std::vector<QString> texts;
                    for (int b = 0; b < 256; ++b)
                        texts.emplace_back(TRunCore::CharOf(std::uint8_t(b)));
                    return texts;
                }();
                const TTapeNow tape{core, run_, wroteAt_, wrotePosition_, wroteBefore_};
                const QString& state = core.StateName(core.state);
                const QString& symbol = symbols[core.HeadByte()];
                if (settings_.History) {
                    const qint64 n = log_->FindRepeatedOnTape(state, symbol, core.headPosition, tape);
                    if (n != 0 && !AskLoop(n))
                        return;
                }
                log_->LogStepOnTape(core.step, state, symbol, core.headPosition, tape,
                                    PendingCommandText(core.pending.row));
            }
            if (!undo_.empty() && undo_.back().step + 1 == core.step)
                undo_.back().logged = true;
        }
        TestBreakPoints();
    } catch (...) {
        StopWith(TStop::Failure, StopCaption, QStringLiteral("Неизвестная ошибка при поиске команды"), TIcon::Stop);
    }
}

void TEngine::TestBreakPoints() {
    TBreakPoints* breaks = machine_.BreakPoints();
    if (!settings_.UseBreak || settings_.OnlyStep || !breaks || breaks->IsEmpty() || !MayHit())
        return;
    // The pass counters before this step's hits, for a step back over it.
    if (!undo_.empty() && undo_.back().step + 1 == machine_.Core().step)
        passCounts_.emplace_back(undo_.back().step, breaks->PassCounts());
    const int k = breaks->BreakHit(machine_.CurrentState(), machine_.CurrentSymbol());
    if (k == 0)
        return;
    SetRunState(Paused);
    if (!settings_.StopOnBreak)
        return;
    const TAnswer answer = prompts_.Message(
        QStringLiteral("Останов в контрольной точке"),
        QStringLiteral("Машина Тьюринга остановлена в контрольной точке № ") + QString::number(k) +
            QStringLiteral("\nтекуший символ: ") + machine_.CurrentSymbol() + QStringLiteral("\nтекущее состояние: ") +
            machine_.CurrentState() + QStringLiteral("\nшаг: ") + QString::number(machine_.StepNumber()) +
            QStringLiteral("\nОК - продолжение работы,\nОтмена - остановить машину Тьюринга"),
        TIcon::Exclamation, ButtonsOkCancel, TAnswer::Ok);
    if (answer != TAnswer::Ok)
        NoteStop(TStop::BreakCancelled);
    SetRunState(answer == TAnswer::Ok ? Running : Ready);
}

bool TEngine::AskLoop(qint64 n) {
    const RunState remembered = machine_.GetRunState();
    SetRunState(Paused);
    const TAnswer answer = prompts_.Message(
        QStringLiteral("Проверка на зацикливание"),
        QStringLiteral("Машина Тьюринга уже находилась в подобном состоянии\n (шаг ") + QString::number(n) +
            QStringLiteral(" ).\n Возможно, машина Тьюринга зациклилась\nХотите продолжить "
                           "работу машины Тьюринга?"),
        TIcon::Exclamation, ButtonsOkCancel, TAnswer::Cancel);
    if (answer != TAnswer::Ok) {
        NoteStop(TStop::LoopCancelled, n);
        SetRunState(Ready);
        return false;
    }
    SetRunState(remembered);
    return true;
}

bool TEngine::Unbounded(TRunCore::TOutcome outcome, int reach) {
    // Without a limit a border is only where the reach ran out: the run goes on with a wider one.
    if ((outcome != TRunCore::TOutcome::LeftBorder && outcome != TRunCore::TOutcome::RightBorder) ||
        !TRunCore::ReachMayGrow(settings_.DiesCount, reach))
        return false;
    TRunCore& core = machine_.Core();
    core.Widen(core.ReachFor(settings_.DiesCount));
    core.Lookup();
    return true;
}

bool TEngine::StopAtStepLimit() {
    const RunState state = machine_.GetRunState();
    const TRunCore& core = machine_.Core();
    // Without a command to go on with the machine halts at the next tick, as the check counts it.
    if (stepLimit_ <= 0 || core.step < stepLimit_ || !core.hasPending || (state != Running && state != Paused))
        return false;
    StopWith(TStop::StepLimit, StopCaption,
             QStringLiteral("Машина сделала %1 шагов и не остановилась: это предел шагов задачи").arg(stepLimit_),
             TIcon::Exclamation);
    return true;
}

void TEngine::RunSteps(qint64 limit) {
    TRunCore& core = machine_.Core();
    if (stepLimit_ > 0)
        limit = std::min(limit, stepLimit_);
    while (GetRunState() == Running && core.active && core.step < limit) {
        TBreakPoints* breaks = machine_.BreakPoints();
        const bool logged = log_ && settings_.ViewLog;
        TLoopCheck* loop = logged ? log_->LoopCheck() : nullptr;
        const bool plain = (!logged || loop) && !settings_.OnlyStep &&
                           !(settings_.UseBreak && breaks && !breaks->IsEmpty()) && core.hasPending;
        if (!plain) {
            StepOnce();
            continue;
        }
        if (loop) {
            try {
                qint64 repeat = 0;
                const int reach = core.ReachFor(settings_.DiesCount);
                const TRunCore::TOutcome outcome = loop->Run(limit, reach, settings_.History, repeat);
                machine_.CoreStepped();
                if (Unbounded(outcome, reach))
                    continue;
                if (outcome != TRunCore::TOutcome::Ok)
                    Stop(outcome);
                else if (repeat != 0 && AskLoop(repeat))
                    loop->Log();
            } catch (...) {
                StopWith(TStop::Failure, StopCaption, QStringLiteral("Неизвестная ошибка при выполнении команды"),
                         TIcon::Stop);
            }
            continue;
        }
        try {
            const int reach = core.ReachFor(settings_.DiesCount);
            const TRunCore::TOutcome outcome = core.RunUntil(limit, reach);
            machine_.CoreStepped();
            if (Unbounded(outcome, reach))
                continue;
            if (outcome != TRunCore::TOutcome::Ok)
                Stop(outcome);
        } catch (...) {
            StopWith(TStop::Failure, StopCaption, QStringLiteral("Неизвестная ошибка при выполнении команды"),
                     TIcon::Stop);
        }
    }
    StopAtStepLimit();
}

void TEngine::Start() {
    SetRunState(Running);
}

void TEngine::Reset() {
    SetRunState(Ready);
}

void TEngine::Break() {
    switch (GetRunState()) {
    case Ready:
    case Paused:
        SetRunState(Running);
        break;
    case Running:
        SetRunState(Paused);
        break;
    case NoMachine:
        break;
    }
}

void TEngine::NextStep() {
    switch (GetRunState()) {
    case Ready:
        if (!Validate()) {
            emit dataCheckRequested();
            return;
        }
        if (!PrepareRun())
            return;
        SetRunState(Paused);
        StepOnce();
        break;
    case Paused:
        StepOnce();
        break;
    case NoMachine:
    case Running:
        break;
    }
}

void TEngine::TUndoRing::push_back(const TUndo& undo, std::size_t depth) {
    if (depth == 0) {
        clear();
        return;
    }
    if (size_ >= depth) {
        first_ = Wrap(first_ + size_ - depth + 1);
        size_ = depth - 1;
    }
    if (size_ == items_.size()) {
        std::vector<TUndo> grown;
        grown.reserve(std::min(depth, std::max<std::size_t>(64, 2 * size_)));
        for (std::size_t i = 0; i < size_; ++i)
            grown.push_back(items_[Wrap(first_ + i)]);
        grown.resize(grown.capacity());
        items_.swap(grown);
        first_ = 0;
    }
    items_[Wrap(first_ + size_)] = undo;
    ++size_;
}

bool TEngine::CanStepBack() const {
    return GetRunState() == Paused && !undo_.empty() && machine_.HasPendingCommand();
}

void TEngine::StepBack() {
    if (!CanStepBack())
        return;
    TRunCore& core = machine_.Core();
    const TUndo u = undo_.back();
    undo_.pop_back();
    if (u.step + 1 != core.step || (u.logged && !(log_ && log_->DropNewest()))) {
        // The log went (or the run moved on unseen): what is left cannot be undone exactly.
        undo_.clear();
        passCounts_.clear();
        return;
    }
    try {
        // The cells the step added at either end go back to the tape's room.
        core.tape.Grow(std::min(0, u.leftBlanks - core.leftBlanks), 0);
        core.tape.Grow(0, int(u.cells) - int(core.tape.size()));
        core.leftBlanks = u.leftBlanks;
        core.rightBlanks = u.rightBlanks;
        core.tape[std::size_t(u.leftBlanks + u.position)] = u.before;
        core.state = u.state;
        core.headPosition = u.headPosition;
        core.step = u.step;
        core.pending = u.pending;
        core.hasPending = true;
        core.found = u.pending.row;
        core.emptySymbol = u.emptySymbol;
        wroteAt_ = -1;
        if (!passCounts_.empty() && passCounts_.back().first == u.step) {
            if (TBreakPoints* breaks = machine_.BreakPoints())
                breaks->SetPassCounts(passCounts_.back().second);
            passCounts_.pop_back();
        }
        machine_.CoreRewound();
        machine_.FlushRun();
    } catch (...) {
        StopWith(TStop::Failure, StopCaption, QStringLiteral("Неизвестная ошибка при выполнении команды"), TIcon::Stop);
    }
}

TEngine::TPause::TPause(TEngine& engine) : engine_(engine), remembered_(engine.GetRunState()) {
    if (remembered_ == Running)
        engine_.SetRunState(Paused);
}

TEngine::TPause::~TPause() {
    if (engine_.GetRunState() != remembered_)
        engine_.SetRunState(remembered_);
}
