#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QHelpEngine;
class QTemporaryDir;
class THelpWindow;
class TPrompts;

// One help document (Qtm.hlp, turring.hlp): a compressed Qt Help file whose pages carry the context numbers as
// their identifiers. Its pages are shown in one non-modal viewer window with back and forward, its contents
// and its finder (index and full-text search). A missing or broken document, or a context it lacks, is
// reported through the prompts by the engine itself, so callers need not check what they asked for.
class THelpEngine : public QObject {
    Q_OBJECT

public:
    THelpEngine(const QString& fileName, TPrompts& prompts, QObject* parent = nullptr);
    ~THelpEngine() override;

    const QString& FileName() const { return fileName_; }

    // Each shows the viewer and returns true, or reports why it cannot and returns false. Context 0 (a control
    // without a number of its own or of its parents) shows the contents page.
    bool ShowContext(int context);
    bool ShowContents();
    // The contents beside the index, with the keyword edit focused; the search is the next tab.
    bool ShowFinder();

    // The page of a context number; empty when the document lacks it or cannot be opened. Reports nothing.
    QUrl PageOf(int context);
    // The document's front page, index.html; empty when the document cannot be opened. Reports nothing.
    QUrl ContentsPage();

    // The viewer window, once it has been shown (null before and after it is destroyed).
    QWidget* Window() const { return window_; }

private:
    // Opens the document on first use (and again after a failure); `report` says whether to tell the user.
    bool Open(bool report);
    THelpWindow* EnsureWindow();
    void Report(const QString& text);

    QString fileName_;
    TPrompts& prompts_;
    // Qt Help keeps its registry of documents in a collection file; ours is private and thrown away.
    std::unique_ptr<QTemporaryDir> collectionDir_;
    QHelpEngine* engine_ = nullptr;
    QString namespace_;
    QPointer<QWidget> window_;
};

// The help context of a control or a menu entry: its own "helpContext" property, or failing that the nearest
// parent's; 0 when none has one.
int HelpContextOf(const QObject* object);

// F1 and context-help mode for every window of the application, installed as an application event filter.
// F1 opens the context of the focused control (in an open menu, of the highlighted entry); Shift+F1 or
// EnterMode() makes the next click open the clicked control's context instead of acting on it (Esc leaves
// the mode).
class TContextHelp : public QObject {
    Q_OBJECT

public:
    explicit TContextHelp(std::function<void(int)> open, QObject* parent = nullptr);
    ~TContextHelp() override;

    void EnterMode();
    void LeaveMode();
    bool InMode() const { return inMode_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Open(int context);

    std::function<void(int)> open_;
    bool inMode_ = false;
    bool swallowRelease_ = false;
};

// The application's help, "Qtm.hlp" beside the executable, set at start-up before the main window: the program
// entry keeps one after its application object, and while it lives the Help menu's commands, the dialogs' help
// buttons and F1 open its document. It also keeps the theory help's viewer once "&теория" has opened it. The
// prompts report a missing or broken document and must outlive it.
class TApplicationHelp {
public:
    TApplicationHelp(const QString& fileName, TPrompts& prompts);
    ~TApplicationHelp();
    TApplicationHelp(const TApplicationHelp&) = delete;
    TApplicationHelp& operator=(const TApplicationHelp&) = delete;

    THelpEngine& Engine() { return *engine_; }
    TContextHelp& ContextHelp() { return *contextHelp_; }
    // The engine of another document (the theory help), made on first use with these prompts.
    THelpEngine& Document(const QString& fileName);

private:
    TPrompts& prompts_;
    std::unique_ptr<THelpEngine> engine_;
    std::unique_ptr<TContextHelp> contextHelp_;
    std::vector<std::unique_ptr<THelpEngine>> documents_;
};

// The application's help while one exists, else null.
TApplicationHelp* ApplicationHelp();

// The help commands; each does nothing while there is no application help.
void OpenHelpContext(int context);
void OpenHelpContents();
void OpenHelpFinder();
void EnterContextHelpMode();
// For the dialogs' openHelp parameters and helpRequested signals.
std::function<void(int)> HelpOpener();

// Another help document (the theory help) at its contents, in a viewer the application help keeps. False while
// there is no application help.
bool OpenHelpDocumentContents(const QString& fileName);
