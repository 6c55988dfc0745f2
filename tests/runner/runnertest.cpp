#include "filetestutil.h"
#include "platform/codepage.h"
#include "platform/fileio.h"
#include "platform/usage.h"
#include "printers.h"
#include "runner/batchrun.h"
#include "cli/runnercli.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Example(const char* name) {
    return QFileInfo(QString::fromUtf8(__FILE__))
        .absoluteDir()
        .absoluteFilePath(QStringLiteral("../../examples/") + QString::fromLatin1(name));
}

struct TCli {
    int status = 0;
    QString out;
    QString err;
};

TCli Cli(QStringList args) {
    TCli r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    args.prepend(QStringLiteral("qtm-run"));
    r.status = RunBatch(args, out, err);
    return r;
}

void WriteFile(const QString& path, const QString& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(codepage::Encode(text));
}

struct TExampleCase {
    const char* file;
    QString word;
    int dies;
    TRunEnd end;
    QString inner;
    QString state;
};

} // namespace

TEST(BatchRunner, EveryExampleEndsAsExpected) {
    const TExampleCase cases[] = {
        {"inversion.qtm", QString(), 1, TRunEnd::Halt, QStringLiteral("1001"), QStringLiteral("q1")},
        {"binary_increment.qtm", QString(), 1, TRunEnd::Halt, QStringLiteral("1100"), QStringLiteral("q2")},
        {"binary_increment.qtm", QStringLiteral("111"), 1, TRunEnd::Halt, QStringLiteral("1000"), QStringLiteral("q2")},
        {"unary_addition.qtm", QString(), 1, TRunEnd::Halt, QStringLiteral("11111"), QStringLiteral("q3")},
        {"unary_copy.qtm", QString(), 1, TRunEnd::Halt, QStringLiteral("111*111"), QStringLiteral("q4")},
        {"unary_copy.qtm", QStringLiteral("111*.."), 1, TRunEnd::Halt, QStringLiteral("aaa*11"), QStringLiteral("q1")},
        {"palindrome.qtm", QStringLiteral("abba"), 2, TRunEnd::Halt, QString(), QStringLiteral("да")},
        {"palindrome.qtm", QStringLiteral("ab"), 2, TRunEnd::Halt, QStringLiteral("b"), QStringLiteral("нет")},
        {"endless_loop.qtm", QString(), 1, TRunEnd::Loop, QStringLiteral("a"), QStringLiteral("q1")},
    };
    for (const TExampleCase& c : cases) {
        SCOPED_TRACE(c.file + std::string(" ") + c.word.toStdString());
        TConfig config{QString()};
        config.SetDiesCount(c.dies);
        TBatchRunner runner(config);
        QStringList warnings;
        QString error;
        ASSERT_TRUE(runner.Load(Example(c.file), warnings, error)) << error.toStdString();
        EXPECT_TRUE(warnings.isEmpty());
        const TRunResult r = runner.Run(c.word.isEmpty() ? runner.FileWord() : c.word, 2000);
        EXPECT_EQ(r.end, c.end);
        EXPECT_EQ(r.InnerTape(), c.inner);
        if (!c.state.isEmpty()) {
            EXPECT_EQ(r.state, c.state);
        }
        // The runner can be used again: the next word starts afresh.
        const TRunResult again = runner.Run(c.word.isEmpty() ? runner.FileWord() : c.word, 2000);
        EXPECT_EQ(again.tape, r.tape);
        EXPECT_EQ(again.steps, r.steps);
    }
}

TEST(BatchRunner, LeftBorderAndRefusedWords) {
    TConfig config{QString()};
    TBatchRunner runner(config);
    QStringList warnings;
    QString error;
    ASSERT_TRUE(runner.Load(Example("binary_increment.qtm"), warnings, error));
    // With one cell of room the carry of 111 fits; the runner reports the step and state of the stop.
    TRunResult r = runner.Run(QStringLiteral("111"), 100);
    EXPECT_EQ(r.end, TRunEnd::Halt);
    EXPECT_GT(r.steps, 0);
    // A word with a symbol outside the alphabet is refused by the data check, and so is the empty word.
    r = runner.Run(QStringLiteral("12"), 100);
    EXPECT_EQ(r.end, TRunEnd::Refused);
    EXPECT_FALSE(r.faults.isEmpty());
    EXPECT_TRUE(r.faults.join(QLatin1Char('\n')).contains(QStringLiteral("'2'")));
    r = runner.Run(QString(), 100);
    EXPECT_EQ(r.end, TRunEnd::Refused);
    r = runner.Run(QStringLiteral("1#1"), 100);
    EXPECT_EQ(r.end, TRunEnd::Refused);
}

TEST(BatchRunner, LoopOnALongTapeIsFoundAtItsStepWithAndWithoutRows) {
    // Out from the first symbol to the c 1001 cells on and back over a word of 70,001 symbols: the
    // configuration of step 1 comes back at step 2003, whether the log keeps its rows (as for --report and
    // in the window) or only its hashes.
    TConfig config{QString()};
    config.SetMaxCount(9999);
    const QString word = QLatin1Char('b') + QString(1000, u'a') + QLatin1Char('c') + QString(68999, u'a');
    for (const bool rows : {true, false}) {
        TBatchRunner runner(config);
        runner.KeepRows(rows);
        TMachine& m = runner.Machine();
        m.SetAlphabetText(QStringLiteral("abc"));
        m.SetInitialState(QStringLiteral("r"));
        m.AddState(QStringLiteral("l"));
        for (const char* c : {"rbrbR", "raraR", "rclcL", "lalaL", "lbrbR"})
            m.AddCommand(QString(QLatin1Char(c[0])), QString(QLatin1Char(c[1])), QString(QLatin1Char(c[2])),
                         QString(QLatin1Char(c[3])), c[4] == 'R' ? MoveRightText : MoveLeftText);
        const TRunResult r = runner.Run(word, 100000);
        EXPECT_EQ(r.end, TRunEnd::Loop) << rows;
        EXPECT_EQ(r.steps, 2003) << rows;
        EXPECT_EQ(r.loopStep, 1) << rows;
        EXPECT_EQ(runner.Log().RowCount(), rows ? 2003 : 0);
    }
}

TEST(BatchRunnerCli, LinesStatusesAndJson) {
    TCli r = Cli({Example("inversion.qtm")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QStringLiteral("0110\tостанов\tшагов: 5\tсостояние: q1\tсимвол: 1\tлента: 1001\n"));

    r = Cli({Example("endless_loop.qtm"), QStringLiteral("--max-steps"), QStringLiteral("50"),
             QStringLiteral("--no-loop-check")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.contains(QStringLiteral("предел шагов\tшагов: 50")));

    r = Cli({Example("unary_copy.qtm"), QStringLiteral("--word"), QStringLiteral("11*.."), QStringLiteral("--dies"),
             QStringLiteral("1"), QStringLiteral("--json")});
    EXPECT_EQ(r.status, 0);
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(o.value(QStringLiteral("end")).toString(), QStringLiteral("halt"));
    EXPECT_EQ(o.value(QStringLiteral("inner")).toString(), QStringLiteral("11*11"));
    EXPECT_EQ(o.value(QStringLiteral("tape")).toString(), QStringLiteral("#11*11#"));

    r = Cli({QStringLiteral("/nonexistent/m.qtm")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("не найден")));
    r = Cli({Example("inversion.qtm"), QStringLiteral("--max-steps"), QStringLiteral("many")});
    EXPECT_EQ(r.status, 2);
}

TEST(BatchRunnerCli, FaultyMachineIsNotRun) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bad.qtm"));
    WriteFile(file, QStringLiteral("[ABCD] ab\r\n[WORD] ab\r\n[BEGS] q0\r\n[STAT] q0\r\n"));
    const TCli r = Cli({file});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains(QStringLiteral("Машина не запущена")));
}

TEST(BatchRunnerCli, ExpectationsAndWordFiles) {
    QTemporaryDir dir;
    const QString expect = dir.filePath(QStringLiteral("expect.txt"));
    WriteFile(expect, QStringLiteral("1011\t1100\tq2\r\n111\t1000\r\n1\t11\r\n"));
    TCli r = Cli({Example("binary_increment.qtm"), QStringLiteral("--expect"), expect});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("2 passed, 1 failed\n")));
    EXPECT_EQ(r.out.count(QStringLiteral("неверно")), 1);

    WriteFile(expect, QStringLiteral("abba\t\tда\nab\tb\tнет\n"));
    r = Cli(
        {Example("palindrome.qtm"), QStringLiteral("--expect"), expect, QStringLiteral("--dies"), QStringLiteral("2")});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("2 passed, 0 failed\n")));

    const QString words = dir.filePath(QStringLiteral("words.txt"));
    WriteFile(words, QStringLiteral("0\n01\n"));
    r = Cli({Example("inversion.qtm"), QStringLiteral("--words"), words});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.count(QLatin1Char('\n')), 2);
    EXPECT_TRUE(r.out.contains(QStringLiteral("лента: 10\n")));
}

// A teacher opening the examples with the program's defaults sees each one finish, except the one that is
// there to show an endless loop.
TEST(BatchRunner, EveryExampleHaltsWithDefaultSettings) {
    const QDir examples(QFileInfo(Example("inversion.qtm")).absolutePath());
    const QStringList files = examples.entryList({QStringLiteral("*.qtm")}, QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 6);
    for (const QString& file : files) {
        if (file == QStringLiteral("endless_loop.qtm"))
            continue;
        SCOPED_TRACE(file.toStdString());
        const TCli r = Cli({examples.absoluteFilePath(file)});
        EXPECT_EQ(r.status, 0) << r.out.toStdString() << r.err.toStdString();
    }
}

TEST(BatchRunnerCli, LoopCheckFollowsTheSettings) {
    QTemporaryDir dir;
    const QString noHistory = dir.filePath(QStringLiteral("nohistory.ini"));
    const QString noLog = dir.filePath(QStringLiteral("nolog.ini"));
    const QString short2 = dir.filePath(QStringLiteral("short.ini"));
    WriteFile(noHistory, QStringLiteral("[Run]\r\nHistory=0\r\n"));
    WriteFile(noLog, QStringLiteral("[Log]\r\nViewLog=0\r\n"));
    // One row held: step 1 has gone by the time its configuration comes back at step 3.
    WriteFile(short2, QStringLiteral("[Log]\r\nMaxCount=1\r\n"));
    const QString loop = QStringLiteral("a\tзацикливание (шаг 1)\tшагов: 3\tсостояние: q1\tсимвол: #\tлента: a\n");
    const QString limit = QStringLiteral("a\tпредел шагов\tшагов: 20\tсостояние: q0\tсимвол: a\tлента: a\n");
    const struct {
        QStringList args;
        QString out;
    } cases[] = {
        {{}, loop},
        {{QStringLiteral("--no-loop-check")}, limit},
        {{QStringLiteral("--config"), noHistory}, limit},
        {{QStringLiteral("--config"), noLog}, limit},
        {{QStringLiteral("--config"), short2}, limit},
    };
    for (const auto& c : cases) {
        const TCli r =
            Cli(QStringList{Example("endless_loop.qtm"), QStringLiteral("--max-steps"), QStringLiteral("20")} + c.args);
        EXPECT_EQ(r.status, 1) << c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(r.out, c.out) << c.args.join(QLatin1Char(' ')).toStdString();
    }
    const TCli json = Cli({Example("endless_loop.qtm"), QStringLiteral("--json")});
    const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(o.value(QStringLiteral("end")).toString(), QStringLiteral("loop"));
    EXPECT_EQ(o.value(QStringLiteral("steps")).toInt(), 3);
    EXPECT_EQ(o.value(QStringLiteral("loopStep")).toInt(), 1);
}

TEST(BatchRunnerCli, ReportAndHelp) {
    QTemporaryDir dir;
    const QString report = dir.filePath(QStringLiteral("Отчет 1.log"));
    TCli r = Cli({Example("inversion.qtm"), QStringLiteral("--report"), report});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Text(ReadAll(report)), Text(codepage::Encode(QStringLiteral(
                                         "N         Исх. сост.        С  N симв. Слово      След. команда\r\n"
                                         "0         q0                0  0       # 0110 #   q0(0)->q0(1)-Вправо\r\n"
                                         "1         q0                1  1       # 1110 #   q0(1)->q0(0)-Вправо\r\n"
                                         "2         q0                1  2       # 1010 #   q0(1)->q0(0)-Вправо\r\n"
                                         "3         q0                0  3       # 1000 #   q0(0)->q0(1)-Вправо\r\n"
                                         "4         q0                #  4       # 1001 #   q0(#)->q1(#)-Влево\r\n"))));
    // Again under the same name: the first report becomes the backup.
    r = Cli(
        {Example("inversion.qtm"), QStringLiteral("--word"), QStringLiteral("1"), QStringLiteral("--report"), report});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(ReadAll(dir.filePath(QStringLiteral("Отчет 1.bak"))).contains("# 0110 #"));
    EXPECT_TRUE(ReadAll(report).contains("# 0 #"));

    r = Cli({Example("inversion.qtm"), QStringLiteral("--word"), QStringLiteral("0"), QStringLiteral("--word"),
             QStringLiteral("1"), QStringLiteral("--report"), report});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, QStringLiteral("Параметр --report допускает только одно слово\n"));
    const QString underFile = dir.filePath(QStringLiteral("Отчет 1.bak/r.log"));
    r = Cli({Example("inversion.qtm"), QStringLiteral("--report"), underFile});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, QStringLiteral("Сохранение файла: Ошибка создания пути к файлу ") + underFile + QLatin1Char('\n'));

    // No command for the first configuration: the log stays empty, and the runner says no report was written.
    const QString halts = dir.filePath(QStringLiteral("halts.qtm"));
    WriteFile(halts, QStringLiteral("[ABCD] 01\r\n[WORD] 1\r\n[BEGS] q0\r\n[STAT] q0\r\n[STAT] q1\r\n"
                                    "[COMM] q0                0 q1                1 Вправо\r\n"));
    const QString none = dir.filePath(QStringLiteral("none.log"));
    r = Cli({halts, QStringLiteral("--report"), none});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, QStringLiteral("Журнал пуст: отчет ") + none + QStringLiteral(" не записан\n"));
    EXPECT_FALSE(QFileInfo::exists(none));

    r = Cli({QStringLiteral("--help")});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("--no-loop-check")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("--report <OUT.log>")));
}

TEST(BatchRunnerCli, GnuManners) {
    TCli r = Cli({QStringLiteral("--version")});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("qtm-run " QTM_VERSION "\nCopyright (C) 2026 Qtm developers\n"
                                                "Лицензия MIT (Expat)")))
        << r.out.toStdString();

    r = Cli({QStringLiteral("--help")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, QString());
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("\nКод возврата:\n"
                                              "  0  все прогоны завершились нормальным остановом (и все ожидания "
                                              "сбылись)\n"
                                              "  1  иначе (в том числе зацикливание и предел шагов)\n"
                                              "  2  непригодные входные данные или неверный параметр\n") +
                               usage::BugReportLine()))
        << r.out.toStdString();

    // A wrong option or a missing file: the usage on stderr, status 2, nothing on stdout.
    const QString tryHelp = QStringLiteral("Попробуйте «qtm-run --help» для получения более подробного описания.\n");
    for (const QStringList& args : {QStringList{QStringLiteral("--bogus"), Example("inversion.qtm")}, QStringList{}}) {
        r = Cli(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, QString());
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("qtm-run: "))) << r.err.toStdString();
        EXPECT_TRUE(r.err.endsWith(QStringLiteral("FILE.qtm|DIR...\n") + tryHelp)) << r.err.toStdString();
    }

    // A short run on a terminal shows no progress line.
    QString out, err;
    QTextStream o(&out), e(&err);
    EXPECT_EQ(RunBatch({QStringLiteral("qtm-run"), Example("inversion.qtm")}, o, e, true), 0);
    EXPECT_EQ(err, QString());
}

TEST(RunnerCli, RunsADirectoryInParallelAndPrintsInOrder) {
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(Example("inversion.qtm"), dir.filePath(QStringLiteral("b.qtm"))));
    ASSERT_TRUE(QFile::copy(Example("inversion.qtm"), dir.filePath(QStringLiteral("a.qtm"))));
    WriteFile(dir.filePath(QStringLiteral("notes.txt")), QStringLiteral("not a machine"));
    // A step limit past 2^31 is taken as it is.
    const TCli r = Cli({dir.path(), QStringLiteral("--jobs"), QStringLiteral("3"), QStringLiteral("--word"),
                        QStringLiteral("0110"), QStringLiteral("--word"), QStringLiteral("1"),
                        QStringLiteral("--max-steps"), QStringLiteral("5000000000")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    const QString a = dir.filePath(QStringLiteral("a.qtm"));
    const QString b = dir.filePath(QStringLiteral("b.qtm"));
    EXPECT_EQ(lines[0], a + QStringLiteral("\t0110\tостанов\tшагов: 5\tсостояние: q1\tсимвол: 1\tлента: 1001"));
    EXPECT_TRUE(lines[1].startsWith(a + QStringLiteral("\t1\t")));
    EXPECT_EQ(lines[2], b + QStringLiteral("\t0110\tостанов\tшагов: 5\tсостояние: q1\tсимвол: 1\tлента: 1001"));
    EXPECT_TRUE(lines[3].startsWith(b + QStringLiteral("\t1\t")));

    EXPECT_EQ(Cli({dir.path(), QStringLiteral("--jobs"), QStringLiteral("0")}).err,
              QStringLiteral("Неверное число заданий: 0\n"));
}

// Input that is no machine file, or a machine no person writes, is refused at once with a line on the
// terminal; doubtful options are taken with a word, not silently.
TEST(BatchRunnerCli, HostileInputAndDoubtfulOptions) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo.qtm"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString big = dir.filePath(QStringLiteral("big.qtm"));
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(16 * 1024 * 1024 + 1));
    }
    const struct {
        QString file;
        QString err;
    } refused[] = {
        {QStringLiteral("/dev/zero"), QStringLiteral("Не обычный файл: /dev/zero\n")},
        {fifo, QStringLiteral("Не обычный файл: ") + fifo + u'\n'},
        {big, QStringLiteral("Файл ") + big + QStringLiteral(" слишком большой (больше 16 МБ)\n")},
    };
    for (const auto& c : refused) {
        const TCli r = Cli({c.file});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, c.err);
    }
    const TCli words = Cli({Example("inversion.qtm"), QStringLiteral("--words"), fifo});
    EXPECT_EQ(words.status, 2);
    EXPECT_EQ(words.err, QStringLiteral("Не удалось прочитать файл ") + fifo + u'\n');

    const QString garbage = dir.filePath(QStringLiteral("garbage.ini"));
    WriteFile(garbage, QStringLiteral("\x7f"
                                      "ELF binary\nnot settings\n; a comment\n\nx=1\n"));
    TCli r = Cli({Example("inversion.qtm"), QStringLiteral("--config"), garbage, QStringLiteral("--dies"),
                  QStringLiteral("100")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, QStringLiteral("Предупреждение: в файле настроек ") + garbage +
                         QStringLiteral(" не распознано строк: 2\n"
                                        "Предупреждение: в файле настроек ") +
                         garbage +
                         QStringLiteral(" нет ни одного раздела настроек, взяты значения по умолчанию\n"
                                        "Предупреждение: --dies 100 больше 99, взято 99\n"));
}

// Machines of the rule-per-line format: a "#" in the words is the other simulator's symbol only where the
// rules use it; the empty word asked for runs on blanks.
TEST(BatchRunnerCli, ForeignWordsTapesAndTheEmptyWord) {
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain.tm"));
    WriteFile(plain, QStringLiteral("0 1 1 r 0\n0 0 0 r 0\n0 _ _ * halt\n"));
    const QString hash = dir.filePath(QStringLiteral("hash.tm"));
    WriteFile(hash, QStringLiteral("0 1 # r 0\n0 _ _ * halt\n"));
    const QString beaver = dir.filePath(QStringLiteral("beaver.tm"));
    WriteFile(beaver, QStringLiteral("0 _ 1 r 1\n1 _ 1 l halt\n"));
    const QString blankOnly = dir.filePath(QStringLiteral("blank.tm"));
    WriteFile(blankOnly, QStringLiteral("0 _ _ r 1\n1 _ _ l halt\n"));
    const QString expect = dir.filePath(QStringLiteral("expect.txt"));
    WriteFile(expect, QStringLiteral("11\t##\r\n1\t#\thalt\r\n"));
    const QString beaverExpect = dir.filePath(QStringLiteral("beaver.txt"));
    WriteFile(beaverExpect, QStringLiteral("\t11\thalt\r\n"));
    const QString words = dir.filePath(QStringLiteral("words.txt"));
    WriteFile(words, QStringLiteral("\n"));
    const struct {
        QStringList args;
        int status;
        QString out;
        QString err;
    } rows[] = {
        {{plain, QStringLiteral("--word"), QStringLiteral("110#11")},
         2,
         QString(),
         QStringLiteral("Машина не запущена на слове 110#11:\n  Слово '110#11' не может быть записано на ленту\n")},
        {{hash, QStringLiteral("--expect"), expect},
         0,
         QStringLiteral("верно\t11\tостанов\tшагов: 3\tсостояние: halt\tсимвол: #\tлента: №№\n"
                        "верно\t1\tостанов\tшагов: 2\tсостояние: halt\tсимвол: #\tлента: №\n"
                        "2 passed, 0 failed\n"),
         QStringLiteral("Предупреждение: символ '#' заменен на '№'\n")},
        {{beaver, QStringLiteral("--word"), QString()},
         0,
         QStringLiteral("(пустое слово)\tостанов\tшагов: 2\tсостояние: halt\tсимвол: 1\tлента: 11\n"),
         QString()},
        {{beaver, QStringLiteral("--words"), words},
         0,
         QStringLiteral("(пустое слово)\tостанов\tшагов: 2\tсостояние: halt\tсимвол: 1\tлента: 11\n"),
         QString()},
        {{beaver, QStringLiteral("--expect"), beaverExpect},
         0,
         QStringLiteral("верно\t(пустое слово)\tостанов\tшагов: 2\tсостояние: halt\tсимвол: 1\tлента: 11\n"
                        "1 passed, 0 failed\n"),
         QString()},
        // Commands that read and write only the blank: an empty alphabet keeps no machine from running on blanks.
        {{blankOnly, QStringLiteral("--word"), QString()},
         0,
         QStringLiteral("(пустое слово)\tостанов\tшагов: 2\tсостояние: halt\tсимвол: #\tлента: \n"),
         QString()},
        // The file's own empty word is refused as the window refuses it.
        {{beaver}, 2, QString(), QStringLiteral("Машина не запущена на слове (пустое слово):\n  Пустое слово\n")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args.join(u' ').toStdString());
        const TCli r = Cli(row.args);
        EXPECT_EQ(r.out, row.out);
        EXPECT_EQ(r.err, row.err);
        EXPECT_EQ(r.status, row.status);
    }
}

// The empty word is a word of one blank cell: the tape grows as far to the right as a one-letter word's, and
// what the machine writes at its right end is on the tape shown.
TEST(BatchRunnerCli, TheEmptyWordRunsAsAWordOfOneBlankCell) {
    QTemporaryDir dir;
    const QString right = dir.filePath(QStringLiteral("right.tm"));
    WriteFile(right, QStringLiteral("0 _ 1 r 0\n0 a 1 r 0\n"));
    const QString blank = dir.filePath(QStringLiteral("blank.tm"));
    WriteFile(blank, QStringLiteral("0 _ _ r 0\n0 a _ r 0\n"));
    const struct {
        QString file;
        QString word;
        QString out;
        // Every cell, the blanks at the ends included.
        QString tape;
    } rows[] = {
        {right, QString(),
         QStringLiteral("(пустое слово)\tправая граница\tшагов: 2\tсостояние: 0\tсимвол: #\tлента: 11\n"),
         QStringLiteral("#11#")},
        {right, QStringLiteral("a"),
         QStringLiteral("a\tправая граница\tшагов: 2\tсостояние: 0\tсимвол: #\tлента: 11\n"), QStringLiteral("#11#")},
        {blank, QString(),
         QStringLiteral("(пустое слово)\tправая граница\tшагов: 2\tсостояние: 0\tсимвол: #\tлента: \n"),
         QStringLiteral("####")},
        {blank, QStringLiteral("a"), QStringLiteral("a\tправая граница\tшагов: 2\tсостояние: 0\tсимвол: #\tлента: \n"),
         QStringLiteral("####")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(QFileInfo(row.file).fileName().toStdString() + " '" + row.word.toStdString() + "'");
        const QStringList args{row.file, QStringLiteral("--word"), row.word, QStringLiteral("--dies"),
                               QStringLiteral("2")};
        const TCli r = Cli(args);
        EXPECT_EQ(r.out, row.out);
        EXPECT_EQ(r.status, 1);
        const TCli json = Cli(args + QStringList{QStringLiteral("--json")});
        EXPECT_EQ(QJsonDocument::fromJson(json.out.toUtf8()).object().value(QStringLiteral("tape")).toString(),
                  row.tape);
    }
}

// Every output given a FIFO writes into it what it writes into a file, and leaves the FIFO; a socket is refused
// with the reason, and "-" is standard output.
TEST(BatchRunnerCli, EveryOutputWritesIntoAFifoWhatItWritesIntoAFile) {
    QTemporaryDir dir;
    const QString inversion = Example("inversion.qtm");
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const struct {
        const char* name;
        QStringList args;
    } rows[] = {
        {"csv", {inversion, "--cost", "--max-length", "2", "--csv"}},
        {"spacetime", {Example("palindrome.qtm"), "--word", "abba", "--spacetime"}},
        {"report", {inversion, "--word", "01", "--report"}},
        {"html", {inversion, "--html"}},
        {"diagram", {inversion, "--diagram"}},
        {"export", {inversion, "--export", "lines"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString file = dir.filePath(QString::fromLatin1(row.name));
        const TCli toFile = Cli(row.args + QStringList{file});
        ASSERT_EQ(toFile.status, 0) << toFile.err.toStdString();
        const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(reader, 0);
        const TCli toFifo = Cli(row.args + QStringList{fifo});
        QByteArray got;
        char buffer[4096];
        for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;)
            got.append(buffer, qsizetype(n));
        ::close(reader);
        EXPECT_EQ(toFifo.status, 0) << toFifo.err.toStdString();
        EXPECT_EQ(toFifo.out, toFile.out);
        EXPECT_FALSE(got.isEmpty());
        EXPECT_EQ(got, ReadAll(file));
        struct stat st {};
        ASSERT_EQ(::lstat(QFile::encodeName(fifo).constData(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System, QDir::Name),
              QStringList({"csv", "diagram", "export", "fifo", "html", "report", "spacetime"}));

    // A folder at the name is no output: the message says so, and nothing is left beside it.
    const QString folder = dir.filePath(QStringLiteral("folder.csv"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const TCli refused = Cli({inversion, "--cost", "--max-length", "2", "--csv", folder});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.err.endsWith(QStringLiteral("Ошибка записи файла ") + folder +
                                     QStringLiteral(": по этому имени не обычный файл, а каталог\n")))
        << refused.err.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System).size(), 7);

    // "-": the table goes to standard output as it would go to the file.
    const QString captured = dir.filePath(QStringLiteral("stdout"));
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    const int into = ::open(QFile::encodeName(captured).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(into, 0);
    ::dup2(into, STDOUT_FILENO);
    const TCli dash = Cli({inversion, "--cost", "--max-length", "2", "--csv", "-"});
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    ::close(into);
    EXPECT_EQ(dash.status, 0);
    EXPECT_EQ(ReadAll(captured), ReadAll(dir.filePath(QStringLiteral("csv"))));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("-")));
}

// A word list is read as a test set is: UTF-8 with or without its mark, or Windows-1251.
TEST(BatchRunnerCli, WordFilesAreReadAsTestSetsAre) {
    QTemporaryDir dir;
    const QString swap = dir.filePath(QStringLiteral("swap.tm"));
    WriteFile(swap, QStringLiteral("0 а б r 0\n0 б а r 0\n0 _ _ * halt\n"));
    const QString line = QStringLiteral("аб\tостанов\tшагов: 3\tсостояние: halt\tсимвол: #\tлента: ба\n");
    const QString words = QStringLiteral("аб\r\n");
    for (const QByteArray& bytes : {words.toUtf8(), "\xEF\xBB\xBF" + words.toUtf8(), codepage::Encode(words)}) {
        SCOPED_TRACE(bytes.toHex().toStdString());
        const QString path = dir.filePath(QStringLiteral("words.txt"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        const TCli r = Cli({swap, QStringLiteral("--words"), path});
        EXPECT_EQ(r.out, line);
        EXPECT_EQ(r.err, QString());
        EXPECT_EQ(r.status, 0);
    }
}

// A file is read once for all its words, not once a word: importing a foreign machine takes time in the
// number of words, so a read per word made a long --expect file quadratic.
TEST(BatchRunnerCli, AMachineIsReadOncePerWorkerForAllItsWords) {
    QTemporaryDir dir;
    const QString machine = dir.filePath(QStringLiteral("m.tm"));
    WriteFile(machine, QStringLiteral("0 1 0 r 0\n0 _ _ * halt\n"));
    const auto opens = [&](const QStringList& words) {
        int count = 0;
        fileio::SetFaultHook([&](fileio::TStep step, const QString& path) {
            count += step == fileio::TStep::Open && path.endsWith(QStringLiteral("m.tm"));
            return 0;
        });
        QStringList args{machine, QStringLiteral("--jobs"), QStringLiteral("1")};
        for (const QString& w : words)
            args << QStringLiteral("--word") << w;
        EXPECT_EQ(Cli(args).status, 0);
        fileio::SetFaultHook({});
        return count;
    };
    EXPECT_EQ(opens({QStringLiteral("1"), QStringLiteral("11"), QStringLiteral("111"), QStringLiteral("1111")}),
              opens({QStringLiteral("1")}));
}

// qtm-run refuses a report the disk cannot hold by this figure: it must never be more than the file.
TEST(BatchRunner, TheReportSizeEstimateIsALowerBoundCloseToTheFile) {
    for (const QString& word : {QStringLiteral("0110"), QString(3000, QLatin1Char('1'))}) {
        TConfig config{QString()};
        config.ViewLog = true;
        TBatchRunner runner(config);
        runner.KeepRows(true);
        QStringList warnings;
        QString error;
        ASSERT_TRUE(runner.Load(Example("inversion.qtm"), warnings, error));
        ASSERT_EQ(runner.Run(word, 1000000).end, TRunEnd::Halt);
        const qint64 file = runner.Log().ReportBytes().size();
        EXPECT_LE(runner.ReportSizeAtLeast(), file) << word.size();
        EXPECT_GE(runner.ReportSizeAtLeast(), file * 9 / 10) << word.size();
    }
}

// Machines of the same name in different folders, or in another letter case, each get a page of their own.
TEST(BatchRunnerCli, OutputsOfMachinesWithTheSameNameDoNotOverwriteEachOther) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("a")) && QDir(dir.path()).mkpath(QStringLiteral("b")));
    const QString a = dir.filePath(QStringLiteral("a/x.qtm"));
    const QString b = dir.filePath(QStringLiteral("b/x.qtm"));
    const QString upper = dir.filePath(QStringLiteral("b/X.QTM"));
    const QString own = dir.filePath(QStringLiteral("b/x~2.qtm"));
    ASSERT_TRUE(QFile::copy(Example("inversion.qtm"), a));
    ASSERT_TRUE(QFile::copy(Example("binary_increment.qtm"), b));
    ASSERT_TRUE(QFile::copy(Example("unary_copy.qtm"), upper));
    ASSERT_TRUE(QFile::copy(Example("palindrome.qtm"), own));
    const QString out = dir.filePath(QStringLiteral("out"));
    const TCli r = Cli({a, b, upper, own, QStringLiteral("--html"), out});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, QStringLiteral("Предупреждение: ") + b +
                         QStringLiteral(" записан как x~3.html: имя x.html уже занято\n") +
                         QStringLiteral("Предупреждение: ") + upper +
                         QStringLiteral(" записан как X~4.html: имя X.html уже занято\n"));
    EXPECT_EQ(QDir(out).entryList(QDir::Files, QDir::Name),
              (QStringList{"X~4.html", "x.html", "x~2.html", "x~3.html"}));
    const struct {
        const char* page;
        const char* word;
    } pages[] = {{"x.html", "0110"}, {"x~3.html", "1011"}, {"X~4.html", "111*"}, {"x~2.html", "abba"}};
    for (const auto& p : pages)
        EXPECT_TRUE(ReadAll(QDir(out).filePath(QString::fromLatin1(p.page))).contains(p.word)) << p.page;
}
