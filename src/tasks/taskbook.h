#pragma once

#include "runner/batchrun.h"
#include "tasks/task.h"
#include "testset/testsetfile.h"

#include <QList>
#include <QString>

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

// The result of running a task's word set on a machine with the task's DiesCount and step limit (the other
// settings, the loop check among them, as given). error: the set could not be read (nothing was run).
struct TTaskGrade {
    QString error;
    QList<TTestCase> cases;
    QList<TRunResult> results;
    int passed = 0;
    int failed = 0;
};
// machine: the bytes of a machine file.
TTaskGrade GradeTask(const TTask& task, const QByteArray& machine, const TConfig& config);

enum class TTaskStatus { NotStarted, Failed, Solved };
// "не начата", "есть ошибки", "решена".
QString TaskStatusText(TTaskStatus status);

// Each task's status after its last check, in an INI file of the user's configuration folder (tasks.ini beside
// qtm.ini), so that progress survives a restart. Tasks are told apart by the full path of their file, so two
// books with the same ids keep their own progress.
class TTaskProgress {
public:
    explicit TTaskProgress(QString path) : path_(std::move(path)) {}
    const QString& Path() const { return path_; }
    TTaskStatus Status(const TTask& task) const;
    // Saved at once; false when the file could not be written.
    bool SetStatus(const TTask& task, TTaskStatus status);

private:
    QString path_;
};

// The student's own machine for a task: ID.qtm in the work folder, never in the book's folder (which may be
// share/qtm/tasks). The work folder is $QTM_WORK_DIR or ~/qtm-machines, with a folder "задачи" in it.
QString DefaultTaskWorkDir();
QString StudentMachinePath(const QString& workDir, const TTask& task);
// A new machine with the task's alphabet and example word and one state q0, its initial state. Empty: made.
QString CreateStudentMachine(const QString& path, const TTask& task);
