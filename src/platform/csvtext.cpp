#include "platform/csvtext.h"

namespace csvtext {

namespace {

QString Field(const QString& text) {
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')) &&
        !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

} // namespace

QString Row(const QStringList& fields) {
    QStringList quoted;
    for (const QString& f : fields)
        quoted.append(Field(f));
    return quoted.join(QLatin1Char(';')) + QStringLiteral("\r\n");
}

QByteArray FileBytes(const QString& text) {
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

} // namespace csvtext
