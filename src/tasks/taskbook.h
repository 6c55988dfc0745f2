#pragma once

#include "runner/batchrun.h"
#include "tasks/task.h"
#include "testset/testsetfile.h"

#include <QList>
#include <QStringList>
#include <QString>

#include <atomic>
#include <functional>

class TConfig;

// A task book: the ".task" files of one folder. A file that is no task is listed with its fault and never hides
// the others; a task whose word set is missing is listed and says so when checked.
struct TTaskBook {
    struct TBadFile {
        QString path;
        TTaskFault fault;
        // "имя.task: Строка N: причина".
        QString Message() const;
    };

    QString dir;
    // By difficulty, then by title.
    QList<TTask> tasks;
    QList<TBadFile> badFiles;
};

TTaskBook LoadTaskBook(const QString& dir);

// The book that comes with the program: "tasks" in its data folder (share/qtm/tasks when installed), or beside
// the executable in the build tree.
QString ShippedTaskBookDir(const QString& programDir);

// The result of checking one machine on a task's word set with the task's DiesCount, step and time limits (the
// other settings, the loop check among them, as given).
struct TTaskGrade {
    // The set could not be read: nothing was run.
    QString error;
    // The machine could not be read: every word is "не запущена" with this reason.
    QString machineError;
    // The machine reader's faults: lines it skipped.
    QStringList warnings;
    QList<TTestCase> cases;
    // A word the machine was not run on ends Refused with its reasons in faults; a word stopped by the time
    // limit ends StepLimit and is marked in timedOut.
    QList<TRunResult> results;
    QList<bool> timedOut;
    int passed = 0;
    int failed = 0;
    // Cancelled: results holds the words checked before.
    bool cancelled = false;

    bool Passed(int index) const;
    // Why a word was not run or not finished ("предел времени 10 с", the data check's faults), or empty.
    QString Reason(int index) const;
};

// How a check is watched. All may be left unset.
struct TTaskCheckControl {
    const std::atomic<bool>* cancel = nullptr;
    // Milliseconds of a steady clock, for the task's time limit; tests give their own.
    std::function<qint64()> clock;
    // Told of each word as it ends, on the checking thread.
    std::function<void(int index, const TTaskGrade& grade)> done;
};

// The one check of one machine against one task, as the window, qtm-run --task and class grading do it. The
// machine is the file at machinePath (a machine of another simulator is imported, the words' symbols joining
// its alphabet), or machineBytes when machinePath is empty.
TTaskGrade CheckTaskMachine(const TTask& task, const QString& machinePath, const QByteArray& machineBytes,
                            const TConfig& config, const TTaskCheckControl& control = {});
// machine: the bytes of a machine file.
TTaskGrade GradeTask(const TTask& task, const QByteArray& machine, const TConfig& config);

// What the check's settings mean for the student, in plain words: how far the tape may grow, that a stop at its
// border fails the word, the step and time limits of a word.
QString TaskCheckTerms(const TTask& task);

enum class TTaskStatus { NotStarted, Failed, Solved, Changed };
// "не начата", "есть ошибки", "решена", "изменена после проверки".
QString TaskStatusText(TTaskStatus status);

// Each task's status after its last check, in an INI file of the user's configuration folder (tasks.ini beside
// qtm.ini), so that progress survives a restart. Tasks are told apart by the full path of their file, so two
// books with the same ids keep their own progress; a path the INI file cannot hold as it is (a "=", letters
// outside Windows-1251) is kept as "utf8:" and its UTF-8 bytes percent-encoded. A status holds for the content
// of the machine that was checked: the file changed since, the task is "изменена после проверки".
class TTaskProgress {
public:
    explicit TTaskProgress(QString path) : path_(std::move(path)) {}
    const QString& Path() const { return path_; }
    // machine: the student's machine file as it is now.
    TTaskStatus Status(const TTask& task, const QByteArray& machine = QByteArray()) const;
    // Saved at once; false when the file could not be written. machine: the bytes that were checked.
    bool SetStatus(const TTask& task, TTaskStatus status, const QByteArray& machine = QByteArray());
    // The book the user opened last, or empty.
    QString LastBook() const;
    bool SetLastBook(const QString& dir);

private:
    QString path_;
};

// The student's own machine for a task: ID.qtm in the work folder, never in the book's folder (which may be
// share/qtm/tasks). The work folder is $QTM_WORK_DIR or ~/qtm-machines, with a folder "задачи" in it; the shipped
// book's machines are there, another book's in a folder named as the book's folder, so that a teacher's
// "inversion.task" never opens the student's solution of the shipped one.
QString DefaultTaskWorkDir();
QString BookWorkDir(const QString& workDir, const QString& bookDir, const QString& shippedBookDir);
QString StudentMachinePath(const QString& workDir, const TTask& task);
// A new machine with the task's alphabet and example word and one state q0, its initial state. Empty: made.
QString CreateStudentMachine(const QString& path, const TTask& task);
