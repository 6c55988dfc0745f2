#include "cli/runnercli.h"
#include "filetestutil.h"
#include "formfixture.h"
#include "pictures/costform.h"
#include "pictures/spacetimeform.h"
#include "scriptedprompts.h"
#include "settings/config.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
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

namespace {

class SpaceTimeWindowOf : public ::testing::Test {
protected:
    void Open(const char* machine) {
        form.machineBytes = [machine] { return ReadAll(ExamplePath(machine)); };
        form.resize(700, 500);
        form.show();
    }

    QTemporaryDir dir;
    TConfig config{dir.path()};
    TScriptedPrompts prompts;
    TSpaceTimeForm form{config, prompts};
};

} // namespace

TEST_F(SpaceTimeWindowOf, ALongRunShowsProgressAndCancelStopsIt) {
    // Without the loop check the endless loop runs to its limit of two billion steps.
    config.History = false;
    Open("endless_loop.qtm");
    form.StepLimitEdit->setValue(2000000000);
    QTest::mouseClick(form.RebuildButton, Qt::LeftButton);
    ASSERT_TRUE(form.Building());
    EXPECT_TRUE(form.CancelButton->isEnabled());
    EXPECT_FALSE(form.RebuildButton->isEnabled());
    QTest::mouseClick(form.CancelButton, Qt::LeftButton);
    QTRY_VERIFY(!form.Building());
    EXPECT_TRUE(form.Picture().cancelled);
    EXPECT_TRUE(form.RebuildButton->isEnabled());
    EXPECT_FALSE(form.CancelButton->isEnabled());
}

TEST_F(SpaceTimeWindowOf, AZoomedPartIsDrawnAgainFromTheRunAtFinerBands) {
    config.History = false;
    Open("endless_loop.qtm");
    form.StepLimitEdit->setValue(10000);
    QTest::mouseClick(form.RebuildButton, Qt::LeftButton);
    QTRY_VERIFY(!form.Building());
    ASSERT_EQ(form.Picture().band, 6);
    // A drag over about a hundred rows, six steps each.
    const auto at = [this](double column, double row) {
        return QPoint(int(column * form.Canvas->ZoomX()), int(row * form.Canvas->ZoomY()));
    };
    const QPoint press = at(0.2, 100.5);
    const QPoint release = at(1.5, 200.5);
    const int first = form.Canvas->CellAt(press).y();
    const int last = form.Canvas->CellAt(release).y();
    ASSERT_GT(last - first, 90);
    QTest::mousePress(form.Canvas, Qt::LeftButton, Qt::NoModifier, press);
    QTest::mouseMove(form.Canvas, at(1.5, 150));
    QTest::mouseRelease(form.Canvas, Qt::LeftButton, Qt::NoModifier, release);
    QTRY_VERIFY(!form.Building());
    // Every step from the first row's to the one before the row after the last: a row each.
    const TSpaceTime& part = form.Picture();
    ASSERT_TRUE(part.zoomed);
    EXPECT_EQ(part.band, 1);
    const qint64 from = 6 * first;
    const qint64 to = 6 * (last + 1) - 1;
    ASSERT_EQ(qint64(part.rows.size()), to - from + 1);
    EXPECT_EQ(part.rows.front().step, from);
    EXPECT_EQ(part.rows.back().step, to);
    EXPECT_EQ(part.RowOfStep(from + 1), 1);
    EXPECT_EQ(part.RowOfStep(5000), -1);
    EXPECT_TRUE(form.EndLabel->text().endsWith(QStringLiteral(". Показаны шаги с %1 по %2").arg(from).arg(to)))
        << form.EndLabel->text().toStdString();
    // "Целиком" shows the whole run again.
    QTest::mouseClick(form.FitButton, Qt::LeftButton);
    EXPECT_FALSE(form.Picture().zoomed);
    EXPECT_EQ(form.Picture().band, 6);
}

TEST_F(SpaceTimeWindowOf, EveryControlIsDescribedAndThePictureReadsAsText) {
    Open("palindrome.qtm");
    form.Rebuild();
    QTRY_VERIFY(!form.Building());
    for (QWidget* w : form.findChildren<QWidget*>()) {
        if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QAbstractSpinBox*>(w) &&
            !qobject_cast<QProgressBar*>(w) && !qobject_cast<QPlainTextEdit*>(w) && w != form.Canvas)
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_TRUE(a);
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty()) << w->objectName().toStdString();
        EXPECT_FALSE(a->text(QAccessible::Description).isEmpty()) << w->objectName().toStdString();
    }
    EXPECT_TRUE(form.Canvas->accessibleDescription().startsWith(form.EndLabel->text()));
    form.RowsButton->setFocus();
    QTest::keyClick(form.RowsButton, Qt::Key_Space);
    ASSERT_TRUE(form.RowsText->isVisible());
    const QStringList lines = form.RowsText->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 17);
    EXPECT_EQ(lines[0], QStringLiteral("0 q0 #[a]bba#"));
    EXPECT_EQ(lines[5], QStringLiteral("5 qa2 ##bb[a]#"));

    // Every swatch of the legend is framed, the blank's light grey included.
    const QImage legend = form.LegendLabel->grab().toImage();
    int frameRuns = 0;
    for (int y = 0; y < legend.height(); ++y) {
        int run = 0;
        for (int x = 0; x < legend.width(); ++x) {
            run = legend.pixel(x, y) == qRgb(0x80, 0x80, 0x80) ? run + 1 : 0;
            if (run == 10)
                ++frameRuns;
        }
    }
    // The top and bottom edges of the blank, a, b and head swatches.
    EXPECT_GE(frameRuns, 8);
}

TEST_F(PicturesMainWindow, ThePicturesFollowTheMachineThatIsOpened) {
    form->Config().NormalLoad = false;
    form->Config().AutoFile = false;
    const QString increment = dir.filePath(QStringLiteral("increment.qtm"));
    const QString palindrome = dir.filePath(QStringLiteral("palindrome.qtm"));
    ASSERT_TRUE(WriteAll(increment, ReadAll(ExamplePath("binary_increment.qtm"))));
    ASSERT_TRUE(WriteAll(palindrome, ReadAll(ExamplePath("palindrome.qtm"))));
    prompts.AnswerFile(increment);
    form->OpenFileItemClick();
    form->findChild<QAction*>(QStringLiteral("SpaceTimeItem"))->trigger();
    form->findChild<QAction*>(QStringLiteral("CostItem"))->trigger();
    auto* picture = form->findChild<TSpaceTimeForm*>();
    auto* cost = form->findChild<TCostForm*>();
    ASSERT_TRUE(picture && cost);
    QTRY_VERIFY(!picture->Building() && !cost->Measuring());
    ASSERT_TRUE(picture->EndLabel->text().startsWith(QStringLiteral("Слово 1011:")));
    ASSERT_TRUE(cost->PngButton->isEnabled());

    prompts.AnswerFile(palindrome);
    form->OpenFileItemClick();
    ASSERT_EQ(form->FileName(), palindrome);
    // The picture shown draws the new machine's run; the plot goes, with a note, and saves nothing old.
    QTRY_VERIFY(!picture->Building());
    EXPECT_TRUE(picture->EndLabel->text().startsWith(QStringLiteral("Слово abba:")))
        << picture->EndLabel->text().toStdString();
    EXPECT_EQ(cost->SourceLabel->text(), QStringLiteral("Открыта другая машина: нажмите «Измерить»"));
    EXPECT_TRUE(cost->Table().points.isEmpty());
    EXPECT_FALSE(cost->PngButton->isEnabled());
    EXPECT_FALSE(cost->CsvButton->isEnabled());

    // A hidden picture forgets the old machine's run: nothing of it can be saved.
    picture->close();
    prompts.AnswerFile(increment);
    form->OpenFileItemClick();
    EXPECT_EQ(picture->EndLabel->text(), QStringLiteral("Открыта другая машина: нажмите «Построить»"));
    EXPECT_FALSE(picture->ExportButton->isEnabled());
    EXPECT_TRUE(prompts.boxes.isEmpty());
}
