#pragma once

#include <QColor>
#include <QDialog>

#include <array>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTableWidget;
class QTabWidget;
class TConfig;
class TPrompts;
class TUpDown;

// What applying the settings changes outside the settings object. The main window implements it (the run
// log window's "Параметры" entry passes the same object), so the dialog can be tested without that window.
// Any call may throw: the dialog then goes on with the next side effect, as described at each method.
class TConfigTarget {
public:
    virtual ~TConfigTarget() = default;

    // Makes the run log window exist exactly while `keep` is on: an existing window is destroyed (storing its
    // layout into the settings first) and forgotten when off; a hidden one owned by the application is
    // created when on and none exists. False (or a throw) when that failed: the word form is then not set.
    virtual bool KeepRunLog(bool keep) = 0;
    // Called only while the run log window exists: show its word column in form 0 minimal, 1 automatic,
    // 2 maximal at once.
    virtual void SetLogWordForm(int form) = 0;
    // Tool tips of the whole program: shown or not, the delay before one appears and how long it stays.
    virtual void SetHints(bool shown, int delayMs, int durationMs) = 0;
    // The interval of the step timer. When this throws it is called once more with 1000.
    virtual void SetStepInterval(int ms) = 0;
    // UseBreak differs after the dialog closed (also by an Apply before Cancel): repaint the breakpoint marks.
    virtual void RefreshBreakMarks() = 0;
    // The dialog's help button: open the help file at this context.
    virtual void OpenHelp(int context) = 0;
};

enum class TConfigPage { General, Run, Messages, Colors, Log };

// The settings dialog: every option of the settings object on five pages. The controls and a small working
// copy hold the edits; nothing reaches the settings object before OK or Apply, and then everything is
// applied at once, side effects included. Created for one opening.
class TConfigDialog : public QDialog {
    Q_OBJECT

public:
    // A text colour and a background colour, as 0x00BBGGRR values.
    struct TColourPair {
        int font = 0;
        int background = 0xFFFFFF;
    };

    // runActive: a run is under way (Running or Paused), so the blank cell limit may grow but not shrink.
    TConfigDialog(TConfig& config, TPrompts& prompts, TConfigTarget& target, bool runActive = false,
                  QWidget* parent = nullptr);

    void SetPage(TConfigPage page);
    TConfigPage Page() const;

    void LoadFromSettings();
    // The settings object := the controls and the working copy, then the side effects through the target.
    void ApplyToSettings();
    void SetLogEnabled(bool on);
    void SetStepOnly(bool on);
    void SetHintsEnabled(bool on);

    const std::array<TColourPair, 5>& WorkColours() const { return workColours_; }
    // The interval text under the speed track bar: seconds with two decimals and the locale's separator.
    static QString IntervalText(int ms);

    void FontButtonClick();
    void BackgroundButtonClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    QWidget* CreateGeneralPage();
    QWidget* CreateRunPage();
    QWidget* CreateMessagePage();
    QWidget* CreateColorPage();
    QWidget* CreateLogPage();
    void AssignHelpContexts();
    TUpDown* NumberEdit(QLineEdit*& edit, const QString& name, int maxLength, int min, int max, int step);
    void NumberEditChange(QLineEdit* edit, TUpDown* upDown);
    bool IntEditKeyPress(QKeyEvent* event);
    bool FormKeyDown(QKeyEvent* event);
    void ChooseColour(bool font);
    void OKButtonClick();
    void HelpButtonClick();

    TConfig& config_;
    TPrompts& prompts_;
    TConfigTarget& target_;
    bool centred_ = false;

    std::array<TColourPair, 5> workColours_;
    bool workViewLog_ = false;
    bool workOnlyStep_ = false;
    bool workViewHint_ = false;
    // Where the colour dialog starts: the colour last confirmed in it while this dialog is open.
    QColor lastColour_ = Qt::black;

    QTabWidget* pageControl_ = nullptr;
    // Общие
    QLineEdit* countDiesEdit_ = nullptr;
    TUpDown* countDiesUpDown_ = nullptr;
    QCheckBox* saveConfigCheckBox_ = nullptr;
    QCheckBox* saveFileCheckBox_ = nullptr;
    QCheckBox* saveDeskTopCheckBox_ = nullptr;
    QCheckBox* viewHintCheckBox_ = nullptr;
    QLineEdit* periodHintEdit_ = nullptr;
    TUpDown* periodHintUpDown_ = nullptr;
    QLineEdit* pauseHintEdit_ = nullptr;
    TUpDown* pauseHintUpDown_ = nullptr;
    // Выполнение
    QCheckBox* useBreakCheckBox_ = nullptr;
    QCheckBox* onlyStepCheckBox_ = nullptr;
    QCheckBox* historyCheckBox_ = nullptr;
    QCheckBox* saveFileRunCheckBox_ = nullptr;
    QSlider* speedTrackBar_ = nullptr;
    QLabel* speedLabel_ = nullptr;
    // Сообщения, in the order of their keys: DelBreak, DelState, DelCommand, NormalLoad, StopOnBreak,
    // CloseFile, Exit
    std::array<QCheckBox*, 7> messageCheckBoxes_{};
    // Цвета
    QTableWidget* colorGrid_ = nullptr;
    QPushButton* fontButton_ = nullptr;
    QPushButton* backgroundButton_ = nullptr;
    QLineEdit* undoMemoryEdit_ = nullptr;
    TUpDown* undoMemoryUpDown_ = nullptr;
    // Отчет
    QCheckBox* viewLogCheckBox_ = nullptr;
    QLineEdit* countEdit_ = nullptr;
    TUpDown* countUpDown_ = nullptr;
    QGroupBox* logWordRadioGroup_ = nullptr;
    QButtonGroup* logWordButtons_ = nullptr;

    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* applyButton_ = nullptr;
    QPushButton* helpButton_ = nullptr;
};

// The settings command of the main window and of the run log window, whose caller has made sure the machine
// is not Running: shows the dialog modally over `parent` with `startPage` in front, then drops it; when
// UseBreak changed, asks the target to repaint the breakpoint marks. runActive: the machine is Paused.
// True when the dialog was closed with OK.
bool ExecuteConfigDialog(QWidget* parent, TConfig& config, TPrompts& prompts, TConfigTarget& target,
                         TConfigPage startPage = TConfigPage::General, bool runActive = false);
