// The space-time picture of a long run against the plain run it is drawn from: a 24-bit binary counter stopped
// at 10^8 steps, with the loop check on as qtm-run has it. The picture runs twice (once to find the end, once
// without the loop check to take its 2,000 rows) and encodes the PNG.

#include "pictures/spacetime.h"
#include "programmain.h"
#include "runner/batchrun.h"
#include "settings/config.h"

#include <benchmark/benchmark.h>

namespace {

constexpr qint64 Steps = 100000000;
const QString CounterWord(24, QLatin1Char('0'));

// right: to the blank after the number; carry: add one from the right; back: to the blank before it.
void DefineCounter(TMachine& m) {
    m.SetAlphabetText(QStringLiteral("01"));
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

TConfig Settings() {
    TConfig config{QString()};
    config.ViewLog = true;
    config.History = true;
    config.SaveFileRun = false;
    return config;
}

void BM_PlainRun(benchmark::State& state) {
    TBatchRunner runner(Settings());
    DefineCounter(runner.Machine());
    for (auto _ : state) {
        const TRunResult r = runner.Run(CounterWord, Steps);
        if (r.end != TRunEnd::StepLimit || r.steps != Steps)
            state.SkipWithError("the counter did not run to the limit");
    }
    state.SetItemsProcessed(state.iterations() * Steps);
}
BENCHMARK(BM_PlainRun)->Unit(benchmark::kMillisecond);

void BM_SpaceTimePicture(benchmark::State& state) {
    TBatchRunner runner(Settings());
    DefineCounter(runner.Machine());
    const std::atomic<bool> cancel{false};
    for (auto _ : state) {
        const TSpaceTime picture = DrawSpaceTime(runner, CounterWord, Steps, cancel);
        const QByteArray png = PngBytes(SpaceTimePixels(picture, DefaultScale(picture)));
        if (picture.rows.size() != 2000 || png.isEmpty())
            state.SkipWithError("the picture was not drawn");
    }
    state.SetItemsProcessed(state.iterations() * Steps);
}
BENCHMARK(BM_SpaceTimePicture)->Unit(benchmark::kMillisecond);

} // namespace

QTM_BENCHMARK_MAIN();
