#include "window/undohistory.h"

#include "breakpoints/breakpoint.h"
#include "diagram/positions.h"
#include "files/qtmfile.h"
#include "machine/machine.h"
#include "printers.h"
#include "scriptedprompts.h"
#include "settings/config.h"

#include <QDir>

#include <gtest/gtest.h>

#include <random>

namespace {

class UndoHistory : public ::testing::Test {
protected:
    UndoHistory() { prompts.allowUnexpected = true; }

    // What a save writes: the machine file and the positions file beside it.
    QByteArray Saved() const {
        QStringList names = positions.Positions().keys();
        names.sort();
        return MachineFileBytes(machine, breakPoints) + "--\r\n" + PositionsFileBytes(positions.Positions(), names);
    }

    QString Name(int n) const { return (n % 7 == 3 ? QStringLiteral("Q%1") : QStringLiteral("q%1")).arg(n); }
    QString Symbol() { return QString(QStringLiteral("ab10#")[Pick(5)]); }
    int Pick(int n) { return n <= 0 ? 0 : int(random() % unsigned(n)); }
    TCommandRow Row() {
        const QString moves[] = {MoveLeftText, MoveRightText, MoveStayText};
        return TCommandRow{Name(Pick(60)), Symbol(), Name(Pick(60)), Symbol(), moves[Pick(3)], 0};
    }

    // A random machine of up to 50 states, some of them placed on the diagram.
    void Build() {
        machine.Clear();
        positions.Reset();
        machine.SetAlphabetText(QStringLiteral("ab10"));
        machine.SetWordText(QStringLiteral("ab1"));
        const int states = Pick(51);
        QStringList names;
        for (int i = 0; i < states; ++i)
            names << Name(i);
        QList<TCommandRow> rows;
        for (int i = Pick(2 * states + 1); i > 0; --i)
            rows << Row();
        machine.AppendLoaded(names, rows);
        if (states > 0)
            machine.SetInitialState(Name(0));
        for (int i = 0; i < states; i += 1 + Pick(4))
            positions.SetPosition(Name(i), QPointF(Pick(500), Pick(500)));
    }

    // One user action of a random kind, as the window's operations make it.
    void Edit() {
        const int states = int(machine.States().size());
        const int rows = int(machine.Commands().size());
        switch (Pick(13)) {
        case 0:
            machine.AddState(Name(Pick(60)));
            break;
        case 1:
            machine.RenameState(Pick(states), Name(Pick(60)));
            break;
        case 2: { // a state deleted with its commands
            if (states == 0)
                break;
            const int index = Pick(states);
            const QString name = machine.States()[index].name;
            for (int r = int(machine.Commands().size()) - 1; r >= 0; --r)
                if (machine.Commands()[r].sourceState == name)
                    machine.RemoveCommand(r);
            machine.RemoveState(index);
            break;
        }
        case 3: {
            const TCommandRow r = Row();
            machine.AddCommand(r.sourceState, r.sourceSymbol, r.newState, r.newSymbol, r.move);
            break;
        }
        case 4:
            machine.SetCommandRow(Pick(rows), Row());
            break;
        case 5:
            machine.RemoveCommand(Pick(rows));
            break;
        case 6:
            machine.SetAlphabetText(QStringList{"ab10", "ab", "xyz1", "", "10"}[Pick(5)]);
            break;
        case 7:
            machine.SetWordText(QStringList{"a", "abba", "", "1101", "b"}[Pick(5)]);
            break;
        case 8:
            machine.SetInitialStateText(Name(Pick(60)));
            break;
        case 9:
            positions.SetPosition(Name(Pick(std::max(states, 1))), QPointF(Pick(800), Pick(800)));
            break;
        case 10:
            positions.Clear();
            break;
        case 11: { // an import: the machine replaced in one batch
            machine.Clear();
            QStringList names;
            for (int i = Pick(20); i > 0; --i)
                if (!names.contains(Name(i + 20)))
                    names << Name(i + 20);
            QList<TCommandRow> imported;
            for (int i = Pick(20); i > 0; --i)
                imported << Row();
            machine.AppendLoaded(names, imported);
            machine.SetAlphabetText(QStringLiteral("01"));
            if (!names.isEmpty())
                machine.SetInitialState(names[0]);
            break;
        }
        default: // a paste of several commands
            for (int i = 2 + Pick(5); i > 0; --i) {
                const TCommandRow r = Row();
                machine.AddCommand(r.sourceState, r.sourceSymbol, r.newState, r.newSymbol, r.move);
            }
            break;
        }
    }

    std::mt19937 random;
    TScriptedPrompts prompts;
    TConfig settings{QDir::tempPath()};
    TMachine machine{prompts, settings};
    TBreakPointList breakPoints;
    TStatePositions positions;
    TUndoHistory history{machine, positions};
};

} // namespace

// Seeded random edits of every kind: undoing them all gives the saved bytes of the start back, redoing them all
// those of the end, and a change of the tape alone is no step.
TEST_F(UndoHistory, UndoingEverythingGivesTheStartBackAndRedoingTheEnd) {
    for (unsigned seed = 1; seed <= 1000; ++seed) {
        random.seed(seed);
        Build();
        history.Reset();
        const QByteArray start = Saved();
        for (int i = 1 + Pick(10); i > 0; --i) {
            Edit();
            history.Commit();
        }
        // A run writes the tape only: no step.
        const int steps = history.Stack().count();
        machine.WriteCell(0, QLatin1Char('b'));
        history.Commit();
        ASSERT_EQ(history.Stack().count(), steps) << "seed " << seed;
        const QByteArray end = Saved();
        while (history.Stack().canUndo())
            history.Undo();
        ASSERT_EQ(Saved(), start) << "seed " << seed;
        while (history.Stack().canRedo())
            history.Redo();
        ASSERT_EQ(Saved(), end) << "seed " << seed;
    }
}

// Each step is named in the Edit menu after what it did.
TEST_F(UndoHistory, StepsAreNamedAfterWhatTheyDid) {
    machine.SetAlphabetText(QStringLiteral("01"));
    for (const char* name : {"q0", "q1", "q2", "q3"})
        machine.AddState(QString::fromLatin1(name));
    machine.AddCommand(QStringLiteral("q3"), QStringLiteral("1"), QStringLiteral("q0"), QStringLiteral("0"),
                       MoveLeftText);
    positions.SetPosition(QStringLiteral("q0"), QPointF(1, 2));
    positions.SetPosition(QStringLiteral("q1"), QPointF(3, 4));
    history.Reset();
    const struct {
        std::function<void()> edit;
        const char16_t* text;
    } cases[] = {
        {[&] { machine.RemoveCommand(0); }, u"удаление команды q3, 1"},
        {[&] { machine.AddCommand("q1", "0", "q1", "1", MoveStayText); }, u"добавление команды q1, 0"},
        {[&] {
             machine.SetCommandRow(0, TCommandRow{"q1", "1", "q1", "1", MoveStayText, 0});
         },
         u"изменение команды q1, 0"},
        {[&] { machine.RemoveState(3); }, u"удаление состояния q3"},
        {[&] { machine.AddState("end"); }, u"добавление состояния end"},
        {[&] { machine.RenameState(0, "start"); }, u"переименование состояния q0"},
        {[&] { machine.SetAlphabetText("012"); }, u"изменение алфавита"},
        {[&] { machine.SetWordText("0110"); }, u"изменение слова"},
        {[&] { machine.SetInitialStateText("q1"); }, u"изменение начального состояния"},
        {[&] { positions.SetPosition("q1", QPointF(50, 60)); }, u"перемещение состояния q1"},
        {[&] { positions.Clear(); }, u"упорядочивание диаграммы"},
    };
    for (const auto& c : cases) {
        c.edit();
        history.Commit();
        EXPECT_EQ(history.Stack().undoText(), QString::fromUtf16(c.text));
    }
    // The undone step is the one to redo, under the same name.
    history.Undo();
    EXPECT_EQ(history.Stack().redoText(), QStringLiteral("упорядочивание диаграммы"));
    EXPECT_EQ(history.Stack().undoText(), QStringLiteral("перемещение состояния q1"));
}

// Beyond its limit the history forgets its oldest steps; what is left still undoes exactly, and the saved point
// is kept while it stays in the history.
TEST_F(UndoHistory, OldestStepsGoBeyondTheLimit) {
    QStringList names;
    for (int i = 0; i < 2000; ++i)
        names << Name(i);
    machine.AppendLoaded(names, {});
    for (int i = 0; i < 2000; ++i)
        positions.SetPosition(Name(i), QPointF(i, i));
    history.Reset();
    history.SetLimit(400 * 1024);
    QList<QByteArray> after{Saved()};
    for (int i = 0; i < 60; ++i) {
        if (i % 20 == 19) {
            positions.Clear();
            for (int s = 0; s < 2000; s += 2)
                positions.SetPosition(Name(s), QPointF(s, i));
        } else {
            machine.RenameState(i, QStringLiteral("r%1").arg(i));
        }
        history.Commit();
        if (i == 55)
            history.SetClean();
        after << Saved();
    }
    EXPECT_LE(history.Bytes(), 400 * 1024);
    const int kept = history.Stack().count();
    ASSERT_LT(kept, 60);
    ASSERT_GT(kept, 5);
    for (int i = 60; i > 56; --i) {
        EXPECT_FALSE(history.Stack().isClean());
        history.Undo();
    }
    EXPECT_TRUE(history.Stack().isClean());
    while (history.Stack().canUndo())
        history.Undo();
    EXPECT_EQ(Saved(), after[60 - kept]);
}
