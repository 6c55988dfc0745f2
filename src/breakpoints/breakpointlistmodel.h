#pragma once

#include <QAbstractTableModel>

class TBreakPointList;

// The breakpoint list as a table: "Точка " + position, state, symbol, passes; the name column carries the
// breakpoint's on/off state as a check box the user cannot change from here. Reads the list on demand, so a
// view over 100,000 breakpoints costs what one over 10 does. It follows the list's `changed` signal and shows
// the rows it last caught up with: growth is told as rows appended, a shrink as a reset (the rows below a
// removed one are renamed), an edit in place as changed data.
class TBreakPointListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit TBreakPointListModel(const TBreakPointList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A click on a check box sets nothing: the box is redrawn in its breakpoint's state.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Catches up with the list's length; with the length unchanged, every row may read differently.
    void Sync();

private:
    const TBreakPointList& list_;
    int rows_ = 0;
};
