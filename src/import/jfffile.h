#pragma once

#include <QByteArray>
#include <QList>
#include <QPointF>
#include <QString>

struct TForeignMachine;

// A JFLAP file (XML) holding a single-tape Turing machine: states with their initial and final marks,
// transitions with read, write and move ("L", "R", "S"); an empty read or write is the blank, "~" reads any
// symbol and writes back the symbol read. Final states stop the machine. False, with a message naming the
// line, for any other automaton, several tapes, building blocks or a transition that cannot be mapped.
bool ReadJff(const QByteArray& bytes, TForeignMachine& machine, QString& error);

// A state of a JFLAP file to be written and where it is drawn.
struct TJffPlace {
    QString name;
    QPointF point;
};

// Writes the machine as a JFLAP file that ReadJff reads back: the states in the order given, numbered from 0,
// its stopping states marked final; a blank read or written is an empty element. The names and symbols must
// be ones the format holds.
QByteArray WriteJff(const TForeignMachine& machine, const QList<TJffPlace>& states);
