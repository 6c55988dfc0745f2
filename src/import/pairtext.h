#pragma once

#include <QByteArray>
#include <QString>

struct TForeignMachine;

// The two-lines-per-rule text format: "name:", "init:" and "accept:" lines, then each rule as a line
// "state,read" followed by a line "newstate,write,move" with the moves "<", ">" and "-"; "_" the blank;
// "//" starts a comment. Accept states stop the machine. False, with a message naming the line, for a
// machine of several tapes or a line that cannot be read.
bool ReadRulePairs(const QString& text, TForeignMachine& machine, QString& error);

// Writes the "name:" (when title is not empty), "init:" and "accept:" lines and the rules, "_" for the blank,
// moves "<", ">" and "-"; ReadRulePairs reads them back. The names and symbols must be ones the format holds.
QByteArray WriteRulePairs(const TForeignMachine& machine, const QString& title);
