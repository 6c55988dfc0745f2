#include "platform/codepage.h"
#include "platform/paths.h"
#include "printers.h"

#include <gtest/gtest.h>

TEST(Codepage, EveryByteRoundTrips) {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = codepage::Decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(codepage::Encode(text), all);
    EXPECT_EQ(text[0x98], QChar(0x98));
    for (QChar c : text)
        EXPECT_TRUE(codepage::Exists(c));
}

TEST(Codepage, CyrillicAndSigns) {
    EXPECT_EQ(codepage::Decode("\xC0\xE1\xFF\xA8\xB8\xB9"), QStringLiteral("АбяЁё№"));
    EXPECT_EQ(codepage::Encode(QStringLiteral("Шаг №")), QByteArray("\xD8\xE0\xE3 \xB9"));
    EXPECT_TRUE(codepage::Exists(QStringLiteral("q0#Влево")));
    EXPECT_FALSE(codepage::Exists(QChar(0x4E2D)));        // a CJK character
    EXPECT_FALSE(codepage::Exists(QStringLiteral("aé"))); // é is not in Windows-1251
    EXPECT_EQ(codepage::Encode(QStringLiteral("a\u4E2D")), QByteArray("a?"));
}

TEST(Paths, Parts) {
    EXPECT_EQ(paths::FileDir(QStringLiteral("/home/u/m.qtm")), QStringLiteral("/home/u"));
    EXPECT_EQ(paths::FileDir(QStringLiteral("m.qtm")), QString());
    EXPECT_EQ(paths::FileDir(QStringLiteral("/m.qtm")), QStringLiteral("/"));
    EXPECT_EQ(paths::FileName(QStringLiteral("/home/u/m.qtm")), QStringLiteral("m.qtm"));
    EXPECT_EQ(paths::FileExt(QStringLiteral("/home/u.d/m")), QString());
    EXPECT_EQ(paths::FileExt(QStringLiteral("/home/u/m.tar.qtm")), QStringLiteral(".qtm"));
    EXPECT_EQ(paths::ChangeFileExt(QStringLiteral("/a.b/m"), QStringLiteral(".bak")), QStringLiteral("/a.b/m.bak"));
    EXPECT_EQ(paths::ChangeFileExt(QStringLiteral("/a/m.qtm"), QStringLiteral(".tmp")), QStringLiteral("/a/m.tmp"));
    EXPECT_EQ(paths::Join(QStringLiteral("/a/"), QStringLiteral("b")), QStringLiteral("/a/b"));
    EXPECT_EQ(paths::Join(QStringLiteral("/a"), QStringLiteral("b")), QStringLiteral("/a/b"));
}
