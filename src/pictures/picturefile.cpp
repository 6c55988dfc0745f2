#include "pictures/picturefile.h"

#include "platform/fileio.h"

QString SavePictureFile(TPrompts& prompts, const QString& caption, const TFileDialog& dialog,
                        const std::function<QByteArray()>& bytes) {
    const QString name = prompts.SaveFileName(dialog);
    if (name.isEmpty())
        return QString();
    const fileio::TSaveResult saved = fileio::SaveFile(name, bytes(), fileio::FreshTempName(name), QString());
    if (!saved.ok()) {
        prompts.Message(caption,
                        QStringLiteral("Ошибка записи файла ") + name + QStringLiteral("\n") +
                            fileio::ErrorText(saved.error),
                        TIcon::Stop);
        return QString();
    }
    return name;
}
