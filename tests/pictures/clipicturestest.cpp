#include "cli/runnercli.h"
#include "faultinjection.h"
#include "filetestutil.h"
#include "platform/codepage.h"
#include "printers.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <cerrno>

#include <png.h>

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

} // namespace

TEST(PicturesCli, SpaceTimeWritesThePictureAndSaysHowItIsDrawn) {
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("abba.png"));
    const TCli r = Cli({Example("palindrome.qtm"), QStringLiteral("--word"), QStringLiteral("abba"),
                        QStringLiteral("--spacetime"), png});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("abba: останов, шагов: 15; строк: 16, шагов в строке: 1, ячеек в столбце: 1\n"
                                    "Цвета: # f2f2f2, a 1f77b4, b d62728; головка 000000\n"));
    // Six cells (the word between two blanks) by sixteen rows, twelve pixels a cell.
    const QByteArray bytes = ReadAll(png);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, bytes.constData(), std::size_t(bytes.size())));
    EXPECT_EQ(image.width, 72u);
    EXPECT_EQ(image.height, 192u);
    png_image_free(&image);

    const TCli two = Cli({Example("palindrome.qtm"), QStringLiteral("--word"), QStringLiteral("a"),
                          QStringLiteral("--word"), QStringLiteral("b"), QStringLiteral("--spacetime"), png});
    EXPECT_EQ(two.status, 2);
    EXPECT_EQ(two.err, QStringLiteral("Параметр --spacetime допускает только один файл и одно слово\n"));
}

TEST(PicturesCli, SpaceTimeRunsTheEmptyWordOnBlanksAsAPlainRunDoes) {
    QTemporaryDir dir;
    const QString beaver = dir.filePath(QStringLiteral("beaver.tm"));
    ASSERT_TRUE(WriteAll(beaver, "0 _ 1 r 1\n1 _ 1 l halt\n"));
    const QString png = dir.filePath(QStringLiteral("beaver.png"));
    const TCli r = Cli({beaver, QStringLiteral("--word"), QString(), QStringLiteral("--spacetime"), png});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.section(QLatin1Char('\n'), 0, 0),
              QStringLiteral("(пустое слово): останов, шагов: 2; строк: 3, шагов в строке: 1, ячеек в столбце: 1"));
    EXPECT_TRUE(ReadAll(png).startsWith("\x89PNG"));
    // The file's own word, empty, is refused as a plain run refuses it.
    const TCli own = Cli({beaver, QStringLiteral("--spacetime"), png});
    EXPECT_EQ(own.status, 2);
    EXPECT_EQ(own.err, QStringLiteral("Машина не запущена на слове (пустое слово):\n  Пустое слово\n"));
}

TEST(PicturesCli, CostPrintsTheTableAndWritesTheCsv) {
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("inversion.csv"));
    const TCli r = Cli({Example("inversion.qtm"), QStringLiteral("--cost"), QStringLiteral("--max-length"),
                        QStringLiteral("3"), QStringLiteral("--csv"), csv});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("Слова: все слова над 01 до длины 3\n"
                                    "длина\tслов\tостановилось\tшагов наиб.\tв среднем\tячеек наиб.\tв среднем\n"
                                    "1\t2\t2\t2\t2.0\t3\t3.0\n"
                                    "2\t4\t4\t3\t3.0\t4\t4.0\n"
                                    "3\t8\t8\t4\t4.0\t5\t5.0\n"
                                    "шаги ≈ n: n + 1 (показатель 1.0)\n"
                                    "ячейки ≈ n: n + 2 (показатель 1.0)\n"
                                    "Не запущено слов (их не пропускает проверка данных): 1\n"));
    EXPECT_EQ(ReadAll(csv), QByteArray("\xEF\xBB\xBF") +
                                QStringLiteral("длина;слов;остановилось;шагов наиб.;шагов в среднем;"
                                               "ячеек наиб.;ячеек в среднем;не остановилось;оборвано пределом шагов\r\n"
                                               "1;2;2;2;2,00;3;3,00;0;0\r\n"
                                               "2;4;4;3;3,00;4;4,00;0;0\r\n"
                                               "3;8;8;4;4,00;5;5,00;0;0\r\n")
                                    .toUtf8());
    // The words' alphabet chosen: words of the answer symbol alone.
    const TCli ones = Cli({Example("inversion.qtm"), QStringLiteral("--cost"), QStringLiteral("--max-length"),
                           QStringLiteral("2"), QStringLiteral("--alphabet"), QStringLiteral("1")});
    EXPECT_TRUE(ones.out.startsWith(QStringLiteral("Слова: все слова над 1 до длины 2\n"))) << ones.out.toStdString();
    const TCli tooLong = Cli(
        {Example("inversion.qtm"), QStringLiteral("--cost"), QStringLiteral("--max-length"), QStringLiteral("501")});
    EXPECT_EQ(tooLong.status, 2);
    EXPECT_EQ(tooLong.err, QStringLiteral("Неверная длина слов: 501 (допустимо от 0 до 500)\n"));
    // A word that runs into the step limit is counted apart and makes the status 1.
    const TCli limited = Cli({Example("palindrome.qtm"), QStringLiteral("--cost"), QStringLiteral("--word"),
                              QStringLiteral("abba"), QStringLiteral("--max-steps"), QStringLiteral("5")});
    EXPECT_EQ(limited.status, 1);
    EXPECT_TRUE(limited.out.contains(QStringLiteral("4\t1\t0\t0\t0.0\t0\t0.0\tоборвано пределом шагов: 1\n")))
        << limited.out.toStdString();
}

// A failed final rename names the file that holds the picture or the table; a failed folder sync says the file
// is written.
TEST(PicturesCli, AFailedSaveNamesTheFileLeftOrSaysTheFileIsWritten) {
    QTemporaryDir dir;
    const struct {
        QStringList args;
        QString name;
        QString left;
    } rows[] = {
        {{Example("palindrome.qtm"), "--word", "abba", "--spacetime"}, "abba.png", "Рисунок остался в файле "},
        {{Example("inversion.qtm"), "--cost", "--max-length", "2", "--csv"}, "cost.csv", "Таблица осталась в файле "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name.toStdString());
        const QString path = dir.filePath(row.name);
        const TCli written = Cli(row.args + QStringList{path});
        ASSERT_EQ(written.status, 0);
        const QByteArray bytes = ReadAll(path);
        ASSERT_TRUE(QFile::remove(path));
        {
            TInjectedFault rename({fileio::TStep::Rename}, row.name, EIO);
            const TCli r = Cli(row.args + QStringList{path});
            EXPECT_TRUE(rename.Fired());
            EXPECT_EQ(r.status, 2);
            const QString temp = r.err.section(row.left, 1).chopped(1);
            EXPECT_EQ(r.err, QStringLiteral("Ошибка записи файла ") + path + ": " + fileio::ErrorText(EIO) + "\n" +
                                 row.left + temp + "\n");
            EXPECT_EQ(ReadAll(temp), bytes);
            QFile::remove(temp);
        }
        {
            TInjectedFault sync({fileio::TStep::SyncDir}, dir.path(), EIO);
            const TCli r = Cli(row.args + QStringList{path});
            EXPECT_TRUE(sync.Fired());
            EXPECT_EQ(r.status, 2);
            EXPECT_EQ(r.err, QStringLiteral("Файл ") + path +
                                 " записан, но изменения каталога не сохранены на диске: " + fileio::ErrorText(EIO) +
                                 "\n");
            EXPECT_EQ(ReadAll(path), bytes);
        }
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{row.name});
        QFile::remove(path);
    }
}

// The test set beside the machine has its faulty lines told as --expect tells them; a set without one good
// line is refused.
TEST(PicturesCli, CostTellsTheFaultyLinesOfTheSetBesideTheMachine) {
    QTemporaryDir dir;
    const QString machine = dir.filePath(QStringLiteral("m.qtm"));
    ASSERT_TRUE(QFile::copy(Example("inversion.qtm"), machine));
    const QString set = dir.filePath(QStringLiteral("m.tests"));
    const struct {
        QByteArray bytes;
        int status;
        QString err;
        bool table;
    } rows[] = {
        {"01\t10\r\nbad\r\n", 0, set + QStringLiteral(": Строка 2: нет ожидаемой ленты\n"), true},
        {"bad\r\na\tb\tc\td\r\n", 2,
         set + QStringLiteral(": Строка 1: нет ожидаемой ленты\n") + set +
             QStringLiteral(": Строка 2: больше трех полей\n") + set +
             QStringLiteral(": в наборе нет ни одного слова\n"),
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.bytes.toStdString());
        ASSERT_TRUE(WriteAll(set, row.bytes));
        const TCli r = Cli({machine, QStringLiteral("--cost")});
        EXPECT_EQ(r.status, row.status);
        EXPECT_EQ(r.err, row.err);
        EXPECT_EQ(r.out.startsWith(QStringLiteral("Слова: ")), row.table) << r.out.toStdString();
    }
}
