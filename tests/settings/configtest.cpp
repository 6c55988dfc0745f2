#include "settings/config.h"

#include "platform/codepage.h"
#include "filetestutil.h"
#include "printers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <climits>
#include <csignal>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}

const QByteArray DefaultSettings =
    "[File]\r\nDir=/work\r\nDirLog=/logs\r\n"
    "[AutoSave]\r\nAutoConfig=1\r\nAutoFile=1\r\nAutoDeskTop=1\r\n"
    "[Messages]\r\nDelBreak=1\r\nDelState=1\r\nDelCommand=1\r\nNormalLoad=1\r\n"
    "StopOnBreak=1\r\nCloseFile=0\r\nExit=1\r\n"
    "[Run]\r\nUseBreak=1\r\nOnlyStep=0\r\nHistory=1\r\nRunSpeed=1000\r\nSaveFileRun=1\r\n"
    "[Log]\r\nViewLog=1\r\nMaxCount=1000\r\nDiesCount=1\r\nLogWord=1\r\n"
    "[Hint]\r\nViewHint=1\r\nPeriodHint=500\r\nPauseHint=2500\r\n"
    "[Color]\r\nEnableBreakFont=0\r\nEnableBreakBackground=65280\r\n"
    "DisableBreakFont=0\r\nDisableBreakBackground=16776960\r\n"
    "ActiveCommandFont=16777215\r\nActiveCommandBackground=16711680\r\n"
    "ActiveBreakFont=16777215\r\nActiveBreakBackground=16711935\r\n"
    "ErrorFont=16777215\r\nErrorBackground=255\r\n";

const QByteArray DefaultDesktop = "[MainForm]\r\nLeft=278\r\nTop=83\r\nMainColumn0=50\r\nMainColumn1=20\r\n"
                                  "MainColumn2=30\r\nMainColumn3=50\r\nMainColumn4=20\r\nMainColumn5=50\r\n"
                                  "[LogForm]\r\nLogLeft=360\r\nLogTop=200\r\nLogWidth=400\r\nLogHeight=280\r\n"
                                  "LogStayOnTop=0\r\nLogColumn0=40\r\nLogColumn1=90\r\nLogColumn2=50\r\n"
                                  "LogColumn3=50\r\nLogColumn4=50\r\nLogColumn5=100\r\n"
                                  "[TableForm]\r\nTableLeft=360\r\nTableTop=440\r\nTableWidth=480\r\n"
                                  "TableHeight=260\r\n"
                                  "[DiagramForm]\r\nDiagramLeft=420\r\nDiagramTop=120\r\nDiagramWidth=600\r\n"
                                  "DiagramHeight=400\r\n"
                                  "[TestSetForm]\r\nTestSetLeft=300\r\nTestSetTop=160\r\nTestSetWidth=900\r\n"
                                  "TestSetHeight=360\r\n"
                                  "[TaskBookForm]\r\nTaskBookLeft=320\r\nTaskBookTop=120\r\nTaskBookWidth=900\r\n"
                                  "TaskBookHeight=600\r\n"
                                  "[SpaceTimeForm]\r\nSpaceTimeLeft=340\r\nSpaceTimeTop=140\r\nSpaceTimeWidth=720\r\n"
                                  "SpaceTimeHeight=560\r\n"
                                  "[CostForm]\r\nCostLeft=360\r\nCostTop=160\r\nCostWidth=760\r\nCostHeight=560\r\n";

class Config : public testing::Test {
protected:
    QTemporaryDir dir;
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QString IniPath() const { return Path("qtm.ini"); }
    QString DskPath() const { return Path("qtm.dsk"); }
};

} // namespace

// ---- Defaults and new files ----------------------------------------------------------------------------

TEST_F(Config, WithoutFilesDefaultsStayAndSavesWriteTablesInOrder) {
    TConfig config(dir.path());
    EXPECT_EQ(config.settingsPath, IniPath());
    EXPECT_EQ(config.desktopPath, DskPath());
    EXPECT_EQ(config.Dir, QDir::currentPath());
    EXPECT_EQ(config.DirLog, QDir::currentPath());
    EXPECT_FALSE(config.LoadSettings());
    EXPECT_FALSE(config.LoadDesktop());

    config.Dir = S("/work");
    config.DirLog = S("/logs");
    ASSERT_TRUE(config.SaveSettings());
    ASSERT_TRUE(config.SaveDesktop());
    EXPECT_EQ(Text(ReadAll(IniPath())), Text(DefaultSettings));
    EXPECT_EQ(Text(ReadAll(DskPath())), Text(DefaultDesktop));
}

TEST_F(Config, SetDefaultsUndoesChanges) {
    TConfig config(dir.path());
    config.UseBreak = false;
    config.SetRunSpeed(5);
    config.ErrorFont = 7;
    config.Left = 1;
    config.LogColumn5 = 3;
    config.SetDefaults();
    config.SetDesktopDefaults();
    config.Dir = S("/work");
    config.DirLog = S("/logs");
    ASSERT_TRUE(config.SaveSettings());
    ASSERT_TRUE(config.SaveDesktop());
    EXPECT_EQ(Text(ReadAll(IniPath())), Text(DefaultSettings));
    EXPECT_EQ(Text(ReadAll(DskPath())), Text(DefaultDesktop));
}

// Every member takes a value other than its default, so a key read under another name than it is written
// (or not read at all) shows as a difference after a save, a load into a fresh object, and a second save.
TEST_F(Config, EveryKeyRoundTrips) {
    TConfig a(dir.path());
    a.Dir = S("/home/ученик/Машины №1");
    a.DirLog = S("/home/ученик/Отчеты");
    a.AutoConfig = a.AutoFile = a.AutoDeskTop = false;
    a.DelBreak = a.DelState = a.DelCommand = a.NormalLoad = a.StopOnBreak = a.Exit = false;
    a.CloseFile = true;
    a.UseBreak = a.History = a.SaveFileRun = a.ViewLog = a.ViewHint = false;
    a.OnlyStep = true;
    a.SetRunSpeed(2);
    a.SetMaxCount(3);
    a.SetDiesCount(4);
    a.SetLogWord(2);
    a.SetPeriodHint(5);
    a.SetPauseHint(6);
    a.EnableBreakFont = 11;
    a.EnableBreakBackground = 12;
    a.DisableBreakFont = 13;
    a.DisableBreakBackground = 14;
    a.ActiveCommandFont = 15;
    a.ActiveCommandBackground = 16;
    a.ActiveBreakFont = 17;
    a.ActiveBreakBackground = 18;
    a.ErrorFont = 19;
    a.ErrorBackground = -20;
    int n = 100;
    for (int* member :
         {&a.Left,         &a.Top,          &a.MainColumn0, &a.MainColumn1, &a.MainColumn2, &a.MainColumn3,
          &a.MainColumn4,  &a.MainColumn5,  &a.LogLeft,     &a.LogTop,      &a.LogWidth,    &a.LogHeight,
          &a.LogColumn0,   &a.LogColumn1,   &a.LogColumn2,  &a.LogColumn3,  &a.LogColumn4,  &a.LogColumn5,
          &a.TableLeft,    &a.TableTop,     &a.TableWidth,  &a.TableHeight, &a.DiagramLeft, &a.DiagramTop,
          &a.DiagramWidth, &a.DiagramHeight})
        *member = ++n;
    for (int* member : {&a.TestSetLeft, &a.TestSetTop, &a.TestSetWidth, &a.TestSetHeight, &a.TaskBookLeft,
                        &a.TaskBookTop, &a.TaskBookWidth, &a.TaskBookHeight, &a.SpaceTimeLeft, &a.SpaceTimeTop,
                        &a.SpaceTimeWidth, &a.SpaceTimeHeight, &a.CostLeft, &a.CostTop, &a.CostWidth, &a.CostHeight})
        *member = ++n;
    a.LogStayOnTop = true;
    ASSERT_TRUE(a.SaveSettings());
    ASSERT_TRUE(a.SaveDesktop());
    ASSERT_TRUE(ReadAll(IniPath()).contains("Dir=/home/\xF3\xF7\xE5\xED\xE8\xEA/\xCC\xE0\xF8\xE8\xED\xFB \xB9"
                                            "1\r\n"));

    TConfig b(dir.path());
    ASSERT_TRUE(b.LoadSettings());
    ASSERT_TRUE(b.LoadDesktop());
    EXPECT_EQ(b.Dir, a.Dir);
    EXPECT_EQ(b.LogColumn5, a.LogColumn5);
    QTemporaryDir other;
    b.settingsPath = other.filePath(S("qtm.ini"));
    b.desktopPath = other.filePath(S("qtm.dsk"));
    ASSERT_TRUE(b.SaveSettings());
    ASSERT_TRUE(b.SaveDesktop());
    EXPECT_EQ(Text(ReadAll(b.settingsPath)), Text(ReadAll(IniPath())));
    EXPECT_EQ(Text(ReadAll(b.desktopPath)), Text(ReadAll(DskPath())));
}

// ---- Reading values ------------------------------------------------------------------------------------

struct TValueCase {
    const char* name;
    const char* file; // contents of qtm.ini
    std::function<int(const TConfig&)> member;
    int expected;
};

void PrintTo(const TValueCase& c, std::ostream* os) {
    *os << c.name;
}

class ConfigRead : public testing::TestWithParam<TValueCase> {};

TEST_P(ConfigRead, ClampsAndKeepsValuesThatAreNoIntegers) {
    const TValueCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(WriteAll(dir.filePath(S("qtm.ini")), c.file));
    TConfig config(dir.path());
    ASSERT_TRUE(config.LoadSettings());
    EXPECT_EQ(c.member(config), c.expected);
}

namespace {

const auto RunSpeed = [](const TConfig& c) { return c.RunSpeed; };
const auto MaxCount = [](const TConfig& c) { return c.MaxCount; };
const auto DiesCount = [](const TConfig& c) { return c.DiesCount; };
const auto LogWord = [](const TConfig& c) { return int{c.LogWord}; };
const auto PeriodHint = [](const TConfig& c) { return c.PeriodHint; };
const auto PauseHint = [](const TConfig& c) { return c.PauseHint; };
const auto ViewHint = [](const TConfig& c) { return int{c.ViewHint}; };
const auto CloseFile = [](const TConfig& c) { return int{c.CloseFile}; };
const auto OnlyStep = [](const TConfig& c) { return int{c.OnlyStep}; };
const auto ErrorBackground = [](const TConfig& c) { return c.ErrorBackground; };

} // namespace

INSTANTIATE_TEST_SUITE_P(
    Config, ConfigRead,
    testing::Values(TValueCase{"RunSpeedZero", "[Run]\r\nRunSpeed=0\r\n", RunSpeed, 1},
                    TValueCase{"RunSpeedTooLarge", "[Run]\r\nRunSpeed=20000\r\n", RunSpeed, 10000},
                    TValueCase{"RunSpeedLetters", "[Run]\r\nRunSpeed=abc\r\n", RunSpeed, 1000},
                    TValueCase{"RunSpeedBeyond32Bits", "[Run]\r\nRunSpeed=99999999999\r\n", RunSpeed, 1000},
                    TValueCase{"RunSpeedBlanks", "[Run]\r\nRunSpeed =  250 \r\n", RunSpeed, 250},
                    TValueCase{"CaseOfNames", "[run]\r\nrunspeed=250\r\n", RunSpeed, 250},
                    TValueCase{"FirstDuplicateKey", "[Run]\r\nRunSpeed=5\r\nRunSpeed=7\r\n", RunSpeed, 5},
                    TValueCase{"MaxCountZero", "[Log]\r\nMaxCount=0\r\n", MaxCount, 1},
                    TValueCase{"MaxCountTooLarge", "[Log]\r\nMaxCount=10000\r\n", MaxCount, 9999},
                    TValueCase{"DiesCountTooLarge", "[Log]\r\nDiesCount=100\r\n", DiesCount, 99},
                    TValueCase{"DiesCountNegative", "[Log]\r\nDiesCount=-1\r\n", DiesCount, 1},
                    TValueCase{"LogWordFive", "[Log]\r\nLogWord=5\r\n", LogWord, 2},
                    TValueCase{"LogWordNegative", "[Log]\r\nLogWord=-3\r\n", LogWord, 0},
                    TValueCase{"LogWordLowestByte", "[Log]\r\nLogWord=258\r\n", LogWord, 2},
                    TValueCase{"LogWordLowestByteNegative", "[Log]\r\nLogWord=130\r\n", LogWord, 0},
                    TValueCase{"LogWordLetters", "[Log]\r\nLogWord=max\r\n", LogWord, 1},
                    TValueCase{"PeriodHintZero", "[Hint]\r\nPeriodHint=0\r\n", PeriodHint, 1},
                    TValueCase{"PauseHintTooLarge", "[Hint]\r\nPauseHint=30001\r\n", PauseHint, 30000},
                    TValueCase{"FlagTwoIsOn", "[Hint]\r\nViewHint=2\r\n", ViewHint, 1},
                    TValueCase{"FlagZeroIsOff", "[Hint]\r\nViewHint=0\r\n", ViewHint, 0},
                    TValueCase{"FlagLettersKeepOn", "[Hint]\r\nViewHint=no\r\n", ViewHint, 1},
                    TValueCase{"FlagLettersKeepOff", "[Messages]\r\nCloseFile=yes\r\n", CloseFile, 0},
                    TValueCase{"FlagMinusOneIsOn", "[Messages]\r\nCloseFile=-1\r\n", CloseFile, 1},
                    TValueCase{"FlagInWrongSection", "[Log]\r\nOnlyStep=1\r\n", OnlyStep, 0},
                    TValueCase{"ColourNotClamped", "[Color]\r\nErrorBackground=-1\r\n", ErrorBackground, -1},
                    TValueCase{"ColourLetters", "[Color]\r\nErrorBackground=clRed\r\n", ErrorBackground, 255}),
    [](const testing::TestParamInfo<TValueCase>& param) { return std::string(param.param.name); });

TEST(ConfigSetters, ClampIntoRanges) {
    TConfig config(QString{});
    struct TCase {
        void (TConfig::*set)(int);
        int TConfig::*member;
        int low;
        int high;
    };
    for (const TCase& c : {TCase{&TConfig::SetRunSpeed, &TConfig::RunSpeed, 1, 10000},
                           TCase{&TConfig::SetMaxCount, &TConfig::MaxCount, 1, 9999},
                           TCase{&TConfig::SetDiesCount, &TConfig::DiesCount, 1, 99},
                           TCase{&TConfig::SetPeriodHint, &TConfig::PeriodHint, 1, 30000},
                           TCase{&TConfig::SetPauseHint, &TConfig::PauseHint, 1, 30000}}) {
        for (const int n : {INT_MIN, c.low - 1, c.low, c.high, c.high + 1, INT_MAX}) {
            (config.*c.set)(n);
            EXPECT_EQ(config.*c.member, n < c.low ? c.low : n > c.high ? c.high : n) << n;
        }
    }
    const std::vector<std::pair<int, int>> logWord = {{0, 0},    {1, 1},       {2, 2},      {3, 2},   {-1, 0},
                                                      {258, 2},  {256, 0},     {127, 2},    {128, 0}, {0x1FF, 0},
                                                      {-255, 1}, {INT_MIN, 0}, {INT_MAX, 0}};
    for (const auto& [n, expected] : logWord) {
        config.SetLogWord(n);
        EXPECT_EQ(int{config.LogWord}, expected) << n;
    }
}

TEST_F(Config, OnlyFilesWithTheirOwnExtensionAreRead) {
    ASSERT_TRUE(WriteAll(Path("qtm.INI"), "[Run]\r\nRunSpeed=5\r\n"));
    ASSERT_TRUE(WriteAll(Path("qtm.ini.bak"), "[Run]\r\nRunSpeed=5\r\n"));
    ASSERT_TRUE(QDir(dir.path()).mkpath(S("dir.ini")));
    ASSERT_TRUE(WriteAll(Path("dir.ini/qtm"), "[Run]\r\nRunSpeed=5\r\n"));
    ASSERT_TRUE(WriteAll(Path("other.ini"), "[Run]\r\nRunSpeed=5\r\n"));
    ASSERT_TRUE(WriteAll(Path("desk.DSK"), "[MainForm]\r\nLeft=5\r\n"));
    ASSERT_TRUE(WriteAll(Path("desk.ini"), "[MainForm]\r\nLeft=5\r\n"));

    TConfig config(dir.path());
    for (const char* name : {"qtm.INI", "qtm.ini.bak", "dir.ini/qtm", "dir.ini", ""}) {
        config.settingsPath = *name ? Path(name) : QString();
        EXPECT_FALSE(config.LoadSettings()) << name;
        EXPECT_EQ(config.RunSpeed, 1000) << name;
    }
    for (const char* name : {"desk.DSK", "desk.ini"}) {
        config.desktopPath = Path(name);
        EXPECT_FALSE(config.LoadDesktop()) << name;
        EXPECT_EQ(config.Left, 278) << name;
    }
    config.settingsPath = Path("other.ini");
    EXPECT_TRUE(config.LoadSettings());
    EXPECT_EQ(config.RunSpeed, 5);

    // Saving does not look at the name.
    config.settingsPath = Path("saved.cfg");
    EXPECT_TRUE(config.SaveSettings());
    EXPECT_TRUE(QFileInfo(Path("saved.cfg")).isFile());
}

TEST_F(Config, DesktopValuesAreTakenAsTheyAre) {
    ASSERT_TRUE(WriteAll(DskPath(), "[MainForm]\r\nLeft=-3000\r\n[LogForm]\r\nLogWidth=0\r\nLogStayOnTop=5\r\n"
                                    "LogColumn5=100000\r\nLogColumn4=wide\r\n"));
    TConfig config(dir.path());
    ASSERT_TRUE(config.LoadDesktop());
    EXPECT_EQ(config.Left, -3000);
    EXPECT_EQ(config.Top, 83) << "Left without Top keeps the default top edge";
    EXPECT_EQ(config.LogWidth, 0);
    EXPECT_TRUE(config.LogStayOnTop);
    EXPECT_EQ(config.LogColumn5, 100000);
    EXPECT_EQ(config.LogColumn4, 50);
}

TEST_F(Config, DamagedFilesAreReadAsFarAsTheyGo) {
    // Cut off in the middle of a key.
    ASSERT_TRUE(WriteAll(IniPath(), "[Run]\r\nRunSpeed=25\r\n[Log]\r\nMaxC"));
    TConfig config(dir.path());
    ASSERT_TRUE(config.LoadSettings());
    EXPECT_EQ(config.RunSpeed, 25);
    EXPECT_EQ(config.MaxCount, 1000);
    config.SetMaxCount(40);
    ASSERT_TRUE(config.SaveSettings());
    const QByteArray saved = ReadAll(IniPath());
    EXPECT_TRUE(
        saved.startsWith("[Run]\r\nRunSpeed=25\r\nUseBreak=1\r\nOnlyStep=0\r\nHistory=1\r\nSaveFileRun=1\r\n"
                         "[Log]\r\nViewLog=1\r\nMaxCount=40\r\nDiesCount=1\r\nLogWord=1\r\nMaxC\r\n[File]\r\n"));

    // Noise: bytes of every kind, a header without its bracket, lines without "=".
    const char raw[] = "\x00\xFF\xFE[Run\r\nRunSpeed=3\r\n=7\r\n[]\r\nRunSpeed\r\n";
    QByteArray noise(raw, sizeof raw - 1);
    for (int i = 0; i < 512; ++i)
        noise.append(static_cast<char>((i * 131 + 17) % 256));
    ASSERT_TRUE(WriteAll(IniPath(), noise));
    TConfig fresh(dir.path());
    fresh.Dir = S("/work");
    fresh.DirLog = S("/logs");
    EXPECT_TRUE(fresh.LoadSettings());
    EXPECT_EQ(fresh.RunSpeed, 1000);
    ASSERT_TRUE(fresh.SaveSettings());
    const QByteArray after = ReadAll(IniPath());
    EXPECT_TRUE(after.startsWith(noise)) << "the noise is kept";
    TConfig reread(dir.path());
    EXPECT_TRUE(reread.LoadSettings());
    EXPECT_EQ(reread.Dir, S("/work"));
}

// ---- Saving into existing files ------------------------------------------------------------------------

TEST_F(Config, SavingChangesOnlyOurValues) {
    const QByteArray before = "; settings of the simulator, edited by hand\r\n"
                              "[File]\r\nDir=/old\r\nDirLog=/work\r\nRecent=/a.qtm\r\n\r\n"
                              "[Printer]\r\nName=lp0\r\n\r\n"
                              "; speed below\r\n"
                              "[run]\r\n  runspeed = 500\r\nuseBreak=1\r\nOnlyStep=0\r\nHistory=1\r\nSaveFileRun=1\r\n"
                              "[AutoSave]\r\nAutoConfig=1\r\nAutoFile=1\r\nAutoDeskTop=1\r\n"
                              "[Messages]\r\nDelBreak=1\r\nDelState=1\r\nDelCommand=1\r\nNormalLoad=1\r\n"
                              "StopOnBreak=1\r\nCloseFile=0\r\nExit=1\r\n"
                              "[Log]\r\nViewLog=1\r\nMaxCount=1000\r\nDiesCount=1\r\nLogWord=1\r\n"
                              "[Hint]\r\nViewHint=1\r\nPeriodHint=500\r\nPauseHint=2500\r\n"
                              "[Color]\r\nEnableBreakFont=0\r\nEnableBreakBackground=65280\r\n"
                              "DisableBreakFont=0\r\nDisableBreakBackground=16776960\r\n"
                              "ActiveCommandFont=16777215\r\nActiveCommandBackground=16711680\r\n"
                              "ActiveBreakFont=16777215\r\nActiveBreakBackground=16711935\r\n"
                              "ErrorFont=16777215\r\nErrorBackground=255\r\n"
                              "; end";
    ASSERT_TRUE(WriteAll(IniPath(), before));
    TConfig config(dir.path());
    ASSERT_TRUE(config.LoadSettings());
    EXPECT_EQ(config.RunSpeed, 500);
    config.SetRunSpeed(750);
    config.Dir = S("/new");
    config.ErrorFont = 0;
    ASSERT_TRUE(config.SaveSettings());

    QByteArray expected = before;
    expected.replace("Dir=/old", "Dir=/new")
        .replace("  runspeed = 500", "  runspeed = 750")
        .replace("ErrorFont=16777215", "ErrorFont=0");
    EXPECT_EQ(Text(ReadAll(IniPath())), Text(expected));
}

TEST_F(Config, SavingAddsMissingKeysToTheirSections) {
    ASSERT_TRUE(WriteAll(DskPath(), "[LogForm]\r\nLogLeft=1\r\n\r\n[mainform]\r\nTop=2\r\n[Other]\r\nx=y"));
    TConfig config(dir.path());
    ASSERT_TRUE(config.LoadDesktop());
    ASSERT_TRUE(config.SaveDesktop());
    EXPECT_EQ(Text(ReadAll(DskPath())),
              Text(QByteArray("[LogForm]\r\nLogLeft=1\r\nLogTop=200\r\nLogWidth=400\r\nLogHeight=280\r\n"
                              "LogStayOnTop=0\r\nLogColumn0=40\r\nLogColumn1=90\r\nLogColumn2=50\r\n"
                              "LogColumn3=50\r\nLogColumn4=50\r\nLogColumn5=100\r\n\r\n"
                              "[mainform]\r\nTop=2\r\nLeft=278\r\nMainColumn0=50\r\nMainColumn1=20\r\n"
                              "MainColumn2=30\r\nMainColumn3=50\r\nMainColumn4=20\r\nMainColumn5=50\r\n"
                              "[Other]\r\nx=y\r\n[TableForm]\r\nTableLeft=360\r\nTableTop=440\r\n"
                              "TableWidth=480\r\nTableHeight=260\r\n"
                              "[DiagramForm]\r\nDiagramLeft=420\r\nDiagramTop=120\r\nDiagramWidth=600\r\n"
                              "DiagramHeight=400\r\n"
                              "[TestSetForm]\r\nTestSetLeft=300\r\nTestSetTop=160\r\n"
                              "TestSetWidth=900\r\nTestSetHeight=360\r\n"
                              "[TaskBookForm]\r\nTaskBookLeft=320\r\nTaskBookTop=120\r\nTaskBookWidth=900\r\n"
                              "TaskBookHeight=600\r\n"
                              "[SpaceTimeForm]\r\nSpaceTimeLeft=340\r\nSpaceTimeTop=140\r\nSpaceTimeWidth=720\r\n"
                              "SpaceTimeHeight=560\r\n"
                              "[CostForm]\r\nCostLeft=360\r\nCostTop=160\r\nCostWidth=760\r\nCostHeight=560\r\n")));
}

TEST_F(Config, UnstorableDirectoryFailsTheSaveButNotTheOtherKeys) {
    for (const QString& bad : {S("/tmp/a\r\nRunSpeed=1"), S("/home/\u4E2D\u6587"), S("/tmp/trailing ")}) {
        ASSERT_TRUE(WriteAll(IniPath(), "[File]\r\nDir=/old\r\n"));
        TConfig config(dir.path());
        config.Dir = bad;
        config.SetRunSpeed(250);
        EXPECT_FALSE(config.SaveSettings());
        TConfig reread(dir.path());
        ASSERT_TRUE(reread.LoadSettings());
        EXPECT_EQ(reread.Dir, S("/old"));
        EXPECT_EQ(reread.RunSpeed, 250);
    }
}

TEST_F(Config, FailedSavesLeaveFilesAsTheyWere) {
    // Directories in place of the files: nothing can read or replace them.
    ASSERT_TRUE(QDir(dir.path()).mkpath(S("qtm.ini/keep")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(S("qtm.dsk/keep")));
    TConfig config(dir.path());
    EXPECT_FALSE(config.LoadSettings());
    EXPECT_FALSE(config.LoadDesktop());
    EXPECT_FALSE(config.SaveSettings());
    EXPECT_FALSE(config.SaveDesktop());
    EXPECT_TRUE(QFileInfo(Path("qtm.ini/keep")).isDir());
    EXPECT_TRUE(QFileInfo(Path("qtm.dsk/keep")).isDir());

    // A directory that does not exist.
    TConfig nowhere(Path("missing"));
    EXPECT_FALSE(nowhere.SaveSettings());
    EXPECT_FALSE(nowhere.SaveDesktop());

    // A write that fails half-way: the old file stays whole.
    QTemporaryDir other;
    const QByteArray before("[Run]\r\nRunSpeed=5\r\n");
    ASSERT_TRUE(WriteAll(other.filePath(S("qtm.ini")), before));
    TConfig limited(other.path());
    {
        const TFileSizeLimit limit(64);
        EXPECT_FALSE(limited.SaveSettings());
    }
    EXPECT_EQ(Text(ReadAll(other.filePath(S("qtm.ini")))), Text(before));
    EXPECT_EQ(QDir(other.path()).entryList(QDir::Files), QStringList{S("qtm.ini")});
}
