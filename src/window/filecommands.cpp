// The File menu's commands and the machine file's life in the window.

#include "window/mainform.h"

#include "diagram/diagram.h"
#include "diagram/positions.h"
#include "files/qtmfile.h"
#include "import/exporter.h"
#include "import/foreignmachine.h"
#include "import/importer.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "platform/paths.h"
#include "settings/config.h"
#include "testset/testsetform.h"
#include "window/undohistory.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

void TMainForm::SetModified(bool flag) {
    modified_ = machineFile_->IsNew() || flag;
    UpdateActions();
}

void TMainForm::SetCurrentFile(const QString& name) {
    const QString old = fileName_;
    // Another machine is loaded (not the same one saved under a new name).
    const bool loads = name != machineFile_->FilePath();
    if (loads) {
        machineFile_->SetFileName(name);
        // Another machine now, or none: its positions come with it. A save under a new name keeps them.
        if (machineFile_->FilePath() != old) {
            if (machineFile_->FilePath().isEmpty() || machineFile_->IsNew())
                positions_->Reset();
            else
                positions_->Load(machineFile_->FilePath(), *machine_);
        }
    }
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
    // Another machine, or none: a new history, from the machine as it was read.
    if (loads && history_) {
        editedOutsideHistory_ = false;
        history_->Reset();
    }
    UpdateActions();
    // The test set and the pictures of a run go with the machine.
    if (loads && testSetForm_ && fileName_ != old)
        testSetForm_->FollowMachine(fileName_);
    if (loads && fileName_ != old)
        PicturesFollowMachine();
    if (fileName_ != old)
        FollowTaskMachine();
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
    {
        TUndoHistory::TStep step(*history_, QStringLiteral("импорт машины"));
        ApplyImportedMachine(imported, *machine_, *breakPointList_);
    }
    SetModified(true);
    if (!imported.warnings.isEmpty())
        prompts_->Message(QStringLiteral("Импорт машины"), imported.warnings.join(u'\n'), TIcon::Information);
}

void TMainForm::ExportFileItemClick() {
    TEngine::TPause pause(*engine_);
    const QString caption = QStringLiteral("Экспорт машины");
    TFileDialog dialog;
    dialog.title = QStringLiteral("Экспорт машины в другую программу");
    dialog.filter = QStringLiteral("Машина JFLAP (*.jff)|*.jff|По одному правилу в строке (*.tm)|*.tm|По две строки "
                                   "на правило (*.txt)|*.txt");
    dialog.defaultExt = QStringLiteral("jff");
    dialog.initialDir = paths::FileDir(fileName_);
    dialog.fileName = paths::ChangeFileExt(paths::FileName(fileName_), QStringLiteral(".jff"));
    dialog.overwritePrompt = true;
    const QString chosen = prompts_->SaveFileName(dialog);
    if (chosen.isEmpty())
        return;
    TExportFormat format = TExportFormat::Jff;
    if (!ExportFormatByPath(chosen, format)) {
        prompts_->Message(caption,
                          QStringLiteral("Формат узнается по расширению файла: .jff - JFLAP, .tm - по одному правилу "
                                         "в строке, .txt - по две строки на правило"),
                          TIcon::Stop);
        return;
    }
    // A machine the format refuses is refused before its layout.
    if (const QString refusal = ExportRefusal(ExportSourceOf(*machine_), format); !refusal.isEmpty()) {
        prompts_->Message(caption, refusal, TIcon::Stop);
        return;
    }
    TExportOptions options;
    options.title = QFileInfo(fileName_).completeBaseName();
    // JFLAP keeps where each state is drawn: the places of the diagram's layout, made apart within its limits.
    // Graphviz takes seconds to minutes on a large machine, which the window must not wait for: its states go on
    // a grid.
    constexpr int LayoutLimit = 100;
    const TDiagramSource source = DiagramSourceOf(*machine_);
    const bool placed = source.states.size() <= LayoutLimit && source.commands.size() <= LayoutLimit;
    if (format == TExportFormat::Jff && placed) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        for (const TDiagramNode& node : LayOutDiagram(source).nodes)
            options.positions.insert(node.name, node.centre);
        QApplication::restoreOverrideCursor();
    }
    // Where the user put the states, those places; the layout's (or the grid's) for the rest.
    if (format == TExportFormat::Jff)
        options.positions =
            ArrangedPositions(placed ? options.positions : positions_->Positions(), positions_->Positions());
    QStringList warnings;
    QString error;
    if (!ExportMachineFile(ExportSourceOf(*machine_), format, options, chosen, warnings, error)) {
        prompts_->Message(caption, error, TIcon::Stop);
        return;
    }
    const auto unplaced = [this](const TStateItem& state) { return !positions_->Position(state.name); };
    if (format == TExportFormat::Jff && !placed && std::ranges::any_of(source.states, unplaced))
        warnings.prepend(QStringLiteral("состояния расставлены сеткой: у машины больше 100 состояний или команд, "
                                        "ее диаграмма строится слишком долго"));
    if (!warnings.isEmpty())
        prompts_->Message(caption, warnings.join(u'\n'), TIcon::Information);
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
    // A field still being typed in is saved as a step of the history, which the save marks as the saved one.
    if (history_)
        history_->Commit();
    if (fileName_.isEmpty() || !modified_)
        return true;
    try {
        if (!machineFile_->IsNew()) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            const bool saved = machineFile_->SaveTo(fileName_);
            QApplication::restoreOverrideCursor();
            if (saved) {
                MachineSaved();
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
    MachineSaved();
    SetCurrentFile(machineFile_->FilePath());
    return true;
}

void TMainForm::MachineSaved() {
    editedOutsideHistory_ = false;
    if (history_)
        history_->SetClean();
    SetModified(false);
}

void TMainForm::SavePositions(const QString& machinePath) {
    QString error;
    if (!SavePositionsFile(machinePath, positions_->Positions(), DiagramSourceOf(*machine_), error))
        prompts_->Message(QStringLiteral("Сохранение файла"), error, TIcon::Exclamation);
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
