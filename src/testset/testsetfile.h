#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A test set: words with the tape (and, optionally, the state) a machine must end with. On disk one case a
// line, "word<TAB>tape[<TAB>state]", the lines qtm-run --expect reads; the window writes Windows-1251 with
// CR LF and reads that or UTF-8, so a teacher may write the file in any editor.
struct TTestCase {
    QString word;
    QString tape;
    QString state;
    // "word<TAB>tape<TAB>" names an empty state and keeps its tab when saved again.
    bool hasState = false;

    bool operator==(const TTestCase&) const = default;
};

struct TTestLineError {
    int line = 0;
    QString text;
    // "Строка N: text", as the window and the runner report it.
    QString Message() const;
};

// A text file a teacher may have written in any editor, as a set file is read: Windows-1251 unless the bytes say
// UTF-8. The task files are read through it too.
QString DecodeTestSetText(const QByteArray& bytes);

// The cases of a set file's bytes; a malformed line is reported and skipped.
QList<TTestCase> ParseTestSet(const QByteArray& bytes, QList<TTestLineError>& errors);
QByteArray TestSetBytes(const QList<TTestCase>& cases);

// Reads a set file (with the limits of a machine file). Empty error: read.
QList<TTestCase> ReadTestSet(const QString& path, QList<TTestLineError>& errors, QString& error);
// Saves through a temporary file beside it, so the name always holds one complete set. Empty: saved.
QString SaveTestSet(const QString& path, const QList<TTestCase>& cases);

// The set that goes with a machine file: "задача.qtm" has "задача.tests".
QString TestSetPathOf(const QString& machinePath);
