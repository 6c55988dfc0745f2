#pragma once

#include "machine/command.h"
#include "settings/configdialog.h"

#include <QElapsedTimer>
#include <QMainWindow>

#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

class QAction;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPushButton;
class QScrollBar;
class QTableView;
class QTimer;
class TBreakPointList;
class TCommandListModel;
class TConfig;
class TEngine;
class TMachine;
class TPrompts;
class TQtmFile;
class TRunLamp;
class TRunToEnd;
class TStateListModel;
class TStatePositions;
class TTapeView;
class TUndoHistory;
class TValidation;
class TLogForm;
class TTableForm;
class TDiagramForm;
class TTestSetForm;
class TTaskBookForm;
class TSpaceTimeForm;
class TCostForm;
struct THandout;

// The property that carries a control's or an entry's help context number.
inline constexpr char HelpContextProperty[] = "helpContext";

// The program's main window: shows and edits the machine, shows the tape and the run's position, and
// carries the menus and buttons through which everything else is reached.
class TMainForm : public QMainWindow, private TConfigTarget {
    Q_OBJECT

public:
    // programDir holds qtm.ini and qtm.dsk. Without prompts the window asks the user through Qt's boxes.
    explicit TMainForm(const QString& programDir, TPrompts* prompts = nullptr, QWidget* parent = nullptr);
    ~TMainForm() override;

    TMachine& Machine() { return *machine_; }
    TEngine& Engine() { return *engine_; }
    TConfig& Config() { return *config_; }
    TBreakPointList& BreakPointList() { return *breakPointList_; }
    TTapeView* TapeView() const { return tapeView_; }

    // The file named on the command line, opened at the first showing instead of a new machine.
    void SetStartupFile(const QString& name) { startupFile_ = name; }

    void UpdateCaption(const QString& name);
    void RefreshEditing();
    void ApplySettings();
    bool StoreSettings();
    bool StoreDesktop();

    // The machine file.
    const QString& FileName() const { return fileName_; }
    bool Modified() const { return modified_; }
    TQtmFile& MachineFile() { return *machineFile_; }
    // Where the user put the states on the diagram; saved beside the machine file and read with it.
    TStatePositions& Positions() { return *positions_; }
    // The open machine's edit history.
    TUndoHistory& History() { return *history_; }
    void SetModified(bool flag);
    void SetCurrentFile(const QString& name);
    bool SaveFile();
    bool SaveFileAs();
    // The machine is in its file now: the history's saved point, not modified.
    void MachineSaved();
    bool CloseCurrentFile();
    void OpenStartupFile();
    void NewFileItemClick();
    void OpenFileItemClick();
    // A machine of another simulator becomes a new untitled machine.
    void ImportFileItemClick();
    // The machine written for another simulator, in the format the chosen file's extension names.
    void ExportFileItemClick();
    void FileClosingExecute();
    void SaveFileItemClick();
    void SaveFileAsItemClick();

    // The close query: true when the window may close.
    bool FormCloseQuery();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Puts the machine's word in the word edit: a long one by its beginning, read-only.
    void ShowWord();
    // A key in the word edit while it shows a long word: deleting or typing over the whole word replaces it.
    bool ReplaceLongWord(const QKeyEvent& key, bool typed);
    void CreateControls();
    void CreateActions();
    void CreateMenus();
    void CreateStatusBar();
    void ConnectMachine();
    void AssignHelpContexts();

    void RunStateChanged(RunState old, RunState now);
    // "до конца": the rest of the run at full speed, its progress in the status bar.
    void RunToEndItemClick();
    void BeginRunProgress();
    void ShowRunProgress();
    void SaveConfigItemClick();
    void DataCheckExecute();
    void ShowDataCheck();
    void SaveDeskTopItemClick();

    // Editing the machine and its breakpoints (editcommands.cpp): each opens its dialog with a running
    // machine paused.
    void StateAddExecute();
    void StateEditExecute();
    void StateDelExecute();
    void CommandAddExecute();
    void CommandEditExecute();
    void CommandDelExecute();
    void BreakAddExecute();
    void BreakListExecute();
    void ConnectEditing();
    bool StateListMousePress(QObject* watched, QEvent* event);
    // The Help menu.
    void TheoryItemClick();
    void ContentsItemClick();
    void HelpItemClick();
    void WhatsThisItemClick();
    void AboutItemClick();
    bool StateEditAllowed() const;
    bool CommandEditAllowed() const;
    // A list reset drops the view's current row; this puts it back where it was.
    void KeepCommandRow();
    int commandRow_ = -1;

    // The run log window and the settings dialog (logcommands.cpp).
    void ConfigItemExecute();
    void OpenConfig(TConfigPage page);
    void LogViewExecute();
    void LogSaveExecute();
    bool KeepRunLog(bool keep) override;
    void SetLogWordForm(int form) override;
    void SetHints(bool shown, int delayMs, int durationMs) override;
    void SetStepInterval(int ms) override;
    void RefreshBreakMarks() override;
    void OpenHelp(int context) override;
    TLogForm* logForm_ = nullptr;
    // The transition table window and the handout (tablecommands.cpp).
    void TableItemExecute();
    void PrintItemClick();
    void ExportHtmlItemClick();
    QString HandoutName() const;
    THandout Handout() const;
    TTableForm* tableForm_ = nullptr;
    // The state diagram window (diagramcommands.cpp), made when first asked for.
    void DiagramViewExecute();
    void ConnectDiagramEditing();
    // The diagram's toolbar entries (rows of the action table, standing in the diagram window only).
    void DiagramZoomInExecute();
    void DiagramZoomOutExecute();
    void DiagramFitExecute();
    void DiagramArrangeExecute();
    void DiagramSvgExecute();
    void DiagramPngExecute();
    void PlaceBesideMainWindow(QWidget* window) const;
    // The File and Run entries' keys work in another window of the program too (the diagram, the table).
    void ShareGlobalActions(QWidget* window);
    TDiagramForm* diagramForm_ = nullptr;
    // The test set window (testsetcommands.cpp): while it checks, the machine it was given stays as it is.
    void TestSetExecute();
    void TestSetWordChosen(const QString& word);
    bool TestSetChecking() const;
    void KeepMachineForCheck();
    TTestSetForm* testSetForm_ = nullptr;
    // The task book window (taskbookcommands.cpp): "Решать" opens the student's machine here.
    void TaskBookExecute();
    void TaskBookOpenExecute();
    void OpenTaskMachine(const QString& path);
    // While a task's machine is open, runs go with the task's DiesCount and step limit, and the status bar says
    // so; another machine gets the user's settings back.
    void FollowTaskMachine();
    TTaskBookForm* taskBookForm_ = nullptr;
    // The edit history (undocommands.cpp): "&Отменить" undoes a field's typing first, then the machine's steps.
    void CreateHistory();
    void UndoItemClick();
    void RedoItemClick();
    bool HistoryAllowed() const;
    QLineEdit* TypingEdit() const;
    // The other windows that edit the machine take Ctrl+Z and Ctrl+Shift+Z for the two entries.
    void AddHistoryKeys(QWidget* window);
    void ShowUndone(int state, int command, const QString& movedState);
    void UpdateHistoryActions();
    TUndoHistory* history_ = nullptr;
    // A change kept outside the history (a breakpoint) since the last save: undoing never clears the flag then.
    bool editedOutsideHistory_ = false;
    QLabel* taskSettingsLabel_ = nullptr;
    // The pictures of a run (picturecommands.cpp): the space-time picture and the cost plot.
    void SpaceTimeExecute();
    // Another machine was opened: the pictures of the old one's runs go.
    void PicturesFollowMachine();
    void CostExecute();
    TSpaceTimeForm* spaceTimeForm_ = nullptr;
    TCostForm* costForm_ = nullptr;
    void EditCommand(const std::function<void(QLineEdit*)>& command);
    void BringToFront();
    void KeepOnScreen();
    // Writes the positions file beside the machine just saved under machinePath; a failure is only told.
    void SavePositions(const QString& machinePath);
    // The directory for new files and the file dialogs: Dir when it exists, else the working directory.
    QString DataDir();

    // Repaints are gathered while a run goes under the timer and done at most once a frame.
    enum Repaint : unsigned {
        RepaintTape = 1,
        RepaintCommands = 2,
        RepaintStates = 4,
        RepaintStatus = 8,
        RepaintScroll = 16,
        RepaintAll = 31
    };
    void ScheduleRepaint(unsigned what);
    void FlushRepaint();

    // Diagram: an entry of the diagram window's toolbar, not of the main window.
    enum class TMenuId { None, File, Edit, States, Commands, Run, Service, Help, Diagram };
    // One entry of the window: what its menu, its key and its enabling need. A null rule means always
    // enabled.
    struct TActionRow {
        QAction* TMainForm::*action;
        const char* name;
        const char16_t* caption;
        int key;
        int helpContext;
        TMenuId menu;
        bool separatorBefore;
        void (TMainForm::*handler)();
        bool (*enabled)(const TMainForm&);
    };
    static const std::vector<TActionRow>& ActionTable();
    // Sets every entry and run button from the table's rules.
    void UpdateActions();
    bool RunStateIs(std::initializer_list<RunState> states) const;

    std::unique_ptr<TPrompts> ownPrompts_;
    TPrompts* prompts_ = nullptr;
    std::unique_ptr<TConfig> config_;
    std::unique_ptr<TBreakPointList> breakPointList_;
    std::unique_ptr<TMachine> machine_;
    std::unique_ptr<TEngine> engine_;
    std::unique_ptr<TValidation> validation_;
    std::unique_ptr<TStatePositions> positions_;
    std::unique_ptr<TQtmFile> machineFile_;
    std::unique_ptr<TRunToEnd> runToEnd_;
    QTimer* progressTimer_ = nullptr;
    qint64 progressSteps_ = 0;
    QElapsedTimer progressClock_;

    QString fileName_;
    bool modified_ = false;
    QString windowCaption_;
    QString startupFile_;
    // The full name of the untitled machine New made last; the caption shows it without its directory.
    QString untitledPath_;
    bool shown_ = false;
    unsigned pendingRepaint_ = 0;
    int headCellToShow_ = -1;

    // Controls.
    QLineEdit* ABCEdit = nullptr;
    QLineEdit* WordEdit = nullptr;
    QLabel* ABCLabel = nullptr;
    QLabel* WordLabel = nullptr;
    QLabel* CommandLabel = nullptr;
    QLabel* BegStateLabel = nullptr;
    QLabel* StateLabel = nullptr;
    QTableView* CommandListView = nullptr;
    QComboBox* BegStateComboBox = nullptr;
    QListView* StateListBox = nullptr;
    QPushButton* StartButton = nullptr;
    QPushButton* NextStepButton = nullptr;
    QPushButton* ResetButton = nullptr;
    QPushButton* BreakButton = nullptr;
    TTapeView* tapeView_ = nullptr;
    QScrollBar* ScrollBar = nullptr;
    QLabel* statusPanels_[3] = {nullptr, nullptr, nullptr};
    TRunLamp* runLamp_ = nullptr;
    QTimer* StepTimer = nullptr;
    QTimer* frameTimer_ = nullptr;
    TCommandListModel* commandModel_ = nullptr;
    TStateListModel* stateModel_ = nullptr;
    TStateListModel* chooserModel_ = nullptr;

    // Actions.
    QAction* NewFileItem = nullptr;
    QAction* OpenFileItem = nullptr;
    QAction* ImportFileItem = nullptr;
    QAction* ExportFileItem = nullptr;
    QAction* FileClosing = nullptr;
    QAction* SaveFileItem = nullptr;
    QAction* SaveFileAsItem = nullptr;
    QAction* PrintItem = nullptr;
    QAction* ExportHtmlItem = nullptr;
    QAction* ExitItem = nullptr;
    QAction* StateAdd = nullptr;
    QAction* StateDel = nullptr;
    QAction* StateEdit = nullptr;
    QAction* CommandAdd = nullptr;
    QAction* CommandDel = nullptr;
    QAction* CommandEdit = nullptr;
    QAction* EditDelete = nullptr;
    QAction* EditCut = nullptr;
    QAction* EditCopy = nullptr;
    QAction* EditPaste = nullptr;
    QAction* EditUndo = nullptr;
    QAction* EditRedo = nullptr;
    QAction* EditSelectAll = nullptr;
    QAction* StartItem = nullptr;
    QAction* ResetItem = nullptr;
    QAction* BreakItem = nullptr;
    QAction* NextStepItem = nullptr;
    QAction* StepBackItem = nullptr;
    QAction* RunToEndItem = nullptr;
    QAction* BreakList = nullptr;
    QAction* BreakAdd = nullptr;
    QAction* DataCheck = nullptr;
    QAction* TestSetItem = nullptr;
    QAction* TaskBookItem = nullptr;
    QAction* TaskBookOpenItem = nullptr;
    QAction* LogView = nullptr;
    QAction* LogSave = nullptr;
    QAction* TableItem = nullptr;
    QAction* DiagramView = nullptr;
    QAction* SpaceTimeItem = nullptr;
    QAction* CostItem = nullptr;
    QAction* ConfigItem = nullptr;
    QAction* SaveConfigItem = nullptr;
    QAction* SaveDeskTopItem = nullptr;
    QAction* TheoryItem = nullptr;
    QAction* ContentsItem = nullptr;
    QAction* HelpItem = nullptr;
    QAction* WhatsThisItem = nullptr;
    QAction* AboutItem = nullptr;
    QAction* ViewABC = nullptr;
    QAction* ViewWord = nullptr;
    QAction* ViewCommand = nullptr;
    QAction* ViewBegState = nullptr;
    QAction* ViewState = nullptr;
    QAction* WordUpdate = nullptr;
    QAction* DiagramZoomInItem = nullptr;
    QAction* DiagramZoomOutItem = nullptr;
    QAction* DiagramFitItem = nullptr;
    QAction* DiagramArrangeItem = nullptr;
    QAction* DiagramSvgItem = nullptr;
    QAction* DiagramPngItem = nullptr;
};
