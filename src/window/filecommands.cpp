// The File menu's commands and the machine file's life in the window.

#include "window/mainform.h"

#include "files/qtmfile.h"
#include "import/foreignmachine.h"
#include "import/importer.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "platform/paths.h"
#include "settings/config.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

void TMainForm::SetModified(bool flag) {
    modified_ = machineFile_->IsNew() || flag;
    UpdateActions();
}

void TMainForm::SetCurrentFile(const QString& name) {
    const QString old = fileName_;
    if (name != machineFile_->FilePath())
        machineFile_->SetFileName(name);
    fileName_ = machineFile_->FilePath();
    // An untitled machine is named by its bare name; its directory is kept only to find it safely.
    UpdateCaption(!fileName_.isEmpty() && fileName_ == untitledPath_ ? paths::FileName(fileName_) : fileName_);
    if (fileName_ != old)
        SetModified(false);
    if (fileName_.isEmpty()) {
        SetModified(false);
        if (engine_->GetRunState() != NoMachine)
            engine_->SetRunState(NoMachine);
    } else {
        engine_->SetRunState(engine_->GetRunState() == NoMachine ? Ready : engine_->GetRunState());
    }
    RefreshEditing();
    UpdateActions();
}

bool TMainForm::CloseCurrentFile() {
    try {
        SetCurrentFile(QString());
        if (!fileName_.isEmpty())
            return false;
        SetModified(false);
        return true;
    } catch (...) {
        prompts_->Message(QStringLiteral("Закрытие файла"), QStringLiteral("Ошибка закрытия файла\n") + fileName_,
                          TIcon::Stop);
        return false;
    }
}

QString TMainForm::DataDir() {
    const QString dir = QFileInfo(config_->Dir).isDir() ? config_->Dir : QDir::currentPath();
    if (config_->Dir != dir)
        config_->Dir = dir;
    return dir;
}

void TMainForm::NewFileItemClick() {
    if (!CloseCurrentFile())
        return;
    const QString dir = DataDir();
    for (int i = 1; i <= 255; ++i) {
        const QString candidate = QStringLiteral("Без имени %1.qtm").arg(i);
        const QString path = paths::Join(dir, candidate);
        if (QFileInfo::exists(path))
            continue;
        // The name is taken with its directory: a bare name would be looked up in the working directory,
        // where a file of that name may exist and would be opened instead of a new machine.
        untitledPath_ = path;
        SetCurrentFile(path);
        SetModified(false);
        return;
    }
    prompts_->Message(QStringLiteral("Новый файл"),
                      QStringLiteral("Ошибка создания уникального имени файла.\nПожалуйста, создайте его вручную."),
                      TIcon::Exclamation);
    OpenFileItemClick();
}

void TMainForm::OpenFileItemClick() {
    if (!CloseCurrentFile())
        return;
    try {
        TFileDialog dialog;
        dialog.title = QStringLiteral("Открытие файла данных");
        dialog.filter = QStringLiteral("Файлы машины Тьюринга (*.qtm)|*.qtm|Все файлы (*.*)|*.*");
        dialog.defaultExt = QStringLiteral("qtm");
        dialog.initialDir = DataDir();
        const QString chosen = prompts_->OpenFileName(dialog);
        if (chosen.isEmpty())
            return;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        SetCurrentFile(chosen);
        QApplication::restoreOverrideCursor();
    } catch (...) {
        QApplication::restoreOverrideCursor();
        prompts_->Message(QStringLiteral("Ошибка"), QStringLiteral("Ошибка открытия файла данных"), TIcon::Stop);
    }
}

void TMainForm::ImportFileItemClick() {
    TFileDialog dialog;
    dialog.title = QStringLiteral("Импорт машины из другой программы");
    dialog.filter =
        QStringLiteral("Машины других программ (*.jff *.tm *.tms *.txt)|*.jff;*.tm;*.tms;*.txt|Машины JFLAP (*.jff)|"
                       "*.jff|Текстовые машины (*.tm *.tms *.txt)|*.tm;*.tms;*.txt|Все файлы (*)|*");
    dialog.initialDir = DataDir();
    const QString chosen = prompts_->OpenFileName(dialog);
    if (chosen.isEmpty())
        return;
    // The file is read before the current machine is closed, so a refused file costs the user nothing.
    TImportedMachine imported;
    QString error;
    if (!ReadImportFile(chosen, imported, error)) {
        prompts_->Message(QStringLiteral("Импорт машины"), error, TIcon::Stop);
        return;
    }
    NewFileItemClick();
    if (fileName_.isEmpty() || fileName_ != untitledPath_ || !machineFile_->IsNew())
        return;
    ApplyImportedMachine(imported, *machine_, *breakPointList_);
    SetModified(true);
    if (!imported.warnings.isEmpty())
        prompts_->Message(QStringLiteral("Импорт машины"), imported.warnings.join(u'\n'), TIcon::Information);
}

void TMainForm::FileClosingExecute() {
    const RunState state = engine_->GetRunState();
    if (state == Running || state == Paused || fileName_.isEmpty())
        return;
    CloseCurrentFile();
}

void TMainForm::SaveFileItemClick() {
    TEngine::TPause pause(*engine_);
    SaveFile();
}

void TMainForm::SaveFileAsItemClick() {
    TEngine::TPause pause(*engine_);
    SaveFileAs();
}

bool TMainForm::SaveFile() {
    if (fileName_.isEmpty() || !modified_)
        return true;
    try {
        if (!machineFile_->IsNew()) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            const bool saved = machineFile_->SaveTo(fileName_);
            QApplication::restoreOverrideCursor();
            if (saved) {
                SaveDiagramPlaces();
                SetModified(false);
                SetCurrentFile(machineFile_->FilePath());
                return true;
            }
        }
        return SaveFileAs();
    } catch (...) {
        QApplication::restoreOverrideCursor();
        return false;
    }
}

bool TMainForm::SaveFileAs() {
    const QString name = TrimText(fileName_);
    if (name.isEmpty())
        return true;
    const QString nameDir = TrimText(paths::FileDir(name));
    if (!nameDir.isEmpty() && !QFileInfo(nameDir).isDir())
        QDir().mkpath(nameDir);
    TFileDialog dialog;
    dialog.title = QStringLiteral("Сохранение данных");
    dialog.filter = QStringLiteral("Файлы машины Тьюринга (*.qtm)|*.qtm");
    dialog.defaultExt = QStringLiteral("qtm");
    dialog.overwritePrompt = true;
    dialog.initialDir = !nameDir.isEmpty() && QFileInfo(nameDir).isDir() ? nameDir : DataDir();
    QString proposed = name;
    const QString ext = TrimText(paths::FileExt(proposed));
    if (!ext.isEmpty() && ext != qtmformat::DefaultExt) {
        if (paths::FileName(proposed).size() > 256) {
            prompts_->Message(QStringLiteral("Сохранение файла"),
                              QStringLiteral("Слишком динное имя файла\n") + proposed, TIcon::Stop);
            return false;
        }
        proposed = paths::ChangeFileExt(proposed, qtmformat::DefaultExt);
    }
    dialog.fileName = paths::FileName(proposed);
    const QString chosen = prompts_->SaveFileName(dialog);
    if (chosen.isEmpty())
        return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool saved = machineFile_->SaveTo(chosen);
    QApplication::restoreOverrideCursor();
    if (!saved) {
        prompts_->Message(QStringLiteral("Ошибка"), QStringLiteral("Ошибка сохранения данных"), TIcon::Stop);
        return false;
    }
    SaveDiagramPlaces();
    SetModified(false);
    SetCurrentFile(machineFile_->FilePath());
    return true;
}

void TMainForm::OpenStartupFile() {
    try {
        if (startupFile_.isEmpty())
            NewFileItemClick();
        else
            SetCurrentFile(startupFile_);
    } catch (...) {
        SetCurrentFile(QString());
    }
}
