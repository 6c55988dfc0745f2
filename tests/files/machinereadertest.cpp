#include "filetestsupport.h"
#include "usertexts.h"

#include <QBuffer>

namespace {

// A device that hands out its data, then fails.
class TFailingDevice : public QIODevice {
public:
    explicit TFailingDevice(QByteArray data) : data_(std::move(data)) {}
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* out, qint64 max) override {
        if (data_.isEmpty())
            return -1;
        const qint64 n = std::min<qint64>(max, data_.size());
        std::memcpy(out, data_.constData(), std::size_t(n));
        data_.remove(0, n);
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray data_;
};

QString Repeat(char c, int n) {
    return QString(n, QLatin1Char(c));
}

} // namespace

using MachineReader = MachineFileTest;
using MachineWriter = MachineFileTest;

TEST_F(MachineWriter, WritesTheInversionExampleByteForByte) {
    DefineInversion();
    EXPECT_EQ(Written(), InversionFile);

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(WriteMachine(buffer, machine, breakPoints));
    EXPECT_EQ(buffer.data(), InversionFile);
}

TEST_F(MachineReader, ReadsTheInversionExampleBack) {
    const TLoadReport report = Read(InversionFile);
    EXPECT_FALSE(report.ErrorsFound());
    EXPECT_EQ(machine.Alphabet(), QStringLiteral("01"));
    EXPECT_EQ(machine.Word(), QStringLiteral("0110"));
    EXPECT_EQ(machine.InitialStateText(), QStringLiteral("q0"));
    EXPECT_EQ(StateList(), (QStringList{QStringLiteral("q0"), QStringLiteral("q1")}));
    EXPECT_EQ(CommandList(), (QStringList{QStringLiteral("q0 0 q0 1 Вправо"), QStringLiteral("q0 1 q0 0 Вправо"),
                                          QStringLiteral("q0 # q1 # Влево")}));
    EXPECT_EQ(BreakPointList(), (QStringList{QStringLiteral("1 2 1 q0"), QStringLiteral("0 0 - q1")}));
    EXPECT_EQ(TMachine::CommandFromRow(machine.Commands()[2]).move, MoveLeft);
    EXPECT_EQ(Written(), InversionFile);
}

TEST_F(MachineWriter, NothingGoesToAStreamThatIsNotOpenOrFails) {
    DefineInversion();
    QBuffer closed;
    EXPECT_FALSE(WriteMachine(closed, machine, breakPoints));
    EXPECT_TRUE(closed.data().isEmpty());
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_FALSE(WriteMachine(readOnly, machine, breakPoints));
    TFailingDevice failing{QByteArray()};
    failing.open(QIODevice::WriteOnly);
    EXPECT_FALSE(WriteMachine(failing, machine, breakPoints));
}

TEST_F(MachineWriter, EmptyPartsAreLeftOut) {
    EXPECT_TRUE(Written().isEmpty());
    machine.AddState(QStringLiteral("q5"));
    EXPECT_EQ(Written(), QByteArray("[STAT] q5\r\n"));
}

// A reload gives the machine saved: the states in their order, the initial state as spelt, naming the
// state listed even in other letter case (it used to come back first, or as a state of its own).
TEST_F(MachineReader, ReloadKeepsStateOrderAndInitialState) {
    machine.AddState(QStringLiteral("q1"));
    machine.AddState(QStringLiteral("q2"));
    machine.SetInitialStateText(QStringLiteral("Q2"));
    const QByteArray saved = Written();
    TMachine reloaded{prompts, settings};
    TBreakPointList noBreaks;
    QBuffer buffer;
    buffer.setData(saved);
    buffer.open(QIODevice::ReadOnly);
    TLoadReport report(QStringLiteral("x"));
    ASSERT_EQ(ReadMachine(buffer, reloaded, noBreaks, report), TReadResult::Complete);
    ASSERT_EQ(reloaded.States().size(), 2);
    EXPECT_EQ(reloaded.States()[0].name, QStringLiteral("q1"));
    EXPECT_EQ(reloaded.States()[1].name, QStringLiteral("q2"));
    EXPECT_EQ(reloaded.InitialStateText(), QStringLiteral("Q2"));
    EXPECT_EQ(MachineFileBytes(reloaded, noBreaks), saved);
}

// One line each: the message recorded for it, or none when it loads.
struct TLineCase {
    const char* name;
    QString line;
    QString message;
};

class ReaderFault : public MachineFileTest, public ::testing::WithParamInterface<TLineCase> {};

TEST_P(ReaderFault, RecordsItsMessageOnceAndAddsNothing) {
    const TLineCase& c = GetParam();
    // The faulty line stands between two good ones, so its number and the numbering after it are checked.
    const TLoadReport report = Read(Lines({QStringLiteral("[STAT] before"), c.line, QStringLiteral("[STAT] after")}));
    if (c.message.isEmpty()) {
        EXPECT_TRUE(report.Errors().isEmpty());
        return;
    }
    EXPECT_EQ(report.Errors(), (QList<TLoadError>{{2, c.message}}));
    EXPECT_TRUE(report.ErrorsFound());
    EXPECT_EQ(StateList(), (QStringList{QStringLiteral("before"), QStringLiteral("after")}));
    EXPECT_TRUE(machine.Commands().isEmpty());
    EXPECT_EQ(breakPoints.Count(), 0);
}

const QString GoodCommand = QStringLiteral("[COMM] q0                0 q0                1 Вправо");

INSTANTIATE_TEST_SUITE_P(
    Lines, ReaderFault,
    ::testing::Values(
        TLineCase{"Empty", QString(), usertext::LineTooShort},
        TLineCase{"OnlyBlanks", QStringLiteral("   \t     "), usertext::LineTooShort},
        TLineCase{"FiveCharacters", QStringLiteral("  [ABC"), usertext::LineTooShort},
        TLineCase{"LowerCaseTag", QStringLiteral("[stat] q0"), usertext::LineUnknown},
        TLineCase{"Comment", QStringLiteral("; a comment line"), usertext::LineUnknown},
        TLineCase{"TagWithBlankInside", QStringLiteral("[STA] q0"), usertext::LineUnknown},
        TLineCase{"ShortCommand", QStringLiteral("[COMM] q0 0 q1 1 Вправо"), usertext::CommandTooShort},
        TLineCase{"CommandWithoutMove", QStringLiteral("[COMM] q0                0 q0                1"),
                  usertext::CommandTooShort},
        TLineCase{"SourceStateOverruns", QStringLiteral("[COMM] abcdefghijklmnopqr0 q0                1 Вправо"),
                  usertext::CommandStateTooLong},
        TLineCase{"SymbolFieldOverrun", QStringLiteral("[COMM] q0                01q0                1 Вправо"),
                  usertext::CommandStateTooLong},
        TLineCase{"NewStateOverruns", QStringLiteral("[COMM] q0                0 abcdefghijklmnopqrs1 Вправо"),
                  usertext::CommandStateTooLong},
        TLineCase{"ShortBreakPoint", QStringLiteral("[BREK] 1 0     \\0"), usertext::BreakPointTooShort},
        TLineCase{"EnabledNotANumber", QStringLiteral("[BREK] x 0     \\0 q0"), usertext::BreakPointEnabledBad},
        TLineCase{"BothFieldsBad", QStringLiteral("[BREK] x y     \\0 q0"), usertext::BreakPointEnabledBad},
        TLineCase{"PassesNotANumber", QStringLiteral("[BREK] 1 2x    \\0 q0"), usertext::BreakPointPassesBad},
        TLineCase{"PassesEmpty", QStringLiteral("[BREK] 1       \\0 q0"), usertext::BreakPointPassesBad},
        TLineCase{"PassesNotDecimal", QStringLiteral("[BREK] 1 0x1   \\0 q0"), usertext::BreakPointPassesBad},
        TLineCase{"GoodCommandLoads", GoodCommand, QString()}),
    [](const ::testing::TestParamInfo<TLineCase>& param) { return std::string(param.param.name); });

TEST_F(MachineReader, FaultsAreListedInLineOrder) {
    const TLoadReport report = Read(Lines({
        QStringLiteral("[ABCD] ab"),
        QStringLiteral("[WORD] ab"),
        QStringLiteral("garbage line"),
        QStringLiteral("[STAT] q0"),
        GoodCommand,
        QStringLiteral("[BEGS] q0"),
        QStringLiteral("[BREK] 1"),
        QStringLiteral("[STAT] q1"),
    }));
    EXPECT_EQ(report.Errors(), (QList<TLoadError>{{3, usertext::LineUnknown}, {7, usertext::BreakPointTooShort}}));
    EXPECT_EQ(report.FirstLine(), QStringLiteral("В файле"));
    EXPECT_EQ(report.LastLine(), QStringLiteral("обнаружены ошибки"));
    EXPECT_EQ(StateList(), (QStringList{QStringLiteral("q0"), QStringLiteral("q1")}));
    EXPECT_EQ(machine.Commands().size(), 1);
}

TEST_F(MachineReader, LineLimitIsFiveHundredBytesCarriageReturnsCounted) {
    // 7 + 492 + CR: exactly 500 bytes before the LF.
    const QString name492 = Repeat('s', 492);
    TLoadReport report = Read(Lines({QStringLiteral("[STAT] ") + name492}));
    EXPECT_TRUE(report.Errors().isEmpty());
    EXPECT_EQ(StateList(), QStringList{name492});

    // 501 bytes: too long, and the LF left over forms an empty line of its own.
    machine.Clear();
    report = Read(Lines({QStringLiteral("[STAT] ") + Repeat('t', 493), QStringLiteral("[STAT] q1")}));
    EXPECT_EQ(report.Errors(), (QList<TLoadError>{{1, usertext::LineTooLong}, {2, usertext::LineTooShort}}));
    EXPECT_EQ(StateList(), QStringList{QStringLiteral("q1")});

    // Bare LF: 500 bytes of text are read, but a name the writer could not put on one line with its CR LF
    // is refused rather than lost at the next save.
    machine.Clear();
    report = Read(codepage::Encode(QStringLiteral("[STAT] ") + Repeat('u', 493)) + "\n");
    EXPECT_EQ(report.Errors(), (QList<TLoadError>{{1, usertext::LineTooLong}}));
    EXPECT_TRUE(machine.States().isEmpty());
}

TEST_F(MachineReader, RestOfAnOverlongLineIsReadAsFurtherLines) {
    const QByteArray bytes = QByteArray(501, 'x') + "[STAT] q9\r\n" + QByteArray(1100, 'y') + "\r\n[STAT] q8\r\n";
    const TLoadReport report = Read(bytes);
    EXPECT_EQ(report.Errors(), (QList<TLoadError>{{1, usertext::LineTooLong},
                                                  {3, usertext::LineTooLong},
                                                  {4, usertext::LineTooLong},
                                                  {5, usertext::LineUnknown}}));
    EXPECT_EQ(StateList(), (QStringList{QStringLiteral("q9"), QStringLiteral("q8")}));
}

TEST_F(MachineReader, BareLineFeedsAndStrayCarriageReturns) {
    const TLoadReport report = Read(QByteArray("[ABCD] 01\n\r[WO\rRD] 0110\r\r\n   \t[STAT] q0\r[STAT] q1\n"
                                               "[BEGS] q0\n"));
    EXPECT_TRUE(report.Errors().isEmpty());
    EXPECT_EQ(machine.Alphabet(), QStringLiteral("01"));
    EXPECT_EQ(machine.Word(), QStringLiteral("0110"));
    // A bare CR is not a line end: it is dropped inside the line.
    EXPECT_EQ(StateList(), (QStringList{QStringLiteral("q0[STAT] q1"), QStringLiteral("q0")}));
    EXPECT_EQ(machine.GetInitialState(), QStringLiteral("q0"));
}

TEST_F(MachineReader, LastLineWithoutLineFeedIsDroppedSilently) {
    const TLoadReport report = Read(QByteArray("[STAT] q0\r\n[STAT] q1\r\n[BREK] garbage"));
    EXPECT_TRUE(report.Errors().isEmpty());
    EXPECT_EQ(StateList(), (QStringList{QStringLiteral("q0"), QStringLiteral("q1")}));
    EXPECT_EQ(breakPoints.Count(), 0);
    // A file of one unfinished line loads nothing.
    machine.Clear();
    EXPECT_TRUE(Read(QByteArray("[STAT] q0")).Errors().isEmpty());
    EXPECT_TRUE(machine.States().isEmpty());
}

TEST_F(MachineReader, SectionsApplyInTheirOrderAndRepeat) {
    const TLoadReport report = Read(Lines({
        QStringLiteral("[STAT] q1"),
        QStringLiteral("[BEGS] q2"),
        QStringLiteral("[STAT] Q1"),
        QStringLiteral("[STAT] q0"),
        GoodCommand,
        QStringLiteral("[COMM]   q0                0 q0                1 Вправо   "),
        QStringLiteral("[BREK] 1 0     a  q0"),
        QStringLiteral("[BREK]    1 0     a  q0"),
        QStringLiteral("[ABCD] a#ba"),
        QStringLiteral("[ABCD] cd"),
    }));
    EXPECT_TRUE(report.Errors().isEmpty());
    // An initial state no state line names joins the list after them.
    EXPECT_EQ(StateList(), (QStringList{QStringLiteral("q1"), QStringLiteral("q0"), QStringLiteral("q2")}));
    EXPECT_EQ(machine.GetInitialState(), QStringLiteral("q2"));
    EXPECT_EQ(CommandList(), QStringList{QStringLiteral("q0 0 q0 1 Вправо")});
    EXPECT_EQ(BreakPointList(), (QStringList{QStringLiteral("1 0 a q0"), QStringLiteral("1 0 a q0")}));
    EXPECT_EQ(machine.Alphabet(), QStringLiteral("abcd"));
}

TEST_F(MachineReader, WordWithABlankIsRefusedWithoutAFault) {
    const TLoadReport report =
        Read(Lines({QStringLiteral("[ABCD] ab"), QStringLiteral("[WORD] ab"), QStringLiteral("[WORD] a#b")}));
    EXPECT_TRUE(report.Errors().isEmpty());
    EXPECT_EQ(machine.Word(), QStringLiteral("ab"));
    EXPECT_GE(prompts.asterisks, 1);

    // Lines after the one with the blank are refused with it: the word is what came before.
    Read(Lines({QStringLiteral("[WORD] ab"), QStringLiteral("[WORD] ba"), QStringLiteral("[WORD] a#b"),
                QStringLiteral("[WORD] aa")}));
    EXPECT_EQ(machine.Word(), QStringLiteral("abba"));
}

TEST_F(MachineReader, ColumnsOfCommandsAndBreakPoints) {
    const TLoadReport report = Read(Lines({
        // The separator is skipped whatever it is: the value of "[STAT]q1" is "1".
        QStringLiteral("[STAT]q1"),
        // Seventeen-character source state, eighteen-character new state: both fit their columns.
        QStringLiteral("[COMM] abcdefghijklmnopq a ABCDEFGHIJKLMNOPQRb вправо"),
        // The move is not checked here.
        QStringLiteral("[COMM] q0                a q1                a  прыжок "),
        QStringLiteral("[BREK] 7 -3    \\x state with blanks "),
        QStringLiteral("[BREK] 0 +12   \\0 "),
        QStringLiteral("[BREK] 1 0        "),
    }));
    EXPECT_TRUE(report.Errors().isEmpty());
    EXPECT_EQ(StateList(), QStringList{QStringLiteral("1")});
    EXPECT_EQ(CommandList(), (QStringList{QStringLiteral("abcdefghijklmnopq a ABCDEFGHIJKLMNOPQR b вправо"),
                                          QStringLiteral("q0 a q1 a прыжок")}));
    EXPECT_EQ(BreakPointList(), (QStringList{QStringLiteral("1 -3 \\ state with blanks"), QStringLiteral("0 12 - "),
                                             QStringLiteral("1 0   ")}));
}

TEST_F(MachineReader, BreakPointWithoutSymbolOrStateIsElevenCharacters) {
    breakPoints.AddBreakPoint(std::make_unique<TBreakPoint>(true, 0, QString(), QString()));
    const QByteArray saved = Written();
    EXPECT_EQ(saved, QByteArray("[BREK] 1 0     \\0 \r\n"));
    breakPoints.ClearBreakPoints();
    EXPECT_TRUE(Read(saved).Errors().isEmpty());
    EXPECT_EQ(BreakPointList(), QStringList{QStringLiteral("1 0 - ")});

    breakPoints.ClearBreakPoints();
    const TLoadReport stripped = Read(QByteArray("[BREK] 1 0     \\0\r\n"));
    EXPECT_EQ(stripped.Errors(), (QList<TLoadError>{{1, usertext::BreakPointTooShort}}));
}

TEST_F(MachineReader, CyrillicTextsAreWindows1251) {
    const TLoadReport report = Read(QByteArray("[STAT] \xf1\xee\xf1\xf2\xee\xff\xed\xe8\xe5\r\n"));
    EXPECT_TRUE(report.Errors().isEmpty());
    EXPECT_EQ(StateList(), QStringList{QStringLiteral("состояние")});
    EXPECT_EQ(Written(), QByteArray("[STAT] \xf1\xee\xf1\xf2\xee\xff\xed\xe8\xe5\r\n"));
}

TEST_F(MachineWriter, LongWordGoesOverSeveralLinesThatJoinBack) {
    for (const int length : {492, 493, 984, 1200}) {
        SCOPED_TRACE(length);
        machine.Clear();
        machine.SetAlphabetText(QStringLiteral("ab"));
        QString word;
        for (int i = 0; i < length; ++i)
            word.append(i % 3 ? u'a' : u'b');
        machine.SetWordText(word);
        const QByteArray saved = Written();
        const QList<QByteArray> lines = saved.split('\n');
        EXPECT_EQ(lines.size() - 1, 1 + (length + 491) / 492);
        for (const QByteArray& line : lines)
            EXPECT_LE(line.size(), qtmformat::MaxLineBytes);

        machine.Clear();
        EXPECT_TRUE(Read(saved).Errors().isEmpty());
        EXPECT_EQ(machine.Word(), word);
        EXPECT_EQ(Written(), saved);
    }
}

TEST_F(MachineWriter, LongStateNamesAreWrittenWholeAndRefusedInCommands) {
    const QString name18 = Repeat('n', 18);
    machine.AddState(name18);
    ASSERT_TRUE(
        machine.AddCommand(name18, QStringLiteral("a"), QStringLiteral("q1"), QStringLiteral("b"), MoveRightText));
    const QByteArray saved = Written();
    EXPECT_TRUE(saved.contains(codepage::Encode(QStringLiteral("[COMM] ") + name18 + QStringLiteral("a q1"))));
    machine.Clear();
    const TLoadReport report = Read(saved);
    EXPECT_EQ(report.Errors(), (QList<TLoadError>{{2, usertext::CommandStateTooLong}}));
    EXPECT_EQ(StateList(), QStringList{name18});
    EXPECT_TRUE(machine.Commands().isEmpty());
}

TEST_F(MachineReader, ReadStartsAtTheFirstByteAndLoadsNothingOnAReadError) {
    QBuffer buffer;
    buffer.setData(Lines({QStringLiteral("[STAT] q0")}));
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(5);
    TLoadReport report(QStringLiteral("x"));
    EXPECT_EQ(ReadMachine(buffer, machine, breakPoints, report), TReadResult::Complete);
    EXPECT_EQ(StateList(), QStringList{QStringLiteral("q0")});

    QBuffer closed;
    EXPECT_EQ(ReadMachine(closed, machine, breakPoints, report), TReadResult::NotOpen);

    TFailingDevice failing(Lines({QStringLiteral("[STAT] q1"), QStringLiteral("[STAT] q2")}) + "[STAT] q3");
    failing.open(QIODevice::ReadOnly);
    EXPECT_EQ(ReadMachine(failing, machine, breakPoints, report), TReadResult::Stopped);
    EXPECT_EQ(StateList(), QStringList{QStringLiteral("q0")});
    EXPECT_FALSE(report.ErrorsFound());
}
