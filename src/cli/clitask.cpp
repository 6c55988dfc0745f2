#include "cli/clitask.h"

#include "files/qtmfile.h"
#include "platform/fileio.h"
#include "runner/batchrun.h"
#include "tasks/taskbook.h"
#include "testset/testsetcheck.h"

#include <QTextStream>

#include <algorithm>

int GradeTaskMachines(const QString& taskPath, const QStringList& machines, const TConfig& config, QTextStream& out,
                      QTextStream& err) {
    TTask task;
    TTaskFault fault;
    if (!ReadTask(taskPath, task, fault)) {
        err << taskPath << QStringLiteral(": ") << fault.Message() << Qt::endl;
        return 2;
    }
    int status = 0;
    for (const QString& file : machines) {
        QByteArray bytes;
        if (fileio::ReadFile(file, qtmformat::MaxFileBytes, bytes) != fileio::TReadError::None) {
            err << QStringLiteral("Не удалось прочитать файл ") << file << Qt::endl;
            status = 2;
            continue;
        }
        const TTaskGrade grade = GradeTask(task, bytes, config);
        if (!grade.error.isEmpty()) {
            err << grade.error << Qt::endl;
            return 2;
        }
        out << file << Qt::endl;
        for (qsizetype i = 0; i < grade.cases.size(); ++i) {
            const TTestCase& c = grade.cases[i];
            const TRunResult& r = grade.results[i];
            const bool ok = TestPassed(c, r);
            out << (ok ? QStringLiteral("верно\t") : QStringLiteral("неверно\t")) << c.word << QLatin1Char('\t')
                << RunEndText(r.end) << QStringLiteral("\tшагов: ") << r.steps << QStringLiteral("\tлента: ")
                << r.InnerTape();
            if (!ok)
                out << QStringLiteral("\tожидалось: ") << c.tape;
            out << Qt::endl;
        }
        out << grade.passed << " passed, " << grade.failed << " failed" << Qt::endl;
        if (grade.failed > 0)
            status = std::max(status, 1);
    }
    return status;
}
