#pragma once

#include <QByteArray>
#include <QString>

struct TForeignMachine;

// A JFLAP file (XML) holding a single-tape Turing machine: states with their initial and final marks,
// transitions with read, write and move ("L", "R", "S"); an empty read or write is the blank, "~" reads any
// symbol and writes back the symbol read. Final states stop the machine. False, with a message naming the
// line, for any other automaton, several tapes, building blocks or a transition that cannot be mapped.
bool ReadJff(const QByteArray& bytes, TForeignMachine& machine, QString& error);
