#include "filetestutil.h"
#include "formfixture.h"
#include "machine/machine.h"
#include "platform/codepage.h"
#include "scriptedprompts.h"
#include "settings/config.h"
#include "testset/testsetform.h"
#include "testset/testsetmodel.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString ExamplePath(const char* name) {
    return QFileInfo(QString::fromUtf8(__FILE__))
        .absoluteDir()
        .absoluteFilePath(QStringLiteral("../../examples/") + QString::fromLatin1(name));
}

// Two passing cases and a failing one of the binary increment.
// Key by key into the focused control, characters beyond Latin-1 included.
void Type(const QString& text) {
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key(c.toUpper().unicode()), QString(c),
                            Qt::NoModifier);
}

const QByteArray IncrementSet = "1011\t1100\tq2\r\n111\t1000\r\n1\t11\r\n";

class TestSetWindow : public ::testing::Test {
protected:
    void SetUp() override {
        form.machineBytes = [this] { return ReadAll(ExamplePath(machine)); };
        form.show();
    }

    QString Cell(int row, int column) { return form.Model().index(row, column).data().toString(); }

    bool LoadSet(const QByteArray& bytes) {
        const QString path = dir.filePath(QStringLiteral("set.tests"));
        return WriteAll(path, bytes) && form.LoadSet(path);
    }

    QTemporaryDir dir;
    TConfig config{dir.path()};
    TScriptedPrompts prompts;
    TTestSetForm form{config, prompts};
    const char* machine = "binary_increment.qtm";
};

} // namespace

TEST_F(TestSetWindow, ACheckFillsTheResultCellsAndCountsThePasses) {
    ASSERT_TRUE(LoadSet(IncrementSet));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Проверка на наборе слов - set.tests"));
    QSignalSpy checking(&form, &TTestSetForm::checkingChanged);
    QTest::mouseClick(form.CheckButton, Qt::LeftButton);
    // Until the worker's end is taken, nothing of the set can change.
    EXPECT_TRUE(form.Checking());
    EXPECT_FALSE(form.CheckButton->isEnabled());
    EXPECT_FALSE(form.AddButton->isEnabled());
    EXPECT_FALSE(form.Model().flags(form.Model().index(0, TTestSetModel::Word)) & Qt::ItemIsEditable);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Checking(); }, 20000));

    EXPECT_EQ(form.SummaryLabel->text(), QStringLiteral("2 из 3 пройдено"));
    const QStringList rows[] = {{"останов", "8", "1100", "q2", "пройден"},
                                {"останов", "8", "1000", "q2", "пройден"},
                                {"останов", "4", "10", "q2", "не пройден"}};
    for (int r = 0; r < 3; ++r) {
        QStringList cells;
        for (int c = TTestSetModel::End; c <= TTestSetModel::Verdict; ++c)
            cells << Cell(r, c);
        EXPECT_EQ(cells, rows[r]) << r;
    }
    // The marks' colours: the enabled breakpoint's for a pass, the error's for a failure.
    const auto background = [&](int row) {
        return form.Model().index(row, TTestSetModel::Verdict).data(Qt::BackgroundRole).value<QColor>();
    };
    EXPECT_EQ(background(0), QColor(0, 255, 0));
    EXPECT_EQ(background(2), QColor(255, 0, 0));
    EXPECT_EQ(form.ProgressBar->value(), 3);
    EXPECT_EQ(checking.size(), 2);
    EXPECT_TRUE(form.CheckButton->isEnabled());
}

TEST_F(TestSetWindow, AltPChecksAndAWordThatDidNotRunSaysWhy) {
    ASSERT_TRUE(LoadSet("1011\t1100\tq2\r\n\t1\r\n"));
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::sendKeyEvent(QTest::Click, &form, Qt::Key(u'П'), QStringLiteral("п"), Qt::AltModifier);
    // Not QTRY_*: in a GoogleTest test it returns without failing it, skipping the rest.
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.SummaryLabel->text() == QStringLiteral("1 из 2 пройдено"); }, 20000));
    EXPECT_EQ(Cell(1, TTestSetModel::End), QStringLiteral("Пустое слово"));
    EXPECT_EQ(Cell(1, TTestSetModel::Verdict), QStringLiteral("не пройден"));
}

TEST_F(TestSetWindow, CancelStopsALongCheck) {
    machine = "endless_loop.qtm";
    config.History = false;
    ASSERT_TRUE(LoadSet("a\ta\r\n"));
    form.StepLimitEdit->setValue(form.StepLimitEdit->maximum());
    QTest::mouseClick(form.CheckButton, Qt::LeftButton);
    ASSERT_TRUE(form.CancelButton->isEnabled());
    QTest::mouseClick(form.CancelButton, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Checking(); }, 20000));
    EXPECT_EQ(form.SummaryLabel->text(), QStringLiteral("0 из 1 пройдено (проверка прервана)"));
    EXPECT_EQ(Cell(0, TTestSetModel::End), QString());
}

TEST_F(TestSetWindow, RowsTypedInTheTableAreSavedAsTheRunnerReadsThem) {
    ASSERT_TRUE(LoadSet("1\t10\r\n"));
    // The keys of Ins and Del are shortcuts, which need the window active.
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.TableView->setFocus();
    form.TableView->setCurrentIndex(form.Model().index(0, 0));
    QTest::keyClick(form.TableView, Qt::Key_Insert);
    ASSERT_EQ(form.Model().rowCount(), 2);
    // The new row's word is being edited.
    Type(QStringLiteral("11"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    // The closed editor goes at the next turn of the event loop.
    QCoreApplication::processEvents();
    const struct {
        int column;
        QString typed;
    } edits[] = {{TTestSetModel::Tape, QStringLiteral("100")},
                 {TTestSetModel::State, QStringLiteral("Q2")},
                 // A character the file could not hold is refused.
                 {TTestSetModel::Tape, QStringLiteral("\u4E2D")}};
    for (const auto& e : edits) {
        form.TableView->setCurrentIndex(form.Model().index(1, e.column));
        Type(e.typed);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(prompts.asterisks, 1);
    EXPECT_TRUE(form.windowTitle().endsWith(QStringLiteral("set.tests*")));
    QTest::mouseClick(form.SaveButton, Qt::LeftButton);
    EXPECT_EQ(Text(ReadAll(form.SetPath())), "1\t10\r\n11\t100\tQ2\r\n");
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Проверка на наборе слов - set.tests"));

    form.TableView->setFocus();
    form.TableView->setCurrentIndex(form.Model().index(0, 0));
    QTest::keyClick(form.TableView, Qt::Key_Delete);
    ASSERT_EQ(form.Model().rowCount(), 1);
    EXPECT_EQ(form.Model().Cases().first().word, QStringLiteral("11"));
}

TEST_F(TestSetWindow, MalformedLinesAreReportedByNumberAndSkipped) {
    prompts.Answer(TAnswer::Ok);
    ASSERT_TRUE(LoadSet("1\r\n1\t10\r\n1\t1\t2\t3\r\n"));
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].text, QStringLiteral("В файле ") + form.SetPath() +
                                         QStringLiteral(" пропущены строки:\nСтрока 1: нет ожидаемой ленты\n"
                                                        "Строка 3: больше трех полей"));
    EXPECT_EQ(form.Model().rowCount(), 1);
}

namespace {

class TestSetInMainWindow : public TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        form->Config().NormalLoad = false;
        form->Config().AutoFile = false;
        machinePath = dir.filePath(QStringLiteral("задача.qtm"));
        ASSERT_TRUE(WriteAll(machinePath, ReadAll(ExamplePath("binary_increment.qtm"))));
        ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("задача.tests")), IncrementSet));
        prompts.allowUnexpected = true;
        prompts.AnswerFile(machinePath);
        form->OpenFileItemClick();
        ASSERT_EQ(form->FileName(), machinePath);
        form->findChild<QAction*>(QStringLiteral("TestSetItem"))->trigger();
        testSet = form->findChild<TTestSetForm*>(QStringLiteral("TestSetForm"));
        ASSERT_NE(testSet, nullptr);
    }

    QString machinePath;
    TTestSetForm* testSet = nullptr;
};

} // namespace

TEST_F(TestSetInMainWindow, TheSetBesideTheMachineIsCheckedWhileTheMachineStaysAsItIs) {
    ASSERT_EQ(testSet->Model().rowCount(), 3);
    QAction* commandAdd = form->findChild<QAction*>(QStringLiteral("CommandAdd"));
    QWidget* wordEdit = form->findChild<QWidget*>(QStringLiteral("WordEdit"));
    ASSERT_TRUE(commandAdd->isEnabled());
    QTest::mouseClick(testSet->CheckButton, Qt::LeftButton);
    EXPECT_FALSE(commandAdd->isEnabled());
    EXPECT_FALSE(wordEdit->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !testSet->Checking(); }, 20000));
    EXPECT_TRUE(commandAdd->isEnabled());
    EXPECT_TRUE(wordEdit->isEnabled());
    EXPECT_EQ(testSet->SummaryLabel->text(), QStringLiteral("2 из 3 пройдено"));

    // A double-click takes the row's word into the machine.
    QTableView* table = testSet->TableView;
    const QRect cell = table->visualRect(testSet->Model().index(1, TTestSetModel::End));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseRelease(table->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(form->Machine().Word(), QStringLiteral("111"));

    // Leaving the program with the set changed asks first; Cancel keeps the program and the set.
    testSet->Model().RemoveCase(0);
    form->Config().Exit = false;
    prompts.boxes.clear();
    prompts.Answer(TAnswer::Cancel);
    EXPECT_FALSE(form->FormCloseQuery());
    EXPECT_EQ(prompts.boxes.value(0).text, QStringLiteral("Набор слов изменен.\nСохранить изменения?"));
    EXPECT_TRUE(testSet->Model().Modified());
    prompts.Answer(TAnswer::Yes);
    form->FormCloseQuery();
    EXPECT_EQ(Text(ReadAll(dir.filePath(QStringLiteral("задача.tests")))), "111\t1000\r\n1\t11\r\n");
}

TEST_F(TestSetInMainWindow, TheSetFollowsTheMachineThatIsOpened) {
    // Another machine with a set of its own: the changed set is saved first, then the other one is shown.
    const QString other = dir.filePath(QStringLiteral("другая.qtm"));
    ASSERT_TRUE(WriteAll(other, ReadAll(ExamplePath("inversion.qtm"))));
    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("другая.tests")), "10\t01\r\n"));
    testSet->Model().RemoveCase(0);
    prompts.boxes.clear();
    prompts.Answer(TAnswer::Yes);
    prompts.AnswerFile(other);
    form->OpenFileItemClick();
    ASSERT_EQ(form->FileName(), other);
    EXPECT_EQ(prompts.boxes.value(0).text, QStringLiteral("Набор слов изменен.\nСохранить изменения?"));
    EXPECT_EQ(Text(ReadAll(dir.filePath(QStringLiteral("задача.tests")))), "111\t1000\r\n1\t11\r\n");
    EXPECT_EQ(testSet->windowTitle(), QStringLiteral("Проверка на наборе слов - другая.tests"));
    EXPECT_EQ(testSet->Model().Cases(), (QList<TTestCase>{{QStringLiteral("10"), QStringLiteral("01"), {}, false}}));

    // A machine without a set empties it, and the window says why.
    const QString third = dir.filePath(QStringLiteral("третья.qtm"));
    ASSERT_TRUE(WriteAll(third, ReadAll(ExamplePath("inversion.qtm"))));
    prompts.AnswerFile(third);
    form->OpenFileItemClick();
    ASSERT_EQ(form->FileName(), third);
    EXPECT_EQ(testSet->Model().rowCount(), 0);
    EXPECT_EQ(testSet->SummaryLabel->text(), QStringLiteral("Для машины третья.qtm нет набора слов третья.tests"));
    EXPECT_EQ(testSet->windowTitle(), QStringLiteral("Проверка на наборе слов"));
}
