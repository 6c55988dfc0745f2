#pragma once

#include "machine/command.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// The foreign "#" while a file is read: "#" is this program's blank, so the mapping gives the foreign symbol
// a character of its own.
inline constexpr QChar ForeignHash{u'\uE000'};

// A rule as another simulator's file states it, its symbols already one character each with that
// format's blank turned into BlankSymbol and its "#" into ForeignHash. Empty texts are the formats'
// wildcards: an empty state or read symbol matches any, an empty new state or written symbol keeps what
// was there.
struct TForeignRule {
    int line = 0;
    QString state;
    QString read;
    QString newState;
    QString write;
    Move move = MoveStay;
};

struct TForeignState {
    QString name;
    // The line that names it.
    int line = 0;
};

// A machine as a reader of another format understood it, before it is mapped onto this program's model.
// States keep their original spelling (the formats tell states apart by case; this program does not).
struct TForeignMachine {
    QString initialState;
    // The line that named the initial state, for a message when its name cannot be kept.
    int initialLine = 0;
    // States in which the other simulator stops: they get no commands.
    QList<TForeignState> haltingStates;
    QList<TForeignRule> rules;
    // Of two rules for the same state and symbol the later one applies (with a warning); else the file is
    // refused as nondeterministic.
    bool laterRuleWins = false;

    void AddHalting(const QString& state, int line) {
        if (!halting_.contains(state)) {
            halting_.insert(state);
            haltingStates.append(TForeignState{state, line});
        }
    }
    bool Halts(const QString& state) const { return halting_.contains(state); }

private:
    QSet<QString> halting_;
};

// The imported machine as the machine file would hold it: alphabet without the blank, initial state, states
// and command rows with their move texts. None of the formats stores an input word.
struct TImportedMachine {
    QString alphabet;
    QString initialState;
    QStringList states;
    QList<TCommandRow> commands;
    // The character that stands for the foreign "#" in the alphabet, the commands and the words; null when
    // the rules do not use "#" (a "#" in the words is then the blank).
    QChar hashSymbol;
    // What the user should know of the mapping, for the load report.
    QStringList warnings;
};

namespace importtext {

// "Строка N: " in front of a message about one line of the file.
QString AtLine(int line, const QString& message);
// Checks one symbol token of a file and gives the symbol, the blank token turning into BlankSymbol and "#"
// into ForeignHash. False, with a message naming the line, for a symbol of several characters or a
// character that the machine files cannot hold.
bool Symbol(const QString& token, const QString& blankToken, int line, QString& symbol, QString& error);
// A text file of another simulator: UTF-8 when it is valid UTF-8, else Windows-1251.
QString DecodeText(const QByteArray& bytes);

} // namespace importtext

// Maps a foreign machine onto this program's model: the alphabet is every symbol the rules read or write
// and every one of inputSymbols, wildcards are spelled out over that alphabet and the blank (an exact rule
// before a rule for any symbol, before a rule for any state, before one for both), halting states get no
// commands, state names are cut to what the state dialog allows and made distinct without regard to case,
// and the foreign "#" of the rules becomes a character that neither uses. False, with a
// message naming the line, for two rules that would apply to the same state and symbol, unless the later
// one wins.
bool MapForeignMachine(const TForeignMachine& foreign, const QString& inputSymbols, TImportedMachine& result,
                       QString& error);
