#pragma once

#include <QAbstractTableModel>
#include <QFont>

#include <limits>

class TRunLog;

// The run log as a table. It shows the rows it last caught up with (Sync), not the log's rows of the
// moment, so that a run adding a row every millisecond reaches the view once a frame. The word column is
// made when a row is drawn, in the log's word form of that moment.
class TRunLogModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { ColumnStep, ColumnState, ColumnSymbol, ColumnPosition, ColumnWord, ColumnCommand, ColumnCount };

    explicit TRunLogModel(const TRunLog& log, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Takes in the rows dropped and added since the last call; true when rows were added. When a full log
    // only shifts its rows, only the rows shown (firstShown to lastShown) are told that they changed: the
    // others are read afresh when they come into view, and a table of thousands of changed rows costs the
    // views and the accessibility clients that listen more than the run's ticks.
    bool Sync(int firstShown = 0, int lastShown = std::numeric_limits<int>::max());
    // The word column of every row reads differently now.
    void RefreshWords();

private:
    const TRunLog& log_;
    qint64 shownFirst_ = 0;
    qint64 shownEnd_ = 0;
    int generation_ = 0;
    QFont wordFont_;
};
