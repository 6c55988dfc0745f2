#include "machine/engine.h"

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
    if (timerOn_ == on)
        return;
    timerOn_ = on;
    emit timerChanged(on);
}

bool TEngine::Validate() {
    return !machine_.Checks() || machine_.Checks()->ValidateMachine();
}

void TEngine::SetRunState(RunState now) {
    const RunState old = machine_.GetRunState();
    machine_.AssignRunState(now);
    const bool wasRun = old == Running || old == Paused;
    if (wasRun && (now == NoMachine || now == Ready)) {
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
        machine_.pendingCommand.reset();
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
        machine_.pendingCommand.reset();
        lastStop_ = TStopInfo();
        machine_.SetCurrentState(machine_.GetInitialState());
        machine_.MarkCurrentState();
        machine_.BuildTape(machine_.Word());
        machine_.SetCurrentSymbol(machine_.Word());
        machine_.ResetBlanks();
        machine_.SetHeadPosition(0);
        machine_.SetStepNumber(0);
        if (log_ && settings_.ViewLog)
            log_->ClearLog();
        StepOnce();
        return true;
    } catch (...) {
        return false;
    }
}

void TEngine::NoteStop(TStop reason, int loopStep) {
    lastStop_ = TStopInfo{reason, machine_.StepNumber(), loopStep, machine_.CurrentState(), machine_.CurrentSymbol()};
}

void TEngine::StopWith(TStop reason, const QString& caption, const QString& text, TIcon icon) {
    NoteStop(reason);
    SetRunState(Paused);
    prompts_.Message(caption, text, icon, ButtonsOk, TAnswer::Ok);
    SetRunState(Ready);
}

void TEngine::StepOnce() {
    const RunState state = machine_.GetRunState();
    if (state == NoMachine || state == Ready) {
        SetTimer(false);
        return;
    }
    if (machine_.pendingCommand) {
        try {
            const TCommand& c = *machine_.pendingCommand;
            const int cell = machine_.HeadCell();
            const int last = int(machine_.Tape().size()) - 1;
            if (cell <= 0 && c.move == MoveLeft) {
                StopWith(TStop::LeftBorder, StopCaption, LeftBorderText, TIcon::Stop);
                return;
            }
            if (cell >= last && c.move == MoveRight) {
                StopWith(TStop::RightBorder, StopCaption, RightBorderText, TIcon::Stop);
                return;
            }
            machine_.WriteCell(cell, c.newSymbol.isEmpty() ? QChar() : c.newSymbol[0]);
            machine_.SetCurrentState(c.newState);
            machine_.MarkCurrentState();
            machine_.SetStepNumber(machine_.StepNumber() + 1);
            MoveHead(c.move);
            if (machine_.GetRunState() == Ready)
                return;
            if (settings_.OnlyStep)
                SetRunState(Paused);
            prompts_.Asterisk();
        } catch (...) {
            StopWith(TStop::Failure, StopCaption, QStringLiteral("Неизвестная ошибка при выполнении команды"),
                     TIcon::Stop);
            return;
        }
    }
    machine_.pendingCommand.reset();
    try {
        const int index = machine_.FindCommand(machine_.CurrentState(), machine_.CurrentSymbol());
        machine_.MarkActiveCommand(index);
        if (index < 0) {
            StopWith(TStop::Halt, StopCaption,
                     QStringLiteral("Машина Тьюринга закончила свою работу,\nт. к. не найдена команда для "
                                    "исполнения\nСостояние машины '") +
                         machine_.CurrentState() + QStringLiteral("'\nсимвол '") + machine_.CurrentSymbol() +
                         QLatin1Char('\''),
                     TIcon::Exclamation);
            return;
        }
        machine_.pendingCommand = TMachine::CommandFromRow(machine_.Commands()[index]);
        if (log_ && settings_.ViewLog) {
            if (settings_.History) {
                const int n = log_->FindRepeatedConfiguration(machine_.CurrentState(), machine_.CurrentSymbol(),
                                                              machine_.HeadPosition(), machine_.TakeTapeSnapshot());
                if (n != 0) {
                    const RunState remembered = machine_.GetRunState();
                    SetRunState(Paused);
                    const TAnswer answer = prompts_.Message(
                        QStringLiteral("Проверка на зацикливание"),
                        QStringLiteral("Машина Тьюринга уже находилась в подобном состоянии\n (шаг ") +
                            QString::number(n) +
                            QStringLiteral(" ).\n Возможно, машина Тьюринга зациклилась\nХотите продолжить "
                                           "работу машины Тьюринга?"),
                        TIcon::Exclamation, ButtonsOkCancel, TAnswer::Cancel);
                    if (answer != TAnswer::Ok) {
                        NoteStop(TStop::LoopCancelled, n);
                        SetRunState(Ready);
                        return;
                    }
                    SetRunState(remembered);
                }
            }
            log_->LogStep(machine_.StepNumber(), machine_.CurrentState(), machine_.CurrentSymbol(),
                          machine_.HeadPosition(), std::make_unique<TFullWord>(machine_.TakeTapeSnapshot()),
                          TMachine::CommandText(*machine_.pendingCommand));
        }
        TBreakPoints* breaks = machine_.BreakPoints();
        if (settings_.UseBreak && !settings_.OnlyStep && breaks) {
            const int k = breaks->BreakHit(machine_.CurrentState(), machine_.CurrentSymbol());
            if (k != 0) {
                SetRunState(Paused);
                if (settings_.StopOnBreak) {
                    const TAnswer answer = prompts_.Message(
                        QStringLiteral("Останов в контрольной точке"),
                        QStringLiteral("Машина Тьюринга остановлена в контрольной точке № ") + QString::number(k) +
                            QStringLiteral("\nтекуший символ: ") + machine_.CurrentSymbol() +
                            QStringLiteral("\nтекущее состояние: ") + machine_.CurrentState() +
                            QStringLiteral("\nшаг: ") + QString::number(machine_.StepNumber()) +
                            QStringLiteral("\nОК - продолжение работы,\nОтмена - остановить машину Тьюринга"),
                        TIcon::Exclamation, ButtonsOkCancel, TAnswer::Ok);
                    if (answer != TAnswer::Ok)
                        NoteStop(TStop::BreakCancelled);
                    SetRunState(answer == TAnswer::Ok ? Running : Ready);
                }
            }
        }
    } catch (...) {
        StopWith(TStop::Failure, StopCaption, QStringLiteral("Неизвестная ошибка при поиске команды"), TIcon::Stop);
    }
}

void TEngine::MoveHead(Move move) {
    try {
        const int p = machine_.HeadPosition();
        machine_.SetHeadPosition(move == MoveLeft ? p - 1 : move == MoveRight ? p + 1 : p);
        const int cell = machine_.HeadCell();
        if (cell < 0) {
            StopWith(TStop::LeftBorder, MoveCaption, LeftBorderText, TIcon::Stop);
            return;
        }
        if (cell >= machine_.Tape().size()) {
            StopWith(TStop::RightBorder, MoveCaption, RightBorderText, TIcon::Stop);
            return;
        }
        machine_.SetCurrentSymbol(machine_.Tape()[cell].symbol);
        machine_.RefreshBreakMarks();
    } catch (...) {
        StopWith(TStop::Failure, MoveCaption,
                 QStringLiteral("Неизвестная ошибка при перемещении по распознаваемому слову"), TIcon::Stop);
    }
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

TEngine::TPause::TPause(TEngine& engine) : engine_(engine), remembered_(engine.GetRunState()) {
    if (remembered_ == Running)
        engine_.SetRunState(Paused);
}

TEngine::TPause::~TPause() {
    if (engine_.GetRunState() != remembered_)
        engine_.SetRunState(remembered_);
}
