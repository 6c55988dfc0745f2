// Grading a class as qtm-run --grade and the task book window do: a made-up class of 30 students on the shipped
// book of 40 tasks, each student's machines a mix of the right solutions, the second right ones, the plausible
// wrong ones and missing files, checked with one job and with a job per core. The book and the solutions are
// found through QTM_SOURCE_DIR (the repository), default the current folder.

#include "programmain.h"
#include "settings/config.h"
#include "tasks/classgrade.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <thread>

namespace {

struct TClass {
    QTemporaryDir dir;
    QString book;
    QString classDir;

    TClass() {
        const QString source = qEnvironmentVariableIsSet("QTM_SOURCE_DIR") ? qEnvironmentVariable("QTM_SOURCE_DIR")
                                                                           : QDir::currentPath();
        book = source + QStringLiteral("/data/tasks");
        const QString solutions = source + QStringLiteral("/tests/tasks/");
        classDir = dir.filePath(QStringLiteral("класс"));
        const TTaskBook tasks = LoadTaskBook(book);
        if (tasks.tasks.size() < 40) {
            std::fprintf(stderr, "no book of 40 tasks in %s\n", qPrintable(book));
            std::exit(1);
        }
        for (int s = 0; s < 30; ++s) {
            const QString work = classDir + QStringLiteral("/Ученик %1/задачи/tasks").arg(s + 1);
            QDir().mkpath(work);
            for (int t = 0; t < tasks.tasks.size(); ++t) {
                const QString id = tasks.tasks[t].id;
                QString from;
                switch ((s + t) % 6) {
                case 0:
                case 1:
                case 5:
                    from = solutions + id + QStringLiteral(".qtm");
                    break;
                case 2:
                    from = solutions + id + QStringLiteral(".2.qtm");
                    break;
                case 3:
                    from = solutions + id + QStringLiteral(".wrong.qtm");
                    if (!QFileInfo::exists(from))
                        from = solutions + id + QStringLiteral(".qtm");
                    break;
                default:
                    break;
                }
                if (!from.isEmpty())
                    QFile::copy(from, work + QLatin1Char('/') + id + QStringLiteral(".qtm"));
            }
        }
    }
};

void BM_GradeClass(benchmark::State& state) {
    static TClass made;
    const TTaskBook book = LoadTaskBook(made.book);
    TConfig config{QString()};
    config.settingsPath.clear();
    config.desktopPath.clear();
    TClassGradeControl control;
    control.jobs = state.range(0) == 0 ? int(std::max(1u, std::thread::hardware_concurrency())) : int(state.range(0));
    for (auto _ : state) {
        const TClassGrade grade = GradeClass(book, made.classDir, QString(), config, control);
        benchmark::DoNotOptimize(grade.SolvedOf(0));
    }
    state.counters["machines"] = 30 * 40;
}
// 1: one job; 0: a job per core.
BENCHMARK(BM_GradeClass)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

QTM_BENCHMARK_MAIN()
