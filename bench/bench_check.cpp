// The model's side of editing a machine of N states and N commands (one command on each state): a state
// added and deleted again, a command added and deleted again, each with the command check the machine runs
// after it; the silent check a step runs before a run; the check with a report, as the data check makes it;
// and compiling the rules for a run. Compare N = 100,000 with N = 1,000: each should grow no faster than N.

#include "check/checkstate.h"
#include "check/validation.h"
#include "machine/machine.h"
#include "settings/config.h"
#include "programmain.h"
#include "silentprompts.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct TBigMachine {
    TSilentPrompts prompts;
    TConfig settings{QString()};
    TMachine machine{prompts, settings};
    TValidation validation{machine};

    explicit TBigMachine(int n) {
        machine.SetChecks(&validation);
        machine.SetAlphabetText(QStringLiteral("ab"));
        machine.SetWordText(QStringLiteral("ab"));
        QStringList states;
        QList<TCommandRow> rows;
        for (int i = 0; i < n; ++i) {
            const QString s = QStringLiteral("s") + QString::number(i);
            states.append(s);
            rows.append(TCommandRow{s, QStringLiteral("a"), s, QStringLiteral("b"), MoveRightText, 0});
        }
        machine.AppendLoaded(states, rows);
        machine.SetInitialState(QStringLiteral("s0"));
    }
};

void BM_StateAddDelete(benchmark::State& state) {
    TBigMachine m(int(state.range(0)));
    for (auto _ : state) {
        m.machine.AddState(QStringLiteral("extra"));
        m.machine.RemoveState(int(m.machine.States().size()) - 1);
    }
}
BENCHMARK(BM_StateAddDelete)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_CommandAddDelete(benchmark::State& state) {
    TBigMachine m(int(state.range(0)));
    for (auto _ : state) {
        m.machine.AddCommand(QStringLiteral("s0"), QStringLiteral("b"), QStringLiteral("s0"), QStringLiteral("a"),
                             MoveLeftText);
        m.machine.RemoveCommand(int(m.machine.Commands().size()) - 1);
        m.validation.CheckCommands();
    }
}
BENCHMARK(BM_CommandAddDelete)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ValidateBeforeRun(benchmark::State& state) {
    TBigMachine m(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(m.validation.ValidateMachine());
}
BENCHMARK(BM_ValidateBeforeRun)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ValidateWithReport(benchmark::State& state) {
    TBigMachine m(int(state.range(0)));
    for (auto _ : state) {
        TCheckState report;
        benchmark::DoNotOptimize(m.validation.ValidateMachine(&report));
    }
}
BENCHMARK(BM_ValidateWithReport)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_CompileRules(benchmark::State& state) {
    TBigMachine m(int(state.range(0)));
    TRunCore core;
    for (auto _ : state)
        core.Compile(m.machine.Commands());
}
BENCHMARK(BM_CompileRules)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

QTM_BENCHMARK_MAIN()
