#include "platform/codepage.h"

#include <QStringDecoder>

#include <array>

namespace codepage {
namespace {

struct TTables {
    std::array<char16_t, 256> toUnicode{};
    // The byte of every UTF-16 unit, -1 for none: a look-up per character without hashing.
    std::array<qint16, 65536> toByte{};

    TTables() {
        toByte.fill(-1);
        // The table is taken from the toolkit's converter once, so no mapping is written by hand.
        QStringDecoder decoder("windows-1251");
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            QString decoded = decoder.isValid() ? decoder.decode(QByteArrayView(&byte, 1)) : QString();
            char16_t c = static_cast<char16_t>(b);
            if (decoded.size() == 1 && decoded[0] != QChar::ReplacementCharacter)
                c = decoded[0].unicode();
            toUnicode[static_cast<std::size_t>(b)] = c;
            toByte[c] = static_cast<qint16>(b);
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
    char* d = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qint16 b = t[text[i].unicode()];
        d[i] = b < 0 ? '?' : static_cast<char>(b);
    }
    return out;
}

int ByteOf(QChar c) {
    return Tables().toByte[c.unicode()];
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
