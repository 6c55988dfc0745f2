#include "cli/runnercli.h"
#include "filetestutil.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "settings/config.h"
#include "tasks/task.h"
#include "tasks/taskbook.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUrl>

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

// In UTF-8 or Windows-1251, keys in any letter case: the same task. A Windows-1251 text that happens to be
// UTF-8 bytes stays Windows-1251, a last line without its line break keeps its last letter, and a statement line
// in brackets is the statement's.
TEST(TaskBookTest, ATaskFileReadsAsWritten) {
    const QByteArray cp1251 = codepage::Encode(QString::fromUtf8(GoodTask));
    const struct {
        QByteArray bytes;
        const char* title;
        const char* statement;
    } cases[] = {
        {GoodTask, "Инверсия", "Замените 0 на 1.\n\nИ 1 на 0."},
        {cp1251, "Инверсия", "Замените 0 на 1.\n\nИ 1 на 0."},
        {QByteArray(GoodTask)
             .replace("Title", "title")
             .replace("Alphabet", "ALPHABET")
             .replace("Word", "word")
             .replace("MaxSteps", "maxsteps")
             .replace("DiesCount", "diescount")
             .replace("Difficulty", "difficulty")
             .replace("[Task]", "[task]")
             .replace("[Statement]", "[statement]"),
         "Инверсия", "Замените 0 на 1.\n\nИ 1 на 0."},
        {codepage::Encode(QString::fromUtf8(QByteArray(GoodTask).replace("Инверсия", "Р±"))), "Р±",
         "Замените 0 на 1.\n\nИ 1 на 0."},
        {codepage::Encode(QString::fromUtf8(QByteArray(GoodTask).replace("Инверсия", "ВЁ"))), "ВЁ",
         "Замените 0 на 1.\n\nИ 1 на 0."},
        {cp1251.left(cp1251.size() - 2) + codepage::Encode(QStringLiteral("Я")), "Инверсия",
         "Замените 0 на 1.\n\nИ 1 на 0.Я"},
        {QByteArray(GoodTask).replace("И 1 на 0.", "[0110] -> [1001]\r\n[1, 2, 3]\r\n[]"), "Инверсия",
         "Замените 0 на 1.\n\n[0110] -> [1001]\n[1, 2, 3]\n[]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statement);
        TTask task;
        TTaskFault fault;
        ASSERT_TRUE(ParseTask(c.bytes, task, fault)) << fault.Message().toStdString();
        EXPECT_EQ(task.title, QString::fromUtf8(c.title));
        EXPECT_EQ(task.alphabet, QStringLiteral("01"));
        EXPECT_EQ(task.word, QStringLiteral("0110"));
        EXPECT_EQ(task.diesCount, 1);
        EXPECT_EQ(task.maxSteps, 1000);
        EXPECT_EQ(task.difficulty, 1);
        EXPECT_EQ(task.timeLimit, 10);
        EXPECT_EQ(task.statement, QString::fromUtf8(c.statement));
    }
}

TEST(TaskBookTest, AMalformedTaskNamesItsFaultAndLine) {
    const struct {
        QByteArray from;
        QByteArray to;
        const char* message;
    } cases[] = {
        {"Word=0110", "Word=0120", "Строка 4: символ 2 слова не из алфавита"},
        {"DiesCount=1", "DiesCount=100", "Строка 5: DiesCount должен быть числом от 1 до 99"},
        {"MaxSteps=1000", "MaxSteps=много", "Строка 6: MaxSteps должен быть числом от 1 до 100000000"},
        // A looping machine would run for centuries on each word.
        {"MaxSteps=1000", "MaxSteps=9200000000000000000", "Строка 6: MaxSteps должен быть числом от 1 до 100000000"},
        {"MaxSteps=1000", "MaxSteps=100000001", "Строка 6: MaxSteps должен быть числом от 1 до 100000000"},
        {"Difficulty=1", "Difficulty=6", "Строка 7: Difficulty должна быть числом от 1 до 5"},
        {"Difficulty=1", "Difficulty=1\r\nTimeLimit=0", "Строка 8: TimeLimit должен быть числом секунд от 1 до 3600"},
        {"[Statement]\r\n", "", "Строка 9: нет знака =; условие задачи пишется после строки [Statement]"},
        {"[Statement]\r\nЗамените 0 на 1.\r\n\r\nИ 1 на 0.\r\n", "", "нет раздела [Statement] с условием задачи"},
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

// A status holds for the machine's content it was found for; any path round-trips, and the form written before
// statuses named their content is still read.
TEST(TaskBookTest, ProgressIsKeptInItsFileAndReadBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("config/tasks.ini"));
    for (const char* name : {"inversion.task", "a=b/x.task", "Ελληνικά/x.task", "қазақ 题/x.task"}) {
        SCOPED_TRACE(name);
        TTask task;
        task.path = dir.filePath(QString::fromUtf8(name));
        EXPECT_EQ(TTaskProgress(path).Status(task, "m"), TTaskStatus::NotStarted);
        ASSERT_TRUE(TTaskProgress(path).SetStatus(task, TTaskStatus::Failed, "m"));
        EXPECT_EQ(TTaskProgress(path).Status(task, "m"), TTaskStatus::Failed);
        ASSERT_TRUE(TTaskProgress(path).SetStatus(task, TTaskStatus::Solved, "m"));
        EXPECT_EQ(TaskStatusText(TTaskProgress(path).Status(task, "m")), QStringLiteral("решена"));
        EXPECT_EQ(TaskStatusText(TTaskProgress(path).Status(task, "m2")), QStringLiteral("изменена после проверки"));
        ASSERT_TRUE(TTaskProgress(path).SetLastBook(paths::FileDir(task.path)));
        EXPECT_EQ(TTaskProgress(path).LastBook(), paths::FileDir(task.path));
    }
    const QString sha1OfM = QStringLiteral("6b0d31c0d563223024da45691584643ac78c96e8");
    EXPECT_TRUE(Text(ReadAll(path))
                    .find(Text(dir.filePath(QStringLiteral("inversion.task=solved ")).toUtf8() + sha1OfM.toLatin1())) !=
                std::string::npos)
        << Text(ReadAll(path));
    EXPECT_TRUE(Text(ReadAll(path))
                    .find("utf8:" + Text(QUrl::toPercentEncoding(dir.filePath("a=b/x.task"), "/")) + "=solved ") !=
                std::string::npos);

    TTask old;
    old.path = dir.filePath(QStringLiteral("old.task"));
    ASSERT_TRUE(WriteAll(path, "[Progress]\r\n" + old.path.toUtf8() + "=solved\r\n"));
    EXPECT_EQ(TTaskProgress(path).Status(old, "any"), TTaskStatus::Solved);
}

// The check of one machine has a time limit of its own: a word that runs past it fails and says so, whatever the
// step limit.
TEST(TaskBookTest, AWordStopsAtTheTasksTimeLimit) {
    QTemporaryDir dir;
    TTask task;
    TTaskFault fault;
    ASSERT_TRUE(ParseTask(QByteArray(GoodTask).replace("MaxSteps=1000", "MaxSteps=100000000"), task, fault));
    task.path = dir.filePath(QStringLiteral("t.task"));
    ASSERT_TRUE(WriteAll(task.TestsPath(), "0\t1\r\n1\t0\r\n"));
    // Steps right and back for ever, where the loop check (off here) would have seen it.
    const QByteArray looping = "[ABCD] 01\r\n[WORD] 0\r\n[BEGS] q0\r\n[STAT] q0\r\n[STAT] q1\r\n"
                               "[COMM] q0                0 q1                0 " +
                               codepage::Encode(QStringLiteral("Вправо")) +
                               "\r\n[COMM] q1                # q0                # " +
                               codepage::Encode(QStringLiteral("Влево")) + "\r\n";
    TConfig config = Settings();
    config.History = false;
    qint64 now = 0;
    TTaskCheckControl control;
    // A second passes each time the check looks at the clock.
    control.clock = [&] { return now += 1000; };
    const TTaskGrade grade = CheckTaskMachine(task, QString(), looping, config, control);
    ASSERT_EQ(grade.results.size(), 2);
    EXPECT_TRUE(grade.timedOut[0]);
    EXPECT_EQ(grade.Reason(0), QStringLiteral("время проверки слова истекло"));
    EXPECT_LT(grade.results[0].steps, 100000000);
    EXPECT_FALSE(grade.timedOut[1]);
    EXPECT_EQ(grade.results[1].end, TRunEnd::Halt);
    EXPECT_EQ(grade.failed, 2);
    EXPECT_EQ(TaskCheckTerms(task),
              QStringLiteral("Лента может вырасти на 1 клетку за края слова; если машина дойдет до края ленты, слово "
                             "считается нерешенным. На каждое слово не больше 100000000 шагов и 10 с: машина, "
                             "которая не остановилась, слово не решила."));
}

TEST(TaskBookTest, ATaskWithAnEmptySetIsRefused) {
    QTemporaryDir dir;
    TTask task;
    TTaskFault fault;
    ASSERT_TRUE(ParseTask(GoodTask, task, fault));
    task.path = dir.filePath(QStringLiteral("t.task"));
    ASSERT_TRUE(WriteAll(task.TestsPath(), ""));
    const TTaskGrade grade = GradeTask(task, ReadAll(Here(QStringLiteral("inversion.qtm"))), Settings());
    EXPECT_EQ(grade.error, QStringLiteral("Набор слов задачи пуст: ") + task.TestsPath());
    EXPECT_TRUE(grade.results.isEmpty());
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

// qtm-run --task over machines that pass, fail, come from another simulator, are no machine or lack the words'
// symbols: each row says why, the exit status says the worst, and --json and --csv carry the machine's name.
class QtmRunTask : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(WriteAll(Path("inv.task"), GoodTask));
        ASSERT_TRUE(WriteAll(Path("inv.tests"), "0\t1\r\n01\t10\r\n"));
        const QByteArray head = "[ABCD] 01\r\n[WORD] 0110\r\n[BEGS] q0\r\n[STAT] q0\r\n";
        const QByteArray right = codepage::Encode(QStringLiteral("Вправо"));
        ASSERT_TRUE(WriteAll(Path("right.qtm"), head + "[COMM] q0                0 q0                1 " + right +
                                                    "\r\n[COMM] q0                1 q0                0 " + right +
                                                    "\r\n"));
        ASSERT_TRUE(WriteAll(Path("wrong.qtm"), head + "[COMM] q0                0 q0                1 " + right +
                                                    "\r\n[COMM] q0                1 q0                1 " + right +
                                                    "\r\n"));
        ASSERT_TRUE(WriteAll(Path("foreign.tm"), "init: q0\nq0,0\nq0,1,>\nq0,1\nq0,0,>\n"));
        ASSERT_TRUE(WriteAll(Path("junk.qtm"), "hello\r\n"));
        ASSERT_TRUE(WriteAll(Path("narrow.qtm"), QByteArray(head).replace("01\r\n[WORD] 0110", "0\r\n[WORD] 00") +
                                                     "[COMM] q0                0 q0                1 " + right +
                                                     "\r\n"));
    }
    QString Path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    int Run(QStringList arguments) {
        out.clear();
        err.clear();
        QTextStream o(&out);
        QTextStream e(&err);
        return RunBatch(QStringList{QStringLiteral("qtm-run"), QStringLiteral("--task"), Path("inv.task")} + arguments,
                        o, e);
    }
    QTemporaryDir dir;
    QString out;
    QString err;
};

TEST_F(QtmRunTask, EachRowSaysWhyAndTheStatusTheWorst) {
    const struct {
        const char* machine;
        int status;
        const char* out;
        const char* err;
    } cases[] = {
        {"right.qtm", 0,
         "верно\t0\tостанов\tшагов: 1\tлента: 1\nверно\t01\tостанов\tшагов: 2\tлента: 10\n2 passed, 0 failed\n", ""},
        {"wrong.qtm", 1,
         "верно\t0\tостанов\tшагов: 1\tлента: 1\nневерно\t01\tостанов\tшагов: 2\tлента: 11\tожидалось: 10\n1 passed, 1 "
         "failed\n",
         ""},
        {"foreign.tm", 0,
         "верно\t0\tостанов\tшагов: 1\tлента: 1\nверно\t01\tостанов\tшагов: 2\tлента: 10\n2 passed, 0 failed\n", ""},
        {"junk.qtm", 2,
         "неверно\t0\tне запущена: Символы '0', в алфавите не найдены; Не найдено ни одного состояния; Не найдено ни "
         "одной команды\tожидалось: 1\nневерно\t01\tне запущена: Символы '0', '1', в алфавите не найдены; Не найдено "
         "ни одного состояния; Не найдено ни одной команды\tожидалось: 10\n0 passed, 2 failed\n",
         "DIR/junk.qtm: Строка 1: Слишком короткая строка\n"},
        {"narrow.qtm", 2,
         "неверно\t0\tне запущена: Команда 0: Новый символ отсутсвует в алфавите\tожидалось: 1\nневерно\t01\tне "
         "запущена: Символы '1', в алфавите не найдены; Команда 0: Новый символ отсутсвует в алфавите\tожидалось: "
         "10\n0 passed, 2 failed\n",
         ""},
        {"missing.qtm", 2,
         "неверно\t0\tне запущена: Файл DIR/missing.qtm не найден\tожидалось: 1\nневерно\t01\tне запущена: Файл "
         "DIR/missing.qtm не найден\tожидалось: 10\n0 passed, 2 failed\n",
         "Файл DIR/missing.qtm не найден\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.machine);
        EXPECT_EQ(Run({Path(c.machine)}), c.status);
        EXPECT_EQ(out, Path(c.machine) + QLatin1Char('\n') + QString::fromUtf8(c.out).replace(u"DIR"_qs, dir.path()));
        EXPECT_EQ(err, QString::fromUtf8(c.err).replace(QStringLiteral("DIR"), dir.path()));
    }
}

TEST_F(QtmRunTask, JsonAndCsvNameTheMachineOnEveryRow) {
    EXPECT_EQ(
        Run({QStringLiteral("--json"), QStringLiteral("--csv"), Path("t.csv"), Path("right.qtm"), Path("wrong.qtm")}),
        1);
    const QString right = Path("right.qtm");
    const QString wrong = Path("wrong.qtm");
    EXPECT_EQ(
        out, uR"({"end":"halt","expected":"1","inner":"1","machine":"R","passed":true,"state":"q0","steps":1,"word":"0"}
{"end":"halt","expected":"10","inner":"10","machine":"R","passed":true,"state":"q0","steps":2,"word":"01"}
{"end":"halt","expected":"1","inner":"1","machine":"W","passed":true,"state":"q0","steps":1,"word":"0"}
{"end":"halt","expected":"10","inner":"11","machine":"W","passed":false,"state":"q0","steps":2,"word":"01"}
)"_qs.replace(u"\"R\""_qs, u'"' + right + u'"')
                 .replace(u"\"W\""_qs, u'"' + wrong + u'"'));
    EXPECT_EQ(ReadAll(Path("t.csv")),
              "\xEF\xBB\xBF" + QStringLiteral("Машина;Слово;Итог;Конец;Шагов;Лента;Ожидалось;Причина\r\n"
                                              "R;0;верно;останов;1;1;1;\r\n"
                                              "R;01;верно;останов;2;10;10;\r\n"
                                              "W;0;верно;останов;1;1;1;\r\n"
                                              "W;01;неверно;останов;2;11;10;\r\n")
                                   .replace(u"R;"_qs, right + u';')
                                   .replace(u"W;"_qs, wrong + u';')
                                   .toUtf8());
}

} // namespace
