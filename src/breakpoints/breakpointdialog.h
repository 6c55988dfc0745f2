#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class TBreakPointList;
class TMachine;
class TPrompts;
class TUpDown;

// Adds one breakpoint to the list or edits one in place. Created for one use and shown modally; the
// list and the machine must outlive it. Every message goes through the prompts.
class TBreakPointDialog : public QDialog {
    Q_OBJECT

public:
    TBreakPointDialog(TBreakPointList& list, TMachine& machine, TPrompts& prompts, QWidget* parent = nullptr);
    ~TBreakPointDialog() override;

    // Editing needs an EditIndex that names a breakpoint; otherwise the dialog adds.
    void SetupMode(bool edit);
    // Edits the breakpoint at `index`: false (after a message) when there is none, and the dialog is not
    // to be shown.
    bool SetEditIndex(int index);
    int EditIndex() const { return editIndex_; }
    bool EditMode() const { return editMode_; }

    bool ValidateState();
    bool ValidateSymbol();
    bool ValidatePasses();
    // All field checks, then the refusal of a second breakpoint with the same state, symbol and passes.
    bool ValidateBreakPoint();

    // Accepts only when something changed; an edit without a change closes with the Cancel result.
    void OKButtonClick();

signals:
    // The help button: the main window opens "Qtm.hlp" at this context.
    void helpRequested(int context);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void FillChoices();
    // A field's check runs when the focus leaves it for another control of this dialog that is not a button.
    void FocusChanged(QWidget* old, QWidget* now);
    void PassEditChange(const QString& text);
    bool PassTextAcceptable(const QString& text) const;
    int PassCount() const;
    // Shows a field check's message and gives the focus back to `focus`.
    bool Refuse(const QString& caption, const QString& text, QWidget* focus);

    TBreakPointList& list_;
    TMachine& machine_;
    TPrompts& prompts_;

    int editIndex_ = -1;
    bool editMode_ = false;
    QString savedState_;
    QString savedSymbol_;
    int savedPasses_ = 0;
    bool savedEnabled_ = false;
    // A pass count above the arrows' range, read from a file: shown and kept as long as the field holds it.
    QString keptPasses_;
    bool checking_ = false;

    QComboBox* stateComboBox_ = nullptr;
    QComboBox* abcComboBox_ = nullptr;
    QLineEdit* passEdit_ = nullptr;
    TUpDown* passUpDown_ = nullptr;
    QCheckBox* enableCheckBox_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* helpButton_ = nullptr;
};

// The main window's BreakAdd without the pausing of a running machine, which is the caller's: shows the
// breakpoint dialog for a new breakpoint over `parent`. True when a breakpoint was added; the machine then
// signals `edited` and its breakpoint marks are fresh. `openHelp` may be empty.
bool ExecuteBreakAdd(QWidget* parent, TBreakPointList& list, TMachine& machine, TPrompts& prompts,
                     const std::function<void(int)>& openHelp = {});
