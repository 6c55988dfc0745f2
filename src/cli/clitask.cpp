#include "cli/clitask.h"

#include "platform/csvtext.h"
#include "platform/fileio.h"
#include "runner/batchrun.h"
#include "tasks/taskbook.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <algorithm>

namespace {

QString WordLine(const TTaskGrade& grade, int i) {
    const TTestCase& c = grade.cases[i];
    const TRunResult& r = grade.results[i];
    const bool ok = grade.Passed(i);
    QString line = (ok ? QStringLiteral("верно\t") : QStringLiteral("неверно\t")) + c.word + QLatin1Char('\t');
    const QString reason = grade.Reason(i);
    if (r.end == TRunEnd::Refused)
        line += RunEndText(r.end) + QStringLiteral(": ") + reason;
    else
        line += (reason.isEmpty() ? RunEndText(r.end) : reason) + QStringLiteral("\tшагов: ") +
                QString::number(r.steps) + QStringLiteral("\tлента: ") + r.InnerTape();
    if (!ok)
        line += QStringLiteral("\tожидалось: ") + c.tape;
    return line;
}

QString WordJson(const QString& machine, const TTaskGrade& grade, int i) {
    const TTestCase& c = grade.cases[i];
    const TRunResult& r = grade.results[i];
    QJsonObject o;
    o.insert(QStringLiteral("machine"), machine);
    o.insert(QStringLiteral("word"), c.word);
    o.insert(QStringLiteral("passed"), grade.Passed(i));
    o.insert(QStringLiteral("end"), grade.timedOut.value(i) ? QStringLiteral("time-limit") : RunEndCode(r.end));
    o.insert(QStringLiteral("steps"), r.steps);
    o.insert(QStringLiteral("state"), r.state);
    o.insert(QStringLiteral("inner"), r.InnerTape());
    o.insert(QStringLiteral("expected"), c.tape);
    if (!grade.Reason(i).isEmpty())
        o.insert(QStringLiteral("reason"), grade.Reason(i));
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

bool SaveCsv(const QString& path, const QString& text, QTextStream& err) {
    const QByteArray bytes = csvtext::FileBytes(text);
    const fileio::TSaveResult saved = fileio::SaveFile(path, bytes, fileio::FreshTempName(path), QString());
    if (!saved.ok())
        err << fileio::FailureText(path, saved, QStringLiteral("Таблица осталась в файле")) << Qt::endl;
    return saved.ok();
}

} // namespace

int GradeTaskMachines(const QString& taskPath, const QStringList& machines, const TConfig& config,
                      const TTaskOutput& output, QTextStream& out, QTextStream& err) {
    TTask task;
    TTaskFault fault;
    if (!ReadTask(taskPath, task, fault)) {
        err << taskPath << QStringLiteral(": ") << fault.Message() << Qt::endl;
        return 2;
    }
    QString csv = csvtext::Row({QStringLiteral("Машина"), QStringLiteral("Слово"), QStringLiteral("Итог"),
                                QStringLiteral("Конец"), QStringLiteral("Шагов"), QStringLiteral("Лента"),
                                QStringLiteral("Ожидалось"), QStringLiteral("Причина")});
    int status = 0;
    for (const QString& file : machines) {
        const TTaskGrade grade = CheckTaskMachine(task, file, QByteArray(), config);
        if (!grade.error.isEmpty()) {
            err << grade.error << Qt::endl;
            return 2;
        }
        if (!grade.machineError.isEmpty())
            err << grade.machineError << Qt::endl;
        for (const QString& w : grade.warnings)
            err << file << QStringLiteral(": ") << w << Qt::endl;
        if (!output.json)
            out << file << Qt::endl;
        for (int i = 0; i < grade.cases.size(); ++i) {
            const TRunResult& r = grade.results[i];
            out << (output.json ? WordJson(file, grade, i) : WordLine(grade, i)) << Qt::endl;
            csv += csvtext::Row(
                {file, grade.cases[i].word, grade.Passed(i) ? QStringLiteral("верно") : QStringLiteral("неверно"),
                 RunEndText(r.end), QString::number(r.steps), r.end == TRunEnd::Refused ? QString() : r.InnerTape(),
                 grade.cases[i].tape, grade.Reason(i)});
            if (r.end == TRunEnd::Refused)
                status = 2;
        }
        if (!output.json)
            out << grade.passed << " passed, " << grade.failed << " failed" << Qt::endl;
        if (grade.failed > 0)
            status = std::max(status, 1);
    }
    if (!output.csvPath.isEmpty() && !SaveCsv(output.csvPath, csv, err))
        status = 2;
    return status;
}
