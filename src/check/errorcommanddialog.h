#pragma once

#include <QDialog>

class QTableView;
class TCommandError;

// The erroneous commands window: one read-only list of the faults of a data check report, a row
// per fault: "Команда " + position, and the fault text. Sizeable, centred on the desktop; Esc closes it.
class TErrorCommandDialog : public QDialog {
    Q_OBJECT

public:
    // The report must outlive the dialog.
    explicit TErrorCommandDialog(const TCommandError& errors, QWidget* parent = nullptr);

    QTableView* ListView() const { return listView_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateList(const TCommandError& errors);
    void CreateActions();

    QTableView* listView_ = nullptr;
    bool centred_ = false;
};
