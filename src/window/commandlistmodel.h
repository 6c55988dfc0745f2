#pragma once

#include <QAbstractTableModel>
#include <QStyledItemDelegate>

class TConfig;
class TMachine;

// The command list as a table of six columns over the machine's command rows; colours come from the
// rows' marks, the tool tip is the command's text.
class TCommandListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    TCommandListModel(const TMachine& machine, const TConfig& config, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The rows' structure changed.
    void Reset();
    // Marks or the run state changed: repaint the rows between first and last (all when -1).
    void Repaint(int first = -1, int last = -1);

private:
    const TMachine& machine_;
    const TConfig& config_;
};

// A list delegate that keeps the row's own colours and shows the selection only while the list has the
// keyboard focus, so that the marks stay visible everywhere else.
class TMarkDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
