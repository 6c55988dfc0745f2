#include "help/theory.h"

#include "platform/paths.h"
#include "platform/prompts.h"

#include <QFileInfo>

bool OpenTheoryHelp(const QString& programDir, TPrompts& prompts,
                    const std::function<void(const QString& fileName)>& openContents) {
    const QString caption = QStringLiteral("Теория по машине Тьюринга");
    const QString fileName = paths::Join(programDir, QString::fromUtf16(TheoryFileName));
    if (!QFileInfo(fileName).isFile()) {
        prompts.Message(caption, QStringLiteral("Файл ") + fileName + QStringLiteral(" не найден"), TIcon::Stop);
        return false;
    }
    try {
        openContents(fileName);
    } catch (...) {
        prompts.Message(caption, QStringLiteral("Ошибка открытия файла"), TIcon::Stop);
        return false;
    }
    return true;
}
