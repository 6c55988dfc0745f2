#include "table/transitiontable.h"

#include "machine/machine.h"

#include <QSet>

TTransitionTable BuildTransitionTable(const TMachine& machine) {
    TTransitionTable table;
    const bool noStates = machine.States().isEmpty();
    const bool noAlphabet = machine.Alphabet().isEmpty();
    if (noStates && noAlphabet)
        table.note = QStringLiteral("Таблица переходов пуста: в машине нет ни состояний, ни алфавита");
    else if (noStates)
        table.note = QStringLiteral("Таблица переходов пуста: в машине нет состояний");
    else if (noAlphabet)
        table.note = QStringLiteral("Таблица переходов пуста: алфавит машины пуст");

    if (table.HasGrid()) {
        for (const TStateItem& state : machine.States())
            table.states.append(state.name);
        for (const QString& symbol : TMachine::DistinctSymbols(machine.Alphabet()))
            if (symbol != QString(BlankSymbol))
                table.symbols.append(symbol);
        table.symbols.append(QString(BlankSymbol));
        table.cells.reserve(table.symbols.size() * table.states.size());
        // The machine's own lookup, so each cell shows the very command a run would take.
        for (const QString& symbol : table.symbols)
            for (const QString& state : table.states)
                table.cells.append(machine.FindCommand(state, symbol));
    }

    const QSet<int> shown(table.cells.cbegin(), table.cells.cend());
    for (int row = 0; row < machine.Commands().size(); ++row)
        if (!shown.contains(row))
            table.outside.append(row);
    return table;
}

QString MoveLetter(const QString& move) {
    const QString text = TrimText(move);
    const std::pair<const QString&, const char16_t*> letters[] = {
        {MoveLeftText, u"Л"}, {MoveRightText, u"П"}, {MoveStayText, u"Н"}};
    for (const auto& [name, letter] : letters)
        if (text.compare(name, Qt::CaseInsensitive) == 0)
            return QString::fromUtf16(letter);
    return move;
}

QString TransitionCellText(const TCommandRow& row) {
    return row.newSymbol + QStringLiteral(", ") + MoveLetter(row.move) + QStringLiteral(", ") + row.newState;
}
