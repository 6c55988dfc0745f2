#pragma once

#include <QStringList>

class QTextStream;

// The command-line runner: qtm-run FILE.qtm [--word W]... [--words FILE] [--max-steps N] [--dies N]
// [--config qtm.ini] [--report OUT.log] [--no-loop-check] [--json] [--expect FILE] [--spacetime OUT.png]
// [--cost [--max-length N] [--csv OUT.csv]]. Returns the exit
// status: 0 when every run halted normally (and every expectation held), 1 otherwise (a loop included),
// 2 for unusable input, a wrong option or a report that could not be written. --help and --version answer
// on out with 0. With errIsTerminal (and without --json) a run longer than a second shows its progress on err.
int RunBatch(const QStringList& arguments, QTextStream& out, QTextStream& err, bool errIsTerminal = false);
