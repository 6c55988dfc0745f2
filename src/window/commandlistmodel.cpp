#include "window/commandlistmodel.h"

#include "machine/machine.h"
#include "window/tapeview.h"
#include "settings/config.h"

#include <QWidget>

TCommandListModel::TCommandListModel(const TMachine& machine, const TConfig& config, QObject* parent)
    : QAbstractTableModel(parent), machine_(machine), config_(config) {}

int TCommandListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(machine_.Commands().size());
}

int TCommandListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 6;
}

QVariant TCommandListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= machine_.Commands().size())
        return QVariant();
    const TCommandRow& row = machine_.Commands()[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case 0:
            return row.sourceState;
        case 1:
            return row.sourceSymbol;
        case 2:
            return ArrowText;
        case 3:
            return row.newState;
        case 4:
            return row.newSymbol;
        default:
            return row.move;
        }
    case Qt::ToolTipRole:
        return TMachine::CommandText(TMachine::CommandFromRow(row));
    case Qt::ForegroundRole:
    case Qt::BackgroundRole: {
        const auto colours = MarkColours(config_, row.mark, machine_.GetRunState());
        if (!colours)
            return role == Qt::BackgroundRole ? QColor(Qt::white) : QColor(Qt::black);
        return role == Qt::ForegroundRole ? colours->first : colours->second;
    }
    default:
        return QVariant();
    }
}

QVariant TCommandListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char16_t* const headings[] = {u"Исх. состояние",  u"Исх. символ", u"",
                                               u"Нов. состояние ", u"Нов. символ", u"Перемещение"};
    return section >= 0 && section < 6 ? QString::fromUtf16(headings[section]) : QVariant();
}

void TCommandListModel::Reset() {
    beginResetModel();
    endResetModel();
}

void TCommandListModel::Repaint(int first, int last) {
    if (machine_.Commands().isEmpty())
        return;
    const int rows = int(machine_.Commands().size());
    if (first < 0 || last < 0 || first >= rows) {
        first = 0;
        last = rows - 1;
    }
    emit dataChanged(index(first, 0), index(std::min(last, rows - 1), 5), {Qt::ForegroundRole, Qt::BackgroundRole});
}

void TMarkDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const QWidget* view = option->widget;
    if (!view || !view->hasFocus())
        option->state &= ~QStyle::State_Selected;
    option->state &= ~QStyle::State_HasFocus;
}
