#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

// Menu captions carry the ampersand that marks their Alt letter; a page quoting a caption must show it as the
// reader sees it in the menu, without the ampersand. Each page is read as the help viewer shows it, entities
// decoded.
TEST(HelpPages, NoPageShowsAnAcceleratorsAmpersand) {
    const QRegularExpression ampersand(QStringLiteral("\\S*&\\w\\S*"), QRegularExpression::UseUnicodePropertiesOption);
    int pages = 0;
    for (QDirIterator it(QStringLiteral(QTM_SOURCE_DIR "/data/help"), {QStringLiteral("*.html")}, QDir::Files,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        QFile file(it.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        QTextDocument page;
        page.setHtml(QString::fromUtf8(file.readAll()));
        const QRegularExpressionMatch found = ampersand.match(page.toPlainText());
        EXPECT_FALSE(found.hasMatch()) << file.fileName().toStdString() << ": " << found.captured().toStdString();
        ++pages;
    }
    EXPECT_GT(pages, 100);
}

} // namespace
