#include "accel/accelrun.h"
#include "machine/machine.h"
#include "runner/batchrun.h"
#include "settings/config.h"

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
