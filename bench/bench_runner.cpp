// Steps per second of the headless runner with the loop check off on two long machines, each next to a
// plain array-and-switch loop running the same machine: a binary counter that grows to the left over the
// widest tape the settings allow, and the five-state busy beaver champion (47,176,870 steps).

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

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

// Every allocation of the program is counted, so a run can show that its steps allocate nothing.
namespace {
std::atomic<long long> allocations{0};
}

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

QString WriteMachine(const QTemporaryDir& dir, const QString& name, const QString& alphabet, const QString& word,
                     const QString& initial, const QList<QStringList>& rows) {
    TSilentPrompts prompts;
    TConfig config{QString()};
    TMachine m(prompts, config);
    TBreakPointList breaks;
    m.SetAlphabetText(alphabet);
    m.SetWordText(word);
    m.SetInitialState(initial);
    for (const QStringList& r : rows)
        m.AddState(r[2]);
    for (const QStringList& r : rows)
        m.AddCommand(r[0], r[1], r[2], r[3], r[4] == u"L" ? MoveLeftText : r[4] == u"R" ? MoveRightText : MoveStayText);
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(MachineFileBytes(m, breaks));
    return path;
}

// The champion mirrored, so that its tape grows to the right of a word of zeros that stand for blanks.
const QList<QStringList> BeaverRows = {{"A", "0", "B", "1", "L"}, {"A", "1", "C", "1", "R"}, {"B", "0", "C", "1", "L"},
                                       {"B", "1", "B", "1", "L"}, {"C", "0", "D", "1", "L"}, {"C", "1", "E", "0", "R"},
                                       {"D", "0", "A", "1", "R"}, {"D", "1", "D", "1", "R"}, {"E", "0", "H", "1", "L"},
                                       {"E", "1", "A", "0", "R"}};
constexpr qint64 BeaverSteps = 47176870;
constexpr int BeaverLength = 12500;
constexpr int BeaverStart = 100;
constexpr qint64 BeaverTotal = BeaverStart + 1 + BeaverSteps;

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
    config.History = false;
    config.ViewLog = false;
    TBatchRunner runner(config);
    QStringList warnings;
    QString error;
    if (!runner.Load(WriteCounter(dir), warnings, error)) {
        state.SkipWithError("the counter did not load");
        return;
    }
    const qint64 steps = state.range(0);
    for (auto _ : state) {
        const TRunResult r = runner.Run(QStringLiteral("0"), steps);
        if (r.end != TRunEnd::StepLimit)
            state.SkipWithError("the counter stopped");
    }
    state.SetItemsProcessed(state.iterations() * steps);
}
BENCHMARK(BM_RunnerCounter)->Arg(1000000)->Arg(100000000)->Unit(benchmark::kMillisecond);

void BM_ReferenceCounter(benchmark::State& state) {
    const qint64 steps = state.range(0);
    for (auto _ : state) {
        std::vector<char> tape(1 + 99 + 1 + 99, '#');
        int head = 100;
        tape[head] = '0';
        enum { Right, Inc } s = Right;
        for (qint64 i = 0; i < steps; ++i) {
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
BENCHMARK(BM_ReferenceCounter)->Arg(100000000)->Unit(benchmark::kMillisecond);

QString BeaverWord() {
    QString word(BeaverLength, QLatin1Char('0'));
    word[BeaverStart] = QLatin1Char('1');
    return word;
}

bool LoadBeaver(TBatchRunner& runner, const QTemporaryDir& dir) {
    // Lead-in: the head walks right over the zeros to where the champion starts.
    QList<QStringList> rows = {{"go", "0", "go", "0", "R"}, {"go", "1", "A", "0", "S"}};
    for (QStringList r : BeaverRows)
        rows.append(r);
    QStringList warnings;
    QString error;
    return runner.Load(
        WriteMachine(dir, QStringLiteral("beaver.qtm"), QStringLiteral("01"), BeaverWord(), QStringLiteral("go"), rows),
        warnings, error);
}

void BM_RunnerBeaver(benchmark::State& state) {
    QTemporaryDir dir;
    TConfig config{QString()};
    config.History = false;
    config.ViewLog = false;
    TBatchRunner runner(config);
    const QString word = BeaverWord();
    if (!LoadBeaver(runner, dir)) {
        state.SkipWithError("the beaver did not load");
        return;
    }
    const long long before = allocations;
    for (auto _ : state) {
        const TRunResult r = runner.Run(word, BeaverSteps * 2);
        if (r.end != TRunEnd::Halt || r.steps != BeaverTotal || r.InnerTape().count(u'1') != 4098)
            state.SkipWithError("the beaver did not halt as it should");
    }
    state.SetItemsProcessed(state.iterations() * BeaverTotal);
    state.counters["allocs_per_run"] = double(allocations - before) / double(state.iterations());
}
BENCHMARK(BM_RunnerBeaver)->Unit(benchmark::kMillisecond);

// qtm-run's default: the loop check on (History, MaxCount 9999), the beaver's first 20,000 steps, with the
// log's rows kept (as --report keeps them, a snapshot of the 12,500-cell tape a step) and without.
void BM_RunnerBeaverLoopCheck(benchmark::State& state) {
    QTemporaryDir dir;
    TConfig config{QString()};
    config.History = true;
    config.ViewLog = true;
    config.SetMaxCount(9999);
    TBatchRunner runner(config);
    runner.KeepRows(state.range(0) != 0);
    const QString word = BeaverWord();
    if (!LoadBeaver(runner, dir)) {
        state.SkipWithError("the beaver did not load");
        return;
    }
    constexpr qint64 Steps = 20000;
    for (auto _ : state) {
        const TRunResult r = runner.Run(word, Steps);
        if (r.end != TRunEnd::StepLimit)
            state.SkipWithError("the beaver stopped");
    }
    state.SetItemsProcessed(state.iterations() * Steps);
}
BENCHMARK(BM_RunnerBeaverLoopCheck)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_ReferenceBeaver(benchmark::State& state) {
    for (auto _ : state) {
        std::vector<char> tape(BeaverLength + 2, '0');
        int head = 1;
        // The lead-in over the zeros, then the champion from the cell of the word's "1".
        tape[BeaverStart + 1] = '1';
        qint64 steps = 0;
        while (tape[head] == '0') {
            ++head;
            ++steps;
        }
        tape[head] = '0';
        ++steps;
        enum { A, B, C, D, E, H } s = A;
        while (s != H) {
            char& c = tape[head];
            const bool one = c == '1';
            switch (s) {
            case A:
                c = '1';
                one ? (s = C, ++head) : (s = B, --head);
                break;
            case B:
                c = '1';
                one ? --head : (s = C, --head);
                break;
            case C:
                one ? (c = '0', s = E, ++head) : (c = '1', s = D, --head);
                break;
            case D:
                c = '1';
                one ? ++head : (s = A, ++head);
                break;
            case E:
                one ? (c = '0', s = A, ++head) : (c = '1', s = H, --head);
                break;
            case H:
                break;
            }
            ++steps;
            if (head < 1 || head > BeaverLength) {
                state.SkipWithError("the plain beaver left the word");
                return;
            }
        }
        benchmark::DoNotOptimize(tape.data());
        if (steps != BeaverTotal)
            state.SkipWithError("the plain beaver miscounted");
    }
    state.SetItemsProcessed(state.iterations() * BeaverTotal);
}
BENCHMARK(BM_ReferenceBeaver)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
