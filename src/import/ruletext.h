#pragma once

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
