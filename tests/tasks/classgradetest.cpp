#include "cli/runnercli.h"
#include "madeupclass.h"
#include "settings/config.h"
#include "tasks/classgrade.h"

#include <QTemporaryDir>
#include <QTextStream>

#include <atomic>

#include <gtest/gtest.h>

namespace {

TConfig Settings() {
    TConfig config{QString()};
    config.settingsPath.clear();
    config.desktopPath.clear();
    return config;
}

class ClassGrade : public ::testing::Test {
protected:
    QTemporaryDir dir;
    TMadeUpClass made{dir.path()};

    TClassGrade Grade(int jobs, const std::atomic<bool>* cancel = nullptr) const {
        TClassGradeControl control;
        control.jobs = jobs;
        control.cancel = cancel;
        return GradeClass(LoadTaskBook(made.bookDir), made.classDir, QString(), Settings(), control);
    }
};

const char* const ExpectedText = "Ученик\tinversion\terase\tРешено\n"
                                 "Аня\tрешена\tрешена\t2 из 2\n"
                                 "Борис\tесть ошибки 8 из 10\tнет решения\t0 из 2\n"
                                 "Вера\tесть ошибки 10 из 10\tесть ошибки 8 из 10\t0 из 2\n"
                                 "Глеб\tнет решения\tнет решения\t0 из 2\n"
                                 "Дима; <Ко> & \"сын\"\tне запускается\tне запускается\t0 из 2\n"
                                 "Решили\t1 из 5\t1 из 5\t\n";

} // namespace

// Right, wrong, looping, missing and broken machines, and a student with no "задачи"; the hidden folder is nobody.
// Checked one by one or three at once, the table is the same.
TEST_F(ClassGrade, TheTableNamesEachStudentsResultOnEachTask) {
    for (const int jobs : {1, 3}) {
        SCOPED_TRACE(jobs);
        const TClassGrade grade = Grade(jobs);
        EXPECT_FALSE(grade.cancelled);
        EXPECT_FALSE(grade.AllSolved());
        EXPECT_EQ(grade.Text().toStdString(), ExpectedText);
    }
}

TEST_F(ClassGrade, TheCsvIsTheTableForRussianSpreadsheets) {
    EXPECT_EQ(Text(Grade(2).Csv()), "\xEF\xBB\xBF"
                                    "Ученик;inversion;erase;Решено\r\n"
                                    "Аня;решена;решена;2 из 2\r\n"
                                    "Борис;есть ошибки 8 из 10;нет решения;0 из 2\r\n"
                                    "Вера;есть ошибки 10 из 10;есть ошибки 8 из 10;0 из 2\r\n"
                                    "Глеб;нет решения;нет решения;0 из 2\r\n"
                                    "\"Дима; <Ко> & \"\"сын\"\"\";не запускается;не запускается;0 из 2\r\n"
                                    "Решили;1 из 5;1 из 5;\r\n");
}

// Each cell not solved links to its section: the words the machine got wrong, or why it does not run.
TEST_F(ClassGrade, TheHtmlCellsLinkToTheFailingWords) {
    const std::string html = Grade(2).Html().toStdString();
    for (const char* part : {
             "<tr><th>Борис</th><td class=\"failed\"><a href=\"#s2t1\">есть ошибки 8 из 10</a></td>"
             "<td class=\"missing\">нет решения</td><td>0 из 2</td></tr>\n",
             "<tr><th>Дима; &lt;Ко&gt; &amp; &quot;сын&quot;</th><td class=\"broken\"><a href=\"#s5t1\">не "
             "запускается</a></td>",
             "<section id=\"s2t1\">\n<h2>Борис: inversion (Инверсия слова) — есть ошибки 8 из 10</h2>\n<table>\n"
             "<tr><th>Слово</th><th>Ожидалось</th><th>Получено</th></tr>\n<tr><td>1</td><td>0</td><td>1</td></tr>\n",
             "<tr><td>01</td><td>10</td><td>01 (зацикливание)</td></tr>\n",
             "<h2>Дима; &lt;Ко&gt; &amp; &quot;сын&quot;: erase (Стирание слова) — не запускается</h2>\n<p>Символы "
             "'a', в алфавите не найдены</p>\n</section>\n",
             "<tr><th>Решили</th><td>1 из 5</td><td>1 из 5</td><td></td></tr>\n",
         }) {
        EXPECT_NE(html.find(part), std::string::npos) << part;
    }
    // Solved and missing cells have nothing to show below.
    EXPECT_EQ(html.find("id=\"s1t1\""), std::string::npos);
    EXPECT_EQ(html.find("id=\"s2t2\""), std::string::npos);
    EXPECT_EQ(html.find("<Ко>"), std::string::npos);
}

TEST_F(ClassGrade, ACancelledCheckSaysSoAndLeavesTheRestUnchecked) {
    const std::atomic<bool> cancel{true};
    const TClassGrade grade = Grade(2, &cancel);
    EXPECT_TRUE(grade.cancelled);
    EXPECT_FALSE(grade.AllSolved());
    EXPECT_EQ(grade.SolvedOf(0) + grade.SolvedOf(1), 0);
    EXPECT_TRUE(grade.Text().endsWith(u"Проверка прервана: не проверенные машины показаны как \"нет решения\"\n"_qs));
}

// The shipped book's machines are right in "задачи", another book's in a folder named as the book's folder.
TEST(ClassGradePaths, EachBooksMachinesAreWhereSolvingPutsThem) {
    TTask task;
    task.id = QStringLiteral("copy");
    EXPECT_EQ(ClassMachinePath(u"/класс/Аня"_qs, u"/usr/share/qtm/tasks"_qs, u"/usr/share/qtm/tasks"_qs, task),
              u"/класс/Аня/задачи/copy.qtm"_qs);
    EXPECT_EQ(ClassMachinePath(u"/класс/Аня"_qs, u"/home/t/мои"_qs, u"/usr/share/qtm/tasks"_qs, task),
              u"/класс/Аня/задачи/мои/copy.qtm"_qs);
}

TEST_F(ClassGrade, QtmRunGradesTheClassAndWritesThePageAndTheTable) {
    const auto run = [](const QStringList& arguments, QString& out, QString& err) {
        QTextStream o(&out);
        QTextStream e(&err);
        return RunBatch(QStringList{QStringLiteral("qtm-run")} + arguments, o, e);
    };
    QString out;
    QString err;
    const QString html = dir.filePath(u"класс.html"_qs);
    const QString csv = dir.filePath(u"класс.csv"_qs);
    EXPECT_EQ(
        run({u"--grade"_qs, made.bookDir, made.classDir, u"--jobs"_qs, u"2"_qs, u"--html"_qs, html, u"--csv"_qs, csv},
            out, err),
        1);
    EXPECT_EQ(out.toStdString(), ExpectedText);
    EXPECT_EQ(err, QString());
    EXPECT_EQ(ReadAll(html), Grade(1).Html().toUtf8());
    EXPECT_EQ(ReadAll(csv), Grade(1).Csv());

    const struct {
        QStringList arguments;
        const char* err;
    } bad[] = {
        {{u"--grade"_qs, made.bookDir}, "qtm-run: укажите один каталог класса: --grade BOOK_DIR CLASS_DIR\n"},
        {{u"--grade"_qs, made.bookDir, dir.filePath(u"нет"_qs)}, "Нет каталога класса @/нет\n"},
        {{u"--grade"_qs, made.classDir, made.classDir}, "В каталоге @/класс нет задач\n"},
    };
    for (const auto& c : bad) {
        out.clear();
        err.clear();
        EXPECT_EQ(run(c.arguments, out, err), 2);
        EXPECT_TRUE(err.startsWith(QString::fromUtf8(c.err).replace(u"@"_qs, dir.path()))) << err.toStdString();
        EXPECT_EQ(out, QString());
    }
}
