#include "breakpoints/breakpointdialog.h"

#include "breakpoints/breakpoint.h"
#include "machine/machine.h"
#include "platform/prompts.h"
#include "platform/updownwidget.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace {

constexpr int HelpContext = 2003;
constexpr int MaxPasses = 9999;
constexpr int PassDigits = 4;

const QString AddCaption = QStringLiteral("Добавление контрольной точки");
const QString EditCaption = QStringLiteral("Редактирование контрольной точки");

bool AllDigits(const QString& text) {
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

bool Contains(const QWidget* field, const QWidget* w) {
    return w && (w == field || field->isAncestorOf(w));
}

// The edit's own shortcuts stay usable; what they put into the field is checked as any change is.
bool IsEditShortcut(const QKeyEvent* event) {
    for (const auto key : {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste, QKeySequence::SelectAll,
                           QKeySequence::Undo, QKeySequence::Redo})
        if (event->matches(key))
            return true;
    return false;
}

} // namespace

// ---- TBreakPointDialog --------------------------------------------------------------------------------------

TBreakPointDialog::TBreakPointDialog(TBreakPointList& list, TMachine& machine, TPrompts& prompts, QWidget* parent)
    : QDialog(parent), list_(list), machine_(machine), prompts_(prompts) {
    setObjectName(QStringLiteral("BreakPointDialog"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowContextHelpButtonHint);
    CreateControls();
    FillChoices();
    SetupMode(false);
    connect(qApp, &QApplication::focusChanged, this, &TBreakPointDialog::FocusChanged);
}

TBreakPointDialog::~TBreakPointDialog() {
    // The fields lose the focus while they are destroyed: that is no leaving to be checked.
    disconnect(qApp, nullptr, this, nullptr);
}

void TBreakPointDialog::CreateControls() {
    auto label = [this](const QString& name, const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->setBuddy(buddy);
        return l;
    };
    auto combo = [this](const QString& name, int helpContext) {
        auto* c = new QComboBox(this);
        c->setObjectName(name);
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        // Completion ignores letter case and would store q10 for a typed q1: a breakpoint is what was typed.
        c->setCompleter(nullptr);
        c->setProperty("helpContext", helpContext);
        return c;
    };
    auto button = [this](const QString& name, const QString& text, int helpContext) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setProperty("helpContext", helpContext);
        b->setAutoDefault(false);
        return b;
    };

    stateComboBox_ = combo(QStringLiteral("StateComboBox"), 1220);
    stateComboBox_->setMinimumWidth(137);
    abcComboBox_ = combo(QStringLiteral("ABCComboBox"), 1221);
    abcComboBox_->lineEdit()->setMaxLength(1);
    abcComboBox_->setMinimumWidth(113);
    passEdit_ = new QLineEdit(this);
    passEdit_->setObjectName(QStringLiteral("PassEdit"));
    passEdit_->setMaxLength(PassDigits);
    passEdit_->setProperty("helpContext", 1222);
    passEdit_->setMinimumWidth(73);
    passUpDown_ = new TUpDown(passEdit_, this);
    passUpDown_->SetRange(0, MaxPasses);
    passUpDown_->setObjectName(QStringLiteral("PassUpDown"));
    passUpDown_->setProperty("helpContext", 1222);
    passUpDown_->SetPosition(0);
    enableCheckBox_ = new QCheckBox(QStringLiteral("Активность"), this);
    enableCheckBox_->setObjectName(QStringLiteral("EnableCheckBox"));
    enableCheckBox_->setProperty("helpContext", 1223);
    okButton_ = button(QStringLiteral("OKButton"), QStringLiteral("ОК"), 1230);
    okButton_->setDefault(true);
    cancelButton_ = button(QStringLiteral("CancelButton"), QStringLiteral("Отмена"), 1231);
    helpButton_ = button(QStringLiteral("HelpButton"), QStringLiteral("Помощь"), 1232);

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(8);
    fields->addWidget(label(QStringLiteral("StateLabel"), QStringLiteral("Состояние"), stateComboBox_), 0, 0);
    fields->addWidget(label(QStringLiteral("ABCLabel"), QStringLiteral("Символ"), abcComboBox_), 0, 1);
    fields->addWidget(label(QStringLiteral("PassLabel"), QStringLiteral("Кол-во проходов"), passEdit_), 0, 2, 1, 2);
    fields->addWidget(stateComboBox_, 1, 0);
    fields->addWidget(abcComboBox_, 1, 1);
    auto* pass = new QHBoxLayout;
    pass->setSpacing(0);
    pass->addWidget(passEdit_);
    pass->addWidget(passUpDown_);
    fields->addLayout(pass, 1, 2);
    fields->setColumnStretch(0, 137);
    fields->setColumnStretch(1, 113);
    fields->setColumnStretch(2, 93);

    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);
    buttons->addWidget(helpButton_);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(fields);
    layout->addSpacing(8);
    layout->addWidget(enableCheckBox_);
    layout->addSpacing(8);
    layout->addWidget(bevel);
    layout->addLayout(buttons);

    setTabOrder(stateComboBox_, abcComboBox_);
    setTabOrder(abcComboBox_, passEdit_);
    setTabOrder(passEdit_, enableCheckBox_);
    setTabOrder(enableCheckBox_, okButton_);
    setTabOrder(okButton_, cancelButton_);
    setTabOrder(cancelButton_, helpButton_);

    passEdit_->installEventFilter(this);
    connect(passEdit_, &QLineEdit::textChanged, this, &TBreakPointDialog::PassEditChange);
    connect(okButton_, &QPushButton::clicked, this, &TBreakPointDialog::OKButtonClick);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(helpButton_, &QPushButton::clicked, this, [this] { emit helpRequested(HelpContext); });
}

void TBreakPointDialog::FillChoices() {
    // A choice list that cannot be filled only leaves the user typing.
    try {
        for (const TStateItem& s : machine_.States())
            stateComboBox_->addItem(s.name);
    } catch (...) {
    }
    try {
        if (!machine_.Alphabet().isEmpty())
            abcComboBox_->addItems(TMachine::DistinctSymbols(machine_.Alphabet()));
    } catch (...) {
    }
    abcComboBox_->addItem(QString(BlankSymbol));
}

void TBreakPointDialog::SetupMode(bool edit) {
    if (editIndex_ < 0)
        edit = false;
    if (!edit) {
        setWindowTitle(AddCaption);
        stateComboBox_->setCurrentIndex(-1);
        stateComboBox_->setEditText(QString());
        abcComboBox_->setCurrentIndex(-1);
        abcComboBox_->setEditText(QString());
    } else {
        setWindowTitle(EditCaption);
        if (editIndex_ >= list_.Count()) {
            prompts_.Message(windowTitle(), QStringLiteral("Редактируемая контрольная точка не найдена"), TIcon::Stop);
            editIndex_ = -1;
            edit = false;
        } else {
            const TBreakPoint& p = list_.At(editIndex_);
            savedState_ = TrimText(p.State);
            savedSymbol_ = p.Symbol;
            savedPasses_ = p.Passes;
            savedEnabled_ = p.Enabled;
            stateComboBox_->setEditText(savedState_);
            abcComboBox_->setEditText(savedSymbol_);
            if (p.Passes > MaxPasses) {
                // The arrows cannot hold it: the field shows it whole and keeps it until the user changes it.
                keptPasses_ = QString::number(p.Passes);
                passEdit_->setMaxLength(int(keptPasses_.size()));
                passUpDown_->SetPosition(MaxPasses);
                passEdit_->setText(keptPasses_);
            } else {
                passUpDown_->SetPosition(p.Passes);
            }
            enableCheckBox_->setChecked(p.Enabled);
        }
    }
    editMode_ = edit;
}

bool TBreakPointDialog::SetEditIndex(int index) {
    editIndex_ = index;
    SetupMode(index >= 0);
    return editMode_ || index < 0;
}

bool TBreakPointDialog::Refuse(const QString& caption, const QString& text, QWidget* focus) {
    const bool wasChecking = checking_;
    checking_ = true;
    prompts_.Message(caption, text, TIcon::Stop);
    focus->setFocus(Qt::OtherFocusReason);
    checking_ = wasChecking;
    return false;
}

bool TBreakPointDialog::ValidateState() {
    const QString caption = QStringLiteral("Проверка состояния");
    try {
        const QString name = TrimText(stateComboBox_->currentText());
        if (name.isEmpty() || machine_.FindState(name) >= 0)
            return true;
        return Refuse(caption, QStringLiteral("Состояние '") + name + QStringLiteral("' не найдено в списке состояний"),
                      stateComboBox_);
    } catch (...) {
        return Refuse(caption, QStringLiteral("Неизвестная ошибка"), stateComboBox_);
    }
}

bool TBreakPointDialog::ValidateSymbol() {
    const QString caption = QStringLiteral("Проверка символа");
    try {
        const QString text = abcComboBox_->currentText();
        if (text.isEmpty() || abcComboBox_->findText(text, Qt::MatchFixedString) >= 0)
            return true;
        return Refuse(caption, QStringLiteral("Символ '") + text + QStringLiteral("' не существует в алфавите"),
                      abcComboBox_);
    } catch (...) {
        return Refuse(caption, QStringLiteral("Неизвестная ошибка"), abcComboBox_);
    }
}

bool TBreakPointDialog::ValidatePasses() {
    const QString text = passEdit_->text().trimmed();
    if (!text.isEmpty() && AllDigits(text)) {
        bool ok = false;
        text.toInt(&ok, 10);
        if (ok)
            return true;
    }
    return Refuse(QStringLiteral("Проверка количества проходов"),
                  QStringLiteral("Не могу распознать количество проходов"), passUpDown_);
}

int TBreakPointDialog::PassCount() const {
    return passEdit_->text().trimmed().toInt(nullptr, 10);
}

bool TBreakPointDialog::ValidateBreakPoint() {
    if (!ValidateState() || !ValidateSymbol() || !ValidatePasses())
        return false;
    const QString state = TrimText(stateComboBox_->currentText());
    const QString symbol = abcComboBox_->currentText().left(1);
    const int n = PassCount();
    for (int i = 0; i < list_.Count(); ++i) {
        if (editMode_ && i == editIndex_)
            continue;
        const TBreakPoint& p = list_.At(i);
        if (p.Passes == n && p.State == state && p.Symbol == symbol)
            return Refuse(QStringLiteral("Проверка контрольной точки"), QStringLiteral("Такая точка уже существует"),
                          stateComboBox_);
    }
    return true;
}

void TBreakPointDialog::OKButtonClick() {
    if (!ValidateBreakPoint())
        return;
    const QString state = TrimText(stateComboBox_->currentText());
    const QString symbol = abcComboBox_->currentText();
    const int n = PassCount();
    const bool enabled = enableCheckBox_->isChecked();
    if (editMode_) {
        if (editIndex_ < 0 || editIndex_ >= list_.Count()) {
            Refuse(EditCaption, QStringLiteral("Контрольная точка не найдена"), stateComboBox_);
            return;
        }
        TBreakPoint& p = list_.At(editIndex_);
        try {
            // Counter stays: a paused run goes on counting from where it was.
            p.State = state;
            p.SetSymbol(symbol);
            p.Passes = n;
            p.Enabled = enabled;
        } catch (...) {
            Refuse(EditCaption, QStringLiteral("Ошибка сохранения результатов редактирования"), stateComboBox_);
            return;
        }
        if (TrimText(p.State) == savedState_ && p.Symbol == savedSymbol_ && p.Passes == savedPasses_ &&
            p.Enabled == savedEnabled_) {
            // Nothing changed: the caller must not mark the machine modified.
            done(QDialog::Rejected);
            return;
        }
        list_.NotifyChanged();
    } else {
        try {
            list_.AddBreakPoint(std::make_unique<TBreakPoint>(enabled, n, state, symbol));
        } catch (...) {
            prompts_.Message(AddCaption, QStringLiteral("Ошибка добавления контрольной точки"), TIcon::Stop);
            return;
        }
    }
    accept();
    machine_.RefreshBreakMarks();
}

void TBreakPointDialog::FocusChanged(QWidget* old, QWidget* now) {
    // Focus going to another window (a message box among them) or to a button is no leaving of a field.
    if (checking_ || !isVisible() || !now || now->window() != this)
        return;
    if (now == okButton_ || now == cancelButton_ || now == helpButton_)
        return;
    checking_ = true;
    if (Contains(stateComboBox_, old) && !Contains(stateComboBox_, now))
        ValidateState();
    else if (Contains(abcComboBox_, old) && !Contains(abcComboBox_, now))
        ValidateSymbol();
    else if (Contains(passEdit_, old) && !Contains(passEdit_, now))
        ValidatePasses();
    checking_ = false;
}

bool TBreakPointDialog::PassTextAcceptable(const QString& text) const {
    if (text.isEmpty() || !AllDigits(text))
        return false;
    return text.size() <= PassDigits || text == keptPasses_;
}

void TBreakPointDialog::PassEditChange(const QString& text) {
    if (PassTextAcceptable(text))
        return;
    prompts_.Asterisk();
    passEdit_->setText(QString::number(passUpDown_->Position()));
}

bool TBreakPointDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched != passEdit_ || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    // PassEditKeyPress: digits and Backspace only; the arrows' keys step the count.
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Up:
        passUpDown_->Step(1);
        return true;
    case Qt::Key_Down:
        passUpDown_->Step(-1);
        return true;
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return false;
    default:
        break;
    }
    if (key->text().isEmpty() || IsEditShortcut(key) || AllDigits(key->text()))
        return false;
    prompts_.Asterisk();
    return true;
}

bool ExecuteBreakAdd(QWidget* parent, TBreakPointList& list, TMachine& machine, TPrompts& prompts,
                     const std::function<void(int)>& openHelp) {
    try {
        TBreakPointDialog dialog(list, machine, prompts, parent);
        if (openHelp)
            QObject::connect(&dialog, &TBreakPointDialog::helpRequested, &dialog, openHelp);
        dialog.SetupMode(false);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        emit machine.edited();
        return true;
    } catch (...) {
        prompts.Message(AddCaption, QStringLiteral("Ошибка добавления контрольной точки"), TIcon::Stop);
        return false;
    }
}
