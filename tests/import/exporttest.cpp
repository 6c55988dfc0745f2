#include "cli/runnercli.h"
#include "diagram/diagram.h"
#include "faultinjection.h"
#include "filetestutil.h"
#include "import/exporter.h"
#include "import/foreignmachine.h"
#include "import/importer.h"
#include "machine/machine.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <random>

namespace {

TCommandRow Row(const QString& from, const QString& read, const QString& to, const QString& write, Move move) {
    return TCommandRow{from, read, to, write, MoveText(move), 0};
}

// Inverts the word and stops on the blank after it, in a state whose name no text format keeps; one command
// spells its state in another letter case.
TExportSource Inversion() {
    const QString done = QStringLiteral("все готово");
    return TExportSource{
        {QStringLiteral("q0"), done},
        QStringLiteral("q0"),
        {Row(QStringLiteral("q0"), QStringLiteral("1"), QStringLiteral("q0"), QStringLiteral("0"), MoveRight),
         Row(QStringLiteral("Q0"), QStringLiteral("0"), QStringLiteral("q0"), QStringLiteral("1"), MoveRight),
         Row(QStringLiteral("q0"), QStringLiteral("#"), done, QStringLiteral("№"), MoveStay)},
        QStringLiteral("01№")};
}

QString Transition(const char* from, const char* to, const QString& read, const QString& write, const char* move) {
    return QStringLiteral("\t\t<transition>\n\t\t\t<from>%1</from>\n\t\t\t<to>%2</to>\n\t\t\t%3\n\t\t\t%4\n"
                          "\t\t\t<move>%5</move>\n\t\t</transition>\n")
        .arg(QLatin1String(from), QLatin1String(to), read, write, QLatin1String(move));
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

} // namespace

// What each format's file says for a small machine, byte for byte: the blank, the moves, the stopping state,
// the place of a state (one the diagram has not placed goes on the grid below), and the names a text format
// cannot keep, which are reported.
TEST(Export, SmallMachineInEachFormat) {
    TExportOptions options{{{QStringLiteral("q0"), QPointF(27, 18.04)}}, QStringLiteral("inversion")};
    const QString renamed = QStringLiteral("состояние «все готово» записано как «все_готово»");
    const struct {
        TExportFormat format;
        QString text;
        QStringList warnings;
    } cases[] = {
        {TExportFormat::Jff,
         QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n<structure>\n"
                        "\t<type>turing</type>\n\t<automaton>\n"
                        "\t\t<state id=\"0\" name=\"q0\">\n\t\t\t<x>27.0</x>\n\t\t\t<y>18.0</y>\n\t\t\t<initial/>\n"
                        "\t\t</state>\n"
                        "\t\t<state id=\"1\" name=\"все готово\">\n\t\t\t<x>50.0</x>\n\t\t\t<y>68.0</y>\n"
                        "\t\t\t<final/>\n\t\t</state>\n") +
             Transition("0", "0", QStringLiteral("<read>1</read>"), QStringLiteral("<write>0</write>"), "R") +
             Transition("0", "0", QStringLiteral("<read>0</read>"), QStringLiteral("<write>1</write>"), "R") +
             Transition("0", "1", QStringLiteral("<read/>"), QStringLiteral("<write>№</write>"), "S") +
             QStringLiteral("\t</automaton>\n</structure>\n"),
         {}},
        {TExportFormat::RuleLines,
         QStringLiteral("0 1 0 r 0\n0 0 1 r 0\n0 _ № * все_готово\n"),
         {QStringLiteral("состояние «q0» записано как «0»"), renamed}},
        {TExportFormat::RulePairs,
         QStringLiteral("name: inversion\ninit: q0\naccept: все_готово\n\nq0,1\nq0,0,>\n\nq0,0\nq0,1,>\n\nq0,_\n"
                        "все_готово,№,-\n"),
         {renamed}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ExportExtension(c.format).toStdString());
        TExported exported;
        QString error;
        ASSERT_TRUE(ExportText(Inversion(), c.format, options, exported, error)) << error.toStdString();
        EXPECT_EQ(QString::fromUtf8(exported.bytes), c.text);
        EXPECT_EQ(exported.warnings, c.warnings);
    }
}

// Random machines, their names chosen among those the formats read as something else, go out and come back
// through the importer as the same machine: the same commands, states and initial state, under the names
// the export reported.
TEST(Export, RandomMachinesImportBackTheSame) {
    const QStringList pool = QStringLiteral("q0|0|*|halt|Halt-ok|init: x|Name:|a,b|x//y|<structure|[ABCD]|a b|a_b|"
                                            "очень длинное имя состояния|очень длинное имя второе|Очень_длинное_им|"
                                            "шаг;1|~|s\tt|Ж")
                                 .split(u'|');
    const TExportFormat formats[] = {TExportFormat::Jff, TExportFormat::RuleLines, TExportFormat::RulePairs};
    std::mt19937 random(20261208);
    QTemporaryDir dir;
    int exported = 0;
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        const TExportFormat format = formats[round % 3];
        QStringList names = pool;
        std::shuffle(names.begin(), names.end(), random);
        names = names.mid(0, 2 + int(random() % 8));
        // Symbols a format reads as something else come seldom, so that most machines go out.
        QString alphabet;
        for (QChar c : QStringLiteral("#01aZя№/!_*;,~"))
            if (c == BlankSymbol || random() % (QStringLiteral("01aZя№/!").contains(c) ? 2 : 10) == 0)
                alphabet += c;
        TExportSource m{names, names[random() % names.size()], {}, alphabet};
        for (const QString& from : names)
            for (QChar read : alphabet) {
                // Some states stop; the initial state has commands, as one rule a line needs.
                const bool needed = from == m.initialState && read == BlankSymbol;
                const QString to = names[random() % names.size()];
                const QString write(alphabet[random() % alphabet.size()]);
                const Move move = Move(1 + random() % 3);
                if ((random() % 2 == 0 && !needed) || (from == to && write == read && move == MoveStay))
                    continue;
                // Commands may spell a state in another letter case.
                m.commands.append(Row(random() % 4 == 0 ? from.toUpper() : from, QString(read), to, write, move));
            }
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

        QHash<QString, QString> name;
        for (const QString& s : names)
            name.insert(s.toCaseFolded(), out.names.value(s));
        EXPECT_EQ(back.initialState, name[m.initialState.toCaseFolded()]);
        QList<TCommandRow> expected;
        QSet<QString> used{name[m.initialState.toCaseFolded()]};
        for (const TCommandRow& c : m.commands) {
            const QString from = name[c.sourceState.toCaseFolded()];
            const QString to = name[c.newState.toCaseFolded()];
            expected.append(Row(from, c.sourceSymbol, to, c.newSymbol, TMachine::CommandFromRow(c).move));
            used << from << to;
        }
        EXPECT_EQ(CommandLines(back.commands), CommandLines(expected));
        QStringList states;
        for (const QString& s : names) {
            const QString mapped = name[s.toCaseFolded()];
            // One rule a line cannot name a state no command uses.
            if (format != TExportFormat::RuleLines || used.contains(mapped))
                states.append(mapped);
            EXPECT_EQ(out.warnings.contains(QStringLiteral("состояние «%1» записано как «%2»").arg(s, mapped)),
                      mapped != s);
        }
        EXPECT_EQ(Sorted(back.states), Sorted(states));
    }
    EXPECT_GE(exported, 40);
}

// A machine that cannot mean the same in the format is refused, the message saying what and where; a file
// already under the name stays as it was, as it does when the save fails.
TEST(Export, RefusalNamesTheCause) {
    const auto with = [](const std::function<void(TExportSource&)>& change) {
        TExportSource m = Inversion();
        change(m);
        return m;
    };
    const struct {
        TExportFormat format;
        TExportSource machine;
        QString error;
    } cases[] = {
        {TExportFormat::RuleLines, with([](TExportSource& m) {
             m.commands[1].newSymbol = QStringLiteral("_");
             m.alphabet += u'_';
         }),
         QStringLiteral("Команда 1: символ «_» нельзя записать в формате «по одному правилу в строке»: там «_» "
                        "означает пустую клетку")},
        {TExportFormat::RulePairs, with([](TExportSource& m) {
             m.commands[2].newSymbol = QStringLiteral(",");
             m.alphabet += u',';
         }),
         QStringLiteral("Команда 2: символ «,» нельзя записать в формате «по две строки на правило»: там запятая "
                        "разделяет поля правила")},
        {TExportFormat::Jff, with([](TExportSource& m) {
             m.commands[2].newSymbol = QStringLiteral("~");
             m.alphabet += u'~';
         }),
         QStringLiteral("Команда 2: символ «~» нельзя записать в формате JFLAP: там «~» означает любой символ")},
        {TExportFormat::Jff, with([](TExportSource& m) { m.commands[1].sourceSymbol = QStringLiteral("1"); }),
         QStringLiteral("Команда 1: для состояния «Q0» и символа «1» уже есть команда 0")},
        {TExportFormat::RulePairs, with([](TExportSource& m) {
             m.commands[1].newSymbol = QStringLiteral("0");
             m.commands[1].move = MoveStayText;
         }),
         QStringLiteral("Команда 1: команда ведет к зацикливанию машины")},
        // Symbols the program would refuse to run: the data check's words, and the symbol.
        {TExportFormat::Jff, with([](TExportSource& m) { m.commands[1].sourceSymbol = QStringLiteral("x"); }),
         QStringLiteral("Команда 1: исходный символ отсутсвует в алфавите: «x»")},
        {TExportFormat::RuleLines, with([](TExportSource& m) { m.commands[2].newSymbol = QStringLiteral("y"); }),
         QStringLiteral("Команда 2: новый символ отсутсвует в алфавите: «y»")},
        {TExportFormat::RulePairs, with([](TExportSource& m) { m.alphabet = QStringLiteral("01"); }),
         QStringLiteral("Команда 2: новый символ отсутсвует в алфавите: «№»")},
        {TExportFormat::RulePairs, with([](TExportSource& m) { m.initialState.clear(); }),
         QStringLiteral("Не задано начальное состояние")},
        {TExportFormat::RuleLines, with([](TExportSource& m) { m.initialState = QStringLiteral("все готово"); }),
         QStringLiteral("У начального состояния «все готово» нет команд: в формате «по одному правилу в строке» "
                        "начальное состояние узнается по его правилам")},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kept.tm"));
    ASSERT_TRUE(WriteAll(path, "kept\n"));
    QStringList warnings;
    QString error;
    for (const auto& c : cases) {
        EXPECT_FALSE(ExportMachineFile(c.machine, c.format, TExportOptions{}, path, warnings, error));
        EXPECT_EQ(error, c.error);
    }
    {
        TInjectedFault full({fileio::TStep::Write}, QStringLiteral(".tmp"), ENOSPC);
        EXPECT_FALSE(ExportMachineFile(Inversion(), TExportFormat::RulePairs, TExportOptions{}, path, warnings, error));
        EXPECT_TRUE(full.Fired());
    }
    EXPECT_EQ(error, QStringLiteral("Ошибка записи файла ") + path + QStringLiteral(": ") + fileio::ErrorText(ENOSPC));
    EXPECT_EQ(ReadAll(path), QByteArray("kept\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("kept.tm")});
}

// qtm-run writes the machine in the format named, the renaming said on the error stream; a format it does not
// know is a bad parameter.
TEST(Export, CommandLineWritesTheFormatNamed) {
    QTemporaryDir dir;
    const QString machine = QFileInfo(QString::fromUtf8(__FILE__))
                                .absoluteDir()
                                .absoluteFilePath(QStringLiteral("../../examples/inversion.qtm"));
    const QString out = dir.filePath(QStringLiteral("out.tm"));
    QString text;
    QString err;
    QTextStream outStream(&text);
    QTextStream errStream(&err);
    EXPECT_EQ(RunBatch({QStringLiteral("qtm-run"), machine, QStringLiteral("--export"), QStringLiteral("lines"), out},
                       outStream, errStream, false),
              0);
    EXPECT_EQ(ReadAll(out), QByteArray("0 0 1 r 0\n0 1 0 r 0\n0 _ _ l q1\n"));
    EXPECT_EQ(err, machine + QStringLiteral(": предупреждение: состояние «q0» записано как «0»\n"));
    err.clear();
    EXPECT_EQ(RunBatch({QStringLiteral("qtm-run"), machine, QStringLiteral("--export"), QStringLiteral("xml"), out},
                       outStream, errStream, false),
              2);
    EXPECT_EQ(err, QStringLiteral("Неверный формат --export: xml (ожидается jff, lines или pairs)\n"));
}

// The JFLAP file's places come from the diagram's layout, made in a child process within its limits; a machine
// the format refuses is refused before any layout.
TEST(Export, CommandLineLaysOutOnlyWhatItWrites) {
    QTemporaryDir dir;
    const QString machine = QFileInfo(QString::fromUtf8(__FILE__))
                                .absoluteDir()
                                .absoluteFilePath(QStringLiteral("../../examples/inversion.qtm"));
    QByteArray bytes = ReadAll(machine);
    bytes.replace("[ABCD] 01", "[ABCD] 01~");
    bytes.replace("q0                1 q0                0", "q0                1 q0                ~");
    const QString refused = dir.filePath(QStringLiteral("refused.qtm"));
    ASSERT_TRUE(WriteAll(refused, bytes));
    QString text;
    QString err;
    QTextStream outStream(&text);
    QTextStream errStream(&err);
    const int before = DiagramLayoutsBegun();
    EXPECT_EQ(RunBatch({QStringLiteral("qtm-run"), machine, QStringLiteral("--export"), QStringLiteral("jff"),
                        dir.filePath(QStringLiteral("m.jff"))},
                       outStream, errStream, false),
              0);
    EXPECT_EQ(DiagramLayoutsBegun(), before + 1);
    err.clear();
    EXPECT_EQ(RunBatch({QStringLiteral("qtm-run"), refused, QStringLiteral("--export"), QStringLiteral("jff"),
                        dir.filePath(QStringLiteral("r.jff"))},
                       outStream, errStream, false),
              2);
    errStream.flush();
    EXPECT_EQ(err, refused + QStringLiteral(": Команда 1: символ «~» нельзя записать в формате JFLAP: там «~» "
                                            "означает любой символ\n"));
    EXPECT_EQ(DiagramLayoutsBegun(), before + 1);
}
