#include "cli/runnercli.h"
#include "filetestutil.h"
#include "formfixture.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "platform/codepage.h"
#include "scriptedprompts.h"
#include "settings/config.h"
#include "tasks/taskbookform.h"
#include "testset/testsetmodel.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

QByteArray Task(const char* title, const char* keys) {
    return codepage::Encode(QStringLiteral("[Task]\r\nTitle=") + QString::fromUtf8(title) +
                            QStringLiteral("\r\nAlphabet=01\r\nWord=0110\r\n") + QString::fromUtf8(keys) +
                            QStringLiteral("\r\n[Statement]\r\nЗамените 0 на 1 и 1 на 0.\r\n"));
}

QByteArray Machine(const char* zero, const char* one) {
    const QByteArray right = codepage::Encode(QStringLiteral("Вправо"));
    return QByteArray(
               "[ABCD] 01\r\n[WORD] 0110\r\n[BEGS] q0\r\n[STAT] q0\r\n[COMM] q0                0 q0                ") +
           zero + " " + right + "\r\n[COMM] q0                1 q0                " + one + " " + right + "\r\n";
}

const QByteArray Right = Machine("1", "0");
const QByteArray Wrong = Machine("1", "1");
// Steps right and back for ever.
const QByteArray Looping = "[ABCD] 01\r\n[WORD] 0\r\n[BEGS] q0\r\n[STAT] q0\r\n[STAT] q1\r\n"
                           "[COMM] q0                0 q1                0 " +
                           codepage::Encode(QStringLiteral("Вправо")) +
                           "\r\n[COMM] q1                # q0                # " +
                           codepage::Encode(QStringLiteral("Влево")) + "\r\n";

// A book of two tasks and a file that is no task, in a folder of its own.
QString MakeBook(const QString& book, const char* keys = "DiesCount=20\r\nMaxSteps=1000\r\nDifficulty=1") {
    QDir().mkpath(book);
    WriteAll(book + QStringLiteral("/inv.task"), Task("Инверсия", keys));
    WriteAll(book + QStringLiteral("/inv.tests"), "0\t1\r\n01\t10\r\n");
    WriteAll(book + QStringLiteral("/long.task"),
             Task("Долгая", "DiesCount=1\r\nMaxSteps=100000000\r\nDifficulty=3\r\nTimeLimit=3600"));
    WriteAll(book + QStringLiteral("/long.tests"), "0\t1\r\n1\t0\r\n");
    WriteAll(book + QStringLiteral("/broken.task"), "[Task]\r\nTitle=Сломанная\r\n");
    return book;
}

QStringList Rows(const TTaskBookForm& form) {
    QStringList rows;
    for (int i = 0; i < form.TaskList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = form.TaskList->topLevelItem(i);
        rows.append(item->text(0) + QStringLiteral(" | ") + item->text(2));
    }
    return rows;
}

// Clicks "Проверить" and waits for the worker to finish.
void CheckAndWait(TTaskBookForm& form) {
    QSignalSpy finished(&form, &TTaskBookForm::checkFinished);
    QTest::mouseClick(form.CheckButton, Qt::LeftButton);
    if (form.Checking()) {
        ASSERT_TRUE(finished.wait(60000));
    }
}

class TaskBookWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        book = MakeBook(dir.filePath(QStringLiteral("book")));
    }

    std::unique_ptr<TTaskBookForm> Open(const QString& shipped = QString()) {
        auto form = std::make_unique<TTaskBookForm>(config, prompts, progress, work, shipped);
        form->OpenLastBook();
        if (form->Book().dir.isEmpty())
            form->OpenBook(book);
        form->show();
        return form;
    }

    QTemporaryDir dir;
    QString book;
    QString progress = dir.filePath(QStringLiteral("config/tasks.ini"));
    QString work = dir.filePath(QStringLiteral("work"));
    TConfig config{dir.path()};
    TScriptedPrompts prompts;
};

// "Решать" makes the student's machine; "Проверить" grades the saved file on a worker, the task's status follows
// that file's content (a file changed since says so), and a new window (a restart) finds the status and the book.
TEST_F(TaskBookWindow, TheStatusFollowsTheCheckedFileAndSurvivesARestart) {
    auto form = Open();
    EXPECT_EQ(Rows(*form), (QStringList{u"Инверсия | не начата"_qs, u"Долгая | не начата"_qs,
                                        u"broken.task | ошибка: Строка 1: нет ключа Alphabet"_qs}));
    ASSERT_TRUE(form->SelectTask(QStringLiteral("inv")));
    QSignalSpy opened(form.get(), &TTaskBookForm::openMachine);
    QTest::mouseClick(form->SolveButton, Qt::LeftButton);
    const QString machine = work + QStringLiteral("/book/inv.qtm");
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0][0].toString(), machine);
    EXPECT_EQ(Text(ReadAll(machine)), Text("[ABCD] 01\r\n[WORD] 0110\r\n[BEGS] q0\r\n[STAT] q0\r\n"));

    const struct {
        QByteArray machine;
        const char* summary;
        const char* status;
    } checks[] = {
        {Wrong, "1 из 2 пройдено", "есть ошибки"},
        {Right, "2 из 2 пройдено", "решена"},
    };
    for (const auto& c : checks) {
        ASSERT_TRUE(WriteAll(machine, c.machine));
        CheckAndWait(*form);
        EXPECT_EQ(form->SummaryLabel->text(), QString::fromUtf8(c.summary));
        EXPECT_EQ(form->TaskList->topLevelItem(0)->text(2), QString::fromUtf8(c.status));
        EXPECT_EQ(form->Results().rowCount(), 2);
        EXPECT_EQ(form->ProgressBar->value(), 2);
    }
    EXPECT_TRUE(prompts.boxes.isEmpty());

    form.reset();
    TTaskBookForm again(config, prompts, progress, work);
    again.OpenLastBook();
    EXPECT_EQ(again.Book().dir, book);
    EXPECT_EQ(Rows(again).first(), u"Инверсия | решена"_qs);
    // Saved over without a check: the status was for other content.
    ASSERT_TRUE(WriteAll(machine, Wrong));
    EXPECT_EQ(Rows(*Open()).first(), u"Инверсия | изменена после проверки"_qs);
}

// A machine that never halts under a step limit of 10^8: the window stays live, Cancel ends the check, and the
// status stays what it was.
TEST_F(TaskBookWindow, ACheckGoesOnAWorkerAndCancelEndsIt) {
    config.History = false;
    auto form = Open();
    ASSERT_TRUE(form->SelectTask(QStringLiteral("long")));
    QDir().mkpath(work + QStringLiteral("/book"));
    ASSERT_TRUE(WriteAll(work + QStringLiteral("/book/long.qtm"), Looping));
    QSignalSpy finished(form.get(), &TTaskBookForm::checkFinished);
    QTest::mouseClick(form->CheckButton, Qt::LeftButton);
    EXPECT_TRUE(form->Checking());
    EXPECT_FALSE(form->CheckButton->isEnabled());
    EXPECT_FALSE(form->SolveButton->isEnabled());
    ASSERT_TRUE(form->CancelButton->isEnabled());
    QTest::mouseClick(form->CancelButton, Qt::LeftButton);
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_EQ(form->SummaryLabel->text(), QStringLiteral("0 из 2 пройдено (проверка прервана)"));
    EXPECT_EQ(form->TaskList->topLevelItem(1)->text(2), QStringLiteral("не начата"));
    EXPECT_TRUE(form->CheckButton->isEnabled());
    EXPECT_FALSE(form->CancelButton->isEnabled());
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

// A teacher's book with the shipped book's file names: its machines live apart from the shipped book's.
TEST_F(TaskBookWindow, TwoBooksWithTheSameTaskNamesKeepTheirMachinesApart) {
    const QString shipped = MakeBook(dir.filePath(QStringLiteral("shipped")));
    auto form = Open(shipped);
    QStringList paths;
    for (const QString& b : {shipped, book}) {
        form->OpenBook(b);
        ASSERT_TRUE(form->SelectTask(QStringLiteral("inv")));
        QSignalSpy opened(form.get(), &TTaskBookForm::openMachine);
        QTest::mouseClick(form->SolveButton, Qt::LeftButton);
        ASSERT_EQ(opened.size(), 1);
        paths.append(opened[0][0].toString());
    }
    EXPECT_EQ(paths, (QStringList{work + QStringLiteral("/inv.qtm"), work + QStringLiteral("/book/inv.qtm")}));
}

// What a screen reader gets: every control describes itself, the difficulty reads as words, the result table's
// cells as their text; and the table's headers are whole before the first check.
TEST_F(TaskBookWindow, AScreenReaderReadsEveryControlAndTheTables) {
    auto form = Open();
    const QWidget* controls[] = {form->TaskList,    form->StatementView, form->SummaryLabel,
                                 form->ResultView,  form->ProgressBar,   form->SolveButton,
                                 form->CheckButton, form->CancelButton,  form->OpenBookButton};
    for (const QWidget* w : controls) {
        EXPECT_FALSE(w->accessibleName().isEmpty() && qobject_cast<const QAbstractButton*>(w) == nullptr)
            << w->objectName().toStdString();
        EXPECT_FALSE(w->accessibleDescription().isEmpty()) << w->objectName().toStdString();
    }
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(form->TaskList);
    ASSERT_TRUE(list && list->tableInterface());
    EXPECT_EQ(list->tableInterface()->cellAt(1, 1)->text(QAccessible::Name), QStringLiteral("сложность 3 из 5"));
    const QHeaderView* header = form->ResultView->horizontalHeader();
    for (int c = 0; c + 1 < header->count(); ++c)
        EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c)) << c;

    ASSERT_TRUE(form->SelectTask(QStringLiteral("inv")));
    QDir().mkpath(work + QStringLiteral("/book"));
    ASSERT_TRUE(WriteAll(work + QStringLiteral("/book/inv.qtm"), Wrong));
    CheckAndWait(*form);
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(form->ResultView);
    ASSERT_TRUE(table && table->tableInterface());
    EXPECT_EQ(table->tableInterface()->cellAt(1, TTestSetModel::Word)->text(QAccessible::Name), QStringLiteral("01"));
    EXPECT_EQ(table->tableInterface()->cellAt(1, TTestSetModel::FinalTape)->text(QAccessible::Name),
              QStringLiteral("11"));
    // The terms of the check in plain words, not the key's name.
    EXPECT_TRUE(form->StatementView->toPlainText().contains(
        QStringLiteral("Лента может вырасти на 20 клеток за края слова; если машина дойдет до края ленты, слово "
                       "считается нерешенным.")));
    EXPECT_FALSE(form->StatementView->toPlainText().contains(QStringLiteral("DiesCount")));
}

// From the Service menu: "Открыть задачник…" opens the folder of the chosen task file, and "Решать" opens the
// student's machine in the main window, which then runs it with the task's DiesCount and step limit and says so;
// another machine gets the user's settings back. "Проверить" offers to save unsaved edits first.
class TaskBookMenu : public TFormFixture {
protected:
    TTaskBookForm* OpenBook(const QString& book) {
        qputenv("QTM_WORK_DIR", books.path().toUtf8());
        // The load report would open modally after the file is read.
        form->Config().NormalLoad = false;
        prompts.AnswerFile(book + QStringLiteral("/inv.task"));
        form->findChild<QAction*>(QStringLiteral("TaskBookOpenItem"))->trigger();
        auto* window = form->findChild<TTaskBookForm*>();
        EXPECT_NE(window, nullptr);
        return window;
    }
    void TearDown() override {
        qunsetenv("QTM_WORK_DIR");
        TFormFixture::TearDown();
    }
    QTemporaryDir books;
};

TEST_F(TaskBookMenu, TheTasksMachineRunsUnderTheTasksSettings) {
    const QString book = MakeBook(books.filePath(QStringLiteral("book")), "DiesCount=20\r\nMaxSteps=5\r\nDifficulty=1");
    form->Config().History = false;
    TTaskBookForm* window = OpenBook(book);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Book().dir, book);
    ASSERT_TRUE(window->SelectTask(QStringLiteral("inv")));
    const QString machine = books.path() + QStringLiteral("/задачи/book/inv.qtm");
    QDir().mkpath(QFileInfo(machine).path());
    ASSERT_TRUE(WriteAll(machine, Looping));
    QTest::mouseClick(window->SolveButton, Qt::LeftButton);
    EXPECT_EQ(form->FileName(), machine);
    EXPECT_EQ(form->Config().DiesCount, 20);
    EXPECT_EQ(form->Engine().StepLimit(), 5);
    auto* label = form->findChild<QLabel*>(QStringLiteral("TaskSettingsLabel"));
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->text(), QStringLiteral("Условия задачи: лента +20, до 5 шагов"));
    // The settings file keeps the user's own value.
    ASSERT_TRUE(form->Config().SaveSettings());
    EXPECT_TRUE(Text(ReadAll(form->Config().settingsPath)).find("DiesCount=1\r\n") != std::string::npos);

    prompts.Answer(TAnswer::Ok);
    QTest::keyClick(form.get(), Qt::Key_F9);
    for (int i = 0; i < 10 && prompts.boxes.isEmpty(); ++i)
        form->Engine().StepOnce();
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].text,
              QStringLiteral("Машина сделала 5 шагов и не остановилась: это предел шагов задачи"));
    EXPECT_EQ(form->Engine().LastStop().step, 5);

    form->findChild<QAction*>(QStringLiteral("NewFileItem"))->trigger();
    EXPECT_EQ(form->Config().DiesCount, 1);
    EXPECT_EQ(form->Engine().StepLimit(), 0);
    EXPECT_FALSE(label->isVisible());
}

TEST_F(TaskBookMenu, CheckingAskesToSaveUnsavedEditsFirst) {
    TTaskBookForm* window = OpenBook(MakeBook(books.filePath(QStringLiteral("book"))));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->SelectTask(QStringLiteral("inv")));
    QTest::mouseClick(window->SolveButton, Qt::LeftButton);
    ASSERT_TRUE(form->Machine().AddCommand(u"q0"_qs, u"0"_qs, u"q0"_qs, u"1"_qs, MoveRightText));
    ASSERT_TRUE(form->Machine().AddCommand(u"q0"_qs, u"1"_qs, u"q0"_qs, u"0"_qs, MoveRightText));
    QTest::keyClicks(form->findChild<QLineEdit*>(QStringLiteral("WordEdit")), QStringLiteral("1"));
    ASSERT_TRUE(form->Modified());
    // "Нет": the saved file, which has no commands yet, is what is checked.
    prompts.Answer(TAnswer::No);
    CheckAndWait(*window);
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].text,
              QStringLiteral("Машина изменена. Сохранить ее перед проверкой?\nПроверяется сохраненный файл inv.qtm"));
    EXPECT_EQ(window->TaskList->currentItem()->text(2), QStringLiteral("есть ошибки"));
    prompts.Answer(TAnswer::Yes);
    CheckAndWait(*window);
    EXPECT_FALSE(form->Modified());
    EXPECT_EQ(window->SummaryLabel->text(), QStringLiteral("2 из 2 пройдено"));
    EXPECT_EQ(window->TaskList->currentItem()->text(2), QStringLiteral("решена"));
}

} // namespace
