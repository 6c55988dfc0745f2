#include "settings/configdir.h"

#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString InstalledDataDir(const QString& programDir) {
    return QDir::cleanPath(paths::Join(programDir, QStringLiteral("../share/qtm")));
}

} // namespace

QString DataDirectory(const QString& programDir) {
    const QString data = InstalledDataDir(programDir);
    return QFileInfo(data).isDir() ? data : programDir;
}

QString SettingsDirectory(const QString& programDir) {
    // Root may write anywhere, so writability alone would put an administrator's settings into /usr/bin.
    const bool installed = !QFileInfo(programDir).isWritable() || QFileInfo(InstalledDataDir(programDir)).isDir();
    return SettingsDirectory(programDir, installed,
                             installed ? QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)
                                       : QString());
}

QString SettingsDirectory(const QString& programDir, bool installed, const QString& userDir) {
    if (!installed || userDir.isEmpty())
        return programDir;
    QDir().mkpath(userDir);
    for (const char* name : {"qtm.ini", "qtm.dsk"}) {
        const QString target = paths::Join(userDir, QLatin1String(name));
        if (QFileInfo::exists(target))
            continue;
        for (const QString& dir : {DataDirectory(programDir), programDir}) {
            const QString source = paths::Join(dir, QLatin1String(name));
            if (QFileInfo(source).isFile()) {
                // The copy keeps the read-only mode of an installed file; the user must be able to save.
                if (QFile::copy(source, target))
                    QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                                 QFile::ReadOther);
                break;
            }
        }
    }
    return userDir;
}
