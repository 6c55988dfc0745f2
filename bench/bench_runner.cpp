// Steps per second of the headless runner on a long machine (a binary counter that grows to the left over
// the widest tape the settings allow), next to a plain array-and-switch loop running the same counter.

#include "breakpoints/breakpoint.h"
#include "files/qtmfile.h"
#include "machine/machine.h"
#include "platform/prompts.h"
#include "silentprompts.h"
#include "runner/batchrun.h"
#include "settings/config.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

// right: walk to the blank after the number; inc: add one from the right, carrying to the left.
QString WriteCounter(const QTemporaryDir& dir) {
    TSilentPrompts prompts;
    TConfig config{QString()};
    TMachine m(prompts, config);
    TBreakPointList breaks;
    m.SetAlphabetText(QStringLiteral("01"));
    m.SetWordText(QStringLiteral("0"));
    m.SetInitialState(QStringLiteral("right"));
    m.AddState(QStringLiteral("inc"));
    const char* rows[][5] = {{"right", "0", "right", "0", "R"}, {"right", "1", "right", "1", "R"},
                             {"right", "#", "inc", "#", "L"},   {"inc", "1", "inc", "0", "L"},
                             {"inc", "0", "right", "1", "R"},   {"inc", "#", "right", "1", "R"}};
    for (const auto& r : rows)
        m.AddCommand(QString::fromLatin1(r[0]), QString::fromLatin1(r[1]), QString::fromLatin1(r[2]),
                     QString::fromLatin1(r[3]), r[4][0] == 'L' ? MoveLeftText : MoveRightText);
    const QString path = dir.filePath(QStringLiteral("counter.qtm"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(MachineFileBytes(m, breaks));
    return path;
}

void BM_RunnerCounter(benchmark::State& state) {
    QTemporaryDir dir;
    TConfig config{QString()};
    config.SetDiesCount(99);
    TBatchRunner runner(config);
    QStringList warnings;
    QString error;
    if (!runner.Load(WriteCounter(dir), warnings, error)) {
        state.SkipWithError("the counter did not load");
        return;
    }
    const int steps = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const TRunResult r = runner.Run(QStringLiteral("0"), steps);
        if (r.end != TRunEnd::StepLimit)
            state.SkipWithError("the counter stopped");
    }
    state.SetItemsProcessed(state.iterations() * steps);
}
BENCHMARK(BM_RunnerCounter)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_ReferenceCounter(benchmark::State& state) {
    const int steps = static_cast<int>(state.range(0));
    for (auto _ : state) {
        std::vector<char> tape(1 + 99 + 1 + 99, '#');
        int head = 100;
        tape[head] = '0';
        enum { Right, Inc } s = Right;
        for (int i = 0; i < steps; ++i) {
            char& c = tape[head];
            switch (s) {
            case Right:
                if (c == '#') {
                    s = Inc;
                    --head;
                } else {
                    ++head;
                }
                break;
            case Inc:
                if (c == '1') {
                    c = '0';
                    --head;
                } else {
                    c = '1';
                    s = Right;
                    ++head;
                }
                break;
            }
        }
        benchmark::DoNotOptimize(tape.data());
        benchmark::DoNotOptimize(head);
    }
    state.SetItemsProcessed(state.iterations() * steps);
}
BENCHMARK(BM_ReferenceCounter)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
