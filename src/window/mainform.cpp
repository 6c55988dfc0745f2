#include "window/mainform.h"

#include "breakpoints/breakpoint.h"
#include "check/checkdatadialog.h"
#include "check/validation.h"
#include "diagram/diagramform.h"
#include "diagram/positions.h"
#include "files/fileloaddialog.h"
#include "files/qtmfile.h"
#include "help/aboutdialog.h"
#include "help/theory.h"
#include "log/logform.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "pictures/costform.h"
#include "pictures/spacetimeform.h"
#include "platform/helpengine.h"
#include "platform/qtprompts.h"
#include "platform/paths.h"
#include "runner/runtoend.h"
#include "settings/config.h"
#include "settings/configdir.h"
#include "table/tableform.h"
#include "tasks/taskbookform.h"
#include "testset/testsetform.h"
#include "window/commandlistmodel.h"
#include "window/hints.h"
#include "window/runlamp.h"
#include "window/statelistmodel.h"
#include "window/tapeview.h"
#include "window/undohistory.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QShortcut>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

namespace {

const QString MainCaption = QStringLiteral("Машина Тьюринга");
const QString WordHint = QStringLiteral("Слово для распознания");

// The line edit lays out and shapes its whole text at every paint: 120 ms for 1,000,000 symbols. A word
// longer than LongWord (only a file can give one) is shown by its first ShownOfLongWord symbols, read-only;
// selecting it all and deleting it or typing over it replaces it, which is the edit such a word wants.
constexpr int LongWord = 10000;
constexpr int ShownOfLongWord = 1000;

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

TMainForm::TMainForm(const QString& programDir, TPrompts* prompts, QWidget* parent) : QMainWindow(parent) {
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
    positions_ = std::make_unique<TStatePositions>();
    machineFile_->machineSaved = [this](const QString& path) { SavePositions(path); };
    connect(positions_.get(), &TStatePositions::edited, this, [this] {
        if (!fileName_.isEmpty())
            SetModified(true);
    });

    CreateControls();
    CreateHistory();
    CreateActions();
    CreateMenus();
    CreateStatusBar();
    ConnectMachine();
    ConnectEditing();
    AssignHelpContexts();

    UpdateCaption(QString());
    engine_->SetRunState(NoMachine);
    SetCurrentFile(QString());
    WordEdit->setMaxLength(TMachine::MaxTypedWord);
    machine_->BuildTape(QString());
    setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
}

TMainForm::~TMainForm() {
    // Focus changes while the controls go must not reach a window that is half gone.
    disconnect(qApp, nullptr, this, nullptr);
    // The history hears the fields and the focus, which change while the controls go; it goes first.
    delete std::exchange(history_, nullptr);
    // A run to the end stops before anything it steps goes.
    runToEnd_.reset();
    // Automatic saving at program end; the results are not examined.
    if (config_) {
        if (config_->AutoConfig)
            StoreSettings();
        if (config_->AutoDeskTop)
            StoreDesktop();
    }
    // The controls go first: while they go they still send changes (an editable chooser losing its focus),
    // which must not reach a machine whose file and views are going.
    StepTimer->stop();
    frameTimer_->stop();
    // The table window stores its place into the settings as it goes, and its view reads the machine.
    delete tableForm_;
    tableForm_ = nullptr;
    machine_->disconnect(this);
    engine_->disconnect(this);
    breakPointList_->disconnect(this);
    // It stops its check and stores its place into the settings as it goes; its hiding moves the focus, which
    // the window's controls must still be there to hear.
    delete std::exchange(testSetForm_, nullptr);
    delete std::exchange(taskBookForm_, nullptr);
    // The run picture and the cost plot store their places as they go, while the settings still exist.
    delete std::exchange(spaceTimeForm_, nullptr);
    delete std::exchange(costForm_, nullptr);
    delete takeCentralWidget();
    machineFile_.reset();
    // The run log window stores its layout into the settings as it goes, so it goes while they exist.
    engine_->SetRunLog(nullptr);
    delete logForm_;
    logForm_ = nullptr;
    delete diagramForm_;
    diagramForm_ = nullptr;
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
    WordEdit->setToolTip(WordHint);
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
    chooserModel_ = new TStateListModel(*machine_, *config_, this);
    chooserModel_->SetNamesOnly(true);
    BegStateComboBox->setModel(chooserModel_);

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
    connect(m, &TMachine::wordChanged, this, &TMainForm::ShowWord);
    connect(ABCEdit, &QLineEdit::textEdited, m, &TMachine::SetAlphabetText);
    connect(WordEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
        // The menu's Cut and Delete reach even a read-only edit: of a long word's beginning, taking it all
        // deletes the word, taking a part of it changes nothing.
        if (!WordEdit->isReadOnly())
            machine_->SetWordText(text);
        else if (text.isEmpty())
            machine_->SetWordText(QString());
        else
            ShowWord();
    });

    connect(m, &TMachine::statesChanged, this, [this] {
        const QSignalBlocker block(BegStateComboBox);
        // The chooser reads the names from the machine: nothing is copied however long the list.
        chooserModel_->Reset();
        // The chooser's current item is the initial state, or none: an arrow key then starts from there.
        BegStateComboBox->setCurrentIndex(machine_->FindState(machine_->GetInitialState()));
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
        if (!fileName_.isEmpty()) {
            editedOutsideHistory_ = true;
            SetModified(true);
        }
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

    runToEnd_ = std::make_unique<TRunToEnd>(*machine_, *engine_, *config_);
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(250);
    connect(progressTimer_, &QTimer::timeout, this, &TMainForm::ShowRunProgress);
    // The progress counts from every start of the worker: Shift+F9, and the run going on after a question
    // it paused for (the close query, a breakpoint).
    connect(runToEnd_.get(), &TRunToEnd::started, this, &TMainForm::BeginRunProgress);
    connect(engine_.get(), &TEngine::runStateChanged, this, [this](RunState, RunState now) {
        if (!runToEnd_->Active())
            return;
        if (now == Running) {
            BeginRunProgress();
        } else if (progressTimer_->isActive()) {
            // Stopped: the run's average stays in view, however long the box that follows is up.
            progressTimer_->stop();
            ShowRunProgress();
        }
    });
    connect(runToEnd_.get(), &TRunToEnd::finished, this, [this] {
        progressTimer_->stop();
        ScheduleRepaint(RepaintAll);
    });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (runToEnd_->Active())
            engine_->SetRunState(Paused);
    });
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
    // While Running the machine keeps what changed to itself; it tells its views here, once a frame.
    if (engine_->GetRunState() == Running && machine_->RunDirty())
        machine_->FlushRun();
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
        // The step panel shows a run to the end's progress while it goes.
        const int panels = runToEnd_ && runToEnd_->Active() ? 2 : 3;
        for (int i = 0; i < panels; ++i)
            statusPanels_[i]->setText(machine_->StatusText(i));
        runLamp_->state = engine_->GetRunState();
        runLamp_->update();
    }
}

void TMainForm::RunStateChanged(RunState, RunState now) {
    UpdateActions();
    RefreshEditing();
    ScheduleRepaint(RepaintAll);
    if (now != Running)
        FlushRepaint();
    StepTimer->setInterval(config_->RunSpeed);
}

void TMainForm::RunToEndItemClick() {
    runToEnd_->Start();
    if (!runToEnd_->Active())
        progressTimer_->stop();
}

void TMainForm::BeginRunProgress() {
    progressSteps_ = runToEnd_->Steps();
    progressTimer_->start();
    progressClock_.start();
}

void TMainForm::ShowRunProgress() {
    // The average since the run went on: a run shorter than the timer's interval shows it too.
    const qint64 steps = runToEnd_->Steps();
    const qint64 ns = std::max<qint64>(1, progressClock_.nsecsElapsed());
    const qint64 rate = qint64(double(steps - progressSteps_) * 1e9 / double(ns));
    statusPanels_[2]->setText(QStringLiteral("Шаг %1, %2 шагов/с").arg(steps).arg(rate));
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
    const bool enabled = state != Running && state != Paused && !fileName_.isEmpty() && !TestSetChecking();
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

void TMainForm::DataCheckExecute() {
    if (!DataCheckEnabled(engine_->GetRunState(), !fileName_.isEmpty()))
        return;
    TEngine::TPause pause(*engine_);
    ShowDataCheck();
}

void TMainForm::ShowDataCheck() {
    RunDataCheck(*validation_, *prompts_, this, HelpOpener());
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
    if (testSetForm_ && !testSetForm_->QuerySave())
        return stay();
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
    if (StateListMousePress(watched, event))
        return true;
    if (event->type() == QEvent::KeyPress && (watched == ABCEdit || watched == WordEdit)) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        const bool typed = !text.isEmpty() && text[0].unicode() >= 32 && text[0].unicode() != 127 &&
                           !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (watched == ABCEdit && typed && !machine_->AlphabetKeyAllowed(text[0]))
            return true;
        if (watched == WordEdit && typed && !machine_->WordKeyAllowed(text[0], false))
            return true;
        if (watched == WordEdit && WordEdit->isReadOnly())
            return ReplaceLongWord(*key, typed);
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::ShowWord() {
    const QString& word = machine_->Word();
    const bool longWord = word.size() > LongWord;
    const QString shown = longWord ? word.left(ShownOfLongWord) + QChar(0x2026) : word;
    if (WordEdit->text() == shown && WordEdit->isReadOnly() == longWord)
        return;
    WordEdit->setReadOnly(longWord);
    WordEdit->setToolTip(longWord ? QStringLiteral("Слово из %1 символов показано не целиком; чтобы заменить его, "
                                                   "выделите все и удалите или наберите новое")
                                        .arg(word.size())
                                  : WordHint);
    // The typing limit never cuts a longer word that came from a file.
    WordEdit->setMaxLength(std::max(int(TMachine::MaxTypedWord), int(shown.size())));
    const int cursor = WordEdit->cursorPosition();
    WordEdit->setText(shown);
    WordEdit->setCursorPosition(std::min(cursor, int(shown.size())));
}

bool TMainForm::ReplaceLongWord(const QKeyEvent& key, bool typed) {
    const bool erase = key.key() == Qt::Key_Backspace || key.key() == Qt::Key_Delete;
    if (!typed && !erase)
        return false; // moving, selecting and copying work as in any read-only edit
    if (WordEdit->selectedText().size() != WordEdit->text().size()) {
        prompts_->Asterisk();
        return true;
    }
    machine_->SetWordText(erase ? QString() : key.text().left(1));
    WordEdit->end(false);
    return true;
}

void TMainForm::EditCommand(const std::function<void(QLineEdit*)>& command) {
    QWidget* focus = QApplication::focusWidget();
    if (auto* edit = qobject_cast<QLineEdit*>(focus))
        command(edit);
    else if (auto* combo = qobject_cast<QComboBox*>(focus); combo && combo->lineEdit())
        command(combo->lineEdit());
}
