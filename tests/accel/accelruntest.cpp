#include "accel/accelrun.h"
#include "cli/runnercli.h"
#include "machine/machine.h"
#include "runner/batchrun.h"
#include "settings/config.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <random>

// The accelerated run against the run core on thousands of random machines: the end, the exact step count,
// the state, the symbol under the head, the head and the whole tape must agree, whatever the block size, with
// step limits and tape limits that fall inside the blocks' steps.

namespace {

struct TRule {
    QString state;
    QString symbol;
    QString newState;
    QString newSymbol;
    int delta;
};

struct TCase {
    QString word;
    int dies = 0;
    qint64 limit = 0;
    int block = 1;
    QString alphabet;
    QStringList states;
    QList<TRule> rules;
};

QString Move(int delta) {
    return delta < 0 ? MoveLeftText : delta > 0 ? MoveRightText : MoveStayText;
}

void Define(TMachine& m, const TCase& c) {
    m.SetAlphabetText(c.alphabet);
    m.SetWordText(c.word);
    for (const QString& s : c.states)
        m.AddState(s);
    m.AddState(QStringLiteral("H"));
    m.SetInitialState(c.states.first());
    for (const TRule& r : c.rules)
        m.AddCommand(r.state, r.symbol, r.newState, r.newSymbol, Move(r.delta));
}

// Machines of 2 to 6 states over 2 to 4 symbols with the blank. Half of them sweep: on a symbol other than
// the blank a state mostly keeps its way and itself, as counters and busy beavers do, so that runs of equal
// blocks are crossed in one go; the rest are any rules at all.
TCase RandomCase(std::mt19937& random) {
    const auto pick = [&](int n) { return int(random() % unsigned(n)); };
    TCase c;
    const int states = 2 + pick(5);
    const int symbols = 1 + pick(3);
    c.alphabet = QStringLiteral("abc").left(symbols);
    QStringList all = c.alphabet.split(QString(), Qt::SkipEmptyParts);
    all.append(QStringLiteral("#"));
    for (int s = 0; s < states; ++s)
        c.states.append(QString(QLatin1Char(char('A' + s))));
    const bool sweeps = pick(2) == 0;
    for (int s = 0; s < states; ++s) {
        const int way = pick(2) ? 1 : -1;
        for (const QString& symbol : all) {
            // A missing rule halts, as does the state H.
            if (pick(14) == 0)
                continue;
            TRule r{c.states[s], symbol, c.states[pick(states)], all[pick(int(all.size()))], pick(2) ? 1 : -1};
            if (pick(40) == 0)
                r.newState = QStringLiteral("H");
            if (pick(12) == 0)
                r.delta = 0;
            if (sweeps && symbol != QStringLiteral("#") && pick(4) != 0) {
                r.newState = c.states[s];
                r.delta = way;
            }
            c.rules.append(r);
        }
    }
    for (int i = pick(3) == 0 ? 0 : pick(12); i > 0; --i)
        c.word.append(c.alphabet[pick(symbols)]);
    static const int Dies[] = {0, 0, 0, 1, 2, 3, 5, 9, 30};
    c.dies = Dies[pick(9)];
    c.limit = 1 + pick(pick(4) == 0 ? 100 : 6000);
    c.block = 1 + pick(8);
    return c;
}

QString Outcome(const TRunResult& r) {
    return RunEndCode(r.end) + QStringLiteral(" steps=") + QString::number(r.steps) + QStringLiteral(" state=") +
           r.state + QStringLiteral(" symbol=") + r.symbol + QStringLiteral(" head=") + QString::number(r.head) +
           QStringLiteral(" tape=") + r.tape;
}

QString Describe(const TCase& c) {
    QString text = QStringLiteral("word '") + c.word + QStringLiteral("' dies ") + QString::number(c.dies) +
                   QStringLiteral(" limit ") + QString::number(c.limit) + QStringLiteral(" block ") +
                   QString::number(c.block) + QLatin1Char('\n');
    for (const TRule& r : c.rules)
        text += r.state + QLatin1Char(' ') + r.symbol + QStringLiteral(" -> ") + r.newState + QLatin1Char(' ') +
                r.newSymbol + QLatin1Char(' ') + QString::number(r.delta) + QLatin1Char('\n');
    return text;
}

TConfig Plain(int dies) {
    TConfig config{QString()};
    config.DiesCount = dies;
    config.History = false;
    config.ViewLog = false;
    return config;
}

} // namespace

TEST(AcceleratedRun, AgreesWithTheRunCoreOnRandomMachines) {
    std::mt19937 random(51);
    std::uint64_t macroSteps = 0;
    int cases = 0;
    for (int i = 0; i < 2000; ++i) {
        const TCase c = RandomCase(random);
        TBatchRunner runner(Plain(c.dies));
        runner.SetEmptyWordOnBlanks(true);
        Define(runner.Machine(), c);
        const TRunResult plain = runner.Run(c.word, c.limit);
        if (plain.end == TRunEnd::Refused)
            continue;
        // A limit that falls inside a block's steps now and then: the plain run's own count, give or take.
        TFastResult fast;
        const TRunResult accelerated = runner.RunFast(c.word, mpz_class(long(c.limit)), fast, 1 << 20, c.block);
        ASSERT_EQ(Outcome(accelerated), Outcome(plain)) << Describe(c).toStdString();
        macroSteps += fast.macroSteps;
        ++cases;
    }
    EXPECT_GT(cases, 1600);
    // The blocks were used, not only single steps.
    EXPECT_GT(macroSteps, 50000u);
}

namespace {

// A machine in the rule-per-line format of other simulators ("_" the blank, "halt" stops), run by qtm-run.
QString RunCli(const QString& rules, QStringList args) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("m.tm"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(rules.toLatin1());
    file.close();
    QString out;
    QString err;
    QTextStream o(&out);
    QTextStream e(&err);
    args.prepend(path);
    args.prepend(QStringLiteral("qtm-run"));
    RunBatch(args, o, e);
    return out + err;
}

QJsonObject Json(const QString& line) {
    return QJsonDocument::fromJson(line.toUtf8()).object();
}

const char* const Beaver5 = "A _ 1 r B\nA 1 1 l C\nB _ 1 r C\nB 1 1 r B\nC _ 1 r D\nC 1 _ l E\nD _ 1 l A\nD 1 1 l D\n"
                            "E _ 1 r halt\nE 1 _ l A\n";

} // namespace

// The champions of two to five states from a blank tape, to their published step counts and ones.
TEST(AcceleratedRun, BusyBeaversReachTheirPublishedFigures) {
    const struct {
        const char* rules;
        const char* steps;
        const char* ones;
    } beavers[] = {
        {"A _ 1 r B\nA 1 1 l B\nB _ 1 l A\nB 1 1 r halt\n", "6", "4"},
        {"A _ 1 r B\nA 1 1 r halt\nB _ _ r C\nB 1 1 r B\nC _ 1 l C\nC 1 1 l A\n", "14", "6"},
        {"A _ 1 r B\nA 1 1 r halt\nB _ 1 l B\nB 1 _ r C\nC _ 1 l C\nC 1 1 l A\n", "21", "5"},
        {"A _ 1 r B\nA 1 1 l B\nB _ 1 l A\nB 1 _ l C\nC _ 1 r halt\nC 1 1 l D\nD _ 1 r D\nD 1 _ r A\n", "107", "13"},
        {Beaver5, "47176870", "4098"},
    };
    for (const auto& b : beavers) {
        const QJsonObject o = Json(RunCli(QString::fromLatin1(b.rules),
                                          {QStringLiteral("--fast"), QStringLiteral("--word"), QString(),
                                           QStringLiteral("--dies"), QStringLiteral("0"), QStringLiteral("--max-steps"),
                                           QStringLiteral("1e9"), QStringLiteral("--json")}));
        EXPECT_EQ(o.value(QStringLiteral("end")).toString(), QStringLiteral("halt")) << b.steps;
        EXPECT_EQ(QString::number(o.value(QStringLiteral("steps")).toInteger()), QLatin1String(b.steps));
        EXPECT_EQ(o.value(QStringLiteral("counts")).toObject().value(QStringLiteral("1")).toString(),
                  QLatin1String(b.ones));
    }
}

// At the window's widest tape the five-state champion stops at the left border; with --dies 0 plain stepping
// runs it to its halt too.
TEST(AcceleratedRun, DiesZeroLetsTheTapeGrowWithoutLimit) {
    const QStringList blank = {QStringLiteral("--word"),
                               QString(),
                               QStringLiteral("--no-loop-check"),
                               QStringLiteral("--max-steps"),
                               QStringLiteral("1e8"),
                               QStringLiteral("--json")};
    const QJsonObject border = Json(RunCli(QString::fromLatin1(Beaver5), blank + QStringList{"--dies", "99"}));
    EXPECT_EQ(border.value(QStringLiteral("end")).toString(), QStringLiteral("left-border"));
    EXPECT_EQ(border.value(QStringLiteral("steps")).toInteger(), 4263);
    const QJsonObject plain = Json(RunCli(QString::fromLatin1(Beaver5), blank + QStringList{"--dies", "0"}));
    EXPECT_EQ(plain.value(QStringLiteral("end")).toString(), QStringLiteral("halt"));
    EXPECT_EQ(plain.value(QStringLiteral("steps")).toInteger(), 47176870);
    EXPECT_EQ(plain.value(QStringLiteral("inner")).toString().count(u'1'), 4098);
}

// A head running away over blanks to a limit beyond 64 bits: the steps exact and a string, the tape compressed.
TEST(AcceleratedRun, LimitsBeyondSixtyFourBitsAndCompressedTapes) {
    const QString away = QStringLiteral("A _ 1 r A\n");
    const QStringList args = {QStringLiteral("--fast"), QStringLiteral("--word"), QString(),
                              QStringLiteral("--dies"), QStringLiteral("0"),      QStringLiteral("--max-steps"),
                              QStringLiteral("1e40")};
    const QJsonObject o = Json(RunCli(away, args + QStringList{QStringLiteral("--json")}));
    const QString big = QStringLiteral("10000000000000000000000000000000000000000");
    EXPECT_EQ(o.value(QStringLiteral("end")).toString(), QStringLiteral("max-steps"));
    EXPECT_EQ(o.value(QStringLiteral("steps")).toString(), big);
    EXPECT_EQ(o.value(QStringLiteral("head")).toString(), big);
    EXPECT_EQ(o.value(QStringLiteral("counts")).toObject().value(QStringLiteral("1")).toString(), big);
    EXPECT_EQ(o.value(QStringLiteral("inner")).toString(), QStringLiteral("1^") + big);
    EXPECT_EQ(o.value(QStringLiteral("tape")).toString(), QStringLiteral("# 1^") + big + QStringLiteral(" ##"));
    // Up to 2^53 a number.
    EXPECT_EQ(Json(RunCli(away, {"--fast", "--word", "", "--dies", "0", "--max-steps", "2.5e3", "--json"}))
                  .value(QStringLiteral("steps"))
                  .toInteger(),
              2500);
    EXPECT_EQ(RunCli(QString::fromLatin1(Beaver5), {"--fast", "--word", "", "--dies", "0", "--max-steps", "1e9"}),
              QStringLiteral("(пустое слово)\tостанов\tшагов: 47176870\tсостояние: halt\tсимвол: #\tлента: "
                             "1#1 (##1##1)^2047 ##11\n"));
    EXPECT_TRUE(RunCli(away, {"--max-steps", "1e", "--fast"}).startsWith(QStringLiteral("Неверное число шагов: 1e")));
    EXPECT_TRUE(RunCli(away, {"--max-steps", "0", "--fast"}).startsWith(QStringLiteral("Неверное число шагов: 0")));
}
