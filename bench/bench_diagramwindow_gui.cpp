// The diagram window with a big machine: N random states with a command for each of five symbols. The window
// is shown, lays the machine out (in its child process) and puts the picture on the scene; then it is closed.
// Counters: stall_ms, the longest turn of the event loop from showing to the finished picture (what the user
// waits for with a window that neither draws nor answers); shown_ms, from showing to the finished picture;
// rss_MB, the process's resident memory before showing (before), with the picture (built) and after closing
// the window (closed). Run with QT_QPA_PLATFORM=offscreen where there is no display.

#include "diagram/diagramform.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "platform/hashing.h"
#include "settings/config.h"
#include "silentprompts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

namespace {

void FillMachine(TMachine& machine, int n) {
    std::mt19937 random(20240528);
    std::uniform_int_distribution<int> pick(0, n - 1);
    QStringList states;
    QList<TCommandRow> rows;
    for (int i = 0; i < n; ++i)
        states << QStringLiteral("q%1").arg(i);
    for (int i = 0; i < n; ++i)
        for (QChar symbol : QStringLiteral("01ab#"))
            rows.append(
                TCommandRow{states[i], QString(symbol), states[pick(random)], QString(symbol), MoveRightText, 0});
    machine.AppendLoaded(states, rows);
}

double ResidentMegabytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toDouble() * 4096 / (1024 * 1024);
}

void BM_DiagramWindow(benchmark::State& state) {
    TConfig config{QString()};
    config.SetDesktopDefaults();
    TSilentPrompts prompts;
    TMachine machine(prompts, config);
    FillMachine(machine, int(state.range(0)));
    TEngine engine(machine, prompts, config);
    double stall = 0;
    double shown = 0;
    double before = 0;
    double built = 0;
    double closed = 0;
    for (auto _ : state) {
        TDiagramForm form(machine, config, prompts, &engine);
        before = ResidentMegabytes();
        QElapsedTimer all;
        all.start();
        form.show();
        while (form.LayingOut() || form.Stale()) {
            QElapsedTimer turn;
            turn.start();
            QCoreApplication::processEvents();
            stall = std::max(stall, double(turn.nsecsElapsed()) / 1e6);
        }
        shown = double(all.nsecsElapsed()) / 1e6;
        built = ResidentMegabytes();
        if (form.Shown().nodes.isEmpty())
            state.SkipWithError(form.Note().toUtf8().constData());
        form.close();
        QCoreApplication::processEvents();
        closed = ResidentMegabytes();
    }
    state.counters["stall_ms"] = stall;
    state.counters["shown_ms"] = shown;
    state.counters["rss_before_MB"] = before;
    state.counters["rss_built_MB"] = built;
    state.counters["rss_closed_MB"] = closed;
}
BENCHMARK(BM_DiagramWindow)->Arg(500)->Arg(2000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    UseFastStringHashing();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
