#include "pictures/picturefile.h"

#include "platform/fileio.h"

bool SavePictureFile(TPrompts& prompts, const QString& caption, const TFileDialog& dialog,
                     const std::function<QByteArray()>& bytes) {
    const QString name = prompts.SaveFileName(dialog);
    if (name.isEmpty())
        return false;
    const fileio::TSaveResult saved = fileio::SaveFile(name, bytes(), fileio::FreshTempName(name), QString());
    if (!saved.ok()) {
        prompts.Message(caption, fileio::FailureText(name, saved, QStringLiteral("Данные остались в файле")),
                        TIcon::Stop);
        return false;
    }
    return true;
}
