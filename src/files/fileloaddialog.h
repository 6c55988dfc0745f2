#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;
class TLoadReport;

// The load report: tells whether a machine file loaded cleanly and, on demand, lists its faulty lines.
// Created for one use and shown with exec(); it starts collapsed, and "more details" expands it once.
class TFileLoadDialog : public QDialog {
    Q_OBJECT

public:
    explicit TFileLoadDialog(const QString& fileName, QWidget* parent = nullptr);

    // Builds the dialog for a finished report and shows it modally.
    static void ShowReport(const TLoadReport& report, QWidget* parent = nullptr);

    void SetErrors(bool flag);
    void AddError(int lineNumber, const QString& message);
    bool ErrorsFound() const { return errorsFound_; }

    void DetailButtonClick();

private:
    void CreateControls();
    void AssignHelpContexts();

    bool errorsFound_ = false;

    QLabel* Label = nullptr;
    QLabel* FileNameLabel = nullptr;
    QLabel* StateLabel = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* DetailButton = nullptr;
    QTreeWidget* ErrorListBox = nullptr;
};
