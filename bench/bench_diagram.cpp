// The state diagram's layout (Graphviz dot) of a machine of N states with four commands each, to states
// drawn at random with a fixed seed so that every run lays out the same machine; and the SVG writing of it.
// The window must lay out 50 states and 200 commands in under 200 ms, and show a usable picture of 500 random
// states with a command for each of five symbols (2,500 commands) within 2 s: above 100 states or 300 edges
// the layout is sfdp's.

#include "diagram/diagram.h"
#include "settings/config.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

namespace {

// Like a machine written by hand: each state reads on, moves to the next or the one after, and one command
// goes anywhere.
TDiagramSource HandMachine(int states) {
    TDiagramSource source;
    std::mt19937 random(20240528);
    std::uniform_int_distribution<int> pick(0, states - 1);
    for (int i = 0; i < states; ++i)
        source.states.append(TStateItem{QStringLiteral("q") + QString::number(i), 0});
    const auto name = [&](int i) { return source.states[i % states].name; };
    for (int i = 0; i < states; ++i) {
        source.commands.append(
            TCommandRow{name(i), QStringLiteral("0"), name(i), QStringLiteral("0"), MoveRightText, 0});
        source.commands.append(
            TCommandRow{name(i), QStringLiteral("1"), name(i + 1), QStringLiteral("0"), MoveLeftText, 0});
        source.commands.append(
            TCommandRow{name(i), QStringLiteral("a"), name(i + 2), QStringLiteral("1"), MoveStayText, 0});
        source.commands.append(
            TCommandRow{name(i), QStringLiteral("#"), name(pick(random)), QStringLiteral("#"), MoveRightText, 0});
    }
    source.initialState = QStringLiteral("q0");
    return source;
}

TDiagramSource RandomMachine(int states, const QString& symbols = QStringLiteral("01a#")) {
    TDiagramSource source;
    std::mt19937 random(20240528);
    std::uniform_int_distribution<int> pick(0, states - 1);
    const QString moves[] = {MoveLeftText, MoveRightText, MoveStayText};
    for (int i = 0; i < states; ++i)
        source.states.append(TStateItem{QStringLiteral("q") + QString::number(i), 0});
    for (int i = 0; i < states; ++i)
        for (QChar symbol : symbols)
            source.commands.append(TCommandRow{source.states[i].name, QString(symbol), source.states[pick(random)].name,
                                               QString(symbols[pick(random) % std::min<qsizetype>(4, symbols.size())]),
                                               moves[pick(random) % 3], 0});
    source.initialState = QStringLiteral("q0");
    return source;
}

void BM_DiagramLayout(benchmark::State& state) {
    const TDiagramSource source = RandomMachine(int(state.range(0)));
    for (auto _ : state) {
        const TDiagram d = LayOutDiagramHere(source);
        if (!d.error.isEmpty())
            state.SkipWithError(d.error.toUtf8().constData());
        benchmark::DoNotOptimize(d.nodes.data());
    }
    state.counters["commands"] = double(source.commands.size());
}
BENCHMARK(BM_DiagramLayout)->Arg(10)->Arg(50)->Arg(500)->Unit(benchmark::kMillisecond);

// What the window does for a big machine: the layout in a child process, read back through a pipe. Wall time,
// for the child's work is not this process's CPU time.
void BM_DiagramLayoutApart(benchmark::State& state) {
    const TDiagramSource source = RandomMachine(int(state.range(0)), QStringLiteral("01ab#"));
    for (auto _ : state) {
        const TDiagram d = LayOutDiagram(source);
        if (!d.error.isEmpty())
            state.SkipWithError(d.error.toUtf8().constData());
        benchmark::DoNotOptimize(d.nodes.data());
    }
    state.counters["commands"] = double(source.commands.size());
}
BENCHMARK(BM_DiagramLayoutApart)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DiagramLayoutHand(benchmark::State& state) {
    const TDiagramSource source = HandMachine(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(LayOutDiagramHere(source).nodes.data());
}
BENCHMARK(BM_DiagramLayoutHand)->Arg(50)->Arg(500)->Unit(benchmark::kMillisecond);

// The picture's size in points (counters width and height) of N random states with C commands each: what
// a reader gets, not a speed. Dense machines are laid out by the force-directed engine like big ones.
void BM_DiagramPicture(benchmark::State& state) {
    const QString symbols = QStringLiteral("01ab#cdefg").left(int(state.range(1)));
    const TDiagramSource source = RandomMachine(int(state.range(0)), symbols);
    TDiagram d;
    for (auto _ : state)
        d = LayOutDiagram(source);
    if (!d.error.isEmpty())
        state.SkipWithError(d.error.toUtf8().constData());
    state.counters["width"] = d.bounds.width();
    state.counters["height"] = d.bounds.height();
}
BENCHMARK(BM_DiagramPicture)
    ->Args({20, 5})
    ->Args({50, 3})
    ->Args({50, 5})
    ->Args({60, 5})
    ->Args({90, 5})
    ->Args({200, 5})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

void BM_DiagramSvg(benchmark::State& state) {
    const TDiagram d = LayOutDiagramHere(RandomMachine(int(state.range(0))));
    const TConfig config{QString()};
    for (auto _ : state)
        benchmark::DoNotOptimize(DiagramSvg(d, config).size());
}
BENCHMARK(BM_DiagramSvg)->Arg(50)->Arg(500)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
