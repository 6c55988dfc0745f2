#include "table/transitiontable.h"

#include "machine/machine.h"

#include <QHash>

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

    if (!table.HasGrid()) {
        for (int row = 0; row < machine.Commands().size(); ++row)
            table.outside.append(row);
        return table;
    }
    // The engine's own rule (TMachine::FindCommand): a state's commands are those whose trimmed state name
    // equals its name without regard to case, and of several for one symbol the first in list order runs.
    // Rows mostly spell a state as the list does: that spelling is found without folding the row's name.
    QHash<QString, int> columnOfFolded;
    QHash<QString, int> columnOf;
    columnOfFolded.reserve(machine.States().size());
    columnOf.reserve(machine.States().size());
    for (const TStateItem& state : machine.States()) {
        const QString folded = TrimText(state.name).toCaseFolded();
        auto column = columnOfFolded.constFind(folded);
        if (column == columnOfFolded.cend())
            column = columnOfFolded.insert(folded, int(table.states.size()));
        columnOf.insert(state.name, *column);
        table.states.append(state.name);
    }
    QHash<char16_t, int> rowOf;
    for (const QString& symbol : TMachine::DistinctSymbols(machine.Alphabet())) {
        if (symbol == QString(BlankSymbol))
            continue;
        rowOf.insert(symbol[0].unicode(), int(table.symbols.size()));
        table.symbols.append(symbol);
    }
    rowOf.insert(BlankSymbol.unicode(), int(table.symbols.size()));
    table.symbols.append(QString(BlankSymbol));
    table.cells.fill(-1, table.symbols.size() * table.states.size());

    const QList<TCommandRow>& rows = machine.Commands();
    for (int i = 0; i < rows.size(); ++i) {
        const TCommandRow& r = rows[i];
        int column = -1;
        if (r.sourceSymbol.size() == 1) {
            const auto exact = columnOf.constFind(r.sourceState);
            column =
                exact != columnOf.cend() ? *exact : columnOfFolded.value(TrimText(r.sourceState).toCaseFolded(), -1);
        }
        const int row = column < 0 ? -1 : rowOf.value(r.sourceSymbol[0].unicode(), -1);
        int* cell = row < 0 ? nullptr : &table.cells[row * table.states.size() + column];
        if (cell && *cell < 0)
            *cell = i;
        else
            table.outside.append(i);
    }
    return table;
}

QString TransitionCellText(const TCommandRow& row) {
    return row.newSymbol + QStringLiteral(", ") + ShortMoveText(row.move) + QStringLiteral(", ") + row.newState;
}
