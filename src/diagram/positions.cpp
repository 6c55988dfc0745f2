#include "diagram/positions.h"

#include "diagram/diagram.h"
#include "machine/command.h"
#include "machine/machine.h"
#include "platform/codepage.h"
#include "platform/fileio.h"
#include "platform/paths.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cmath>
#include <limits>

namespace {

QString Folded(const QString& name) {
    return TrimText(name).toCaseFolded();
}

// Fixed notation with at most two decimals and no exponent, the same in every locale: QString::number
// never uses the user's locale.
QString Coordinate(qreal value) {
    QString text = QString::number(value, 'f', 2);
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    return text == QStringLiteral("-0") ? QStringLiteral("0") : text;
}

bool ParseCoordinate(const QString& text, qreal& value) {
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && std::isfinite(value) && std::abs(value) <= positionsformat::MaxCoordinate;
}

// "name=x,y": the name runs to the last '=', since a state's name may itself hold one.
bool ParseLine(const QString& line, QString& name, QPointF& point) {
    const qsizetype equals = line.lastIndexOf(u'=');
    if (equals < 0)
        return false;
    const QStringList numbers = line.mid(equals + 1).split(u',');
    qreal x = 0;
    qreal y = 0;
    if (numbers.size() != 2 || !ParseCoordinate(numbers[0], x) || !ParseCoordinate(numbers[1], y))
        return false;
    name = TrimText(line.left(equals));
    point = QPointF(x, y);
    return !name.isEmpty();
}

} // namespace

QString PositionsPath(const QString& machinePath) {
    const QString path = paths::ChangeFileExt(machinePath, positionsformat::Ext);
    // A machine file that carries the extension itself gets it once more: the positions never replace it.
    return path == machinePath ? machinePath + positionsformat::Ext : path;
}

QStringList DiagramNames(const TDiagramSource& source) {
    QStringList names;
    QSet<QString> seen;
    const auto add = [&](const QString& name) {
        const QString key = Folded(name);
        if (key.isEmpty() || seen.contains(key))
            return;
        seen.insert(key);
        names.append(TrimText(name));
    };
    for (const TStateItem& state : source.states)
        add(state.name);
    for (const TCommandRow& row : source.commands) {
        add(row.sourceState);
        add(row.newState);
    }
    return names;
}

QByteArray PositionsFileBytes(const QHash<QString, QPointF>& positions, const QStringList& names) {
    QHash<QString, QPointF> byFolded;
    for (auto it = positions.cbegin(); it != positions.cend(); ++it)
        byFolded.insert(Folded(it.key()), it.value());
    QString out;
    for (const QString& name : names) {
        const auto it = byFolded.constFind(Folded(name));
        if (it == byFolded.cend())
            continue;
        out += name + u'=' + Coordinate(it->x()) + u',' + Coordinate(it->y()) + QStringLiteral("\r\n");
    }
    return codepage::Encode(out);
}

QHash<QString, QPointF> ReadPositionsBytes(const QByteArray& bytes, const QStringList& names) {
    QHash<QString, QString> nameByFolded;
    for (const QString& name : names)
        nameByFolded.insert(Folded(name), name);
    QHash<QString, QPointF> positions;
    const QString text = codepage::Decode(bytes);
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = text.indexOf(u'\n', start);
        // A last line without its line end may be cut short: "q1=12,3" of "q1=12,345" would misplace q1.
        if (end < 0)
            break;
        QString line = text.mid(start, end - start);
        start = end + 1;
        if (line.endsWith(u'\r'))
            line.chop(1);
        QString name;
        QPointF point;
        if (!ParseLine(line, name, point))
            continue;
        const auto known = nameByFolded.constFind(name.toCaseFolded());
        // The first line of a state counts, as the machine keeps the first state of a name.
        if (known != nameByFolded.cend() && !positions.contains(*known))
            positions.insert(*known, point);
    }
    return positions;
}

QHash<QString, QPointF> ReadPositionsFile(const QString& machinePath, const TDiagramSource& source) {
    QByteArray bytes;
    if (fileio::ReadFile(PositionsPath(machinePath), positionsformat::MaxFileBytes, bytes) != fileio::TReadError::None)
        return {};
    return ReadPositionsBytes(bytes, DiagramNames(source));
}

QHash<QString, QPointF> ArrangedPositions(const QHash<QString, QPointF>& laidOut, const QHash<QString, QPointF>& user,
                                          qreal gap) {
    if (user.isEmpty())
        return laidOut;
    QHash<QString, QPointF> userByFolded;
    for (auto it = user.cbegin(); it != user.cend(); ++it)
        userByFolded.insert(Folded(it.key()), it.value());
    QHash<QString, QPointF> result;
    QStringList unplaced;
    constexpr qreal Huge = std::numeric_limits<qreal>::max();
    qreal placedRight = -Huge;
    qreal placedTop = Huge;
    qreal unplacedLeft = Huge;
    qreal unplacedTop = Huge;
    for (auto it = laidOut.cbegin(); it != laidOut.cend(); ++it) {
        const auto known = userByFolded.constFind(Folded(it.key()));
        if (known != userByFolded.cend()) {
            result.insert(it.key(), *known);
            placedRight = std::max(placedRight, known->x());
            placedTop = std::min(placedTop, known->y());
        } else {
            unplaced.append(it.key());
            unplacedLeft = std::min(unplacedLeft, it->x());
            unplacedTop = std::min(unplacedTop, it->y());
        }
    }
    if (unplaced.isEmpty())
        return result;
    if (result.isEmpty())
        return laidOut;
    const QPointF shift(placedRight + gap - unplacedLeft, placedTop - unplacedTop);
    for (const QString& name : unplaced)
        result.insert(name, laidOut.value(name) + shift);
    return result;
}

bool SavePositionsFile(const QString& machinePath, const QHash<QString, QPointF>& positions,
                       const TDiagramSource& source, QString& error) {
    const QString path = PositionsPath(machinePath);
    const QByteArray bytes = PositionsFileBytes(positions, DiagramNames(source));
    if (bytes.isEmpty()) {
        QFile file(path);
        if (!QFileInfo(path).isFile() || file.remove())
            return true;
        error = QStringLiteral("Машина сохранена, но не удалось удалить старый файл положений состояний\n") + path +
                QStringLiteral("\n") + file.errorString();
        return false;
    }
    const fileio::TSaveResult saved = fileio::SaveFile(path, bytes, fileio::FreshTempName(path), QString());
    if (saved.ok())
        return true;
    if (saved.failure == fileio::TSaveFailure::SyncDir)
        error = QStringLiteral("Машина сохранена, положения состояний на диаграмме записаны, но изменения каталога не "
                               "сохранены на диске\n") +
                path + QStringLiteral("\n") + fileio::ErrorText(saved);
    else
        error = QStringLiteral("Машина сохранена, но положения состояний на диаграмме не записаны\n") + path +
                QStringLiteral("\n") + fileio::ErrorText(saved);
    if (saved.failure == fileio::TSaveFailure::Replace)
        error += QStringLiteral("\nПоложения остались в файле ") + saved.temp;
    return false;
}

// ---- The open machine's positions -------------------------------------------------------------------------

std::optional<QPointF> TStatePositions::Position(const QString& name) const {
    const auto it = positions_.constFind(KeyOf(name));
    if (it == positions_.cend())
        return std::nullopt;
    return *it;
}

QString TStatePositions::KeyOf(const QString& name) const {
    return keyByFolded_.value(Folded(name), TrimText(name));
}

void TStatePositions::Put(const QString& name, QPointF point) {
    const QString folded = Folded(name);
    positions_.remove(keyByFolded_.value(folded));
    positions_.insert(TrimText(name), point);
    keyByFolded_.insert(folded, TrimText(name));
}

void TStatePositions::Take(const QString& name) {
    positions_.remove(keyByFolded_.take(Folded(name)));
}

void TStatePositions::SetPosition(const QString& name, QPointF point) {
    if (TrimText(name).isEmpty() || Position(name) == point)
        return;
    Put(name, point);
    emit changed();
    emit edited();
}

void TStatePositions::Clear() {
    if (positions_.isEmpty())
        return;
    positions_.clear();
    keyByFolded_.clear();
    emit changed();
    emit edited();
}

void TStatePositions::Rename(const QString& oldName, const QString& newName) {
    const std::optional<QPointF> point = Position(oldName);
    if (!point || TrimText(newName).isEmpty())
        return;
    Take(oldName);
    Put(newName, *point);
    emit changed();
}

void TStatePositions::Load(const QString& machinePath, const TMachine& machine) {
    positions_ = ReadPositionsFile(machinePath, DiagramSourceOf(machine));
    keyByFolded_.clear();
    for (auto it = positions_.cbegin(); it != positions_.cend(); ++it)
        keyByFolded_.insert(Folded(it.key()), it.key());
    emit changed();
}

void TStatePositions::Reset() {
    positions_.clear();
    keyByFolded_.clear();
    emit changed();
}

void TStatePositions::Assign(const QHash<QString, QPointF>& positions) {
    if (positions.isSharedWith(positions_))
        return;
    positions_ = positions;
    keyByFolded_.clear();
    for (auto it = positions_.cbegin(); it != positions_.cend(); ++it)
        keyByFolded_.insert(Folded(it.key()), it.key());
    emit changed();
}
