#include "testset/testsetcheck.h"

#include "settings/config.h"

bool TestPassed(const TTestCase& test, const TRunResult& result) {
    return result.end == TRunEnd::Halt && result.InnerTape() == test.tape &&
           (!test.hasState || result.state.compare(test.state, Qt::CaseInsensitive) == 0);
}

void CheckTestSet(const QByteArray& machine, const TConfig& config, const QList<TTestCase>& cases, qint64 maxSteps,
                  const std::atomic<bool>& cancel, const std::function<void(int index, const TRunResult&)>& done) {
    TConfig settings = config;
    // Nothing of the window's files is touched from here.
    settings.settingsPath.clear();
    settings.desktopPath.clear();
    // The loop check reads the run log, which nothing else here wants.
    settings.ViewLog = settings.History;
    TBatchRunner runner(settings);
    QStringList warnings;
    runner.LoadBytes(machine, warnings);
    runner.SetCancel([&cancel] { return cancel.load(std::memory_order_relaxed); });
    for (int i = 0; i < cases.size() && !cancel; ++i) {
        const TRunResult result = runner.Run(cases[i].word, maxSteps);
        if (cancel)
            return;
        done(i, result);
    }
}
