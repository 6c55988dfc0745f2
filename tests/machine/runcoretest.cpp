#include "breakpoints/breakpoint.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "printers.h"
#include "runner/batchrun.h"
#include "scriptedprompts.h"
#include "settings/config.h"

#include <QDir>

#include <gtest/gtest.h>

#include <random>

// The compiled run against a plain stepper written here from the rules of the machine, on thousands of
// small random machines: every stop, step count, state, symbol, tape and breakpoint stop must agree.

namespace {

struct TRow {
    QString state;
    QString symbol;
    QString newState;
    QString newSymbol;
    int delta;
};

struct TPoint {
    bool enabled;
    int passes;
    QString state;
    QString symbol;
    int counter = 0;
};

struct TCase {
    QString word;
    int dies;
    qint64 limit;
    QList<TRow> rows;
    QList<TPoint> points;
};

struct TOutcome {
    QString end;
    qint64 steps = 0;
    QString state;
    QString symbol;
    QString tape;
    // "k@step" for every breakpoint stop, in order.
    QStringList breaks;

    bool operator==(const TOutcome&) const = default;
};

void PrintTo(const TOutcome& o, std::ostream* os) {
    *os << (o.end + QStringLiteral(" steps=") + QString::number(o.steps) + QStringLiteral(" state=") + o.state +
            QStringLiteral(" symbol=") + o.symbol + QStringLiteral(" tape=") + o.tape + QStringLiteral(" breaks=") +
            o.breaks.join(QLatin1Char(',')))
               .toStdString();
}

TOutcome Reference(TCase c) {
    const int n = int(c.word.size());
    QString tape = QStringLiteral("#") + c.word + QStringLiteral("#");
    int left = 0;
    int right = 0;
    int pos = 0;
    const auto place = [&](int p) {
        pos = p;
        if (p > 0) {
            const int r = right;
            right = std::max(right, p - n + 1);
            if (right > c.dies - 1)
                right = std::max(c.dies - 1, r);
            tape.append(QString(right - r, QLatin1Char('#')));
        } else {
            const int l = left;
            left = std::max(left, -p + 1);
            if (left > c.dies)
                left = std::max(c.dies, l);
            if (left > l && left >= 2)
                tape.prepend(QString(left - l, QLatin1Char('#')));
        }
    };
    place(0);
    TOutcome o;
    QString state = QStringLiteral("q0");
    QString symbol = c.word.left(1);
    for (;;) {
        const TRow* row = nullptr;
        for (const TRow& r : c.rows)
            if (!symbol.isEmpty() && r.state.compare(state, Qt::CaseInsensitive) == 0 && r.symbol == symbol) {
                row = &r;
                break;
            }
        if (!row) {
            o.end = QStringLiteral("halt");
            break;
        }
        int hit = 0;
        for (int k = 0; k < c.points.size(); ++k) {
            TPoint& b = c.points[k];
            if (!b.enabled || !(b.state.isEmpty() || b.state == state) || !(b.symbol.isEmpty() || b.symbol == symbol))
                continue;
            if (b.counter >= b.passes) {
                b.counter = 0;
                hit = hit ? hit : k + 1;
            } else {
                ++b.counter;
            }
        }
        if (hit)
            o.breaks.append(QString::number(hit) + QLatin1Char('@') + QString::number(o.steps));
        if (o.steps >= c.limit) {
            o.end = QStringLiteral("max-steps");
            break;
        }
        const int cell = left + pos;
        if (cell <= 0 && row->delta < 0) {
            o.end = QStringLiteral("left-border");
            break;
        }
        if (cell >= tape.size() - 1 && row->delta > 0) {
            o.end = QStringLiteral("right-border");
            break;
        }
        tape[cell] = row->newSymbol[0];
        state = row->newState;
        ++o.steps;
        place(pos + row->delta);
        symbol = tape.mid(left + pos, 1);
    }
    o.state = state;
    o.symbol = symbol;
    o.tape = tape;
    return o;
}

const QString States[] = {QStringLiteral("q0"), QStringLiteral("Q0"), QStringLiteral("q1"), QStringLiteral("Q1"),
                          QStringLiteral("q2")};
const QString Symbols[] = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("#")};

TCase RandomCase(std::mt19937& random, bool withPoints) {
    const auto pick = [&](int size) { return int(random() % unsigned(size)); };
    TCase c;
    // Mostly tight tapes, where the borders and growth are met often; now and then a wide one with a long
    // run, where the head stays off the tape's ends for many steps together.
    const bool wide = pick(4) == 0;
    for (int i = pick(wide ? 40 : 6); i > 0; --i)
        c.word.append(Symbols[pick(2)]);
    c.dies = wide ? 50 + pick(50) : 1 + pick(4);
    c.limit = 1 + pick(wide ? 3000 : 120);
    for (int i = pick(12); i > 0; --i)
        c.rows.append(TRow{States[pick(5)], Symbols[pick(3)], States[pick(5)], Symbols[pick(3)], pick(3) - 1});
    if (withPoints)
        for (int i = pick(3); i > 0; --i)
            c.points.append(TPoint{pick(4) != 0, pick(3), pick(3) ? States[pick(5)] : QString(),
                                   pick(2) ? Symbols[pick(3)] : QString()});
    return c;
}

// A machine that lives at the tape's ends: each state sweeps one way over the word and mostly turns at a
// blank, now and then going on, so the head meets both ends again and again, grows the tape up to its limit
// and stops at a border. Such machines often come back to a configuration, after a long way or a short one.
TCase SweepCase(std::mt19937& random) {
    const auto pick = [&](int size) { return int(random() % unsigned(size)); };
    TCase c;
    for (int i = 1 + pick(6); i > 0; --i)
        c.word.append(Symbols[pick(2)]);
    c.dies = 1 + pick(4);
    c.limit = 1 + pick(4000);
    for (int s = 0; s < 3; ++s) {
        const int way = s == 1 ? -1 : 1;
        for (const QString& symbol : Symbols) {
            if (pick(16) == 0)
                continue;
            const bool blank = symbol == QStringLiteral("#");
            const int delta = blank ? (pick(4) ? -way : way) : (pick(8) ? way : pick(3) - 1);
            const QString next = blank || pick(6) == 0 ? States[pick(5)] : States[s * 2];
            c.rows.append(TRow{States[s * 2], symbol, next, pick(3) ? symbol : Symbols[pick(3)], delta});
        }
    }
    return c;
}

void Define(TMachine& m, const TCase& c) {
    m.SetAlphabetText(QStringLiteral("ab"));
    m.SetWordText(c.word);
    for (const QString& s : States)
        m.AddState(s);
    for (const TRow& r : c.rows) {
        m.AddState(r.state);
        m.AddState(r.newState);
    }
    m.SetInitialState(QStringLiteral("q0"));
    for (const TRow& r : c.rows)
        m.AddCommand(r.state, r.symbol, r.newState, r.newSymbol,
                     r.delta < 0   ? MoveLeftText
                     : r.delta > 0 ? MoveRightText
                                   : MoveStayText);
}

QString CellsOf(const TMachine& m) {
    QString s;
    for (const TTapeCell& cell : m.Tape())
        s.append(cell.symbol);
    return s;
}

QString EndOf(TEngine::TStop stop) {
    switch (stop) {
    case TEngine::TStop::Halt:
        return QStringLiteral("halt");
    case TEngine::TStop::LeftBorder:
        return QStringLiteral("left-border");
    case TEngine::TStop::RightBorder:
        return QStringLiteral("right-border");
    default:
        return QStringLiteral("other");
    }
}

// The window's way: one tick at a time, the views looking only at the stops, breakpoints answered OK.
TOutcome Ticked(const TCase& c) {
    TScriptedPrompts prompts;
    prompts.allowUnexpected = true;
    TConfig settings{QDir::tempPath()};
    settings.ViewLog = false;
    settings.SaveFileRun = false;
    settings.UseBreak = true;
    settings.StopOnBreak = true;
    settings.DiesCount = c.dies;
    TMachine machine(prompts, settings);
    TBreakPointList points;
    machine.SetBreakPoints(&points);
    TEngine engine(machine, prompts, settings);
    engine.SetRunState(Ready);
    Define(machine, c);
    for (const TPoint& p : c.points)
        points.AddBreakPoint(std::make_unique<TBreakPoint>(p.enabled, p.passes, p.state, p.symbol));
    TOutcome o;
    prompts.onAsk = [&](const TMessage& m) {
        if (m.caption == QStringLiteral("Останов в контрольной точке"))
            o.breaks.append(m.text.section(QStringLiteral("№ "), 1).section(QLatin1Char('\n'), 0, 0) +
                            QLatin1Char('@') +
                            m.text.section(QStringLiteral("шаг: "), 1).section(QLatin1Char('\n'), 0, 0));
    };
    engine.Start();
    while (engine.GetRunState() == Running && machine.Core().step < c.limit)
        engine.StepOnce();
    o.tape = CellsOf(machine);
    if (engine.GetRunState() == Running) {
        o.end = QStringLiteral("max-steps");
        o.steps = machine.StepNumber();
        o.state = machine.CurrentState();
        o.symbol = machine.CurrentSymbol();
        return o;
    }
    o.end = EndOf(engine.LastStop().reason);
    o.steps = engine.LastStop().step;
    o.state = engine.LastStop().state;
    o.symbol = engine.LastStop().symbol;
    return o;
}

// The headless runner's way: the tight loop.
TOutcome Batched(const TCase& c) {
    TConfig config{QString()};
    config.DiesCount = c.dies;
    config.History = false;
    config.ViewLog = false;
    TBatchRunner runner(config);
    Define(runner.Machine(), c);
    const TRunResult r = runner.Run(c.word, c.limit);
    TOutcome o;
    o.end = RunEndCode(r.end);
    o.steps = r.steps;
    o.state = r.state;
    o.symbol = r.symbol;
    o.tape = r.tape;
    return o;
}

// The headless runner with the loop check, keeping the log's rows (asked a tick at a time) or not.
QString Checked(const TCase& c, int maxCount, bool keepRows) {
    TConfig config{QString()};
    config.DiesCount = c.dies;
    config.History = true;
    config.ViewLog = true;
    config.MaxCount = maxCount;
    TBatchRunner runner(config);
    runner.KeepRows(keepRows);
    Define(runner.Machine(), c);
    const TRunResult r = runner.Run(c.word, c.limit);
    return RunEndCode(r.end) + QStringLiteral(" steps=") + QString::number(r.steps) + QStringLiteral(" loop=") +
           QString::number(r.loopStep) + QStringLiteral(" state=") + r.state + QStringLiteral(" symbol=") + r.symbol +
           QStringLiteral(" tape=") + r.tape + QLatin1Char(' ') + r.faults.join(QLatin1Char('|'));
}

} // namespace

TEST(CompiledRun, AgreesWithPlainSteppingOnRandomMachines) {
    std::mt19937 random(20261207);
    int batched = 0;
    for (int i = 0; i < 3000; ++i) {
        const TCase plain = RandomCase(random, false);
        const TOutcome expected = Reference(plain);
        const TOutcome b = Batched(plain);
        if (b.end != QStringLiteral("refused")) {
            ASSERT_EQ(b, expected) << "case " << i;
            ++batched;
        }
        const TCase withPoints = RandomCase(random, true);
        ASSERT_EQ(Ticked(withPoints), Reference(withPoints)) << "case " << i;
    }
    // The runner refuses machines that fail the data check (about two in three of these).
    EXPECT_GT(batched, 800);
}

TEST(CompiledRun, AgreesWithPlainSteppingOnMachinesAtTheTapesEnds) {
    std::mt19937 random(20261209);
    int batched = 0;
    int borders = 0;
    for (int i = 0; i < 1500; ++i) {
        const TCase c = SweepCase(random);
        const TOutcome expected = Reference(c);
        const TOutcome b = Batched(c);
        if (b.end == QStringLiteral("refused"))
            continue;
        ASSERT_EQ(b, expected) << "case " << i;
        ++batched;
        borders += expected.end.endsWith(QStringLiteral("border"));
    }
    EXPECT_GT(batched, 1000);
    EXPECT_GT(borders, 200);
}

TEST(CompiledRun, AgreesWithPlainSteppingWhateverTheNumberOfStates) {
    // A scrambled walk over every state: a few states, as many as the inner loop has room for, and more,
    // which run the general way.
    for (const int states : {5, 100, 300}) {
        TCase c{QStringLiteral("abbaababbbaabab"), 99, 20000, {}, {}};
        const auto name = [&](int i) { return QStringLiteral("q") + QString::number(i % states); };
        for (int i = 0; i < states; ++i) {
            c.rows.append(TRow{name(i), QStringLiteral("a"), name(i * 7 + 1), QStringLiteral("b"), 1});
            c.rows.append(TRow{name(i), QStringLiteral("b"), name(i * 13 + 5), QStringLiteral("a"), -1});
            c.rows.append(TRow{name(i), QStringLiteral("#"), name(i + 3), QStringLiteral("a"), i % 2 ? 1 : -1});
        }
        const TOutcome expected = Reference(c);
        EXPECT_GT(expected.steps, 300) << states;
        EXPECT_EQ(Batched(c), expected) << states;
        EXPECT_EQ(Ticked(c), expected) << states;
    }
}

TEST(CompiledRun, LoopCheckStopsWhereTheLogWould) {
    // The log keeps whole snapshots and is asked a tick at a time; the loop check compares checkpoints as the
    // compiled run goes. On random machines, with windows of 1 to 40 rows, both must stop at the same step
    // and name the same earlier step.
    // Half of them live at the tape's ends and run longer, with windows of up to 300 rows.
    std::mt19937 random(20261208);
    int loops = 0;
    for (int i = 0; i < 3000; ++i) {
        // Every state has a row for nearly every symbol, so that most runs go on until they loop.
        const auto pick = [&](int size) { return int(random() % unsigned(size)); };
        const bool sweep = i % 2 != 0;
        TCase c{QString(), 3 + pick(10), 1 + pick(500), {}, {}};
        if (sweep) {
            c = SweepCase(random);
            c.limit = 1 + c.limit % 1500;
        } else {
            for (int k = 1 + pick(8); k > 0; --k)
                c.word.append(Symbols[pick(2)]);
            for (int s = 0; s < 3; ++s)
                for (const QString& symbol : Symbols)
                    if (pick(20) != 0)
                        c.rows.append(TRow{States[s * 2], symbol, States[pick(3) * 2], Symbols[pick(3)], pick(3) - 1});
        }
        const int maxCount = 1 + pick(sweep ? 300 : 40);
        const QString logged = Checked(c, maxCount, true);
        ASSERT_EQ(Checked(c, maxCount, false), logged) << "case " << i;
        loops += logged.startsWith(QStringLiteral("loop"));
    }
    EXPECT_GT(loops, 250);
}

TEST(CompiledRun, LoopCheckStopsWhereTheLogWouldWhateverTheNumberOfStates) {
    // Walks that turn at the blanks over a word of two symbols come back to a configuration sooner or later:
    // with a few states in the inner loop, with 260 states the general way.
    std::mt19937 random(20261210);
    const auto pick = [&](int size) { return int(random() % unsigned(size)); };
    int loops = 0;
    for (const int states : {5, 260})
        for (int i = 0; i < (states < 100 ? 10 : 4); ++i) {
            TCase c{QStringLiteral("ab"), 1 + pick(3), 3000, {}, {}};
            // Even states go right, odd ones left; a blank sends the head back to a state going the other way.
            const auto name = [&](int k) { return QStringLiteral("q") + QString::number(k); };
            const auto going = [&](int way) { return name((pick(states / 2) * 2 + (way < 0)) % states); };
            for (int k = 0; k < states; ++k) {
                const int way = k % 2 ? -1 : 1;
                for (const QString& symbol : {Symbols[0], Symbols[1]})
                    c.rows.append(TRow{name(k), symbol, going(way), Symbols[pick(2)], way});
                c.rows.append(TRow{name(k), Symbols[2], going(-way), Symbols[2], -way});
            }
            const int maxCount = 1 + pick(1500);
            const QString logged = Checked(c, maxCount, true);
            ASSERT_EQ(Checked(c, maxCount, false), logged) << states << " states, case " << i;
            loops += logged.startsWith(QStringLiteral("loop"));
        }
    EXPECT_GT(loops, 6);
}
