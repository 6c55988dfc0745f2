#include "breakpoints/breakpoint.h"
#include "files/qtmfile.h"
#include "filetestutil.h"
#include "import/foreignmachine.h"
#include "import/importer.h"
#include "import/jfffile.h"
#include "import/pairtext.h"
#include "import/ruletext.h"
#include "machinefixture.h"
#include "runner/batchrun.h"
#include "cli/runnercli.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QString Data(const QString& name) {
    return QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().absoluteFilePath(QStringLiteral("data/") + name);
}

// One command a line as "state symbol newState newSymbol move".
QStringList Commands(const TImportedMachine& m) {
    QStringList lines;
    for (const TCommandRow& c : m.commands)
        lines.append(QStringList{c.sourceState, c.sourceSymbol, c.newState, c.newSymbol, c.move}.join(u' '));
    return lines;
}

class ImportText : public ::testing::Test {
protected:
    // Writes the text (UTF-8) under the name and imports it.
    bool Import(const QString& name, const QString& text) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(WriteAll(path, text.toUtf8()));
        error.clear();
        return ReadImportFile(path, imported, error);
    }

    QTemporaryDir dir;
    TImportedMachine imported;
    QString error;
};

class ImportIntoMachine : public MachineTest {};

} // namespace

// Each machine written from its format's documentation runs through the runner's core to the documented
// result: the tape left behind and the state it stops in.
TEST(Import, DocumentedMachinesRunToTheirResults) {
    const struct {
        const char* file;
        QString word;
        QString inner;
        QString state;
    } cases[] = {
        {"increment.jff", QStringLiteral("1011"), QStringLiteral("1100"), QStringLiteral("q2")},
        {"increment.jff", QStringLiteral("111"), QStringLiteral("1000"), QStringLiteral("q2")},
        {"palindrome.jff", QStringLiteral("abba"), QString(), QStringLiteral("q6")},
        {"palindrome.jff", QStringLiteral("aba"), QString(), QStringLiteral("q6")},
        {"palindrome.jff", QStringLiteral("abb"), QStringLiteral("bb"), QStringLiteral("q2")},
        {"increment.txt", QStringLiteral("1011"), QStringLiteral("1100"), QStringLiteral("halt")},
        {"increment.txt", QStringLiteral("111"), QStringLiteral("1000"), QStringLiteral("halt")},
        {"palindrome.tm", QStringLiteral("1001"), QString(), QStringLiteral("halt-accept")},
        {"palindrome.tm", QStringLiteral("10"), QStringLiteral("0"), QStringLiteral("halt-reject")},
        {"increment.tm", QStringLiteral("1011"), QStringLiteral("1100"), QStringLiteral("qDone")},
        {"increment.tm", QStringLiteral("111"), QStringLiteral("1000"), QStringLiteral("qDone")},
        {"palindrome.txt", QStringLiteral("1001"), QString(), QStringLiteral("qAccept")},
        {"palindrome.txt", QStringLiteral("10"), QStringLiteral("0"), QStringLiteral("qSearch1L")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file + std::string(" ") + c.word.toStdString());
        TConfig config{QString()};
        config.SetDiesCount(2);
        TBatchRunner runner(config);
        QStringList warnings;
        QString error;
        ASSERT_TRUE(runner.Load(Data(QString::fromLatin1(c.file)), warnings, error, c.word)) << error.toStdString();
        const TRunResult r = runner.Run(c.word, 1000);
        EXPECT_EQ(r.end, TRunEnd::Halt) << r.faults.join(u'\n').toStdString();
        EXPECT_EQ(r.InnerTape(), c.inner);
        EXPECT_EQ(r.state, c.state);
    }
}

// The shapes real machines come in, told by their content whatever their names: JFLAP 6.4 and "turingbb"
// states saved as blocks of empty machines, JFLAP 4 states right under the structure, "#" as a tape
// symbol (in the words too), halting states in any letter case, a later rule replacing an earlier one,
// headers in any letter case, and a rule that loops in place.
TEST(Import, RealShapesRunAsInTheirSimulators) {
    const QString transitions =
        QStringLiteral("<transition><from>0</from><to>0</to><read>a</read><write>b</write><move>R</move></transition>"
                       "<transition><from>0</from><to>1</to><read/><write/><move>S</move></transition>");
    const struct {
        const char* name;
        QString text;
        QString word;
        QString inner;
        QString state;
        QStringList warnings;
    } cases[] = {
        {"blocks.jff",
         QStringLiteral("<structure><type>turingbb</type><automaton>"
                        "<block id=\"0\" name=\"q0\"><tag>Machine0</tag><initial/></block>"
                        "<block id=\"1\" name=\"q1\"><tag>Machine1</tag><final/></block>") +
             transitions + QStringLiteral("<Machine0/><Machine1/></automaton></structure>"),
         QStringLiteral("aa"),
         QStringLiteral("bb"),
         QStringLiteral("q1"),
         {}},
        {"book",
         QStringLiteral("<?xml version=\"1.0\"?>\n<structure>\n<type>turing</type>\n<state id=\"0\"><initial/></state>"
                        "<state id=\"1\"><final/></state>") +
             transitions +
             QStringLiteral("<transition><from>0</from><to>0</to><read>#</read><write>#</write><move>R</move>"
                            "</transition></structure>"),
         QStringLiteral("a#a"),
         QStringLiteral("b№b"),
         QStringLiteral("q1"),
         {QStringLiteral("символ '#' заменен на '№'")}},
        {"rules.tms",
         QStringLiteral("0 1 1 r 0\n0 _ _ * HALT-accept\n0 1 0 r 0\n"),
         QStringLiteral("11"),
         QStringLiteral("00"),
         QStringLiteral("HALT-accept"),
         {QStringLiteral("Строка 3: правило для состояния «0» и символа «1» заменяет правило строки 1")}},
        {"pairs",
         QStringLiteral("Name: x\nINIT: q0\nAccept: qA\nq0,1\nq0,0,>\nq0,_\nqA,_,-\n"),
         QStringLiteral("11"),
         QStringLiteral("00"),
         QStringLiteral("qA"),
         {}},
        {"loop.tm",
         QStringLiteral("init: q0\nq0,a\nq0,b,>\nq0,_\nq0,_,-\n"),
         QStringLiteral("ab"),
         QStringLiteral("bb"),
         QStringLiteral("q0"),
         {QStringLiteral("Строка 4: правило для состояния «q0» зацикливает машину на месте: цикл идет через состояние "
                         "«q0~цикл»")}},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        ASSERT_TRUE(WriteAll(path, c.text.toUtf8()));
        TConfig config{QString()};
        TBatchRunner runner(config);
        QStringList warnings;
        QString error;
        ASSERT_TRUE(runner.Load(path, warnings, error, c.word)) << error.toStdString();
        EXPECT_EQ(warnings, c.warnings);
        const TRunResult r = runner.Run(c.word, 100);
        EXPECT_EQ(r.end, TRunEnd::Halt) << r.faults.join(u'\n').toStdString();
        EXPECT_EQ(r.InnerTape(), c.inner);
        EXPECT_EQ(r.state, c.state);
    }
}

TEST(Import, QtmRunTakesTheSameFiles) {
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const int status =
        RunBatch({QStringLiteral("qtm-run"), Data(QStringLiteral("palindrome.tm")), QStringLiteral("--word"),
                  QStringLiteral("0110"), QStringLiteral("--dies"), QStringLiteral("2")},
                 outStream, errStream);
    EXPECT_EQ(status, 0) << err.toStdString();
    EXPECT_EQ(out, QStringLiteral("0110\tостанов\tшагов: 15\tсостояние: halt-accept\tсимвол: #\tлента: \n"));

    const int refused =
        RunBatch({QStringLiteral("qtm-run"), Data(QStringLiteral("twotape.jff"))}, outStream, errStream);
    EXPECT_EQ(refused, 2);
    EXPECT_EQ(err, QStringLiteral("Строка 3: машина JFLAP для нескольких лент (лент: 2) не переносится: у этой "
                                  "машины одна лента\n"));
}

// Wildcards are spelled out over the alphabet and the blank: an exact rule first, then a rule for any
// symbol, then one for any state; comments and the breakpoint mark are dropped; the machine starts in the
// first rule's state when no rule is for state 0.
TEST_F(ImportText, RuleLinesWithWildcardsAndComments) {
    ASSERT_TRUE(Import(QStringLiteral("w.txt"), QStringLiteral("; a comment line\n"
                                                               "a x y r b   ; after a rule\n"
                                                               "a * * l a\n"
                                                               "* y * * halt-done\n"
                                                               "b _ _ r a !\n")))
        << error.toStdString();
    EXPECT_EQ(imported.alphabet, QStringLiteral("xy"));
    EXPECT_EQ(imported.initialState, QStringLiteral("a"));
    EXPECT_EQ(imported.states, (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("halt-done")}));
    EXPECT_EQ(Commands(imported), (QStringList{
                                      QStringLiteral("a x b y Вправо"),
                                      QStringLiteral("a y a y Влево"),
                                      QStringLiteral("a # a # Влево"),
                                      QStringLiteral("b y halt-done y На месте"),
                                      QStringLiteral("b # a # Вправо"),
                                  }));
}

// Rules for any state alone start in state 0, which is created for them.
TEST_F(ImportText, RuleLinesForAnyStateStartInStateZero) {
    ASSERT_TRUE(Import(QStringLiteral("any.txt"), QStringLiteral("* 1 0 r *\n* _ _ * halt\n"))) << error.toStdString();
    EXPECT_EQ(imported.initialState, QStringLiteral("0"));
    EXPECT_EQ(imported.states, (QStringList{QStringLiteral("0"), QStringLiteral("halt")}));
    EXPECT_EQ(Commands(imported),
              (QStringList{QStringLiteral("0 1 0 0 Вправо"), QStringLiteral("0 # halt # На месте")}));
}

// The two-line format: accept states lose their rules; names that differ only in case, or are longer than
// the state dialog allows, are given distinct names that fit.
TEST_F(ImportText, RulePairsStatesAndNames) {
    ASSERT_TRUE(
        Import(QStringLiteral("p.tm"), QStringLiteral("name: names\r\n"
                                                      "init: q   // start\r\n"
                                                      "accept: averyveryverylongstate2\r\n"
                                                      "q,a\r\nQ,a,>\r\n"
                                                      "Q,a\r\naveryveryverylongstate1,b,<\r\n"
                                                      "averyveryverylongstate1,b\r\naveryveryverylongstate2,_,-\r\n"
                                                      "averyveryverylongstate2,_\r\nq,a,>\r\n")))
        << error.toStdString();
    EXPECT_EQ(imported.states, (QStringList{QStringLiteral("q"), QStringLiteral("Q~2"),
                                            QStringLiteral("averyveryverylon"), QStringLiteral("averyveryveryl~2")}));
    EXPECT_EQ(Commands(imported), (QStringList{
                                      QStringLiteral("q a Q~2 a Вправо"),
                                      QStringLiteral("Q~2 a averyveryverylon b Влево"),
                                      QStringLiteral("averyveryverylon b averyveryveryl~2 # На месте"),
                                  }));
}

// A large import arrives whole and checked: every state and command, in the file's order, and it runs.
TEST(Import, LargeMachineArrivesWholeAndRuns) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("chain.txt"));
    QByteArray text;
    constexpr int N = 5000;
    for (int i = 0; i < N; ++i)
        text += "s" + QByteArray::number(i) + " 1 0 r s" + QByteArray::number(i + 1) + "\n";
    text += "s" + QByteArray::number(N) + " _ _ * halt\n";
    ASSERT_TRUE(WriteAll(path, text));
    TConfig config{QString()};
    TBatchRunner runner(config);
    QStringList warnings;
    QString error;
    ASSERT_TRUE(runner.Load(path, warnings, error, QStringLiteral("1"))) << error.toStdString();
    const TMachine& m = runner.Machine();
    ASSERT_EQ(m.States().size(), N + 2);
    EXPECT_EQ(m.States()[N].name, QStringLiteral("s5000"));
    ASSERT_EQ(m.Commands().size(), N + 1);
    EXPECT_EQ(m.Commands()[N - 1].sourceState, QStringLiteral("s4999"));
    EXPECT_EQ(m.GetInitialState(), QStringLiteral("s0"));
    const TRunResult r = runner.Run(QString(N, QLatin1Char('1')), 2 * N);
    EXPECT_EQ(r.end, TRunEnd::Halt) << r.faults.join(u'\n').toStdString();
    EXPECT_EQ(r.steps, N + 1);
    EXPECT_EQ(r.InnerTape(), QString(N, QLatin1Char('0')));
}

// Names that meet once cut to 16 characters and trimmed, or once their control characters are blanks, stay
// apart, and the machine saves and reads back as it was imported: the state that halts at once on "1"
// is not merged with the one that goes on.
TEST_F(ImportIntoMachine, NamesThatMeetAfterCuttingStayApartAndReadBack) {
    const struct {
        const char* name;
        QString text;
        QStringList states;
    } cases[] = {
        {"cut.tm",
         QStringLiteral("init: abcdefghijklmno\nabcdefghijklmno,0\nabcdefghijklmno x,0,>\n"
                        "abcdefghijklmno x,1\ndone,1,>\n"),
         {QStringLiteral("abcdefghijklmno"), QStringLiteral("abcdefghijklmn~2"), QStringLiteral("done")}},
        {"breaks.jff",
         QStringLiteral("<structure><type>turing</type><automaton>\n"
                        "<state id=\"0\" name=\"a&#10;b\"><initial/></state><state id=\"1\" name=\"a b\"/>"
                        "<state id=\"2\" name=\"&#13;c&#9;d&#10;\"/><state id=\"3\" name=\"&#10;\"/>\n"
                        "<transition><from>0</from><to>1</to><read>0</read><write>1</write><move>R</move></transition>"
                        "<transition><from>1</from><to>2</to><read>0</read><write>1</write><move>R</move></transition>"
                        "<transition><from>2</from><to>3</to><read>0</read><write>1</write><move>R</move></transition>"
                        "</automaton></structure>"),
         {QStringLiteral("a b"), QStringLiteral("a b~2"), QStringLiteral("c d"), QStringLiteral("q3")}},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        ASSERT_TRUE(WriteAll(path, c.text.toUtf8()));
        TBreakPointList breakPoints;
        QString error;
        ASSERT_TRUE(ImportMachine(path, machine, breakPoints, error)) << error.toStdString();
        QStringList states;
        for (const TStateItem& s : machine.States())
            states.append(s.name);
        EXPECT_EQ(states, c.states);

        const QByteArray written = MachineFileBytes(machine, breakPoints);
        TMachine again(prompts, settings);
        TLoadReport report(QStringLiteral("again.qtm"));
        ReadMachineBytes(written, again, breakPoints, report);
        EXPECT_FALSE(report.ErrorsFound());
        EXPECT_EQ(MachineFileBytes(again, breakPoints), written);
    }

    TBatchRunner runner(settings);
    QStringList warnings;
    QString error;
    ASSERT_TRUE(runner.Load(dir.filePath(QStringLiteral("cut.tm")), warnings, error, QStringLiteral("10")));
    const TRunResult r = runner.Run(QStringLiteral("10"), 100);
    EXPECT_EQ(r.steps, 0);
    EXPECT_EQ(r.state, QStringLiteral("abcdefghijklmno"));
}

TEST_F(ImportText, UnmappableFilesAreRefusedNamingTheLine) {
    const struct {
        const char* name;
        QString text;
        QString error;
    } cases[] = {
        {"d.txt", QStringLiteral("0 a b x 1"),
         QStringLiteral("Строка 1: направление x не распознано: ожидается l, r или *")},
        {"f.txt", QStringLiteral("; ok\n0 a b r 1\n0 a b r"),
         QStringLiteral("Строка 3: правило должно состоять из пяти полей: состояние, символ, новый символ, "
                        "направление, новое состояние")},
        {"s.txt", QStringLiteral("0 ab b r 1"), QStringLiteral("Строка 1: символ «ab» длиннее одного знака")},
        {"c.txt", QStringLiteral("0 a \u2603 r 1"),
         QStringLiteral("Строка 1: символа «\u2603» нет в кодировке Windows-1251")},
        {"n.tm", QStringLiteral("init: q\nq,a\nq,b,>\nq,a\nq,b,>\nq,a\nq,c,>"),
         QStringLiteral("Строка 6: для состояния «q» и символа «a» уже есть правило в строке 2: недетерминированная "
                        "машина не переносится")},
        {"e.txt", QStringLiteral("; only halting\nhalt a b r 1\n"),
         QStringLiteral("В файле нет ни одного правила машины")},
        {"t.tm", QStringLiteral("init: q0\nq0,0,1\nq1,0,1,>,>"),
         QStringLiteral("Строка 2: машина для нескольких лент (лент: 2) не переносится: у этой машины одна лента")},
        {"m.tm", QStringLiteral("init: q0\nq0,0\nq1,1,^"),
         QStringLiteral("Строка 3: сдвиг ^ не распознан: ожидается <, > или -")},
        {"i.tm", QStringLiteral("name: x\nq0,0\nq1,1,>"),
         QStringLiteral("В файле нет строки «init:» с начальным состоянием")},
        {"u.tm", QStringLiteral("init: q0\n\nq0,0\n// nothing follows"),
         QStringLiteral("Строка 3: у правила нет второй строки «новое состояние,символ,сдвиг»")},
        {"x.jff", QStringLiteral("<structure>\n<type>fa</type>\n<automaton/>\n</structure>"),
         QStringLiteral("Строка 2: в файле JFLAP не машина Тьюринга (тип «fa»)")},
        {"b.jff",
         QStringLiteral("<structure><type>turing</type><automaton>\n<block id=\"0\" name=\"m\"><tag>m</tag></block>"
                        "<block id=\"1\" name=\"m\"><tag>m</tag></block><m><state id=\"0\"/></m></automaton>"
                        "</structure>"),
         QStringLiteral(
             "Строка 2: блоки JFLAP (building blocks) не переносятся: разверните блок в состояния и переходы")},
        {"r.jff",
         QStringLiteral(
             "<structure><type>turing</type><automaton><state id=\"0\" name=\"q0\"><initial/></state>\n"
             "<transition><from>0</from><to>0</to><read>a</read><write>a</write><move>R</move></transition>\n"
             "<transition><from>0</from><to>0</to><read>a</read><write>b</write><move>R</move></transition>"
             "</automaton></structure>"),
         QStringLiteral("Строка 3: для состояния «q0» и символа «a» уже есть правило в строке 2: недетерминированная "
                        "машина не переносится")},
        {"v.jff",
         QStringLiteral("<structure><type>turing</type><automaton><state id=\"0\" name=\"q0\"><initial/></state>\n"
                        "<transition><from>0</from><to>0</to><read>a</read><write>a</write><move>U</move></transition>"
                        "</automaton></structure>"),
         QStringLiteral("Строка 2: сдвиг «U» не распознан: ожидается L, R или S")},
        {"z.jff", QStringLiteral("<structure><type>turing</type>\n<automaton>"),
         QStringLiteral("Строка 2: файл JFLAP не читается: Premature end of document.")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(Import(QString::fromLatin1(c.name), c.text));
        EXPECT_EQ(error, c.error);
    }
}

// Importing into the window's machine replaces what it held, breakpoints included, and counts as an edit,
// so the file marks itself modified; a refused file changes nothing.
TEST_F(ImportIntoMachine, ReplacesTheMachineAsAnEdit) {
    Define("ab", "ab", "s", {"s a s b R"});
    TBreakPointList breakPoints;
    breakPoints.AddBreakPoint(std::make_unique<TBreakPoint>(true, 0, QStringLiteral("s"), QString()));
    QString error;
    EXPECT_FALSE(ImportMachine(Data(QStringLiteral("twotape.jff")), machine, breakPoints, error));
    EXPECT_EQ(machine.Alphabet(), QStringLiteral("ab"));
    EXPECT_EQ(breakPoints.Count(), 1);

    QSignalSpy edited(&machine, &TMachine::edited);
    ASSERT_TRUE(ImportMachine(Data(QStringLiteral("increment.jff")), machine, breakPoints, error));
    EXPECT_GT(edited.count(), 0);
    EXPECT_EQ(breakPoints.Count(), 0);
    EXPECT_EQ(machine.Alphabet(), QStringLiteral("01"));
    EXPECT_EQ(machine.Word(), QString());
    EXPECT_EQ(machine.GetInitialState(), QStringLiteral("q0"));
    EXPECT_EQ(machine.States().size(), 3);
    ASSERT_EQ(machine.Commands().size(), 6);
    EXPECT_EQ(machine.Commands()[2].sourceSymbol, QStringLiteral("#"));
    EXPECT_EQ(machine.Commands()[2].move, QStringLiteral("Влево"));
    EXPECT_EQ(machine.Commands()[5].move, QStringLiteral("На месте"));
}

// The format is told by the content, whatever the name; a machine file of this program, or a file of no
// known kind under another name, is no import; one named as an import is refused naming the formats.
TEST(Import, FormatByContent) {
    QTemporaryDir dir;
    const struct {
        const char* name;
        QByteArray text;
        TImportFormat format;
    } cases[] = {
        {"a.jff", "<structure><type>turing</type>", TImportFormat::Jff},
        {"book", "<?xml version=\"1.0\"?>\n<!-- c -->\n<structure>", TImportFormat::Jff},
        {"rules.tms", "; c\n0 a b r 1 !\n", TImportFormat::RuleLines},
        {"rules.in", "0 a b r 1\n", TImportFormat::RuleLines},
        {"pairs.txt", "// c\nq0,a\nq1,b,>\n", TImportFormat::RulePairs},
        {"pairs", "INIT: q0\n", TImportFormat::RulePairs},
        {"m.txt", "[ABCD] ab\r\n", TImportFormat::None},
        {"m.qtm", "0 a b r 1\n", TImportFormat::None},
        {"notes.md", "hello world\n", TImportFormat::None},
        {"notes.txt", "hello world\n", TImportFormat::Unknown},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        ASSERT_TRUE(WriteAll(path, c.text));
        EXPECT_EQ(ImportFormatOf(path), c.format);
    }
    const QString path = dir.filePath(QStringLiteral("notes.txt"));
    TImportedMachine imported;
    QString error;
    EXPECT_FALSE(ReadImportFile(path, imported, error));
    EXPECT_EQ(error,
              QStringLiteral("Файл ") + path +
                  QStringLiteral(" не похож ни на одну машину других программ. Понятны: машина Тьюринга JFLAP (XML "
                                 "с элементом «structure»), текст по одному правилу в строке («состояние символ "
                                 "новый_символ направление новое_состояние») и текст по две строки на правило "
                                 "(«состояние,символ», затем «новое_состояние,новый_символ,движение»)"));
}

// Damaged files of every format, cut short anywhere or with bytes changed, are either imported or refused
// with a message; none brings the importer down.
TEST(Import, DamagedFilesAreImportedOrRefused) {
    const QStringList files = QDir(Data(QString())).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), 7);
    quint32 seed = 1;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        const QByteArray original = ReadAll(Data(file));
        const TImportFormat format = ImportFormatOf(Data(file));
        for (int i = 0; i < 400; ++i) {
            QByteArray bytes = original.left(i < 200 ? qsizetype(next() % (original.size() + 1)) : original.size());
            for (int flips = i < 200 ? 0 : 1 + int(next() % 4); flips > 0 && !bytes.isEmpty(); --flips)
                bytes[qsizetype(next() % bytes.size())] = char(" ,;_*#~<>/\n\x01\xe9"[next() % 14]);
            TForeignMachine foreign;
            TImportedMachine imported;
            QString error;
            const QString text = importtext::DecodeText(bytes);
            const bool read = format == TImportFormat::Jff         ? ReadJff(bytes, foreign, error)
                              : format == TImportFormat::RuleLines ? ReadRuleLines(text, foreign, error)
                                                                   : ReadRulePairs(text, foreign, error);
            if (!read || !MapForeignMachine(foreign, QStringLiteral("01ab"), imported, error)) {
                EXPECT_FALSE(error.isEmpty());
            }
        }
    }
}

// What is no file of a simulator is refused at once, without blocking on a FIFO or reading a device.
TEST(Import, NonFilesAndHugeFilesAreRefusedAtOnce) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.tm"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zero = dir.filePath(QStringLiteral("zero.txt"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    const QString folder = dir.filePath(QStringLiteral("folder.jff"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString big = dir.filePath(QStringLiteral("big.txt"));
    ASSERT_TRUE(WriteAll(big, QByteArray(4 * 1024 * 1024 + 1, ' ')));
    const QString missing = dir.filePath(QStringLiteral("missing.tm"));
    const struct {
        QString path;
        QString error;
    } cases[] = {
        {fifo, QStringLiteral("Ошибка открытия файла ") + fifo},
        {zero, QStringLiteral("Ошибка открытия файла ") + zero},
        {folder, QStringLiteral("Ошибка открытия файла ") + folder},
        {big, QStringLiteral("Файл ") + big + QStringLiteral(" слишком большой (больше 4 МБ)")},
        {missing, QStringLiteral("Файл ") + missing + QStringLiteral(" не найден")},
    };
    for (const auto& c : cases) {
        TImportedMachine imported;
        QString error;
        ImportFormatOf(c.path);
        EXPECT_FALSE(ReadImportFile(c.path, imported, error));
        EXPECT_EQ(error, c.error);
    }
}
