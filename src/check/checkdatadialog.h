#pragma once

#include <QDialog>
#include <QPixmap>

#include <functional>

class QLabel;
class QPushButton;
class TCheckState;
class TPrompts;
class TValidation;

// The data check dialog: the machine's counts, the result of each group (word, states,
// commands) with a details button, and the overall picture. Built for one report and shown once.
class TCheckDataDialog : public QDialog {
    Q_OBJECT

public:
    // The report must outlive the dialog. The details messages go through the prompts.
    TCheckDataDialog(const TCheckState& report, TPrompts& prompts, QWidget* parent = nullptr);

    // True when building the dialog failed: the dialog is then not to be shown.
    bool Failed() const { return failed_; }

    // The two pictures of the overall result: 0 for a clean machine, 1 for a faulty one; drawn, not loaded.
    static QPixmap ResultImage(int index, int size, qreal devicePixelRatio = 1.0);

    // The details buttons' handlers: the group's message, the button disabled while it is shown.
    void DetailWordButtonClick();
    void DetailStateButtonClick();
    void DetailCommandButtonClick();

signals:
    // The help button: the main window opens "Qtm.hlp" at this context (2008).
    void helpRequested(int context);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void ShowReport();
    void SetGroup(QLabel* label, QPushButton* button, bool errors);
    void ShowDetails(QPushButton* button, const std::function<void()>& show);

    const TCheckState& report_;
    TPrompts& prompts_;
    bool failed_ = false;
    bool centred_ = false;

    QLabel* resImage_ = nullptr;
    QLabel* stateLabel_ = nullptr;
    QLabel* abcCountLabel_ = nullptr;
    QLabel* wordCountLabel_ = nullptr;
    QLabel* commandCountLabel_ = nullptr;
    QLabel* stateCountLabel_ = nullptr;
    QLabel* wordStateLabel_ = nullptr;
    QLabel* stateStateLabel_ = nullptr;
    QLabel* commandStateLabel_ = nullptr;
    QPushButton* detailWordButton_ = nullptr;
    QPushButton* detailStateButton_ = nullptr;
    QPushButton* detailCommandButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QPushButton* helpButton_ = nullptr;
};

// The data check command (DataCheckExecute) without the pausing of a running machine, which is
// the caller's: runs the validation pass with a fresh report, shows the data check dialog for it modally
// over `parent`, then drops both. `openHelp` receives the help context of the dialog's help button; it may
// be empty. Returns the pass's verdict. The caller enables the command with DataCheckEnabled (validation.h).
bool RunDataCheck(TValidation& validation, TPrompts& prompts, QWidget* parent,
                  const std::function<void(int)>& openHelp = {});
