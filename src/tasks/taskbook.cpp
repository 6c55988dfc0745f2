#include "tasks/taskbook.h"

#include "breakpoints/breakpoint.h"
#include "files/qtmfile.h"
#include "machine/machine.h"
#include "platform/fileio.h"
#include "platform/inifile.h"
#include "platform/paths.h"
#include "platform/prompts.h"
#include "settings/config.h"
#include "settings/configdir.h"
#include "testset/testsetcheck.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <atomic>

namespace {

const QString ProgressSection = QStringLiteral("Progress");

// The machine is built through the model, as the window builds it; nothing here asks the user anything.
class TSilentPrompts : public TPrompts {
public:
    TAnswer Ask(const TMessage& message) override { return message.defaultButton; }
    void Asterisk() override {}
    QString OpenFileName(const TFileDialog&) override { return QString(); }
    QString SaveFileName(const TFileDialog&) override { return QString(); }
};

QString ProgressKey(const TTask& task) {
    return QFileInfo(task.path).absoluteFilePath();
}

} // namespace

QString TTaskBook::TBadFile::Message() const {
    return paths::FileName(path) + QStringLiteral(": ") + fault.Message();
}

TTaskBook LoadTaskBook(const QString& dir) {
    TTaskBook book;
    book.dir = dir;
    const QFileInfoList files = QDir(dir).entryInfoList({QStringLiteral("*.task")}, QDir::Files, QDir::Name);
    for (const QFileInfo& file : files) {
        TTask task;
        TTaskFault fault;
        if (ReadTask(file.filePath(), task, fault))
            book.tasks.append(task);
        else
            book.badFiles.append({file.filePath(), fault});
    }
    std::stable_sort(book.tasks.begin(), book.tasks.end(), [](const TTask& a, const TTask& b) {
        return a.difficulty != b.difficulty ? a.difficulty < b.difficulty : a.title < b.title;
    });
    return book;
}

QString ShippedTaskBookDir(const QString& programDir) {
    return paths::Join(DataDirectory(programDir), QStringLiteral("tasks"));
}

TTaskGrade GradeTask(const TTask& task, const QByteArray& machine, const TConfig& config) {
    TTaskGrade grade;
    if (!QFileInfo::exists(task.TestsPath())) {
        grade.error = QStringLiteral("Нет набора слов задачи: ") + task.TestsPath();
        return grade;
    }
    QList<TTestLineError> lineErrors;
    grade.cases = ReadTestSet(task.TestsPath(), lineErrors, grade.error);
    if (grade.error.isEmpty() && !lineErrors.isEmpty())
        grade.error = QStringLiteral("Ошибка в наборе слов ") + task.TestsPath() + QStringLiteral(": ") +
                      lineErrors.first().Message();
    if (grade.error.isEmpty() && grade.cases.isEmpty())
        grade.error = QStringLiteral("Набор слов задачи пуст: ") + task.TestsPath();
    if (!grade.error.isEmpty()) {
        grade.cases.clear();
        return grade;
    }
    TConfig settings = config;
    settings.SetDiesCount(task.diesCount);
    const std::atomic<bool> never{false};
    grade.results.resize(grade.cases.size());
    CheckTestSet(machine, settings, grade.cases, task.maxSteps, never,
                 [&](int index, const TRunResult& result) { grade.results[index] = result; });
    for (qsizetype i = 0; i < grade.cases.size(); ++i)
        TestPassed(grade.cases[i], grade.results[i]) ? ++grade.passed : ++grade.failed;
    return grade;
}

QString TaskStatusText(TTaskStatus status) {
    switch (status) {
    case TTaskStatus::Failed:
        return QStringLiteral("есть ошибки");
    case TTaskStatus::Solved:
        return QStringLiteral("решена");
    default:
        return QStringLiteral("не начата");
    }
}

TTaskStatus TTaskProgress::Status(const TTask& task) const {
    TIniFile ini(path_);
    if (!ini.Load())
        return TTaskStatus::NotStarted;
    const QString value = ini.ReadString(ProgressSection, ProgressKey(task), QString());
    if (value == QLatin1String("solved"))
        return TTaskStatus::Solved;
    if (value == QLatin1String("failed"))
        return TTaskStatus::Failed;
    return TTaskStatus::NotStarted;
}

bool TTaskProgress::SetStatus(const TTask& task, TTaskStatus status) {
    TIniFile ini(path_);
    if (!ini.Load())
        return false;
    const QString value = status == TTaskStatus::Solved   ? QStringLiteral("solved")
                          : status == TTaskStatus::Failed ? QStringLiteral("failed")
                                                          : QStringLiteral("new");
    QDir().mkpath(paths::FileDir(path_));
    return ini.WriteString(ProgressSection, ProgressKey(task), value) && ini.Save();
}

QString DefaultTaskWorkDir() {
    QString base = qEnvironmentVariable("QTM_WORK_DIR");
    if (base.isEmpty())
        base = paths::Join(QDir::homePath(), QStringLiteral("qtm-machines"));
    return paths::Join(base, QStringLiteral("задачи"));
}

QString StudentMachinePath(const QString& workDir, const TTask& task) {
    return paths::Join(workDir, task.id + qtmformat::DefaultExt);
}

QString CreateStudentMachine(const QString& path, const TTask& task) {
    if (!QDir().mkpath(paths::FileDir(path)))
        return QStringLiteral("Не удалось создать каталог ") + paths::FileDir(path);
    TSilentPrompts prompts;
    TConfig config{QString()};
    config.settingsPath.clear();
    config.desktopPath.clear();
    TMachine machine(prompts, config);
    machine.SetAlphabetText(task.alphabet);
    machine.SetWordText(task.word);
    const QString state = QStringLiteral("q0");
    machine.AddState(state);
    machine.SetInitialStateText(state);
    const TBreakPointList noBreakPoints;
    const fileio::TSaveResult saved = fileio::CreateFile(path, MachineFileBytes(machine, noBreakPoints));
    if (!saved.ok())
        return QStringLiteral("Не удалось создать файл ") + path + QStringLiteral(": ") +
               fileio::ErrorText(saved.error);
    return QString();
}
