#include "diagram/positions.h"

#include "cli/runnercli.h"
#include "diagram/diagram.h"
#include "faultinjection.h"
#include "filetestutil.h"

#include <QDir>
#include <QLocale>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <cerrno>

namespace {

// States q0, q1, "Пуск" and "a=b"; a command names "Q2", which the list lacks.
TDiagramSource Source() {
    TDiagramSource source;
    for (const char16_t* name : {u"q0", u"q1", u"Пуск", u"a=b"})
        source.states.append(TStateItem{QString::fromUtf16(name), 0});
    source.commands.append(TCommandRow{"Q1", "0", "Q2", "1", "Вправо", 0});
    return source;
}

std::string Dump(const QHash<QString, QPointF>& points) {
    QStringList lines;
    for (auto it = points.cbegin(); it != points.cend(); ++it)
        lines.append(QStringLiteral("%1=%2,%3").arg(it.key()).arg(it->x()).arg(it->y()));
    lines.sort();
    return lines.join(u' ').toStdString();
}

} // namespace

// A line a state, spelt and ordered as the machine has them; a decimal point in any locale, no exponent, no
// trailing zeros; a state that is gone is not written.
TEST(PositionsFile, BytesOfASmallMachine) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Russian));
    const QByteArray bytes = PositionsFileBytes(
        {{"Q0", {27, 18}}, {"пуск", {100.5, -3.25}}, {"a=b", {0.004, 1000}}, {"q2", {-0.001, 7.126}}, {"gone", {1, 1}}},
        DiagramNames(Source()));
    QLocale::setDefault(saved);
    EXPECT_EQ(Text(bytes), Text("q0=27,18\r\n\xcf\xf3\xf1\xea=100.5,-3.25\r\na=b=0,1000\r\nQ2=0,7.13\r\n"));
    EXPECT_EQ(Dump(ReadPositionsBytes(bytes, DiagramNames(Source()))),
              "Q2=0,7.13 a=b=0,1000 q0=27,18 Пуск=100.5,-3.25");
}

// Reading never fails: a line that cannot place a state is passed over, the rest still count; a file that is
// not there, not a file, or over the limit places nothing.
TEST(PositionsFile, DamagedLinesPlaceNothingTheRestCount) {
    const struct {
        QByteArray bytes;
        std::string placed;
    } cases[] = {
        {"q0=1,2\nQ1=3,4\r\n\xcf\xd3\xd1\xca = 5 , 6 \r\n", "q0=1,2 q1=3,4 Пуск=5,6"},
        {"q9=1,2\r\nq0 1,2\r\nq0=1\r\nq0=1,2,3\r\nq0=x,2\r\nq0=nan,1\r\nq0=1,-2e6\r\n=1,2\r\nq1=3,4\r\n", "q1=3,4"},
        {"q0=1,2\r\nQ0=3,4\r\nq1=3,4", "q0=1,2"}, // the first line of a state counts; a cut last line does not
        {QByteArray("\0\xff=\x01,\x02\r\n\x7fq0=1,2\r\n", 17), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Dump(ReadPositionsBytes(c.bytes, DiagramNames(Source()))), c.placed) << c.bytes.toStdString();

    QTemporaryDir dir;
    const QString machine = dir.filePath("m.qtm");
    EXPECT_EQ(PositionsPath(dir.filePath("m.pos")), dir.filePath("m.pos.pos"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("m.pos"));
    EXPECT_TRUE(ReadPositionsFile(machine, Source()).isEmpty());
    ASSERT_TRUE(QDir(dir.path()).rmdir("m.pos") && WriteAll(dir.filePath("m.pos"), "q0=1,2\r\n"));
    EXPECT_EQ(Dump(ReadPositionsFile(machine, Source())), "q0=1,2");
    QFile huge(dir.filePath("m.pos")); // sparse: nothing is written
    ASSERT_TRUE(huge.resize(positionsformat::MaxFileBytes + 1));
    EXPECT_TRUE(ReadPositionsFile(machine, Source()).isEmpty());
}

// What the diagram window relies on: a change is an edit, no change says nothing, a rename in the lists
// carries the place without being a second edit, two spellings of a state are one entry.
TEST(PositionsFile, TheOpenMachinesPositionsSayWhatChanged) {
    TStatePositions positions;
    QSignalSpy changed(&positions, &TStatePositions::changed);
    QSignalSpy edited(&positions, &TStatePositions::edited);
    positions.SetPosition("q0", {1, 2});
    positions.SetPosition(" q0 ", {1, 2});
    positions.SetPosition("Q0", {3, 4});
    positions.Rename("q0", "start");
    EXPECT_EQ(Dump(positions.Positions()), "start=3,4");
    positions.Clear();
    positions.Clear();
    EXPECT_EQ(std::pair(int(changed.count()), int(edited.count())), std::pair(4, 3));
}

// qtm-run's JFLAP export takes the positions file beside the machine; the layout's other state stands 100
// points to the right of the placed one, level with it.
TEST(PositionsFile, CommandLineExportTakesTheUsersPlaces) {
    QTemporaryDir dir;
    const QString machine = dir.filePath("inversion.qtm");
    ASSERT_TRUE(
        QFile::copy(QFileInfo(__FILE__).absoluteDir().absoluteFilePath("../../examples/inversion.qtm"), machine));
    ASSERT_TRUE(WriteAll(dir.filePath("inversion.pos"), "q1=-300,-200\r\n"));
    QString text;
    QTextStream out(&text);
    ASSERT_EQ(RunBatch({"qtm-run", machine, "--export", "jff", dir.filePath("out.jff")}, out, out, false), 0);
    const QByteArray jff = ReadAll(dir.filePath("out.jff"));
    EXPECT_TRUE(jff.contains("name=\"q1\">\n\t\t\t<x>-300.0</x>\n\t\t\t<y>-200.0</y>")) << Text(jff);
    EXPECT_TRUE(jff.contains("name=\"q0\">\n\t\t\t<x>-200.0</x>\n\t\t\t<y>-200.0</y>")) << Text(jff);
}

// A failed final rename names the file that holds the positions; a failed folder sync says they are written.
TEST(PositionsFile, AFailedSaveNamesTheFileLeftOrSaysTheFileIsWritten) {
    QTemporaryDir dir;
    const QString machine = dir.filePath(QStringLiteral("m.qtm"));
    const QString path = PositionsPath(machine);
    const QHash<QString, QPointF> points{{QStringLiteral("q0"), {27, 18}}};
    const QByteArray bytes = PositionsFileBytes(points, DiagramNames(Source()));
    QString error;
    {
        TInjectedFault rename({fileio::TStep::Rename}, QStringLiteral(".pos"), EIO);
        EXPECT_FALSE(SavePositionsFile(machine, points, Source(), error));
        EXPECT_TRUE(rename.Fired());
    }
    const QString temp = error.section(QStringLiteral("Положения остались в файле "), 1);
    EXPECT_EQ(error, QStringLiteral("Машина сохранена, но положения состояний на диаграмме не записаны\n") + path +
                         "\n" + fileio::ErrorText(EIO) + "\nПоложения остались в файле " + temp);
    EXPECT_EQ(ReadAll(temp), bytes);
    QFile::remove(temp);
    {
        TInjectedFault sync({fileio::TStep::SyncDir}, dir.path(), EIO);
        EXPECT_FALSE(SavePositionsFile(machine, points, Source(), error));
        EXPECT_TRUE(sync.Fired());
    }
    EXPECT_EQ(error,
              QStringLiteral("Машина сохранена, положения состояний на диаграмме записаны, но изменения каталога "
                             "не сохранены на диске\n") +
                  path + "\n" + fileio::ErrorText(EIO));
    EXPECT_EQ(ReadAll(path), bytes);
}
