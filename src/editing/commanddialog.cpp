#include "editing/commanddialog.h"

#include "editing/statedialog.h"
#include "machine/machine.h"
#include "platform/dialogwidget.h"
#include "platform/prompts.h"
#include "settings/config.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int HelpContext = 2004;
constexpr int MaxStateName = 16;

const QString AddCaption = QStringLiteral("Добавление команды");
const QString EditCaption = QStringLiteral("Редактирование команды");
const QString CheckCaption = QStringLiteral("Проверка команды");
const QString DeleteCaption = QStringLiteral("Удаление команды");

QComboBox* Field(const QString& name, int maxLength, int width, int helpContext, TPrompts& prompts, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    // The dialog adds items itself, and only after asking; completion would change what the user typed.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr);
    box->lineEdit()->setMaxLength(maxLength);
    box->setValidator(new TCodePageValidator(prompts, box));
    box->setMinimumWidth(width);
    box->setProperty("helpContext", helpContext);
    return box;
}

// The state and symbol lists are sorted without regard to letter case; the edit text stays as typed.
void AddSorted(QComboBox* box, const QString& text) {
    const QString typed = box->currentText();
    int i = 0;
    while (i < box->count() && box->itemText(i).compare(text, Qt::CaseInsensitive) <= 0)
        ++i;
    box->insertItem(i, text);
    box->setCurrentIndex(-1);
    box->setEditText(typed);
}

bool HasItem(const QComboBox* box, const QString& text) {
    for (int i = 0; i < box->count(); ++i)
        if (box->itemText(i).compare(text, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Whether the widget is the container or lies inside it, pop-up windows included.
bool Inside(const QWidget* widget, const QWidget* container) {
    for (; widget; widget = widget->parentWidget())
        if (widget == container)
            return true;
    return false;
}

} // namespace

TCommandDialog::TCommandDialog(TMachine& machine, TPrompts& prompts, int currentRow, QWidget* parent)
    : QDialog(parent), machine_(machine), prompts_(prompts), currentRow_(currentRow) {
    setObjectName(QStringLiteral("CommandDialog"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowContextHelpButtonHint);
    CreateControls();
    try {
        FillLists();
    } catch (...) {
        // The lists keep what they got.
    }
    SetupMode(false);
    connect(qApp, &QApplication::focusChanged, this, &TCommandDialog::FocusChanged);
}

TCommandDialog::~TCommandDialog() {
    // The fields lose the focus as they go: that is no leaving to check.
    disconnect(qApp, nullptr, this, nullptr);
}

void TCommandDialog::CreateControls() {
    oldStateComboBox_ = Field(QStringLiteral("OldStateComboBox"), MaxStateName, 145, 1400, prompts_, this);
    oldABCComboBox_ = Field(QStringLiteral("OldABCComboBox"), 1, 121, 1401, prompts_, this);
    newStateComboBox_ = Field(QStringLiteral("NewStateComboBox"), MaxStateName, 145, 1402, prompts_, this);
    newABCComboBox_ = Field(QStringLiteral("NewABCComboBox"), 1, 121, 1403, prompts_, this);
    moveComboBox_ = Field(QStringLiteral("MoveComboBox"), 32767, 145, 1404, prompts_, this);
    moveComboBox_->addItems({MoveLeftText, MoveRightText, MoveStayText});
    moveComboBox_->setCurrentIndex(-1);
    moveComboBox_->setEditText(QString());

    okButton_ = NamedButton(QStringLiteral("OKButton"), QStringLiteral("ОК"), 1410, this);
    cancelButton_ = NamedButton(QStringLiteral("CancelButton"), QStringLiteral("Отмена"), 1411, this);
    helpButton_ = NamedButton(QStringLiteral("HelpButton"), QStringLiteral("Помошь"), 1412, this);
    okButton_->setDefault(true);

    // Each label names its box, for a screen reader too.
    const auto label = [this](const QString& name, const QString& text, QComboBox* box) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->setBuddy(box);
        box->setAccessibleName(text);
        return l;
    };
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(15);
    grid->addWidget(label(QStringLiteral("OldStateLabel"), QStringLiteral("Исходное состояние"), oldStateComboBox_), 0,
                    0);
    grid->addWidget(label(QStringLiteral("OldABCLabel"), QStringLiteral("Исходный символ"), oldABCComboBox_), 0, 1);
    grid->addWidget(oldStateComboBox_, 1, 0);
    grid->addWidget(oldABCComboBox_, 1, 1);
    grid->setRowMinimumHeight(2, 12);
    grid->addWidget(label(QStringLiteral("NewStateLabel"), QStringLiteral("Новое состояние"), newStateComboBox_), 3, 0);
    grid->addWidget(label(QStringLiteral("NewABCLabel"), QStringLiteral("Новый символ"), newABCComboBox_), 3, 1);
    grid->addWidget(newStateComboBox_, 4, 0);
    grid->addWidget(newABCComboBox_, 4, 1);
    grid->setRowMinimumHeight(5, 12);
    grid->addWidget(label(QStringLiteral("MoveLabel"), QStringLiteral("Перемещение"), moveComboBox_), 6, 0);
    grid->addWidget(moveComboBox_, 7, 0);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);
    buttons->addWidget(helpButton_);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    QWidget* order[] = {oldStateComboBox_, oldABCComboBox_, newStateComboBox_, newABCComboBox_,
                        moveComboBox_,     okButton_,       cancelButton_,     helpButton_};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
    oldStateComboBox_->setFocus();

    connect(okButton_, &QPushButton::clicked, this, &TCommandDialog::OKButtonClick);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(helpButton_, &QPushButton::clicked, this, [this] { emit helpRequested(HelpContext); });
}

void TCommandDialog::FillLists() {
    for (const TStateItem& state : machine_.States()) {
        AddSorted(oldStateComboBox_, state.name);
        AddSorted(newStateComboBox_, state.name);
    }
    QStringList symbols = TMachine::DistinctSymbols(machine_.Alphabet());
    // The blank is always a symbol a command may read and write.
    symbols.append(QString(BlankSymbol));
    for (const QString& symbol : symbols) {
        AddSorted(oldABCComboBox_, symbol);
        AddSorted(newABCComboBox_, symbol);
    }
}

bool TCommandDialog::SetupMode(bool edit) {
    editMode_ = edit;
    if (!edit) {
        setWindowTitle(AddCaption);
        return true;
    }
    setWindowTitle(EditCaption);
    if (currentRow_ < 0 || currentRow_ >= machine_.Commands().size()) {
        prompts_.Message(windowTitle(), QStringLiteral("Не могу найти редактируемую команду"), TIcon::Stop);
        return false;
    }
    const TCommandRow& row = machine_.Commands()[currentRow_];
    oldStateComboBox_->setEditText(row.sourceState);
    oldABCComboBox_->setEditText(row.sourceSymbol);
    newStateComboBox_->setEditText(row.newState);
    newABCComboBox_->setEditText(row.newSymbol);
    moveComboBox_->setEditText(row.move);
    savedOldState_ = TrimText(oldStateComboBox_->currentText());
    savedOldSymbol_ = oldABCComboBox_->currentText();
    savedNewState_ = TrimText(newStateComboBox_->currentText());
    savedNewSymbol_ = newABCComboBox_->currentText();
    savedMove_ = TrimText(moveComboBox_->currentText());
    return true;
}

void TCommandDialog::PresetSource(const QString& state, const QString& symbol) {
    oldStateComboBox_->setEditText(state);
    oldABCComboBox_->setEditText(symbol);
    newStateComboBox_->setFocus();
}

void TCommandDialog::PresetStates(const QString& state, const QString& newState) {
    oldStateComboBox_->setEditText(state);
    newStateComboBox_->setEditText(newState);
    oldABCComboBox_->setFocus();
}

// ---- Field checks -----------------------------------------------------------------------------------------

QComboBox* TCommandDialog::FieldOf(QWidget* widget) const {
    for (QComboBox* field : {oldStateComboBox_, oldABCComboBox_, newStateComboBox_, newABCComboBox_, moveComboBox_})
        if (Inside(widget, field))
            return field;
    return nullptr;
}

void TCommandDialog::FocusChanged(QWidget* old, QWidget* now) {
    if (checking_ || !old || !now)
        return;
    QComboBox* field = FieldOf(old);
    // Only a move to another control of this dialog leaves the field; OK checks everything itself, and
    // Cancel and Help need no check.
    if (!field || FieldOf(now) == field || !Inside(now, this) || now == okButton_ || now == cancelButton_ ||
        now == helpButton_)
        return;
    RunCheck(field);
}

bool TCommandDialog::RunCheck(QComboBox* field) {
    if (field == oldStateComboBox_)
        return ValidateOldState();
    if (field == oldABCComboBox_)
        return ValidateOldSymbol();
    if (field == newStateComboBox_)
        return ValidateNewState();
    if (field == newABCComboBox_)
        return ValidateNewSymbol();
    return ValidateMove();
}

bool TCommandDialog::Guarded(const QString& title, QComboBox* field, const std::function<bool()>& check) {
    const bool wasChecking = checking_;
    checking_ = true;
    bool result = false;
    try {
        result = check();
    } catch (...) {
        prompts_.Message(title, QStringLiteral("Неизвестная ошибка"), TIcon::Stop);
        result = Refuse(field);
    }
    checking_ = wasChecking;
    return result;
}

bool TCommandDialog::Refuse(QComboBox* field) {
    field->setFocus(Qt::OtherFocusReason);
    return false;
}

bool TCommandDialog::ValidateOldState() {
    return Guarded(QStringLiteral("Исходное состояние"), oldStateComboBox_,
                   [this] { return ValidateState(oldStateComboBox_, true); });
}

bool TCommandDialog::ValidateNewState() {
    return Guarded(QStringLiteral("Новое состояние"), newStateComboBox_,
                   [this] { return ValidateState(newStateComboBox_, false); });
}

bool TCommandDialog::ValidateOldSymbol() {
    return Guarded(QStringLiteral("Проверка исходного символа"), oldABCComboBox_,
                   [this] { return ValidateSymbol(oldABCComboBox_, true); });
}

bool TCommandDialog::ValidateNewSymbol() {
    return Guarded(QStringLiteral("Проверка нового символа"), newABCComboBox_,
                   [this] { return ValidateSymbol(newABCComboBox_, false); });
}

bool TCommandDialog::ValidateState(QComboBox* field, bool source) {
    const QString typed = field->currentText();
    const QString name = TrimText(typed);
    if (name.isEmpty()) {
        prompts_.ErrorDialog(source ? QStringLiteral("Не указано исходное состояние")
                                    : QStringLiteral("Не указано новое состояние"));
        return Refuse(field);
    }
    if (machine_.FindState(name) >= 0)
        return true;
    // The source-state question quotes the text as typed, the new-state one the name it would add.
    const QString shown = source ? typed : name;
    if (!prompts_.ConfirmDialog(QStringLiteral("Состояние '") + shown +
                                QStringLiteral("' не существует\nХотите его добавить?")))
        return Refuse(field);
    if (!machine_.AddState(name)) {
        prompts_.ErrorDialog(QStringLiteral("Ошибка добавления состояния"));
        return Refuse(field);
    }
    AddSorted(oldStateComboBox_, name);
    AddSorted(newStateComboBox_, name);
    return true;
}

bool TCommandDialog::ValidateSymbol(QComboBox* field, bool source) {
    // Not trimmed: a blank is a symbol like any other.
    const QString text = field->currentText();
    if (text.isEmpty()) {
        prompts_.ErrorDialog(source ? QStringLiteral("Введите исходный символ")
                                    : QStringLiteral("Введите новый символ"));
        return Refuse(field);
    }
    if (HasItem(field, text))
        return true;
    if (!prompts_.ConfirmDialog(QStringLiteral("Символ '") + text +
                                QStringLiteral("' не существует в алфавите\nХотите его добавить?")))
        return Refuse(field);
    if (!machine_.AddAlphabetSymbol(text)) {
        prompts_.ErrorDialog(QStringLiteral("Ошибка добавления символа"));
        return Refuse(field);
    }
    AddSorted(oldABCComboBox_, text);
    AddSorted(newABCComboBox_, text);
    return true;
}

bool TCommandDialog::ValidateMove() {
    return Guarded(QStringLiteral("Проверка перемещения"), moveComboBox_, [this] {
        const QString text = TrimText(moveComboBox_->currentText());
        moveComboBox_->setEditText(text);
        if (text.isEmpty()) {
            prompts_.ErrorDialog(QStringLiteral("Не указано направление перемещения"));
            return Refuse(moveComboBox_);
        }
        for (int i = 0; i < moveComboBox_->count(); ++i) {
            if (TrimText(moveComboBox_->itemText(i)).compare(text, Qt::CaseInsensitive) == 0) {
                moveComboBox_->setEditText(moveComboBox_->itemText(i));
                return true;
            }
        }
        prompts_.ErrorDialog(QStringLiteral("Указано несуществующее направление"));
        return Refuse(moveComboBox_);
    });
}

// ---- The command as a whole -------------------------------------------------------------------------------

void TCommandDialog::RefuseCommand(const QString& text) {
    prompts_.Message(CheckCaption, text, TIcon::Stop);
    oldStateComboBox_->setFocus(Qt::OtherFocusReason);
}

bool TCommandDialog::ValidateCommand() {
    if (!ValidateOldState() || !ValidateOldSymbol() || !ValidateNewState() || !ValidateNewSymbol() || !ValidateMove())
        return false;
    const QString source = TrimText(oldStateComboBox_->currentText());
    const QString sourceSymbol = oldABCComboBox_->currentText();
    // Letter case counts for the states and symbols here: q to Q is a real move to another state.
    if (source == TrimText(newStateComboBox_->currentText()) && sourceSymbol == newABCComboBox_->currentText() &&
        moveComboBox_->currentText().compare(MoveStayText, Qt::CaseInsensitive) == 0) {
        RefuseCommand(QStringLiteral("Эта команда приведет к зацикливанию машины"));
        return false;
    }
    try {
        const QString symbol = sourceSymbol.left(1);
        const QList<TCommandRow>& rows = machine_.Commands();
        for (int i = 0; i < rows.size(); ++i) {
            if (editMode_ && i == currentRow_)
                continue;
            if (rows[i].sourceState == source && rows[i].sourceSymbol == symbol) {
                RefuseCommand(QStringLiteral("Похожая команда уже существует\nИзмените исходное состояние, или "
                                             "исходный символ"));
                return false;
            }
        }
    } catch (...) {
        prompts_.Message(CheckCaption, QStringLiteral("Ошибка сравнения с существующими командами"), TIcon::Stop);
        reject();
        return false;
    }
    return true;
}

void TCommandDialog::OKButtonClick() {
    // OK checks every field itself; the focus it puts back is no leaving of a field.
    const bool wasChecking = checking_;
    checking_ = true;
    StoreCommand();
    checking_ = wasChecking;
}

void TCommandDialog::StoreCommand() {
    if (!ValidateCommand())
        return;
    const QString source = TrimText(oldStateComboBox_->currentText());
    const QString sourceSymbol = oldABCComboBox_->currentText();
    const QString target = TrimText(newStateComboBox_->currentText());
    const QString newSymbol = newABCComboBox_->currentText();
    const QString move = TrimText(moveComboBox_->currentText());
    if (editMode_) {
        TCommandRow row{source, sourceSymbol, target, newSymbol, move, 0};
        if (currentRow_ >= 0 && currentRow_ < machine_.Commands().size())
            row.mark = machine_.Commands()[currentRow_].mark;
        if (!machine_.SetCommandRow(currentRow_, row)) {
            prompts_.Message(EditCaption, QStringLiteral("Ошибка сохранения результатов редактирования"), TIcon::Stop);
            oldStateComboBox_->setFocus(Qt::OtherFocusReason);
            return;
        }
        // The edited row and the rows it duplicated or stopped duplicating get their marks right.
        if (machine_.Checks())
            machine_.Checks()->CheckCommands();
        // Nothing changed: the caller leaves the machine unmodified. A change of letter case alone is a change
        // of the row's text, so it must reach the file.
        if (source == savedOldState_ && target == savedNewState_ && sourceSymbol == savedOldSymbol_ &&
            newSymbol == savedNewSymbol_ && move == savedMove_) {
            reject();
            return;
        }
    } else if (!machine_.AddCommand(source, sourceSymbol, target, newSymbol, move)) {
        prompts_.Message(AddCaption, QStringLiteral("Ошибка добавления команды"), TIcon::Stop);
        oldStateComboBox_->setFocus(Qt::OtherFocusReason);
        return;
    }
    accept();
}

// ---- The window's command commands ------------------------------------------------------------------------

namespace {

bool ExecuteCommandDialog(QWidget* parent, TMachine& machine, TPrompts& prompts, int row, bool edit,
                          const std::function<void(int)>& openHelp, const QStringList& source = {}) {
    TCommandDialog dialog(machine, prompts, row, parent);
    if (!dialog.SetupMode(edit))
        return false;
    if (source.size() == 2)
        dialog.PresetSource(source[0], source[1]);
    if (openHelp)
        QObject::connect(&dialog, &TCommandDialog::helpRequested, &dialog, openHelp);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    machine.NoteEdited();
    return true;
}

} // namespace

bool ExecuteCommandAdd(QWidget* parent, TMachine& machine, TPrompts& prompts,
                       const std::function<void(int)>& openHelp) {
    return ExecuteCommandDialog(parent, machine, prompts, -1, false, openHelp);
}

bool ExecuteCommandAddFor(QWidget* parent, TMachine& machine, TPrompts& prompts, const QString& state,
                          const QString& symbol, const std::function<void(int)>& openHelp) {
    return ExecuteCommandDialog(parent, machine, prompts, -1, false, openHelp, {state, symbol});
}

bool ExecuteCommandAddBetween(QWidget* parent, TMachine& machine, TPrompts& prompts, const QString& state,
                              const QString& newState, const std::function<void(int)>& openHelp) {
    TCommandDialog dialog(machine, prompts, -1, parent);
    if (!dialog.SetupMode(false))
        return false;
    dialog.PresetStates(state, newState);
    if (openHelp)
        QObject::connect(&dialog, &TCommandDialog::helpRequested, &dialog, openHelp);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    machine.NoteEdited();
    return true;
}

bool ExecuteCommandEdit(QWidget* parent, TMachine& machine, TPrompts& prompts, int row,
                        const std::function<void(int)>& openHelp) {
    return ExecuteCommandDialog(parent, machine, prompts, row, true, openHelp);
}

bool ExecuteCommandDel(TMachine& machine, TPrompts& prompts, int row) {
    if (machine.Settings().DelCommand &&
        prompts.Message(DeleteCaption, QStringLiteral("Вы действительно хотите удалить текущую команду?"),
                        TIcon::Question, ButtonsOkCancel, TAnswer::Cancel) != TAnswer::Ok)
        return false;
    if (!machine.RemoveCommand(row)) {
        prompts.Message(DeleteCaption, QStringLiteral("Ошибка удаления команды"), TIcon::Stop);
        return false;
    }
    machine.NoteEdited();
    // The duplicate marks of the rows that remain.
    if (machine.Checks())
        machine.Checks()->CheckCommands();
    return true;
}

bool CommandAddEnabled(RunState runState, bool machineOpen) {
    return runState == Ready && machineOpen;
}

bool CommandEditEnabled(RunState runState, bool machineOpen, int commandCount, int currentRow) {
    return commandCount > 0 && currentRow >= 0 && currentRow < commandCount && CommandAddEnabled(runState, machineOpen);
}
