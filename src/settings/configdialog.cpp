#include "settings/configdialog.h"

#include "platform/prompts.h"
#include "platform/screenwidget.h"
#include "settings/config.h"
#include "platform/updownwidget.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <memory>
#include <utility>

namespace {

constexpr int HelpContext = 2005;
constexpr int PageCount = 5;
constexpr int GridWidth = 260;
const char* const HelpContextProperty = "helpContext";

using TColourPair = TConfigDialog::TColourPair;

struct TColourRow {
    const char16_t* text;
    int TConfig::*font;
    int TConfig::*background;
};

const std::array<TColourRow, 5> ColourRows = {{
    {u"Активная контрольная точка", &TConfig::EnableBreakFont, &TConfig::EnableBreakBackground},
    {u"Неактивная контрольная точка", &TConfig::DisableBreakFont, &TConfig::DisableBreakBackground},
    {u"Текущая команда", &TConfig::ActiveCommandFont, &TConfig::ActiveCommandBackground},
    {u"Текущая контрольная точка", &TConfig::ActiveBreakFont, &TConfig::ActiveBreakBackground},
    {u"Ошибка", &TConfig::ErrorFont, &TConfig::ErrorBackground},
}};

struct TMessageRow {
    const char* name;
    const char16_t* caption;
    bool TConfig::*key;
    int helpContext;
};

const std::array<TMessageRow, 7> MessageRows = {{
    {"DelBreakCheckBox", u"Удаление контрольной точки", &TConfig::DelBreak, 1120},
    {"DelStateCheckBox", u"Удаление состояния", &TConfig::DelState, 1121},
    {"DelCommandCheckBox", u"Удаление команды", &TConfig::DelCommand, 1122},
    {"NormalLoadCheckBox", u"Нормальная загрузка файла данных", &TConfig::NormalLoad, 1123},
    {"StopOnBreakCheckBox", u"Останов в контрольной точке", &TConfig::StopOnBreak, 1124},
    {"CloseFileCheckBox", u"Закрытие файла", &TConfig::CloseFile, 1125},
    {"ExitCheckBox", u"Выход из программы", &TConfig::Exit, 1126},
}};

QString Text(const char16_t* text) {
    return QString::fromUtf16(text);
}

// Settings colours are 0x00BBGGRR: red in the lowest byte.
QColor ToColor(int value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int FromColor(const QColor& color) {
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

template <typename T>
T* Named(T* widget, const QString& name, const QString& hint = QString()) {
    widget->setObjectName(name);
    if (!hint.isEmpty())
        widget->setToolTip(hint);
    return widget;
}

QCheckBox* CheckBox(const QString& name, const QString& caption, const QString& hint, QWidget* parent) {
    return Named(new QCheckBox(caption, parent), name, hint);
}

QGroupBox* GroupBox(const QString& name, const QString& title, QWidget* parent) {
    return Named(new QGroupBox(title, parent), name);
}

QFrame* Separator(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// Each row of the colour grid in its own pair: its text colour on its background, the text 10 pixels from
// the left and 5 below the top. The selected row gets a dotted frame so the buttons' target shows.
class TColourPairDelegate : public QStyledItemDelegate {
public:
    TColourPairDelegate(const std::array<TColourPair, 5>& colours, QObject* parent)
        : QStyledItemDelegate(parent), colours_(colours) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (index.row() < 0 || index.row() >= int(colours_.size()))
            return;
        const TColourPair& pair = colours_[size_t(index.row())];
        painter->save();
        painter->setClipRect(option.rect);
        painter->fillRect(option.rect, ToColor(pair.background));
        painter->setPen(ToColor(pair.font));
        painter->setFont(option.font);
        painter->drawText(option.rect.adjusted(10, 5, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                          index.data().toString());
        if (option.state & QStyle::State_Selected) {
            painter->setPen(QPen(ToColor(pair.font), 1, Qt::DotLine));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(option.rect.adjusted(1, 1, -2, -2));
        }
        painter->restore();
    }

private:
    const std::array<TColourPair, 5>& colours_;
};

} // namespace

TConfigDialog::TConfigDialog(TConfig& config, TPrompts& prompts, TConfigTarget& target, bool runActive, QWidget* parent)
    : QDialog(parent), config_(config), prompts_(prompts), target_(target) {
    setObjectName(QStringLiteral("ConfigDialog"));
    setWindowTitle(QStringLiteral("Параметры"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowContextHelpButtonHint);
    CreateControls();

    SetPage(TConfigPage::General);
    for (int row = 0; row < int(ColourRows.size()); ++row)
        colorGrid_->setItem(row, 0, new QTableWidgetItem(Text(ColourRows[size_t(row)].text)));
    colorGrid_->setCurrentCell(0, 0);
    LoadFromSettings();
    speedLabel_->setText(IntervalText(speedTrackBar_->value()));
    // During a run the tape may already have grown to the limit: the limit may grow but not shrink.
    if (runActive)
        countDiesUpDown_->SetRange(config_.DiesCount, countDiesUpDown_->Maximum());
    AssignHelpContexts();

    // The dialog sees keys before its controls: page switching and the number edits' key filter.
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
}

// ---- Controls ----------------------------------------------------------------------------------------------

void TConfigDialog::CreateControls() {
    pageControl_ = Named(new QTabWidget(this), QStringLiteral("PageControl"));
    pageControl_->addTab(CreateGeneralPage(), QStringLiteral("Общие"));
    pageControl_->addTab(CreateRunPage(), QStringLiteral("Выполнение"));
    pageControl_->addTab(CreateMessagePage(), QStringLiteral("Сообщения"));
    pageControl_->addTab(CreateColorPage(), QStringLiteral("Цвета"));
    pageControl_->addTab(CreateLogPage(), QStringLiteral("Отчет"));

    auto button = [this](const QString& name, const QString& caption, const QString& hint) {
        auto* b = Named(new QPushButton(caption, this), name, hint);
        b->setAutoDefault(false);
        return b;
    };
    okButton_ =
        button(QStringLiteral("OKButton"), QStringLiteral("ОК"), QStringLiteral("Выход с сохранением настроек"));
    cancelButton_ = button(QStringLiteral("CancelButton"), QStringLiteral("Отмена"),
                           QStringLiteral("Выход без сохранения настроек"));
    applyButton_ =
        button(QStringLiteral("ApplyButton"), QStringLiteral("Применить"), QStringLiteral("Сохранение настроек"));
    helpButton_ = button(QStringLiteral("HelpButton"), QStringLiteral("Помощь"), QStringLiteral("Помощь"));
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, [this] {
        OKButtonClick();
        accept();
    });
    // Esc reaches QDialog::reject as well.
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(applyButton_, &QPushButton::clicked, this, &TConfigDialog::OKButtonClick);
    connect(helpButton_, &QPushButton::clicked, this, &TConfigDialog::HelpButtonClick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {okButton_, cancelButton_, applyButton_, helpButton_})
        buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(pageControl_);
    layout->addLayout(buttons);
}

TUpDown* TConfigDialog::NumberEdit(QLineEdit*& edit, const QString& name, int maxLength, int min, int max, int step) {
    edit = Named(new QLineEdit(this), name + QStringLiteral("Edit"));
    edit->setMaxLength(maxLength);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QString(maxLength + 1, u'0')) + 12);
    auto* upDown = Named(new TUpDown(edit, this), name + QStringLiteral("UpDown"));
    upDown->SetRange(min, max);
    upDown->SetIncrement(step);
    upDown->SetPosition(min);
    QLineEdit* e = edit;
    connect(edit, &QLineEdit::textChanged, this, [this, e, upDown] { NumberEditChange(e, upDown); });
    return upDown;
}

QWidget* TConfigDialog::CreateGeneralPage() {
    auto* page = Named(new QWidget, QStringLiteral("GeneralPage"));

    auto* dies = GroupBox(QStringLiteral("DiesGroupBox"), QStringLiteral("  # - символы  "), page);
    countDiesUpDown_ = NumberEdit(countDiesEdit_, QStringLiteral("CountDies"), 2, 1, 99, 1);
    auto* diesRow = new QHBoxLayout(dies);
    diesRow->addWidget(Named(new QLabel(QStringLiteral("Ограничивать кол-во "), page), QStringLiteral("Label8")));
    diesRow->addWidget(countDiesEdit_);
    diesRow->addWidget(countDiesUpDown_);
    diesRow->addStretch(1);

    auto* autoSave = GroupBox(QStringLiteral("GroupBox2"), QStringLiteral("  Автосохранение  "), page);
    saveConfigCheckBox_ = CheckBox(QStringLiteral("SaveConfigCheckBox"), QStringLiteral("Параметры"),
                                   QStringLiteral("Автосохранение настроек программы"), page);
    saveFileCheckBox_ = CheckBox(QStringLiteral("SaveFileCheckBox"), QStringLiteral("Файл"),
                                 QStringLiteral("Автосохранение файла данных"), page);
    saveDeskTopCheckBox_ = CheckBox(QStringLiteral("SaveDeskTopCheckBox"), QStringLiteral("Рабочий стол"),
                                    QStringLiteral("Автосохранение настроек рабочего стола"), page);
    auto* autoSaveColumn = new QVBoxLayout(autoSave);
    for (QCheckBox* box : {saveConfigCheckBox_, saveFileCheckBox_, saveDeskTopCheckBox_})
        autoSaveColumn->addWidget(box);

    auto* hints = GroupBox(QStringLiteral("GroupBox3"), QStringLiteral("  Всплывающие подсказки  "), page);
    viewHintCheckBox_ = CheckBox(QStringLiteral("ViewHintCheckBox"), QStringLiteral("Показывать всплывающие подсказки"),
                                 QStringLiteral("Показывать всплывающие подсказки"), page);
    connect(viewHintCheckBox_, &QCheckBox::toggled, this, &TConfigDialog::SetHintsEnabled);
    periodHintUpDown_ = NumberEdit(periodHintEdit_, QStringLiteral("PeriodHint"), 5, 1, 30000, 100);
    pauseHintUpDown_ = NumberEdit(pauseHintEdit_, QStringLiteral("PauseHint"), 5, 1, 30000, 100);
    auto* hintGrid = new QGridLayout;
    auto hintRow = [&](int row, const QString& labelName, const QString& caption, QLineEdit* edit, TUpDown* upDown,
                       const QString& unitName, const QString& hint) {
        QWidget* parts[] = {Named(new QLabel(caption, page), labelName), edit, upDown,
                            Named(new QLabel(QStringLiteral("мсек."), page), unitName)};
        auto* editBox = new QHBoxLayout;
        editBox->setSpacing(0);
        editBox->addWidget(edit);
        editBox->addWidget(upDown);
        hintGrid->addWidget(parts[0], row, 0);
        hintGrid->addLayout(editBox, row, 1);
        hintGrid->addWidget(parts[3], row, 2);
        for (QWidget* w : parts)
            w->setToolTip(hint);
    };
    hintRow(0, QStringLiteral("Label2"), QStringLiteral("Показать через"), periodHintEdit_, periodHintUpDown_,
            QStringLiteral("Label3"), QStringLiteral("Время до \"всплытия\" подсказки"));
    hintRow(1, QStringLiteral("Label4"), QStringLiteral("Скрыть через"), pauseHintEdit_, pauseHintUpDown_,
            QStringLiteral("Label5"), QStringLiteral("Время показа подсказки"));
    hintGrid->setColumnStretch(3, 1);
    auto* hintColumn = new QVBoxLayout(hints);
    hintColumn->addWidget(viewHintCheckBox_);
    hintColumn->addLayout(hintGrid);

    // The edit history's memory: the oldest steps are forgotten beyond it.
    auto* undo = GroupBox(QStringLiteral("UndoGroupBox"), QStringLiteral("  Отмена изменений  "), page);
    undoMemoryUpDown_ = NumberEdit(undoMemoryEdit_, QStringLiteral("UndoMemory"), 3, 1, 999, 1);
    auto* undoRow = new QHBoxLayout(undo);
    const QString undoHint = QStringLiteral("Память для истории изменений машины");
    QWidget* undoParts[] = {
        Named(new QLabel(QStringLiteral("Хранить историю изменений до"), page), QStringLiteral("UndoMemoryLabel")),
        undoMemoryEdit_, undoMemoryUpDown_,
        Named(new QLabel(QStringLiteral("Мб"), page), QStringLiteral("UndoMemoryUnit"))};
    for (QWidget* w : undoParts) {
        w->setToolTip(undoHint);
        undoRow->addWidget(w);
    }
    undoRow->addStretch(1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(dies);
    layout->addWidget(autoSave);
    layout->addWidget(hints);
    layout->addWidget(undo);
    layout->addStretch(1);
    return page;
}

QWidget* TConfigDialog::CreateRunPage() {
    auto* page = Named(new QWidget, QStringLiteral("RunPage"));
    useBreakCheckBox_ = CheckBox(QStringLiteral("UseBreakCheckBox"), QStringLiteral("Использовать контрольные точки"),
                                 QStringLiteral("Разрешает ипользование контрольных точек"), page);
    onlyStepCheckBox_ = CheckBox(QStringLiteral("OnlyStepCheckBox"), QStringLiteral("Пошаговый режим"),
                                 QStringLiteral("Работа машины Тьюрига только в пошаговом режиме"), page);
    connect(onlyStepCheckBox_, &QCheckBox::toggled, this, &TConfigDialog::SetStepOnly);
    historyCheckBox_ =
        CheckBox(QStringLiteral("HistoryCheckBox"), QStringLiteral("Проверять на зацикливание"), QString(), page);
    saveFileRunCheckBox_ = CheckBox(QStringLiteral("SaveFileRunCheckBox"),
                                    QStringLiteral("Сохранять файл при старте машины"), QString(), page);

    const QString interval = QStringLiteral("Интервал между командами (сек)");
    speedTrackBar_ = Named(new QSlider(Qt::Horizontal, page), QStringLiteral("SpeedTrackBar"), interval);
    speedTrackBar_->setRange(1, 10000);
    speedTrackBar_->setSingleStep(500);
    speedTrackBar_->setPageStep(500);
    speedTrackBar_->setTickInterval(500);
    speedTrackBar_->setTickPosition(QSlider::TicksBelow);
    speedLabel_ = Named(new QLabel(page), QStringLiteral("SpeedLabel"));
    speedLabel_->setAlignment(Qt::AlignCenter);
    connect(speedTrackBar_, &QSlider::valueChanged, this, [this](int ms) { speedLabel_->setText(IntervalText(ms)); });

    auto* layout = new QVBoxLayout(page);
    for (QCheckBox* box : {useBreakCheckBox_, onlyStepCheckBox_, historyCheckBox_, saveFileRunCheckBox_})
        layout->addWidget(box);
    layout->addSpacing(8);
    layout->addWidget(Named(new QLabel(interval, page), QStringLiteral("Label1")));
    layout->addWidget(speedTrackBar_);
    layout->addWidget(speedLabel_);
    layout->addStretch(1);
    return page;
}

QWidget* TConfigDialog::CreateMessagePage() {
    auto* page = Named(new QWidget, QStringLiteral("MessagePage"));
    auto* layout = new QVBoxLayout(page);
    for (size_t i = 0; i < MessageRows.size(); ++i) {
        messageCheckBoxes_[i] =
            CheckBox(QString::fromLatin1(MessageRows[i].name), Text(MessageRows[i].caption), QString(), page);
        layout->addWidget(messageCheckBoxes_[i]);
        if (i == 2 || i == 4)
            layout->addWidget(Separator(page));
    }
    layout->addStretch(1);
    return page;
}

QWidget* TConfigDialog::CreateColorPage() {
    auto* page = Named(new QWidget, QStringLiteral("ColorPage"));
    colorGrid_ = Named(new QTableWidget(int(ColourRows.size()), 1, page), QStringLiteral("ColorGrid"));
    colorGrid_->horizontalHeader()->hide();
    colorGrid_->verticalHeader()->hide();
    colorGrid_->setShowGrid(false);
    colorGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    colorGrid_->setSelectionMode(QAbstractItemView::SingleSelection);
    colorGrid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    colorGrid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    colorGrid_->setItemDelegate(new TColourPairDelegate(workColours_, colorGrid_));
    colorGrid_->setColumnWidth(0, GridWidth);
    const int rowHeight = colorGrid_->fontMetrics().height() + 12;
    for (int row = 0; row < colorGrid_->rowCount(); ++row)
        colorGrid_->setRowHeight(row, rowHeight);
    const int frame = 2 * colorGrid_->frameWidth();
    colorGrid_->setFixedSize(GridWidth + frame, rowHeight * colorGrid_->rowCount() + frame);

    fontButton_ = Named(new QPushButton(QStringLiteral("Цвет &шрифта"), page), QStringLiteral("FontButton"),
                        QStringLiteral("Выбор цвета шрифта"));
    backgroundButton_ = Named(new QPushButton(QStringLiteral("Цвет &фона"), page), QStringLiteral("BackgroundButton"),
                              QStringLiteral("Выбор цвета фона"));
    for (QPushButton* b : {fontButton_, backgroundButton_})
        b->setAutoDefault(false);
    connect(fontButton_, &QPushButton::clicked, this, &TConfigDialog::FontButtonClick);
    connect(backgroundButton_, &QPushButton::clicked, this, &TConfigDialog::BackgroundButtonClick);

    // The buttons' accelerators are Cyrillic letters; these keys sit under them on a Russian keyboard, so the
    // accelerators work whatever layout is active. They act while this page is in front.
    auto hidden = [page](const QString& name, const QString& caption, Qt::Key key) {
        auto* action = Named(new QAction(caption, page), name);
        action->setShortcut(QKeySequence(Qt::ALT | key));
        page->addAction(action);
        return action;
    };
    connect(hidden(QStringLiteral("FontColorItem"), QStringLiteral("Цвет шрифта"), Qt::Key_I), &QAction::triggered,
            this, &TConfigDialog::FontButtonClick);
    connect(hidden(QStringLiteral("BuckgroundColorItem"), QStringLiteral("Цвет фона"), Qt::Key_A), &QAction::triggered,
            this, &TConfigDialog::BackgroundButtonClick);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(fontButton_);
    buttons->addWidget(backgroundButton_);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(colorGrid_, 0, Qt::AlignTop);
    layout->addLayout(buttons);
    return page;
}

QWidget* TConfigDialog::CreateLogPage() {
    auto* page = Named(new QWidget, QStringLiteral("LogPage"));
    viewLogCheckBox_ = CheckBox(QStringLiteral("ViewLogCheckBox"), QStringLiteral("Вести отчет"),
                                QStringLiteral("Список выполненных команд"), page);
    connect(viewLogCheckBox_, &QCheckBox::toggled, this, &TConfigDialog::SetLogEnabled);

    countUpDown_ = NumberEdit(countEdit_, QStringLiteral("Count"), 4, 1, 9999, 1);
    const QString countHint = QStringLiteral("Максимальное количество элементов в отчете");
    QWidget* countParts[] = {
        Named(new QLabel(QStringLiteral("Ограничивать длину отчета"), page), QStringLiteral("CountLabel")), countEdit_,
        countUpDown_, Named(new QLabel(QStringLiteral("последними записями"), page), QStringLiteral("Label6"))};
    auto* countRow = new QHBoxLayout;
    for (QWidget* w : countParts) {
        w->setToolTip(countHint);
        countRow->addWidget(w);
    }
    countRow->addStretch(1);

    logWordRadioGroup_ = GroupBox(QStringLiteral("LogWordRadioGroup"), QStringLiteral("  Длина слова  "), page);
    logWordButtons_ = new QButtonGroup(logWordRadioGroup_);
    auto* radioColumn = new QVBoxLayout(logWordRadioGroup_);
    const QString items[] = {QStringLiteral("Минимальная длина"), QStringLiteral("Автоматическая длина"),
                             QStringLiteral("Максимальная длина")};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(items[i], logWordRadioGroup_);
        logWordButtons_->addButton(radio, i);
        radioColumn->addWidget(radio);
    }

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(viewLogCheckBox_);
    layout->addLayout(countRow);
    layout->addWidget(logWordRadioGroup_);
    layout->addStretch(1);
    return page;
}

void TConfigDialog::AssignHelpContexts() {
    const std::pair<QWidget*, int> contexts[] = {
        {findChild<QGroupBox*>(QStringLiteral("DiesGroupBox")), 1101},
        {saveConfigCheckBox_, 1102},
        {saveFileCheckBox_, 1103},
        {saveDeskTopCheckBox_, 1104},
        {viewHintCheckBox_, 1105},
        {periodHintEdit_, 1106},
        {periodHintUpDown_, 1106},
        {pauseHintEdit_, 1107},
        {pauseHintUpDown_, 1107},
        {undoMemoryEdit_, 1108},
        {undoMemoryUpDown_, 1108},
        {useBreakCheckBox_, 1110},
        {onlyStepCheckBox_, 1111},
        {speedTrackBar_, 1112},
        {saveFileRunCheckBox_, 1113},
        {historyCheckBox_, 1114},
        {colorGrid_, 1130},
        {fontButton_, 1131},
        {backgroundButton_, 1132},
        {okButton_, 1140},
        {cancelButton_, 1141},
        {applyButton_, 1142},
        {helpButton_, 1143},
        {viewLogCheckBox_, 1152},
        {countEdit_, 1153},
        {logWordRadioGroup_, 1157},
    };
    for (const auto& [widget, context] : contexts)
        widget->setProperty(HelpContextProperty, context);
    for (size_t i = 0; i < MessageRows.size(); ++i)
        messageCheckBoxes_[i]->setProperty(HelpContextProperty, MessageRows[i].helpContext);
}

// ---- Pages -------------------------------------------------------------------------------------------------

void TConfigDialog::SetPage(TConfigPage page) {
    pageControl_->setCurrentIndex(int(page));
}

TConfigPage TConfigDialog::Page() const {
    return TConfigPage(pageControl_->currentIndex());
}

bool TConfigDialog::FormKeyDown(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (!tab || !(mods & Qt::ControlModifier) || (mods & Qt::AltModifier))
        return false;
    const bool back = event->key() == Qt::Key_Backtab || (mods & Qt::ShiftModifier);
    pageControl_->setCurrentIndex((pageControl_->currentIndex() + (back ? PageCount - 1 : 1)) % PageCount);
    return true;
}

bool TConfigDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (FormKeyDown(key))
            return true;
        if ((watched == countDiesEdit_ || watched == periodHintEdit_ || watched == pauseHintEdit_ ||
             watched == countEdit_) &&
            !IntEditKeyPress(key))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TConfigDialog::showEvent(QShowEvent* event) {
    if (!centred_) {
        centred_ = true;
        CentreOnScreen(this);
    }
    QDialog::showEvent(event);
}

// ---- Number edits ------------------------------------------------------------------------------------------

// False when the key is refused. Only typed characters are filtered: digits, Backspace and Enter pass;
// keys that type nothing (arrows, Delete) and control combinations (copy, paste, Esc) are left alone.
bool TConfigDialog::IntEditKeyPress(QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty() || (event->modifiers() & Qt::ControlModifier))
        return true;
    const QChar c = text.front();
    // Backspace and Enter are control characters too.
    if ((c >= u'0' && c <= u'9') || c.unicode() < 0x20 || c.unicode() == 0x7F)
        return true;
    prompts_.Asterisk();
    return false;
}

// The edit can never be left empty or out of range: a number is clamped into the up-down's bounds, anything
// else brings back the up-down's position, the last valid value.
void TConfigDialog::NumberEditChange(QLineEdit* edit, TUpDown* upDown) {
    bool ok = false;
    const qlonglong n = edit->text().trimmed().toLongLong(&ok);
    if (!ok) {
        const QString position = QString::number(upDown->Position());
        if (edit->text() != position)
            edit->setText(position);
        return;
    }
    const int value = int(std::clamp<qlonglong>(n, upDown->Minimum(), upDown->Maximum()));
    upDown->TakePosition(value);
    const QString text = QString::number(value);
    if (edit->text() != text)
        edit->setText(text);
}

// ---- Settings ----------------------------------------------------------------------------------------------

QString TConfigDialog::IntervalText(int ms) {
    return QLocale().toString(ms * 0.001, 'f', 2) + QStringLiteral(" сек.");
}

void TConfigDialog::SetLogEnabled(bool on) {
    workViewLog_ = on;
    for (QWidget* w : std::initializer_list<QWidget*>{countEdit_, countUpDown_, saveDeskTopCheckBox_, historyCheckBox_,
                                                      logWordRadioGroup_})
        w->setEnabled(on);
    if (viewLogCheckBox_->isChecked() != on)
        viewLogCheckBox_->setChecked(on);
}

void TConfigDialog::SetStepOnly(bool on) {
    if (onlyStepCheckBox_->isChecked() != on)
        onlyStepCheckBox_->setChecked(on);
    workOnlyStep_ = on;
    for (QWidget* w : std::initializer_list<QWidget*>{speedTrackBar_, speedLabel_, useBreakCheckBox_})
        w->setEnabled(!on);
}

void TConfigDialog::SetHintsEnabled(bool on) {
    viewHintCheckBox_->setChecked(on);
    for (QWidget* w :
         std::initializer_list<QWidget*>{periodHintEdit_, periodHintUpDown_, pauseHintEdit_, pauseHintUpDown_})
        w->setEnabled(on);
    workViewHint_ = on;
}

void TConfigDialog::LoadFromSettings() {
    SetLogEnabled(config_.ViewLog);
    countUpDown_->SetPosition(config_.MaxCount);
    countDiesUpDown_->SetPosition(config_.DiesCount);
    undoMemoryUpDown_->SetPosition(config_.UndoMemory);
    if (QAbstractButton* item = logWordButtons_->button(config_.LogWord))
        item->setChecked(true);
    saveConfigCheckBox_->setChecked(config_.AutoConfig);
    saveFileCheckBox_->setChecked(config_.AutoFile);
    saveDeskTopCheckBox_->setChecked(config_.AutoDeskTop);
    SetHintsEnabled(config_.ViewHint);
    periodHintUpDown_->SetPosition(config_.PeriodHint);
    pauseHintUpDown_->SetPosition(config_.PauseHint);
    useBreakCheckBox_->setChecked(config_.UseBreak);
    SetStepOnly(config_.OnlyStep);
    historyCheckBox_->setChecked(config_.History);
    speedTrackBar_->setValue(config_.RunSpeed);
    saveFileRunCheckBox_->setChecked(config_.SaveFileRun);
    for (size_t i = 0; i < MessageRows.size(); ++i)
        messageCheckBoxes_[i]->setChecked(config_.*MessageRows[i].key);
    for (size_t i = 0; i < ColourRows.size(); ++i)
        workColours_[i] = {config_.*ColourRows[i].font, config_.*ColourRows[i].background};
    colorGrid_->viewport()->update();
}

void TConfigDialog::ApplyToSettings() {
    config_.ViewLog = workViewLog_;
    config_.SetMaxCount(countUpDown_->Position());
    config_.SetDiesCount(countDiesUpDown_->Position());
    config_.SetUndoMemory(undoMemoryUpDown_->Position());
    config_.SetLogWord(logWordButtons_->checkedId());
    config_.AutoConfig = saveConfigCheckBox_->isChecked();
    config_.AutoFile = saveFileCheckBox_->isChecked();
    config_.AutoDeskTop = saveDeskTopCheckBox_->isChecked();
    config_.ViewHint = workViewHint_;
    config_.SetPeriodHint(periodHintUpDown_->Position());
    config_.SetPauseHint(pauseHintUpDown_->Position());
    config_.UseBreak = useBreakCheckBox_->isChecked();
    config_.OnlyStep = workOnlyStep_;
    config_.History = historyCheckBox_->isChecked();
    config_.SetRunSpeed(speedTrackBar_->value());
    config_.SaveFileRun = saveFileRunCheckBox_->isChecked();
    for (size_t i = 0; i < MessageRows.size(); ++i)
        config_.*MessageRows[i].key = messageCheckBoxes_[i]->isChecked();
    for (size_t i = 0; i < ColourRows.size(); ++i) {
        config_.*ColourRows[i].font = workColours_[i].font;
        config_.*ColourRows[i].background = workColours_[i].background;
    }

    // The keys are set whatever happens below; each side effect fails on its own, quietly.
    bool logReady = false;
    try {
        logReady = target_.KeepRunLog(config_.ViewLog);
    } catch (...) {
    }
    if (logReady && config_.ViewLog) {
        try {
            target_.SetLogWordForm(config_.LogWord);
        } catch (...) {
        }
    }
    try {
        target_.SetHints(config_.ViewHint, config_.PeriodHint, config_.PauseHint);
    } catch (...) {
    }
    try {
        target_.SetStepInterval(config_.RunSpeed);
    } catch (...) {
        try {
            target_.SetStepInterval(1000);
        } catch (...) {
        }
    }
}

void TConfigDialog::OKButtonClick() {
    ApplyToSettings();
}

void TConfigDialog::HelpButtonClick() {
    target_.OpenHelp(HelpContext);
}

// ---- Colours -----------------------------------------------------------------------------------------------

void TConfigDialog::FontButtonClick() {
    ChooseColour(true);
}

void TConfigDialog::BackgroundButtonClick() {
    ChooseColour(false);
}

void TConfigDialog::ChooseColour(bool font) {
    const QColor chosen = QColorDialog::getColor(lastColour_, this, QString(), QColorDialog::DontUseNativeDialog);
    if (!chosen.isValid())
        return;
    lastColour_ = chosen;
    const int row = colorGrid_->currentRow();
    if (row < 0 || row >= int(workColours_.size()))
        return;
    int& colour = font ? workColours_[size_t(row)].font : workColours_[size_t(row)].background;
    colour = FromColor(chosen);
    colorGrid_->viewport()->update();
}

// ---- Entry -------------------------------------------------------------------------------------------------

bool ExecuteConfigDialog(QWidget* parent, TConfig& config, TPrompts& prompts, TConfigTarget& target,
                         TConfigPage startPage, bool runActive) {
    const bool useBreak = config.UseBreak;
    bool accepted = false;
    try {
        auto dialog = std::make_unique<TConfigDialog>(config, prompts, target, runActive, parent);
        dialog->SetPage(startPage);
        accepted = dialog->exec() == QDialog::Accepted;
    } catch (...) {
        // The dialog goes whatever happened; what was applied stays applied.
    }
    // Also after Cancel: an Apply may have changed it.
    if (config.UseBreak != useBreak)
        target.RefreshBreakMarks();
    return accepted;
}
