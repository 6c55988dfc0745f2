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

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <chrono>

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

const QString BookSection = QStringLiteral("Book");
// No absolute path starts so: a key that does is a path the INI file could not hold as it is.
const QString EncodedPrefix = QStringLiteral("utf8:");

QString ProgressKey(const TTask& task) {
    return QFileInfo(task.path).absoluteFilePath();
}

QString Encoded(const QString& text) {
    return EncodedPrefix + QString::fromLatin1(QUrl::toPercentEncoding(text, "/"));
}

QString Decoded(const QString& stored) {
    return QUrl::fromPercentEncoding(stored.mid(EncodedPrefix.size()).toLatin1());
}

// The key a path is kept under: as it is where the file can hold it, else encoded.
QString StoredKey(const QString& path) {
    TIniFile probe{QString()};
    return probe.WriteString(ProgressSection, path, QStringLiteral("x")) ? path : Encoded(path);
}

// Which content of the student's machine a status was found for.
QString ContentHash(const QByteArray& machine) {
    return QString::fromLatin1(QCryptographicHash::hash(machine, QCryptographicHash::Sha1).toHex());
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

bool TTaskGrade::Passed(int index) const {
    return index >= 0 && index < results.size() && index < cases.size() && !timedOut.value(index) &&
           TestPassed(cases[index], results[index]);
}

QString TTaskGrade::Reason(int index) const {
    if (timedOut.value(index))
        return QStringLiteral("время проверки слова истекло");
    if (index < 0 || index >= results.size() || results[index].end != TRunEnd::Refused)
        return QString();
    return results[index].faults.join(QStringLiteral("; ")).simplified();
}

TTaskGrade CheckTaskMachine(const TTask& task, const QString& machinePath, const QByteArray& machineBytes,
                            const TConfig& config, const TTaskCheckControl& control) {
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
    // Nothing of the window's files is touched from here; the loop check reads the run log, nothing else does.
    settings.settingsPath.clear();
    settings.desktopPath.clear();
    settings.SetDiesCount(task.diesCount);
    settings.ViewLog = settings.History;
    TBatchRunner runner(settings);
    if (machinePath.isEmpty()) {
        runner.LoadBytes(machineBytes, grade.warnings);
    } else {
        QString inputSymbols;
        for (const TTestCase& c : grade.cases)
            inputSymbols += c.word;
        if (!runner.Load(machinePath, grade.warnings, grade.machineError, inputSymbols) && grade.machineError.isEmpty())
            grade.machineError = QStringLiteral("Не удалось прочитать файл ") + machinePath;
    }
    const std::function<qint64()> clock = control.clock ? control.clock : [] {
        return qint64(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
                .count());
    };
    qint64 deadline = 0;
    const auto cancelled = [&] { return control.cancel && control.cancel->load(std::memory_order_relaxed); };
    runner.SetCancel([&] { return cancelled() || clock() >= deadline; });
    for (int i = 0; i < grade.cases.size(); ++i) {
        TTestCase expected = grade.cases[i];
        TRunResult result;
        bool late = false;
        if (!grade.machineError.isEmpty()) {
            result.word = expected.word;
            result.faults = QStringList{grade.machineError};
        } else {
            // The words of an imported machine, and so their answers, are in the other simulator's symbols.
            expected.tape = runner.MachineText(expected.tape);
            deadline = clock() + qint64(task.timeLimit) * 1000;
            result = runner.Run(grade.cases[i].word, task.maxSteps);
            late = result.end == TRunEnd::StepLimit && result.steps < task.maxSteps && !cancelled();
        }
        if (cancelled()) {
            grade.cancelled = true;
            break;
        }
        grade.results.append(result);
        grade.timedOut.append(late);
        !late&& TestPassed(expected, result) ? ++grade.passed : ++grade.failed;
        if (control.done)
            control.done(i, grade);
    }
    return grade;
}

TTaskGrade GradeTask(const TTask& task, const QByteArray& machine, const TConfig& config) {
    return CheckTaskMachine(task, QString(), machine, config);
}

QString TaskCheckTerms(const TTask& task) {
    const auto cells = [](int n) {
        const int tens = n % 100;
        const int ones = n % 10;
        const char16_t* word = tens >= 11 && tens <= 14 ? u"клеток"
                               : ones == 1              ? u"клетку"
                               : ones >= 2 && ones <= 4 ? u"клетки"
                                                        : u"клеток";
        return QString::number(n) + QLatin1Char(' ') + QString::fromUtf16(word);
    };
    return QStringLiteral("Лента может вырасти на ") + cells(task.diesCount) +
           QStringLiteral(" за края слова; если машина дойдет до края ленты, слово считается нерешенным. На каждое "
                          "слово не больше ") +
           QString::number(task.maxSteps) + QStringLiteral(" шагов и ") + QString::number(task.timeLimit) +
           QStringLiteral(" с: машина, которая не остановилась, слово не решила.");
}

QString TaskStatusText(TTaskStatus status) {
    switch (status) {
    case TTaskStatus::Failed:
        return QStringLiteral("есть ошибки");
    case TTaskStatus::Solved:
        return QStringLiteral("решена");
    case TTaskStatus::Changed:
        return QStringLiteral("изменена после проверки");
    default:
        return QStringLiteral("не начата");
    }
}

TTaskStatus TTaskProgress::Status(const TTask& task, const QByteArray& machine) const {
    TIniFile ini(path_);
    if (!ini.Load())
        return TTaskStatus::NotStarted;
    const QStringList value = ini.ReadString(ProgressSection, StoredKey(ProgressKey(task)), QString())
                                  .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const TTaskStatus status = value.value(0) == QLatin1String("solved")   ? TTaskStatus::Solved
                               : value.value(0) == QLatin1String("failed") ? TTaskStatus::Failed
                                                                           : TTaskStatus::NotStarted;
    // A status written before statuses named their machine's content holds for any content.
    if (status != TTaskStatus::NotStarted && value.size() > 1 && value[1] != ContentHash(machine))
        return TTaskStatus::Changed;
    return status;
}

bool TTaskProgress::SetStatus(const TTask& task, TTaskStatus status, const QByteArray& machine) {
    TIniFile ini(path_);
    if (!ini.Load())
        return false;
    QString value = status == TTaskStatus::Solved   ? QStringLiteral("solved")
                    : status == TTaskStatus::Failed ? QStringLiteral("failed")
                                                    : QStringLiteral("new");
    if (status == TTaskStatus::Solved || status == TTaskStatus::Failed)
        value += QLatin1Char(' ') + ContentHash(machine);
    QDir().mkpath(paths::FileDir(path_));
    return ini.WriteString(ProgressSection, StoredKey(ProgressKey(task)), value) && ini.Save();
}

QString TTaskProgress::LastBook() const {
    TIniFile ini(path_);
    if (!ini.Load())
        return QString();
    const QString stored = ini.ReadString(BookSection, QStringLiteral("Dir"), QString());
    return stored.startsWith(EncodedPrefix) ? Decoded(stored) : stored;
}

bool TTaskProgress::SetLastBook(const QString& dir) {
    TIniFile ini(path_);
    if (!ini.Load())
        return false;
    QDir().mkpath(paths::FileDir(path_));
    const QString key = QStringLiteral("Dir");
    return (ini.WriteString(BookSection, key, dir) || ini.WriteString(BookSection, key, Encoded(dir))) && ini.Save();
}

QString DefaultTaskWorkDir() {
    QString base = qEnvironmentVariable("QTM_WORK_DIR");
    if (base.isEmpty())
        base = paths::Join(QDir::homePath(), QStringLiteral("qtm-machines"));
    return paths::Join(base, QStringLiteral("задачи"));
}

QString BookWorkDir(const QString& workDir, const QString& bookDir, const QString& shippedBookDir) {
    if (QFileInfo(bookDir).absoluteFilePath() == QFileInfo(shippedBookDir).absoluteFilePath())
        return workDir;
    return paths::Join(workDir, QDir(QFileInfo(bookDir).absoluteFilePath()).dirName());
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
