#include "faultinjection.h"
#include "machinefixture.h"
#include "cli/runnercli.h"
#include "table/handout.h"
#include "table/transitiontable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <cerrno>

namespace {

class Handout : public MachineTest {
protected:
    // States q1, q2, q3 in that order; alphabet "01"; the blank row last.
    void SmallMachine() {
        for (const char* s : {"q2", "q1", "q3"})
            machine.AddState(QString::fromLatin1(s));
        Define(QStringLiteral("01"), QStringLiteral("0110"), QStringLiteral("q1"),
               {QStringLiteral("q1 0 q1 1 R"), QStringLiteral("q1 1 q2 0 L"), QStringLiteral("q2 # q3 1 S"),
                // The same cell as the first row: the run takes the first, this one is listed beside the table.
                QStringLiteral("Q1 0 q2 0 R"),
                // Its state spelt in another case: the q3 column all the same.
                QStringLiteral("Q3 1 q2 0 L"),
                // No column for it.
                QStringLiteral("q9 1 q1 1 R")});
    }

    // The grid as "symbol: cell | cell | ..." lines.
    static QStringList Grid(const TTransitionTable& t, const TMachine& m) {
        QStringList lines;
        for (int s = 0; s < t.symbols.size(); ++s) {
            QStringList cells;
            for (int q = 0; q < t.states.size(); ++q)
                cells << (t.Row(s, q) < 0 ? QString() : TransitionCellText(m.Commands()[t.Row(s, q)]));
            lines << t.symbols[s] + QStringLiteral(": ") + cells.join(QStringLiteral(" | "));
        }
        return lines;
    }

    static QString Read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("(missing)");
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(Handout, TableHasAColumnPerStateARowPerSymbolAndTheBlankLast) {
    SmallMachine();
    const TTransitionTable table = BuildTransitionTable(machine);
    EXPECT_EQ(table.states, QStringList({"q2", "q1", "q3"}));
    EXPECT_EQ(Grid(table, machine),
              QStringList({QStringLiteral("0:  | 1, П, q1 | "), QStringLiteral("1:  | 0, Л, q2 | 0, Л, q2"),
                           QStringLiteral("#: 1, Н, q3 |  | ")}));
    // The second row for (q1, 0) and the row of a state not in the list have no cell.
    EXPECT_EQ(table.outside, QList<int>({3, 5}));
    // Each cell holds the command a run takes for its state and symbol.
    for (int s = 0; s < table.symbols.size(); ++s)
        for (int q = 0; q < table.states.size(); ++q)
            EXPECT_EQ(table.Row(s, q), machine.FindCommand(table.states[q], table.symbols[s]));
    EXPECT_TRUE(table.HasGrid());
}

TEST_F(Handout, AMachineWithoutStatesOrAlphabetGetsANoteInsteadOfAGrid) {
    const struct {
        const char* alphabet;
        bool state;
        const char* note;
    } cases[] = {
        {"", false, "Таблица переходов пуста: в машине нет ни состояний, ни алфавита"},
        {"01", false, "Таблица переходов пуста: в машине нет состояний"},
        {"", true, "Таблица переходов пуста: алфавит машины пуст"},
    };
    for (const auto& c : cases) {
        machine.Clear();
        machine.SetAlphabetText(QString::fromUtf8(c.alphabet));
        if (c.state)
            machine.AddState(QStringLiteral("q1"));
        // No command is lost from sight: each is listed under the note, the last one too.
        ASSERT_TRUE(machine.AddCommand("q1", "0", "q1", "1", MoveRightText));
        ASSERT_TRUE(machine.AddCommand("q1", "1", "q2", "0", MoveLeftText));
        const TTransitionTable table = BuildTransitionTable(machine);
        EXPECT_EQ(table.note, QString::fromUtf8(c.note));
        EXPECT_TRUE(table.cells.isEmpty());
        EXPECT_EQ(table.outside, QList<int>({0, 1}));
        EXPECT_NE(HandoutHtml(machine, {})
                      .indexOf(QStringLiteral("<p class=\"note\">") + table.note +
                               "</p>\n<p>Команды вне таблицы:</p>\n<ul>\n<li>q1(0)-&gt;q1(1)-Вправо"
                               "</li>\n<li>q1(1)-&gt;q2(0)-Влево</li>\n</ul>\n"),
                  -1);
    }
}

TEST_F(Handout, PageHoldsTheMachineTheTableAndTheCommandsOutsideIt) {
    SmallMachine();
    machine.AddState(QStringLiteral("<b>"));
    const QString page = HandoutHtml(machine, THandout{QStringLiteral("a&b.qtm"), QString(), false});
    const QString fields = QStringLiteral("<table class=\"machine\" border=\"1\" cellspacing=\"0\" cellpadding=\"4\">\n"
                                          "<tr><th>Файл</th><td>a&amp;b.qtm</td></tr>\n"
                                          "<tr><th>Алфавит</th><td>01</td></tr>\n"
                                          "<tr><th>Слово</th><td>0110</td></tr>\n"
                                          "<tr><th>Начальное состояние</th><td>q1</td></tr>\n"
                                          "</table>\n");
    const QString grid = QStringLiteral(
        "<table class=\"transitions\" border=\"1\" cellspacing=\"0\" cellpadding=\"4\">\n"
        "<thead><tr><th></th><th>q2</th><th>q1</th><th>q3</th><th>&lt;b&gt;</th></tr></thead>\n"
        "<tr><th>0</th><td></td><td>1, П, q1</td><td></td><td></td></tr>\n"
        "<tr><th>1</th><td></td><td>0, Л, q2</td><td>0, Л, q2</td><td></td></tr>\n"
        "<tr><th>#</th><td>1, Н, q3</td><td></td><td></td><td></td></tr>\n"
        "</table>\n"
        "<p>Команды вне таблицы:</p>\n<ul>\n<li>Q1(0)-&gt;q2(0)-Вправо</li>\n<li>q9(1)-&gt;q1(1)-Вправо</li>\n</ul>\n"
        "</body>\n</html>\n");
    EXPECT_TRUE(page.startsWith(QStringLiteral("<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n"
                                               "<title>Машина Тьюринга: a&amp;b.qtm</title>\n")));
    EXPECT_NE(page.indexOf(fields), -1) << page.toStdString();
    EXPECT_TRUE(page.endsWith(grid)) << page.toStdString();
}

// A cell's move is a letter however the file spells the move; a text that is no move is shown as it is.
TEST_F(Handout, CellShowsTheMoveAsItsLetterWhateverItsCaseAndBlanks) {
    const struct {
        const char* move;
        const char* cell;
    } cases[] = {
        {"Вправо", "b, П, q2"},   {"вправо", "b, П, q2"},    {" ВЛЕВО\t", "b, Л, q2"},
        {"на МЕСТЕ", "b, Н, q2"}, {"вверх", "b, вверх, q2"}, {"", "b, , q2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TransitionCellText(TCommandRow{"q1", "a", "q2", "b", QString::fromUtf8(c.move), 0}),
                  QString::fromUtf8(c.cell))
            << c.move;
}

// Symbols and states that are HTML's own characters are written as text.
TEST_F(Handout, CellTextsAreEscaped) {
    Define(QStringLiteral("<&"), QStringLiteral("<"), QStringLiteral("q1"), {QStringLiteral("q1 < q1 & R")});
    machine.AddState(QStringLiteral("q1"));
    EXPECT_NE(HandoutHtml(machine, {}).indexOf(QStringLiteral("<tr><th>&lt;</th><td>&amp;, П, q1</td></tr>\n")), -1)
        << HandoutHtml(machine, {}).toStdString();
}

// A control character a file brought in (a state named "q\x01", a word with ESC) would make the page malformed:
// it is shown as the diagram's picture shows it, and the page holds no C0 character but the line breaks.
TEST_F(Handout, ControlCharactersAreReplacedAsInThePicture) {
    Define(QStringLiteral("a\x1B"), QStringLiteral("a\x1B"), QStringLiteral("q\x01r"),
           {QStringLiteral("q\x01r a q\x01r \x1B R")});
    const QString html = HandoutHtml(machine, {QStringLiteral("m\x02.qtm"), QString(), false});
    for (const QChar c : html)
        ASSERT_TRUE(c.unicode() >= 0x20 || c == u'\n') << int(c.unicode());
    EXPECT_NE(html.indexOf(QStringLiteral("<tr><th>Слово</th><td>a\uFFFD</td></tr>")), -1) << html.toStdString();
    EXPECT_NE(html.indexOf(QStringLiteral("<title>Машина Тьюринга: m\uFFFD.qtm</title>")), -1);
    EXPECT_NE(html.indexOf(QStringLiteral("<th>q\uFFFDr</th>")), -1);
}

// A table wider than the paper goes in groups of state columns, each a table with the symbol column.
TEST_F(Handout, AWideTableIsSplitIntoColumnGroupsThatRepeatTheSymbols) {
    SmallMachine();
    // The symbol column takes 4 letters, each state column 11 ("1, П, q1" and its room).
    const auto tables = [this](int letters) {
        const QString page = HandoutHtml(machine, THandout{QStringLiteral("m.qtm"), QString(), false, letters});
        return page.mid(page.indexOf(QStringLiteral("<table class=\"transitions\"")))
            .section(QStringLiteral("<p>Команды вне таблицы"), 0, 0);
    };
    const QString head =
        QStringLiteral("<table class=\"transitions\" border=\"1\" cellspacing=\"0\" cellpadding=\"4\">\n");
    EXPECT_EQ(tables(30), head +
                              "<thead><tr><th></th><th>q2</th><th>q1</th></tr></thead>\n"
                              "<tr><th>0</th><td></td><td>1, П, q1</td></tr>\n"
                              "<tr><th>1</th><td></td><td>0, Л, q2</td></tr>\n"
                              "<tr><th>#</th><td>1, Н, q3</td><td></td></tr>\n</table>\n" +
                              head +
                              "<thead><tr><th></th><th>q3</th></tr></thead>\n"
                              "<tr><th>0</th><td></td></tr>\n"
                              "<tr><th>1</th><td>0, Л, q2</td></tr>\n"
                              "<tr><th>#</th><td></td></tr>\n</table>\n");
    // Exactly the width of all three: one table; narrower than any: a column to a table.
    EXPECT_EQ(tables(37).count(head), 1);
    EXPECT_EQ(tables(36).count(head), 2);
    EXPECT_EQ(tables(1).count(head), 3);
}

// A table of more cells than paper can hold is refused with the reason, in the page and by qtm-run --html,
// before anything of its size is built.
TEST_F(Handout, ATableTooBigForPaperIsRefusedWithTheReason) {
    machine.SetAlphabetText(QStringLiteral("abcdefghi"));
    QStringList states;
    for (int i = 0; i < 100001; ++i)
        states.append(QStringLiteral("q") + QString::number(i));
    machine.AppendLoaded(states, {});
    const QString reason =
        QStringLiteral("Таблица переходов слишком велика для листа: состояний 100001, символов 10, а "
                       "клеток на листах может быть не больше 1000000");
    EXPECT_EQ(HandoutTableRefusal(machine), reason);
    EXPECT_TRUE(HandoutHtml(machine, {})
                    .endsWith(QStringLiteral("<h2>Таблица переходов</h2>\n<p class=\"note\">") + reason +
                              "</p>\n</body>\n</html>\n"));
    machine.SetAlphabetText(QStringLiteral("abcdefgh"));
    EXPECT_EQ(HandoutTableRefusal(machine), QString());
}

// The state diagram joins the page when there is one: inline as SVG, or as a picture the printer supplies.
TEST_F(Handout, DiagramGoesInlineOrAsAPicture) {
    SmallMachine();
    const QString svg = QStringLiteral(
        "<?xml version=\"1.0\"?>\n<!DOCTYPE svg>\n<svg width=\"10\" height=\"10\"><circle r=\"4\"/></svg>");
    const QString section = QStringLiteral("<h2>Диаграмма состояний</h2>\n");
    EXPECT_TRUE(HandoutHtml(machine, {QStringLiteral("m.qtm"), svg, false})
                    .endsWith(section + "<svg width=\"10\" height=\"10\"><circle r=\"4\"/></svg>\n</body>\n</html>\n"));
    EXPECT_TRUE(
        HandoutHtml(machine, {QStringLiteral("m.qtm"), svg, true})
            .endsWith(section + "<p><img src=\"qtm:diagram\" alt=\"Диаграмма состояний\"></p>\n</body>\n</html>\n"));
    EXPECT_EQ(HandoutHtml(machine, {QStringLiteral("m.qtm"), QString(), false}).indexOf(section), -1);
}

TEST_F(Handout, AFailedSaveSaysWhyAndLeavesThePageThatWasThere) {
    const QString path = dir.filePath(QStringLiteral("лист.html"));
    QString error;
    ASSERT_TRUE(SaveHandout(path, QStringLiteral("старая"), error));
    {
        TInjectedFault full({fileio::TStep::Write}, QStringLiteral(".tmp"), ENOSPC);
        EXPECT_FALSE(SaveHandout(path, QStringLiteral("новая"), error));
        EXPECT_TRUE(full.Fired());
    }
    EXPECT_EQ(error, QStringLiteral("Ошибка записи файла ") + path + ": " + fileio::ErrorText(ENOSPC));
    EXPECT_EQ(Read(path), QStringLiteral("старая"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("лист.html")}));
}

// The window's export saves on another thread: every step of the save, and the same message when one fails.
TEST_F(Handout, TheWindowsSaveRunsAsideWithTheSameResult) {
    const QString path = dir.filePath(QStringLiteral("лист.html"));
    QSet<QThread*> threads;
    fileio::SetFaultHook([&threads](fileio::TStep step, const QString&) {
        threads.insert(QThread::currentThread());
        return step == fileio::TStep::Rename ? EIO : 0;
    });
    QString error;
    EXPECT_FALSE(SaveHandoutAside(path, QStringLiteral("страница"), error));
    fileio::SetFaultHook({});
    EXPECT_FALSE(threads.isEmpty());
    EXPECT_FALSE(threads.contains(QThread::currentThread()));
    const QString temp = error.section(QStringLiteral("Страница осталась в файле "), 1);
    EXPECT_EQ(error, QStringLiteral("Ошибка записи файла ") + path + ": " + fileio::ErrorText(EIO) +
                         "\nСтраница осталась в файле " + temp);
    EXPECT_EQ(Read(temp), QStringLiteral("страница"));
    EXPECT_TRUE(SaveHandoutAside(path, QStringLiteral("страница"), error));
    EXPECT_EQ(Read(path), QStringLiteral("страница"));
}

TEST_F(Handout, RunnerWritesThePageOfOneMachineOrOneAPageForAFolder) {
    const QString examples = QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().absoluteFilePath("../../examples");
    QString out;
    QString err;
    QTextStream o(&out);
    QTextStream e(&err);
    const QString page = dir.filePath(QStringLiteral("inversion.html"));
    EXPECT_EQ(RunBatch({"qtm-run", examples + "/inversion.qtm", "--html", page}, o, e), 0);
    EXPECT_NE(Read(page).indexOf(QStringLiteral("<title>Машина Тьюринга: inversion.qtm</title>")), -1);

    const QString folder = dir.filePath(QStringLiteral("листы"));
    EXPECT_EQ(RunBatch({"qtm-run", examples, "--html", folder}, o, e), 0);
    const QStringList pages = QDir(folder).entryList(QDir::Files);
    EXPECT_EQ(pages.size(), QDir(examples).entryList({QStringLiteral("*.qtm")}, QDir::Files).size());
    EXPECT_TRUE(pages.contains(QStringLiteral("unary_copy.html")));
    EXPECT_EQ(RunBatch({"qtm-run", examples + "/inversion.qtm", "--html", dir.filePath("нет/такого/x.html")}, o, e), 2);
    EXPECT_TRUE(err.contains(QStringLiteral("Ошибка записи файла "))) << err.toStdString();
    EXPECT_TRUE(out.isEmpty());

    // 8,000 states by 126 symbols and the blank: refused with the reason, no page.
    const QString big = dir.filePath(QStringLiteral("big.qtm"));
    QFile file(big);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QByteArray alphabet = "0123456789";
    for (char c = 'a'; c <= 'z'; ++c)
        alphabet += QByteArray(1, c) + char(c - 'a' + 'A');
    for (int c = 0xC0; c <= 0xFF; ++c)
        alphabet += char(c);
    file.write("[ABCD] " + alphabet + "\r\n[BEGS] q0\r\n");
    for (int i = 0; i < 8000; ++i)
        file.write("[STAT] q" + QByteArray::number(i) + "\r\n");
    file.close();
    err.clear();
    EXPECT_EQ(RunBatch({"qtm-run", big, "--html", dir.filePath("big.html")}, o, e), 2);
    EXPECT_EQ(err, big + QStringLiteral(": Таблица переходов слишком велика для листа: состояний 8000, символов 127, а "
                                        "клеток на листах может быть не больше 1000000\n"));
    EXPECT_FALSE(QFile::exists(dir.filePath("big.html")));
}
