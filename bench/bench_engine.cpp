// Cost of one tick of the step engine on a machine of 50 commands that sweeps a 255-symbol word back and
// forth, next to the compiled step alone and a plain array-and-switch loop doing the same sweep, so the
// differences show the engine's overhead. Then the same tick with breakpoints in the file, on a short and a
// long word, with the views brought up to date after every tick: the cost must not grow with the tape.

#include "breakpoints/breakpoint.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "settings/config.h"
#include "platform/prompts.h"
#include "silentprompts.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

const QString Letters = QStringLiteral("abcdefghijklmnopqrstuvwx"); // 24 symbols: 2 x (24 + 1) = 50 commands

QString SweepWord() {
    QString word;
    for (int i = 0; i < 255; ++i)
        word.append(Letters[i % Letters.size()]);
    return word;
}

void DefineSweep(TMachine& m) {
    m.SetAlphabetText(Letters);
    m.SetWordText(SweepWord());
    m.SetInitialState(QStringLiteral("right"));
    for (QChar c : Letters)
        m.AddCommand(QStringLiteral("right"), QString(c), QStringLiteral("right"), QString(c), MoveRightText);
    m.AddCommand(QStringLiteral("right"), QStringLiteral("#"), QStringLiteral("left"), QStringLiteral("#"),
                 MoveLeftText);
    for (QChar c : Letters)
        m.AddCommand(QStringLiteral("left"), QString(c), QStringLiteral("left"), QString(c), MoveLeftText);
    m.AddCommand(QStringLiteral("left"), QStringLiteral("#"), QStringLiteral("right"), QStringLiteral("#"),
                 MoveRightText);
}

void BM_EngineStepOnce(benchmark::State& state) {
    TSilentPrompts prompts;
    TConfig settings{QString()};
    settings.SaveFileRun = false;
    settings.SetDiesCount(static_cast<int>(state.range(0)));
    TMachine machine(prompts, settings);
    TEngine engine(machine, prompts, settings);
    engine.SetRunState(Ready);
    DefineSweep(machine);
    engine.Start();
    for (auto _ : state)
        engine.StepOnce();
    if (engine.GetRunState() != Running)
        state.SkipWithError("the sweep stopped");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EngineStepOnce)->Arg(1)->Arg(99);

// The compiled step by itself: what a tick costs before the engine's own checks.
void BM_CompiledStep(benchmark::State& state) {
    TSilentPrompts prompts;
    TConfig settings{QString()};
    settings.SaveFileRun = false;
    settings.SetDiesCount(99);
    TMachine machine(prompts, settings);
    TEngine engine(machine, prompts, settings);
    engine.SetRunState(Ready);
    DefineSweep(machine);
    engine.Start();
    TRunCore& core = machine.Core();
    for (auto _ : state) {
        core.Execute(99);
        core.Lookup();
        benchmark::DoNotOptimize(core.found);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CompiledStep);

// An inversion that sweeps the word for ever, with breakpoints that mark cells and rows but never stop it.
void BM_EngineWithBreakpoints(benchmark::State& state) {
    TSilentPrompts prompts;
    TConfig settings{QString()};
    settings.SaveFileRun = false;
    settings.UseBreak = true;
    settings.SetDiesCount(1);
    TMachine machine(prompts, settings);
    TBreakPointList breaks;
    machine.SetBreakPoints(&breaks);
    TEngine engine(machine, prompts, settings);
    engine.SetRunState(Ready);
    machine.SetAlphabetText(QStringLiteral("01"));
    QString word;
    for (int i = 0; i < state.range(0); ++i)
        word.append(i % 3 ? QLatin1Char('0') : QLatin1Char('1'));
    machine.SetWordText(word);
    machine.SetInitialState(QStringLiteral("right"));
    const char* rows[][5] = {{"right", "0", "right", "1", "R"}, {"right", "1", "right", "0", "R"},
                             {"right", "#", "left", "#", "L"},  {"left", "0", "left", "1", "L"},
                             {"left", "1", "left", "0", "L"},   {"left", "#", "right", "#", "R"}};
    for (const auto& r : rows)
        machine.AddCommand(QString::fromLatin1(r[0]), QString::fromLatin1(r[1]), QString::fromLatin1(r[2]),
                           QString::fromLatin1(r[3]), r[4][0] == 'L' ? MoveLeftText : MoveRightText);
    breaks.AddBreakPoint(std::make_unique<TBreakPoint>(true, 0, QStringLiteral("done"), QString()));
    breaks.AddBreakPoint(std::make_unique<TBreakPoint>(false, 0, QString(), QStringLiteral("1")));
    machine.RefreshBreakMarks();
    engine.Start();
    for (auto _ : state) {
        engine.StepOnce();
        machine.FlushRun();
    }
    if (engine.GetRunState() != Running)
        state.SkipWithError("the sweep stopped");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EngineWithBreakpoints)->Arg(1000)->Arg(100000);

// The same sweep as a table of (state, symbol) -> (state, symbol, move) over a byte array.
void BM_ReferenceLoop(benchmark::State& state) {
    struct Rule {
        int next;
        char write;
        int move;
    };
    std::vector<Rule> table(2 * 256);
    for (int c = 0; c < 256; ++c) {
        table[c] = Rule{0, static_cast<char>(c), +1};
        table[256 + c] = Rule{1, static_cast<char>(c), -1};
    }
    table['#'] = Rule{1, '#', -1};
    table[256 + '#'] = Rule{0, '#', +1};
    std::vector<char> tape(257, '#');
    const QByteArray word = SweepWord().toLatin1();
    std::copy(word.begin(), word.end(), tape.begin() + 1);
    int head = 1;
    int s = 0;
    for (auto _ : state) {
        const Rule& r = table[s * 256 + static_cast<unsigned char>(tape[head])];
        tape[head] = r.write;
        s = r.next;
        switch (r.move) {
        case -1:
            --head;
            break;
        case 1:
            ++head;
            break;
        default:
            break;
        }
        benchmark::DoNotOptimize(head);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReferenceLoop);

} // namespace

BENCHMARK_MAIN();
