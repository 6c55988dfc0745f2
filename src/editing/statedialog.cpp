#include "editing/statedialog.h"

#include "machine/machine.h"
#include "platform/codepage.h"
#include "platform/dialogwidget.h"
#include "platform/prompts.h"
#include "settings/config.h"

#include <QAbstractItemView>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int HelpContext = 2006;
constexpr int MaxStateName = 16;

const QString AddCaption = QStringLiteral("Добавление состояния");
const QString EditCaption = QStringLiteral("Редактирование состояния");
const QString DeleteCaption = QStringLiteral("Удаление состояния");

} // namespace

QValidator::State TCodePageValidator::validate(QString& input, int&) const {
    if (codepage::Exists(input))
        return Acceptable;
    prompts_.Asterisk();
    return Invalid;
}

TStateDialog::TStateDialog(TMachine& machine, TPrompts& prompts, int selectedState, QWidget* parent)
    : QDialog(parent), machine_(machine), prompts_(prompts), selectedState_(selectedState) {
    setObjectName(QStringLiteral("StateDialog"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowContextHelpButtonHint);
    CreateControls();
    SetupMode(false);
}

void TStateDialog::CreateControls() {
    stateEdit_ = new QLineEdit(this);
    stateEdit_->setObjectName(QStringLiteral("StateEdit"));
    stateEdit_->setMaxLength(MaxStateName);
    stateEdit_->setValidator(new TCodePageValidator(prompts_, stateEdit_));
    stateEdit_->setProperty("helpContext", 1300);
    stateEdit_->setMinimumWidth(249);

    okButton_ = NamedButton(QStringLiteral("OKButton"), QStringLiteral("ОК"), 1310, this);
    cancelButton_ = NamedButton(QStringLiteral("CancelButton"), QStringLiteral("Отмена"), 1311, this);
    helpButton_ = NamedButton(QStringLiteral("HelpButton"), QStringLiteral("Помощь"), 1312, this);
    okButton_->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);
    buttons->addWidget(helpButton_);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(stateEdit_);
    layout->addLayout(buttons);
    stateEdit_->setFocus();

    connect(okButton_, &QPushButton::clicked, this, &TStateDialog::OKButtonClick);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(helpButton_, &QPushButton::clicked, this, [this] { emit helpRequested(HelpContext); });
}

QString TStateDialog::Name() const {
    return stateEdit_->text();
}

bool TStateDialog::SetupMode(bool edit) {
    editMode_ = edit;
    if (!edit) {
        setWindowTitle(AddCaption);
        savedName_.clear();
        return true;
    }
    setWindowTitle(EditCaption);
    if (selectedState_ < 0 || selectedState_ >= machine_.States().size()) {
        prompts_.Message(windowTitle(), QStringLiteral("Не могу найти редактируемое состояние"), TIcon::Stop);
        return false;
    }
    stateEdit_->setText(machine_.States()[selectedState_].name);
    savedName_ = TrimText(stateEdit_->text());
    return true;
}

void TStateDialog::OKButtonClick() {
    const QString name = TrimText(stateEdit_->text());
    if (name.isEmpty()) {
        prompts_.Message(windowTitle(), QStringLiteral("Пустое состояние"), TIcon::Stop);
        stateEdit_->setFocus();
        return;
    }
    // Renaming a state only in letter case does nothing.
    if (name.compare(savedName_, Qt::CaseInsensitive) == 0) {
        reject();
        return;
    }
    if (machine_.FindState(name) >= 0) {
        prompts_.Message(windowTitle(), QStringLiteral("Это состояние уже существует"), TIcon::Stop);
        stateEdit_->setFocus();
        return;
    }
    accept();
}

// ---- The window's state commands --------------------------------------------------------------------------

bool ExecuteStateAdd(QWidget* parent, TMachine& machine, TPrompts& prompts, const std::function<void(int)>& openHelp) {
    TStateDialog dialog(machine, prompts, -1, parent);
    if (openHelp)
        QObject::connect(&dialog, &TStateDialog::helpRequested, &dialog, openHelp);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (!machine.AddState(dialog.Name())) {
        prompts.Message(AddCaption, QStringLiteral("Ошибка добавления состояния"), TIcon::Stop);
        return false;
    }
    machine.NoteEdited();
    return true;
}

bool ExecuteStateEdit(QWidget* parent, TMachine& machine, TPrompts& prompts, int index,
                      const std::function<void(int)>& openHelp) {
    TStateDialog dialog(machine, prompts, index, parent);
    if (!dialog.SetupMode(true))
        return false;
    if (openHelp)
        QObject::connect(&dialog, &TStateDialog::helpRequested, &dialog, openHelp);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    // The dialog has checked the name; a rename that fails anyway changes nothing and says nothing.
    return machine.RenameState(index, dialog.Name());
}

bool ExecuteStateDel(TMachine& machine, TPrompts& prompts, int index) {
    if (machine.Settings().DelState &&
        prompts.Message(DeleteCaption, QStringLiteral("Вы действительно хотите удалить текущее состояние?"),
                        TIcon::Question, ButtonsOkCancel, TAnswer::Cancel) != TAnswer::Ok)
        return false;
    if (!machine.RemoveState(index)) {
        prompts.Message(DeleteCaption, QStringLiteral("Ошибка удаления состояния"), TIcon::Stop);
        return false;
    }
    return true;
}

bool StateAddEnabled(RunState runState, bool machineOpen) {
    return runState == Ready && machineOpen;
}

bool StateEditEnabled(RunState runState, bool machineOpen, int stateCount, bool listHasFocus, int selectedState) {
    return stateCount > 0 && listHasFocus && selectedState >= 0 && selectedState < stateCount &&
           StateAddEnabled(runState, machineOpen);
}

void StateListMouseDown(QAbstractItemView* list, const QPoint& position) {
    if (!list->hasFocus())
        list->setFocus(Qt::MouseFocusReason);
    const QModelIndex item = list->indexAt(position);
    if (item.isValid() &&
        !(list->selectionModel() && list->selectionModel()->isSelected(item) && list->currentIndex() == item))
        list->setCurrentIndex(item);
}
