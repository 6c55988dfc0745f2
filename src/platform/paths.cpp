#include "platform/paths.h"

#include <QCoreApplication>

namespace paths {

QString ExecutableDir() {
    return QCoreApplication::applicationDirPath();
}

QString FileDir(const QString& name) {
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QString();
    return slash == 0 ? QStringLiteral("/") : name.left(slash);
}

QString FileName(const QString& name) {
    return name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
}

QString FileExt(const QString& name) {
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > slash ? name.mid(dot) : QString();
}

QString ChangeFileExt(const QString& name, const QString& ext) {
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return (dot > slash ? name.left(dot) : name) + ext;
}

QString Join(const QString& dir, const QString& name) {
    if (dir.isEmpty())
        return name;
    return dir.endsWith(QLatin1Char('/')) ? dir + name : dir + QLatin1Char('/') + name;
}

} // namespace paths
