#include "diagram/diagram.h"
#include "diagram/statepositions.h"

#include <QFile>
#include <QLineF>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The positions file: Windows-1251, CR LF, "state=x,y" in the state list's order, hundredths.
TEST(StatePositions, FileRoundTripsAndDamagedLinesArePassedOver) {
    const QByteArray bytes =
        PositionsBytes({{QStringLiteral("q0"), QPointF(10, 20.5)}, {QStringLiteral("Конец"), QPointF(-3.256, 0)}});
    EXPECT_EQ(bytes, QByteArray("q0=10.00,20.50\r\n\xCA\xEE\xED\xE5\xF6=-3.26,0.00\r\n"));
    const QHash<QString, QPointF> read = ReadPositions(bytes + "no equals\r\n=1,2\r\nq1=1\r\nq2=a,b\r\nq3=nan,1\r\n");
    EXPECT_EQ(read, (QHash<QString, QPointF>{{QStringLiteral("q0"), QPointF(10, 20.5)},
                                             {QStringLiteral("конец"), QPointF(-3.26, 0)}}));

    QTemporaryDir dir;
    const QString machine = dir.filePath(QStringLiteral("m.qtm"));
    EXPECT_EQ(SavePositions(machine, {{QStringLiteral("q0"), QPointF(1, 2)}}), QString());
    EXPECT_EQ(LoadPositions(machine), (QHash<QString, QPointF>{{QStringLiteral("q0"), QPointF(1, 2)}}));
    // No places left: the stale file goes, and a missing file places nothing.
    EXPECT_EQ(SavePositions(machine, {}), QString());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("m.pos"))));
    EXPECT_TRUE(LoadPositions(machine).isEmpty());
}

// Placed states stay exactly where they were put; a state without a place is laid out beside them.
TEST(StatePositions, PinnedStatesKeepTheirPlaces) {
    TDiagramSource source;
    for (const char* name : {"q0", "q1", "new"})
        source.states.append(TStateItem{QString::fromLatin1(name), 0});
    source.commands = {TCommandRow{QStringLiteral("q0"), QStringLiteral("a"), QStringLiteral("q1"), QStringLiteral("b"),
                                   MoveRightText, 0},
                       TCommandRow{QStringLiteral("q1"), QStringLiteral("b"), QStringLiteral("new"),
                                   QStringLiteral("b"), MoveLeftText, 0}};
    source.initialState = QStringLiteral("q0");
    source.pinned = {{QStringLiteral("q0"), QPointF(50, 300)}, {QStringLiteral("q1"), QPointF(400, 120)}};
    const TDiagram d = LayOutDiagram(source);
    ASSERT_EQ(d.error, QString());
    const QHash<QString, QPointF> at = DiagramStatePositions(d);
    EXPECT_NEAR(at[QStringLiteral("q0")].x(), 50, 0.01);
    EXPECT_NEAR(at[QStringLiteral("q0")].y(), 300, 0.01);
    EXPECT_NEAR(at[QStringLiteral("q1")].x(), 400, 0.01);
    EXPECT_NEAR(at[QStringLiteral("q1")].y(), 120, 0.01);
    const QPointF added = at[QStringLiteral("new")];
    EXPECT_TRUE(d.bounds.contains(added));
    EXPECT_GT(QLineF(added, at[QStringLiteral("q1")]).length(), 20);
    for (const TDiagramEdge& edge : d.edges)
        EXPECT_FALSE(edge.path.isEmpty());
}
