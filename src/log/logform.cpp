#include "log/logform.h"

#include "log/logsave.h"
#include "log/runlog.h"
#include "log/runlogmodel.h"
#include "machine/engine.h"
#include "settings/config.h"

#include <QAction>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>
#include <limits>

namespace {

const char* const HelpContextProperty = "helpContext";

// The list, telling how long each paint took.
class TLogListView : public QTableView {
public:
    explicit TLogListView(QWidget* parent, std::function<void(qint64)> painted)
        : QTableView(parent), painted_(std::move(painted)) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        QElapsedTimer clock;
        clock.start();
        QTableView::paintEvent(event);
        painted_(clock.nsecsElapsed());
    }

private:
    std::function<void(qint64)> painted_;
};

} // namespace

TLogForm::TLogForm(TConfig& config, TPrompts& prompts, TEngine* engine, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::WindowContextHelpButtonHint),
      config_(config), prompts_(prompts), engine_(engine), log_(std::make_unique<TRunLog>(config)) {
    setWindowTitle(QStringLiteral("Отчет"));
    resize(405, 285);
    CreateControls();
    CreateActions();
    log_->SetWordForm(config.LogWord);
    ApplyLayout();
}

TLogForm::~TLogForm() {
    StoreLayout();
    // The view goes before the log it shows.
    delete ListView;
    ListView = nullptr;
    log_->ClearLog();
}

void TLogForm::CreateControls() {
    model_ = new TRunLogModel(*log_, this);
    ListView = new TLogListView(this, [this](qint64 ns) { FramePainted(ns); });
    ListView->setObjectName(QStringLiteral("ListView"));
    ListView->setModel(model_);
    ListView->setShowGrid(true);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView->setWordWrap(false);
    ListView->verticalHeader()->setVisible(false);
    // Every row is as high as the others, so thousands of rows cost the view nothing to lay out.
    ListView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ListView->verticalHeader()->setDefaultSectionSize(ListView->fontMetrics().height() + 4);
    ListView->horizontalHeader()->setSectionsClickable(false);
    ListView->horizontalHeader()->setHighlightSections(false);
    ListView->setProperty(HelpContextProperty, 1160);
    ListView->setAccessibleName(QStringLiteral("Отчет"));
    ListView->setAccessibleDescription(QStringLiteral("Строки отчета о работе машины"));
    ListView->setContextMenuPolicy(Qt::CustomContextMenu);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ListView);

    frameTimer_ = new QTimer(this);
    frameTimer_->setSingleShot(true);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double rate = screen && screen->refreshRate() > 1 ? screen->refreshRate() : 60.0;
    frameInterval_ = std::max(1, int(1000.0 / rate));
    frameTimer_->setInterval(frameInterval_);
    connect(frameTimer_, &QTimer::timeout, this, &TLogForm::Flush);

    connect(log_.get(), &TRunLog::rowsChanged, this, &TLogForm::ScheduleFlush);
    // A run that stops shows at once what it logged last.
    if (engine_) {
        connect(engine_, &TEngine::runStateChanged, this, [this](RunState, RunState now) {
            if (now != Running && frameTimer_->isActive())
                Flush();
        });
    }
    connect(log_.get(), &TRunLog::wordTextsChanged, this, [this] {
        wordsChanged_ = true;
        ScheduleFlush();
    });
}

QAction* TLogForm::MakeItem(const QString& caption, const QKeySequence& shortcut) {
    auto* action = new QAction(caption, this);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    return action;
}

void TLogForm::CreateActions() {
    MainFormItem = MakeItem(QStringLiteral("Главная форма"), QKeySequence(Qt::Key_F6));
    CloseItem2 = MakeItem(QStringLiteral("Закрыть"), QKeySequence(Qt::Key_Escape));
    CloseItem1 = MakeItem(QStringLiteral("Закрыть"), QKeySequence(Qt::ALT | Qt::Key_F4));
    LogClearItem = MakeItem(QStringLiteral("Очистить"), QKeySequence());
    LogSaveItem = MakeItem(QStringLiteral("Сохранить"), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_S));
    StartItem = MakeItem(QStringLiteral("Старт"), QKeySequence(Qt::Key_F9));
    ResetItem = MakeItem(QStringLiteral("Сброс"), QKeySequence(Qt::CTRL | Qt::Key_F2));
    BreakItem = MakeItem(QStringLiteral("Прервать"), QKeySequence(Qt::Key_F12));
    ConfigItem = MakeItem(QStringLiteral("Параметры"), QKeySequence(Qt::Key_F11));
    NextStepItem = MakeItem(QStringLiteral("След. шаг"), QKeySequence(Qt::Key_F8));
    StayOnTopItem = MakeItem(QStringLiteral("Поверх всех окон"), QKeySequence());
    StayOnTopItem->setCheckable(true);

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    PopupMenu->addSeparator();
    PopupMenu->addActions({LogClearItem, LogSaveItem, ConfigItem});
    PopupMenu->addSeparator();
    PopupMenu->addAction(StayOnTopItem);
    connect(PopupMenu, &QMenu::aboutToShow, this, [this] { ConfigItem->setEnabled(!IsRunning()); });
    connect(ListView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu->popup(ListView->viewport()->mapToGlobal(at)); });

    connect(MainFormItem, &QAction::triggered, this, [this] {
        if (QWidget* main = parentWidget() ? parentWidget()->window() : nullptr) {
            main->show();
            main->raise();
            main->activateWindow();
        }
    });
    connect(CloseItem2, &QAction::triggered, this, &QWidget::close);
    connect(CloseItem1, &QAction::triggered, this, &QWidget::close);
    connect(LogClearItem, &QAction::triggered, this, [this] { log_->ClearLog(); });
    connect(LogSaveItem, &QAction::triggered, this, &TLogForm::LogSave);
    QAction* const items[] = {StartItem, ResetItem, BreakItem, NextStepItem};
    for (int i = 0; i < 4; ++i) {
        connect(items[i], &QAction::triggered, this, [this, i] {
            if (runActions_[i] && runActions_[i]->isEnabled())
                runActions_[i]->trigger();
        });
    }
    connect(ConfigItem, &QAction::triggered, this, [this] {
        if (!IsRunning() && parentWidget())
            emit configRequested();
    });
    connect(StayOnTopItem, &QAction::triggered, this, [this] { SetStayOnTop(!stayOnTop_); });
}

void TLogForm::SetRunActions(QAction* start, QAction* reset, QAction* brk, QAction* nextStep) {
    runActions_[0] = start;
    runActions_[1] = reset;
    runActions_[2] = brk;
    runActions_[3] = nextStep;
}

bool TLogForm::IsRunning() const {
    return engine_ && engine_->GetRunState() == Running;
}

void TLogForm::ApplyLayout() {
    setGeometry(config_.LogLeft, config_.LogTop, config_.LogWidth, config_.LogHeight);
    SetStayOnTop(config_.LogStayOnTop);
    const int widths[] = {config_.LogColumn0, config_.LogColumn1, config_.LogColumn2,
                          config_.LogColumn3, config_.LogColumn4, config_.LogColumn5};
    // A stored width never hides a heading.
    QHeaderView* header = ListView->horizontalHeader();
    for (int i = 0; i < 6; ++i)
        ListView->setColumnWidth(i, std::max(widths[i], header->sectionSizeHint(i)));
}

void TLogForm::StoreLayout() {
    const QRect r = geometry();
    config_.LogLeft = r.left();
    config_.LogTop = r.top();
    config_.LogWidth = r.width();
    config_.LogHeight = r.height();
    config_.LogStayOnTop = stayOnTop_;
    if (!ListView)
        return;
    int* const widths[] = {&config_.LogColumn0, &config_.LogColumn1, &config_.LogColumn2,
                           &config_.LogColumn3, &config_.LogColumn4, &config_.LogColumn5};
    for (int i = 0; i < 6; ++i)
        *widths[i] = ListView->columnWidth(i);
}

void TLogForm::SetStayOnTop(bool flag) {
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) != flag) {
        const bool shown = isVisible();
        setWindowFlag(Qt::WindowStaysOnTopHint, flag);
        // Changing a window's flags hides it.
        if (shown)
            show();
    }
    stayOnTop_ = windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    StayOnTopItem->setChecked(stayOnTop_);
}

void TLogForm::SetWordForm(int form) {
    log_->SetWordForm(form);
}

void TLogForm::LogSave() {
    ::LogSave(*log_, config_, prompts_, engine_);
}

void TLogForm::ScheduleFlush() {
    // A hidden window catches up when it is shown; a running machine reaches the screen once a frame.
    if (!isVisible())
        return;
    if (IsRunning()) {
        if (!frameTimer_->isActive())
            frameTimer_->start();
        return;
    }
    Flush();
}

void TLogForm::Flush() {
    QElapsedTimer clock;
    clock.start();
    frameTimer_->stop();
    // The list goes first when the window is destroyed, and the log's clearing then has no view to show.
    if (!ListView)
        return;
    // Only the rows in view are repainted when a full log shifts.
    const int first = std::max(0, ListView->rowAt(0));
    const int last = ListView->rowAt(ListView->viewport()->height() - 1);
    const bool added = model_->Sync(first, last < 0 ? std::numeric_limits<int>::max() : last);
    if (wordsChanged_) {
        wordsChanged_ = false;
        model_->RefreshWords();
    }
    if (added)
        ListView->scrollToBottom();
    flushNs_ = clock.nsecsElapsed();
}

void TLogForm::FramePainted(qint64 paintNs) {
    // The window takes at most about a fiftieth of the time for itself while the machine runs: when showing
    // a frame costs more (a slow display, a screen reader's bridge), frames come less often, never more
    // often than the screen shows them and at least five times a second.
    const double cost = double(flushNs_ + paintNs) / 1e6;
    // A costly frame (the first one, say) counts less than a run of them.
    frameCost_ = frameCost_ <= 0 ? cost : cost < frameCost_ ? 0.5 * (frameCost_ + cost) : 0.8 * frameCost_ + 0.2 * cost;
    flushNs_ = 0;
    frameTimer_->setInterval(std::clamp(int(frameCost_ * 50), frameInterval_, 200));
}

void TLogForm::closeEvent(QCloseEvent* event) {
    StoreLayout();
    event->accept();
}

void TLogForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Flush();
}
