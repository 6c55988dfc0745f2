#pragma once

#include "machine/command.h"
#include "table/transitiontable.h"

#include <QAbstractTableModel>
#include <QColor>

#include <functional>
#include <optional>
#include <utility>

class TMachine;

// The text and background colours of a command by its marks, or none for the ordinary colours.
using TMarkColours = std::function<std::optional<std::pair<QColor, QColor>>(TCellMarks mark)>;

// The transition table over the machine: a column per state, a row per symbol; the headings are the state
// names and the symbols. It follows the machine's signals itself, so it shows every edit made anywhere.
class TTransitionTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    TTransitionTableModel(const TMachine& machine, TMarkColours colours, QObject* parent = nullptr);

    const TTransitionTable& Table() const { return table_; }
    // The command row a cell shows, or -1.
    int CommandRow(const QModelIndex& index) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The run state changed what the marks look like.
    void RepaintMarks();

private:
    void Rebuild();

    const TMachine& machine_;
    TMarkColours colours_;
    TTransitionTable table_;
};
