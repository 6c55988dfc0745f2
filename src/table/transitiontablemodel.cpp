#include "table/transitiontablemodel.h"

#include "machine/machine.h"

TTransitionTableModel::TTransitionTableModel(const TMachine& machine, TMarkColours colours, QObject* parent)
    : QAbstractTableModel(parent), machine_(machine), colours_(std::move(colours)),
      table_(BuildTransitionTable(machine)) {
    for (auto signal : {&TMachine::commandsChanged, &TMachine::statesChanged, &TMachine::alphabetChanged})
        connect(&machine_, signal, this, &TTransitionTableModel::Rebuild);
    connect(&machine_, &TMachine::commandMarksChanged, this, &TTransitionTableModel::RepaintMarks);
    connect(&machine_, &TMachine::activeCommandChanged, this, &TTransitionTableModel::RepaintMarks);
}

void TTransitionTableModel::Rebuild() {
    beginResetModel();
    table_ = BuildTransitionTable(machine_);
    endResetModel();
}

void TTransitionTableModel::RepaintMarks() {
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::ForegroundRole, Qt::BackgroundRole});
}

int TTransitionTableModel::CommandRow(const QModelIndex& index) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return -1;
    const int row = table_.Row(index.row(), index.column());
    return row < machine_.Commands().size() ? row : -1;
}

int TTransitionTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(table_.symbols.size());
}

int TTransitionTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(table_.states.size());
}

QVariant TTransitionTableModel::data(const QModelIndex& index, int role) const {
    const int row = CommandRow(index);
    if (row < 0)
        return role == Qt::TextAlignmentRole ? QVariant(Qt::AlignCenter) : QVariant();
    const TCommandRow& command = machine_.Commands()[row];
    switch (role) {
    case Qt::DisplayRole:
        return TransitionCellText(command);
    case Qt::ToolTipRole:
        return TMachine::CommandText(TMachine::CommandFromRow(command));
    case Qt::TextAlignmentRole:
        return QVariant(Qt::AlignCenter);
    case Qt::ForegroundRole:
    case Qt::BackgroundRole: {
        const auto colours = colours_ ? colours_(command.mark) : std::nullopt;
        if (!colours)
            return QVariant();
        return role == Qt::ForegroundRole ? colours->first : colours->second;
    }
    default:
        return QVariant();
    }
}

QVariant TTransitionTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    const QStringList& names = orientation == Qt::Horizontal ? table_.states : table_.symbols;
    return section >= 0 && section < names.size() ? QVariant(names[section]) : QVariant();
}
