#include "log/logsave.h"

#include "log/runlog.h"
#include "machine/engine.h"
#include "platform/paths.h"
#include "platform/prompts.h"
#include "settings/config.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

QString DefaultReportName(const QString& dir) {
    for (int i = 1; i <= 255; ++i) {
        const QString name = QStringLiteral("Отчет ") + QString::number(i) + QStringLiteral(".log");
        if (!QFileInfo::exists(paths::Join(dir, name)))
            return name;
    }
    return QString();
}

bool LogSave(TRunLog& log, TConfig& config, TPrompts& prompts, TEngine* engine) {
    if (log.IsEmpty())
        return false;
    std::optional<TEngine::TPause> pause;
    if (engine)
        pause.emplace(*engine);
    try {
        const QString dir = QFileInfo(config.DirLog).isDir() ? config.DirLog : QDir::currentPath();
        TFileDialog dialog;
        dialog.title = QStringLiteral("Сохранение отчета");
        dialog.filter = QStringLiteral("Файлы отчетов (*.log)|*.log");
        dialog.defaultExt = QStringLiteral("log");
        dialog.initialDir = dir;
        dialog.fileName = DefaultReportName(dir);
        dialog.overwritePrompt = true;
        const QString chosen = prompts.SaveFileName(dialog);
        if (chosen.isEmpty())
            return false;
        config.DirLog = paths::FileDir(chosen);
        return log.WriteReport(chosen, prompts);
    } catch (...) {
        return false;
    }
}
