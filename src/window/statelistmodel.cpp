#include "window/statelistmodel.h"

#include "machine/machine.h"
#include "window/tapeview.h"
#include "settings/config.h"

TStateListModel::TStateListModel(const TMachine& machine, const TConfig& config, QObject* parent)
    : QAbstractListModel(parent), machine_(machine), config_(config) {}

int TStateListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(machine_.States().size());
}

QVariant TStateListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= machine_.States().size())
        return QVariant();
    const TStateItem& item = machine_.States()[index.row()];
    if (role == Qt::DisplayRole || (namesOnly_ && role == Qt::EditRole))
        return item.name;
    if (namesOnly_ || (role != Qt::ForegroundRole && role != Qt::BackgroundRole))
        return QVariant();
    const RunState state = machine_.GetRunState();
    TCellMarks mark = item.mark & (MarkBreakActive | MarkBreakInactive);
    if ((state == Running || state == Paused) && index.row() == machine_.SelectedState())
        mark |= MarkHead;
    const auto colours = MarkColours(config_, mark, state);
    if (!colours)
        return role == Qt::BackgroundRole ? QColor(Qt::white) : QColor(Qt::black);
    return role == Qt::ForegroundRole ? colours->first : colours->second;
}

void TStateListModel::Reset() {
    beginResetModel();
    endResetModel();
}

void TStateListModel::Repaint() {
    if (!machine_.States().isEmpty())
        emit dataChanged(index(0), index(int(machine_.States().size()) - 1), {Qt::ForegroundRole, Qt::BackgroundRole});
}
