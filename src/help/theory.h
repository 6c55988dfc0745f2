#pragma once

#include <QString>

#include <functional>

class TPrompts;

// The name of the theory help beside the executable.
inline constexpr char16_t TheoryFileName[] = u"turring.hlp";

// The "&теория" command: the theory help from programDir opened at its contents by openContents. A missing
// file is reported with its full path; an error thrown by openContents as a failed opening. Returns true when
// the help was asked to open (whatever it then made of the file).
bool OpenTheoryHelp(const QString& programDir, TPrompts& prompts,
                    const std::function<void(const QString& fileName)>& openContents);
