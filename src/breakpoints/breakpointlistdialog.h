#pragma once

#include <QDialog>

#include <functional>

class QAction;
class QMenu;
class QPushButton;
class QTableView;
class TBreakPointList;
class TBreakPointListModel;
class TConfig;
class TMachine;
class TPrompts;

// All breakpoints of the machine, one row each in list order, with adding, editing, deleting and switching
// on and off. Works on the list directly: every change takes effect at once, so there is no Cancel.
class TBreakPointListDialog : public QDialog {
    Q_OBJECT

public:
    TBreakPointListDialog(TBreakPointList& list, TMachine& machine, TPrompts& prompts, const TConfig& settings,
                          QWidget* parent = nullptr);

    QTableView* ListView() const { return listView_; }
    QMenu* PopupMenu() const { return popupMenu_; }
    // Whether the user changed any breakpoint while the dialog was open.
    bool Changed() const { return changed_; }

    // Shows the list as it is now with only row `current` selected (the last row where there are fewer; none
    // for -1).
    void FillList(int current = -1);

    void BreakAddExecute();
    void BreakEditExecute();
    void BreakDelExecute();
    void BreakUpdate();
    void PopupMenuPopup();
    void EnableItemClick();

signals:
    // The help buttons of this dialog and of the breakpoint dialogs it opens.
    void helpRequested(int context);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void CreateActions();
    int SelectedRow() const;
    // Flips the breakpoint of the selected row (Space, "Активность").
    void SwitchSelected();
    void MarkChanged();

    TBreakPointList& list_;
    TMachine& machine_;
    TPrompts& prompts_;
    const TConfig& settings_;
    bool changed_ = false;
    bool centred_ = false;

    TBreakPointListModel* model_ = nullptr;
    QTableView* listView_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* helpButton_ = nullptr;
    QMenu* popupMenu_ = nullptr;
    QAction* breakAdd_ = nullptr;
    QAction* breakEdit_ = nullptr;
    QAction* breakDel_ = nullptr;
    QAction* enableItem_ = nullptr;
};

// The main window's BreakList without the pausing of a running machine, which is the caller's: shows the
// breakpoint list over `parent`. True when any breakpoint was added, changed or deleted; the machine then has
// signalled `edited` and its breakpoint marks are fresh. `openHelp` may be empty.
bool ExecuteBreakList(QWidget* parent, TBreakPointList& list, TMachine& machine, TPrompts& prompts,
                      const TConfig& settings, const std::function<void(int)>& openHelp = {});
