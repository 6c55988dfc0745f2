#pragma once

#include <QString>
#include <QtGlobal>

// Every user option and the window layout, kept from run to run in two INI files: the settings file
// qtm.ini and the desktop file qtm.dsk. Members are named as their keys. The ranged ones are read
// directly but changed only through their clamping setters. Colours are 0x00BBGGRR values.
class TConfig {
public:
    // directory: where qtm.ini and qtm.dsk live (the program's own directory).
    explicit TConfig(const QString& directory);

    QString settingsPath;
    QString desktopPath;

    // qtm.ini, [File]
    QString Dir;
    QString DirLog;
    // [AutoSave]
    bool AutoConfig;
    bool AutoFile;
    bool AutoDeskTop;
    // [Messages]
    bool DelBreak;
    bool DelState;
    bool DelCommand;
    bool NormalLoad;
    bool StopOnBreak;
    bool CloseFile;
    bool Exit;
    // [Run]
    bool UseBreak;
    bool OnlyStep;
    bool History;
    int RunSpeed; // 1 to 10000 ms
    bool SaveFileRun;
    // [Log]
    bool ViewLog;
    int MaxCount;  // 1 to 9999 rows
    int DiesCount; // 1 to 99 cells
    // While a task's machine is open the window runs it with the task's DiesCount; the user's own is kept here
    // and is what the settings file gets. 0: no task's value in force.
    int userDiesCount = 0;
    qint8 LogWord; // 0 minimal, 1 automatic, 2 maximal
    // [Edit]: the memory the edit history may hold, 1 to 999 MB. Written only once it differs from the default,
    // so a file of the usual keys stays as it was.
    int UndoMemory;
    // [Hint]
    bool ViewHint;
    int PeriodHint; // 1 to 30000 ms
    int PauseHint;  // 1 to 30000 ms
    // [Color]
    int EnableBreakFont;
    int EnableBreakBackground;
    int DisableBreakFont;
    int DisableBreakBackground;
    int ActiveCommandFont;
    int ActiveCommandBackground;
    int ActiveBreakFont;
    int ActiveBreakBackground;
    int ErrorFont;
    int ErrorBackground;

    // qtm.dsk, [MainForm]: the main window's position and its command list's column widths
    int Left;
    int Top;
    int MainColumn0;
    int MainColumn1;
    int MainColumn2;
    int MainColumn3;
    int MainColumn4;
    int MainColumn5;
    // [LogForm]: the run log window's layout, kept here by that window
    int LogLeft;
    int LogTop;
    int LogWidth;
    int LogHeight;
    bool LogStayOnTop;
    int LogColumn0;
    int LogColumn1;
    int LogColumn2;
    int LogColumn3;
    int LogColumn4;
    int LogColumn5;
    // [TableForm]: the transition table window's place
    int TableLeft;
    int TableTop;
    int TableWidth;
    int TableHeight;
    // [DiagramForm]: the state diagram window's place and size
    int DiagramLeft;
    int DiagramTop;
    int DiagramWidth;
    int DiagramHeight;
    // [TestSetForm]: the test set window's place, kept here by that window
    int TestSetLeft;
    int TestSetTop;
    int TestSetWidth;
    int TestSetHeight;
    // [TaskBookForm], [SpaceTimeForm], [CostForm]: the places of the task book, the run picture and the cost plot
    int TaskBookLeft;
    int TaskBookTop;
    int TaskBookWidth;
    int TaskBookHeight;
    int SpaceTimeLeft;
    int SpaceTimeTop;
    int SpaceTimeWidth;
    int SpaceTimeHeight;
    int CostLeft;
    int CostTop;
    int CostWidth;
    int CostHeight;

    // Dir and DirLog become the process's current directory.
    void SetDefaults();
    void SetDesktopDefaults();

    // True when the file was read to its end. A missing or unreadable file, or a name not ending in
    // ".ini" (".dsk"), changes nothing. A key that is missing or not an integer where one is expected
    // keeps the member's value; ranged settings are clamped, desktop values are taken as they are.
    bool LoadSettings();
    bool LoadDesktop();
    // True when every key was stored. Keys are updated in place in an existing file, whose other lines
    // stay as they are; a file that exists but cannot be read is left alone, and so is a file whose load
    // failed in this session (its values were never read: a save would put the defaults over them).
    bool SaveSettings();
    bool SaveDesktop();
    // The file exists but its last load could not read it.
    bool SettingsUnreadable() const { return settingsUnreadable_; }
    bool DesktopUnreadable() const { return desktopUnreadable_; }

    void SetRunSpeed(int n);
    void SetMaxCount(int n);
    void SetUndoMemory(int megabytes);
    static constexpr int DefaultUndoMemory = 20;
    void SetDiesCount(int n);
    void SetPeriodHint(int n);
    void SetPauseHint(int n);
    // Takes the lowest byte of n as a signed number before clamping into 0 to 2: 258 gives 2, 130 gives 0.
    void SetLogWord(int n);

private:
    bool settingsUnreadable_ = false;
    bool desktopUnreadable_ = false;
};
