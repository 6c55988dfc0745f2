#include "settings/config.h"

#include "platform/inifile.h"
#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString FileSection = QStringLiteral("File");
const QString AutoSaveSection = QStringLiteral("AutoSave");
const QString MessagesSection = QStringLiteral("Messages");
const QString RunSection = QStringLiteral("Run");
const QString LogSection = QStringLiteral("Log");
const QString HintSection = QStringLiteral("Hint");
const QString EditSection = QStringLiteral("Edit");
const QString ColorSection = QStringLiteral("Color");
const QString MainFormSection = QStringLiteral("MainForm");
const QString LogFormSection = QStringLiteral("LogForm");
const QString TableFormSection = QStringLiteral("TableForm");
const QString DiagramFormSection = QStringLiteral("DiagramForm");
const QString TestSetFormSection = QStringLiteral("TestSetForm");
const QString TaskBookFormSection = QStringLiteral("TaskBookForm");
const QString SpaceTimeFormSection = QStringLiteral("SpaceTimeForm");
const QString CostFormSection = QStringLiteral("CostForm");

// The extension must be exactly ext, case included, so that a wrong name is never read as settings.
bool IsReadableAs(const QString& path, const QString& ext) {
    return !path.isEmpty() && paths::FileExt(path) == ext && QFileInfo(path).isFile();
}

// Collects the results of a run of writes: every key is still tried after one is refused, so a single
// unstorable value does not cost the others.
class TWriter {
public:
    explicit TWriter(TIniFile& file) : ini(file) {}

    void String(const QString& section, const char* key, const QString& value) {
        ok = ini.WriteString(section, QLatin1String(key), value) && ok;
    }
    void Integer(const QString& section, const char* key, int value) {
        ok = ini.WriteInteger(section, QLatin1String(key), value) && ok;
    }
    void Bool(const QString& section, const char* key, bool value) {
        ok = ini.WriteBool(section, QLatin1String(key), value) && ok;
    }
    // Stores the file even after a refused key, so the keys written before stay written.
    bool Finish() { return ini.Save() && ok; }

private:
    TIniFile& ini;
    bool ok = true;
};

} // namespace

TConfig::TConfig(const QString& directory)
    : settingsPath(paths::Join(directory, QStringLiteral("qtm.ini"))),
      desktopPath(paths::Join(directory, QStringLiteral("qtm.dsk"))) {
    SetDefaults();
    SetDesktopDefaults();
}

void TConfig::SetDefaults() {
    Dir = QDir::currentPath();
    DirLog = QDir::currentPath();
    AutoConfig = true;
    AutoFile = true;
    AutoDeskTop = true;
    DelBreak = true;
    DelState = true;
    DelCommand = true;
    NormalLoad = true;
    StopOnBreak = true;
    CloseFile = false;
    Exit = true;
    UseBreak = true;
    OnlyStep = false;
    History = true;
    RunSpeed = 1000;
    SaveFileRun = true;
    ViewLog = true;
    MaxCount = 1000;
    DiesCount = 1;
    LogWord = 1;
    UndoMemory = DefaultUndoMemory;
    ViewHint = true;
    PeriodHint = 500;
    PauseHint = 2500;
    EnableBreakFont = 0;
    EnableBreakBackground = 0x00FF00;
    DisableBreakFont = 0;
    DisableBreakBackground = 0xFFFF00;
    ActiveCommandFont = 0xFFFFFF;
    ActiveCommandBackground = 0xFF0000;
    ActiveBreakFont = 0xFFFFFF;
    ActiveBreakBackground = 0xFF00FF;
    ErrorFont = 0xFFFFFF;
    ErrorBackground = 0x0000FF;
}

void TConfig::SetDesktopDefaults() {
    Left = 278;
    Top = 83;
    MainColumn0 = 50;
    MainColumn1 = 20;
    MainColumn2 = 30;
    MainColumn3 = 50;
    MainColumn4 = 20;
    MainColumn5 = 50;
    LogLeft = 360;
    LogTop = 200;
    LogWidth = 400;
    LogHeight = 280;
    LogStayOnTop = false;
    LogColumn0 = 40;
    LogColumn1 = 90;
    LogColumn2 = 50;
    LogColumn3 = 50;
    LogColumn4 = 50;
    LogColumn5 = 100;
    TableLeft = 360;
    TableTop = 440;
    TableWidth = 480;
    TableHeight = 260;
    DiagramLeft = 420;
    DiagramTop = 120;
    DiagramWidth = 600;
    DiagramHeight = 400;
    TestSetLeft = 300;
    TestSetTop = 160;
    TestSetWidth = 900;
    TestSetHeight = 360;
    TaskBookLeft = 320;
    TaskBookTop = 120;
    TaskBookWidth = 900;
    TaskBookHeight = 600;
    SpaceTimeLeft = 340;
    SpaceTimeTop = 140;
    SpaceTimeWidth = 720;
    SpaceTimeHeight = 560;
    CostLeft = 360;
    CostTop = 160;
    CostWidth = 760;
    CostHeight = 560;
}

void TConfig::SetRunSpeed(int n) {
    RunSpeed = std::clamp(n, 1, 10000);
}
void TConfig::SetMaxCount(int n) {
    MaxCount = std::clamp(n, 1, 9999);
}
void TConfig::SetUndoMemory(int megabytes) {
    UndoMemory = std::clamp(megabytes, 1, 999);
}
void TConfig::SetDiesCount(int n) {
    DiesCount = std::clamp(n, 1, 99);
}
void TConfig::SetPeriodHint(int n) {
    PeriodHint = std::clamp(n, 1, 30000);
}
void TConfig::SetPauseHint(int n) {
    PauseHint = std::clamp(n, 1, 30000);
}

void TConfig::SetLogWord(int n) {
    const auto lowest = static_cast<qint8>(static_cast<quint8>(static_cast<unsigned>(n) & 0xFFu));
    LogWord = std::clamp<qint8>(lowest, 0, 2);
}

bool TConfig::LoadSettings() {
    if (!IsReadableAs(settingsPath, QStringLiteral(".ini")))
        return false;
    TIniFile ini(settingsPath);
    settingsUnreadable_ = !ini.Load();
    if (settingsUnreadable_)
        return false;
    const auto text = [&](const QString& section, const char* key, const QString& value) {
        return ini.ReadString(section, QLatin1String(key), value);
    };
    const auto integer = [&](const QString& section, const char* key, int value) {
        return ini.ReadInteger(section, QLatin1String(key), value);
    };
    const auto flag = [&](const QString& section, const char* key, bool value) {
        return ini.ReadBool(section, QLatin1String(key), value);
    };

    Dir = text(FileSection, "Dir", Dir);
    DirLog = text(FileSection, "DirLog", DirLog);
    AutoConfig = flag(AutoSaveSection, "AutoConfig", AutoConfig);
    AutoFile = flag(AutoSaveSection, "AutoFile", AutoFile);
    AutoDeskTop = flag(AutoSaveSection, "AutoDeskTop", AutoDeskTop);
    DelBreak = flag(MessagesSection, "DelBreak", DelBreak);
    DelState = flag(MessagesSection, "DelState", DelState);
    DelCommand = flag(MessagesSection, "DelCommand", DelCommand);
    NormalLoad = flag(MessagesSection, "NormalLoad", NormalLoad);
    StopOnBreak = flag(MessagesSection, "StopOnBreak", StopOnBreak);
    CloseFile = flag(MessagesSection, "CloseFile", CloseFile);
    Exit = flag(MessagesSection, "Exit", Exit);
    // History is read before OnlyStep, though written after it.
    UseBreak = flag(RunSection, "UseBreak", UseBreak);
    History = flag(RunSection, "History", History);
    OnlyStep = flag(RunSection, "OnlyStep", OnlyStep);
    SetRunSpeed(integer(RunSection, "RunSpeed", RunSpeed));
    SaveFileRun = flag(RunSection, "SaveFileRun", SaveFileRun);
    ViewLog = flag(LogSection, "ViewLog", ViewLog);
    SetMaxCount(integer(LogSection, "MaxCount", MaxCount));
    SetDiesCount(integer(LogSection, "DiesCount", DiesCount));
    SetLogWord(integer(LogSection, "LogWord", LogWord));
    SetUndoMemory(integer(EditSection, "UndoMemory", UndoMemory));
    ViewHint = flag(HintSection, "ViewHint", ViewHint);
    SetPeriodHint(integer(HintSection, "PeriodHint", PeriodHint));
    SetPauseHint(integer(HintSection, "PauseHint", PauseHint));
    EnableBreakFont = integer(ColorSection, "EnableBreakFont", EnableBreakFont);
    EnableBreakBackground = integer(ColorSection, "EnableBreakBackground", EnableBreakBackground);
    DisableBreakFont = integer(ColorSection, "DisableBreakFont", DisableBreakFont);
    DisableBreakBackground = integer(ColorSection, "DisableBreakBackground", DisableBreakBackground);
    ActiveCommandFont = integer(ColorSection, "ActiveCommandFont", ActiveCommandFont);
    ActiveCommandBackground = integer(ColorSection, "ActiveCommandBackground", ActiveCommandBackground);
    ActiveBreakFont = integer(ColorSection, "ActiveBreakFont", ActiveBreakFont);
    ActiveBreakBackground = integer(ColorSection, "ActiveBreakBackground", ActiveBreakBackground);
    ErrorFont = integer(ColorSection, "ErrorFont", ErrorFont);
    ErrorBackground = integer(ColorSection, "ErrorBackground", ErrorBackground);
    return true;
}

bool TConfig::SaveSettings() {
    if (settingsUnreadable_)
        return false;
    TIniFile ini(settingsPath);
    if (!ini.Load())
        return false;
    TWriter w(ini);
    w.String(FileSection, "Dir", Dir);
    w.String(FileSection, "DirLog", DirLog);
    w.Bool(AutoSaveSection, "AutoConfig", AutoConfig);
    w.Bool(AutoSaveSection, "AutoFile", AutoFile);
    w.Bool(AutoSaveSection, "AutoDeskTop", AutoDeskTop);
    w.Bool(MessagesSection, "DelBreak", DelBreak);
    w.Bool(MessagesSection, "DelState", DelState);
    w.Bool(MessagesSection, "DelCommand", DelCommand);
    w.Bool(MessagesSection, "NormalLoad", NormalLoad);
    w.Bool(MessagesSection, "StopOnBreak", StopOnBreak);
    w.Bool(MessagesSection, "CloseFile", CloseFile);
    w.Bool(MessagesSection, "Exit", Exit);
    w.Bool(RunSection, "UseBreak", UseBreak);
    w.Bool(RunSection, "OnlyStep", OnlyStep);
    w.Bool(RunSection, "History", History);
    w.Integer(RunSection, "RunSpeed", RunSpeed);
    w.Bool(RunSection, "SaveFileRun", SaveFileRun);
    w.Bool(LogSection, "ViewLog", ViewLog);
    w.Integer(LogSection, "MaxCount", MaxCount);
    w.Integer(LogSection, "DiesCount", userDiesCount > 0 ? userDiesCount : DiesCount);
    w.Integer(LogSection, "LogWord", LogWord);
    if (UndoMemory != DefaultUndoMemory || ini.ValueExists(EditSection, QStringLiteral("UndoMemory")))
        w.Integer(EditSection, "UndoMemory", UndoMemory);
    w.Bool(HintSection, "ViewHint", ViewHint);
    w.Integer(HintSection, "PeriodHint", PeriodHint);
    w.Integer(HintSection, "PauseHint", PauseHint);
    w.Integer(ColorSection, "EnableBreakFont", EnableBreakFont);
    w.Integer(ColorSection, "EnableBreakBackground", EnableBreakBackground);
    w.Integer(ColorSection, "DisableBreakFont", DisableBreakFont);
    w.Integer(ColorSection, "DisableBreakBackground", DisableBreakBackground);
    w.Integer(ColorSection, "ActiveCommandFont", ActiveCommandFont);
    w.Integer(ColorSection, "ActiveCommandBackground", ActiveCommandBackground);
    w.Integer(ColorSection, "ActiveBreakFont", ActiveBreakFont);
    w.Integer(ColorSection, "ActiveBreakBackground", ActiveBreakBackground);
    w.Integer(ColorSection, "ErrorFont", ErrorFont);
    w.Integer(ColorSection, "ErrorBackground", ErrorBackground);
    return w.Finish();
}

bool TConfig::LoadDesktop() {
    if (!IsReadableAs(desktopPath, QStringLiteral(".dsk")))
        return false;
    TIniFile ini(desktopPath);
    desktopUnreadable_ = !ini.Load();
    if (desktopUnreadable_)
        return false;
    const auto integer = [&](const QString& section, const char* key, int& member) {
        member = ini.ReadInteger(section, QLatin1String(key), member);
    };
    integer(MainFormSection, "Left", Left);
    integer(MainFormSection, "Top", Top);
    integer(MainFormSection, "MainColumn0", MainColumn0);
    integer(MainFormSection, "MainColumn1", MainColumn1);
    integer(MainFormSection, "MainColumn2", MainColumn2);
    integer(MainFormSection, "MainColumn3", MainColumn3);
    integer(MainFormSection, "MainColumn4", MainColumn4);
    integer(MainFormSection, "MainColumn5", MainColumn5);
    integer(LogFormSection, "LogLeft", LogLeft);
    integer(LogFormSection, "LogTop", LogTop);
    integer(LogFormSection, "LogWidth", LogWidth);
    integer(LogFormSection, "LogHeight", LogHeight);
    LogStayOnTop = ini.ReadBool(LogFormSection, QStringLiteral("LogStayOnTop"), LogStayOnTop);
    integer(LogFormSection, "LogColumn0", LogColumn0);
    integer(LogFormSection, "LogColumn1", LogColumn1);
    integer(LogFormSection, "LogColumn2", LogColumn2);
    integer(LogFormSection, "LogColumn3", LogColumn3);
    integer(LogFormSection, "LogColumn4", LogColumn4);
    integer(LogFormSection, "LogColumn5", LogColumn5);
    integer(TableFormSection, "TableLeft", TableLeft);
    integer(TableFormSection, "TableTop", TableTop);
    integer(TableFormSection, "TableWidth", TableWidth);
    integer(TableFormSection, "TableHeight", TableHeight);
    integer(DiagramFormSection, "DiagramLeft", DiagramLeft);
    integer(DiagramFormSection, "DiagramTop", DiagramTop);
    integer(DiagramFormSection, "DiagramWidth", DiagramWidth);
    integer(DiagramFormSection, "DiagramHeight", DiagramHeight);
    integer(TestSetFormSection, "TestSetLeft", TestSetLeft);
    integer(TestSetFormSection, "TestSetTop", TestSetTop);
    integer(TestSetFormSection, "TestSetWidth", TestSetWidth);
    integer(TestSetFormSection, "TestSetHeight", TestSetHeight);
    integer(TaskBookFormSection, "TaskBookLeft", TaskBookLeft);
    integer(TaskBookFormSection, "TaskBookTop", TaskBookTop);
    integer(TaskBookFormSection, "TaskBookWidth", TaskBookWidth);
    integer(TaskBookFormSection, "TaskBookHeight", TaskBookHeight);
    integer(SpaceTimeFormSection, "SpaceTimeLeft", SpaceTimeLeft);
    integer(SpaceTimeFormSection, "SpaceTimeTop", SpaceTimeTop);
    integer(SpaceTimeFormSection, "SpaceTimeWidth", SpaceTimeWidth);
    integer(SpaceTimeFormSection, "SpaceTimeHeight", SpaceTimeHeight);
    integer(CostFormSection, "CostLeft", CostLeft);
    integer(CostFormSection, "CostTop", CostTop);
    integer(CostFormSection, "CostWidth", CostWidth);
    integer(CostFormSection, "CostHeight", CostHeight);
    return true;
}

bool TConfig::SaveDesktop() {
    if (desktopUnreadable_)
        return false;
    TIniFile ini(desktopPath);
    if (!ini.Load())
        return false;
    TWriter w(ini);
    w.Integer(MainFormSection, "Left", Left);
    w.Integer(MainFormSection, "Top", Top);
    w.Integer(MainFormSection, "MainColumn0", MainColumn0);
    w.Integer(MainFormSection, "MainColumn1", MainColumn1);
    w.Integer(MainFormSection, "MainColumn2", MainColumn2);
    w.Integer(MainFormSection, "MainColumn3", MainColumn3);
    w.Integer(MainFormSection, "MainColumn4", MainColumn4);
    w.Integer(MainFormSection, "MainColumn5", MainColumn5);
    w.Integer(LogFormSection, "LogLeft", LogLeft);
    w.Integer(LogFormSection, "LogTop", LogTop);
    w.Integer(LogFormSection, "LogWidth", LogWidth);
    w.Integer(LogFormSection, "LogHeight", LogHeight);
    w.Bool(LogFormSection, "LogStayOnTop", LogStayOnTop);
    w.Integer(LogFormSection, "LogColumn0", LogColumn0);
    w.Integer(LogFormSection, "LogColumn1", LogColumn1);
    w.Integer(LogFormSection, "LogColumn2", LogColumn2);
    w.Integer(LogFormSection, "LogColumn3", LogColumn3);
    w.Integer(LogFormSection, "LogColumn4", LogColumn4);
    w.Integer(LogFormSection, "LogColumn5", LogColumn5);
    w.Integer(TableFormSection, "TableLeft", TableLeft);
    w.Integer(TableFormSection, "TableTop", TableTop);
    w.Integer(TableFormSection, "TableWidth", TableWidth);
    w.Integer(TableFormSection, "TableHeight", TableHeight);
    w.Integer(DiagramFormSection, "DiagramLeft", DiagramLeft);
    w.Integer(DiagramFormSection, "DiagramTop", DiagramTop);
    w.Integer(DiagramFormSection, "DiagramWidth", DiagramWidth);
    w.Integer(DiagramFormSection, "DiagramHeight", DiagramHeight);
    w.Integer(TestSetFormSection, "TestSetLeft", TestSetLeft);
    w.Integer(TestSetFormSection, "TestSetTop", TestSetTop);
    w.Integer(TestSetFormSection, "TestSetWidth", TestSetWidth);
    w.Integer(TestSetFormSection, "TestSetHeight", TestSetHeight);
    w.Integer(TaskBookFormSection, "TaskBookLeft", TaskBookLeft);
    w.Integer(TaskBookFormSection, "TaskBookTop", TaskBookTop);
    w.Integer(TaskBookFormSection, "TaskBookWidth", TaskBookWidth);
    w.Integer(TaskBookFormSection, "TaskBookHeight", TaskBookHeight);
    w.Integer(SpaceTimeFormSection, "SpaceTimeLeft", SpaceTimeLeft);
    w.Integer(SpaceTimeFormSection, "SpaceTimeTop", SpaceTimeTop);
    w.Integer(SpaceTimeFormSection, "SpaceTimeWidth", SpaceTimeWidth);
    w.Integer(SpaceTimeFormSection, "SpaceTimeHeight", SpaceTimeHeight);
    w.Integer(CostFormSection, "CostLeft", CostLeft);
    w.Integer(CostFormSection, "CostTop", CostTop);
    w.Integer(CostFormSection, "CostWidth", CostWidth);
    w.Integer(CostFormSection, "CostHeight", CostHeight);
    return w.Finish();
}
