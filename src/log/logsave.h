#pragma once

#include <QString>

class TConfig;
class TEngine;
class TPrompts;
class TRunLog;

// The first of "Отчет 1.log" to "Отчет 255.log" that does not exist in the directory, or the empty text.
QString DefaultReportName(const QString& dir);

// The save command of the run log: nothing for an empty log; otherwise pauses a running machine (when an
// engine is given) for as long as the dialog and the writing take, proposes a report name in DirLog (or
// the current directory when DirLog does not exist), and writes the report the user confirms, keeping its
// directory in DirLog. True when a report was written.
bool LogSave(TRunLog& log, TConfig& config, TPrompts& prompts, TEngine* engine);
