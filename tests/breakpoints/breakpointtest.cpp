#include "breakpoints/breakpoint.h"
#include "files/loadreport.h"
#include "files/qtmfile.h"
#include "machinefixture.h"

#include <QSignalSpy>

namespace {

std::unique_ptr<TBreakPoint> Point(bool enabled, int passes, const char16_t* state, const char16_t* symbol) {
    return std::make_unique<TBreakPoint>(enabled, passes, QString::fromUtf16(state), QString::fromUtf16(symbol));
}

// The steps (1-based) of a run of `steps` matching steps at which the list reports a hit.
QList<int> Hits(TBreakPointList& list, int steps, const QString& state, const QString& symbol) {
    QList<int> hits;
    for (int i = 1; i <= steps; ++i)
        if (list.BreakHit(state, symbol) != 0)
            hits.append(i);
    return hits;
}

} // namespace

TEST(BreakPoint, PassCounting) {
    TBreakPointList list;
    list.AddBreakPoint(Point(true, 2, u" q1 ", u"ab"));
    EXPECT_EQ(list.At(0).State, QStringLiteral("q1"));
    EXPECT_EQ(list.At(0).Symbol, QStringLiteral("a"));
    EXPECT_EQ(Hits(list, 9, QStringLiteral("q1"), QStringLiteral("a")), (QList<int>{3, 6, 9}));
    EXPECT_EQ(Hits(list, 2, QStringLiteral("q1"), QStringLiteral("a")), QList<int>{});
    list.ResetPassCounts();
    EXPECT_EQ(Hits(list, 3, QStringLiteral("q1"), QStringLiteral("a")), QList<int>{3});

    TBreakPointList every;
    every.AddBreakPoint(Point(true, 0, u"", u""));
    EXPECT_EQ(Hits(every, 3, QStringLiteral("z"), QStringLiteral("#")), (QList<int>{1, 2, 3}));
    EXPECT_EQ(TBreakPointList().BreakHit(QStringLiteral("q"), QStringLiteral("a")), 0);
}

TEST(BreakPoint, EveryBreakpointCountsTheFirstIsReported) {
    TBreakPointList list;
    list.AddBreakPoint(Point(true, 1, u"q0", u""));
    list.AddBreakPoint(Point(true, 0, u"", u"#"));
    list.AddBreakPoint(Point(false, 0, u"q0", u"#"));
    // Step 1: only the second fires; the first counts.
    EXPECT_EQ(list.BreakHit(QStringLiteral("q0"), QStringLiteral("#")), 2);
    EXPECT_EQ(list.At(0).Counter, 1);
    // Step 2: both fire, the earlier is named, both start again.
    EXPECT_EQ(list.BreakHit(QStringLiteral("q0"), QStringLiteral("#")), 1);
    EXPECT_EQ(list.At(0).Counter, 0);
    // A disabled breakpoint neither fires nor counts, and keeps its counter when enabled.
    EXPECT_EQ(list.At(2).Counter, 0);
    list.At(0).Counter = 1;
    list.At(0).Enabled = false;
    EXPECT_EQ(list.BreakHit(QStringLiteral("q0"), QStringLiteral("a")), 0);
    EXPECT_EQ(list.At(0).Counter, 1);
    list.At(0).Enabled = true;
    EXPECT_EQ(list.BreakHit(QStringLiteral("q0"), QStringLiteral("a")), 1);
}

TEST(BreakPoint, FindHasNoWildcardsAndIgnoresStateCase) {
    TBreakPointList list;
    list.AddBreakPoint(Point(true, 0, u"Q1", u""));
    list.AddBreakPoint(Point(false, 0, u"", u"a"));
    EXPECT_TRUE(list.FindBreakPoint(QStringLiteral(" q1"), QString(), true));
    EXPECT_FALSE(list.FindBreakPoint(QStringLiteral("q1"), QString(), false));
    EXPECT_FALSE(list.FindBreakPoint(QStringLiteral("q1"), QStringLiteral("a"), true));
    EXPECT_TRUE(list.FindBreakPoint(QString(), QStringLiteral("a"), false));
    EXPECT_FALSE(list.FindBreakPoint(QString(), QStringLiteral("A"), false));
    // Found for marking, yet the hit test compares the state exactly.
    EXPECT_EQ(list.BreakHit(QStringLiteral("q1"), QStringLiteral("a")), 0);
    EXPECT_EQ(list.BreakHit(QStringLiteral("Q1"), QStringLiteral("a")), 1);
}

TEST(BreakPoint, ListChangesAreAnnounced) {
    TBreakPointList list;
    QSignalSpy changed(&list, &TBreakPointList::changed);
    list.AddBreakPoint(Point(true, 0, u"q", u"a"));
    EXPECT_TRUE(list.RemoveBreakPoint(0));
    EXPECT_FALSE(list.RemoveBreakPoint(0));
    list.ClearBreakPoints();
    EXPECT_EQ(changed.count(), 3);
    list.AddBreakPoints({});
    EXPECT_EQ(changed.count(), 3);
}

// The lookup behind the marks is made again after an edit in place, as the dialogs make them.
TEST(BreakPoint, FindFollowsEditsInPlace) {
    TBreakPointList list;
    list.AddBreakPoint(Point(true, 0, u"q1", u"a"));
    EXPECT_TRUE(list.FindBreakPoint(QStringLiteral("Q1"), QStringLiteral("a"), true));
    list.At(0).Enabled = false;
    list.At(0).State = QStringLiteral("q2");
    EXPECT_FALSE(list.FindBreakPoint(QStringLiteral("q1"), QStringLiteral("a"), false));
    EXPECT_TRUE(list.FindBreakPoint(QStringLiteral("q2"), QStringLiteral("a"), false));
    EXPECT_FALSE(list.FindBreakPoint(QStringLiteral("q2"), QStringLiteral("a"), true));
}

using BreakMarks = MachineTest;

TEST_F(BreakMarks, UseBreakMovesItemsBetweenActiveAndInactive) {
    TBreakPointList list;
    machine.SetBreakPoints(&list);
    Define(QStringLiteral("ab"), QStringLiteral("ab"), QStringLiteral("q0"), {QStringLiteral("q0 a q0 b R")});
    list.AddBreakPoint(Point(true, 0, u"", u"a"));
    list.AddBreakPoint(Point(false, 0, u"q0", u""));
    machine.RefreshBreakMarks();
    EXPECT_EQ(machine.Tape()[1].mark & (MarkBreakActive | MarkBreakInactive), MarkBreakActive);
    EXPECT_EQ(machine.Tape()[2].mark, 0);
    EXPECT_EQ(machine.States()[0].mark, MarkBreakInactive);
    EXPECT_EQ(machine.Commands()[0].mark, 0); // asks with q0 and a: no breakpoint has both
    settings.UseBreak = false;
    machine.RefreshBreakMarks();
    EXPECT_EQ(machine.Tape()[1].mark & ~MarkHead, MarkBreakInactive);
    list.ClearBreakPoints();
    machine.RefreshBreakMarks();
    EXPECT_EQ(machine.Tape()[1].mark & ~MarkHead, 0);
    EXPECT_EQ(machine.States()[0].mark, 0);
}

// Each breakpoint of a file used to be announced on its own, and each announcement recomputed every mark
// of the machine: hours for a file of 100,000 breakpoints.
TEST_F(BreakMarks, AFilesBreakpointsAreAnnouncedOnce) {
    TBreakPointList list;
    machine.SetBreakPoints(&list);
    QSignalSpy changed(&list, &TBreakPointList::changed);
    TLoadReport report{QStringLiteral("b.qtm")};
    ReadMachineBytes(
        "[ABCD] ab\r\n[WORD] ab\r\n[BREK] 1 0     a  \r\n[BREK] 0 2     \\0 q0\r\n[BREK] 1 0     b  Q1\r\n", machine,
        list, report);
    EXPECT_EQ(changed.count(), 1);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.At(1).Passes, 2);
    EXPECT_EQ(list.At(2).State, QStringLiteral("Q1"));
}

TEST_F(BreakMarks, RunStopsAtThePassTheUserSet) {
    TBreakPointList list;
    machine.SetBreakPoints(&list);
    Define(QStringLiteral("a"), QStringLiteral("aaaaa"), QStringLiteral("q0"), {QStringLiteral("q0 a q0 a R")});
    list.AddBreakPoint(Point(true, 2, u"q0", u"a"));
    engine.Start(); // the first lookup is the first matching step
    engine.StepOnce();
    EXPECT_EQ(engine.GetRunState(), Running);
    prompts.Answer(TAnswer::Ok);
    engine.StepOnce();
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_TRUE(prompts.boxes[0].text.contains(QStringLiteral("шаг: 2")));
    EXPECT_EQ(engine.GetRunState(), Running);
    engine.StepOnce();
    EXPECT_EQ(list.At(0).Counter, 1);
    engine.Reset();
    EXPECT_EQ(list.At(0).Counter, 0);
}
