#include "platform/helpengine.h"

#include "platform/prompts.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResultWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWhatsThis>
#include <QWindow>

namespace {

const QString Caption = QStringLiteral("Справка");

// Pages come out of the help file, not from the disk.
class THelpBrowser : public QTextBrowser {
public:
    THelpBrowser(QHelpEngine& engine, QWidget* parent) : QTextBrowser(parent), engine_(engine) {
        setOpenLinks(true);
        setOpenExternalLinks(true);
    }

    QVariant loadResource(int type, const QUrl& name) override {
        if (name.scheme() == QLatin1String("qthelp"))
            return engine_.fileData(name);
        return QTextBrowser::loadResource(type, name);
    }

private:
    QHelpEngine& engine_;
};

} // namespace

// The viewer: contents, index and search on the left, the page on the right, back and forward above.
class THelpWindow : public QWidget {
public:
    THelpWindow(QHelpEngine& engine, QWidget* parent = nullptr) : QWidget(parent, Qt::Window), engine_(engine) {
        setObjectName(QStringLiteral("HelpWindow"));
        setAttribute(Qt::WA_DeleteOnClose, false);
        // An open viewer does not keep the program running once its main window has closed.
        setAttribute(Qt::WA_QuitOnClose, false);
        setWindowTitle(Caption);
        resize(900, 600);

        browser_ = new THelpBrowser(engine, this);
        browser_->setObjectName(QStringLiteral("HelpBrowser"));

        auto* backButton = ToolButton(QStringLiteral("BackButton"), QStringLiteral("< &Назад"), QKeySequence::Back);
        auto* forwardButton =
            ToolButton(QStringLiteral("ForwardButton"), QStringLiteral("&Вперед >"), QKeySequence::Forward);
        auto* contentsButton = ToolButton(QStringLiteral("ContentsButton"), QStringLiteral("&Содержание"), {});
        backButton->setEnabled(false);
        forwardButton->setEnabled(false);
        connect(backButton, &QToolButton::clicked, browser_, &QTextBrowser::backward);
        connect(forwardButton, &QToolButton::clicked, browser_, &QTextBrowser::forward);
        connect(browser_, &QTextBrowser::backwardAvailable, backButton, &QToolButton::setEnabled);
        connect(browser_, &QTextBrowser::forwardAvailable, forwardButton, &QToolButton::setEnabled);
        connect(contentsButton, &QToolButton::clicked, this, [this] { ShowTab(0); });

        tabs_ = new QTabWidget(this);
        tabs_->setObjectName(QStringLiteral("HelpTabs"));
        tabs_->addTab(engine.contentWidget(), QStringLiteral("Содержание"));
        tabs_->addTab(CreateIndexPage(), QStringLiteral("Указатель"));
        tabs_->addTab(CreateSearchPage(), QStringLiteral("Поиск"));
        engine.contentWidget()->setObjectName(QStringLiteral("HelpContents"));
        connect(engine.contentWidget(), &QHelpContentWidget::linkActivated, this, &THelpWindow::Show);
        // The contents open at their chapters, not as one folded entry.
        QHelpContentWidget* contents = engine.contentWidget();
        connect(engine.contentModel(), &QHelpContentModel::contentsCreated, contents,
                [contents] { contents->expandToDepth(0); });
        contents->expandToDepth(0);
        connect(browser_, &QTextBrowser::sourceChanged, this, &THelpWindow::SourceChanged);

        auto* splitter = new QSplitter(this);
        splitter->addWidget(tabs_);
        splitter->addWidget(browser_);
        splitter->setStretchFactor(1, 3);

        auto* buttons = new QHBoxLayout;
        buttons->addWidget(contentsButton);
        buttons->addWidget(backButton);
        buttons->addWidget(forwardButton);
        buttons->addStretch(1);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(buttons);
        layout->addWidget(splitter, 1);
    }

    QTextBrowser* Browser() const { return browser_; }

    void Show(const QUrl& url) {
        if (url.isValid() && url != browser_->source())
            browser_->setSource(url);
        Raise();
    }

    void ShowTab(int index) {
        tabs_->setCurrentIndex(index);
        if (index == 1)
            indexEdit_->setFocus();
        Raise();
    }

private:
    QToolButton* ToolButton(const QString& name, const QString& text, const QKeySequence& key) {
        auto* button = new QToolButton(this);
        button->setObjectName(name);
        button->setText(text);
        if (!key.isEmpty())
            button->setShortcut(key);
        return button;
    }

    QWidget* CreateIndexPage() {
        auto* page = new QWidget(this);
        indexEdit_ = new QLineEdit(page);
        indexEdit_->setObjectName(QStringLiteral("IndexEdit"));
        indexEdit_->setPlaceholderText(QStringLiteral("Введите первые буквы слова"));
        QHelpIndexWidget* index = engine_.indexWidget();
        index->setObjectName(QStringLiteral("HelpIndex"));
        connect(indexEdit_, &QLineEdit::textChanged, index,
                [index](const QString& text) { index->filterIndices(text); });
        connect(indexEdit_, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
        connect(index, &QHelpIndexWidget::documentActivated, this,
                [this](const QHelpLink& link, const QString&) { Show(link.url); });
        connect(index, &QHelpIndexWidget::documentsActivated, this,
                [this](const QList<QHelpLink>& links, const QString&) {
                    if (!links.isEmpty())
                        Show(links.first().url);
                });
        auto* layout = new QVBoxLayout(page);
        auto* label = new QLabel(QStringLiteral("&Ключевое слово:"), page);
        label->setBuddy(indexEdit_);
        layout->addWidget(label);
        layout->addWidget(indexEdit_);
        layout->addWidget(index, 1);
        return page;
    }

    QWidget* CreateSearchPage() {
        auto* page = new QWidget(this);
        QHelpSearchEngine* search = engine_.searchEngine();
        QHelpSearchQueryWidget* query = search->queryWidget();
        QHelpSearchResultWidget* results = search->resultWidget();
        query->setObjectName(QStringLiteral("SearchQuery"));
        results->setObjectName(QStringLiteral("SearchResults"));
        connect(query, &QHelpSearchQueryWidget::search, search,
                [search, query] { search->search(query->searchInput()); });
        connect(results, &QHelpSearchResultWidget::requestShowLink, this, &THelpWindow::Show);
        auto* layout = new QVBoxLayout(page);
        layout->addWidget(query);
        layout->addWidget(results, 1);
        return page;
    }

    void SourceChanged(const QUrl& url) {
        const QString title = browser_->documentTitle();
        setWindowTitle(title.isEmpty() ? Caption : title + QStringLiteral(" - ") + Caption);
        QHelpContentWidget* contents = engine_.contentWidget();
        const QModelIndex index = contents->indexOf(url);
        if (index.isValid())
            contents->setCurrentIndex(index);
    }

    void Raise() {
        // Opened from a modal dialog, the viewer stands over it and takes input; otherwise the dialog would
        // block it until it closes.
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != this) {
            create();
            modal->winId();
            windowHandle()->setTransientParent(modal->windowHandle());
        }
        if (isMinimized())
            showNormal();
        else
            show();
        raise();
        activateWindow();
    }

    QHelpEngine& engine_;
    THelpBrowser* browser_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QLineEdit* indexEdit_ = nullptr;
};

// ---- THelpEngine ---------------------------------------------------------------------------------------------

THelpEngine::THelpEngine(const QString& fileName, TPrompts& prompts, QObject* parent)
    : QObject(parent), fileName_(fileName), prompts_(prompts) {}

THelpEngine::~THelpEngine() {
    // The engine first: its widgets sit in the window, and a view outlives its model safely, not the reverse.
    delete engine_;
    delete window_;
}

bool THelpEngine::Open(bool report) {
    if (engine_)
        return true;
    if (!QFileInfo(fileName_).isFile()) {
        if (report)
            Report(QStringLiteral("Не удается открыть файл справки %1: файл не найден.").arg(fileName_));
        return false;
    }
    const QString ns = QHelpEngineCore::namespaceName(fileName_);
    auto dir = std::make_unique<QTemporaryDir>();
    auto engine = std::make_unique<QHelpEngine>(dir->filePath(QStringLiteral("help.qhc")));
    // The collection is ours to write: registering the document is what fills it.
    engine->setReadOnly(false);
    engine->setUsesFilterEngine(true);
    if (ns.isEmpty() || !dir->isValid() || !engine->setupData() || !engine->registerDocumentation(fileName_)) {
        if (report)
            Report(QStringLiteral("Файл справки %1 поврежден или не является файлом справки.").arg(fileName_));
        return false;
    }
    collectionDir_ = std::move(dir);
    engine_ = engine.release();
    namespace_ = ns;
    // Registration changed the collection: the contents, the index and the search follow it.
    engine_->setupData();
    engine_->searchEngine()->scheduleIndexDocumentation();
    return true;
}

void THelpEngine::Report(const QString& text) {
    prompts_.Message(Caption, text, TIcon::Stop);
}

QUrl THelpEngine::PageOf(int context) {
    if (!Open(false))
        return {};
    const QList<QHelpLink> links = engine_->documentsForIdentifier(QString::number(context));
    return links.isEmpty() ? QUrl() : links.first().url;
}

QUrl THelpEngine::ContentsPage() {
    if (!Open(false))
        return {};
    for (const QUrl& url : engine_->files(namespace_, QString(), QStringLiteral("html")))
        if (url.fileName() == QLatin1String("index.html"))
            return url;
    return {};
}

THelpWindow* THelpEngine::EnsureWindow() {
    if (!window_)
        window_ = new THelpWindow(*engine_);
    return static_cast<THelpWindow*>(window_.data());
}

bool THelpEngine::ShowContext(int context) {
    if (context == 0)
        return ShowContents();
    if (!Open(true))
        return false;
    const QUrl page = PageOf(context);
    if (page.isEmpty()) {
        Report(QStringLiteral("В файле справки %1 нет раздела %2.").arg(fileName_).arg(context));
        return false;
    }
    EnsureWindow()->Show(page);
    return true;
}

bool THelpEngine::ShowContents() {
    if (!Open(true))
        return false;
    const QUrl page = ContentsPage();
    THelpWindow* window = EnsureWindow();
    window->ShowTab(0);
    window->Show(page);
    return true;
}

bool THelpEngine::ShowFinder() {
    if (!Open(true))
        return false;
    THelpWindow* window = EnsureWindow();
    if (window->Browser()->source().isEmpty())
        window->Show(ContentsPage());
    window->ShowTab(1);
    return true;
}

// ---- Context help ----------------------------------------------------------------------------------------

int HelpContextOf(const QObject* object) {
    for (; object; object = object->parent()) {
        bool ok = false;
        const int context = object->property("helpContext").toInt(&ok);
        if (ok && context)
            return context;
    }
    return 0;
}

namespace {

// The help context under an open menu's highlighted or clicked entry; a submenu's entry has none of its own.
int MenuContext(QMenu* menu, QAction* action) {
    if (action && !action->menu()) {
        if (const int context = HelpContextOf(action))
            return context;
    }
    return HelpContextOf(menu);
}

void CloseMenus() {
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
}

} // namespace

TContextHelp::TContextHelp(std::function<void(int)> open, QObject* parent) : QObject(parent), open_(std::move(open)) {
    qApp->installEventFilter(this);
}

TContextHelp::~TContextHelp() {
    LeaveMode();
}

void TContextHelp::EnterMode() {
    if (inMode_)
        return;
    inMode_ = true;
    QApplication::setOverrideCursor(Qt::WhatsThisCursor);
}

void TContextHelp::LeaveMode() {
    if (!inMode_)
        return;
    inMode_ = false;
    QApplication::restoreOverrideCursor();
}

void TContextHelp::Open(int context) {
    if (open_)
        open_(context);
}

bool TContextHelp::eventFilter(QObject* watched, QEvent* event) {
    // Every event of the program passes here: the few of interest are told by their type first.
    const QEvent::Type type = event->type();
    // The caption's "?" button puts the toolkit in its own What's This mode, which shows no help and swallows
    // the next click: that mode becomes ours, once the toolkit has finished entering its own.
    if (type == QEvent::EnterWhatsThisMode) {
        QTimer::singleShot(0, this, [this] {
            QWhatsThis::leaveWhatsThisMode();
            EnterMode();
        });
        return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
        type != QEvent::MouseButtonRelease)
        return false;
    // Events reach the window system's windows before the widgets in them; only a widget knows its context.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return false;
    switch (type) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if (inMode_ && key->key() == Qt::Key_Escape) {
            LeaveMode();
            return true;
        }
        if (key->key() != Qt::Key_F1)
            return false;
        if (mods == Qt::ShiftModifier) {
            EnterMode();
            return true;
        }
        if (mods != Qt::NoModifier)
            return false;
        LeaveMode();
        auto* menu = qobject_cast<QMenu*>(widget);
        const int context = menu ? MenuContext(menu, menu->activeAction()) : HelpContextOf(widget);
        if (menu)
            CloseMenus();
        Open(context);
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        if (!inMode_)
            return false;
        // The menu bar opens its menus as usual, and so does a submenu's entry: the entry inside is the target.
        if (qobject_cast<QMenuBar*>(widget))
            return false;
        auto* menu = qobject_cast<QMenu*>(widget);
        QAction* action = menu ? menu->actionAt(static_cast<QMouseEvent*>(event)->position().toPoint()) : nullptr;
        if (action && action->menu())
            return false;
        const int context = menu ? MenuContext(menu, action) : HelpContextOf(widget);
        LeaveMode();
        swallowRelease_ = true;
        if (menu)
            CloseMenus();
        Open(context);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (!swallowRelease_)
            return false;
        swallowRelease_ = false;
        return true;
    default:
        return false;
    }
}

// ---- The application's help ----------------------------------------------------------------------------

namespace {

TApplicationHelp* applicationHelp = nullptr;

} // namespace

TApplicationHelp::TApplicationHelp(const QString& fileName, TPrompts& prompts)
    : prompts_(prompts), engine_(std::make_unique<THelpEngine>(fileName, prompts)),
      contextHelp_(std::make_unique<TContextHelp>(HelpOpener())) {
    applicationHelp = this;
}

TApplicationHelp::~TApplicationHelp() {
    if (applicationHelp == this)
        applicationHelp = nullptr;
}

THelpEngine& TApplicationHelp::Document(const QString& fileName) {
    for (const auto& document : documents_)
        if (document->FileName() == fileName)
            return *document;
    documents_.push_back(std::make_unique<THelpEngine>(fileName, prompts_));
    return *documents_.back();
}

TApplicationHelp* ApplicationHelp() {
    return applicationHelp;
}

void OpenHelpContext(int context) {
    if (applicationHelp)
        applicationHelp->Engine().ShowContext(context);
}

void OpenHelpContents() {
    if (applicationHelp)
        applicationHelp->Engine().ShowContents();
}

void OpenHelpFinder() {
    if (applicationHelp)
        applicationHelp->Engine().ShowFinder();
}

void EnterContextHelpMode() {
    if (applicationHelp)
        applicationHelp->ContextHelp().EnterMode();
}

std::function<void(int)> HelpOpener() {
    return [](int context) { OpenHelpContext(context); };
}

bool OpenHelpDocumentContents(const QString& fileName) {
    if (!applicationHelp)
        return false;
    applicationHelp->Document(fileName).ShowContents();
    return true;
}
