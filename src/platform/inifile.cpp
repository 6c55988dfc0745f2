#include "platform/inifile.h"

#include "platform/codepage.h"
#include "platform/fileio.h"

#include <QFile>
#include <QFileInfo>

#include <utility>

namespace {

// Settings files are a few kilobytes; anything this large is not ours and is left alone rather than read
// into memory at every start.
constexpr qint64 MaxFileSize = 1024 * 1024;

const QString LineEnd = QStringLiteral("\r\n");

bool IsBlank(QChar c) {
    return c.unicode() <= 32;
}

qsizetype SkipBlanks(const QString& text, qsizetype from) {
    while (from < text.size() && IsBlank(text[from]))
        ++from;
    return from;
}

// The part [from, to) without blanks at either end.
QString TrimmedPart(const QString& text, qsizetype from, qsizetype to) {
    while (from < to && IsBlank(text[from]))
        ++from;
    while (to > from && IsBlank(text[to - 1]))
        --to;
    return text.mid(from, to - from);
}

bool HasBlankEdge(const QString& text) {
    return !text.isEmpty() && (IsBlank(text.front()) || IsBlank(text.back()));
}

bool HasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

TIniFile::TIniFile(QString name) : fileName(std::move(name)) {}

TIniFile::TLine TIniFile::ParseLine(QString text, QString end) {
    TLine line;
    line.text = std::move(text);
    line.end = std::move(end);
    const QString& t = line.text;
    const qsizetype first = SkipBlanks(t, 0);
    if (first == t.size() || t[first] == QLatin1Char(';'))
        return line;
    if (t[first] == QLatin1Char('[')) {
        // Text after the closing bracket does not count; a header without one is no header.
        const qsizetype close = t.indexOf(QLatin1Char(']'), first + 1);
        if (close >= 0) {
            line.kind = TKind::Section;
            line.name = TrimmedPart(t, first + 1, close);
            return line;
        }
    }
    const qsizetype eq = t.indexOf(QLatin1Char('='), first);
    if (eq < 0)
        return line;
    line.name = TrimmedPart(t, first, eq);
    if (line.name.isEmpty())
        return line;
    line.kind = TKind::Key;
    line.valueStart = SkipBlanks(t, eq + 1);
    return line;
}

bool TIniFile::Load() {
    lines.clear();
    readable = true;
    QByteArray bytes;
    switch (fileio::ReadFile(fileName, MaxFileSize, bytes)) {
    case fileio::TReadError::None:
        SetBytes(bytes);
        return true;
    case fileio::TReadError::Missing:
        return true;
    default:
        readable = false;
        return false;
    }
}

void TIniFile::SetBytes(const QByteArray& bytes) {
    lines.clear();
    readable = true;
    const QString text = codepage::Decode(bytes);
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype stop = pos;
        while (stop < text.size() && text[stop] != QLatin1Char('\r') && text[stop] != QLatin1Char('\n'))
            ++stop;
        qsizetype next = stop;
        if (next < text.size())
            next += (text[next] == QLatin1Char('\r') && next + 1 < text.size() && text[next + 1] == QLatin1Char('\n'))
                        ? 2
                        : 1;
        lines.push_back(ParseLine(text.mid(pos, stop - pos), text.mid(stop, next - stop)));
        pos = next;
    }
}

QByteArray TIniFile::Bytes() const {
    QString text;
    for (const TLine& line : lines)
        text += line.text + line.end;
    return codepage::Encode(text);
}

bool TIniFile::Save() {
    if (!readable)
        return false;
    // A link stays a link: its target is what changes.
    const QFileInfo info(fileName);
    const QString target = info.isSymLink() ? info.symLinkTarget() : fileName;
    // No backup: the file changes at every exit. The temporary name keeps the whole name, so that qtm.ini
    // and qtm.dsk never share one.
    const QString temp = target + QStringLiteral(".tmp");
    const fileio::TSaveResult result = fileio::SaveFile(target, Bytes(), temp, QString());
    // Nobody is told where the new content went: a temporary file that did not take the name goes.
    if (result.failure == fileio::TSaveFailure::Replace)
        QFile::remove(temp);
    return result.ok();
}

qsizetype TIniFile::FindSection(const QString& section) const {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].kind == TKind::Section && SameName(lines[i].name, section))
            return static_cast<qsizetype>(i);
    return -1;
}

qsizetype TIniFile::SectionEnd(qsizetype header) const {
    auto i = static_cast<std::size_t>(header) + 1;
    while (i < lines.size() && lines[i].kind != TKind::Section)
        ++i;
    return static_cast<qsizetype>(i);
}

qsizetype TIniFile::FindKey(qsizetype header, const QString& key) const {
    const qsizetype end = SectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const TLine& line = lines[static_cast<std::size_t>(i)];
        if (line.kind == TKind::Key && SameName(line.name, key))
            return i;
    }
    return -1;
}

int TIniFile::ForeignLines() const {
    int count = 0;
    for (const TLine& line : lines) {
        const qsizetype first = SkipBlanks(line.text, 0);
        if (line.kind == TKind::Other && first < line.text.size() && line.text[first] != QLatin1Char(';'))
            ++count;
    }
    return count;
}

bool TIniFile::SectionExists(const QString& section) const {
    return FindSection(section) >= 0;
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const {
    const qsizetype header = FindSection(section);
    return header >= 0 && FindKey(header, key) >= 0;
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& fallback) const {
    const qsizetype header = FindSection(section);
    const qsizetype at = header < 0 ? -1 : FindKey(header, key);
    if (at < 0)
        return fallback;
    const TLine& line = lines[static_cast<std::size_t>(at)];
    return TrimmedPart(line.text, line.valueStart, line.text.size());
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int fallback) const {
    const QString text = ReadString(section, key, QString());
    // Decimal digits only: toInt() would also take blanks and a base prefix.
    const qsizetype digits = text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+')) ? 1 : 0;
    if (text.size() == digits)
        return fallback;
    for (qsizetype i = digits; i < text.size(); ++i)
        if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9'))
            return fallback;
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : fallback;
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void TIniFile::InsertLine(qsizetype at, const QString& text) {
    // Only the last line can lack its line end, and a line is about to follow it.
    if (at > 0 && lines[static_cast<std::size_t>(at - 1)].end.isEmpty())
        lines[static_cast<std::size_t>(at - 1)].end = LineEnd;
    lines.insert(lines.begin() + at, ParseLine(text, LineEnd));
}

bool TIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    if (section.isEmpty() || key.isEmpty() || HasBlankEdge(section) || HasBlankEdge(key) || HasBlankEdge(value) ||
        HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) || section.contains(QLatin1Char(']')) ||
        key.contains(QLatin1Char('=')) || key.startsWith(QLatin1Char('[')) || key.startsWith(QLatin1Char(';')) ||
        !codepage::Exists(section) || !codepage::Exists(key) || !codepage::Exists(value))
        return false;

    const qsizetype header = FindSection(section);
    if (header < 0) {
        const auto end = static_cast<qsizetype>(lines.size());
        InsertLine(end, QLatin1Char('[') + section + QLatin1Char(']'));
        InsertLine(end + 1, key + QLatin1Char('=') + value);
        return true;
    }
    const qsizetype at = FindKey(header, key);
    if (at >= 0) {
        TLine& line = lines[static_cast<std::size_t>(at)];
        // The key keeps its spelling, its blanks and its place; only the value changes.
        if (TrimmedPart(line.text, line.valueStart, line.text.size()) != value)
            line = ParseLine(line.text.left(line.valueStart) + value, line.end);
        return true;
    }
    // After the section's last key, so that a comment introducing the next section stays with it.
    qsizetype after = header;
    const qsizetype end = SectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i)
        if (lines[static_cast<std::size_t>(i)].kind == TKind::Key)
            after = i;
    InsertLine(after + 1, key + QLatin1Char('=') + value);
    return true;
}

bool TIniFile::WriteInteger(const QString& section, const QString& key, int value) {
    return WriteString(section, key, QString::number(value));
}

bool TIniFile::WriteBool(const QString& section, const QString& key, bool value) {
    return WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}
