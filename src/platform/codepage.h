#pragma once

#include <QByteArray>
#include <QString>

// Windows-1251, the single-byte code page of every file the program reads and writes. Every one of the
// 256 byte values decodes to exactly one character and encodes back to the same byte; the unassigned
// byte 0x98 stands for U+0098.
namespace codepage {

QString Decode(const QByteArray& bytes);
// Characters that do not exist in the code page become '?'; callers refuse such text before it gets here.
QByteArray Encode(const QString& text);
bool Exists(QChar c);
bool Exists(const QString& text);
// The byte of a character that exists, or -1.
int ByteOf(QChar c);

// A text file a user may have written in any editor (word lists, test sets): Windows-1251 unless the bytes
// say or show they are UTF-8. See codepage.cpp for how they show it.
QString DecodeText(const QByteArray& bytes);

} // namespace codepage
