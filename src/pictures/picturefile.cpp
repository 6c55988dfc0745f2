#include "pictures/picturefile.h"

#include "platform/fileio.h"

bool SavePictureFile(TPrompts& prompts, const QString& caption, const TFileDialog& dialog,
                     const std::function<QByteArray()>& bytes) {
    const QString name = prompts.SaveFileName(dialog);
    if (name.isEmpty())
        return false;
    const fileio::TSaveResult saved = fileio::SaveFile(name, bytes(), fileio::FreshTempName(name), QString());
    if (!saved.ok()) {
        prompts.Message(caption,
                        QStringLiteral("Ошибка записи файла ") + name + QStringLiteral("\n") +
                            fileio::ErrorText(saved.error),
                        TIcon::Stop);
        return false;
    }
    return true;
}
