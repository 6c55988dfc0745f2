// Importing large machines of other simulators as qtm-run does (read the file, map it, apply it to a machine
// with the checks on): a rule-per-line file of N rules (two rules, on 0 and 1, for each of N/2 states, the
// 100,000-rule file is 2.0 MB), and a JFLAP file of N states with one transition each. Each should grow no
// faster than N.

#include "runner/batchrun.h"
#include "settings/config.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QByteArray RuleLines(int rules) {
    QByteArray text;
    for (int i = 0; i < rules; ++i) {
        const QByteArray state = "s" + QByteArray::number(i / 2);
        const QByteArray next = "s" + QByteArray::number(i / 2 + 1);
        text += state + (i % 2 ? " 1 0 l " : " 0 1 r ") + next + "\n";
    }
    return text;
}

QByteArray JffStates(int states) {
    QByteArray text = "<?xml version=\"1.0\"?><structure><type>turing</type><automaton>\n";
    for (int i = 0; i < states; ++i)
        text += "<state id=\"" + QByteArray::number(i) + "\" name=\"q" + QByteArray::number(i) + "\">" +
                (i == 0 ? "<initial/>" : "") + "</state>\n";
    for (int i = 0; i + 1 < states; ++i)
        text += "<transition><from>" + QByteArray::number(i) + "</from><to>" + QByteArray::number(i + 1) +
                "</to><read>0</read><write>1</write><move>R</move></transition>\n";
    return text + "</automaton></structure>\n";
}

void Import(benchmark::State& state, const QString& name, const QByteArray& bytes) {
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        state.SkipWithError("cannot write the file");
        return;
    }
    file.close();
    const TConfig config{QString()};
    for (auto _ : state) {
        TBatchRunner runner(config);
        QStringList warnings;
        QString error;
        if (!runner.Load(path, warnings, error, QStringLiteral("01"))) {
            state.SkipWithError(error.toStdString().c_str());
            return;
        }
        benchmark::DoNotOptimize(runner.Machine().Commands().size());
    }
    state.counters["bytes"] = double(bytes.size());
}

void BM_ImportRuleLines(benchmark::State& state) {
    Import(state, QStringLiteral("rules.txt"), RuleLines(int(state.range(0))));
}
BENCHMARK(BM_ImportRuleLines)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ImportJffStates(benchmark::State& state) {
    Import(state, QStringLiteral("states.jff"), JffStates(int(state.range(0))));
}
BENCHMARK(BM_ImportJffStates)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
