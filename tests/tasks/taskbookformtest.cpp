#include "cli/runnercli.h"
#include "filetestutil.h"
#include "formfixture.h"
#include "machine/machine.h"
#include "scriptedprompts.h"
#include "settings/config.h"
#include "tasks/taskbookform.h"
#include "testset/testsetfile.h"
#include "testset/testsetmodel.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

QString Here(const QString& relative) {
    return QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().absoluteFilePath(relative);
}

// A book of two shipped tasks and a file that is no task, in a folder of its own.
QString MakeBook(const QTemporaryDir& dir) {
    const QString book = dir.filePath(QStringLiteral("book"));
    QDir().mkpath(book);
    for (const char* name : {"increment.task", "increment.tests", "palindrome.task", "palindrome.tests"})
        QFile::copy(Here(QStringLiteral("../../data/tasks/") + QLatin1String(name)),
                    book + QLatin1Char('/') + QLatin1String(name));
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

class TaskBookWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        book = MakeBook(dir);
    }

    std::unique_ptr<TTaskBookForm> Open() {
        auto form = std::make_unique<TTaskBookForm>(config, prompts, progress, work);
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

// "Решать" makes the student's machine; "Проверить" grades it as qtm-run --task does, the task's status follows
// the check, and a new window (a restart) finds the status again.
TEST_F(TaskBookWindow, AChecksStatusFollowsTheMachineAndSurvivesARestart) {
    auto form = Open();
    EXPECT_EQ(Rows(*form),
              (QStringList{u"Прибавление единицы к двоичному числу | не начата"_qs, u"Палиндром | не начата"_qs,
                           u"broken.task | ошибка: Строка 1: нет ключа Alphabet"_qs}));
    ASSERT_TRUE(form->SelectTask(QStringLiteral("increment")));
    QSignalSpy opened(form.get(), &TTaskBookForm::openMachine);
    QTest::mouseClick(form->SolveButton, Qt::LeftButton);
    const QString machine = work + QStringLiteral("/increment.qtm");
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0][0].toString(), machine);
    EXPECT_EQ(Text(ReadAll(machine)), Text("[ABCD] 01\r\n[WORD] 1011\r\n[BEGS] q0\r\n[STAT] q0\r\n"));

    const struct {
        const char* solution;
        const char* summary;
        const char* status;
        const char* counts;
    } checks[] = {
        {"increment.wrong.qtm", "6 из 11 пройдено", "есть ошибки", "6 passed, 5 failed"},
        {"increment.qtm", "11 из 11 пройдено", "решена", "11 passed, 0 failed"},
    };
    for (const auto& c : checks) {
        QFile::remove(machine);
        ASSERT_TRUE(QFile::copy(Here(QLatin1String(c.solution)), machine));
        QTest::mouseClick(form->CheckButton, Qt::LeftButton);
        EXPECT_EQ(form->SummaryLabel->text(), QString::fromUtf8(c.summary));
        EXPECT_EQ(form->TaskList->topLevelItem(0)->text(2), QString::fromUtf8(c.status));
        EXPECT_EQ(form->Results().rowCount(), 11);
        QString out;
        QString err;
        QTextStream o(&out);
        QTextStream e(&err);
        RunBatch(
            {QStringLiteral("qtm-run"), QStringLiteral("--task"), book + QStringLiteral("/increment.task"), machine}, o,
            e);
        EXPECT_TRUE(out.endsWith(QString::fromUtf8(c.counts) + QLatin1Char('\n'))) << out.toStdString();
    }
    EXPECT_TRUE(prompts.boxes.isEmpty());

    form.reset();
    EXPECT_EQ(Rows(*Open()),
              (QStringList{u"Прибавление единицы к двоичному числу | решена"_qs, u"Палиндром | не начата"_qs,
                           u"broken.task | ошибка: Строка 1: нет ключа Alphabet"_qs}));
}

TEST_F(TaskBookWindow, CheckingBeforeSolvingSaysWhatToDo) {
    auto form = Open();
    ASSERT_TRUE(form->SelectTask(QStringLiteral("palindrome")));
    prompts.Answer(TAnswer::Ok);
    QTest::mouseClick(form->CheckButton, Qt::LeftButton);
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].text, QStringLiteral("Машина для этой задачи еще не создана.\nНажмите «Решать»."));
    EXPECT_EQ(TTaskProgress(progress).Status(*form->CurrentTask()), TTaskStatus::NotStarted);
}

// From the Service menu: "Открыть задачник…" opens the folder of the chosen task file, and "Решать" opens the
// student's machine in the main window, which "Проверить" then grades with its unsaved edits.
class TaskBookMenu : public TFormFixture {};

TEST_F(TaskBookMenu, SolvingOpensTheMachineInTheMainWindow) {
    QTemporaryDir books;
    const QString book = MakeBook(books);
    qputenv("QTM_WORK_DIR", books.path().toUtf8());
    // The load report would open modally after the file is read.
    form->Config().NormalLoad = false;
    prompts.AnswerFile(book + QStringLiteral("/palindrome.task"));
    form->findChild<QAction*>(QStringLiteral("TaskBookOpenItem"))->trigger();
    auto* window = form->findChild<TTaskBookForm*>();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Book().dir, book);
    ASSERT_TRUE(window->SelectTask(QStringLiteral("palindrome")));
    QTest::mouseClick(window->SolveButton, Qt::LeftButton);
    qunsetenv("QTM_WORK_DIR");
    EXPECT_EQ(form->FileName(), books.path() + QStringLiteral("/задачи/palindrome.qtm"));
    EXPECT_EQ(form->Machine().Alphabet(), QStringLiteral("ab"));
    EXPECT_EQ(form->Machine().Word(), QStringLiteral("abba"));

    // Unsaved edits count: answering 1 on the first symbol passes the one-letter words only.
    form->Machine().SetAlphabetText(QStringLiteral("ab1"));
    ASSERT_TRUE(form->Machine().AddCommand(u"q0"_qs, u"a"_qs, u"q0"_qs, u"1"_qs, MoveStayText));
    ASSERT_TRUE(form->Machine().AddCommand(u"q0"_qs, u"b"_qs, u"q0"_qs, u"1"_qs, MoveStayText));
    QTest::mouseClick(window->CheckButton, Qt::LeftButton);
    // The shipped set grows as rows are added to it; its two one-letter words pass.
    QList<TTestLineError> errors;
    QString error;
    const auto rows = ReadTestSet(book + QStringLiteral("/palindrome.tests"), errors, error).size();
    EXPECT_EQ(window->SummaryLabel->text(), QStringLiteral("2 из %1 пройдено").arg(rows));
    EXPECT_EQ(window->TaskList->currentItem()->text(2), QStringLiteral("есть ошибки"));
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

} // namespace
