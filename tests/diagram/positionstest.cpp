#include "diagram/positions.h"

#include "cli/runnercli.h"
#include "diagram/diagram.h"
#include "filetestutil.h"
#include "platform/codepage.h"

#include <QDir>
#include <QLocale>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

using TPoints = QHash<QString, QPointF>;

// States q0, q1, "Пуск" and "a=b"; a command names "Q2", which the list lacks, and "Q1" in other letter case.
TDiagramSource Source() {
    TDiagramSource source;
    for (const char16_t* name : {u"q0", u"q1", u"Пуск", u"a=b"})
        source.states.append(TStateItem{QString::fromUtf16(name), 0});
    source.commands.append(TCommandRow{QStringLiteral("Q1"), QStringLiteral("0"), QStringLiteral("Q2"),
                                       QStringLiteral("1"), QStringLiteral("Вправо"), 0});
    return source;
}

std::string Dump(const TPoints& points) {
    QStringList lines;
    for (auto it = points.cbegin(); it != points.cend(); ++it)
        lines.append(QStringLiteral("%1=%2,%3").arg(it.key()).arg(it->x()).arg(it->y()));
    lines.sort();
    return lines.join(u' ').toStdString();
}

} // namespace

// A line a state, as the machine spells it, in the list's order; numbers with a decimal point whatever the
// user's locale, no exponent, no trailing zeros; a position of a state that is gone is not written.
TEST(PositionsFile, BytesOfASmallMachine) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Russian));
    const TPoints positions{{QStringLiteral("Q0"), {27, 18}},
                            {QStringLiteral("пуск"), {100.5, -3.25}},
                            {QStringLiteral("a=b"), {0.004, 1000}},
                            {QStringLiteral("q2"), {-0.001, 7.126}},
                            {QStringLiteral("gone"), {1, 1}}};
    const QByteArray bytes = PositionsFileBytes(positions, DiagramNames(Source()));
    QLocale::setDefault(saved);
    EXPECT_EQ(Text(bytes), Text(QByteArray("q0=27,18\r\n\xcf\xf3\xf1\xea=100.5,-3.25\r\na=b=0,1000\r\nQ2=0,7.13\r\n")));
    EXPECT_EQ(Dump(ReadPositionsBytes(bytes, DiagramNames(Source()))),
              "Q2=0,7.13 a=b=0,1000 q0=27,18 Пуск=100.5,-3.25");
    EXPECT_TRUE(PositionsFileBytes({{QStringLiteral("gone"), {1, 1}}}, DiagramNames(Source())).isEmpty());
}

// Whatever the file holds, reading it never fails: each line that cannot place a state is passed over and
// the rest still count.
TEST(PositionsFile, DamagedLinesPlaceNothingTheRestCount) {
    const struct {
        const char* what;
        QByteArray bytes;
        std::string placed;
    } cases[] = {
        {"empty", "", ""},
        {"LF alone ends a line too", "q0=1,2\nq1=3,4\n", "q0=1,2 q1=3,4"},
        {"letter case and the code page", "Q1=3,4\r\n\xcf\xd3\xd1\xca=5,6\r\n", "q1=3,4 Пуск=5,6"},
        {"blanks around the name and the numbers", "  q0 = 1 , 2 \r\n", "q0=1,2"},
        {"an unknown state", "q9=1,2\r\nq0=3,4\r\n", "q0=3,4"},
        {"the first line of a state counts", "q0=1,2\r\nQ0=3,4\r\nq0=5,6\r\n", "q0=1,2"},
        {"no equals sign", "q0 1,2\r\nq1=3,4\r\n", "q1=3,4"},
        {"one number", "q0=1\r\nq1=3,4\r\n", "q1=3,4"},
        {"three numbers", "q0=1,2,3\r\nq1=3,4\r\n", "q1=3,4"},
        {"not a number", "q0=x,2\r\nq0=1,2y\r\nq1=3,4\r\n", "q1=3,4"},
        {"a decimal comma", "q0=1,5,2\r\nq1=3,4\r\n", "q1=3,4"},
        {"not finite", "q0=nan,2\r\nq0=1,inf\r\nq1=3,4\r\n", "q1=3,4"},
        {"far out", "q0=1e300,2\r\nq0=1,-2000000\r\nq1=3,4\r\n", "q1=3,4"},
        {"no name", "=1,2\r\nq1=3,4\r\n", "q1=3,4"},
        {"a cut last line", "q0=1,2\r\nq1=3,4", "q0=1,2"},
        {"binary", QByteArray("\0\xff=\x01,\x02\r\n\x7fq0=1,2\r\n", 17), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Dump(ReadPositionsBytes(c.bytes, DiagramNames(Source()))), c.placed) << c.what;
}

// A file that is not there, not a file, or over the limit places nothing, and nothing is read of a huge one.
TEST(PositionsFile, UnreadableFilesPlaceNothing) {
    QTemporaryDir dir;
    const QString machine = dir.filePath(QStringLiteral("m.qtm"));
    EXPECT_EQ(PositionsPath(machine), dir.filePath(QStringLiteral("m.pos")));
    EXPECT_EQ(PositionsPath(dir.filePath(QStringLiteral("m.pos"))), dir.filePath(QStringLiteral("m.pos.pos")));
    EXPECT_TRUE(ReadPositionsFile(machine, Source()).isEmpty());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("m.pos")));
    EXPECT_TRUE(ReadPositionsFile(machine, Source()).isEmpty());
    ASSERT_TRUE(QDir(dir.path()).rmdir(QStringLiteral("m.pos")));
    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("m.pos")), "q0=1,2\r\n"));
    EXPECT_EQ(Dump(ReadPositionsFile(machine, Source())), "q0=1,2");
    // Sparse: the size is there without the bytes being written.
    QFile huge(dir.filePath(QStringLiteral("m.pos")));
    ASSERT_TRUE(huge.resize(positionsformat::MaxFileBytes + 1));
    EXPECT_TRUE(ReadPositionsFile(machine, Source()).isEmpty());
}

// The user's positions where given; the others keep their layout relative to each other and stand to the
// right of the placed states, level with the topmost of them.
TEST(PositionsFile, UnplacedStatesStandBesideThePlacedOnes) {
    const TPoints laidOut{
        {QStringLiteral("a"), {0, 0}}, {QStringLiteral("b"), {100, 0}}, {QStringLiteral("c"), {200, 50}}};
    const struct {
        const char* what;
        TPoints user;
        std::string arranged;
    } cases[] = {
        {"none placed", {}, "a=0,0 b=100,0 c=200,50"},
        {"only unknown names", {{QStringLiteral("x"), {9, 9}}}, "a=0,0 b=100,0 c=200,50"},
        {"all placed",
         {{QStringLiteral("A"), {5, 5}}, {QStringLiteral("b"), {6, 6}}, {QStringLiteral("c"), {7, 7}}},
         "a=5,5 b=6,6 c=7,7"},
        {"one placed", {{QStringLiteral("A"), {500, 300}}}, "a=500,300 b=600,300 c=700,350"},
        {"placed to the right of the layout",
         {{QStringLiteral("c"), {-50, -20}}, {QStringLiteral("b"), {-400, 10}}},
         "a=50,-20 b=-400,10 c=-50,-20"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Dump(ArrangedPositions(laidOut, c.user)), c.arranged) << c.what;
}

// qtm-run's JFLAP export puts the states where the positions file beside the machine puts them, the others
// beside them.
TEST(PositionsFile, CommandLineExportTakesTheUsersPlaces) {
    QTemporaryDir dir;
    const QString machine = dir.filePath(QStringLiteral("inversion.qtm"));
    ASSERT_TRUE(QFile::copy(QFileInfo(QString::fromUtf8(__FILE__))
                                .absoluteDir()
                                .absoluteFilePath(QStringLiteral("../../examples/inversion.qtm")),
                            machine));
    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("inversion.pos")), "q1=-300,-200\r\n"));
    const QString out = dir.filePath(QStringLiteral("out.jff"));
    QString text;
    QString err;
    QTextStream outStream(&text);
    QTextStream errStream(&err);
    ASSERT_EQ(RunBatch({QStringLiteral("qtm-run"), machine, QStringLiteral("--export"), QStringLiteral("jff"), out},
                       outStream, errStream, false),
              0);
    const QString jff = QString::fromUtf8(ReadAll(out));
    EXPECT_TRUE(jff.contains(QStringLiteral("name=\"q1\">\n\t\t\t<x>-300.0</x>\n\t\t\t<y>-200.0</y>")))
        << jff.toStdString();
    // q0 is the only other state: its layout's place moves to 100 points right of q1, level with it.
    EXPECT_TRUE(jff.contains(QStringLiteral("name=\"q0\">\n\t\t\t<x>-200.0</x>\n\t\t\t<y>-200.0</y>")))
        << jff.toStdString();
}

// What the diagram window relies on: a drag or "Упорядочить" that changes something is an edit (changed and
// edited); one that changes nothing says nothing; a rename in the lists carries the place without being a
// second edit; one state in two spellings is one entry, under the spelling set last.
TEST(PositionsFile, TheOpenMachinesPositionsSayWhatChanged) {
    TStatePositions positions;
    QSignalSpy changed(&positions, &TStatePositions::changed);
    QSignalSpy edited(&positions, &TStatePositions::edited);
    const auto counts = [&] { return std::pair{int(changed.count()), int(edited.count())}; };
    positions.SetPosition(QStringLiteral("q0"), {1, 2});
    EXPECT_EQ(counts(), std::pair(1, 1));
    positions.SetPosition(QStringLiteral(" q0 "), {1, 2});
    EXPECT_EQ(counts(), std::pair(1, 1));
    positions.SetPosition(QStringLiteral("Q0"), {3, 4});
    EXPECT_EQ(counts(), std::pair(2, 2));
    EXPECT_EQ(Dump(positions.Positions()), "Q0=3,4");
    EXPECT_EQ(positions.Position(QStringLiteral("q0")), QPointF(3, 4));
    positions.Rename(QStringLiteral("q0"), QStringLiteral("start"));
    EXPECT_EQ(counts(), std::pair(3, 2));
    positions.Rename(QStringLiteral("q0"), QStringLiteral("other"));
    EXPECT_EQ(counts(), std::pair(3, 2));
    EXPECT_EQ(Dump(positions.Positions()), "start=3,4");
    positions.Clear();
    EXPECT_EQ(counts(), std::pair(4, 3));
    positions.Clear();
    EXPECT_EQ(counts(), std::pair(4, 3));
    EXPECT_TRUE(positions.IsEmpty());
}
