#pragma once

#include "table/transitiontablemodel.h"

#include <QWidget>

#include <functional>

class QLabel;
class QTableView;
class TConfig;
class TMachine;
class TPrompts;

// The window "Таблица переходов": the machine as a transition table beside the main window. A double click
// or Enter on a cell edits its command, or adds one for an empty cell, through the command dialog; Del
// deletes the cell's command. Every edit goes through the command operations the command list uses.
class TTableForm : public QWidget {
    Q_OBJECT

public:
    // The settings must outlive the window: its destruction stores its place.
    TTableForm(TMachine& machine, TPrompts& prompts, TConfig& config, TMarkColours colours, QWidget* parent = nullptr);
    ~TTableForm() override;

    // Whether the machine's commands may be edited now; without a rule they always may.
    void SetEditRule(std::function<bool()> allowed) { editAllowed_ = std::move(allowed); }

    TTransitionTableModel& Model() { return *model_; }
    QTableView* Grid() const { return grid_; }

    void EditCell(const QModelIndex& index);
    void DeleteCell(const QModelIndex& index);

    void ApplyLayout();
    void StoreLayout();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool EditAllowed() const { return !editAllowed_ || editAllowed_(); }
    void ShowNotes();
    // Puts the cursor back on the cell of this state and symbol after the table was built again.
    void SelectCell(const QString& state, const QString& symbol);

    TMachine& machine_;
    TPrompts& prompts_;
    TConfig& config_;
    TTransitionTableModel* model_ = nullptr;
    QTableView* grid_ = nullptr;
    QLabel* note_ = nullptr;
    std::function<bool()> editAllowed_;
};
