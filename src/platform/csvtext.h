#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Tables for spreadsheets in the form Russian ones open without asking: ";" between the fields (a "," is the
// decimal point there), CR LF between the rows, UTF-8 with a byte order mark.
namespace csvtext {

// One row with its CR LF; a field holding ";", a quote or a line break is quoted, its quotes doubled.
QString Row(const QStringList& fields);
// The bytes of a file: the byte order mark, then the text in UTF-8.
QByteArray FileBytes(const QString& text);

} // namespace csvtext
