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

void BM_TickWithLog(benchmark::State& state) {
    TSilentPrompts prompts;
    TConfig settings{QString()};
    settings.SaveFileRun = false;
    settings.ViewLog = state.range(0) > 0;
    settings.History = true;
    settings.SetLogWord(1);
    settings.SetMaxCount(static_cast<int>(std::max<int64_t>(1, state.range(0))));
    TMachine machine(prompts, settings);
    machine.SetNotifications(false);
    TEngine engine(machine, prompts, settings);
    TRunLog log(settings);
    engine.SetRunLog(&log);
    engine.SetRunState(Ready);
    DefineCounter(machine);
    engine.Start();
    for (int i = 0; i < settings.MaxCount + 10; ++i)
        engine.StepOnce();
    for (auto _ : state)
        engine.StepOnce();
    if (engine.GetRunState() != Running)
        state.SkipWithError("the counter stopped");
    state.counters["rows"] = log.RowCount();
    state.SetItemsProcessed(state.iterations());
}
// 0: no log at all, for comparison.
BENCHMARK(BM_TickWithLog)->Arg(0)->Arg(100)->Arg(9999);

// The same counter over a word of N symbols, the log at its default of 1000 rows: a tick copies the tape for
// the loop search and for its row, so it costs in proportion to the tape; the rows' tapes stay within the
// log's budget.
void BM_TickWithLogLongWord(benchmark::State& state) {
    TSilentPrompts prompts;
    TConfig settings{QString()};
    settings.SaveFileRun = false;
    settings.ViewLog = true;
    settings.History = true;
    settings.SetLogWord(1);
    settings.SetMaxCount(1000);
    TMachine machine(prompts, settings);
    machine.SetNotifications(false);
    TEngine engine(machine, prompts, settings);
    TRunLog log(settings);
    engine.SetRunLog(&log);
    engine.SetRunState(Ready);
    DefineCounter(machine, int(state.range(0)));
    engine.Start();
    for (auto _ : state)
        engine.StepOnce();
    if (engine.GetRunState() != Running)
        state.SkipWithError("the counter stopped");
    state.counters["rows"] = log.RowCount();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TickWithLogLongWord)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
