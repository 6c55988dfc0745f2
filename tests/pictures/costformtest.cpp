#include "filetestutil.h"
#include "pictures/costform.h"
#include "printers.h"
#include "scriptedprompts.h"
#include "settings/config.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QtCharts/QChartView>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>

#include <gtest/gtest.h>

namespace {

QString ExamplePath(const char* name) {
    return QFileInfo(QString::fromUtf8(__FILE__))
        .absoluteDir()
        .absoluteFilePath(QStringLiteral("../../examples/") + QString::fromLatin1(name));
}

class CostWindow : public ::testing::Test {
protected:
    void Open(const char* machine) {
        form.machineBytes = [machine] { return ReadAll(ExamplePath(machine)); };
        form.show();
    }

    QTemporaryDir dir;
    TConfig config{dir.path()};
    TScriptedPrompts prompts;
    TCostForm form{config, prompts};
};

} // namespace

TEST_F(CostWindow, PlotsTheLargestAndMeanWithTheFitAndMarksWordsThatDoNotHalt) {
    // The test set gives the words: palindromes of 1 to 12 symbols, and one of 30 that passes the limit of 200 steps.
    form.testSetWords = [] {
        QStringList words;
        for (const int n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 30})
            words.append(QString(n, u'a'));
        return words;
    };
    Open("palindrome.qtm");
    form.StepLimitEdit->setValue(200);
    QTest::mouseClick(form.MeasureButton, Qt::LeftButton);
    EXPECT_TRUE(form.CancelButton->isEnabled());
    QTRY_VERIFY(!form.Measuring());
    EXPECT_EQ(form.SourceLabel->text(), QStringLiteral("Слова: набор слов"));
    QChart* chart = form.ChartView->chart();
    EXPECT_EQ(chart->title(), QStringLiteral("шаги ≈ n²"));
    EXPECT_EQ(chart->series().size(), 5);
    const auto* marks = qobject_cast<QScatterSeries*>(chart->series().at(4));
    ASSERT_TRUE(marks);
    EXPECT_EQ(marks->name(), QStringLiteral("оборваны пределом шагов"));
    ASSERT_EQ(marks->count(), 1);
    EXPECT_EQ(marks->at(0).x(), 30);
    EXPECT_TRUE(form.FitLabel->text().endsWith(QStringLiteral("; оборвано пределом шагов: 1")))
        << form.FitLabel->text().toStdString();
    form.SeriesBox->setCurrentIndex(1);
    EXPECT_EQ(chart->title(), QStringLiteral("ячейки ≈ n"));

    const QString csv = dir.filePath(QStringLiteral("cost.csv"));
    prompts.AnswerFile(csv);
    QTest::mouseClick(form.CsvButton, Qt::LeftButton);
    EXPECT_EQ(ReadAll(csv), form.Table().Csv());
    const QString png = dir.filePath(QStringLiteral("cost.png"));
    prompts.AnswerFile(png);
    QTest::mouseClick(form.PngButton, Qt::LeftButton);
    EXPECT_TRUE(ReadAll(png).startsWith("\x89PNG"));
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

TEST_F(CostWindow, WordsAreMadeOfTheAlphabetTypedElseOfTheMachinesWordAndTheFitNamesTheClass) {
    // The palindrome check's alphabet holds its answer symbols: words of them were refused at once ("≈ 1").
    Open("palindrome.qtm");
    QTest::mouseClick(form.MeasureButton, Qt::LeftButton);
    QTRY_VERIFY(!form.Measuring());
    EXPECT_EQ(form.AlphabetEdit->text(), QStringLiteral("ab"));
    EXPECT_TRUE(form.SourceLabel->text().startsWith(QStringLiteral("Слова: все слова над ab до длины 6")))
        << form.SourceLabel->text().toStdString();
    // Another alphabet typed into the field; Enter is no click, the button measures.
    form.AlphabetEdit->setFocus();
    QTest::keyClick(form.AlphabetEdit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(form.AlphabetEdit, QStringLiteral("a"));
    form.MaxLengthEdit->setFocus();
    QTest::keyClick(form.MaxLengthEdit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(form.MaxLengthEdit, QStringLiteral("12"));
    QTest::mouseClick(form.MeasureButton, Qt::LeftButton);
    QTRY_VERIFY(!form.Measuring());
    EXPECT_EQ(form.SourceLabel->text(), QStringLiteral("Слова: все слова над a до длины 12 (не запущено слов: 1)"));
    // aⁿ is a palindrome: crossed out from both ends, a square with lower terms.
    EXPECT_EQ(form.ChartView->chart()->title(), QStringLiteral("шаги ≈ n²"));
    EXPECT_TRUE(form.FitLabel->text().startsWith(QStringLiteral("Шаги ≈ n²: ")));
    EXPECT_TRUE(form.FitLabel->text().contains(QStringLiteral("(показатель 2.0)")))
        << form.FitLabel->text().toStdString();
    // The task's alphabet is the default of a machine made for a task.
    form.taskAlphabet = [] { return QStringLiteral("b"); };
    form.AlphabetEdit->setFocus();
    QTest::keyClick(form.AlphabetEdit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(form.AlphabetEdit, Qt::Key_Delete);
    QTest::mouseClick(form.MeasureButton, Qt::LeftButton);
    QTRY_VERIFY(!form.Measuring());
    EXPECT_EQ(form.AlphabetEdit->text(), QStringLiteral("b"));
}

TEST_F(CostWindow, CancelStopsTheRuns) {
    // Without the loop check the endless loop runs to its limit of two billion steps on every word.
    config.History = false;
    Open("endless_loop.qtm");
    form.StepLimitEdit->setValue(2000000000);
    QTest::mouseClick(form.MeasureButton, Qt::LeftButton);
    ASSERT_TRUE(form.Measuring());
    QTest::mouseClick(form.CancelButton, Qt::LeftButton);
    QTRY_VERIFY(!form.Measuring());
    EXPECT_TRUE(form.Table().cancelled);
    EXPECT_TRUE(form.Table().points.isEmpty());
    EXPECT_EQ(form.FitLabel->text(), QStringLiteral("Измерение прервано"));
    EXPECT_TRUE(form.MeasureButton->isEnabled());
}

TEST_F(CostWindow, TheAxisReadsEachCountOnceTheControlsAreDescribedAndAnExportIsConfirmed) {
    // One length of two steps: the axis's ticks once read "0, 0, 1, 2, 2".
    form.testSetWords = [] { return QStringList{"0", "1"}; };
    Open("inversion.qtm");
    QTest::mouseClick(form.MeasureButton, Qt::LeftButton);
    QTRY_VERIFY(!form.Measuring());
    const QList<QAbstractAxis*> axes = form.ChartView->chart()->axes(Qt::Vertical);
    ASSERT_EQ(axes.size(), 1);
    const auto* y = qobject_cast<QValueAxis*>(axes.front());
    ASSERT_TRUE(y);
    QStringList labels;
    if (y->tickType() == QValueAxis::TicksDynamic)
        for (double v = y->tickAnchor(); v <= y->max() + 1e-9; v += y->tickInterval())
            labels.append(QString::asprintf(y->labelFormat().toLatin1().constData(), v));
    else
        for (int i = 0; i < y->tickCount(); ++i)
            labels.append(QString::asprintf(y->labelFormat().toLatin1().constData(),
                                            y->min() + (y->max() - y->min()) * i / (y->tickCount() - 1)));
    EXPECT_EQ(labels, (QStringList{"0", "1", "2", "3"}));

    for (QWidget* w : form.findChildren<QWidget*>()) {
        if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QAbstractSpinBox*>(w) && !qobject_cast<QComboBox*>(w) &&
            !qobject_cast<QLineEdit*>(w) && !qobject_cast<QProgressBar*>(w) && !qobject_cast<QPlainTextEdit*>(w) &&
            w != form.ChartView)
            continue;
        // The line edit inside the spin boxes and the combo box speaks for its owner.
        if (qobject_cast<QLineEdit*>(w) && w != form.AlphabetEdit)
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_TRUE(a);
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty()) << w->objectName().toStdString();
        EXPECT_FALSE(a->text(QAccessible::Description).isEmpty()) << w->objectName().toStdString();
    }
    // The chart's text alternative: the table it plots.
    EXPECT_EQ(form.ChartView->accessibleName(), QStringLiteral("График сложности"));
    QTest::mouseClick(form.TableButton, Qt::LeftButton);
    ASSERT_TRUE(form.TableText->isVisible());
    EXPECT_FALSE(form.ChartView->isVisible());
    EXPECT_EQ(form.TableText->toPlainText(), form.Table().Text());

    const QString csv = dir.filePath(QStringLiteral("cost.csv"));
    prompts.AnswerFile(csv);
    QTest::mouseClick(form.CsvButton, Qt::LeftButton);
    EXPECT_EQ(form.SavedLabel->text(), QStringLiteral("Сохранено: ") + csv);
    EXPECT_TRUE(prompts.boxes.isEmpty());
}
