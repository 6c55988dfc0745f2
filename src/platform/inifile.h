#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// An INI file held in memory as its lines, read and updated the way the Windows private-profile functions
// do it: section and key names match without regard to case, the first of duplicate sections or keys
// wins, blanks around names and values do not count, and a line without "=" is no key. Writing changes
// only the line of the key written (or adds lines); every other byte of the file is written back as it
// was read. Files are Windows-1251; lines added by the program end in CR LF.
class TIniFile {
public:
    explicit TIniFile(QString fileName);

    const QString& FileName() const { return fileName; }

    // Reads the file. A missing file reads as an empty one, so that Save() creates it. Returns false when
    // the file exists but cannot be read (a directory, no access, absurdly large); the object is then
    // empty and Save() refuses, so an unreadable file is never replaced by a stub.
    bool Load();
    // Takes the given bytes as the file's contents, as Load() would.
    void SetBytes(const QByteArray& bytes);
    // The file's contents as Save() would write them.
    QByteArray Bytes() const;
    // Writes the contents through a temporary file in the same directory that replaces the file only when
    // it was written and synced completely; false on any failure (the directory's sync included), with the
    // old file left as it was and no temporary file left behind.
    bool Save();

    bool SectionExists(const QString& section) const;
    // Lines that are neither blank, a comment, a section header nor a key: a sign of a file that is no INI.
    int ForeignLines() const;
    bool ValueExists(const QString& section, const QString& key) const;
    // The value with its surrounding blanks removed; fallback when the key is missing.
    QString ReadString(const QString& section, const QString& key, const QString& fallback) const;
    // fallback also when the value is not a decimal 32-bit integer.
    int ReadInteger(const QString& section, const QString& key, int fallback) const;
    // Any integer other than 0 is on; fallback when the value is missing or not an integer.
    bool ReadBool(const QString& section, const QString& key, bool fallback) const;

    // Returns false and changes nothing when the text cannot be stored so that it reads back the same:
    // an empty or blank-edged name, a key with "=", a section with "]", a line break anywhere, a value
    // with blanks at its ends, or a character outside Windows-1251.
    bool WriteString(const QString& section, const QString& key, const QString& value);
    bool WriteInteger(const QString& section, const QString& key, int value);
    // Written as "1" or "0".
    bool WriteBool(const QString& section, const QString& key, bool value);

private:
    enum class TKind { Other, Section, Key };

    struct TLine {
        QString text; // without its line end
        QString end;  // "\r\n", "\n", "\r", or empty for a last line without one
        TKind kind = TKind::Other;
        QString name;             // section or key name, blanks removed
        qsizetype valueStart = 0; // Key: where the value starts, after "=" and blanks
    };

    static TLine ParseLine(QString text, QString end);
    // Index of the first section header of that name, or -1.
    qsizetype FindSection(const QString& section) const;
    // One past the last line of the section whose header is at index header.
    qsizetype SectionEnd(qsizetype header) const;
    qsizetype FindKey(qsizetype header, const QString& key) const;
    void InsertLine(qsizetype at, const QString& text);

    QString fileName;
    std::vector<TLine> lines;
    bool readable = true;
};
