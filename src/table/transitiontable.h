#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class TMachine;
struct TCommandRow;

// A machine written the textbook way: a column per state in the state list's order, a row per symbol of
// the alphabet and a last row for the blank, each cell holding the command the machine runs for that
// state and symbol.
struct TTransitionTable {
    QStringList states;
    QStringList symbols;
    // The command row of each cell, row by row (symbol by symbol), or -1 for an empty cell.
    QList<int> cells;
    // The command rows no cell shows: their state or symbol is not in the table, or an earlier row reads
    // the same state and symbol. Listed beside the table so that no command is lost from sight.
    QList<int> outside;
    // Why there is no grid (no states, no alphabet); empty when there is one.
    QString note;

    int Row(int symbol, int state) const { return cells[symbol * states.size() + state]; }
    bool HasGrid() const { return note.isEmpty(); }
};

TTransitionTable BuildTransitionTable(const TMachine& machine);

// A cell's text: "new symbol, move, new state" with the move as its letter, e.g. "1, П, q2".
QString TransitionCellText(const TCommandRow& row);
