// The accelerated run (qtm-run --fast) against the machines compiled by hand into code: the five-state busy
// beaver champion from a blank tape to its halt, next to the same machine as a goto loop (one label a state,
// one branch on the symbol read, as ../shared/bench/bb5_compiled.c), and the six-state machine of 2000 to its
// halt after 8,690,333,381,690,951 steps.

#include "accel/accelrun.h"
#include "breakpoints/breakpoint.h"
#include "files/qtmfile.h"
#include "machine/machine.h"
#include "runner/batchrun.h"
#include "settings/config.h"
#include "silentprompts.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

// Rows as "state symbol new-state new-symbol move" over the blank "#" and "1", starting in A.
QString WriteMachine(const QTemporaryDir& dir, const QString& name, const QList<QStringList>& rows) {
    TSilentPrompts prompts;
    TConfig config{QString()};
    TMachine m(prompts, config);
    TBreakPointList breaks;
    m.SetAlphabetText(QStringLiteral("1"));
    m.SetWordText(QStringLiteral("1"));
    for (const QStringList& r : rows)
        m.AddState(r[0]);
    m.AddState(QStringLiteral("H"));
    m.SetInitialState(QStringLiteral("A"));
    for (const QStringList& r : rows)
        m.AddCommand(r[0], r[1], r[2], r[3], r[4] == u"L" ? MoveLeftText : MoveRightText);
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(MachineFileBytes(m, breaks));
    return path;
}

// A table as the busy beaver literature writes it: per state, on a blank and on 1, the new state, the symbol
// written and the move.
QList<QStringList> Rows(const char* table) {
    const QStringList cells = QString::fromLatin1(table).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QList<QStringList> rows;
    for (int i = 0; i < cells.size(); ++i) {
        const QString state(QLatin1Char(char('A' + i / 2)));
        const QString& c = cells[i];
        rows.append({state, i % 2 ? QStringLiteral("1") : QStringLiteral("#"), c.left(1),
                     c[1] == u'1' ? QStringLiteral("1") : QStringLiteral("#"), c.mid(2, 1)});
    }
    return rows;
}

const char* const Beaver5 = "B1R C1L  C1R B1R  D1R E0L  A1L D1L  H1R A0L";
const char* const Beaver6 = "B1R A1R  C1L B1L  F0R D1L  A1R E0L  H1R F1L  A0L C0L";

void RunFast(benchmark::State& state, const char* table, const char* steps, const char* ones) {
    QTemporaryDir dir;
    TConfig config{QString()};
    config.DiesCount = 0;
    config.History = false;
    config.ViewLog = false;
    TBatchRunner runner(config);
    runner.SetEmptyWordOnBlanks(true);
    QStringList warnings;
    QString error;
    if (!runner.Load(WriteMachine(dir, QStringLiteral("m.qtm"), Rows(table)), warnings, error)) {
        state.SkipWithError("the machine did not load");
        return;
    }
    TFastResult fast;
    for (auto _ : state) {
        const TRunResult r = runner.RunFast(QString(), mpz_class("1000000000000000000000"), fast);
        if (r.end != TRunEnd::Halt || fast.steps != mpz_class(steps) || fast.Counts()['1'] != mpz_class(ones))
            state.SkipWithError("the machine did not halt as published");
    }
    state.counters["steps"] = fast.steps.get_d();
    state.counters["block"] = fast.blockSize;
    state.counters["block_steps"] = double(fast.macroSteps);
}

void BM_FastBeaver5(benchmark::State& state) {
    RunFast(state, Beaver5, "47176870", "4098");
}
BENCHMARK(BM_FastBeaver5)->Unit(benchmark::kMillisecond);

// The champion as code, one label a state: the limit for stepping one step at a time.
void BM_CompiledBeaver5(benchmark::State& state) {
    for (auto _ : state) {
        std::vector<unsigned char> tape(40000, 0);
        unsigned char* h = tape.data() + 20000;
        long long steps = 0;
#define QTM_STEP(w0, d0, n0, w1, d1, n1)                                                                               \
    ++steps;                                                                                                           \
    if (*h) {                                                                                                          \
        *h = w1;                                                                                                       \
        h += d1;                                                                                                       \
        goto n1;                                                                                                       \
    }                                                                                                                  \
    *h = w0;                                                                                                           \
    h += d0;                                                                                                           \
    goto n0;
    A:
        QTM_STEP(1, +1, B, 1, -1, C)
    B:
        QTM_STEP(1, +1, C, 1, +1, B)
    C:
        QTM_STEP(1, +1, D, 0, -1, E)
    D:
        QTM_STEP(1, -1, A, 1, -1, D)
    E:
        QTM_STEP(1, +1, H, 0, -1, A)
    H:
#undef QTM_STEP
        benchmark::DoNotOptimize(steps);
        benchmark::DoNotOptimize(tape.data());
        if (steps != 47176870)
            state.SkipWithError("the champion did not halt as published");
    }
}
BENCHMARK(BM_CompiledBeaver5)->Unit(benchmark::kMillisecond);

void BM_FastBeaver6(benchmark::State& state) {
    RunFast(state, Beaver6, "8690333381690951", "95524079");
}
BENCHMARK(BM_FastBeaver6)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
