// The transition table and the handout page of a machine of N states and N commands (one command on each
// state, alphabet "ab"): the table is built again at every edit while its window is open, the page at every
// export. Compare N = 100,000 with N = 1,000 (figures in bench/README.md).

#include "machine/machine.h"
#include "settings/config.h"
#include "programmain.h"
#include "silentprompts.h"
#include "table/handout.h"
#include "table/transitiontable.h"

#include <benchmark/benchmark.h>

namespace {

struct TBigMachine {
    TSilentPrompts prompts;
    TConfig settings{QString()};
    TMachine machine{prompts, settings};

    explicit TBigMachine(int n) {
        machine.SetAlphabetText(QStringLiteral("ab"));
        QStringList states;
        QList<TCommandRow> rows;
        for (int i = 0; i < n; ++i) {
            const QString s = QStringLiteral("s") + QString::number(i);
            states.append(s);
            rows.append(TCommandRow{s, QStringLiteral("a"), s, QStringLiteral("b"), MoveRightText, 0});
        }
        machine.AppendLoaded(states, rows);
    }
};

void BM_BuildTable(benchmark::State& state) {
    TBigMachine m(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildTransitionTable(m.machine));
}
BENCHMARK(BM_BuildTable)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_HandoutPage(benchmark::State& state) {
    TBigMachine m(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(HandoutHtml(m.machine, THandout{QStringLiteral("big.qtm"), QString(), false}));
}
BENCHMARK(BM_HandoutPage)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

QTM_BENCHMARK_MAIN()
