#pragma once

#include "tasks/taskbook.h"

#include <QWidget>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class QTextBrowser;
class QTreeWidget;
class TConfig;
class TLongWork;
class TPrompts;
class TTestSetModel;

// The window "Задачник": the tasks of a book with their status, the selected task's statement and the terms of
// its check, "Решать" that opens the student's own machine for it and "Проверить" that grades the saved machine on
// the task's word set on a worker thread (with progress and "Отмена") and shows the results as the test-set window
// does. The status of a task follows its last check of the file's content and is kept in the progress file.
class TTaskBookForm : public QWidget {
    Q_OBJECT

public:
    // The settings must outlive the window. workDir holds the students' machines; the shipped book's go right
    // there, another book's in a folder of their own.
    TTaskBookForm(TConfig& config, TPrompts& prompts, const QString& progressPath, const QString& workDir,
                  const QString& shippedBookDir = QString(), QWidget* parent = nullptr);
    ~TTaskBookForm() override;

    // Before a check: the main window saves the machine at path when it holds it with unsaved edits, asking the
    // user first. False: the check does not go on. Unset, the file is checked as it is.
    std::function<bool(const QString& path)> saveOpenMachine;

    void OpenBook(const QString& dir);
    // The book opened last (it is remembered in the progress file), else the shipped one.
    void OpenLastBook();
    // "Открыть задачник…": a .task file chosen in a folder opens the folder.
    bool OpenBookDialog();
    const TTaskBook& Book() const { return book_; }
    // The selected task, or nullptr (none, or a file that is no task).
    const TTask* CurrentTask() const;
    bool SelectTask(const QString& id);
    // Where the student's machine for a task of the open book is.
    QString MachinePath(const TTask& task) const;
    // The task of the open book whose student's machine is at path, or nullptr.
    const TTask* TaskOfMachine(const QString& path) const;
    // "Решать": creates the machine on first use; then asks the main window to open it.
    void Solve();
    // "Проверить": starts the check; checkFinished tells when it is over.
    void Check();
    void CancelCheck();
    bool Checking() const;
    TTestSetModel& Results() { return *results_; }
    TTaskProgress& Progress() { return progress_; }

    void ApplyLayout();
    void StoreLayout();

    QTreeWidget* TaskList = nullptr;
    QTextBrowser* StatementView = nullptr;
    QLabel* SummaryLabel = nullptr;
    QTableView* ResultView = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QPushButton* SolveButton = nullptr;
    QPushButton* CheckButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* OpenBookButton = nullptr;

signals:
    void openMachine(const QString& path);
    void checkFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void FillList();
    void ShowCurrent();
    void UpdateStatus(int row);
    void UpdateControls();
    void ShowWord(int index, const TRunResult& result, const QString& reason);
    void CheckDone(const TTaskGrade& grade);

    TConfig& config_;
    TPrompts& prompts_;
    TTaskProgress progress_;
    QString workDir_;
    QString shippedBookDir_;
    TTaskBook book_;
    TTestSetModel* results_ = nullptr;
    TLongWork* work_ = nullptr;
    // The task and the machine's bytes the running check is for.
    int checkedTask_ = -1;
    QByteArray checkedBytes_;
};
