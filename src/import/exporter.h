#pragma once

#include "machine/command.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>

class TMachine;

// The formats of other simulators a machine can be written in: the three the importer reads.
enum class TExportFormat {
    Jff,       // JFLAP, a one-tape Turing machine
    RuleLines, // one rule a line
    RulePairs, // two lines a rule
};

// "jff", "lines" or "pairs"; false for any other name.
bool ExportFormatByName(const QString& name, TExportFormat& format);
// By the file's extension: ".jff" JFLAP, ".tm" one rule a line, ".txt" two lines a rule.
bool ExportFormatByPath(const QString& path, TExportFormat& format);
// The extension (with the dot) a file of the format gets.
QString ExportExtension(TExportFormat format);

// What is exported of a machine: its states, initial state and command rows, as the machine holds them.
struct TExportSource {
    QStringList states;
    QString initialState;
    QList<TCommandRow> commands;
    // The symbols the commands may read and write besides the blank.
    QString alphabet;
};

TExportSource ExportSourceOf(const TMachine& machine);

struct TExportOptions {
    // Where the diagram draws each state, by the state's name (points, y growing downwards); JFLAP files keep
    // the places. States without one are put on a grid below the others.
    QHash<QString, QPointF> positions;
    // The machine's name for the two-lines format's "name:" line; none without it.
    QString title;
};

struct TExported {
    // The file's content: UTF-8 with LF line ends, as the other simulators read it.
    QByteArray bytes;
    // What the user should know: state names changed to names the format allows, states left out.
    QStringList warnings;
    // Each state's name in the file, by its name here (one per state, whatever the letter case in commands).
    QHash<QString, QString> names;
};

// Writes the machine in the format so that it means the same there: the blank "#" becomes the format's
// blank, moves its letters, states without commands its stopping states, and every state a name the format
// and this program's importer keep as it is (distinct without regard to case, at most 16 characters). The
// text is read back before it is given out, and must give the same machine. False, with a message that says
// what cannot be written and where (a command's number from 0, as the data check numbers them), for a
// machine the program would not run (no initial state, no commands, a faulty command, a symbol not in the alphabet) or one the format
// cannot hold.
bool ExportText(const TExportSource& source, TExportFormat format, const TExportOptions& options, TExported& result,
                QString& error);

// Why ExportText would refuse the machine in the format, or empty when it would write it: a caller that lays
// the machine out for the file first asks this, so that a refused machine costs no layout.
QString ExportRefusal(const TExportSource& source, TExportFormat format);

// ExportText, then a safe save of the file under path. False with the message to show.
bool ExportMachineFile(const TExportSource& source, TExportFormat format, const TExportOptions& options,
                       const QString& path, QStringList& warnings, QString& error);
