#include "fakeports.h"
#include "log/runlog.h"
#include "machinefixture.h"

#include <QSignalSpy>

namespace {

const QString HaltCaption = QStringLiteral("Остановка машины Тьюринга");

QString HaltText(const QString& state, const QString& symbol) {
    return QStringLiteral("Машина Тьюринга закончила свою работу,\nт. к. не найдена команда для исполнения\n"
                          "Состояние машины '") +
           state + QStringLiteral("'\nсимвол '") + symbol + QStringLiteral("'");
}

class FailingChecks : public TMachineChecks {
public:
    void CheckWordCells() override {}
    void CheckCommands() override {}
    void CheckStates() override {}
    bool ValidateMachine() override { return false; }
};

} // namespace

class Engine : public MachineTest {
protected:
    // Records the run state as each box opens.
    void WatchStates() {
        prompts.onAsk = [this](const TMessage&) { statesAtBox.append(engine.GetRunState()); };
    }
    QList<RunState> statesAtBox;
};

TEST_F(Engine, FirstTickOnlyLooksUpThenHaltsWithMessage) {
    Define(QStringLiteral("ab"), QStringLiteral("a"), QStringLiteral("q0"), {QStringLiteral("q0 a q1 b R")});
    TFakeRunLog log;
    engine.SetRunLog(&log);
    settings.ViewLog = true;
    WatchStates();
    QSignalSpy timer(&engine, &TEngine::timerChanged);

    engine.Start();
    EXPECT_EQ(engine.GetRunState(), Running);
    EXPECT_TRUE(engine.TimerOn());
    EXPECT_EQ(machine.StepNumber(), 0);
    EXPECT_EQ(Cells(), QStringLiteral("#a#"));
    EXPECT_EQ(machine.ActiveCommand(), 0);
    EXPECT_EQ(machine.Commands()[0].mark & MarkHead, MarkHead);
    ASSERT_EQ(log.rows.size(), 1);
    EXPECT_EQ(log.rows[0].step, 0);
    EXPECT_EQ(log.rows[0].commandText, QStringLiteral("q0(a)->q1(b)-Вправо"));
    EXPECT_EQ(prompts.asterisks, 0);

    prompts.Answer(TAnswer::Ok);
    engine.StepOnce();
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0], (TMessage{HaltCaption, HaltText(QStringLiteral("q1"), QStringLiteral("#")),
                                          TIcon::Exclamation, ButtonsOk, TAnswer::Ok, false}));
    EXPECT_EQ(statesAtBox, QList<RunState>{Paused});
    EXPECT_EQ(engine.GetRunState(), Ready);
    EXPECT_FALSE(engine.TimerOn());
    EXPECT_EQ(prompts.asterisks, 1);
    // Ready keeps what the machine wrote and resets the position.
    EXPECT_EQ(Cells(), QStringLiteral("#b#"));
    EXPECT_EQ(machine.HeadPosition(), 0);
    EXPECT_EQ(machine.CurrentState(), QStringLiteral("q0"));
    EXPECT_EQ(machine.StepNumber(), 0);
    EXPECT_FALSE(machine.HasPendingCommand());
    EXPECT_EQ(timer.count(), 2);
}

TEST_F(Engine, BordersStopBeforeWriting) {
    settings.DiesCount = 1;
    Define(QStringLiteral("ab"), QStringLiteral("ab"), QStringLiteral("q0"),
           {QStringLiteral("q0 a q0 a R"), QStringLiteral("q0 b q0 b R"), QStringLiteral("q0 # q0 a R")});
    WatchStates();
    engine.Start();
    engine.StepOnce();
    engine.StepOnce();
    EXPECT_EQ(machine.HeadCell(), 3);
    prompts.Answer(TAnswer::Ok);
    engine.StepOnce();
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].caption, HaltCaption);
    EXPECT_EQ(prompts.boxes[0].text,
              QStringLiteral("Достигнута правая граница слова\nПродолжение работы машины невозможно"));
    EXPECT_EQ(prompts.boxes[0].icon, TIcon::Stop);
    EXPECT_EQ(statesAtBox, QList<RunState>{Paused});
    EXPECT_EQ(Cells(), QStringLiteral("#ab#")); // the blank was not overwritten
    EXPECT_EQ(engine.GetRunState(), Ready);

    // The left border, with the tape grown by the limit.
    settings.DiesCount = 2;
    machine.SetCommandRow(
        0, {QStringLiteral("q0"), QStringLiteral("a"), QStringLiteral("q0"), QStringLiteral("a"), MoveLeftText});
    machine.SetCommandRow(
        2, {QStringLiteral("q0"), QStringLiteral("#"), QStringLiteral("q0"), QStringLiteral("#"), MoveLeftText});
    prompts.Answer(TAnswer::Ok);
    engine.Start();
    engine.StepOnce(); // a: left onto the blank, the tape grows by one
    EXPECT_EQ(Cells(), QStringLiteral("##ab#"));
    engine.StepOnce(); // #: left onto cell 0
    EXPECT_EQ(machine.HeadCell(), 0);
    engine.StepOnce();
    ASSERT_EQ(prompts.boxes.size(), 2);
    EXPECT_EQ(prompts.boxes[1].text,
              QStringLiteral("Достигнута левая граница слова\nПродолжение работы машины невозможно"));
    EXPECT_EQ(engine.GetRunState(), Ready);
}

TEST_F(Engine, StayRewritesAndRereadsTheCell) {
    Define(QStringLiteral("ab"), QStringLiteral("a"), QStringLiteral("q0"),
           {QStringLiteral("q0 a q1 b S"), QStringLiteral("q1 b q2 a S")});
    engine.NextStep();
    EXPECT_EQ(engine.GetRunState(), Paused);
    EXPECT_EQ(machine.StatusText(2), QString());
    engine.NextStep();
    EXPECT_EQ(Cells(), QStringLiteral("#b#"));
    EXPECT_EQ(machine.CurrentSymbol(), QStringLiteral("b"));
    EXPECT_EQ(machine.CurrentState(), QStringLiteral("q1"));
    EXPECT_EQ(machine.StatusText(1), QStringLiteral("Состояние: q1"));
    EXPECT_EQ(machine.StatusText(2), QStringLiteral("Шаг 1"));
    EXPECT_EQ(machine.ActiveCommand(), 1);
    EXPECT_EQ(engine.GetRunState(), Paused);
    EXPECT_FALSE(engine.TimerOn());
    prompts.Answer(TAnswer::Ok);
    engine.NextStep();
    EXPECT_EQ(prompts.boxes.last().text, HaltText(QStringLiteral("q2"), QStringLiteral("a")));
    EXPECT_EQ(engine.GetRunState(), Ready);
}

TEST_F(Engine, OnlyStepPausesAndSkipsBreakpoints) {
    Define(QStringLiteral("a"), QStringLiteral("aaa"), QStringLiteral("q0"), {QStringLiteral("q0 a q0 a R")});
    TFakeBreakPoints breaks;
    breaks.hitState = QStringLiteral("q0");
    breaks.hitSymbol = QStringLiteral("a");
    machine.SetBreakPoints(&breaks);
    settings.OnlyStep = true;
    engine.Start();
    EXPECT_EQ(engine.GetRunState(), Running);
    engine.StepOnce();
    EXPECT_EQ(engine.GetRunState(), Paused);
    EXPECT_EQ(machine.StepNumber(), 1);
    engine.Break();
    EXPECT_EQ(engine.GetRunState(), Running);
    engine.StepOnce();
    EXPECT_EQ(engine.GetRunState(), Paused);
    EXPECT_EQ(breaks.tests, 0);
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

TEST_F(Engine, BreakpointStops) {
    Define(QStringLiteral("ab"), QStringLiteral("aab"), QStringLiteral("q0"),
           {QStringLiteral("q0 a q0 a R"), QStringLiteral("q0 b q0 b R")});
    TFakeBreakPoints breaks;
    breaks.hitState = QStringLiteral("q0");
    breaks.hitSymbol = QStringLiteral("b");
    machine.SetBreakPoints(&breaks);

    // Without the message the run only pauses.
    settings.StopOnBreak = false;
    engine.Start();
    engine.StepOnce();
    EXPECT_EQ(engine.GetRunState(), Running);
    engine.StepOnce();
    EXPECT_EQ(engine.GetRunState(), Paused);
    EXPECT_TRUE(prompts.boxes.isEmpty());
    engine.Reset();
    EXPECT_GE(breaks.resets, 1);

    // OK at the message while stepping hands the run to the timer.
    settings.StopOnBreak = true;
    engine.NextStep();
    engine.NextStep();
    prompts.Answer(TAnswer::Ok);
    engine.NextStep();
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0],
              (TMessage{QStringLiteral("Останов в контрольной точке"),
                        QStringLiteral("Машина Тьюринга остановлена в контрольной точке № 1\nтекуший символ: b\n"
                                       "текущее состояние: q0\nшаг: 2\nОК - продолжение работы,\nОтмена - "
                                       "остановить машину Тьюринга"),
                        TIcon::Exclamation, ButtonsOkCancel, TAnswer::Ok, false}));
    EXPECT_EQ(engine.GetRunState(), Running);
    EXPECT_TRUE(engine.TimerOn());

    // Cancel ends the run.
    engine.Reset();
    engine.Start();
    engine.StepOnce();
    prompts.Answer(TAnswer::Cancel);
    engine.StepOnce();
    EXPECT_EQ(engine.GetRunState(), Ready);
}

TEST_F(Engine, LoopQuestion) {
    Define(QStringLiteral("a"), QStringLiteral("a"), QStringLiteral("q0"), {QStringLiteral("q0 a q0 a S")});
    TFakeRunLog log;
    engine.SetRunLog(&log);
    settings.ViewLog = true;
    WatchStates();
    log.repeatAnswers = {0, 0, 1};
    engine.Start();
    engine.StepOnce();
    EXPECT_EQ(log.rows.size(), 2);
    prompts.Answer(TAnswer::Ok);
    engine.StepOnce();
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0],
              (TMessage{QStringLiteral("Проверка на зацикливание"),
                        QStringLiteral("Машина Тьюринга уже находилась в подобном состоянии\n (шаг 1 ).\n "
                                       "Возможно, машина Тьюринга зациклилась\nХотите продолжить работу машины "
                                       "Тьюринга?"),
                        TIcon::Exclamation, ButtonsOkCancel, TAnswer::Cancel, false}));
    EXPECT_EQ(statesAtBox, QList<RunState>{Paused});
    EXPECT_EQ(engine.GetRunState(), Running);
    EXPECT_EQ(log.rows.size(), 3);

    log.repeatAnswers = {2};
    prompts.Answer(TAnswer::Cancel);
    engine.StepOnce();
    EXPECT_EQ(engine.GetRunState(), Ready);
    EXPECT_EQ(log.rows.size(), 3); // the step found again is not logged

    // With the loop check off the log is not searched.
    settings.History = false;
    const int searches = log.searches;
    engine.Start();
    engine.StepOnce();
    EXPECT_EQ(log.searches, searches);
    EXPECT_EQ(log.clears, 2);
}

TEST_F(Engine, NoLogAndNoBreakpointsMeansNoCalls) {
    Define(QStringLiteral("a"), QStringLiteral("aa"), QStringLiteral("q0"), {QStringLiteral("q0 a q0 a R")});
    TFakeRunLog log;
    TFakeBreakPoints breaks;
    engine.SetRunLog(&log);
    machine.SetBreakPoints(&breaks);
    settings.ViewLog = false;
    settings.UseBreak = false;
    engine.Start();
    engine.StepOnce();
    EXPECT_EQ(log.searches + log.clears + int(log.rows.size()) + breaks.tests, 0);
}

TEST_F(Engine, FailuresAreReportedAndEndTheRun) {
    Define(QStringLiteral("a"), QStringLiteral("aa"), QStringLiteral("q0"), {QStringLiteral("q0 a q0 a R")});
    TFakeRunLog log;
    engine.SetRunLog(&log);
    settings.ViewLog = true;
    engine.Start(); // the first lookup logs step 0
    log.failOnLog = true;
    prompts.Answer(TAnswer::Ok);
    engine.StepOnce();
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].text, QStringLiteral("Неизвестная ошибка при поиске команды"));
    EXPECT_EQ(prompts.boxes[0].icon, TIcon::Stop);
    EXPECT_EQ(engine.GetRunState(), Ready);
}

TEST_F(Engine, RefusedMachineNeverRuns) {
    Define(QStringLiteral("a"), QStringLiteral("a"), QStringLiteral("q0"), {});
    FailingChecks checks;
    machine.SetChecks(&checks);
    QSignalSpy check(&engine, &TEngine::dataCheckRequested);
    QSignalSpy timer(&engine, &TEngine::timerChanged);
    engine.Start();
    EXPECT_EQ(engine.GetRunState(), Ready);
    EXPECT_EQ(check.count(), 1);
    engine.NextStep();
    EXPECT_EQ(engine.GetRunState(), Ready);
    EXPECT_EQ(check.count(), 2);
    engine.Break();
    EXPECT_EQ(check.count(), 3);
    EXPECT_EQ(timer.count(), 0);
}

TEST_F(Engine, SaveBeforeRun) {
    Define(QStringLiteral("a"), QStringLiteral("a"), QStringLiteral("q0"), {QStringLiteral("q0 a q0 a R")});
    settings.SaveFileRun = true;
    bool modified = true;
    int saves = 0;
    bool saveResult = false;
    engine.isModified = [&] { return modified; };
    engine.saveFile = [&] {
        ++saves;
        return saveResult;
    };
    engine.Start();
    EXPECT_EQ(engine.GetRunState(), Ready);
    EXPECT_EQ(saves, 1);
    saveResult = true;
    engine.Start();
    EXPECT_EQ(engine.GetRunState(), Running);
    EXPECT_EQ(saves, 2);
    engine.Reset();
    modified = false;
    engine.Start();
    EXPECT_EQ(saves, 2);
}

TEST_F(Engine, RunStatesAndPauseAroundModalOperations) {
    Define(QStringLiteral("a"), QStringLiteral("a"), QStringLiteral("q0"), {QStringLiteral("q0 a q0 a S")});
    QSignalSpy front(&engine, &TEngine::bringToFront);
    EXPECT_EQ(engine.BreakCaption(), QStringLiteral("нача&ть"));
    engine.Break();
    EXPECT_EQ(engine.GetRunState(), Running);
    EXPECT_EQ(engine.BreakCaption(), QStringLiteral("прерва&ть"));
    {
        TEngine::TPause pause(engine);
        EXPECT_EQ(engine.GetRunState(), Paused);
        EXPECT_FALSE(engine.TimerOn());
    }
    EXPECT_EQ(engine.GetRunState(), Running);
    EXPECT_TRUE(engine.TimerOn());
    engine.Break();
    EXPECT_EQ(engine.BreakCaption(), QStringLiteral("продолжи&ть"));
    EXPECT_EQ(front.count(), 2);
    {
        TEngine::TPause pause(engine);
        EXPECT_EQ(engine.GetRunState(), Paused);
    }
    EXPECT_EQ(engine.GetRunState(), Paused);
    // A tick arriving after the run left it does nothing.
    engine.Reset();
    engine.StepOnce();
    EXPECT_EQ(engine.GetRunState(), Ready);
    EXPECT_FALSE(engine.TimerOn());
}

TEST_F(Engine, EveryExecutedCommandSoundsUnderTheTimer) {
    settings.DiesCount = 5;
    Define(QStringLiteral("a"), QStringLiteral("aaa"), QStringLiteral("q0"),
           {QStringLiteral("q0 a q0 a R"), QStringLiteral("q0 # q1 # L"), QStringLiteral("q1 a q1 a S")});
    engine.Start();
    for (int i = 0; i < 4; ++i)
        engine.StepOnce();
    EXPECT_EQ(prompts.asterisks, 4);
    EXPECT_EQ(machine.HeadPosition(), 2);
    EXPECT_EQ(Cells(), QStringLiteral("#aaa##"));
}

// Lowering the limit during a pause stops further growth but keeps the cells the head already reached.
TEST_F(Engine, LoweredDiesCountKeepsTheHeadOnItsCell) {
    settings.DiesCount = 3;
    Define(QStringLiteral("ab"), QStringLiteral("ab"), QStringLiteral("q0"),
           {QStringLiteral("q0 a q1 a L"), QStringLiteral("q1 # q2 b L"), QStringLiteral("q2 # q3 # R"),
            QStringLiteral("q3 b q4 b L"), QStringLiteral("q4 # q5 # L"), QStringLiteral("q5 # q6 # L")});
    engine.NextStep(); // looks up q0 a
    engine.NextStep(); // to -1
    engine.NextStep(); // writes b, to -2
    ASSERT_EQ(machine.HeadPosition(), -2);
    ASSERT_EQ(Cells(), QStringLiteral("##bab#"));
    settings.DiesCount = 1;
    engine.NextStep(); // right, onto the b written at -1
    EXPECT_EQ(machine.HeadPosition(), -1);
    EXPECT_EQ(machine.HeadCell(), 2);
    EXPECT_EQ(machine.CurrentSymbol(), QStringLiteral("b"));
    engine.NextStep(); // left to -2: the tape grows no further
    engine.NextStep(); // left to -3, the first cell
    EXPECT_EQ(machine.HeadCell(), 0);
    EXPECT_EQ(Cells(), QStringLiteral("##bab#"));
    prompts.Answer(TAnswer::Ok);
    engine.NextStep(); // a further left move is the border
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].text,
              QStringLiteral("Достигнута левая граница слова\nПродолжение работы машины невозможно"));
}

TEST_F(Engine, RunningTicksLeaveTheViewsToOneFlush) {
    Define(QStringLiteral("ab"), QStringLiteral("aaaa"), QStringLiteral("q0"),
           {QStringLiteral("q0 a q0 b R"), QStringLiteral("q0 # q1 # L")});
    engine.Start();
    QSignalSpy cells(&machine, &TMachine::cellsChanged);
    QSignalSpy head(&machine, &TMachine::headMoved);
    QSignalSpy status(&machine, &TMachine::statusChanged);
    engine.StepOnce();
    engine.StepOnce();
    engine.StepOnce();
    EXPECT_EQ(cells.count() + head.count() + status.count(), 0);
    EXPECT_TRUE(machine.RunDirty());
    // Whoever reads the model sees the run as it stands.
    EXPECT_EQ(Cells(), QStringLiteral("#bbba#"));
    EXPECT_EQ(machine.StatusText(2), QStringLiteral("Шаг 3"));

    machine.FlushRun();
    ASSERT_EQ(head.count(), 1);
    EXPECT_EQ(head[0][0].toInt(), 4);
    ASSERT_EQ(cells.count(), 1);
    EXPECT_EQ(cells[0][0].toInt(), 1);
    EXPECT_EQ(cells[0][1].toInt(), 4);
    EXPECT_EQ(status.count(), 1);
    EXPECT_FALSE(machine.RunDirty());
}

// With the log's rows kept (its window shown), a tick reads the state, the symbol and the command from the
// compiled run: the model catches up with the run once a frame, not at every tick, and the rows are the same.
TEST_F(Engine, TicksWithTheLogShownLeaveTheModelToTheFrame) {
    TRunLog log{settings};
    settings.ViewLog = true;
    settings.History = true;
    engine.SetRunLog(&log);
    Define(QStringLiteral("ab"), QStringLiteral("aaaa"), QStringLiteral("q0"),
           {QStringLiteral("q0 a q0 b R"), QStringLiteral("q0 # q1 # L"), QStringLiteral("q1 b q1 b L")});
    engine.Start();
    for (int tick = 0; tick < 8; ++tick) {
        const quint64 syncs = machine.Syncs();
        engine.StepOnce();
        ASSERT_EQ(machine.Syncs(), syncs) << "tick " << tick;
        ASSERT_EQ(engine.GetRunState(), Running);
        // What the row says is what the model says once it is read.
        const TLogRow& last = log.Row(log.RowCount() - 1);
        EXPECT_EQ(last.step, machine.StepNumber());
        EXPECT_EQ(last.state, machine.CurrentState());
        EXPECT_EQ(last.symbol, machine.CurrentSymbol());
        EXPECT_EQ(last.headPosition, machine.HeadPosition());
        EXPECT_EQ(last.commandText, TMachine::CommandText(*machine.PendingCommand()));
    }
    EXPECT_EQ(log.Row(log.RowCount() - 1).commandText, QStringLiteral("q1(b)->q1(b)-Влево"));
}
