#include "log/runlogmodel.h"

#include "log/runlog.h"

#include <QFontDatabase>

#include <algorithm>

TRunLogModel::TRunLogModel(const TRunLog& log, QObject* parent)
    : QAbstractTableModel(parent), log_(log), wordFont_(QFontDatabase::systemFont(QFontDatabase::FixedFont)) {
    shownFirst_ = log.FirstSeq();
    shownEnd_ = log.EndSeq();
    generation_ = log.Generation();
}

int TRunLogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(shownEnd_ - shownFirst_);
}

int TRunLogModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TRunLogModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return QVariant();
    if (role == Qt::FontRole && index.column() == ColumnWord)
        return wordFont_;
    if (role != Qt::DisplayRole)
        return QVariant();
    // A row the log has dropped since the last Sync is drawn empty until the view catches up.
    const qint64 seq = shownFirst_ + index.row();
    if (generation_ != log_.Generation() || seq < log_.FirstSeq() || seq >= log_.EndSeq())
        return QVariant();
    const int i = int(seq - log_.FirstSeq());
    const TLogRow& row = log_.Row(i);
    switch (index.column()) {
    case ColumnStep:
        return QString::number(row.step);
    case ColumnState:
        return row.state;
    case ColumnSymbol:
        return row.symbol;
    case ColumnPosition:
        return QString::number(row.headPosition);
    case ColumnWord:
        return log_.RowWordText(i);
    case ColumnCommand:
        return row.commandText;
    default:
        return QVariant();
    }
}

QVariant TRunLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const headings[] = {"N", "Исх. состояние", "Исх. символ", "N символа", "Слово", "След. команда"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf8(headings[section]) : QVariant();
}

bool TRunLogModel::Sync(int firstShown, int lastShown) {
    if (generation_ != log_.Generation()) {
        beginResetModel();
        generation_ = log_.Generation();
        shownFirst_ = log_.FirstSeq();
        shownEnd_ = log_.EndSeq();
        endResetModel();
        return shownEnd_ > shownFirst_;
    }
    // A step undone takes the newest row back, and may bring back into view the row the limit dropped then.
    if (log_.EndSeq() < shownEnd_ && log_.EndSeq() >= shownFirst_ && log_.FirstSeq() <= shownFirst_) {
        beginRemoveRows(QModelIndex(), int(log_.EndSeq() - shownFirst_), rowCount() - 1);
        shownEnd_ = log_.EndSeq();
        endRemoveRows();
        if (log_.FirstSeq() < shownFirst_) {
            beginInsertRows(QModelIndex(), 0, int(shownFirst_ - log_.FirstSeq()) - 1);
            shownFirst_ = log_.FirstSeq();
            endInsertRows();
        }
    }
    // A full log drops a row for every row it adds: the view keeps its rows and shows them shifted, which
    // costs it a repaint of the visible rows instead of moving thousands of rows twice a frame.
    if (log_.EndSeq() - log_.FirstSeq() == shownEnd_ - shownFirst_ && log_.FirstSeq() > shownFirst_ &&
        log_.FirstSeq() < shownEnd_) {
        shownFirst_ = log_.FirstSeq();
        shownEnd_ = log_.EndSeq();
        const int first = std::clamp(firstShown, 0, rowCount() - 1);
        const int last = std::clamp(lastShown, first, rowCount() - 1);
        emit dataChanged(index(first, 0), index(last, ColumnCount - 1), {Qt::DisplayRole});
        return true;
    }
    const qint64 dropped = std::min(log_.FirstSeq(), shownEnd_) - shownFirst_;
    if (dropped > 0) {
        beginRemoveRows(QModelIndex(), 0, int(dropped) - 1);
        shownFirst_ += dropped;
        endRemoveRows();
    }
    if (shownFirst_ < log_.FirstSeq())
        shownFirst_ = shownEnd_ = log_.FirstSeq();
    const qint64 added = log_.EndSeq() - shownEnd_;
    if (added > 0) {
        const int first = rowCount();
        beginInsertRows(QModelIndex(), first, first + int(added) - 1);
        shownEnd_ = log_.EndSeq();
        endInsertRows();
    }
    return added > 0;
}

void TRunLogModel::RefreshWords() {
    if (rowCount() > 0)
        emit dataChanged(index(0, ColumnWord), index(rowCount() - 1, ColumnWord), {Qt::DisplayRole});
}
