// The task book window's life beside the main window.

#include "window/mainform.h"

#include "files/qtmfile.h"
#include "platform/fileio.h"
#include "platform/paths.h"
#include "platform/prompts.h"
#include "settings/config.h"
#include "tasks/taskbookform.h"

void TMainForm::TaskBookExecute() {
    if (!taskBookForm_) {
        // Progress goes beside qtm.ini: in the user's configuration folder when the program is installed.
        taskBookForm_ = new TTaskBookForm(
            *config_, *prompts_, paths::Join(paths::FileDir(config_->settingsPath), QStringLiteral("tasks.ini")),
            DefaultTaskWorkDir(), this);
        taskBookForm_->machineBytesFor = [this](const QString& path) {
            // The machine open here is checked as the student sees it, unsaved edits included.
            if (!fileName_.isEmpty() && fileName_ == path)
                return MachineFileBytes(*machine_, *breakPointList_);
            QByteArray bytes;
            fileio::ReadFile(path, qtmformat::MaxFileBytes, bytes);
            return bytes;
        };
        connect(taskBookForm_, &TTaskBookForm::openMachine, this, &TMainForm::OpenTaskMachine);
        taskBookForm_->OpenBook(ShippedTaskBookDir(paths::ExecutableDir()));
    }
    taskBookForm_->show();
    taskBookForm_->raise();
    taskBookForm_->activateWindow();
}

void TMainForm::TaskBookOpenExecute() {
    TaskBookExecute();
    taskBookForm_->OpenBookDialog();
}

void TMainForm::OpenTaskMachine(const QString& path) {
    if (fileName_ != path) {
        if (RunStateIs({Running, Paused}) || TestSetChecking() || !CloseCurrentFile()) {
            prompts_->Asterisk();
            return;
        }
        SetCurrentFile(path);
    }
    BringToFront();
}
