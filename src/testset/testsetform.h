#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;
class TConfig;
class TLongWork;
class TPrompts;
class TTestSetModel;
struct TRunResult;

// The window "Проверка на наборе слов": a test set beside the main window, checked against the machine
// through the compiled run core on a worker thread while the window stays responsive. It reads the
// machine only through machineBytes, once per check, so the main window decides what "the machine" is.
class TTestSetForm : public QWidget {
    Q_OBJECT

public:
    // The settings must outlive the window: its destruction stores its place.
    TTestSetForm(TConfig& config, TPrompts& prompts, QWidget* parent = nullptr);
    ~TTestSetForm() override;

    // The bytes of the machine file to check; empty when there is no machine.
    std::function<QByteArray()> machineBytes;

    TTestSetModel& Model() { return *model_; }
    // Opening the window for a machine file loads the set beside it ("X.tests" for "X.qtm"), unless the
    // window holds changes of its own.
    void OpenFor(const QString& machinePath);
    // The main window loaded another machine: its set ("X.tests") replaces the one shown, a changed set being
    // saved or given up first as the user answers, or the set empties with a note. Cancel keeps the set, with
    // a note that it came with another machine. An empty path (no machine) keeps the set as it is.
    void FollowMachine(const QString& machinePath);
    bool LoadSet(const QString& path);
    const QString& SetPath() const { return setPath_; }
    // "Сохранить": under the set's name, or the name asked for.
    bool SaveSet();
    bool SaveSetAs();
    // A changed set is saved or given up as the user answers; false: Cancel, keep everything as it is.
    bool QuerySave();

    // "Проверить" and "Отмена".
    void StartCheck();
    void CancelCheck();
    bool Checking() const;

    void ApplyLayout();
    void StoreLayout();

    QTableView* TableView = nullptr;
    QLabel* SummaryLabel = nullptr;
    QSpinBox* StepLimitEdit = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QPushButton* AddButton = nullptr;
    QPushButton* DeleteButton = nullptr;
    QPushButton* OpenButton = nullptr;
    QPushButton* SaveButton = nullptr;
    QPushButton* SaveAsButton = nullptr;
    QPushButton* CheckButton = nullptr;
    QPushButton* CancelButton = nullptr;

signals:
    // A check began or ended: the main window keeps the machine from edits in between.
    void checkingChanged(bool checking);
    // A double-click on a row: its word, for the main window to run step by step.
    void wordChosen(const QString& word);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void UpdateControls();
    void UpdateSummary();
    void UpdateCaption();
    // Every heading and cell in full: the columns grow to what they hold.
    void FitColumns();
    void CheckDone();
    QString DialogDir() const;

    TConfig& config_;
    TPrompts& prompts_;
    TTestSetModel* model_ = nullptr;
    QString setPath_;
    QString machinePath_;
    // Shown in place of the summary until a check or another set: why the set is what it is.
    QString note_;
    TLongWork* work_ = nullptr;
    bool cancelled_ = false;
};
