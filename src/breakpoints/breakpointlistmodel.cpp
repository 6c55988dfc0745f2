#include "breakpoints/breakpointlistmodel.h"

#include "breakpoints/breakpoint.h"

namespace {

constexpr int ColumnCount = 4;

} // namespace

TBreakPointListModel::TBreakPointListModel(const TBreakPointList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list), rows_(list.Count()) {
    connect(&list, &TBreakPointList::changed, this, &TBreakPointListModel::Sync);
}

int TBreakPointListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int TBreakPointListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TBreakPointListModel::data(const QModelIndex& index, int role) const {
    // A row the list has lost since the last Sync is drawn empty until the model catches up.
    if (!index.isValid() || index.row() >= list_.Count())
        return QVariant();
    const TBreakPoint& p = list_.At(index.row());
    if (role == Qt::CheckStateRole)
        return index.column() == 0 ? QVariant(p.Enabled ? Qt::Checked : Qt::Unchecked) : QVariant();
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case 0:
        return QStringLiteral("Точка ") + QString::number(index.row());
    case 1:
        return p.State;
    case 2:
        return p.Symbol;
    case 3:
        return QString::number(p.Passes);
    default:
        return QVariant();
    }
}

QVariant TBreakPointListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case 0:
        return QStringLiteral("Имя");
    case 1:
        return QStringLiteral("Состояние");
    case 2:
        return QStringLiteral("Символ");
    case 3:
        return QStringLiteral("Число проходов");
    default:
        return QVariant();
    }
}

Qt::ItemFlags TBreakPointListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return index.column() == 0 ? flags | Qt::ItemIsUserCheckable : flags;
}

bool TBreakPointListModel::setData(const QModelIndex& index, const QVariant& /*value*/, int role) {
    if (index.isValid() && role == Qt::CheckStateRole)
        emit dataChanged(index, index, {Qt::CheckStateRole});
    return false;
}

void TBreakPointListModel::Sync() {
    const int count = list_.Count();
    if (count > rows_) {
        // The list only ever appends.
        beginInsertRows(QModelIndex(), rows_, count - 1);
        rows_ = count;
        endInsertRows();
    } else if (count < rows_) {
        beginResetModel();
        rows_ = count;
        endResetModel();
    } else if (count > 0) {
        emit dataChanged(index(0, 0), index(count - 1, ColumnCount - 1));
    }
}
