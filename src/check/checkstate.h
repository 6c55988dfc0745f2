#pragma once

#include "platform/prompts.h"

#include <QList>
#include <QString>

#include <optional>

// The report of one data check: filled by the validation pass, shown by the data check dialog,
// then dropped. Flags only ever go from false to true within one report, so the setters below may be
// called in any order and never hide a fault recorded earlier.

// Faults of the word: empty, or symbols that are not in the alphabet.
class TWordError {
public:
    bool HasErrors() const { return hasErrors_; }
    bool Empty() const { return empty_; }
    // Each offending character once, in the order first met.
    const QString& BadSymbols() const { return badSymbols_; }

    // An empty word is a fault.
    void SetEmpty(bool empty);
    void AddBadSymbol(QChar symbol);

    // The word details message of the data check dialog.
    TMessage Message() const;

private:
    bool hasErrors_ = false;
    bool empty_ = false;
    QString badSymbols_;
};

// One row of the erroneous commands window.
struct TCommandFault {
    int position = 0;
    // Trimmed.
    QString message;

    // "Команда " followed by the position: the row's first column.
    QString Caption() const;
    bool operator==(const TCommandFault&) const = default;
};

// Faults of the commands: none at all, or the faults of single commands in the order recorded.
class TCommandError {
public:
    bool HasErrors() const { return hasErrors_; }
    bool None() const { return none_; }
    const QList<TCommandFault>& Faults() const { return faults_; }

    // No commands is a fault.
    void SetNone(bool none);
    // One row for the command at `position`; the message is trimmed.
    void AddFault(int position, const QString& message);

    // The command details message, or none when the faults are to be listed in the erroneous commands window.
    std::optional<TMessage> Message() const;

private:
    bool hasErrors_ = false;
    bool none_ = false;
    QList<TCommandFault> faults_;
};

// TCheckState: the counts of the machine and the faults of its three groups.
class TCheckState {
public:
    bool NoStates() const { return noStates_; }
    bool StateErrors() const { return stateErrors_; }
    bool HasInitial() const { return hasInitial_; }
    int StateCount() const { return stateCount_; }
    int WordLength() const { return wordLength_; }
    int CommandCount() const { return commandCount_; }
    int AlphabetLength() const { return alphabetLength_; }
    const TWordError& Word() const { return word_; }
    const TCommandError& Commands() const { return commands_; }
    TWordError& Word() { return word_; }
    TCommandError& Commands() { return commands_; }

    // 0 sets NoStates and StateErrors.
    void SetStateCount(int count);
    // false sets StateErrors.
    void SetHasInitial(bool given);
    // 0 makes the word empty, which is a fault.
    void SetWordLength(int length);
    // 0 means no commands, which is a fault.
    void SetCommandCount(int count);
    void SetAlphabetLength(int length) { alphabetLength_ = length; }

    // Any group has a fault.
    bool HasErrors() const { return word_.HasErrors() || commands_.HasErrors() || stateErrors_; }

    // The state details message of the data check dialog.
    TMessage StateMessage() const;

private:
    bool noStates_ = false;
    bool stateErrors_ = false;
    bool hasInitial_ = true;
    int stateCount_ = 0;
    int wordLength_ = 0;
    int commandCount_ = 0;
    int alphabetLength_ = 0;
    TWordError word_;
    TCommandError commands_;
};

// Captions of the three details messages.
inline const QString WordErrorsCaption = QStringLiteral("Ошибки в слове");
inline const QString StateErrorsCaption = QStringLiteral("Ошибки в состояниях");
inline const QString CommandErrorsCaption = QStringLiteral("Ошибки в командах");
