#include "cli/runnercli.h"
#include "faultinjection.h"
#include "filetestutil.h"
#include "import/exporter.h"
#include "import/foreignmachine.h"
#include "import/importer.h"
#include "machine/machine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <random>

namespace {

TCommandRow Row(const QString& from, const QString& read, const QString& to, const QString& write, Move move) {
    return TCommandRow{from, read, to, write, MoveText(move), 0};
}

// Adds one to a binary number and stops in a state whose name no text format keeps.
TExportSource Increment() {
    TExportSource m;
    m.states = QStringList{QStringLiteral("q0"), QStringLiteral("q1"), QStringLiteral("все готово")};
    m.initialState = QStringLiteral("q0");
    const QString done = QStringLiteral("все готово");
    m.commands = {Row(QStringLiteral("q0"), QStringLiteral("0"), QStringLiteral("q0"), QStringLiteral("0"), MoveRight),
                  Row(QStringLiteral("q0"), QStringLiteral("1"), QStringLiteral("q0"), QStringLiteral("1"), MoveRight),
                  Row(QStringLiteral("q0"), QStringLiteral("#"), QStringLiteral("q1"), QStringLiteral("#"), MoveLeft),
                  Row(QStringLiteral("q1"), QStringLiteral("1"), QStringLiteral("q1"), QStringLiteral("0"), MoveLeft),
                  Row(QStringLiteral("Q1"), QStringLiteral("0"), done, QStringLiteral("1"), MoveStay),
                  Row(QStringLiteral("q1"), QStringLiteral("#"), done, QStringLiteral("1"), MoveStay)};
    return m;
}

QStringList Sorted(QStringList list) {
    list.sort();
    return list;
}

QStringList CommandLines(const QList<TCommandRow>& rows) {
    QStringList lines;
    for (const TCommandRow& c : rows)
        lines.append(QStringList{c.sourceState, c.sourceSymbol, c.newState, c.newSymbol, c.move}.join(u' '));
    return Sorted(lines);
}

const TExportFormat Formats[] = {TExportFormat::Jff, TExportFormat::RuleLines, TExportFormat::RulePairs};

} // namespace

// What each format's file says for a small machine, byte for byte: the blank, the moves, the stopping state,
// the places of the states (one not placed by the diagram goes on the grid below), and the name a text
// format cannot keep, which is reported.
TEST(Export, SmallMachineInEachFormat) {
    TExportOptions options;
    options.positions.insert(QStringLiteral("q0"), QPointF(27, 18));
    options.positions.insert(QStringLiteral("q1"), QPointF(99.24, 18));
    options.title = QStringLiteral("increment");
    const QString renamed = QStringLiteral("состояние «все готово» записано как «все_готово»");
    const struct {
        TExportFormat format;
        QString text;
        QStringList warnings;
    } cases[] = {
        {TExportFormat::Jff,
         QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
                        "<structure>\n"
                        "\t<type>turing</type>\n"
                        "\t<automaton>\n"
                        "\t\t<state id=\"0\" name=\"q0\">\n"
                        "\t\t\t<x>27.0</x>\n"
                        "\t\t\t<y>18.0</y>\n"
                        "\t\t\t<initial/>\n"
                        "\t\t</state>\n"
                        "\t\t<state id=\"1\" name=\"q1\">\n"
                        "\t\t\t<x>99.2</x>\n"
                        "\t\t\t<y>18.0</y>\n"
                        "\t\t</state>\n"
                        "\t\t<state id=\"2\" name=\"все готово\">\n"
                        "\t\t\t<x>50.0</x>\n"
                        "\t\t\t<y>68.0</y>\n"
                        "\t\t\t<final/>\n"
                        "\t\t</state>\n"
                        "\t\t<transition>\n"
                        "\t\t\t<from>0</from>\n"
                        "\t\t\t<to>0</to>\n"
                        "\t\t\t<read>0</read>\n"
                        "\t\t\t<write>0</write>\n"
                        "\t\t\t<move>R</move>\n"
                        "\t\t</transition>\n"
                        "\t\t<transition>\n"
                        "\t\t\t<from>0</from>\n"
                        "\t\t\t<to>0</to>\n"
                        "\t\t\t<read>1</read>\n"
                        "\t\t\t<write>1</write>\n"
                        "\t\t\t<move>R</move>\n"
                        "\t\t</transition>\n"
                        "\t\t<transition>\n"
                        "\t\t\t<from>0</from>\n"
                        "\t\t\t<to>1</to>\n"
                        "\t\t\t<read/>\n"
                        "\t\t\t<write/>\n"
                        "\t\t\t<move>L</move>\n"
                        "\t\t</transition>\n"
                        "\t\t<transition>\n"
                        "\t\t\t<from>1</from>\n"
                        "\t\t\t<to>1</to>\n"
                        "\t\t\t<read>1</read>\n"
                        "\t\t\t<write>0</write>\n"
                        "\t\t\t<move>L</move>\n"
                        "\t\t</transition>\n"
                        "\t\t<transition>\n"
                        "\t\t\t<from>1</from>\n"
                        "\t\t\t<to>2</to>\n"
                        "\t\t\t<read>0</read>\n"
                        "\t\t\t<write>1</write>\n"
                        "\t\t\t<move>S</move>\n"
                        "\t\t</transition>\n"
                        "\t\t<transition>\n"
                        "\t\t\t<from>1</from>\n"
                        "\t\t\t<to>2</to>\n"
                        "\t\t\t<read/>\n"
                        "\t\t\t<write>1</write>\n"
                        "\t\t\t<move>S</move>\n"
                        "\t\t</transition>\n"
                        "\t</automaton>\n"
                        "</structure>\n"),
         {}},
        {TExportFormat::RuleLines,
         QStringLiteral("0 0 0 r 0\n"
                        "0 1 1 r 0\n"
                        "0 _ _ l q1\n"
                        "q1 1 0 l q1\n"
                        "q1 0 1 * все_готово\n"
                        "q1 _ 1 * все_готово\n"),
         {QStringLiteral("состояние «q0» записано как «0»"), renamed}},
        {TExportFormat::RulePairs,
         QStringLiteral("name: increment\n"
                        "init: q0\n"
                        "accept: все_готово\n"
                        "\nq0,0\nq0,0,>\n"
                        "\nq0,1\nq0,1,>\n"
                        "\nq0,_\nq1,_,<\n"
                        "\nq1,1\nq1,0,<\n"
                        "\nq1,0\nвсе_готово,1,-\n"
                        "\nq1,_\nвсе_готово,1,-\n"),
         {renamed}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ExportExtension(c.format).toStdString());
        TExported exported;
        QString error;
        ASSERT_TRUE(ExportText(Increment(), c.format, options, exported, error)) << error.toStdString();
        EXPECT_EQ(QString::fromUtf8(exported.bytes), c.text);
        EXPECT_EQ(exported.warnings, c.warnings);
    }
}

// Random machines, their names chosen among those the formats read as something else, go out and come back
// through the importer as the same machine: the same commands, states and initial state, under the names
// the export reported.
TEST(Export, RandomMachinesImportBackTheSame) {
    const QStringList pool{QStringLiteral("q0"),
                           QStringLiteral("0"),
                           QStringLiteral("*"),
                           QStringLiteral("halt"),
                           QStringLiteral("Halt-ok"),
                           QStringLiteral("init: x"),
                           QStringLiteral("Name:"),
                           QStringLiteral("a,b"),
                           QStringLiteral("x//y"),
                           QStringLiteral("<structure"),
                           QStringLiteral("[ABCD]"),
                           QStringLiteral("a b"),
                           QStringLiteral("a_b"),
                           QStringLiteral("очень длинное имя состояния"),
                           QStringLiteral("очень длинное имя второе"),
                           QStringLiteral("Очень_длинное_им"),
                           QStringLiteral("шаг;1"),
                           QStringLiteral("~"),
                           QStringLiteral("s\tt"),
                           QStringLiteral("Ж")};
    const QString symbols = QStringLiteral("#01aZя№_*;,~/!");
    std::mt19937 random(20261208);
    QTemporaryDir dir;
    int exported = 0;
    for (int round = 0; round < 60; ++round) {
        const TExportFormat format = Formats[round % 3];
        QStringList names = pool;
        std::shuffle(names.begin(), names.end(), random);
        names = names.mid(0, 2 + int(random() % 8));
        QString alphabet;
        // Symbols a format reads as something else come seldom, so that most machines go out.
        for (QChar c : symbols)
            if (c == BlankSymbol || random() % (QStringLiteral("01aZя№/!").contains(c) ? 2 : 10) == 0)
                alphabet += c;
        TExportSource m;
        m.states = names;
        m.initialState = names[random() % names.size()];
        for (const QString& from : names) {
            // Some states stop; the initial state always has commands, as one rule a line needs.
            if (from != m.initialState && random() % 3 == 0)
                continue;
            for (QChar read : alphabet) {
                if (random() % 2 == 0 && !(from == m.initialState && read == BlankSymbol))
                    continue;
                const QString to = names[random() % names.size()];
                const QString write(alphabet[random() % alphabet.size()]);
                const Move move = Move(1 + random() % 3);
                if (from == to && write == read && move == MoveStay)
                    continue;
                // Commands may spell a state in another letter case.
                m.commands.append(Row(random() % 4 == 0 ? from.toUpper() : from, QString(read), to, write, move));
            }
        }
        SCOPED_TRACE(round);
        TExported out;
        QString error;
        if (!ExportText(m, format, TExportOptions{}, out, error)) {
            // Only a symbol the format gives a meaning of its own may stop the export.
            EXPECT_TRUE(error.contains(QStringLiteral("нельзя записать в формате"))) << error.toStdString();
            continue;
        }
        ++exported;
        const QString path = dir.filePath(QStringLiteral("m%1").arg(round) + ExportExtension(format));
        ASSERT_TRUE(WriteAll(path, out.bytes));
        TImportedMachine back;
        ASSERT_TRUE(ReadImportFile(path, back, error)) << error.toStdString();
        EXPECT_TRUE(back.warnings.isEmpty()) << back.warnings.join(u'\n').toStdString();

        const auto name = [&](const QString& state) { return out.names.value(names[names.indexOf(state)]); };
        EXPECT_EQ(back.initialState, name(m.initialState));
        QList<TCommandRow> expected;
        QSet<QString> used{name(m.initialState)};
        for (const TCommandRow& c : m.commands) {
            const QString from = *std::find_if(names.cbegin(), names.cend(), [&](const QString& s) {
                return s.compare(c.sourceState, Qt::CaseInsensitive) == 0;
            });
            expected.append(
                Row(name(from), c.sourceSymbol, name(c.newState), c.newSymbol, TMachine::CommandFromRow(c).move));
            used << name(from) << name(c.newState);
        }
        EXPECT_EQ(CommandLines(back.commands), CommandLines(expected));
        QStringList states;
        QStringList reported;
        for (const QString& s : names) {
            // One rule a line cannot name a state no command uses; the export says so.
            if (format != TExportFormat::RuleLines || used.contains(name(s)))
                states.append(name(s));
            if (name(s) != s)
                reported.append(QStringLiteral("состояние «") + s + QStringLiteral("» записано как «") + name(s) +
                                QStringLiteral("»"));
        }
        EXPECT_EQ(Sorted(back.states), Sorted(states));
        for (const QString& w : reported)
            EXPECT_TRUE(out.warnings.contains(w)) << w.toStdString();
    }
    EXPECT_GE(exported, 40);
}

// A machine that cannot mean the same in the format is refused, the message saying what and where, and a file
// already under the name stays as it was, as it does when the save fails.
TEST(Export, RefusalNamesTheCause) {
    const auto with = [](const std::function<void(TExportSource&)>& change) {
        TExportSource m = Increment();
        change(m);
        return m;
    };
    const struct {
        TExportFormat format;
        TExportSource machine;
        QString error;
    } cases[] = {
        {TExportFormat::RuleLines, with([](TExportSource& m) { m.commands[1].newSymbol = QStringLiteral("_"); }),
         QStringLiteral("Команда 2: символ «_» нельзя записать в формате «по одному правилу в строке»: там «_» "
                        "означает пустую клетку")},
        {TExportFormat::RuleLines, with([](TExportSource& m) { m.commands[0].sourceSymbol = QStringLiteral("*"); }),
         QStringLiteral("Команда 1: символ «*» нельзя записать в формате «по одному правилу в строке»: там «*» "
                        "означает любой символ")},
        {TExportFormat::RulePairs, with([](TExportSource& m) { m.commands[3].sourceSymbol = QStringLiteral(","); }),
         QStringLiteral("Команда 4: символ «,» нельзя записать в формате «по две строки на правило»: там запятая "
                        "разделяет поля правила")},
        {TExportFormat::Jff, with([](TExportSource& m) { m.commands[5].newSymbol = QStringLiteral("~"); }),
         QStringLiteral("Команда 6: символ «~» нельзя записать в формате JFLAP: там «~» означает любой символ")},
        {TExportFormat::Jff, with([](TExportSource& m) { m.commands[4].sourceSymbol = QStringLiteral("1"); }),
         QStringLiteral("Команда 5: для состояния «Q1» и символа «1» уже есть команда 4")},
        {TExportFormat::Jff, with([](TExportSource& m) { m.commands[2].newState = QStringLiteral("q9"); }),
         QStringLiteral("Команда 3: состояния «q9» нет в списке состояний")},
        {TExportFormat::RulePairs, with([](TExportSource& m) {
             m.commands[1] =
                 Row(QStringLiteral("q0"), QStringLiteral("1"), QStringLiteral("Q0"), QStringLiteral("1"), MoveStay);
         }),
         QStringLiteral("Команда 2: команда зацикливает машину на месте")},
        {TExportFormat::RulePairs, with([](TExportSource& m) { m.initialState.clear(); }),
         QStringLiteral("Не задано начальное состояние")},
        {TExportFormat::RuleLines, with([](TExportSource& m) { m.initialState = QStringLiteral("все готово"); }),
         QStringLiteral("У начального состояния «все готово» нет команд: в формате «по одному правилу в строке» "
                        "начальное состояние узнается по его правилам")},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kept.tm"));
    ASSERT_TRUE(WriteAll(path, "kept\n"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error.toStdString());
        QStringList warnings;
        QString error;
        EXPECT_FALSE(ExportMachineFile(c.machine, c.format, TExportOptions{}, path, warnings, error));
        EXPECT_EQ(error, c.error);
    }
    // A disk that fills up while the file is written costs the old file nothing either.
    {
        TInjectedFault full({fileio::TStep::Write}, QStringLiteral(".tmp"), ENOSPC);
        QStringList warnings;
        QString error;
        EXPECT_FALSE(ExportMachineFile(Increment(), TExportFormat::RuleLines, TExportOptions{}, path, warnings, error));
        EXPECT_TRUE(full.Fired());
        EXPECT_EQ(error,
                  QStringLiteral("Ошибка записи файла ") + path + QStringLiteral(": ") + fileio::ErrorText(ENOSPC));
    }
    EXPECT_EQ(ReadAll(path), QByteArray("kept\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("kept.tm")});
}

// qtm-run writes the machine in the format named, its warnings on the error stream; a format it does not
// know or a missing target is a bad parameter.
TEST(Export, CommandLineWritesTheFormatNamed) {
    QTemporaryDir dir;
    const QString machine = QFileInfo(QString::fromUtf8(__FILE__))
                                .absoluteDir()
                                .absoluteFilePath(QStringLiteral("../../examples/inversion.qtm"));
    const struct {
        QStringList arguments;
        int status;
        QString err;
        QByteArray written;
    } cases[] = {
        {{machine, QStringLiteral("--export"), QStringLiteral("lines"), dir.filePath(QStringLiteral("out.tm"))},
         0,
         machine + QStringLiteral(": предупреждение: состояние «q0» записано как «0»\n"),
         "0 0 1 r 0\n0 1 0 r 0\n0 _ _ l q1\n"},
        {{machine, QStringLiteral("--export"), QStringLiteral("pairs"), dir.filePath(QStringLiteral("out.txt"))},
         0,
         QString(),
         "name: inversion\ninit: q0\naccept: q1\n\nq0,0\nq0,1,>\n\nq0,1\nq0,0,>\n\nq0,_\nq1,_,<\n"},
        {{machine, QStringLiteral("--export"), QStringLiteral("xml"), dir.filePath(QStringLiteral("x"))},
         2,
         QStringLiteral("Неверный формат --export: xml (ожидается jff, lines или pairs)\n"),
         QByteArray()},
        {{machine, QStringLiteral("--export"), QStringLiteral("jff")},
         2,
         QStringLiteral("Параметр --export: укажите файл машины и файл, куда ее записать\n"),
         QByteArray()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        EXPECT_EQ(RunBatch(QStringList{QStringLiteral("qtm-run")} + c.arguments, outStream, errStream, false),
                  c.status);
        EXPECT_EQ(err, c.err);
        if (!c.written.isEmpty()) {
            EXPECT_EQ(ReadAll(c.arguments.last()), c.written);
        }
    }
}
