#include "platform/codepage.h"

#include <QHash>
#include <QStringDecoder>

#include <array>

namespace codepage {
namespace {

struct TTables {
    std::array<char16_t, 256> toUnicode{};
    QHash<char16_t, unsigned char> toByte;

    TTables() {
        // The table is taken from the toolkit's converter once, so no mapping is written by hand.
        QStringDecoder decoder("windows-1251");
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            QString decoded = decoder.isValid() ? decoder.decode(QByteArrayView(&byte, 1)) : QString();
            char16_t c = static_cast<char16_t>(b);
            if (decoded.size() == 1 && decoded[0] != QChar::ReplacementCharacter)
                c = decoded[0].unicode();
            toUnicode[static_cast<std::size_t>(b)] = c;
            toByte.insert(c, static_cast<unsigned char>(b));
        }
    }
};

const TTables& Tables() {
    static const TTables tables;
    return tables;
}

} // namespace

QString Decode(const QByteArray& bytes) {
    const auto& t = Tables().toUnicode;
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        d[i] = QChar(t[static_cast<unsigned char>(bytes[i])]);
    return out;
}

QByteArray Encode(const QString& text) {
    const auto& t = Tables().toByte;
    QByteArray out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto it = t.constFind(text[i].unicode());
        out[i] = it == t.cend() ? '?' : static_cast<char>(*it);
    }
    return out;
}

int ByteOf(QChar c) {
    const auto& t = Tables().toByte;
    const auto it = t.constFind(c.unicode());
    return it == t.cend() ? -1 : *it;
}

bool Exists(QChar c) {
    return ByteOf(c) >= 0;
}

bool Exists(const QString& text) {
    for (QChar c : text)
        if (!Exists(c))
            return false;
    return true;
}

} // namespace codepage
