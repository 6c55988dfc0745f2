#include "cli/runnercli.h"
#include "filetestutil.h"
#include "settings/config.h"
#include "tasks/task.h"
#include "tasks/taskbook.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

QString Here(const QString& relative) {
    return QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().absoluteFilePath(relative);
}

const QString ShippedBook = Here(QStringLiteral("../../data/tasks"));

TConfig Settings() {
    TConfig config{QString()};
    config.settingsPath.clear();
    config.desktopPath.clear();
    return config;
}

const QByteArray GoodTask = "[Task]\r\nTitle=Инверсия\r\nAlphabet=01\r\nWord=0110\r\nDiesCount=1\r\nMaxSteps=1000\r\n"
                            "Difficulty=1\r\n\r\n[Statement]\r\nЗамените 0 на 1.\r\n\r\nИ 1 на 0.\r\n";

// Each shipped task's word set against its two right solutions (every word passes both) and, where there is one,
// against a plausible wrong solution (some word fails). TaskAdequacyTest checks the sets against every one-rule
// change of the solutions.
TEST(TaskBookTest, EveryShippedSetPassesBothSolutionsAndCatchesItsWrongOne) {
    const TTaskBook book = LoadTaskBook(ShippedBook);
    EXPECT_TRUE(book.badFiles.isEmpty()) << book.badFiles.value(0).Message().toStdString();
    ASSERT_GE(book.tasks.size(), 40);
    QStringList ids;
    for (const TTask& task : book.tasks) {
        SCOPED_TRACE(task.id.toStdString());
        ids.append(task.id);
        for (const QString& file : {task.id + QStringLiteral(".qtm"), task.id + QStringLiteral(".2.qtm")}) {
            const TTaskGrade right = GradeTask(task, ReadAll(Here(file)), Settings());
            ASSERT_TRUE(right.error.isEmpty()) << right.error.toStdString();
            EXPECT_GE(right.cases.size(), 10);
            EXPECT_EQ(right.failed, 0) << file.toStdString();
            EXPECT_EQ(right.passed, right.cases.size());
        }
        const QString wrongFile = Here(task.id + QStringLiteral(".wrong.qtm"));
        if (QFileInfo::exists(wrongFile)) {
            EXPECT_GT(GradeTask(task, ReadAll(wrongFile), Settings()).failed, 0);
        }
    }
    for (const char* id : {"inversion",      "increment",   "unary-add",  "unary-mul",
                           "binary-add",     "copy",        "sort",       "palindrome",
                           "anbn",           "parentheses", "binary-sub", "unary-compare",
                           "binary-compare", "unary-div",   "unary-mod",  "unary-gcd",
                           "count-binary",   "ww",          "wwr",        "brackets2",
                           "binary-to-unary"})
        EXPECT_TRUE(ids.contains(QLatin1String(id))) << id;
    // Five levels, each with several tasks.
    for (int level = 1; level <= 5; ++level)
        EXPECT_GE(std::count_if(book.tasks.begin(), book.tasks.end(),
                                [&](const TTask& task) { return task.difficulty == level; }),
                  5)
            << level;
}

TEST(TaskBookTest, ATaskFileReadsAsWritten) {
    TTask task;
    TTaskFault fault;
    ASSERT_TRUE(ParseTask(GoodTask, task, fault)) << fault.Message().toStdString();
    EXPECT_EQ(task.title, QStringLiteral("Инверсия"));
    EXPECT_EQ(task.alphabet, QStringLiteral("01"));
    EXPECT_EQ(task.word, QStringLiteral("0110"));
    EXPECT_EQ(task.diesCount, 1);
    EXPECT_EQ(task.maxSteps, 1000);
    EXPECT_EQ(task.difficulty, 1);
    EXPECT_EQ(task.statement, QStringLiteral("Замените 0 на 1.\n\nИ 1 на 0."));
}

TEST(TaskBookTest, AMalformedTaskNamesItsFaultAndLine) {
    const struct {
        QByteArray from;
        QByteArray to;
        const char* message;
    } cases[] = {
        {"Word=0110", "Word=0120", "Строка 4: символ 2 слова не из алфавита"},
        {"DiesCount=1", "DiesCount=100", "Строка 5: DiesCount должен быть числом от 1 до 99"},
        {"MaxSteps=1000", "MaxSteps=много", "Строка 6: MaxSteps должен быть положительным числом"},
        {"Difficulty=1\r\n", "", "Строка 1: нет ключа Difficulty"},
        {"Title=Инверсия", "Title Инверсия", "Строка 2: нет знака ="},
        {"Alphabet=01", "Alphabet=0#1", "Строка 3: в алфавите пустой символ"},
        {"[Statement]", "[Условие]", "Строка 9: неизвестный раздел [Условие]"},
        {"Замените 0 на 1.\r\n\r\nИ 1 на 0.\r\n", "", "Строка 9: нет условия задачи"},
        {"[Task]", "[Задача]", "Строка 1: неизвестный раздел [Задача]"},
    };
    for (const auto& c : cases) {
        TTask task;
        TTaskFault fault;
        QByteArray bytes = GoodTask;
        bytes.replace(c.from, c.to);
        EXPECT_FALSE(ParseTask(bytes, task, fault)) << c.message;
        EXPECT_EQ(fault.Message(), QString::fromUtf8(c.message));
    }
}

// A bad file is listed with its reason and line beside the good tasks; a task without its set is listed and says
// so when checked.
TEST(TaskBookTest, ABookListsItsBadFilesAndTasksWithoutSets) {
    QTemporaryDir dir;
    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("b.task")), GoodTask));
    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("a.task")), QByteArray(GoodTask).replace("Word=0110", "Word=")));
    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("c.task")), GoodTask));
    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("c.tests")), "0\t1\r\n"));
    const TTaskBook book = LoadTaskBook(dir.path());
    ASSERT_EQ(book.tasks.size(), 2);
    EXPECT_EQ(book.tasks[0].id, QStringLiteral("b"));
    EXPECT_EQ(book.tasks[1].id, QStringLiteral("c"));
    ASSERT_EQ(book.badFiles.size(), 1);
    EXPECT_EQ(book.badFiles[0].Message(), QStringLiteral("a.task: Строка 4: пустое слово"));
    const TTaskGrade grade = GradeTask(book.tasks[0], QByteArray(), Settings());
    EXPECT_EQ(grade.error, QStringLiteral("Нет набора слов задачи: ") + dir.filePath(QStringLiteral("b.tests")));
}

TEST(TaskBookTest, ProgressIsKeptInItsFileAndReadBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("config/tasks.ini"));
    TTask task;
    task.path = dir.filePath(QStringLiteral("inversion.task"));
    EXPECT_EQ(TTaskProgress(path).Status(task), TTaskStatus::NotStarted);
    ASSERT_TRUE(TTaskProgress(path).SetStatus(task, TTaskStatus::Failed));
    EXPECT_EQ(TTaskProgress(path).Status(task), TTaskStatus::Failed);
    ASSERT_TRUE(TTaskProgress(path).SetStatus(task, TTaskStatus::Solved));
    EXPECT_EQ(TaskStatusText(TTaskProgress(path).Status(task)), QStringLiteral("решена"));
    EXPECT_EQ(Text(ReadAll(path)), Text("[Progress]\r\n" + task.path.toUtf8() + "=solved\r\n"));
}

TEST(TaskBookTest, TheStudentsMachineHasTheTasksAlphabetAndWord) {
    QTemporaryDir dir;
    TTask task;
    TTaskFault fault;
    ASSERT_TRUE(ParseTask(GoodTask, task, fault));
    task.id = QStringLiteral("inversion");
    const QString path = StudentMachinePath(dir.filePath(QStringLiteral("задачи")), task);
    EXPECT_EQ(path, dir.filePath(QStringLiteral("задачи/inversion.qtm")));
    ASSERT_EQ(CreateStudentMachine(path, task), QString());
    EXPECT_EQ(Text(ReadAll(path)), Text("[ABCD] 01\r\n[WORD] 0110\r\n[BEGS] q0\r\n[STAT] q0\r\n"));
    // Never over a machine the student already has.
    EXPECT_NE(CreateStudentMachine(path, task), QString());
}

// The grading of a class: each machine's words and its own "N passed, M failed".
TEST(TaskBookTest, QtmRunGradesEachMachineOnTheTask) {
    QString out;
    QString err;
    QTextStream o(&out);
    QTextStream e(&err);
    const int status =
        RunBatch({QStringLiteral("qtm-run"), QStringLiteral("--task"), ShippedBook + QStringLiteral("/increment.task"),
                  Here(QStringLiteral("increment.qtm")), Here(QStringLiteral("increment.wrong.qtm"))},
                 o, e);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, QString());
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2 * (1 + 11 + 1));
    EXPECT_EQ(lines[0], Here(QStringLiteral("increment.qtm")));
    EXPECT_EQ(lines[1], QStringLiteral("верно\t0\tостанов\tшагов: 3\tлента: 1"));
    EXPECT_EQ(lines[12], QStringLiteral("11 passed, 0 failed"));
    EXPECT_EQ(lines[15], QStringLiteral("неверно\t1\tостанов\tшагов: 3\tлента: 0\tожидалось: 10"));
    EXPECT_EQ(lines[25], QStringLiteral("6 passed, 5 failed"));
}

} // namespace
