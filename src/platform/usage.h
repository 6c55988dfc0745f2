#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// The command-line manners both programs share: --help and --version answer on stdout with status 0; a
// wrong option prints the usage on stderr with status 2.
namespace usage {

// "qtm 1.0.0" and the lines that follow a version in GNU tools: the copyright, the licence, no warranty.
QString VersionText(const QString& program);
// The end of every --help: a blank line and where to report faults, or nothing when the build names no address.
QString BugReportLine(const QString& address = QStringLiteral(QTM_BUGREPORT));
// The two lines after an error about the command line: the usage line and where to learn more.
QString TryHelp(const QString& usageLine, const QString& program);

// qtm's own options, read before the window system is touched so that --help works without a display.
// Qt's options (-platform, -style, ...) are left for QApplication. Returns -1 when the program should
// start, with file set to the machine file named (or empty); otherwise the exit status to end with.
int ReadProgramOptions(const QStringList& arguments, QTextStream& out, QTextStream& err, QString& file);

} // namespace usage
