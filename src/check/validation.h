#pragma once

#include "machine/command.h"
#include "machine/ports.h"

#include <QString>

class TCheckState;
class TMachine;

// The validation pass: decides whether the machine may run and keeps the error and breakpoint
// marks of its tape cells, state items and command rows.
//
// Each check takes an optional report: given one, it records every fault it finds there; without one it
// only marks and answers. Marks: the pass owns MarkError; the breakpoint bits (MarkBreakActive,
// MarkBreakInactive) follow the same rule as TMachine::RefreshBreakMarks(), which the pass calls to set them;
// MarkHead is never touched.
//
// The machine calls the silent checks through TMachineChecks after each edit, and the engine asks the
// silent ValidateMachine() before a run; attach with machine.SetChecks(&validation). The destructor detaches
// the pass when it is still attached.
class TValidation : public TMachineChecks {
public:
    explicit TValidation(TMachine& machine) : machine_(machine) {}
    ~TValidation() override;
    TValidation(const TValidation&) = delete;
    TValidation& operator=(const TValidation&) = delete;

    // True when the machine may run: it has commands, states, an alphabet and a word, and all three checks
    // pass. All three checks always run. Any unexpected failure gives false.
    bool ValidateMachine(TCheckState* report);
    // True when every tape cell (the blanks at the ends included) holds "#" or a symbol of the alphabet.
    bool CheckWordCells(TCheckState* report);
    // True when every command passes the command checks; false at once, marking nothing, without commands.
    bool CheckCommands(TCheckState* report);
    // False when the initial state is empty; marks the breakpoint bits of the state items.
    bool CheckStates(TCheckState* report);

    // TMachineChecks: the silent forms.
    void CheckWordCells() override { CheckWordCells(nullptr); }
    void CheckCommands() override { CheckCommands(nullptr); }
    void CheckStates() override { CheckStates(nullptr); }
    bool ValidateMachine() override { return ValidateMachine(nullptr); }

private:
    // The error part of each check, without the breakpoint refresh.
    bool MarkWordCells(TCheckState* report);
    bool MarkCommands(TCheckState* report);
    bool MarkStates(TCheckState* report);
    bool InAlphabet(QChar symbol) const;

    TMachine& machine_;
    // The command check's answer for the machine as it was at checkedRevision_; its marks are still in place.
    bool commandsChecked_ = false;
    quint64 checkedRevision_ = 0;
    bool commandsValid_ = false;
};

// DataCheckUpdate: the data check command is enabled when a machine is open and no run is under way.
bool DataCheckEnabled(RunState runState, bool machineOpen);

// The messages of the command check table.
namespace checkmsg {
inline const QString NoSourceState = QStringLiteral("Не указано исходное состояние");
inline const QString UnknownSourceState = QStringLiteral("Исходное состояние не существует");
inline const QString NoSourceSymbol = QStringLiteral("Не указан исходный символ");
inline const QString SourceSymbolNotInAlphabet = QStringLiteral("Исходный символ отсутсвует в алфавите");
inline const QString NoNewState = QStringLiteral("Не указано новое состояние");
inline const QString UnknownNewState = QStringLiteral("Новое состояние не существует");
inline const QString NoNewSymbol = QStringLiteral("Не указан новый символ");
inline const QString NewSymbolNotInAlphabet = QStringLiteral("Новый символ отсутсвует в алфавите");
inline const QString NoMove = QStringLiteral("Не указано направление перемещения");
inline const QString UnknownMove = QStringLiteral("Несуществующее направление перемещения");
inline const QString Loop = QStringLiteral("Команда ведет к зацикливанию машины");
inline const QString DuplicatesPrefix = QStringLiteral("У команды есть дублеры: ");
inline const QString UnknownError = QStringLiteral("Неизвестная ошибка");
} // namespace checkmsg
