#include "pictures/picturefile.h"

#include "platform/fileio.h"

QString SavePictureFile(TPrompts& prompts, const QString& caption, const TFileDialog& dialog,
                        const std::function<QByteArray()>& bytes) {
    const QString name = prompts.SaveFileName(dialog);
    if (name.isEmpty())
        return QString();
    const fileio::TSaveResult saved = fileio::SaveFile(name, bytes(), fileio::FreshTempName(name), QString());
    if (!saved.ok()) {
        prompts.Message(caption, fileio::FailureText(name, saved, QStringLiteral("Данные остались в файле")),
                        TIcon::Stop);
        return QString();
    }
    return name;
}
