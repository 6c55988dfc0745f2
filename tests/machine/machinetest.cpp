#include "machinefixture.h"

#include <QSignalSpy>

using Machine = MachineTest;

TEST_F(Machine, AlphabetKeysAndPaste) {
    QString text;
    for (QChar key : QStringLiteral("abca#b")) {
        if (machine.AlphabetKeyAllowed(key)) {
            text.append(key);
            machine.SetAlphabetText(text);
        }
    }
    EXPECT_EQ(machine.Alphabet(), QStringLiteral("abc"));
    EXPECT_EQ(prompts.asterisks, 3);

    machine.SetAlphabetText(QString());
    machine.SetAlphabetText(QStringLiteral("a#bba"));
    EXPECT_EQ(machine.Alphabet(), QStringLiteral("ab"));
    // A character the machine files cannot hold is refused like a blank.
    EXPECT_FALSE(machine.AlphabetKeyAllowed(QChar(0x4E2D)));
    machine.SetAlphabetText(QStringLiteral("ab\u4E2Dc"));
    EXPECT_EQ(machine.Alphabet(), QStringLiteral("abc"));
}

TEST_F(Machine, WordKeysAndRefusedChanges) {
    machine.SetAlphabetText(QStringLiteral("ab"));
    EXPECT_TRUE(machine.WordKeyAllowed(QLatin1Char('a'), false));
    EXPECT_FALSE(machine.WordKeyAllowed(QLatin1Char('c'), false));
    EXPECT_FALSE(machine.WordKeyAllowed(QLatin1Char('#'), false));
    EXPECT_TRUE(machine.WordKeyAllowed(QChar(), true));
    EXPECT_EQ(prompts.asterisks, 2);

    QSignalSpy edited(&machine, &TMachine::edited);
    machine.SetWordText(QStringLiteral("abba"));
    EXPECT_EQ(edited.count(), 1);
    machine.SetWordText(QStringLiteral("ab#a"));
    EXPECT_EQ(machine.Word(), QStringLiteral("abba"));
    machine.SetWordText(QStringLiteral("ab\u4E2D"));
    EXPECT_EQ(machine.Word(), QStringLiteral("abba"));
    EXPECT_EQ(prompts.asterisks, 4);
    EXPECT_EQ(edited.count(), 1);
    // A pasted text with symbols outside the alphabet is kept; the cell check shows them.
    machine.SetWordText(QStringLiteral("abc"));
    EXPECT_EQ(machine.Word(), QStringLiteral("abc"));
    EXPECT_EQ(machine.CurrentSymbol(), QStringLiteral("a"));
}

TEST_F(Machine, CommandFromRowMoves) {
    struct Case {
        const char16_t* move;
        Move expected;
    } cases[] = {{u"Влево", MoveLeft},    {u" влево ", MoveLeft}, {u"вправо", MoveRight}, {u"ВПРАВО", MoveRight},
                 {u"На месте", MoveStay}, {u"", MoveStay},        {u"вверх", MoveStay}};
    for (const Case& c : cases) {
        TCommandRow row{QStringLiteral(" q1 "), QStringLiteral("ab"), QStringLiteral("q2 "), QString(),
                        QString::fromUtf16(c.move)};
        const TCommand command = TMachine::CommandFromRow(row);
        EXPECT_EQ(command.move, c.expected) << QString::fromUtf16(c.move).toStdString();
        EXPECT_EQ(command.sourceState, QStringLiteral("q1"));
        EXPECT_EQ(command.newState, QStringLiteral("q2"));
        EXPECT_EQ(command.sourceSymbol, QStringLiteral("a"));
        EXPECT_EQ(command.newSymbol, QString());
    }
    const TCommand c{QStringLiteral("q1"), QStringLiteral("a"), QStringLiteral("q2"), QStringLiteral("#"), MoveStay};
    EXPECT_EQ(TMachine::CommandText(c), QStringLiteral("q1(a)->q2(#)-На месте"));
}

TEST_F(Machine, FindCommandCaseRules) {
    machine.SetCommandRow(0, {}); // no row yet: refused
    ASSERT_TRUE(machine.AddCommand(QStringLiteral("q0"), QStringLiteral("A"), QStringLiteral("q0"), QStringLiteral("A"),
                                   MoveStayText));
    ASSERT_TRUE(machine.AddCommand(QStringLiteral(" q1 "), QStringLiteral("a"), QStringLiteral("q2"),
                                   QStringLiteral("b"), MoveRightText));
    ASSERT_TRUE(machine.AddCommand(QStringLiteral("Q1"), QStringLiteral("a"), QStringLiteral("q3"), QStringLiteral("b"),
                                   MoveRightText));
    ASSERT_TRUE(machine.AddCommand(QStringLiteral("Ъ"), QStringLiteral("я"), QStringLiteral("q3"), QStringLiteral("b"),
                                   MoveRightText));
    EXPECT_EQ(machine.Commands().size(), 4);
    EXPECT_EQ(machine.FindCommand(QStringLiteral("Q1"), QStringLiteral("a")), 1); // the first match wins
    EXPECT_EQ(machine.FindCommand(QStringLiteral(" q1"), QStringLiteral("a")), 1);
    EXPECT_EQ(machine.FindCommand(QStringLiteral("q1"), QStringLiteral("A")), -1);
    EXPECT_EQ(machine.FindCommand(QStringLiteral("q0"), QStringLiteral("a")), -1);
    EXPECT_EQ(machine.FindCommand(QStringLiteral("ъ"), QStringLiteral("я")), 3);
    EXPECT_EQ(machine.FindCommand(QStringLiteral("ъ"), QStringLiteral("Я")), -1);
    EXPECT_EQ(machine.FindCommand(QStringLiteral("q1"), QString()), -1);
    // The lookup follows the rows as they change.
    ASSERT_TRUE(machine.RemoveCommand(1));
    EXPECT_EQ(machine.FindCommand(QStringLiteral("q1"), QStringLiteral("a")), 1);
    TCommandRow row = machine.Commands()[1];
    row.sourceSymbol = QStringLiteral("c");
    ASSERT_TRUE(machine.SetCommandRow(1, row));
    EXPECT_EQ(machine.FindCommand(QStringLiteral("q1"), QStringLiteral("a")), -1);
    EXPECT_EQ(machine.FindCommand(QStringLiteral("q1"), QStringLiteral("c")), 1);
}

TEST_F(Machine, AddCommandAndStateRefuseDuplicates) {
    EXPECT_TRUE(machine.AddCommand(QStringLiteral(" q0"), QStringLiteral("ab"), QStringLiteral("q1 "),
                                   QStringLiteral("b"), QStringLiteral(" Вправо")));
    EXPECT_TRUE(machine.AddCommand(QStringLiteral("q0"), QStringLiteral("a"), QStringLiteral("q1"),
                                   QStringLiteral("bc"), MoveRightText));
    EXPECT_EQ(machine.Commands().size(), 1);
    EXPECT_EQ(machine.Commands()[0].sourceState, QStringLiteral("q0"));
    EXPECT_EQ(machine.Commands()[0].move, MoveRightText);
    EXPECT_FALSE(
        machine.AddCommand(QStringLiteral("q0"), QString(), QStringLiteral("q1"), QStringLiteral("b"), MoveRightText));

    EXPECT_TRUE(machine.AddState(QStringLiteral(" q0 ")));
    EXPECT_TRUE(machine.AddState(QStringLiteral("Q0")));
    EXPECT_TRUE(machine.AddState(QStringLiteral("  ")));
    ASSERT_EQ(machine.States().size(), 1);
    EXPECT_EQ(machine.States()[0].name, QStringLiteral("q0"));
}

// The state lookup is made again after each edit of the list; the spelling as given wins over another
// letter case.
TEST_F(Machine, FindStateFollowsTheList) {
    machine.AddState(QStringLiteral("Q1"));
    machine.AddState(QStringLiteral("q2"));
    EXPECT_EQ(machine.FindState(QStringLiteral("q1")), 0);
    EXPECT_EQ(machine.FindState(QStringLiteral("Q2")), 1);
    EXPECT_TRUE(machine.RenameState(0, QStringLiteral("q3")));
    EXPECT_EQ(machine.FindState(QStringLiteral("q1")), -1);
    EXPECT_EQ(machine.FindState(QStringLiteral("Q3")), 0);
    EXPECT_TRUE(machine.RemoveState(0));
    EXPECT_EQ(machine.FindState(QStringLiteral("q2")), 0);
    EXPECT_EQ(machine.FindState(QStringLiteral("Q2")), 0);
    EXPECT_EQ(machine.FindState(QStringLiteral("q3")), -1);
    machine.AppendLoaded({QStringLiteral("q4")}, {});
    EXPECT_EQ(machine.FindState(QStringLiteral("Q4")), 1);
    machine.Clear();
    EXPECT_EQ(machine.FindState(QStringLiteral("q2")), -1);
}

TEST_F(Machine, InitialStateChooser) {
    machine.SetInitialState(QStringLiteral(" q0 "));
    EXPECT_EQ(machine.GetInitialState(), QStringLiteral("q0"));
    ASSERT_EQ(machine.States().size(), 1);
    machine.AddState(QStringLiteral("q1"));
    machine.SetInitialStateText(QStringLiteral("Q1"));
    EXPECT_EQ(machine.GetInitialState(), QStringLiteral("Q1"));
    EXPECT_EQ(machine.States().size(), 2);
    // A text naming no state puts the accepted one back.
    machine.SetInitialStateText(QStringLiteral("q"));
    EXPECT_EQ(machine.InitialStateText(), QStringLiteral("Q1"));
    EXPECT_EQ(prompts.asterisks, 1);
    // Blanks around the typed text do not match a state.
    machine.SetInitialStateText(QStringLiteral(" q0"));
    EXPECT_EQ(machine.GetInitialState(), QStringLiteral("Q1"));
}

TEST_F(Machine, TapeGrowsUpToDiesCount) {
    settings.DiesCount = 3;
    machine.SetAlphabetText(QStringLiteral("ab"));
    machine.SetWordText(QStringLiteral("ab"));
    machine.BuildTape(machine.Word());
    machine.ResetBlanks();
    machine.SetHeadPosition(0);
    EXPECT_EQ(Cells(), QStringLiteral("#ab#"));
    EXPECT_EQ(machine.HeadCell(), 1);
    machine.SetHeadPosition(-1);
    EXPECT_EQ(Cells(), QStringLiteral("##ab#"));
    EXPECT_EQ(machine.HeadCell(), 1);
    machine.SetHeadPosition(2);
    EXPECT_EQ(Cells(), QStringLiteral("##ab##"));
    EXPECT_EQ(machine.HeadCell(), 4);
    EXPECT_EQ(machine.Tape()[4].mark, MarkHead);
    EXPECT_EQ(machine.Tape()[1].mark, 0);
    // Further out the growth stops at the limit on each side.
    for (int p = 3; p <= 6; ++p)
        machine.SetHeadPosition(p);
    EXPECT_EQ(Cells(), QStringLiteral("##ab###"));
    for (int p = -2; p >= -5; --p)
        machine.SetHeadPosition(p);
    EXPECT_EQ(Cells(), QStringLiteral("###ab###"));
    EXPECT_EQ(machine.LeftBlanks(), 3);
    EXPECT_EQ(machine.RightBlanks(), 2);
    const TFullWord snapshot = machine.TakeTapeSnapshot();
    EXPECT_EQ(snapshot, (TFullWord{QStringLiteral("###"), QStringLiteral("ab"), QStringLiteral("###")}));
}

TEST_F(Machine, TapeKeepsItsCellsWithOneDie) {
    settings.DiesCount = 1;
    machine.SetAlphabetText(QStringLiteral("ab"));
    machine.SetWordText(QStringLiteral("ab"));
    machine.ResetBlanks();
    machine.SetHeadPosition(0);
    machine.SetHeadPosition(-1);
    EXPECT_EQ(machine.HeadCell(), 0);
    machine.SetHeadPosition(2);
    EXPECT_EQ(machine.HeadCell(), 3);
    EXPECT_EQ(Cells(), QStringLiteral("#ab#"));

    machine.SetWordText(QString());
    machine.ResetBlanks();
    EXPECT_EQ(Cells(), QStringLiteral("##"));
    machine.SetHeadPosition(0);
    EXPECT_EQ(machine.HeadCell(), 1);
}

TEST_F(Machine, StatusTexts) {
    machine.SetCurrentSymbol(QStringLiteral("xyz"));
    EXPECT_EQ(machine.StatusText(0), QStringLiteral("Символ: x"));
    machine.AssignRunState(Ready);
    machine.SetCurrentState(QStringLiteral(" q1 "));
    machine.SetStepNumber(5);
    EXPECT_EQ(machine.StatusText(1), QString());
    EXPECT_EQ(machine.StatusText(2), QString());
    machine.AssignRunState(Running);
    machine.SetCurrentState(QStringLiteral(" q1 "));
    machine.SetStepNumber(0);
    EXPECT_EQ(machine.StatusText(1), QStringLiteral("Состояние: q1"));
    EXPECT_EQ(machine.StatusText(2), QString());
    machine.SetStepNumber(12);
    EXPECT_EQ(machine.StatusText(2), QStringLiteral("Шаг 12"));
}

TEST_F(Machine, DistinctSymbolsAndAlphabetAdditions) {
    EXPECT_EQ(TMachine::DistinctSymbols(QStringLiteral("abca")),
              (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_TRUE(TMachine::DistinctSymbols(QString()).isEmpty());
    machine.SetAlphabetText(QStringLiteral("ab"));
    EXPECT_TRUE(machine.AddAlphabetSymbol(QStringLiteral("c")));
    EXPECT_TRUE(machine.AddAlphabetSymbol(QStringLiteral("a")));
    // The blank never joins the alphabet.
    EXPECT_FALSE(machine.AddAlphabetSymbol(QStringLiteral("#")));
    EXPECT_EQ(machine.Alphabet(), QStringLiteral("abc"));
}
