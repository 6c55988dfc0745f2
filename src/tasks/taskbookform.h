#pragma once

#include "tasks/taskbook.h"

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QTableView;
class QTextBrowser;
class QTreeWidget;
class TConfig;
class TPrompts;
class TTestSetModel;

// The window "Задачник": the tasks of a book with their status, the selected task's statement, "Решать" that
// opens the student's own machine for it and "Проверить" that grades that machine on the task's word set and
// shows the results as the test-set window does. The status of a task follows its last check and is kept in
// the progress file.
class TTaskBookForm : public QWidget {
    Q_OBJECT

public:
    // The settings must outlive the window. workDir holds the students' machines.
    TTaskBookForm(TConfig& config, TPrompts& prompts, const QString& progressPath, const QString& workDir,
                  QWidget* parent = nullptr);
    ~TTaskBookForm() override;

    // The bytes of the machine file at path: the main window hands over its own machine when it has that file
    // open, unsaved edits included. Unset, the file is read.
    std::function<QByteArray(const QString& path)> machineBytesFor;

    void OpenBook(const QString& dir);
    // "Открыть задачник…": a .task file chosen in a folder opens the folder.
    bool OpenBookDialog();
    const TTaskBook& Book() const { return book_; }
    // The selected task, or nullptr (none, or a file that is no task).
    const TTask* CurrentTask() const;
    bool SelectTask(const QString& id);
    // "Решать": creates the machine on first use; then asks the main window to open it.
    void Solve();
    // "Проверить".
    void Check();
    TTestSetModel& Results() { return *results_; }
    TTaskProgress& Progress() { return progress_; }

    void ApplyLayout();
    void StoreLayout();

    QTreeWidget* TaskList = nullptr;
    QTextBrowser* StatementView = nullptr;
    QLabel* SummaryLabel = nullptr;
    QTableView* ResultView = nullptr;
    QPushButton* SolveButton = nullptr;
    QPushButton* CheckButton = nullptr;
    QPushButton* OpenBookButton = nullptr;

signals:
    void openMachine(const QString& path);

private:
    void CreateControls();
    void FillList();
    void ShowCurrent();
    void UpdateStatus(int row);

    TConfig& config_;
    TPrompts& prompts_;
    TTaskProgress progress_;
    QString workDir_;
    TTaskBook book_;
    TTestSetModel* results_ = nullptr;
};
