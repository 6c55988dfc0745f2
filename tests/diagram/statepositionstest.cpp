#include "diagram/diagram.h"

#include <QLineF>

#include <gtest/gtest.h>

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
