#pragma once

#include "tasks/taskbook.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

class TConfig;

// A class's work on a task book: a folder with a folder per student, each holding the student's "задачи" as
// "Решать" makes it (the shipped book's machines right in it, another book's in a folder named as the book's
// folder). Every student's machine is checked on every task with the one check the task book window uses.

// How one student did on one task.
struct TGradeCell {
    enum class TKind { Solved, Failed, Missing, Broken };
    // A word the machine got wrong: the word, the expected answer and what the machine left (or why it stopped).
    struct TWord {
        QString word;
        QString expected;
        QString actual;
    };

    TKind kind = TKind::Missing;
    int failed = 0;
    int total = 0;
    // Why the machine does not run (Broken).
    QString reason;
    QList<TWord> words;

    // "решена", "есть ошибки N из M", "нет решения", "не запускается".
    QString Text() const;
    // Orders cells from the best to the worst, for sorting a column.
    int Rank() const;
};

struct TClassGrade {
    QString bookDir;
    QString classDir;
    QList<TTask> tasks;
    // The students' folder names, in the order of the rows.
    QStringList students;
    // cells[student][task].
    QList<QList<TGradeCell>> cells;
    // Cancelled: cells not checked yet are Missing.
    bool cancelled = false;

    int SolvedBy(int student) const;
    int SolvedOf(int task) const;
    bool AllSolved() const;

    // A row per student ("решено N из M" at its end), a column per task, and a last row "решили" with each task's
    // count; tabs between the columns.
    QString Text() const;
    // The same table for spreadsheets (with the bytes of the file: ";" between fields, UTF-8 with a byte order mark).
    QByteArray Csv() const;
    // A page to open and print: the table, each cell not solved linking to a section below it that lists that
    // student's failing words on that task (or why the machine does not run).
    QString Html() const;
    // The anchor of a cell's section on the page.
    static QString Anchor(int student, int task);
};

// The folders of the class's students, by name; hidden folders are not students.
QStringList ClassStudents(const QString& classDir);
// Where the student's machine for a task of the book is.
QString ClassMachinePath(const QString& studentDir, const QString& bookDir, const QString& shippedBookDir,
                         const TTask& task);

// How a class check is watched; all may be left unset.
struct TClassGradeControl {
    const std::atomic<bool>* cancel = nullptr;
    // Told after each machine is checked, from the checking threads (never two at once).
    std::function<void(int done, int total)> progress;
    // Machines checked at once, at least one.
    int jobs = 1;
};

// Checks every student's machine on every task of the book, each with its task's settings.
TClassGrade GradeClass(const TTaskBook& book, const QString& classDir, const QString& shippedBookDir,
                       const TConfig& config, const TClassGradeControl& control = {});
// A cell from one check; missing: there is no machine file.
TGradeCell GradeCellOf(const TTaskGrade& grade, bool missing);
