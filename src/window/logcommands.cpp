// The run log window's life beside the main window, and the settings dialog whose changes reach the window
// through the TConfigTarget calls.

#include "window/mainform.h"

#include "log/logform.h"
#include "log/runlog.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "platform/helpengine.h"
#include "settings/config.h"
#include "window/hints.h"
#include "window/undohistory.h"

#include <QAction>
#include <QTimer>

void TMainForm::ConfigItemExecute() {
    if (engine_->GetRunState() == Running)
        return;
    OpenConfig(TConfigPage::General);
}

void TMainForm::OpenConfig(TConfigPage page) {
    const RunState state = engine_->GetRunState();
    ExecuteConfigDialog(this, *config_, *prompts_, *this, page, state == Paused);
    history_->SetLimit(qsizetype(config_->UndoMemory) << 20); // megabytes
    UpdateActions();
}

void TMainForm::LogViewExecute() {
    if (!logForm_)
        return;
    logForm_->show();
    logForm_->raise();
    logForm_->activateWindow();
}

void TMainForm::LogSaveExecute() {
    if (logForm_) {
        logForm_->LogSave();
        return;
    }
    prompts_->Message(QStringLiteral("Сохранение отчета"), QStringLiteral("Ошибка сохранения отчета"), TIcon::Stop);
}

bool TMainForm::KeepRunLog(bool keep) {
    if (!keep) {
        if (logForm_) {
            engine_->SetRunLog(nullptr);
            // Its destruction stores its layout into the settings.
            delete logForm_;
            logForm_ = nullptr;
        }
        UpdateActions();
        return true;
    }
    if (!logForm_) {
        logForm_ = new TLogForm(*config_, *prompts_, engine_.get(), this);
        logForm_->setObjectName(QStringLiteral("LogForm"));
        logForm_->SetRunActions(StartItem, ResetItem, BreakItem, NextStepItem);
        connect(logForm_, &TLogForm::configRequested, this, [this] { OpenConfig(TConfigPage::Log); });
        engine_->SetRunLog(&logForm_->Log());
    }
    UpdateActions();
    return true;
}

void TMainForm::SetLogWordForm(int form) {
    if (logForm_)
        logForm_->SetWordForm(form);
}

void TMainForm::SetHints(bool shown, int delayMs, int durationMs) {
    ApplyHints(this, shown, delayMs, durationMs);
}

void TMainForm::SetStepInterval(int ms) {
    StepTimer->setInterval(ms);
}

void TMainForm::RefreshBreakMarks() {
    machine_->RefreshBreakMarks();
}

void TMainForm::OpenHelp(int context) {
    OpenHelpContext(context);
}
