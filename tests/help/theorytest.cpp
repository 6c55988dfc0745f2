#include "help/theory.h"

#include "scriptedprompts.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TMessage Box(const QString& text) {
    TMessage m;
    m.caption = QStringLiteral("Теория по машине Тьюринга");
    m.text = text;
    m.icon = TIcon::Stop;
    return m;
}

class TheoryTest : public ::testing::Test {
protected:
    void CreateTheoryFile() {
        QFile file(dir.filePath(QStringLiteral("turring.hlp")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    QTemporaryDir dir;
    TScriptedPrompts prompts;
    QStringList opened;
    std::function<void(const QString&)> open = [this](const QString& name) { opened.append(name); };
};

TEST_F(TheoryTest, MissingFileIsNamedWithItsFullPathAndNothingOpens) {
    prompts.Answer(TAnswer::Ok);
    EXPECT_FALSE(OpenTheoryHelp(dir.path(), prompts, open));
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0], Box(QStringLiteral("Файл ") + dir.path() + QStringLiteral("/turring.hlp не найден")));
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(TheoryTest, PresentFileOpensAtItsContentsWithoutMessages) {
    CreateTheoryFile();
    EXPECT_TRUE(OpenTheoryHelp(dir.path() + QStringLiteral("/"), prompts, open));
    EXPECT_EQ(opened, QStringList{dir.filePath(QStringLiteral("turring.hlp"))});
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

TEST_F(TheoryTest, FailedOpeningIsReported) {
    CreateTheoryFile();
    prompts.Answer(TAnswer::Ok);
    EXPECT_FALSE(OpenTheoryHelp(dir.path(), prompts, [](const QString&) { throw std::runtime_error("no viewer"); }));
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0], Box(QStringLiteral("Ошибка открытия файла")));
}

} // namespace
