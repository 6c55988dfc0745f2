#include "platform/codepage.h"

#include <QStringDecoder>

#include <algorithm>
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

QString DecodeText(const QByteArray& bytes) {
    // The program writes Windows-1251, and every byte but 0x98 is a character there, so Windows-1251 is the
    // reading unless the file says otherwise: a byte order mark, or bytes that are whole UTF-8 and whose
    // characters Windows-1251 would read with signs among letters, as an editor's UTF-8 reads there ("С‚" for
    // "т", "дё\u00AD" for "中"). A character of two bytes read so ("Р»") is as likely two symbols of a set as one
    // letter: two different ones are needed, and letters alone ("РЁ") are Windows-1251 letters. So a file the
    // program wrote reads back as written. The whole file is decoded at once: an unfinished UTF-8 character at
    // its end makes it Windows-1251, losing nothing.
    static const QByteArray Bom("\xEF\xBB\xBF");
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    if (bytes.startsWith(Bom)) {
        const QString text = utf8.decode(QByteArrayView(bytes).sliced(Bom.size()));
        if (!utf8.hasError())
            return text;
    }
    const QString cp1251 = Decode(bytes);
    QString pairSeen;
    bool utf8Shown = false;
    for (qsizetype i = 0; i < cp1251.size() && !utf8Shown;) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const qsizetype length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const QString read = cp1251.mid(i, length);
        i += length;
        if (length == 1 || std::all_of(read.cbegin(), read.cend(), [](QChar c) { return c.isLetter(); }))
            continue;
        utf8Shown = length > 2 || (!pairSeen.isNull() && read != pairSeen);
        pairSeen = read;
    }
    if (utf8Shown) {
        QStringDecoder whole(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = whole.decode(bytes);
        if (!whole.hasError())
            return text;
    }
    return cp1251;
}

} // namespace codepage
