// The window's run to the end against the headless runner on a 20-bit binary counter (44,040,191 steps),
// both with the log and the loop check on: the run to the end hands each slice to a worker thread and gives
// the window's log its last MaxCount rows at the end.

#include "breakpoints/breakpoint.h"
#include "log/runlog.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "runner/batchrun.h"
#include "runner/runtoend.h"
#include "settings/config.h"
#include "silentprompts.h"

#include <benchmark/benchmark.h>

namespace {

constexpr qint64 CounterSteps = 44040191;
const QString CounterWord(20, QLatin1Char('0'));

// right: to the blank after the number; carry: add one from the right; back: to the blank before it. Each
// number takes 42 steps; the carry out of the last one halts on the blank before the word.
void DefineCounter(TMachine& m) {
    m.SetAlphabetText(QStringLiteral("01"));
    m.SetWordText(CounterWord);
    m.SetInitialState(QStringLiteral("right"));
    m.AddState(QStringLiteral("carry"));
    m.AddState(QStringLiteral("back"));
    const char* rows[][5] = {{"right", "0", "right", "0", "R"}, {"right", "1", "right", "1", "R"},
                             {"right", "#", "carry", "#", "L"}, {"carry", "1", "carry", "0", "L"},
                             {"carry", "0", "back", "1", "L"},  {"back", "0", "back", "0", "L"},
                             {"back", "1", "back", "1", "L"},   {"back", "#", "right", "#", "R"}};
    for (const auto& r : rows)
        m.AddCommand(QString::fromLatin1(r[0]), QString::fromLatin1(r[1]), QString::fromLatin1(r[2]),
                     QString::fromLatin1(r[3]), r[4][0] == 'L' ? MoveLeftText : MoveRightText);
}

TConfig Settings(int maxCount) {
    TConfig config{QString()};
    config.SetMaxCount(maxCount);
    config.RunSpeed = 1000;
    config.ViewLog = true;
    config.History = true;
    config.SaveFileRun = false;
    return config;
}

void BM_RunToEndCounter(benchmark::State& state) {
    TSilentPrompts prompts;
    TConfig config = Settings(int(state.range(0)));
    TMachine machine(prompts, config);
    TBreakPointList points;
    machine.SetBreakPoints(&points);
    TEngine engine(machine, prompts, config);
    TRunLog log(config);
    engine.SetRunLog(&log);
    engine.SetRunState(Ready);
    DefineCounter(machine);
    TRunToEnd fast(machine, engine, config);
    for (auto _ : state) {
        fast.Start();
        fast.Wait();
        if (engine.LastStop().reason != TEngine::TStop::Halt || engine.LastStop().step != CounterSteps ||
            log.RowCount() != config.MaxCount)
            state.SkipWithError("the counter did not halt as it should");
    }
    state.SetItemsProcessed(state.iterations() * CounterSteps);
}
// The log's length as the program starts with it and at its greatest.
BENCHMARK(BM_RunToEndCounter)->Arg(1000)->Arg(9999)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RunnerCounter20(benchmark::State& state) {
    TBatchRunner runner(Settings(int(state.range(0))));
    DefineCounter(runner.Machine());
    for (auto _ : state) {
        const TRunResult r = runner.Run(CounterWord, CounterSteps * 2);
        if (r.end != TRunEnd::Halt || r.steps != CounterSteps)
            state.SkipWithError("the counter did not halt as it should");
    }
    state.SetItemsProcessed(state.iterations() * CounterSteps);
}
BENCHMARK(BM_RunnerCounter20)->Arg(1000)->Arg(9999)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
