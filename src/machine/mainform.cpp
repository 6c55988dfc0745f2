#include "machine/mainform.h"

#include "breakpoints/breakpoint.h"
#include "check/checkdatadialog.h"
#include "check/validation.h"
#include "files/fileloaddialog.h"
#include "files/qtmfile.h"
#include "machine/commandlistmodel.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "machine/statelistmodel.h"
#include "machine/tapeview.h"
#include "platform/paths.h"
#include "platform/qtprompts.h"
#include "settings/config.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWhatsThis>

namespace {

const QString MainCaption = QStringLiteral("Машина Тьюринга");
const char* const HelpContextProperty = "helpContext";
const char* const PendingProperty = "pending";

// The delay before a tool tip shows, for the whole program, from the settings.
class THintStyle : public QProxyStyle {
public:
    int wakeUp = 500;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ToolTip_WakeUpDelay)
            return wakeUp;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Shows every tool tip of the program itself, for the display time of the settings (the toolkit would pick
// a time from the text's length), and swallows them all while hints are switched off.
class THintFilter : public QObject {
public:
    using QObject::QObject;
    bool enabled = true;
    int displayTime = 2500;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ToolTip || !watched->isWidgetType())
            return QObject::eventFilter(watched, event);
        if (!enabled)
            return true;
        auto* help = static_cast<QHelpEvent*>(event);
        auto* widget = static_cast<QWidget*>(watched);
        const QString text = TipText(widget, help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, widget, QRect(), displayTime);
        return true;
    }

private:
    // An item's own tip in a list, else the tip of the widget or of its nearest parent that has one.
    static QString TipText(QWidget* widget, QPoint pos) {
        if (auto* view = qobject_cast<QAbstractItemView*>(widget->parentWidget()); view && view->viewport() == widget) {
            const QString item = view->indexAt(pos).data(Qt::ToolTipRole).toString();
            if (!item.isEmpty())
                return item;
        }
        if (auto* tabs = qobject_cast<QTabBar*>(widget); tabs && !tabs->tabToolTip(tabs->tabAt(pos)).isEmpty())
            return tabs->tabToolTip(tabs->tabAt(pos));
        for (QWidget* w = widget; w; w = w->isWindow() ? nullptr : w->parentWidget())
            if (!w->toolTip().isEmpty())
                return w->toolTip();
        return QString();
    }
};

QIcon Glyph(bool start) {
    QIcon icon;
    for (bool enabled : {true, false}) {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        if (start) {
            p.setBrush(enabled ? QColor(0, 150, 0) : QColor(160, 160, 160));
            p.drawPolygon(QPolygon({QPoint(3, 2), QPoint(14, 8), QPoint(3, 14)}));
        } else {
            p.setBrush(enabled ? QColor(200, 0, 0) : QColor(160, 160, 160));
            p.drawRect(3, 3, 10, 10);
        }
        p.end();
        icon.addPixmap(pixmap, enabled ? QIcon::Normal : QIcon::Disabled);
    }
    return icon;
}

} // namespace

// The status bar's last panel: a filled circle in the colour of the run state.
class TRunLamp : public QWidget {
public:
    explicit TRunLamp(QWidget* parent) : QWidget(parent) { setFixedWidth(25); }
    RunState state = NoMachine;

    QSize sizeHint() const override { return QSize(25, 18); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRect r = rect();
        const int d = std::min(r.width(), r.height());
        QColor colour = Qt::black;
        if (state == Ready)
            colour = Qt::red;
        else if (state == Running)
            colour = Qt::green;
        else if (state == Paused)
            colour = Qt::yellow;
        p.setBrush(colour);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRect(r.left() + 1, r.top() + 1, d - 2, d - 2));
    }
};

TMainForm::TMainForm(const QString& programDir, TPrompts* prompts, QWidget* parent)
    : QMainWindow(parent), programDir_(programDir) {
    if (!prompts) {
        ownPrompts_ = std::make_unique<TQtPrompts>(this);
        prompts = ownPrompts_.get();
    }
    prompts_ = prompts;
    config_ = std::make_unique<TConfig>(programDir);
    breakPointList_ = std::make_unique<TBreakPointList>();
    machine_ = std::make_unique<TMachine>(*prompts_, *config_);
    machine_->SetBreakPoints(breakPointList_.get());
    validation_ = std::make_unique<TValidation>(*machine_);
    machine_->SetChecks(validation_.get());
    engine_ = std::make_unique<TEngine>(*machine_, *prompts_, *config_);
    engine_->isModified = [this] { return modified_; };
    engine_->saveFile = [this] { return SaveFile(); };
    machineFile_ = std::make_unique<TQtmFile>(*machine_, *breakPointList_, *prompts_, *config_);
    machineFile_->isModified = [this] { return modified_; };
    machineFile_->saveFileAs = [this] { return SaveFileAs(); };
    machineFile_->showLoadReport = [this](const TLoadReport& report) { TFileLoadDialog::ShowReport(report, this); };

    CreateControls();
    CreateActions();
    CreateMenus();
    CreateStatusBar();
    ConnectMachine();
    AssignHelpContexts();

    UpdateCaption(QString());
    engine_->SetRunState(NoMachine);
    SetCurrentFile(QString());
    WordEdit->setMaxLength(TMachine::MaxTypedWord);
    machine_->BuildTape(QString());
    setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
}

TMainForm::~TMainForm() {
    // Automatic saving at program end; the results are not examined.
    if (config_) {
        if (config_->AutoConfig)
            StoreSettings();
        if (config_->AutoDeskTop)
            StoreDesktop();
    }
    machineFile_.reset();
    // The views read the machine while they go: they go first.
    StepTimer->stop();
    frameTimer_->stop();
    delete takeCentralWidget();
    machine_->disconnect(this);
    engine_->disconnect(this);
    engine_->SetRunLog(nullptr);
    machine_->SetBreakPoints(nullptr);
    machine_->SetChecks(nullptr);
    breakPointList_.reset();
}

// ---- Construction -----------------------------------------------------------------------------------------

void TMainForm::CreateControls() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("MainPanel"));
    setCentralWidget(central);

    auto label = [central](const QString& name, const QString& text) {
        auto* l = new QLabel(text, central);
        l->setObjectName(name);
        return l;
    };
    ABCLabel = label(QStringLiteral("ABCLabel"), QStringLiteral("А&лфавит"));
    WordLabel = label(QStringLiteral("WordLabel"), QStringLiteral("Сл&ово"));
    CommandLabel = label(QStringLiteral("CommandLabel"), QStringLiteral("&Команды"));
    BegStateLabel = label(QStringLiteral("BegStateLabel"), QStringLiteral("Началь&ное состояние"));
    StateLabel = label(QStringLiteral("StateLabel"), QStringLiteral("Состо&яния"));

    ABCEdit = new QLineEdit(central);
    ABCEdit->setObjectName(QStringLiteral("ABCEdit"));
    ABCEdit->setToolTip(QStringLiteral("Символы алфавита"));
    WordEdit = new QLineEdit(central);
    WordEdit->setObjectName(QStringLiteral("WordEdit"));
    WordEdit->setToolTip(QStringLiteral("Слово для распознания"));
    ABCEdit->installEventFilter(this);
    WordEdit->installEventFilter(this);

    CommandListView = new QTableView(central);
    CommandListView->setObjectName(QStringLiteral("CommandListView"));
    CommandListView->setToolTip(QStringLiteral("Список команд"));
    commandModel_ = new TCommandListModel(*machine_, *config_, this);
    CommandListView->setModel(commandModel_);
    CommandListView->setItemDelegate(new TMarkDelegate(CommandListView));
    CommandListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    CommandListView->setSelectionMode(QAbstractItemView::SingleSelection);
    CommandListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    CommandListView->setShowGrid(true);
    // Tab leaves the list for the next control; the arrow keys move between its rows.
    CommandListView->setTabKeyNavigation(false);
    CommandListView->setSortingEnabled(false);
    CommandListView->horizontalHeader()->setSectionsClickable(false);
    CommandListView->horizontalHeader()->setHighlightSections(false);
    CommandListView->verticalHeader()->setVisible(false);
    CommandListView->verticalHeader()->setDefaultSectionSize(CommandListView->fontMetrics().height() + 4);
    CommandListView->setContextMenuPolicy(Qt::ActionsContextMenu);
    CommandListView->setMinimumSize(265, 225);

    BegStateComboBox = new QComboBox(central);
    BegStateComboBox->setObjectName(QStringLiteral("BegStateComboBox"));
    BegStateComboBox->setToolTip(QStringLiteral("Начальное состояние"));
    BegStateComboBox->setEditable(true);
    BegStateComboBox->setInsertPolicy(QComboBox::NoInsert);

    StateListBox = new QListView(central);
    StateListBox->setObjectName(QStringLiteral("StateListBox"));
    StateListBox->setToolTip(QStringLiteral("Список состояний"));
    stateModel_ = new TStateListModel(*machine_, *config_, this);
    StateListBox->setModel(stateModel_);
    StateListBox->setItemDelegate(new TMarkDelegate(StateListBox));
    StateListBox->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StateListBox->setSelectionMode(QAbstractItemView::SingleSelection);
    StateListBox->setUniformItemSizes(true);
    StateListBox->setContextMenuPolicy(Qt::ActionsContextMenu);
    StateListBox->setMinimumWidth(193);

    auto button = [central](const QString& name, const QString& text, const QString& hint) {
        auto* b = new QPushButton(text, central);
        b->setObjectName(name);
        b->setToolTip(hint);
        b->setAutoDefault(false);
        return b;
    };
    StartButton =
        button(QStringLiteral("StartButton"), QStringLiteral("Ста&рт"), QStringLiteral("Запуск машины Тьюринга"));
    StartButton->setIcon(Glyph(true));
    NextStepButton = button(QStringLiteral("NextStepButton"), QStringLiteral("Сле&д. шаг"), QString());
    ResetButton = button(QStringLiteral("ResetButton"), QStringLiteral("С&брос"),
                         QStringLiteral("Прекращение работы машины Тьюринга"));
    ResetButton->setIcon(Glyph(false));
    BreakButton = button(QStringLiteral("BreakButton"), QStringLiteral("Прерва&ть"),
                         QStringLiteral("Прерывание-продолжение работы машины Тьюринга"));
    BreakButton->setDefault(true);

    ScrollBar = new QScrollBar(Qt::Horizontal, central);
    ScrollBar->setObjectName(QStringLiteral("ScrollBar"));
    QSizePolicy keep = ScrollBar->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    ScrollBar->setSizePolicy(keep);
    tapeView_ = new TTapeView(*machine_, *config_, ScrollBar, central);
    tapeView_->setObjectName(QStringLiteral("WordPanel"));
    tapeView_->setToolTip(QStringLiteral("Слово для распознавания"));
    tapeView_->setContextMenuPolicy(Qt::ActionsContextMenu);

    ABCLabel->setBuddy(ABCEdit);
    WordLabel->setBuddy(WordEdit);
    CommandLabel->setBuddy(CommandListView);
    BegStateLabel->setBuddy(BegStateComboBox);
    StateLabel->setBuddy(StateListBox);

    auto* buttons = new QGridLayout;
    buttons->addWidget(StartButton, 0, 0);
    buttons->addWidget(NextStepButton, 0, 1);
    buttons->addWidget(ResetButton, 1, 0);
    buttons->addWidget(BreakButton, 1, 1);

    auto* right = new QVBoxLayout;
    right->addWidget(BegStateLabel);
    right->addWidget(BegStateComboBox);
    right->addWidget(StateLabel);
    right->addWidget(StateListBox, 1);
    right->addLayout(buttons);

    auto* grid = new QGridLayout(central);
    grid->setContentsMargins(16, 8, 16, 8);
    grid->setHorizontalSpacing(8);
    grid->addWidget(ABCLabel, 0, 0);
    grid->addWidget(WordLabel, 0, 1);
    grid->addWidget(ABCEdit, 1, 0);
    grid->addWidget(WordEdit, 1, 1);
    grid->addWidget(CommandLabel, 2, 0);
    grid->addWidget(CommandListView, 3, 0);
    grid->addLayout(right, 2, 1, 2, 1);
    grid->addWidget(tapeView_, 4, 0, 1, 2);
    grid->addWidget(ScrollBar, 5, 0, 1, 2);
    grid->setColumnStretch(0, 265);
    grid->setColumnStretch(1, 193);
    grid->setRowStretch(3, 1);

    setTabOrder(ABCEdit, WordEdit);
    setTabOrder(WordEdit, CommandListView);
    setTabOrder(CommandListView, BegStateComboBox);
    setTabOrder(BegStateComboBox, StateListBox);
    setTabOrder(StateListBox, StartButton);
    setTabOrder(StartButton, NextStepButton);
    setTabOrder(NextStepButton, ResetButton);
    setTabOrder(ResetButton, BreakButton);
    setTabOrder(BreakButton, tapeView_);
    setTabOrder(tapeView_, ScrollBar);

    StepTimer = new QTimer(this);
    StepTimer->setObjectName(QStringLiteral("StepTimer"));
    StepTimer->setInterval(1000);
    connect(StepTimer, &QTimer::timeout, engine_.get(), &TEngine::StepOnce);

    frameTimer_ = new QTimer(this);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double rate = screen && screen->refreshRate() > 1 ? screen->refreshRate() : 60.0;
    frameTimer_->setInterval(std::max(1, int(1000.0 / rate)));
    connect(frameTimer_, &QTimer::timeout, this, &TMainForm::FlushRepaint);
}

QAction* TMainForm::MakeAction(const QString& caption, const QKeySequence& shortcut, int helpContext, bool pending) {
    auto* action = new QAction(caption, this);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    if (helpContext)
        action->setProperty(HelpContextProperty, helpContext);
    if (pending) {
        // Its command is not part of the program yet: the entry is shown but never enabled.
        action->setProperty(PendingProperty, true);
        action->setEnabled(false);
    }
    addAction(action);
    return action;
}

void TMainForm::Enable(QAction* action, bool enabled) {
    action->setEnabled(enabled && !action->property(PendingProperty).toBool());
}

void TMainForm::CreateActions() {
    NewFileItem = MakeAction(QStringLiteral("&новый"), QKeySequence(Qt::CTRL | Qt::Key_N), 3000);
    OpenFileItem = MakeAction(QStringLiteral("&открыть"), QKeySequence(Qt::CTRL | Qt::Key_O), 3001);
    FileClosing = MakeAction(QStringLiteral("&закрыть"), QKeySequence(Qt::CTRL | Qt::Key_C), 3002);
    SaveFileItem = MakeAction(QStringLiteral("&cохранить"), QKeySequence(Qt::CTRL | Qt::Key_S), 3003);
    SaveFileAsItem = MakeAction(QStringLiteral("сохранить &как"), QKeySequence(), 3004);
    ExitItem = MakeAction(QStringLiteral("&выход"), QKeySequence(Qt::ALT | Qt::Key_F4), 3005);
    connect(NewFileItem, &QAction::triggered, this, &TMainForm::NewFileItemClick);
    connect(OpenFileItem, &QAction::triggered, this, &TMainForm::OpenFileItemClick);
    connect(FileClosing, &QAction::triggered, this, &TMainForm::FileClosingExecute);
    connect(SaveFileItem, &QAction::triggered, this, &TMainForm::SaveFileItemClick);
    connect(SaveFileAsItem, &QAction::triggered, this, &TMainForm::SaveFileAsItemClick);
    connect(ExitItem, &QAction::triggered, this, &QWidget::close);

    StateAdd = MakeAction(QStringLiteral("Добавить"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_A), 3010, true);
    StateEdit = MakeAction(QStringLiteral("Изменить"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_E), 3011, true);
    StateDel = MakeAction(QStringLiteral("Удалить"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_D), 3012, true);
    CommandAdd = MakeAction(QStringLiteral("Добавить"), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_A), 3013, true);
    CommandEdit = MakeAction(QStringLiteral("Изменить"), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_E), 3014, true);
    CommandDel = MakeAction(QStringLiteral("Удалить"), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_D), 3015, true);

    EditDelete = MakeAction(QStringLiteral("&удалить"), QKeySequence(), 3016);
    EditCut = MakeAction(QStringLiteral("вы&резать"), QKeySequence(Qt::CTRL | Qt::Key_X), 3017);
    EditCopy = MakeAction(QStringLiteral("&копировать"), QKeySequence(Qt::CTRL | Qt::Key_C), 3018);
    EditPaste = MakeAction(QStringLiteral("&вставить"), QKeySequence(Qt::CTRL | Qt::Key_V), 3019);
    EditUndo = MakeAction(QStringLiteral("&Отменить"), QKeySequence(Qt::ALT | Qt::Key_Backspace));
    EditSelectAll = MakeAction(QStringLiteral("выделить все"), QKeySequence(Qt::CTRL | Qt::Key_A));
    // The edits handle these keys themselves; the entries' keys must not shadow "&закрыть" (Ctrl+C).
    for (QAction* a : {EditCut, EditCopy, EditPaste, EditSelectAll})
        a->setShortcutContext(Qt::WidgetShortcut);
    connect(EditDelete, &QAction::triggered, this, [this] { EditCommand([](QLineEdit* e) { e->del(); }); });
    connect(EditCut, &QAction::triggered, this, [this] { EditCommand([](QLineEdit* e) { e->cut(); }); });
    connect(EditCopy, &QAction::triggered, this, [this] { EditCommand([](QLineEdit* e) { e->copy(); }); });
    connect(EditPaste, &QAction::triggered, this, [this] { EditCommand([](QLineEdit* e) { e->paste(); }); });
    connect(EditUndo, &QAction::triggered, this, [this] { EditCommand([](QLineEdit* e) { e->undo(); }); });
    connect(EditSelectAll, &QAction::triggered, this, [this] { EditCommand([](QLineEdit* e) { e->selectAll(); }); });

    StartItem = MakeAction(QStringLiteral("ста&рт"), QKeySequence(Qt::Key_F9), 1004);
    ResetItem = MakeAction(QStringLiteral("с&брос"), QKeySequence(Qt::CTRL | Qt::Key_F2), 1006);
    BreakItem = MakeAction(QStringLiteral("прерва&ть"), QKeySequence(Qt::Key_F12), 1007);
    NextStepItem = MakeAction(QStringLiteral("сле&дующий шаг"), QKeySequence(Qt::Key_F8), 1005);
    // A Run menu entry does exactly what its button does.
    connect(StartItem, &QAction::triggered, StartButton, &QPushButton::click);
    connect(ResetItem, &QAction::triggered, ResetButton, &QPushButton::click);
    connect(BreakItem, &QAction::triggered, BreakButton, &QPushButton::click);
    connect(NextStepItem, &QAction::triggered, NextStepButton, &QPushButton::click);
    connect(StartButton, &QPushButton::clicked, engine_.get(), &TEngine::Start);
    connect(ResetButton, &QPushButton::clicked, engine_.get(), &TEngine::Reset);
    connect(BreakButton, &QPushButton::clicked, engine_.get(), &TEngine::Break);
    connect(NextStepButton, &QPushButton::clicked, engine_.get(), &TEngine::NextStep);

    BreakList =
        MakeAction(QStringLiteral("&контрольные точки"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_B), 3030, true);
    BreakAdd = MakeAction(QStringLiteral("Добавить контольную точку"), QKeySequence(Qt::CTRL | Qt::Key_F5), 0, true);
    DataCheck = MakeAction(QStringLiteral("проверка &данных"), QKeySequence(Qt::CTRL | Qt::Key_F9), 3031);
    connect(DataCheck, &QAction::triggered, this, &TMainForm::DataCheckExecute);
    LogView = MakeAction(QStringLiteral("&отчет"), QKeySequence(Qt::Key_F6), 3032, true);
    LogSave =
        MakeAction(QStringLiteral("&сохранить отчет"), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_S), 3033, true);
    ConfigItem = MakeAction(QStringLiteral("п&араметры"), QKeySequence(Qt::Key_F11), 3034, true);
    SaveConfigItem = MakeAction(QStringLiteral("сохранить &параметры"), QKeySequence(Qt::SHIFT | Qt::Key_F11), 3035);
    SaveDeskTopItem = MakeAction(QStringLiteral("сохранить &рабочий стол"), QKeySequence(Qt::CTRL | Qt::Key_F11), 3036);
    connect(SaveConfigItem, &QAction::triggered, this, &TMainForm::SaveConfigItemClick);
    connect(SaveDeskTopItem, &QAction::triggered, this, &TMainForm::SaveDeskTopItemClick);

    TheoryItem = MakeAction(QStringLiteral("&теория"), QKeySequence(), 3040, true);
    ContentsItem = MakeAction(QStringLiteral("&содержание"), QKeySequence(Qt::CTRL | Qt::Key_F1), 3041, true);
    HelpItem = MakeAction(QStringLiteral("&помощь"), QKeySequence(), 3042, true);
    WhatsThisItem = MakeAction(QStringLiteral("&что это такое"), QKeySequence(Qt::SHIFT | Qt::Key_F1), 3043, true);
    AboutItem = MakeAction(QStringLiteral("&о программе"), QKeySequence(), 3044, true);
    connect(WhatsThisItem, &QAction::triggered, this, [] { QWhatsThis::enterWhatsThisMode(); });

    ViewABC = MakeAction(QStringLiteral("Алфавит"), QKeySequence(Qt::CTRL | Qt::Key_K));
    ViewWord = MakeAction(QStringLiteral("Слово"), QKeySequence(Qt::CTRL | Qt::Key_J));
    ViewCommand = MakeAction(QStringLiteral("Команды"), QKeySequence(Qt::CTRL | Qt::Key_R));
    ViewBegState = MakeAction(QStringLiteral("Начальное состояние"), QKeySequence(Qt::CTRL | Qt::Key_Y));
    ViewState = MakeAction(QStringLiteral("Состояния"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    connect(ViewABC, &QAction::triggered, ABCEdit, [this] { ABCEdit->setFocus(Qt::ShortcutFocusReason); });
    connect(ViewWord, &QAction::triggered, WordEdit, [this] { WordEdit->setFocus(Qt::ShortcutFocusReason); });
    connect(ViewCommand, &QAction::triggered, CommandListView,
            [this] { CommandListView->setFocus(Qt::ShortcutFocusReason); });
    connect(ViewBegState, &QAction::triggered, BegStateComboBox,
            [this] { BegStateComboBox->setFocus(Qt::ShortcutFocusReason); });
    connect(ViewState, &QAction::triggered, StateListBox, [this] { StateListBox->setFocus(Qt::ShortcutFocusReason); });

    WordUpdate = MakeAction(QStringLiteral("Обновить"), QKeySequence(Qt::CTRL | Qt::Key_W), 1001);
    connect(WordUpdate, &QAction::triggered, this, [this] {
        machine_->BuildTape(machine_->Word());
        if (machine_->Checks())
            machine_->Checks()->CheckWordCells();
    });
    tapeView_->addAction(WordUpdate);

    const QString names[] = {
        QStringLiteral("NewFileItem"),  QStringLiteral("OpenFileItem"),   QStringLiteral("FileClosing"),
        QStringLiteral("SaveFileItem"), QStringLiteral("SaveFileAsItem"), QStringLiteral("ExitItem"),
        QStringLiteral("StartItem"),    QStringLiteral("ResetItem"),      QStringLiteral("BreakItem"),
        QStringLiteral("NextStepItem"), QStringLiteral("SaveConfigItem"), QStringLiteral("SaveDeskTopItem"),
        QStringLiteral("WordUpdate"),   QStringLiteral("DataCheck"),      QStringLiteral("ConfigItem")};
    QAction* const actions[] = {NewFileItem,    OpenFileItem,    FileClosing, SaveFileItem, SaveFileAsItem,
                                ExitItem,       StartItem,       ResetItem,   BreakItem,    NextStepItem,
                                SaveConfigItem, SaveDeskTopItem, WordUpdate,  DataCheck,    ConfigItem};
    for (std::size_t i = 0; i < std::size(actions); ++i)
        actions[i]->setObjectName(names[i]);
}

void TMainForm::CreateMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("Ф&айл"));
    file->addActions({NewFileItem, OpenFileItem, FileClosing});
    file->addSeparator();
    file->addActions({SaveFileItem, SaveFileAsItem});
    file->addSeparator();
    file->addAction(ExitItem);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("Р&едактировние"));
    QMenu* states = edit->addMenu(QStringLiteral("состояние"));
    states->addActions({StateAdd, StateDel, StateEdit});
    QMenu* commands = edit->addMenu(QStringLiteral("команды"));
    commands->addActions({CommandAdd, CommandDel, CommandEdit});
    edit->addActions({EditDelete, EditCut, EditCopy, EditPaste});

    QMenu* run = menuBar()->addMenu(QStringLiteral("В&ыполнение"));
    run->addActions({StartItem, ResetItem, BreakItem, NextStepItem});

    QMenu* service = menuBar()->addMenu(QStringLiteral("Сер&вис"));
    service->addActions({BreakList, DataCheck, LogView, LogSave, ConfigItem, SaveConfigItem, SaveDeskTopItem});

    QMenu* help = menuBar()->addMenu(QStringLiteral("Помощ&ь"));
    help->addActions({TheoryItem, ContentsItem, HelpItem, WhatsThisItem, AboutItem});

    // The pop-up menus' entries carry the list's own keys (Ins, F4, Del), which work only while the list
    // has the focus; the menu bar's entries carry the keys that work anywhere.
    const auto popup = [this](QWidget* list, QAction* target) {
        auto* entry = new QAction(target->text(), list);
        entry->setShortcuts({});
        entry->setEnabled(target->isEnabled());
        entry->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(entry, &QAction::triggered, target, &QAction::trigger);
        connect(target, &QAction::enabledChanged, entry, &QAction::setEnabled);
        list->addAction(entry);
        return entry;
    };
    popup(StateListBox, StateAdd)->setShortcut(QKeySequence(Qt::Key_Insert));
    popup(StateListBox, StateEdit)->setShortcut(QKeySequence(Qt::Key_F4));
    popup(StateListBox, StateDel)->setShortcut(QKeySequence(Qt::Key_Delete));
    popup(CommandListView, CommandAdd)->setShortcut(QKeySequence(Qt::Key_Insert));
    popup(CommandListView, CommandEdit)->setShortcut(QKeySequence(Qt::Key_F4));
    popup(CommandListView, CommandDel)->setShortcut(QKeySequence(Qt::Key_Delete));
}

void TMainForm::CreateStatusBar() {
    const int widths[] = {100, 200, 150};
    for (int i = 0; i < 3; ++i) {
        statusPanels_[i] = new QLabel(this);
        statusPanels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        statusPanels_[i]->setMinimumWidth(widths[i]);
        statusBar()->addWidget(statusPanels_[i], i == 1 ? 1 : 0);
    }
    runLamp_ = new TRunLamp(this);
    runLamp_->setObjectName(QStringLiteral("RunLamp"));
    statusBar()->addWidget(runLamp_);
    statusBar()->setSizeGripEnabled(false);
}

void TMainForm::AssignHelpContexts() {
    const std::pair<QWidget*, int> contexts[] = {{ABCEdit, 1000},         {WordEdit, 1001},     {tapeView_, 1001},
                                                 {CommandListView, 1002}, {StateListBox, 1003}, {StartButton, 1004},
                                                 {NextStepButton, 1005},  {ResetButton, 1006},  {BreakButton, 1007},
                                                 {BegStateComboBox, 1009}};
    for (const auto& [widget, context] : contexts)
        widget->setProperty(HelpContextProperty, context);
}

void TMainForm::ConnectMachine() {
    TMachine* m = machine_.get();
    connect(m, &TMachine::alphabetChanged, this, [this] {
        if (ABCEdit->text() != machine_->Alphabet())
            ABCEdit->setText(machine_->Alphabet());
    });
    connect(m, &TMachine::wordChanged, this, [this] {
        if (WordEdit->text() != machine_->Word()) {
            // The typing limit never cuts a longer word that came from a file.
            WordEdit->setMaxLength(std::max(int(TMachine::MaxTypedWord), int(machine_->Word().size())));
            const int cursor = WordEdit->cursorPosition();
            WordEdit->setText(machine_->Word());
            WordEdit->setCursorPosition(std::min(cursor, int(machine_->Word().size())));
        }
    });
    connect(ABCEdit, &QLineEdit::textEdited, m, &TMachine::SetAlphabetText);
    connect(WordEdit, &QLineEdit::textEdited, m, &TMachine::SetWordText);

    connect(m, &TMachine::statesChanged, this, [this] {
        const QSignalBlocker block(BegStateComboBox);
        BegStateComboBox->clear();
        for (const TStateItem& s : machine_->States())
            BegStateComboBox->addItem(s.name);
        BegStateComboBox->setEditText(machine_->InitialStateText());
        stateModel_->Reset();
    });
    connect(m, &TMachine::initialStateChanged, this, [this] {
        if (BegStateComboBox->currentText() != machine_->InitialStateText()) {
            const QSignalBlocker block(BegStateComboBox);
            BegStateComboBox->setEditText(machine_->InitialStateText());
        }
    });
    connect(BegStateComboBox->lineEdit(), &QLineEdit::textEdited, m, &TMachine::SetInitialStateText);
    connect(BegStateComboBox, &QComboBox::textActivated, m, &TMachine::SetInitialStateText);
    // Arrow keys move through the states without opening the list.
    connect(BegStateComboBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && BegStateComboBox->itemText(index) != machine_->InitialStateText())
            machine_->SetInitialStateText(BegStateComboBox->itemText(index));
    });

    connect(m, &TMachine::selectedStateChanged, this, [this](int index) {
        StateListBox->setCurrentIndex(stateModel_->index(index));
        ScheduleRepaint(RepaintStates);
    });
    connect(StateListBox->selectionModel(), &QItemSelectionModel::currentChanged, m,
            [this](const QModelIndex& current) { machine_->SelectState(current.row()); });
    connect(m, &TMachine::stateMarksChanged, this, [this] { ScheduleRepaint(RepaintStates); });
    connect(m, &TMachine::commandsChanged, this, [this] { commandModel_->Reset(); });
    connect(m, &TMachine::commandMarksChanged, this, [this] { ScheduleRepaint(RepaintCommands); });
    connect(m, &TMachine::activeCommandChanged, this, [this](int row) {
        if (engine_->GetRunState() != Running)
            CommandListView->scrollTo(commandModel_->index(row, 0));
        else
            ScheduleRepaint(RepaintCommands);
    });
    connect(m, &TMachine::tapeChanged, this, [this] { ScheduleRepaint(RepaintTape | RepaintScroll); });
    connect(m, &TMachine::cellsChanged, this, [this] { ScheduleRepaint(RepaintTape); });
    connect(m, &TMachine::statusChanged, this, [this] { ScheduleRepaint(RepaintStatus); });
    connect(m, &TMachine::edited, this, [this] { SetModified(true); });

    connect(breakPointList_.get(), &TBreakPointList::changed, m, &TMachine::RefreshBreakMarks);
    // A changed breakpoint is part of the machine: it must not be lost without the save question. Loading
    // a file adds breakpoints too; SetCurrentFile clears the flag after it.
    connect(breakPointList_.get(), &TBreakPointList::changed, this, [this] {
        if (!fileName_.isEmpty())
            SetModified(true);
    });

    connect(engine_.get(), &TEngine::runStateChanged, this, &TMainForm::RunStateChanged);
    connect(engine_.get(), &TEngine::timerChanged, this, [this](bool on) {
        if (on)
            StepTimer->start();
        else
            StepTimer->stop();
    });
    // A run prepared, a word typed, a step taken: the head's cell comes into sight.
    connect(m, &TMachine::headMoved, this, [this](int cell) {
        headCellToShow_ = cell;
        ScheduleRepaint(RepaintScroll);
    });
    connect(engine_.get(), &TEngine::bringToFront, this, &TMainForm::BringToFront);
    connect(engine_.get(), &TEngine::dataCheckRequested, this, &TMainForm::ShowDataCheck);
}

// ---- Repainting -------------------------------------------------------------------------------------------

void TMainForm::ScheduleRepaint(unsigned what) {
    pendingRepaint_ |= what;
    if (engine_->GetRunState() == Running) {
        if (!frameTimer_->isActive())
            frameTimer_->start();
        return;
    }
    FlushRepaint();
}

void TMainForm::FlushRepaint() {
    const unsigned what = pendingRepaint_;
    pendingRepaint_ = 0;
    if (engine_->GetRunState() != Running)
        frameTimer_->stop();
    if (what & RepaintScroll) {
        tapeView_->UpdateScrollRange();
        if (headCellToShow_ >= 0 && headCellToShow_ < machine_->Tape().size())
            tapeView_->KeepCellInView(headCellToShow_);
        headCellToShow_ = -1;
    }
    if (what & RepaintTape)
        tapeView_->update();
    if (what & RepaintCommands) {
        commandModel_->Repaint();
        if (machine_->ActiveCommand() >= 0 && engine_->GetRunState() == Running)
            CommandListView->scrollTo(commandModel_->index(machine_->ActiveCommand(), 0));
    }
    if (what & RepaintStates)
        stateModel_->Repaint();
    if (what & RepaintStatus) {
        for (int i = 0; i < 3; ++i)
            statusPanels_[i]->setText(machine_->StatusText(i));
        runLamp_->state = engine_->GetRunState();
        runLamp_->update();
    }
}

// ---- Run state --------------------------------------------------------------------------------------------

void TMainForm::EnableRunControls(RunState state) {
    const bool idle = state == NoMachine || state == Ready;
    Enable(NewFileItem, idle);
    Enable(OpenFileItem, idle);
    Enable(StartItem, state == Ready);
    Enable(ResetItem, !idle);
    Enable(BreakItem, state != NoMachine);
    Enable(NextStepItem, state == Ready || state == Paused);
    Enable(ConfigItem, state != Running);
    BreakItem->setText(engine_->BreakCaption());
    StartButton->setEnabled(StartItem->isEnabled());
    NextStepButton->setEnabled(NextStepItem->isEnabled());
    ResetButton->setEnabled(ResetItem->isEnabled());
    BreakButton->setEnabled(BreakItem->isEnabled());
    BreakButton->setText(engine_->BreakCaption());
    for (QAction* view : {ViewABC, ViewWord, ViewCommand, ViewBegState, ViewState})
        Enable(view, state == Ready);
    Enable(WordUpdate, idle);
    Enable(FileClosing, !fileName_.isEmpty() && state == Ready);
    Enable(DataCheck, DataCheckEnabled(state, !fileName_.isEmpty()));
}

void TMainForm::RunStateChanged(RunState, RunState now) {
    EnableRunControls(now);
    RefreshEditing();
    ScheduleRepaint(RepaintAll);
    if (now != Running)
        FlushRepaint();
    StepTimer->setInterval(config_->RunSpeed);
}

void TMainForm::BringToFront() {
    if (isMinimized())
        showNormal();
    if (!isActiveWindow()) {
        raise();
        activateWindow();
    }
}

void TMainForm::RefreshEditing() {
    const RunState state = engine_->GetRunState();
    const bool enabled = state != Running && state != Paused && !fileName_.isEmpty();
    for (QWidget* w :
         std::initializer_list<QWidget*>{CommandListView, StateListBox, ABCEdit, ABCLabel, WordEdit, WordLabel,
                                         CommandLabel, BegStateLabel, BegStateComboBox, StateLabel})
        w->setEnabled(enabled);
    if (fileName_.isEmpty()) {
        breakPointList_->ClearBreakPoints();
        machine_->Clear();
        SetModified(false);
    }
}

// ---- Caption, settings ------------------------------------------------------------------------------------

void TMainForm::UpdateCaption(const QString& name) {
    windowCaption_ = TrimText(name).isEmpty() ? MainCaption : MainCaption + QStringLiteral(" - ") + name;
    setWindowTitle(windowCaption_);
    QGuiApplication::setApplicationDisplayName(QString());
}

void TMainForm::ApplySettings() {
    config_->LoadDesktop();
    config_->LoadSettings();
    move(config_->Left, config_->Top);
    const int widths[] = {config_->MainColumn0, config_->MainColumn1, config_->MainColumn2,
                          config_->MainColumn3, config_->MainColumn4, config_->MainColumn5};
    // A stored width never hides a heading.
    QHeaderView* header = CommandListView->horizontalHeader();
    for (int i = 0; i < 6; ++i)
        CommandListView->setColumnWidth(i, std::max(widths[i], header->sectionSizeHint(i)));
    // The list is as wide as its columns, so the window grows rather than hiding a column.
    CommandListView->setMinimumWidth(header->length() + 2 * CommandListView->frameWidth() +
                                     CommandListView->verticalScrollBar()->sizeHint().width());
    auto* style = new THintStyle;
    style->wakeUp = config_->PeriodHint;
    // The style's proxy is owned by the application once set.
    if (qApp)
        QApplication::setStyle(style);
    else
        delete style;
    auto* hints = findChild<THintFilter*>(QStringLiteral("HintFilter"));
    if (!hints) {
        hints = new THintFilter(this);
        hints->setObjectName(QStringLiteral("HintFilter"));
        qApp->installEventFilter(hints);
    }
    hints->enabled = config_->ViewHint;
    hints->displayTime = config_->PauseHint;
    StepTimer->setInterval(config_->RunSpeed);
    KeepOnScreen();
}

void TMainForm::KeepOnScreen() {
    // A stored position from a smaller screen, or a window grown by its columns, must not leave it half off
    // the screen.
    adjustSize();
    const QScreen* screen = QGuiApplication::screenAt(frameGeometry().center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QRect frame = frameGeometry();
    if (frame.right() > area.right())
        frame.moveRight(area.right());
    if (frame.bottom() > area.bottom())
        frame.moveBottom(area.bottom());
    if (frame.left() < area.left())
        frame.moveLeft(area.left());
    if (frame.top() < area.top())
        frame.moveTop(area.top());
    move(frame.topLeft());
}

bool TMainForm::StoreSettings() {
    return config_ && config_->SaveSettings();
}

bool TMainForm::StoreDesktop() {
    config_->Left = x();
    config_->Top = y();
    int* widths[] = {&config_->MainColumn0, &config_->MainColumn1, &config_->MainColumn2,
                     &config_->MainColumn3, &config_->MainColumn4, &config_->MainColumn5};
    for (int i = 0; i < 6; ++i)
        *widths[i] = CommandListView->columnWidth(i);
    return config_->SaveDesktop();
}

void TMainForm::SaveConfigItemClick() {
    TEngine::TPause pause(*engine_);
    const QString caption = QStringLiteral("Сохранение настроек");
    if (StoreSettings())
        prompts_->Message(caption, QStringLiteral("Настройки сохранены успешно"), TIcon::Information);
    else
        prompts_->Message(caption, QStringLiteral("Ошибка сохранения настроек"), TIcon::Stop);
}

void TMainForm::DataCheckExecute() {
    if (!DataCheckEnabled(engine_->GetRunState(), !fileName_.isEmpty()))
        return;
    TEngine::TPause pause(*engine_);
    ShowDataCheck();
}

void TMainForm::ShowDataCheck() {
    RunDataCheck(*validation_, *prompts_, this);
}

void TMainForm::SaveDeskTopItemClick() {
    TEngine::TPause pause(*engine_);
    const QString caption = QStringLiteral("Сохранение настроек рабочего стола");
    if (StoreDesktop())
        prompts_->Message(caption, QStringLiteral("Настройки сохранены успешно"), TIcon::Information);
    else
        prompts_->Message(caption, QStringLiteral("Ошибка сохранения настроек"), TIcon::Stop);
}

// ---- Machine file -----------------------------------------------------------------------------------------

void TMainForm::SetModified(bool flag) {
    modified_ = machineFile_->IsNew() || flag;
    Enable(SaveFileItem, modified_);
}

void TMainForm::SetCurrentFile(const QString& name) {
    const QString old = fileName_;
    if (name != machineFile_->FilePath())
        machineFile_->SetFileName(name);
    fileName_ = machineFile_->FilePath();
    // An untitled machine is named by its bare name; its directory is kept only to find it safely.
    UpdateCaption(!fileName_.isEmpty() && fileName_ == untitledPath_ ? paths::FileName(fileName_) : fileName_);
    if (fileName_ != old)
        SetModified(false);
    if (fileName_.isEmpty()) {
        Enable(SaveFileAsItem, false);
        SetModified(false);
        if (engine_->GetRunState() != NoMachine)
            engine_->SetRunState(NoMachine);
    } else {
        Enable(SaveFileAsItem, true);
        engine_->SetRunState(engine_->GetRunState() == NoMachine ? Ready : engine_->GetRunState());
    }
    RefreshEditing();
    EnableRunControls(engine_->GetRunState());
}

bool TMainForm::CloseCurrentFile() {
    try {
        SetCurrentFile(QString());
        if (!fileName_.isEmpty())
            return false;
        SetModified(false);
        return true;
    } catch (...) {
        prompts_->Message(QStringLiteral("Закрытие файла"), QStringLiteral("Ошибка закрытия файла\n") + fileName_,
                          TIcon::Stop);
        return false;
    }
}

QString TMainForm::DataDir() {
    const QString dir = QFileInfo(config_->Dir).isDir() ? config_->Dir : QDir::currentPath();
    if (config_->Dir != dir)
        config_->Dir = dir;
    return dir;
}

void TMainForm::NewFileItemClick() {
    if (!CloseCurrentFile())
        return;
    const QString dir = DataDir();
    for (int i = 1; i <= 255; ++i) {
        const QString candidate = QStringLiteral("Без имени %1.qtm").arg(i);
        const QString path = paths::Join(dir, candidate);
        if (QFileInfo::exists(path))
            continue;
        // The name is taken with its directory: a bare name would be looked up in the working directory,
        // where a file of that name may exist and would be opened instead of a new machine.
        untitledPath_ = path;
        SetCurrentFile(path);
        SetModified(false);
        return;
    }
    prompts_->Message(QStringLiteral("Новый файл"),
                      QStringLiteral("Ошибка создания уникального имени файла.\nПожалуйста, создайте его вручную."),
                      TIcon::Exclamation);
    OpenFileItemClick();
}

void TMainForm::OpenFileItemClick() {
    if (!CloseCurrentFile())
        return;
    try {
        TFileDialog dialog;
        dialog.title = QStringLiteral("Открытие файла данных");
        dialog.filter = QStringLiteral("Файлы машины Тьюринга (*.qtm)|*.qtm|Все файлы (*.*)|*.*");
        dialog.defaultExt = QStringLiteral("qtm");
        dialog.initialDir = DataDir();
        const QString chosen = prompts_->OpenFileName(dialog);
        if (chosen.isEmpty())
            return;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        SetCurrentFile(chosen);
        QApplication::restoreOverrideCursor();
    } catch (...) {
        QApplication::restoreOverrideCursor();
        prompts_->Message(QStringLiteral("Ошибка"), QStringLiteral("Ошибка открытия файла данных"), TIcon::Stop);
    }
}

void TMainForm::FileClosingExecute() {
    const RunState state = engine_->GetRunState();
    if (state == Running || state == Paused || fileName_.isEmpty())
        return;
    CloseCurrentFile();
}

void TMainForm::SaveFileItemClick() {
    TEngine::TPause pause(*engine_);
    SaveFile();
}

void TMainForm::SaveFileAsItemClick() {
    TEngine::TPause pause(*engine_);
    SaveFileAs();
}

bool TMainForm::SaveFile() {
    if (fileName_.isEmpty() || !modified_)
        return true;
    try {
        if (!machineFile_->IsNew()) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            const bool saved = machineFile_->SaveTo(fileName_);
            QApplication::restoreOverrideCursor();
            if (saved) {
                SetModified(false);
                SetCurrentFile(machineFile_->FilePath());
                return true;
            }
        }
        return SaveFileAs();
    } catch (...) {
        QApplication::restoreOverrideCursor();
        return false;
    }
}

bool TMainForm::SaveFileAs() {
    const QString name = TrimText(fileName_);
    if (name.isEmpty())
        return true;
    const QString nameDir = TrimText(paths::FileDir(name));
    if (!nameDir.isEmpty() && !QFileInfo(nameDir).isDir())
        QDir().mkpath(nameDir);
    TFileDialog dialog;
    dialog.title = QStringLiteral("Сохранение данных");
    dialog.filter = QStringLiteral("Файлы машины Тьюринга (*.qtm)|*.qtm");
    dialog.defaultExt = QStringLiteral("qtm");
    dialog.overwritePrompt = true;
    dialog.initialDir = !nameDir.isEmpty() && QFileInfo(nameDir).isDir() ? nameDir : DataDir();
    QString proposed = name;
    const QString ext = TrimText(paths::FileExt(proposed));
    if (!ext.isEmpty() && ext != qtmformat::DefaultExt) {
        if (paths::FileName(proposed).size() > 256) {
            prompts_->Message(QStringLiteral("Сохранение файла"),
                              QStringLiteral("Слишком динное имя файла\n") + proposed, TIcon::Stop);
            return false;
        }
        proposed = paths::ChangeFileExt(proposed, qtmformat::DefaultExt);
    }
    dialog.fileName = paths::FileName(proposed);
    const QString chosen = prompts_->SaveFileName(dialog);
    if (chosen.isEmpty())
        return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool saved = machineFile_->SaveTo(chosen);
    QApplication::restoreOverrideCursor();
    if (!saved) {
        prompts_->Message(QStringLiteral("Ошибка"), QStringLiteral("Ошибка сохранения данных"), TIcon::Stop);
        return false;
    }
    SetModified(false);
    SetCurrentFile(machineFile_->FilePath());
    return true;
}

void TMainForm::OpenStartupFile() {
    try {
        if (startupFile_.isEmpty())
            NewFileItemClick();
        else
            SetCurrentFile(startupFile_);
    } catch (...) {
        SetCurrentFile(QString());
    }
}

// ---- Window events ----------------------------------------------------------------------------------------

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    ApplySettings();
    // The window is on the screen before the start-up file's load report can open over it.
    QTimer::singleShot(0, this, &TMainForm::OpenStartupFile);
}

bool TMainForm::FormCloseQuery() {
    const RunState remembered = engine_->GetRunState();
    RunState restore = remembered;
    if (remembered == Running)
        engine_->SetRunState(Paused);
    auto stay = [&] {
        if (engine_->GetRunState() != restore)
            engine_->SetRunState(restore);
        return false;
    };
    const QString caption = QStringLiteral("Выход из программы");
    if (config_->Exit && prompts_->Message(caption, QStringLiteral("Вы действительно хотите выйти из программы?"),
                                           TIcon::Question, ButtonsOkCancel, TAnswer::Ok) != TAnswer::Ok)
        return stay();
    if (remembered == Running || remembered == Paused) {
        if (prompts_->Message(caption, QStringLiteral("Машина Тьюринга еще не закончила работу\nХотите ее остановить?"),
                              TIcon::Question, ButtonsOkCancel, TAnswer::Cancel) != TAnswer::Ok)
            return stay();
        restore = Ready;
    }
    if (config_->AutoFile && modified_ && !(machineFile_->IsNew() && machine_->IsEmpty()) && !SaveFile())
        return stay();
    if (!CloseCurrentFile())
        return stay();
    return true;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
    // Enter anywhere in the window presses the default button, as in a dialog.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && BreakButton->isEnabled()) {
        BreakButton->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == ABCEdit || watched == WordEdit)) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        const bool typed = !text.isEmpty() && text[0].unicode() >= 32 && text[0].unicode() != 127 &&
                           !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (watched == ABCEdit && typed && !machine_->AlphabetKeyAllowed(text[0]))
            return true;
        if (watched == WordEdit && typed && !machine_->WordKeyAllowed(text[0], false))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::EditCommand(const std::function<void(QLineEdit*)>& command) {
    QWidget* focus = QApplication::focusWidget();
    if (auto* edit = qobject_cast<QLineEdit*>(focus))
        command(edit);
    else if (auto* combo = qobject_cast<QComboBox*>(focus); combo && combo->lineEdit())
        command(combo->lineEdit());
}
