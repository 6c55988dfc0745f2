#pragma once

#include <QByteArray>
#include <QString>

class TBreakPointList;
class TMachine;
struct TImportedMachine;

// The formats of other simulators that can be imported, told by the file's content.
enum class TImportFormat {
    None,      // not an import: a machine file of this program, or a file of no known kind and name
    Unknown,   // named as another simulator's file (.jff, .tm, .tms, .txt) but none of the formats
    Jff,       // JFLAP: XML with a "structure" element
    RuleLines, // one rule a line
    RulePairs, // two lines a rule
};

// The format of a file by its content; a .qtm file is not read.
TImportFormat ImportFormatOf(const QString& path);
// The same for content already read; the name's extension counts only for a damaged JFLAP file.
TImportFormat ImportFormatOfContent(const QString& path, const QByteArray& bytes);

// Reads the file of another simulator and maps its machine; the machine and the breakpoints are left
// alone. inputSymbols (words the machine is to run on) join the alphabet, so that rules for any symbol
// cover them too. False, with the message to show, when the file cannot be read or its machine cannot be
// mapped; the message names the line.
bool ReadImportFile(const QString& path, TImportedMachine& result, QString& error,
                    const QString& inputSymbols = QString());

// Replaces the machine by the imported one through the operations the machine file reader uses, and
// empties the breakpoint list. The machine reports the change as an edit, so an open file marks itself
// modified.
void ApplyImportedMachine(const TImportedMachine& imported, TMachine& machine, TBreakPointList& breakPoints);

// ReadImportFile, then ApplyImportedMachine; on a failure nothing is changed.
bool ImportMachine(const QString& path, TMachine& machine, TBreakPointList& breakPoints, QString& error,
                   const QString& inputSymbols = QString());
