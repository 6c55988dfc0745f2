#pragma once

#include <QString>
#include <QStringList>

class QTextStream;
class TConfig;

// How qtm-run --task writes what it found.
struct TTaskOutput {
    // One JSON object a line per word, with the machine's name, instead of the text lines.
    bool json = false;
    // When set, also a table for spreadsheets: a row per word with the machine's name, ";" between the fields,
    // UTF-8 with a byte order mark, as Russian spreadsheets open it.
    QString csvPath;
};

// qtm-run --task FILE.task MACHINE...: grades each machine on the task's word set with the task's DiesCount, step
// and time limits, as the task book window checks it: the machine's name, a line per word ("верно"/"неверно", and
// why a word did not run) and "N passed, M failed". A machine of another simulator is imported. Returns 0 when
// every machine passed every word, 1 when a word failed, 2 when the task, its set or a machine could not be read
// or run.
int GradeTaskMachines(const QString& taskPath, const QStringList& machines, const TConfig& config,
                      const TTaskOutput& output, QTextStream& out, QTextStream& err);
