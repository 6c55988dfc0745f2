#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// One exercise of a task book: a ".task" file, Windows-1251 (or UTF-8) with CR LF, INI-like. The section
// [Task] holds Title, Alphabet (the words' alphabet: a solution adds its own working symbols), Word (an example
// word for the student's new machine), DiesCount and MaxSteps (the settings its check runs with) and
// Difficulty (1 to 5), and optionally TimeLimit (seconds a word may run, 1 to 3600, 10 when not given); the lines
// of the section [Statement] are the statement, as they are (a line in brackets there is text, unless it names
// [Task] or [Statement]). Keys are read without regard to case. The words and their answers are the test set
// "ID.tests" beside it, in the format qtm-run --expect reads. ID is the file's name.
struct TTask {
    // A looping machine runs to the step limit on every word: a bigger limit would run for hours.
    static constexpr qint64 MaxStepsBound = 100000000;
    static constexpr int DefaultTimeLimit = 10;
    static constexpr int TimeLimitBound = 3600;

    QString id;
    QString path;
    QString title;
    QString statement;
    QString alphabet;
    QString word;
    int diesCount = 1;
    qint64 maxSteps = 0;
    int difficulty = 0;
    int timeLimit = DefaultTimeLimit;

    QString TestsPath() const;
};

// Why a file is no task, and on which line (0: the file as a whole).
struct TTaskFault {
    int line = 0;
    QString text;
    // "Строка N: text", or the text alone for the whole file.
    QString Message() const;
};

// Parses a task's bytes into task (its id and path are the caller's). False with the first fault found.
bool ParseTask(const QByteArray& bytes, TTask& task, TTaskFault& fault);
// Reads and parses the file; the id is its name without ".task".
bool ReadTask(const QString& path, TTask& task, TTaskFault& fault);
