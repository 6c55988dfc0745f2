// Cost of one engine tick with the run log and its loop check on (History, automatic word form), with 100
// and with 9 999 rows held. The log is filled to its limit first, so every measured tick drops a row as
// it adds one, and the loop search faces every held row. The ratio of the two shows whether the tick
// depends on the number of rows held.

#include "log/runlog.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "settings/config.h"
#include "silentprompts.h"

#include <benchmark/benchmark.h>

namespace {

// A 40-bit binary counter that counts for ever: its configurations never repeat, so the loop check
// searches and never stops the run.
void DefineCounter(TMachine& m, int bits = 40) {
    m.SetAlphabetText(QStringLiteral("01"));
    m.SetWordText(QString(bits, QLatin1Char('0')));
    m.SetInitialState(QStringLiteral("right"));
    const char* const commands[][5] = {
        {"right", "0", "right", "0", "R"}, {"right", "1", "right", "1", "R"}, {"right", "#", "carry", "#", "L"},
        {"carry", "1", "carry", "0", "L"}, {"carry", "0", "right", "1", "R"},
    };
    for (const auto& c : commands)
        m.AddCommand(QString::fromLatin1(c[0]), QString::fromLatin1(c[1]), QString::fromLatin1(c[2]),
                     QString::fromLatin1(c[3]), c[4][0] == 'R' ? MoveRightText : MoveLeftText);
}

// Ticks the counter over a word of `bits` symbols with the log at `rows` rows (0: no log at all), after
// `warmUp` ticks unmeasured.
void TickWithLog(benchmark::State& state, int rows, int bits, int warmUp) {
    TSilentPrompts prompts;
    TConfig settings{QString()};
    settings.SaveFileRun = false;
    settings.ViewLog = rows > 0;
    settings.History = true;
    settings.SetLogWord(1);
    settings.SetMaxCount(std::max(1, rows));
    TMachine machine(prompts, settings);
    machine.SetNotifications(false);
    TEngine engine(machine, prompts, settings);
    TRunLog log(settings);
    engine.SetRunLog(&log);
    engine.SetRunState(Ready);
    DefineCounter(machine, bits);
    engine.Start();
    for (int i = 0; i < warmUp; ++i)
        engine.StepOnce();
    for (auto _ : state)
        engine.StepOnce();
    if (engine.GetRunState() != Running)
        state.SkipWithError("the counter stopped");
    state.counters["rows"] = log.RowCount();
    state.SetItemsProcessed(state.iterations());
}

void BM_TickWithLog(benchmark::State& state) {
    const int rows = int(state.range(0));
    TickWithLog(state, rows, 40, std::max(1, rows) + 10);
}
// 0: no log at all, for comparison.
BENCHMARK(BM_TickWithLog)->Arg(0)->Arg(100)->Arg(9999);

// The same counter over a word of N symbols with R rows held (the log full before timing): the log follows
// the tape by the cell each step writes, so a tick should cost the same however long the tape.
void BM_TickWithLogLongWord(benchmark::State& state) {
    const int rows = int(state.range(1));
    TickWithLog(state, rows, int(state.range(0)), rows + 10);
}
BENCHMARK(BM_TickWithLogLongWord)
    ->Args({1000, 1000})
    ->Args({1000000, 1000})
    ->Args({1000, 9999})
    ->Args({1000000, 9999})
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
