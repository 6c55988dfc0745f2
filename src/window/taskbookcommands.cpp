// The task book window's life beside the main window.

#include "window/mainform.h"

#include "machine/engine.h"

#include "platform/paths.h"
#include "platform/prompts.h"
#include "settings/config.h"
#include "tasks/taskbookform.h"

#include <QLabel>
#include <QStatusBar>

#include <utility>

void TMainForm::TaskBookExecute() {
    if (!taskBookForm_) {
        // Progress goes beside qtm.ini: in the user's configuration folder when the program is installed.
        taskBookForm_ = new TTaskBookForm(
            *config_, *prompts_, paths::Join(paths::FileDir(config_->settingsPath), QStringLiteral("tasks.ini")),
            DefaultTaskWorkDir(), ShippedTaskBookDir(paths::ExecutableDir()), this);
        taskBookForm_->saveOpenMachine = [this](const QString& path) {
            if (fileName_.isEmpty() || fileName_ != path || !modified_)
                return true;
            const TAnswer answer = prompts_->Message(
                QStringLiteral("Задачник"),
                QStringLiteral("Машина изменена. Сохранить ее перед проверкой?\nПроверяется сохраненный файл ") +
                    paths::FileName(path),
                TIcon::Question, ButtonsYesNoCancel, TAnswer::Yes);
            return answer == TAnswer::No || (answer == TAnswer::Yes && SaveFile());
        };
        connect(taskBookForm_, &TTaskBookForm::openMachine, this, &TMainForm::OpenTaskMachine);
        taskBookForm_->OpenLastBook();
        FollowTaskMachine();
    }
    taskBookForm_->show();
    taskBookForm_->raise();
    taskBookForm_->activateWindow();
}

void TMainForm::TaskBookOpenExecute() {
    TaskBookExecute();
    taskBookForm_->OpenBookDialog();
}

void TMainForm::FollowTaskMachine() {
    const TTask* task = taskBookForm_ ? taskBookForm_->TaskOfMachine(fileName_) : nullptr;
    if (!task) {
        if (config_->userDiesCount > 0)
            config_->SetDiesCount(std::exchange(config_->userDiesCount, 0));
        engine_->SetStepLimit(0);
        if (taskSettingsLabel_)
            taskSettingsLabel_->hide();
        return;
    }
    if (config_->userDiesCount == 0)
        config_->userDiesCount = config_->DiesCount;
    config_->SetDiesCount(task->diesCount);
    engine_->SetStepLimit(task->maxSteps);
    if (!taskSettingsLabel_) {
        taskSettingsLabel_ = new QLabel(this);
        taskSettingsLabel_->setObjectName(QStringLiteral("TaskSettingsLabel"));
        statusBar()->addPermanentWidget(taskSettingsLabel_);
    }
    taskSettingsLabel_->setText(
        QStringLiteral("Условия задачи: лента +%1, до %2 шагов").arg(task->diesCount).arg(task->maxSteps));
    taskSettingsLabel_->setToolTip(QStringLiteral("Машина задачи «") + task->title +
                                   QStringLiteral("» работает с условиями ее проверки. ") + TaskCheckTerms(*task));
    taskSettingsLabel_->setAccessibleName(taskSettingsLabel_->text());
    taskSettingsLabel_->setAccessibleDescription(taskSettingsLabel_->toolTip());
    taskSettingsLabel_->show();
}

void TMainForm::OpenTaskMachine(const QString& path) {
    if (fileName_ != path) {
        if (RunStateIs({Running, Paused}) || TestSetChecking() || !CloseCurrentFile()) {
            prompts_->Asterisk();
            return;
        }
        SetCurrentFile(path);
    }
    FollowTaskMachine();
    BringToFront();
}
