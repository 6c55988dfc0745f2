#include "check/validation.h"

#include "breakpoints/breakpoint.h"
#include "check/checkstate.h"
#include "machinefixture.h"
#include "usertexts.h"

#include <QSignalSpy>

#include <functional>
#include <vector>

namespace {

// A machine with the validation pass and a real breakpoint list attached.
class ValidationTest : public MachineTest {
protected:
    ValidationTest() {
        machine.SetChecks(&validation);
        machine.SetBreakPoints(&breakPoints);
    }
    ~ValidationTest() override { machine.SetBreakPoints(nullptr); }

    // A small valid machine: alphabet ab, word ab, states q0 and q1, one command.
    void DefineValid() {
        Define(QStringLiteral("ab"), QStringLiteral("ab"), QStringLiteral("q0"),
               {QStringLiteral("q0 a q1 b R"), QStringLiteral("q1 b q1 a L")});
        machine.AddState(QStringLiteral("q1"));
    }

    // Replaces command `index` by a row with these exact texts.
    void SetRow(int index, const QString& state, const QString& symbol, const QString& newState,
                const QString& newSymbol, const QString& move) {
        ASSERT_TRUE(machine.SetCommandRow(index, TCommandRow{state, symbol, newState, newSymbol, move, 0}));
    }

    // The fault texts the report holds for the command at `position`, in order.
    static QStringList FaultsOf(const TCheckState& report, int position) {
        QStringList texts;
        for (const TCommandFault& f : report.Commands().Faults())
            if (f.position == position)
                texts << f.message;
        return texts;
    }

    void AddBreak(bool enabled, const QString& state, const QString& symbol) {
        breakPoints.AddBreakPoint(std::make_unique<TBreakPoint>(enabled, 0, state, symbol));
    }

    // A cell's marks without the head mark, which the word edit puts on the first symbol.
    TCellMarks CellMark(int cell) const { return machine.Tape()[cell].mark & ~MarkHead; }
    TCellMarks CommandMark(int row) const { return machine.Commands()[row].mark; }
    TCellMarks StateMark(int index) const { return machine.States()[index].mark; }

    TBreakPointList breakPoints;
    TValidation validation{machine};
};

// ---- The command check table -------------------------------------------------------------------------------

struct CommandCase {
    const char* name;
    const char16_t* state;
    const char16_t* symbol;
    const char16_t* newState;
    const char16_t* newSymbol;
    const char16_t* move;
    QStringList faults;
};

class CommandCheckTest : public ValidationTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandCheckTest, RecordsTheTableMessages) {
    const CommandCase& c = GetParam();
    DefineValid();
    SetRow(0, QString::fromUtf16(c.state), QString::fromUtf16(c.symbol), QString::fromUtf16(c.newState),
           QString::fromUtf16(c.newSymbol), QString::fromUtf16(c.move));
    TCheckState report;
    EXPECT_EQ(validation.CheckCommands(&report), c.faults.isEmpty());
    EXPECT_EQ(FaultsOf(report, 0), c.faults);
    EXPECT_EQ(bool(CommandMark(0) & MarkError), !c.faults.isEmpty());
    EXPECT_EQ(FaultsOf(report, 1), QStringList());
    EXPECT_EQ(CommandMark(1) & MarkError, 0);
    EXPECT_EQ(report.Commands().HasErrors(), !c.faults.isEmpty());
}

using namespace usertext;

INSTANTIATE_TEST_SUITE_P(
    Table, CommandCheckTest,
    ::testing::Values(
        CommandCase{"Valid", u"q0", u"a", u"q1", u"b", u"Вправо", {}},
        CommandCase{"NoSourceState", u"  ", u"a", u"q1", u"b", u"Вправо", {NoSourceState}},
        CommandCase{"UnknownSourceState", u"q9", u"a", u"q1", u"b", u"Вправо", {UnknownSourceState}},
        CommandCase{"SourceStateOtherCase", u"Q0", u"a", u"q1", u"b", u"Вправо", {}},
        CommandCase{"NoSourceSymbol", u"q0", u"", u"q1", u"b", u"Вправо", {NoSourceSymbol}},
        CommandCase{"BlankSourceSymbolIsNotTrimmed", u"q0", u" ", u"q1", u"b", u"Вправо", {SourceSymbolNotInAlphabet}},
        CommandCase{"SourceSymbolNotInAlphabet", u"q0", u"c", u"q1", u"b", u"Вправо", {SourceSymbolNotInAlphabet}},
        CommandCase{"SourceSymbolOtherCase", u"q0", u"A", u"q1", u"b", u"Вправо", {SourceSymbolNotInAlphabet}},
        CommandCase{"BlankSymbolsAccepted", u"q0", u"#", u"q1", u"#", u"Вправо", {}},
        CommandCase{"NoNewState", u"q0", u"a", u"", u"b", u"Вправо", {NoNewState}},
        CommandCase{"UnknownNewState", u"q0", u"a", u"zz", u"b", u"Вправо", {UnknownNewState}},
        CommandCase{"NoNewSymbol", u"q0", u"a", u"q1", u"", u"Вправо", {NoNewSymbol}},
        CommandCase{"NewSymbolNotInAlphabet", u"q0", u"a", u"q1", u"z", u"Вправо", {NewSymbolNotInAlphabet}},
        CommandCase{"NoMove", u"q0", u"a", u"q1", u"b", u" ", {NoMove}},
        CommandCase{"UnknownMove", u"q0", u"a", u"q1", u"b", u"Вверх", {UnknownMove}},
        CommandCase{"MoveInOtherCase", u"q0", u"a", u"q1", u"b", u"вЛЕВО", {}},
        CommandCase{"Loop", u"q0", u"a", u" q0 ", u"a", u" на месте ", {Loop}},
        CommandCase{"NotLoopOtherSymbol", u"q0", u"a", u"q0", u"b", u"На месте", {}},
        CommandCase{"NotLoopMoving", u"q0", u"a", u"q0", u"a", u"Влево", {}},
        CommandCase{"NotLoopStateCase", u"q0", u"a", u"Q0", u"a", u"На месте", {}},
        CommandCase{"BlankLoop", u"q0", u"#", u"q0", u"#", u"На месте", {Loop}},
        CommandCase{"EverythingMissing",
                    u"",
                    u"",
                    u"",
                    u"",
                    u"",
                    {NoSourceState, NoSourceSymbol, NoNewState, NoNewSymbol, NoMove}},
        CommandCase{"AllChecksRunAfterAFailure",
                    u"x",
                    u"c",
                    u"q0",
                    u"d",
                    u"Вверх",
                    {UnknownSourceState, SourceSymbolNotInAlphabet, NewSymbolNotInAlphabet, UnknownMove}}),
    [](const ::testing::TestParamInfo<CommandCase>& param) { return std::string(param.param.name); });

TEST_F(ValidationTest, DuplicatesNameEachOther) {
    Define(QStringLiteral("ab"), QStringLiteral("ab"), QStringLiteral("q0"),
           {QStringLiteral("q0 a q0 b R"), QStringLiteral("q0 b q0 a R"), QStringLiteral("q0 a q0 a R"),
            QStringLiteral("q0 a q0 b L")});
    TCheckState report;
    EXPECT_FALSE(validation.CheckCommands(&report));
    EXPECT_EQ(FaultsOf(report, 0), QStringList{QStringLiteral("У команды есть дублеры: 2; 3;")});
    EXPECT_EQ(FaultsOf(report, 1), QStringList());
    EXPECT_EQ(FaultsOf(report, 2), QStringList{QStringLiteral("У команды есть дублеры: 0; 3;")});
    EXPECT_EQ(FaultsOf(report, 3), QStringList{QStringLiteral("У команды есть дублеры: 0; 2;")});
    EXPECT_TRUE(CommandMark(0) & MarkError);
    EXPECT_FALSE(CommandMark(1) & MarkError);
    // Each duplicate message is one fault, recorded once.
    EXPECT_EQ(report.Commands().Faults().size(), 3);
}

TEST_F(ValidationTest, DuplicatesCompareStatesTrimmedButExactly) {
    Define(QStringLiteral("ab"), QStringLiteral("ab"), QStringLiteral("q1"),
           {QStringLiteral("q1 a q1 b R"), QStringLiteral("Q1 a q1 b R"), QStringLiteral("q1 b q1 b R")});
    SetRow(2, QStringLiteral(" q1 "), QStringLiteral("a"), QStringLiteral("q1"), QStringLiteral("a"), MoveRightText);
    TCheckState report;
    EXPECT_FALSE(validation.CheckCommands(&report));
    EXPECT_EQ(FaultsOf(report, 0), QStringList{QStringLiteral("У команды есть дублеры: 2;")});
    EXPECT_EQ(FaultsOf(report, 1), QStringList());
    EXPECT_EQ(FaultsOf(report, 2), QStringList{QStringLiteral("У команды есть дублеры: 0;")});
}

TEST_F(ValidationTest, DuplicateWithOtherFaultsComesLast) {
    Define(QStringLiteral("ab"), QStringLiteral("ab"), QStringLiteral("q0"),
           {QStringLiteral("q0 a q0 a S"), QStringLiteral("q0 a q0 b R")});
    TCheckState report;
    validation.CheckCommands(&report);
    EXPECT_EQ(FaultsOf(report, 0), (QStringList{Loop, QStringLiteral("У команды есть дублеры: 1;")}));
}

TEST_F(ValidationTest, EmptyCommandListLeavesMarksAlone) {
    Define(QStringLiteral("ab"), QStringLiteral("az"), QStringLiteral("q0"), {});
    // Marks the pass would change if it ran: a stale breakpoint bit and a stale error on a valid cell.
    machine.SetCellMark(1, MarkError | MarkBreakActive);
    machine.SetStateMark(0, MarkBreakInactive);
    QSignalSpy cells(&machine, &TMachine::cellsChanged);
    QSignalSpy states(&machine, &TMachine::stateMarksChanged);
    TCheckState report;
    EXPECT_FALSE(validation.CheckCommands(&report));
    EXPECT_EQ(machine.Tape()[1].mark, MarkError | MarkBreakActive);
    EXPECT_EQ(StateMark(0), MarkBreakInactive);
    EXPECT_EQ(cells.count(), 0);
    EXPECT_EQ(states.count(), 0);
    EXPECT_TRUE(report.Commands().Faults().isEmpty());
    EXPECT_FALSE(report.Commands().HasErrors());
}

TEST_F(ValidationTest, FixingACommandClearsItsErrorAndKeepsTheHeadMark) {
    DefineValid();
    SetRow(0, QStringLiteral("q0"), QStringLiteral("z"), QStringLiteral("q1"), QStringLiteral("b"), MoveRightText);
    machine.MarkActiveCommand(0);
    validation.CheckCommands();
    EXPECT_EQ(CommandMark(0), MarkHead | MarkError);
    SetRow(0, QStringLiteral("q0"), QStringLiteral("a"), QStringLiteral("q1"), QStringLiteral("b"), MoveRightText);
    machine.MarkActiveCommand(0);
    EXPECT_TRUE(validation.CheckCommands(nullptr));
    EXPECT_EQ(CommandMark(0), MarkHead);
}

TEST_F(ValidationTest, AddingACommandMarksItThroughThePort) {
    DefineValid();
    ASSERT_TRUE(machine.AddCommand(QStringLiteral("q5"), QStringLiteral("a"), QStringLiteral("q1"), QStringLiteral("a"),
                                   MoveLeftText));
    EXPECT_TRUE(CommandMark(2) & MarkError);
    // The state appears: the state editing re-runs the command check and the fault goes.
    machine.AddState(QStringLiteral("Q5"));
    EXPECT_FALSE(CommandMark(2) & MarkError);
}

// ---- Tape cells ---------------------------------------------------------------------------------------------

TEST_F(ValidationTest, WordCellsOutsideTheAlphabetAreMarked) {
    DefineValid();
    machine.SetWordText(QStringLiteral("zabz"));
    // The machine ran the cell check itself.
    EXPECT_TRUE(CellMark(1) & MarkError);
    EXPECT_FALSE(CellMark(0) & MarkError);
    EXPECT_FALSE(CellMark(2) & MarkError);
    EXPECT_FALSE(CellMark(3) & MarkError);
    EXPECT_TRUE(CellMark(4) & MarkError);
    EXPECT_FALSE(CellMark(5) & MarkError);

    TCheckState report;
    EXPECT_FALSE(validation.CheckWordCells(&report));
    EXPECT_EQ(report.Word().BadSymbols(), QStringLiteral("z"));
    EXPECT_TRUE(report.Word().HasErrors());
}

TEST_F(ValidationTest, ShrinkingTheAlphabetMarksTheWord) {
    DefineValid();
    EXPECT_FALSE(CellMark(2) & MarkError);
    machine.SetAlphabetText(QStringLiteral("a"));
    EXPECT_TRUE(CellMark(2) & MarkError);
    EXPECT_TRUE(CommandMark(0) & MarkError);
    machine.SetAlphabetText(QStringLiteral("ab"));
    EXPECT_FALSE(CellMark(2) & MarkError);
    EXPECT_FALSE(CommandMark(0) & MarkError);
}

TEST_F(ValidationTest, BadSymbolsAreListedOnceInOrder) {
    Define(QStringLiteral("ab"), QStringLiteral("yaxbyx"), QStringLiteral("q0"), {QStringLiteral("q0 a q0 b R")});
    TCheckState report;
    EXPECT_FALSE(validation.CheckWordCells(&report));
    EXPECT_EQ(report.Word().BadSymbols(), QStringLiteral("yx"));
}

TEST_F(ValidationTest, BlankCellsAreAlwaysValid) {
    // Tape cells written by a run: "#" inside the word is valid even though neither alphabet nor word has it.
    Define(QStringLiteral("ab"), QStringLiteral("ab"), QStringLiteral("q0"), {QStringLiteral("q0 a q0 # R")});
    machine.WriteCell(1, BlankSymbol);
    TCheckState report;
    EXPECT_TRUE(validation.CheckWordCells(&report));
    EXPECT_FALSE(report.Word().HasErrors());
    for (int i = 0; i < machine.Tape().size(); ++i)
        EXPECT_FALSE(CellMark(i) & MarkError) << i;
}

// ---- States ---------------------------------------------------------------------------------------------------

TEST_F(ValidationTest, MissingInitialStateIsAStateFault) {
    Define(QStringLiteral("ab"), QStringLiteral("ab"), QString(), {QStringLiteral("q0 a q0 b R")});
    machine.AddState(QStringLiteral("q0"));
    TCheckState report;
    EXPECT_FALSE(validation.CheckStates(&report));
    EXPECT_FALSE(report.HasInitial());
    EXPECT_TRUE(report.StateErrors());
    EXPECT_FALSE(report.NoStates());
}

TEST_F(ValidationTest, StateItemsNeverCarryTheErrorMark) {
    DefineValid();
    machine.SetStateMark(1, MarkError);
    EXPECT_TRUE(validation.CheckStates(nullptr));
    EXPECT_EQ(StateMark(1), 0);
}

TEST_F(ValidationTest, NoStatesIsReported) {
    Define(QStringLiteral("ab"), QStringLiteral("ab"), QString(), {});
    TCheckState report;
    EXPECT_FALSE(validation.ValidateMachine(&report));
    EXPECT_TRUE(report.NoStates());
    EXPECT_TRUE(report.StateErrors());
    EXPECT_EQ(report.StateCount(), 0);
}

// ---- Breakpoint bits ------------------------------------------------------------------------------------------

TEST_F(ValidationTest, UseBreakMovesACellBetweenTheBreakBits) {
    DefineValid();
    AddBreak(true, QString(), QStringLiteral("a"));
    settings.UseBreak = false;
    EXPECT_TRUE(validation.ValidateMachine());
    EXPECT_EQ(CellMark(1) & (MarkBreakActive | MarkBreakInactive), MarkBreakInactive);
    EXPECT_EQ(CellMark(2) & (MarkBreakActive | MarkBreakInactive), 0);
    settings.UseBreak = true;
    EXPECT_TRUE(validation.ValidateMachine());
    EXPECT_EQ(CellMark(1) & (MarkBreakActive | MarkBreakInactive), MarkBreakActive);
}

TEST_F(ValidationTest, BreakBitsOfEachKindOfItem) {
    DefineValid();
    machine.SetWordText(QStringLiteral("zab"));
    AddBreak(false, QString(), QStringLiteral("z"));
    AddBreak(true, QString(), QStringLiteral("z"));
    AddBreak(false, QStringLiteral("Q1"), QString());
    AddBreak(true, QStringLiteral("q1"), QStringLiteral("b"));
    EXPECT_FALSE(validation.ValidateMachine());
    // An enabled and a disabled breakpoint on the same cell: never both bits.
    EXPECT_EQ(CellMark(1), MarkError | MarkBreakActive);
    EXPECT_EQ(StateMark(1), MarkBreakInactive);
    EXPECT_EQ(StateMark(0), 0);
    EXPECT_EQ(CommandMark(1), MarkBreakActive);
    EXPECT_EQ(CommandMark(0), 0);
    // The breakpoints go: the next pass clears their bits and keeps the error.
    breakPoints.ClearBreakPoints();
    EXPECT_FALSE(validation.ValidateMachine());
    EXPECT_EQ(CellMark(1), MarkError);
    EXPECT_EQ(StateMark(1), 0);
    EXPECT_EQ(CommandMark(1), 0);
}

TEST_F(ValidationTest, EachCheckRefreshesTheBreakBits) {
    DefineValid();
    AddBreak(true, QStringLiteral("q1"), QString());
    validation.CheckStates(nullptr);
    EXPECT_EQ(StateMark(1), MarkBreakActive);
    AddBreak(false, QString(), QStringLiteral("b"));
    validation.CheckWordCells(nullptr);
    EXPECT_EQ(CellMark(2) & MarkBreakInactive, MarkBreakInactive);
    AddBreak(false, QStringLiteral("q0"), QStringLiteral("a"));
    validation.CheckCommands(nullptr);
    EXPECT_EQ(CommandMark(0), MarkBreakInactive);
}

// ---- The whole pass ---------------------------------------------------------------------------------------------

TEST_F(ValidationTest, ValidMachinePassesWithACleanReport) {
    DefineValid();
    TCheckState report;
    EXPECT_TRUE(validation.ValidateMachine(&report));
    EXPECT_FALSE(report.HasErrors());
    EXPECT_EQ(report.CommandCount(), 2);
    EXPECT_EQ(report.StateCount(), 2);
    EXPECT_EQ(report.AlphabetLength(), 2);
    EXPECT_EQ(report.WordLength(), 2);
    EXPECT_TRUE(report.HasInitial());
}

TEST_F(ValidationTest, EmptyWordAndAlphabetFailWithValidCells) {
    Define(QString(), QString(), QStringLiteral("q0"), {QStringLiteral("q0 # q0 # R")});
    TCheckState report;
    EXPECT_FALSE(validation.ValidateMachine(&report));
    ASSERT_EQ(machine.Tape().size(), 2);
    EXPECT_FALSE(CellMark(0) & MarkError);
    EXPECT_FALSE(CellMark(1) & MarkError);
    EXPECT_TRUE(report.Word().Empty());
    EXPECT_TRUE(report.Word().HasErrors());
    EXPECT_TRUE(report.Word().BadSymbols().isEmpty());
    EXPECT_FALSE(report.Commands().HasErrors());
    EXPECT_TRUE(report.HasErrors());
}

TEST_F(ValidationTest, AllThreeChecksRunWhenTheFirstFails) {
    Define(QStringLiteral("ab"), QStringLiteral("abz"), QString(), {QStringLiteral("q0 a q7 b R")});
    TCheckState report;
    EXPECT_FALSE(validation.ValidateMachine(&report));
    EXPECT_TRUE(report.Word().HasErrors());
    EXPECT_EQ(FaultsOf(report, 0), (QStringList{UnknownSourceState, UnknownNewState}));
    EXPECT_FALSE(report.HasInitial());
    EXPECT_TRUE(CellMark(3) & MarkError);
    EXPECT_TRUE(CommandMark(0) & MarkError);
}

TEST_F(ValidationTest, NoCommandsIsReportedAsNone) {
    Define(QStringLiteral("ab"), QStringLiteral("ab"), QStringLiteral("q0"), {});
    TCheckState report;
    EXPECT_FALSE(validation.ValidateMachine(&report));
    EXPECT_TRUE(report.Commands().None());
    EXPECT_TRUE(report.Commands().HasErrors());
    EXPECT_EQ(report.CommandCount(), 0);
}

TEST_F(ValidationTest, EngineRefusesAFaultyMachine) {
    Define(QStringLiteral("ab"), QStringLiteral("ab"), QStringLiteral("q0"), {QStringLiteral("q0 a q9 b R")});
    QSignalSpy requested(&engine, &TEngine::dataCheckRequested);
    engine.Start();
    EXPECT_EQ(engine.GetRunState(), Ready);
    EXPECT_EQ(requested.count(), 1);
    EXPECT_TRUE(CommandMark(0) & MarkError);
}

// The silent pass keeps its last answer while the machine is unchanged: every kind of edit must reach it.
TEST_F(ValidationTest, EveryEditReachesTheNextSilentPass) {
    const std::vector<std::pair<const char*, std::function<void()>>> edits = {
        {"alphabet loses b", [&] { machine.SetAlphabetText(QStringLiteral("a")); }},
        {"state removed", [&] { machine.RemoveState(1); }},
        {"state renamed", [&] { machine.RenameState(1, QStringLiteral("q9")); }},
        {"row replaced",
         [&] {
             SetRow(1, QStringLiteral("q1"), QStringLiteral("b"), QStringLiteral("q8"), QStringLiteral("a"),
                    MoveLeftText);
         }},
        {"row added",
         [&] {
             machine.AddCommand(QStringLiteral("q0"), QStringLiteral("a"), QStringLiteral("q0"), QStringLiteral("a"),
                                MoveRightText);
         }},
        {"rows loaded",
         [&] {
             machine.AppendLoaded({}, {TCommandRow{QStringLiteral("q5"), QStringLiteral("a"), QStringLiteral("q0"),
                                                   QStringLiteral("a"), MoveRightText, 0}});
         }},
    };
    for (const auto& [name, edit] : edits) {
        SCOPED_TRACE(name);
        machine.Clear();
        DefineValid();
        ASSERT_TRUE(validation.ValidateMachine());
        edit();
        EXPECT_FALSE(validation.ValidateMachine());
    }
    // And back: the fault mended, the pass finds the machine valid again.
    machine.AddState(QStringLiteral("q5"));
    EXPECT_TRUE(validation.ValidateMachine());
    EXPECT_FALSE(CommandMark(2) & MarkError);
}

TEST_F(ValidationTest, DetachesItselfWhenDestroyed) {
    {
        TValidation other(machine);
        machine.SetChecks(&other);
    }
    EXPECT_EQ(machine.Checks(), nullptr);
    machine.SetChecks(&validation);
}

// ---- The report ------------------------------------------------------------------------------------------------

TEST(CheckState, FlagsStayConsistentAndAreNeverCleared) {
    TCheckState report;
    EXPECT_TRUE(report.HasInitial());
    EXPECT_FALSE(report.HasErrors());
    report.SetWordLength(0);
    EXPECT_TRUE(report.Word().Empty());
    EXPECT_TRUE(report.Word().HasErrors());
    report.SetWordLength(3);
    EXPECT_TRUE(report.Word().Empty());
    EXPECT_EQ(report.WordLength(), 3);

    report.SetStateCount(0);
    EXPECT_TRUE(report.NoStates());
    EXPECT_TRUE(report.StateErrors());
    report.SetStateCount(2);
    EXPECT_TRUE(report.NoStates());

    TCheckState other;
    other.SetHasInitial(false);
    EXPECT_TRUE(other.StateErrors());
    other.SetHasInitial(true);
    EXPECT_FALSE(other.HasInitial());
    other.SetCommandCount(0);
    EXPECT_TRUE(other.Commands().None());
    EXPECT_TRUE(other.Commands().HasErrors());
}

TEST(CheckState, FaultRowsAreTrimmedAndCaptioned) {
    TCommandError errors;
    errors.AddFault(12, QStringLiteral("  У команды есть дублеры: 3; "));
    ASSERT_EQ(errors.Faults().size(), 1);
    EXPECT_EQ(errors.Faults()[0].Caption(), QStringLiteral("Команда 12"));
    EXPECT_EQ(errors.Faults()[0].message, QStringLiteral("У команды есть дублеры: 3;"));
    EXPECT_TRUE(errors.HasErrors());
    EXPECT_FALSE(errors.Message().has_value());
}

TEST(CheckState, DataCheckIsEnabledOnlyWithAMachineAndNoRun) {
    EXPECT_TRUE(DataCheckEnabled(Ready, true));
    EXPECT_TRUE(DataCheckEnabled(NoMachine, true));
    EXPECT_FALSE(DataCheckEnabled(Running, true));
    EXPECT_FALSE(DataCheckEnabled(Paused, true));
    EXPECT_FALSE(DataCheckEnabled(Ready, false));
}

} // namespace
