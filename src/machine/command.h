#pragma once

#include <QString>
#include <QtGlobal>

// Head movement of a command; the codes are stored in files and compared by number.
enum Move : quint8 { MoveLeft = 1, MoveRight = 2, MoveStay = 3 };

// Marks carried by every tape cell, state item and command row; the views colour items from them.
enum CellMark : quint8 { MarkHead = 1, MarkBreakActive = 2, MarkBreakInactive = 4, MarkError = 8 };
using TCellMarks = quint8;

// The blank symbol that fills the tape outside the word.
inline constexpr QChar BlankSymbol = QLatin1Char('#');

// The texts of the move column.
QString MoveText(Move move);
inline const QString MoveLeftText = QStringLiteral("Влево");
inline const QString MoveRightText = QStringLiteral("Вправо");
inline const QString MoveStayText = QStringLiteral("На месте");
// The one-letter move of the table and the diagram: П, Л or Н for a move text in any case and with blanks
// around it, as the engine reads it; any other text as it stands.
QString ShortMoveText(const QString& move);
// The literal of the command list's third column.
inline const QString ArrowText = QStringLiteral("->");

// A command as the engine executes it.
struct TCommand {
    QString sourceState;
    QString sourceSymbol;
    QString newState;
    QString newSymbol;
    Move move = MoveStay;

    bool operator==(const TCommand&) const = default;
};

// One row of the command list: the texts as the list shows them, and the row's marks.
struct TCommandRow {
    QString sourceState;
    QString sourceSymbol;
    QString newState;
    QString newSymbol;
    QString move;
    TCellMarks mark = 0;
};

// The tape cut into three parts for one log row: the blanks left of the word, the word's cells, the rest.
struct TFullWord {
    QString left;
    QString word;
    QString right;

    bool operator==(const TFullWord&) const = default;
};

struct TTapeCell {
    QChar symbol = BlankSymbol;
    TCellMarks mark = 0;
};

struct TStateItem {
    QString name;
    TCellMarks mark = 0;
};

enum RunState { NoMachine = 0, Ready = 1, Running = 2, Paused = 3 };

// Trimming removes every character of codes 0 to 32 at both ends.
QString TrimText(const QString& text);
