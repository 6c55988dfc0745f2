#include "cli/runnercli.h"
#include "filetestutil.h"
#include "formfixture.h"
#include "pictures/spacetimeform.h"
#include "scriptedprompts.h"
#include "settings/config.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

QString ExamplePath(const char* name) {
    return QFileInfo(QString::fromUtf8(__FILE__))
        .absoluteDir()
        .absoluteFilePath(QStringLiteral("../../examples/") + QString::fromLatin1(name));
}

} // namespace

TEST(SpaceTimeWindow, DrawsTheRunShowsTheStateOnHoverAndExportsWhatQtmRunWrites) {
    QTemporaryDir dir;
    TConfig config{dir.path()};
    TScriptedPrompts prompts;
    TSpaceTimeForm form(config, prompts);
    // The palindrome check on its own word, abba.
    form.machineBytes = [] { return ReadAll(ExamplePath("palindrome.qtm")); };
    form.show();
    form.Rebuild();
    QTRY_VERIFY(!form.Building());
    EXPECT_EQ(form.EndLabel->text(), QStringLiteral("Слово abba: останов, шагов: 15. Строк: 16, шагов в строке: 1"));
    EXPECT_TRUE(form.LegendLabel->text().contains(QStringLiteral("головка")));

    // Row 5 is the configuration after five steps: the first a crossed out, the head on the blank after the word.
    QTest::mouseMove(form.Canvas, QPoint(int(form.Canvas->ZoomX() * 1.5), int(form.Canvas->ZoomY() * 5.5)));
    EXPECT_EQ(form.InfoLabel->text(), QStringLiteral("Шаг 5, состояние qa2, головка на ячейке 3; ячейка 0: '#'"));

    form.ShowStep(7);
    EXPECT_EQ(form.Canvas->CurrentRow(), 7);
    form.ShowStep(-1);
    EXPECT_EQ(form.Canvas->CurrentRow(), -1);

    const QString png = dir.filePath(QStringLiteral("window.png"));
    prompts.AnswerFile(png);
    QTest::mouseClick(form.ExportButton, Qt::LeftButton);
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const QString cliPng = dir.filePath(QStringLiteral("cli.png"));
    ASSERT_EQ(
        RunBatch({QStringLiteral("qtm-run"), ExamplePath("palindrome.qtm"), QStringLiteral("--spacetime"), cliPng},
                 outStream, errStream),
        0);
    EXPECT_EQ(ReadAll(png), ReadAll(cliPng));
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

using PicturesMainWindow = TFormFixture;

TEST_F(PicturesMainWindow, TheServiceMenuOpensThePicturesAndTheRunLightsItsRow) {
    form->Config().NormalLoad = false;
    form->Config().AutoFile = false;
    const QString machinePath = dir.filePath(QStringLiteral("increment.qtm"));
    ASSERT_TRUE(WriteAll(machinePath, ReadAll(ExamplePath("binary_increment.qtm"))));
    prompts.AnswerFile(machinePath);
    form->OpenFileItemClick();
    ASSERT_EQ(form->FileName(), machinePath);
    QAction* item = form->findChild<QAction*>(QStringLiteral("SpaceTimeItem"));
    ASSERT_TRUE(item);
    EXPECT_EQ(item->text(), QStringLiteral("&ход вычисления"));
    item->trigger();
    auto* picture = form->findChild<TSpaceTimeForm*>();
    ASSERT_TRUE(picture);
    QTRY_VERIFY(!picture->Building());
    EXPECT_TRUE(picture->EndLabel->text().contains(QStringLiteral("останов")))
        << picture->EndLabel->text().toStdString();
    EXPECT_EQ(picture->Canvas->CurrentRow(), -1);
    // The first step by hand finds the command, the second executes it: the row of step 1 is lit; a reset puts it
    // out.
    form->Engine().NextStep();
    form->Engine().NextStep();
    ASSERT_EQ(form->Machine().StepNumber(), 1);
    EXPECT_EQ(picture->Canvas->CurrentRow(), 1);
    form->Engine().Reset();
    EXPECT_EQ(picture->Canvas->CurrentRow(), -1);
    // A run on another word draws that word's run.
    form->Machine().SetWordText(QStringLiteral("111"));
    form->Engine().NextStep();
    QTRY_VERIFY(!picture->Building());
    EXPECT_EQ(picture->EndLabel->text(), QStringLiteral("Слово 111: останов, шагов: 8. Строк: 9, шагов в строке: 1"));
    form->Engine().Reset();
    QAction* cost = form->findChild<QAction*>(QStringLiteral("CostItem"));
    ASSERT_TRUE(cost);
    EXPECT_EQ(cost->text(), QStringLiteral("с&ложность"));
}
