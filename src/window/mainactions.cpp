// The main window's actions: one table says each entry's caption, key, help context, menu, handler and when
// it may be used; the menus are built from it and UpdateActions() sets every entry's state from it.

#include "window/mainform.h"

#include "check/validation.h"
#include "editing/statedialog.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "window/tapeview.h"
#include "window/undohistory.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>

namespace {

constexpr int Key(QKeyCombination key) {
    return key.toCombined();
}

// The edits claim Ctrl+Z, Ctrl+Y and Ctrl+K for their own undo, redo and line deletion, which would keep
// the view entries' keys from ever working while an edit has the focus. The window's entries own those
// keys: an edit gives up any key of an enabled entry it watches for.
class TEntryKeyFilter : public QObject {
public:
    TEntryKeyFilter(QList<QAction*> entries, QObject* parent) : QObject(parent), entries_(std::move(entries)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride)
            return QObject::eventFilter(watched, event);
        const QKeySequence typed(static_cast<QKeyEvent*>(event)->keyCombination());
        for (const QAction* entry : entries_) {
            if (entry->isEnabled() && entry->shortcut() == typed) {
                event->ignore();
                return true;
            }
        }
        return false;
    }

private:
    QList<QAction*> entries_;
};

} // namespace

const std::vector<TMainForm::TActionRow>& TMainForm::ActionTable() {
    using M = TMenuId;
    const auto idle = [](const TMainForm& f) { return f.RunStateIs({NoMachine, Ready}); };
    const auto ready = [](const TMainForm& f) { return f.RunStateIs({Ready}); };
    const auto running = [](const TMainForm& f) { return f.RunStateIs({Running, Paused}); };
    const auto notRunning = [](const TMainForm& f) { return !f.RunStateIs({Running}); };
    const auto machineShown = [](const TMainForm& f) { return !f.RunStateIs({NoMachine}); };
    const auto canStep = [](const TMainForm& f) { return f.RunStateIs({Ready, Paused}); };
    const auto canStepBack = [](const TMainForm& f) { return f.engine_->CanStepBack(); };
    const auto fileReady = [](const TMainForm& f) { return !f.fileName_.isEmpty() && f.RunStateIs({Ready}); };
    const auto fileOpen = [](const TMainForm& f) { return !f.fileName_.isEmpty(); };
    const auto modified = [](const TMainForm& f) { return f.modified_; };
    const auto stateAdd = [](const TMainForm& f) {
        return StateAddEnabled(f.engine_->GetRunState(), !f.fileName_.isEmpty());
    };
    const auto stateEdit = [](const TMainForm& f) { return f.StateEditAllowed(); };
    const auto commandEdit = [](const TMainForm& f) { return f.CommandEditAllowed(); };
    // A field's own typing is undone first, as in any edit; then the machine's steps, while it may be edited.
    const auto undo = [](const TMainForm& f) {
        const QLineEdit* typing = f.TypingEdit();
        return (typing && typing->isUndoAvailable()) ||
               (f.HistoryAllowed() && f.history_ && f.history_->Stack().canUndo());
    };
    const auto redo = [](const TMainForm& f) {
        return f.HistoryAllowed() && f.history_ && f.history_->Stack().canRedo();
    };
    const auto logShown = [](const TMainForm& f) { return f.logForm_ != nullptr; };
    const auto dataCheck = [](const TMainForm& f) {
        return DataCheckEnabled(f.engine_->GetRunState(), !f.fileName_.isEmpty());
    };
    constexpr bool Separated = true;

    // clang-format off
    static const std::vector<TActionRow> table{
        // action                         name               caption                          key                                  help  menu        separator  handler                              enabled
        {&TMainForm::NewFileItem,     "NewFileItem",     u"&новый",                       Key(Qt::CTRL | Qt::Key_N),             3000, M::File,    false,     &TMainForm::NewFileItemClick,     idle},
        {&TMainForm::OpenFileItem,    "OpenFileItem",    u"&открыть",                     Key(Qt::CTRL | Qt::Key_O),             3001, M::File,    false,     &TMainForm::OpenFileItemClick,    idle},
        {&TMainForm::ImportFileItem,  "ImportFileItem",  u"&импорт",                      0,                                     3006, M::File,    false,     &TMainForm::ImportFileItemClick,  idle},
        {&TMainForm::ExportFileItem,  "ExportFileItem",  u"&экспорт",                     0,                                     3009, M::File,    false,     &TMainForm::ExportFileItemClick,  fileOpen},
        {&TMainForm::FileClosing,     "FileClosing",     u"&закрыть",                     Key(Qt::CTRL | Qt::Key_C),             3002, M::File,    false,     &TMainForm::FileClosingExecute,   fileReady},
        {&TMainForm::SaveFileItem,    "SaveFileItem",    u"&cохранить",                   Key(Qt::CTRL | Qt::Key_S),             3003, M::File,    Separated, &TMainForm::SaveFileItemClick,    modified},
        {&TMainForm::SaveFileAsItem,  "SaveFileAsItem",  u"сохранить &как",               0,                                     3004, M::File,    false,     &TMainForm::SaveFileAsItemClick,  fileOpen},
        {&TMainForm::PrintItem,       "PrintItem",       u"&печать",                      Key(Qt::CTRL | Qt::Key_P),             3007, M::File,    Separated, &TMainForm::PrintItemClick,       fileOpen},
        {&TMainForm::ExportHtmlItem,  "ExportHtmlItem",  u"экспорт в &HTML",              0,                                     3008, M::File,    false,     &TMainForm::ExportHtmlItemClick,  fileOpen},
        {&TMainForm::ExitItem,        "ExitItem",        u"&выход",                       Key(Qt::ALT | Qt::Key_F4),             3005, M::File,    Separated, nullptr,                          nullptr},

        {&TMainForm::StateAdd,        "StateAdd",        u"Добавить",                     Key(Qt::CTRL | Qt::ALT | Qt::Key_A),   3010, M::States,  false,     &TMainForm::StateAddExecute,      stateAdd},
        {&TMainForm::StateDel,        "StateDel",        u"Удалить",                      Key(Qt::CTRL | Qt::ALT | Qt::Key_D),   3012, M::States,  false,     &TMainForm::StateDelExecute,      stateEdit},
        {&TMainForm::StateEdit,       "StateEdit",       u"Изменить",                     Key(Qt::CTRL | Qt::ALT | Qt::Key_E),   3011, M::States,  false,     &TMainForm::StateEditExecute,     stateEdit},
        {&TMainForm::CommandAdd,      "CommandAdd",      u"Добавить",                     Key(Qt::SHIFT | Qt::CTRL | Qt::Key_A), 3013, M::Commands, false,    &TMainForm::CommandAddExecute,    stateAdd},
        {&TMainForm::CommandDel,      "CommandDel",      u"Удалить",                      Key(Qt::SHIFT | Qt::CTRL | Qt::Key_D), 3015, M::Commands, false,    &TMainForm::CommandDelExecute,    commandEdit},
        {&TMainForm::CommandEdit,     "CommandEdit",     u"Изменить",                     Key(Qt::SHIFT | Qt::CTRL | Qt::Key_E), 3014, M::Commands, false,    &TMainForm::CommandEditExecute,   commandEdit},
        {&TMainForm::EditDelete,      "EditDelete",      u"&удалить",                     0,                                     3016, M::Edit,    false,     nullptr,                          nullptr},
        {&TMainForm::EditCut,         "EditCut",         u"вы&резать",                    Key(Qt::CTRL | Qt::Key_X),             3017, M::Edit,    false,     nullptr,                          nullptr},
        {&TMainForm::EditCopy,        "EditCopy",        u"&копировать",                  Key(Qt::CTRL | Qt::Key_C),             3018, M::Edit,    false,     nullptr,                          nullptr},
        {&TMainForm::EditPaste,       "EditPaste",       u"&вставить",                    Key(Qt::CTRL | Qt::Key_V),             3019, M::Edit,    false,     nullptr,                          nullptr},
        {&TMainForm::EditUndo,        "EditUndo",        u"&Отменить",                    Key(Qt::ALT | Qt::Key_Backspace),      3020, M::Edit,    Separated, &TMainForm::UndoItemClick,        undo},
        {&TMainForm::EditRedo,        "EditRedo",        u"&Повторить",                   Key(Qt::SHIFT | Qt::ALT | Qt::Key_Backspace), 3021, M::Edit, false, &TMainForm::RedoItemClick,        redo},
        {&TMainForm::EditSelectAll,   "EditSelectAll",   u"выделить все",                 Key(Qt::CTRL | Qt::Key_A),             0,    M::None,    false,     nullptr,                          nullptr},

        {&TMainForm::StartItem,       "StartItem",       u"ста&рт",                       Key(Qt::Key_F9),                       1004, M::Run,     false,     nullptr,                          ready},
        {&TMainForm::ResetItem,       "ResetItem",       u"с&брос",                       Key(Qt::CTRL | Qt::Key_F2),            1006, M::Run,     false,     nullptr,                          running},
        {&TMainForm::BreakItem,       "BreakItem",       u"прерва&ть",                    Key(Qt::Key_F12),                      1007, M::Run,     false,     nullptr,                          machineShown},
        {&TMainForm::NextStepItem,    "NextStepItem",    u"сле&дующий шаг",               Key(Qt::Key_F8),                       1005, M::Run,     false,     nullptr,                          canStep},
        {&TMainForm::StepBackItem,    "StepBackItem",    u"шаг &назад",                   Key(Qt::SHIFT | Qt::Key_F8),           1008, M::Run,     false,     nullptr,                          canStepBack},
        {&TMainForm::RunToEndItem,    "RunToEndItem",    u"до &конца",                    Key(Qt::SHIFT | Qt::Key_F9),           1010, M::Run,     false,     &TMainForm::RunToEndItemClick,    canStep},

        {&TMainForm::BreakList,       "BreakList",       u"&контрольные точки",           Key(Qt::CTRL | Qt::ALT | Qt::Key_B),   3030, M::Service, false,     &TMainForm::BreakListExecute,     fileOpen},
        {&TMainForm::DataCheck,       "DataCheck",       u"проверка &данных",             Key(Qt::CTRL | Qt::Key_F9),            3031, M::Service, false,     &TMainForm::DataCheckExecute,     dataCheck},
        {&TMainForm::TableItem,       "TableItem",       u"&таблица переходов",           Key(Qt::CTRL | Qt::Key_T),             3039, M::Service, false,     &TMainForm::TableItemExecute,     fileOpen},
        {&TMainForm::TestSetItem,     "TestSetItem",     u"проверка на &наборе слов",     0,                                     3038, M::Service, false,     &TMainForm::TestSetExecute,       machineShown},
        {&TMainForm::TaskBookItem,    "TaskBookItem",    u"&Задачник",                    0,                                     3070, M::Service, false,     &TMainForm::TaskBookExecute,      nullptr},
        {&TMainForm::TaskBookOpenItem, "TaskBookOpenItem", u"Открыть зада&чник…",         0,                                     3071, M::Service, false,     &TMainForm::TaskBookOpenExecute,  nullptr},
        {&TMainForm::LogView,         "LogView",         u"&отчет",                       Key(Qt::Key_F6),                       3032, M::Service, false,     &TMainForm::LogViewExecute,       logShown},
        {&TMainForm::LogSave,         "LogSave",         u"&сохранить отчет",             Key(Qt::SHIFT | Qt::CTRL | Qt::Key_S), 3033, M::Service, false,     &TMainForm::LogSaveExecute,       logShown},
        {&TMainForm::DiagramView,     "DiagramView",     u"&диаграмма состояний",         Key(Qt::Key_F7),                       3037, M::Service, false,     &TMainForm::DiagramViewExecute,   nullptr},
        {&TMainForm::SpaceTimeItem,   "SpaceTimeItem",   u"&ход вычисления",              0,                                     3072, M::Service, false,     &TMainForm::SpaceTimeExecute,     machineShown},
        {&TMainForm::CostItem,        "CostItem",        u"с&ложность",                   0,                                     3073, M::Service, false,     &TMainForm::CostExecute,          machineShown},
        {&TMainForm::ConfigItem,      "ConfigItem",      u"п&араметры",                   Key(Qt::Key_F11),                      3034, M::Service, false,     &TMainForm::ConfigItemExecute,    notRunning},
        {&TMainForm::SaveConfigItem,  "SaveConfigItem",  u"сохранить &параметры",         Key(Qt::SHIFT | Qt::Key_F11),          3035, M::Service, false,     &TMainForm::SaveConfigItemClick,  nullptr},
        {&TMainForm::SaveDeskTopItem, "SaveDeskTopItem", u"сохранить &рабочий стол",      Key(Qt::CTRL | Qt::Key_F11),           3036, M::Service, false,     &TMainForm::SaveDeskTopItemClick, nullptr},
        {&TMainForm::BreakAdd,        "BreakAdd",        u"Добавить контольную точку",    Key(Qt::CTRL | Qt::Key_F5),            0,    M::None,    false,     &TMainForm::BreakAddExecute,      fileOpen},

        {&TMainForm::TheoryItem,      "TheoryItem",      u"&теория",                      0,                                     3040, M::Help,    false,     &TMainForm::TheoryItemClick,     nullptr},
        {&TMainForm::ContentsItem,    "ContentsItem",    u"&содержание",                  Key(Qt::CTRL | Qt::Key_F1),            3041, M::Help,    false,     &TMainForm::ContentsItemClick,   nullptr},
        {&TMainForm::HelpItem,        "HelpItem",        u"&помощь",                      0,                                     3042, M::Help,    false,     &TMainForm::HelpItemClick,       nullptr},
        {&TMainForm::WhatsThisItem,   "WhatsThisItem",   u"&что это такое",               Key(Qt::SHIFT | Qt::Key_F1),           3043, M::Help,    false,     &TMainForm::WhatsThisItemClick,  nullptr},
        {&TMainForm::AboutItem,       "AboutItem",       u"&о программе",                 0,                                     3044, M::Help,    false,     &TMainForm::AboutItemClick,      nullptr},

        {&TMainForm::ViewABC,         "ViewABC",         u"Алфавит",                      Key(Qt::CTRL | Qt::Key_K),             0,    M::None,    false,     nullptr,                          ready},
        {&TMainForm::ViewWord,        "ViewWord",        u"Слово",                        Key(Qt::CTRL | Qt::Key_J),             0,    M::None,    false,     nullptr,                          ready},
        {&TMainForm::ViewCommand,     "ViewCommand",     u"Команды",                      Key(Qt::CTRL | Qt::Key_R),             0,    M::None,    false,     nullptr,                          ready},
        {&TMainForm::ViewBegState,    "ViewBegState",    u"Начальное состояние",          Key(Qt::CTRL | Qt::Key_Y),             0,    M::None,    false,     nullptr,                          ready},
        {&TMainForm::ViewState,       "ViewState",       u"Состояния",                    Key(Qt::CTRL | Qt::Key_Z),             0,    M::None,    false,     nullptr,                          ready},
        {&TMainForm::WordUpdate,      "WordUpdate",      u"Обновить",                     Key(Qt::CTRL | Qt::Key_W),             1001, M::None,    false,     nullptr,                          idle},

        {&TMainForm::DiagramZoomInItem, "DiagramZoomInItem", u"Крупнее",                      Key(Qt::CTRL | Qt::Key_Plus),          3080, M::Diagram, false,     &TMainForm::DiagramZoomInExecute, nullptr},
        {&TMainForm::DiagramZoomOutItem, "DiagramZoomOutItem", u"Мельче",                       Key(Qt::CTRL | Qt::Key_Minus),         3081, M::Diagram, false,     &TMainForm::DiagramZoomOutExecute, nullptr},
        {&TMainForm::DiagramFitItem, "DiagramFitItem", u"По размеру окна",              Key(Qt::CTRL | Qt::Key_0),             3082, M::Diagram, false,     &TMainForm::DiagramFitExecute,    nullptr},
        {&TMainForm::DiagramArrangeItem, "DiagramArrangeItem", u"Упорядочить",                  0,                                     3083, M::Diagram, false,     &TMainForm::DiagramArrangeExecute, nullptr},
        {&TMainForm::DiagramSvgItem, "DiagramSvgItem", u"Сохранить SVG...",             0,                                     3084, M::Diagram, false,     &TMainForm::DiagramSvgExecute,    nullptr},
        {&TMainForm::DiagramPngItem, "DiagramPngItem", u"Сохранить PNG...",             0,                                     3085, M::Diagram, false,     &TMainForm::DiagramPngExecute,    nullptr},
    };
    // clang-format on
    return table;
}

bool TMainForm::RunStateIs(std::initializer_list<RunState> states) const {
    return std::find(states.begin(), states.end(), engine_->GetRunState()) != states.end();
}

void TMainForm::CreateActions() {
    for (const TActionRow& row : ActionTable()) {
        auto* action = new QAction(QString::fromUtf16(row.caption), this);
        action->setObjectName(QString::fromLatin1(row.name));
        // The state and command entries show no key in the menu; a hidden copy carries it.
        if (row.key && (row.menu == TMenuId::States || row.menu == TMenuId::Commands)) {
            auto* hidden = new QAction(action->text(), this);
            hidden->setObjectName(action->objectName() + QStringLiteral("Key"));
            hidden->setShortcut(QKeySequence(row.key));
            connect(hidden, &QAction::triggered, action, &QAction::trigger);
            connect(action, &QAction::enabledChanged, hidden, &QAction::setEnabled);
            addAction(hidden);
        } else if (row.key) {
            action->setShortcut(QKeySequence(row.key));
        }
        if (row.helpContext)
            action->setProperty(HelpContextProperty, row.helpContext);
        if (row.handler)
            connect(action, &QAction::triggered, this, row.handler);
        // The diagram's entries and their keys work in the diagram window only.
        if (row.menu != TMenuId::Diagram)
            addAction(action);
        this->*row.action = action;
    }
    connect(ExitItem, &QAction::triggered, this, &QWidget::close);

    // The edits handle these keys themselves; the entries' keys must not shadow "&закрыть" (Ctrl+C).
    for (QAction* a : {EditCut, EditCopy, EditPaste, EditSelectAll})
        a->setShortcutContext(Qt::WidgetShortcut);
    connect(EditDelete, &QAction::triggered, this, [this] { EditCommand([](QLineEdit* e) { e->del(); }); });
    connect(EditCut, &QAction::triggered, this, [this] { EditCommand([](QLineEdit* e) { e->cut(); }); });
    connect(EditCopy, &QAction::triggered, this, [this] { EditCommand([](QLineEdit* e) { e->copy(); }); });
    connect(EditPaste, &QAction::triggered, this, [this] { EditCommand([](QLineEdit* e) { e->paste(); }); });
    connect(EditSelectAll, &QAction::triggered, this, [this] { EditCommand([](QLineEdit* e) { e->selectAll(); }); });

    // A Run menu entry does exactly what its button does.
    connect(StartItem, &QAction::triggered, StartButton, &QPushButton::click);
    connect(ResetItem, &QAction::triggered, ResetButton, &QPushButton::click);
    connect(BreakItem, &QAction::triggered, BreakButton, &QPushButton::click);
    connect(NextStepItem, &QAction::triggered, NextStepButton, &QPushButton::click);
    connect(StartButton, &QPushButton::clicked, engine_.get(), &TEngine::Start);
    connect(ResetButton, &QPushButton::clicked, engine_.get(), &TEngine::Reset);
    connect(BreakButton, &QPushButton::clicked, engine_.get(), &TEngine::Break);
    connect(NextStepButton, &QPushButton::clicked, engine_.get(), &TEngine::NextStep);
    connect(StepBackItem, &QAction::triggered, engine_.get(), &TEngine::StepBack);
    // Each step by hand (and each step back) changes how far back the run can go, not the run state.
    connect(machine_.get(), &TMachine::statusChanged, this,
            [this] { StepBackItem->setEnabled(engine_->CanStepBack()); });

    const std::pair<QAction*, QWidget*> views[] = {{ViewABC, ABCEdit},
                                                   {ViewWord, WordEdit},
                                                   {ViewCommand, CommandListView},
                                                   {ViewBegState, BegStateComboBox},
                                                   {ViewState, StateListBox}};
    for (const auto& [action, control] : views)
        connect(action, &QAction::triggered, control, [control] { control->setFocus(Qt::ShortcutFocusReason); });
    auto* viewKeys =
        new TEntryKeyFilter({ViewABC, ViewWord, ViewCommand, ViewBegState, ViewState, EditUndo, EditRedo}, this);
    // The chooser hands its shortcut events to its inner edit directly, past that edit's filters: it is
    // watched itself as well.
    for (QWidget* edit :
         std::initializer_list<QWidget*>{ABCEdit, WordEdit, BegStateComboBox, BegStateComboBox->lineEdit()})
        edit->installEventFilter(viewKeys);

    connect(WordUpdate, &QAction::triggered, this, [this] {
        machine_->BuildTape(machine_->Word());
        if (machine_->Checks())
            machine_->Checks()->CheckWordCells();
    });
    tapeView_->addAction(WordUpdate);
}

void TMainForm::ShareGlobalActions(QWidget* window) {
    // Not "&закрыть" (Ctrl+C would close the machine where it copies elsewhere) nor "&выход" (Alt+F4 closes the
    // window it is pressed in).
    for (const TActionRow& row : ActionTable())
        if ((row.menu == TMenuId::File || row.menu == TMenuId::Run) && row.key && this->*row.action != FileClosing &&
            this->*row.action != ExitItem)
            window->addAction(this->*row.action);
}

void TMainForm::CreateMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("Ф&айл"));
    QMenu* edit = menuBar()->addMenu(QStringLiteral("Р&едактировние"));
    QMenu* states = edit->addMenu(QStringLiteral("состояние"));
    QMenu* commands = edit->addMenu(QStringLiteral("команды"));
    QMenu* run = menuBar()->addMenu(QStringLiteral("В&ыполнение"));
    QMenu* service = menuBar()->addMenu(QStringLiteral("Сер&вис"));
    QMenu* help = menuBar()->addMenu(QStringLiteral("Помощ&ь"));
    const std::pair<TMenuId, QMenu*> menus[] = {
        {TMenuId::File, file}, {TMenuId::Edit, edit},       {TMenuId::States, states}, {TMenuId::Commands, commands},
        {TMenuId::Run, run},   {TMenuId::Service, service}, {TMenuId::Help, help}};
    for (const TActionRow& row : ActionTable()) {
        for (const auto& [id, menu] : menus) {
            if (id != row.menu)
                continue;
            if (row.separatorBefore)
                menu->addSeparator();
            menu->addAction(this->*row.action);
        }
    }

    // The pop-up menus' entries carry the list's own keys (Ins, F4, Del), which work only while the list
    // has the focus; the menu bar's entries carry the keys that work anywhere.
    const struct {
        QWidget* list;
        QAction* target;
        Qt::Key key;
    } popups[] = {{StateListBox, StateAdd, Qt::Key_Insert},   {StateListBox, StateEdit, Qt::Key_F4},
                  {StateListBox, StateDel, Qt::Key_Delete},   {CommandListView, CommandAdd, Qt::Key_Insert},
                  {CommandListView, CommandEdit, Qt::Key_F4}, {CommandListView, CommandDel, Qt::Key_Delete}};
    for (const auto& p : popups) {
        auto* entry = new QAction(p.target->text(), p.list);
        entry->setShortcut(QKeySequence(p.key));
        entry->setEnabled(p.target->isEnabled());
        entry->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(entry, &QAction::triggered, p.target, &QAction::trigger);
        connect(p.target, &QAction::enabledChanged, entry, &QAction::setEnabled);
        p.list->addAction(entry);
    }
}

void TMainForm::UpdateActions() {
    for (const TActionRow& row : ActionTable())
        (this->*row.action)->setEnabled(!row.enabled || row.enabled(*this));
    KeepMachineForCheck();
    UpdateHistoryActions();
    BreakItem->setText(engine_->BreakCaption());
    StartButton->setEnabled(StartItem->isEnabled());
    NextStepButton->setEnabled(NextStepItem->isEnabled());
    ResetButton->setEnabled(ResetItem->isEnabled());
    BreakButton->setEnabled(BreakItem->isEnabled());
    BreakButton->setText(engine_->BreakCaption());
}
