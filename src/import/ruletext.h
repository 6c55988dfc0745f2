#pragma once

#include <QByteArray>
#include <QString>

struct TForeignMachine;

// The one-rule-per-line text format: "state symbol newsymbol direction newstate" a line, fields apart by
// blanks; "_" the blank; "*" any state or symbol in the first two fields, "no change" in the new symbol and
// new state, no move as the direction (also "l" and "r"); ";" starts a comment; a "!" after the rule marks
// a breakpoint (dropped here). States whose names begin with "halt" in any letter case stop the machine;
// of two rules for the same state and symbol the later applies. The machine starts in state "0", or in the
// first rule's state when no rule is for "0" but some rule names a state. False, with a message naming the
// line, for a line that is not such a rule.
bool ReadRuleLines(const QString& text, TForeignMachine& machine, QString& error);

// Writes the rules a line each, "_" for the blank, moves "l", "r" and "*"; ReadRuleLines reads them back. The
// initial state's rules must come first, and the names and symbols must be ones the format holds.
QByteArray WriteRuleLines(const TForeignMachine& machine);
