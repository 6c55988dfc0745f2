#pragma once

#include <QStringList>

class QTextStream;
class TConfig;

// qtm-run --task FILE.task MACHINE.qtm...: grades each machine on the task's word set with the task's DiesCount
// and step limit, as the task book window checks it: the machine's name, a line per word ("верно"/"неверно")
// and "N passed, M failed". Returns 0 when every machine passed every word, 1 when a word failed, 2 when the
// task, its set or a machine could not be read.
int GradeTaskMachines(const QString& taskPath, const QStringList& machines, const TConfig& config, QTextStream& out,
                      QTextStream& err);
