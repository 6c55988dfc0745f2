#pragma once

#include <QWidget>

#include <memory>

class QAction;
class QMenu;
class QTableView;
class QTimer;
class TConfig;
class TEngine;
class TPrompts;
class TRunLog;
class TRunLogModel;

// The run log window "Отчет": one row per step of the current run. It owns the run log, which the main
// window hands to the engine for as long as this window exists (that is, while ViewLog is on). Closing it
// only hides it; its rows live until the next run, "Очистить" or its destruction.
class TLogForm : public QWidget {
    Q_OBJECT

public:
    // parent: the main window, which F6 here brings to the front. engine may be null (no run to pause,
    // no run state to consult). The settings must outlive the window: its destruction stores the layout.
    TLogForm(TConfig& config, TPrompts& prompts, TEngine* engine, QWidget* parent = nullptr);
    ~TLogForm() override;

    TRunLog& Log() { return *log_; }
    TRunLogModel& Model() { return *model_; }

    // The main window's run actions behind the hidden Start, Reset, Break and Next step entries; each
    // is triggered only while enabled. Any may be null.
    void SetRunActions(QAction* start, QAction* reset, QAction* brk, QAction* nextStep);

    void ApplyLayout();
    void StoreLayout();
    void SetStayOnTop(bool flag);
    bool StayOnTop() const { return stayOnTop_; }
    // The word form 0 minimal, 1 automatic, 2 maximal: the settings dialog calls it after OK or Apply.
    void SetWordForm(int form);

    // "Сохранить": the report file of the rows held.
    void LogSave();
    // Shows what the log holds now and scrolls to its last row (done once a frame while running).
    void Flush();

    // The pop-up menu and its entries (the hidden ones are not in the menu, only on the window).
    QMenu* PopupMenu = nullptr;
    QAction* MainFormItem = nullptr;
    QAction* CloseItem2 = nullptr;
    QAction* CloseItem1 = nullptr;
    QAction* LogClearItem = nullptr;
    QAction* LogSaveItem = nullptr;
    QAction* StartItem = nullptr;
    QAction* ResetItem = nullptr;
    QAction* BreakItem = nullptr;
    QAction* ConfigItem = nullptr;
    QAction* NextStepItem = nullptr;
    QAction* StayOnTopItem = nullptr;

signals:
    // "Параметры": the main window opens the settings dialog on its page "Отчет" (not while Running).
    void configRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void CreateActions();
    QAction* MakeItem(const QString& caption, const QKeySequence& shortcut);
    void ScheduleFlush();
    void FramePainted(qint64 paintNs);
    bool IsRunning() const;

    TConfig& config_;
    TPrompts& prompts_;
    TEngine* engine_ = nullptr;
    std::unique_ptr<TRunLog> log_;
    TRunLogModel* model_ = nullptr;
    QTableView* ListView = nullptr;
    QTimer* frameTimer_ = nullptr;
    int frameInterval_ = 16;
    // What the last Flush took, and a running mean of a frame's cost in ms (the flush and the paint).
    qint64 flushNs_ = 0;
    double frameCost_ = 0;
    bool stayOnTop_ = false;
    bool wordsChanged_ = false;
    QAction* runActions_[4] = {nullptr, nullptr, nullptr, nullptr};
};
