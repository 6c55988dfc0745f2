#include "diagram/statepositions.h"

#include "platform/codepage.h"
#include "platform/fileio.h"
#include "platform/paths.h"

#include <QFile>

#include <cmath>

namespace {

// A positions file is a few bytes a state; anything larger is not one.
constexpr qint64 MaxPositionsBytes = 4 * 1024 * 1024;

QString Number(qreal v) {
    const qreal r = std::round(v * 100) / 100;
    return QString::number(r == 0 ? 0.0 : r, 'f', 2);
}

} // namespace

QString PositionsPathOf(const QString& machinePath) {
    return paths::ChangeFileExt(machinePath, QStringLiteral(".pos"));
}

QByteArray PositionsBytes(const QList<std::pair<QString, QPointF>>& positions) {
    QString text;
    for (const auto& [name, at] : positions)
        text += name + QLatin1Char('=') + Number(at.x()) + QLatin1Char(',') + Number(at.y()) + QStringLiteral("\r\n");
    return codepage::Encode(text);
}

QHash<QString, QPointF> ReadPositions(const QByteArray& bytes) {
    QHash<QString, QPointF> positions;
    for (const QString& line : codepage::Decode(bytes).split(QLatin1Char('\n'))) {
        const QString text = line.endsWith(QLatin1Char('\r')) ? line.chopped(1) : line;
        const qsizetype equals = text.lastIndexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QStringList xy = text.mid(equals + 1).split(QLatin1Char(','));
        bool xOk = false;
        bool yOk = false;
        const double x = xy.value(0).toDouble(&xOk);
        const double y = xy.value(1).toDouble(&yOk);
        if (xy.size() != 2 || !xOk || !yOk || !std::isfinite(x) || !std::isfinite(y))
            continue;
        positions.insert(text.left(equals).trimmed().toCaseFolded(), QPointF(x, y));
    }
    return positions;
}

QHash<QString, QPointF> LoadPositions(const QString& machinePath) {
    QByteArray bytes;
    if (machinePath.isEmpty() ||
        fileio::ReadFile(PositionsPathOf(machinePath), MaxPositionsBytes, bytes) != fileio::TReadError::None)
        return {};
    return ReadPositions(bytes);
}

QString SavePositions(const QString& machinePath, const QList<std::pair<QString, QPointF>>& positions) {
    const QString path = PositionsPathOf(machinePath);
    if (positions.isEmpty()) {
        if (QFile::exists(path) && !QFile::remove(path))
            return QStringLiteral("Не удалось удалить файл ") + path;
        return QString();
    }
    const QString temp = fileio::FreshTempName(path);
    const fileio::TSaveResult saved = fileio::SaveFile(path, PositionsBytes(positions), temp, QString());
    switch (saved.failure) {
    case fileio::TSaveFailure::None:
        return QString();
    case fileio::TSaveFailure::Replace:
        return QStringLiteral("Ошибка записи файла ") + path + QStringLiteral(": ") + fileio::ErrorText(saved.error) +
               QStringLiteral("\nРасположение состояний осталось в файле ") + temp;
    case fileio::TSaveFailure::SyncDir:
        return QStringLiteral("Файл ") + path +
               QStringLiteral(" записан, но изменения каталога не сохранены на диске: ") +
               fileio::ErrorText(saved.error);
    default:
        return QStringLiteral("Ошибка записи файла ") + path + QStringLiteral(": ") + fileio::ErrorText(saved.error);
    }
}
