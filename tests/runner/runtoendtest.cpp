#include "breakpoints/breakpoint.h"
#include "log/runlog.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "runner/runtoend.h"
#include "scriptedprompts.h"
#include "settings/config.h"

#include <QDir>

#include <gtest/gtest.h>

#include <random>

// The run to the end against the same run ticked by StepOnce: the same boxes, the same end, the same tape and
// the same rows left in the log.

namespace {

struct TRule {
    QString state, symbol, newState, newSymbol, move;
};
struct TPoint {
    bool enabled;
    int passes;
    QString state, symbol;
};

struct TCase {
    QString word;
    QList<TRule> rows;
    QList<TPoint> points;
    int dies = 3;
    int maxCount = 20;
    bool viewLog = true;
    bool history = true;
    bool useBreak = false;
    bool stopOnBreak = true;
    bool onlyStep = false;
    // Answers to the first boxes; the rest take their default button.
    QList<TAnswer> answers;
    // Steps taken by Next step before the run to the end (0: it starts from Ready).
    int stepsFirst = 0;
};

// One window's worth of run: the machine, its engine, its breakpoints and its log.
struct TRig {
    TScriptedPrompts prompts;
    TConfig settings{QDir::tempPath()};
    TMachine machine{prompts, settings};
    TBreakPointList points;
    TEngine engine{machine, prompts, settings};
    TRunLog log{settings};
    TRunToEnd fast{machine, engine, settings};

    explicit TRig(const TCase& c) {
        prompts.allowUnexpected = true;
        prompts.answers = c.answers;
        settings.SaveFileRun = false;
        settings.DiesCount = c.dies;
        settings.MaxCount = c.maxCount;
        settings.ViewLog = c.viewLog;
        settings.History = c.history;
        settings.UseBreak = c.useBreak;
        settings.StopOnBreak = c.stopOnBreak;
        settings.OnlyStep = c.onlyStep;
        machine.SetBreakPoints(&points);
        engine.SetRunLog(&log);
        engine.SetRunState(Ready);
        machine.SetAlphabetText(QStringLiteral("ab"));
        machine.SetWordText(c.word);
        for (const QString& s : {QStringLiteral("q0"), QStringLiteral("q1"), QStringLiteral("q2")})
            machine.AddState(s);
        machine.SetInitialState(QStringLiteral("q0"));
        for (const TRule& r : c.rows)
            machine.AddCommand(r.state, r.symbol, r.newState, r.newSymbol, r.move);
        for (const TPoint& p : c.points)
            points.AddBreakPoint(std::make_unique<TBreakPoint>(p.enabled, p.passes, p.state, p.symbol));
        // OK at a breakpoint while stepping starts the timed run: it is paused again, so both runs start alike.
        for (int i = 0; i < c.stepsFirst && engine.GetRunState() != Running; ++i)
            engine.NextStep();
        if (engine.GetRunState() == Running)
            engine.SetRunState(Paused);
    }

    // What the user is left with: every box, the end, the tape and the log's rows.
    QStringList Outcome() const {
        QStringList o;
        for (const TMessage& m : prompts.boxes)
            o << m.caption + QStringLiteral(" | ") + m.text;
        const TEngine::TStopInfo& stop = engine.LastStop();
        o << QStringLiteral("state %1 step %2 stop %3 at %4 loop %5 %6 %7 command %8")
                 .arg(engine.GetRunState())
                 .arg(machine.StepNumber())
                 .arg(int(stop.reason))
                 .arg(stop.step)
                 .arg(stop.loopStep)
                 .arg(stop.state, stop.symbol)
                 .arg(machine.ActiveCommand());
        QString tape;
        for (const TTapeCell& cell : machine.Tape())
            tape.append(cell.symbol);
        o << QStringLiteral("tape ") + tape;
        for (int i = 0; i < log.RowCount(); ++i) {
            const TLogRow& r = log.Row(i);
            const TFullWord w = log.RowSnapshot(i);
            o << QStringLiteral("%1 %2 %3 %4 %5 [%6|%7|%8]")
                     .arg(r.step)
                     .arg(r.state, r.symbol)
                     .arg(r.headPosition)
                     .arg(r.commandText, w.left, w.word, w.right);
        }
        return o;
    }
};

const QString States[] = {QStringLiteral("q0"), QStringLiteral("Q0"), QStringLiteral("q1"), QStringLiteral("q2")};
const QString Symbols[] = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("#")};
const QString Moves[] = {MoveLeftText, MoveStayText, MoveRightText};

TCase RandomCase(std::mt19937& random) {
    const auto pick = [&](int size) { return int(random() % unsigned(size)); };
    TCase c;
    for (int i = 1 + pick(6); i > 0; --i)
        c.word.append(Symbols[pick(2)]);
    for (const QString& state : States)
        for (const QString& symbol : Symbols)
            if (pick(8) != 0)
                c.rows.append(TRule{state, symbol, States[pick(4)], Symbols[pick(3)], Moves[pick(3)]});
    c.dies = 1 + pick(12);
    c.maxCount = 1 + pick(30);
    c.viewLog = pick(5) != 0;
    c.history = pick(4) != 0;
    c.useBreak = pick(2) != 0;
    c.stopOnBreak = pick(4) != 0;
    c.onlyStep = pick(8) == 0;
    for (int i = pick(3); i > 0; --i)
        c.points.append(TPoint{pick(4) != 0, pick(4), pick(3) ? States[pick(4)] : QString(),
                               pick(2) ? Symbols[pick(3)] : QString()});
    for (int i = pick(4); i > 0; --i)
        c.answers.append(pick(3) ? TAnswer::Ok : TAnswer::Cancel);
    c.stepsFirst = pick(3) ? 0 : 1 + pick(40);
    return c;
}

// A binary counter of a's and b's on a word of bits a's: it halts after the carry out of the last bit.
TCase Counter(int bits) {
    TCase c;
    c.word = QString(bits, QLatin1Char('a'));
    const QString q0 = QStringLiteral("q0"), q1 = QStringLiteral("q1"), q2 = QStringLiteral("q2"),
                  a = QStringLiteral("a"), b = QStringLiteral("b"), blank = QStringLiteral("#");
    c.rows = {{q0, a, q0, a, MoveRightText}, {q0, b, q0, b, MoveRightText},        {q0, blank, q1, blank, MoveLeftText},
              {q1, b, q1, a, MoveLeftText},  {q1, a, q2, b, MoveLeftText},         {q2, a, q2, a, MoveLeftText},
              {q2, b, q2, b, MoveLeftText},  {q2, blank, q0, blank, MoveRightText}};
    c.dies = 2;
    c.maxCount = 50;
    return c;
}

// Pauses a run to the end as Esc does, once it has gone that far.
void PauseAt(TRig& rig, qint64 steps) {
    while (rig.fast.Steps() < steps && rig.fast.Active())
        std::this_thread::yield();
    rig.engine.SetRunState(Paused);
}

} // namespace

TEST(RunToEnd, LeavesWhatTheTickedRunLeavesOnRandomMachines) {
    std::mt19937 random(20261208);
    int compared = 0;
    int backs = 0;
    for (int i = 0; i < 1500; ++i) {
        const TCase c = RandomCase(random);
        TRig ticked(c);
        ticked.engine.Break();
        // Runs that nothing ends (no loop check, or a loop longer than the log) are left out.
        for (int n = 0; n < 5000 && ticked.engine.GetRunState() == Running; ++n)
            ticked.engine.StepOnce();
        if (ticked.engine.GetRunState() == Running)
            continue;
        TRig fast(c);
        fast.fast.Start();
        fast.fast.Wait();
        ASSERT_FALSE(fast.fast.Active());
        ASSERT_EQ(fast.Outcome(), ticked.Outcome()) << "case " << i;
        ++compared;
        // Paused, both go back as far, through the same configurations.
        for (int back = 1; ticked.engine.CanStepBack(); ++back) {
            ASSERT_TRUE(fast.engine.CanStepBack()) << "case " << i << " back " << back;
            ticked.engine.StepBack();
            fast.engine.StepBack();
            ASSERT_EQ(fast.Outcome(), ticked.Outcome()) << "case " << i << " back " << back;
            backs += back == 1;
        }
        EXPECT_FALSE(fast.engine.CanStepBack()) << "case " << i;
    }
    EXPECT_GT(compared, 1000);
    EXPECT_GT(backs, 100);
}

TEST(RunToEnd, StopsAtTheHaltTheBreakpointAndTheLoopOfATimedRun) {
    // A counter of a's turned to b's, right to left and back again, on a word of ten a's.
    TCase walk;
    walk.word = QStringLiteral("aaaaaaaaaa");
    walk.rows = {{QStringLiteral("q0"), QStringLiteral("a"), QStringLiteral("q0"), QStringLiteral("b"), MoveRightText},
                 {QStringLiteral("q0"), QStringLiteral("#"), QStringLiteral("q1"), QStringLiteral("#"), MoveLeftText},
                 {QStringLiteral("q1"), QStringLiteral("b"), QStringLiteral("q1"), QStringLiteral("a"), MoveLeftText},
                 {QStringLiteral("q1"), QStringLiteral("#"), QStringLiteral("q0"), QStringLiteral("#"), MoveRightText}};
    walk.dies = 2;
    walk.maxCount = 50;
    TCase atBreak = walk;
    atBreak.history = false;
    atBreak.useBreak = true;
    atBreak.points = {{true, 2, QStringLiteral("q1"), QStringLiteral("#")}};
    atBreak.answers = {TAnswer::Cancel};
    TCase atLoop = walk;
    TCase fromPaused = walk;
    fromPaused.stepsFirst = 15;
    // A 12-bit binary counter: 106,495 steps, more than the worker's copies of the run lie apart.
    TCase counter = Counter(12);
    counter.maxCount = 300;
    // On a machine that halts, so that a run to the end that ignored step mode would end too.
    TCase stepMode = counter;
    stepMode.onlyStep = true;
    const struct {
        const char* name;
        TCase c;
        QString box;
    } cases[] = {
        {"breakpoint", atBreak,
         QStringLiteral("Останов в контрольной точке | Машина Тьюринга остановлена в контрольной точке № 1\n"
                        "текуший символ: #\nтекущее состояние: q1\nшаг: 65\nОК - продолжение работы,\n"
                        "Отмена - остановить машину Тьюринга")},
        {"loop", atLoop,
         QStringLiteral("Проверка на зацикливание | Машина Тьюринга уже находилась в подобном состоянии\n (шаг 1 ).\n"
                        " Возможно, машина Тьюринга зациклилась\nХотите продолжить работу машины Тьюринга?")},
        {"halt", counter,
         QStringLiteral("Остановка машины Тьюринга | Машина Тьюринга закончила свою работу,\nт. к. не найдена "
                        "команда для исполнения\nСостояние машины 'q1'\nсимвол '#'")},
        {"loop from a paused run", fromPaused,
         QStringLiteral("Проверка на зацикливание | Машина Тьюринга уже находилась в подобном состоянии\n (шаг 1 ).\n"
                        " Возможно, машина Тьюринга зациклилась\nХотите продолжить работу машины Тьюринга?")},
        // One command, then paused: no box.
        {"step mode", stepMode, QStringLiteral("state 3 step 1 stop 0 at 0 loop 0   command 0")},
    };
    for (const auto& [name, c, box] : cases) {
        TRig ticked(c);
        ticked.engine.Break();
        while (ticked.engine.GetRunState() == Running)
            ticked.engine.StepOnce();
        TRig fast(c);
        fast.fast.Start();
        fast.fast.Wait();
        const QStringList outcome = fast.Outcome();
        EXPECT_EQ(outcome.value(0), box) << name;
        EXPECT_EQ(outcome, ticked.Outcome()) << name;
    }
}

TEST(RunToEnd, AStopRequestEndsItAtOnceAtAConsistentConfiguration) {
    // Writes a and b in turn on one cell for ever; nothing checks for loops.
    TCase endless;
    endless.word = QStringLiteral("a");
    endless.rows = {
        {QStringLiteral("q0"), QStringLiteral("a"), QStringLiteral("q1"), QStringLiteral("b"), MoveStayText},
        {QStringLiteral("q1"), QStringLiteral("b"), QStringLiteral("q0"), QStringLiteral("a"), MoveStayText}};
    endless.history = false;
    endless.maxCount = 4;
    const struct {
        const char* name;
        void (*stop)(TRig&);
        RunState after;
    } cases[] = {
        {"request",
         [](TRig& r) {
             ASSERT_TRUE(r.fast.RequestStop(100));
             r.fast.Finish();
         },
         Paused},
        {"прервать", [](TRig& r) { r.engine.Break(); }, Paused},
        {"сброс", [](TRig& r) { r.engine.Reset(); }, Ready},
    };
    for (const auto& [name, stop, after] : cases) {
        TRig rig(endless);
        ASSERT_TRUE(rig.fast.Start()) << name;
        while (rig.fast.Steps() < 100000)
            std::this_thread::yield();
        stop(rig);
        EXPECT_FALSE(rig.fast.Active()) << name;
        EXPECT_EQ(rig.engine.GetRunState(), after) << name;
        EXPECT_TRUE(rig.prompts.boxes.isEmpty()) << name;
        // The log ends with the step the machine stands at, its rows one step apart.
        ASSERT_EQ(rig.log.RowCount(), 4) << name;
        const qint64 last = rig.log.Row(3).step;
        EXPECT_GE(last, 100000) << name;
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(rig.log.Row(i).step, last - 3 + i) << name;
            EXPECT_EQ(rig.log.Row(i).symbol, last % 2 == (3 - i) % 2 ? QStringLiteral("a") : QStringLiteral("b"))
                << name;
        }
        if (after == Paused) {
            EXPECT_EQ(rig.machine.StepNumber(), last) << name;
            EXPECT_EQ(rig.machine.CurrentSymbol(), rig.log.Row(3).symbol) << name;
            EXPECT_EQ(rig.machine.Tape()[1].symbol, rig.log.Row(3).symbol.at(0)) << name;
        }
    }
}

TEST(RunToEnd, ARunTakenOverFromAPauseGoesAtFullSpeed) {
    // With the loop check on: after the ticks that take the paused run over, nothing goes a step at a time.
    // After Next step the run goes to its halt; paused by Esc, a counter that cannot end in any time a test takes
    // is paused again further on, so that where the pauses fall does not matter, however fast the machine is.
    TCase stepped = Counter(16);
    stepped.stepsFirst = 15;
    const struct {
        const char* name;
        TCase c;
        bool pauseFirst;
    } cases[] = {{"after next step", stepped, false}, {"after Esc", Counter(48), true}};
    for (const auto& [name, c, pauseFirst] : cases) {
        TRig rig(c);
        if (pauseFirst) {
            ASSERT_TRUE(rig.fast.Start()) << name;
            PauseAt(rig, 20000);
            ASSERT_EQ(rig.engine.GetRunState(), Paused) << name;
        }
        ASSERT_TRUE(rig.fast.Start()) << name;
        if (pauseFirst) {
            PauseAt(rig, rig.fast.Steps() + 200000);
            ASSERT_EQ(rig.engine.GetRunState(), Paused) << name;
        } else {
            rig.fast.Wait();
            EXPECT_EQ(rig.engine.LastStop().reason, TEngine::TStop::Halt) << name;
        }
        EXPECT_LE(rig.fast.StepsOneByOne(), c.maxCount) << name;
    }
}

// With breakpoints and the loop check both on, the worker's slices end where a breakpoint may fire, not after
// every step, and the run stops at the very step and with the box of a timed run.
TEST(RunToEnd, WithBreakpointsAndTheLoopCheckItGoesAtFullSpeed) {
    TCase c = Counter(12);
    c.maxCount = 300;
    c.useBreak = true;
    // Passed once an increment; it fires at the fortieth pass.
    c.points = {{true, 40, QStringLiteral("q2"), QStringLiteral("#")}};
    c.answers = {TAnswer::Cancel};
    TRig ticked(c);
    ticked.engine.Break();
    for (int n = 0; n < 200000 && ticked.engine.GetRunState() == Running; ++n)
        ticked.engine.StepOnce();
    ASSERT_EQ(ticked.prompts.boxes.size(), 1);
    ASSERT_EQ(ticked.prompts.boxes.front().caption, QStringLiteral("Останов в контрольной точке"));
    ASSERT_GT(ticked.engine.LastStop().step, 1000);
    TRig fast(c);
    ASSERT_TRUE(fast.fast.Start());
    fast.fast.Wait();
    EXPECT_EQ(fast.Outcome(), ticked.Outcome());
    EXPECT_LE(fast.fast.Slices(), 45);
}

TEST(RunToEnd, PausedByEscItStepsBackAsFarAsATimedRun) {
    // Somewhere in a long run: back a step at a time, as far as a timed run goes (the random comparison
    // covers pauses at breakpoints and in step mode).
    TCase viaLoopCheck = Counter(20);
    TCase viaLog = viaLoopCheck;
    viaLog.history = false;
    TCase unloggedLong = viaLoopCheck;
    unloggedLong.viewLog = false;
    for (const TCase& c : {viaLoopCheck, viaLog, unloggedLong}) {
        const std::string name = std::string(c.viewLog ? "log" : "no log") + (c.history ? ", history" : "");
        TRig rig(c);
        ASSERT_TRUE(rig.fast.Start()) << name;
        PauseAt(rig, 100000);
        ASSERT_EQ(rig.engine.GetRunState(), Paused) << name;
        const qint64 paused = rig.machine.StepNumber();
        const int depth = c.viewLog ? c.maxCount - 1 : TEngine::StepBackDepth;
        for (int back = 1; back <= depth; ++back) {
            ASSERT_TRUE(rig.engine.CanStepBack()) << name << " back " << back;
            rig.engine.StepBack();
            ASSERT_EQ(rig.machine.StepNumber(), paused - back) << name;
            if (c.viewLog) {
                // The rows the log had hidden come back.
                ASSERT_EQ(rig.log.RowCount(), c.maxCount) << name << " back " << back;
                const TLogRow& last = rig.log.Row(c.maxCount - 1);
                ASSERT_EQ(last.step, paused - back) << name;
                ASSERT_EQ(last.state, rig.machine.CurrentState()) << name;
                ASSERT_EQ(last.symbol, rig.machine.CurrentSymbol()) << name;
            }
        }
        EXPECT_FALSE(rig.engine.CanStepBack()) << name;
    }
}
