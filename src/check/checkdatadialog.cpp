#include "check/checkdatadialog.h"

#include "check/checkstate.h"
#include "check/errorcommanddialog.h"
#include "check/validation.h"
#include "platform/dialogwidget.h"
#include "platform/prompts.h"
#include "platform/screenwidget.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace {

constexpr int HelpContext = 2008;
constexpr int ImageSize = 48;

const QString ErrorsFoundText = QStringLiteral("Обнаружены ошибки");

QLabel* NamedLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

void SetTextColor(QLabel* label, bool red) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, red ? QColor(Qt::red) : QColor(Qt::black));
    label->setPalette(p);
}

void SetCount(QLabel* label, int count) {
    label->setText(QString::number(count));
    SetTextColor(label, count == 0);
}

} // namespace

TCheckDataDialog::TCheckDataDialog(const TCheckState& report, TPrompts& prompts, QWidget* parent)
    : QDialog(parent), report_(report), prompts_(prompts) {
    setObjectName(QStringLiteral("CheckDataDialog"));
    setWindowTitle(QStringLiteral("Проверка данных"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowContextHelpButtonHint);
    CreateControls();
    try {
        ShowReport();
    } catch (...) {
        failed_ = true;
    }
}

void TCheckDataDialog::CreateControls() {
    // Overall result: the picture and the verdict.
    resImage_ = NamedLabel(QStringLiteral("ResImage"), QString(), this);
    resImage_->setAlignment(Qt::AlignCenter);
    resImage_->setFixedSize(ImageSize + 8, ImageSize + 8);
    stateLabel_ = NamedLabel(QStringLiteral("StateLabel"), QString(), this);
    QFont bold = stateLabel_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    stateLabel_->setFont(bold);

    // Counts.
    abcCountLabel_ = NamedLabel(QStringLiteral("ABCCountLabel"), QString(), this);
    wordCountLabel_ = NamedLabel(QStringLiteral("WordCountLabel"), QString(), this);
    commandCountLabel_ = NamedLabel(QStringLiteral("CommandCountLabel"), QString(), this);
    stateCountLabel_ = NamedLabel(QStringLiteral("StateCountLabel"), QString(), this);
    auto* counts = new QGridLayout;
    counts->setHorizontalSpacing(8);
    counts->addWidget(NamedLabel(QStringLiteral("ABCCaptionLabel"), QStringLiteral("Символов в алфавите:"), this), 0,
                      0);
    counts->addWidget(abcCountLabel_, 0, 1);
    counts->addWidget(NamedLabel(QStringLiteral("WordCaptionLabel"), QStringLiteral("Символов в слове:"), this), 1, 0);
    counts->addWidget(wordCountLabel_, 1, 1);
    counts->setColumnMinimumWidth(2, 16);
    counts->addWidget(NamedLabel(QStringLiteral("CommandCaptionLabel"), QStringLiteral("Команд:"), this), 0, 3);
    counts->addWidget(commandCountLabel_, 0, 4);
    counts->addWidget(NamedLabel(QStringLiteral("StateCaptionLabel"), QStringLiteral("Состояний:"), this), 1, 3);
    counts->addWidget(stateCountLabel_, 1, 4);
    counts->setColumnStretch(5, 1);

    auto* summary = new QVBoxLayout;
    summary->addWidget(stateLabel_);
    summary->addLayout(counts);
    auto* top = new QHBoxLayout;
    top->addWidget(resImage_, 0, Qt::AlignTop);
    top->addSpacing(8);
    top->addLayout(summary, 1);

    // The three groups.
    auto group = [this](const QString& name, const QString& title, QLabel* label, QPushButton* button) {
        auto* box = new QGroupBox(title, this);
        box->setObjectName(name);
        auto* row = new QHBoxLayout(box);
        row->addWidget(label, 1);
        row->addSpacing(12);
        row->addWidget(button);
        return box;
    };
    wordStateLabel_ = NamedLabel(QStringLiteral("WordStateLabel"), QString(), this);
    stateStateLabel_ = NamedLabel(QStringLiteral("StateStateLabel"), QString(), this);
    commandStateLabel_ = NamedLabel(QStringLiteral("CommandStateLabel"), QString(), this);
    detailWordButton_ = NamedButton(QStringLiteral("DetailWordButton"), QStringLiteral("Подробнее..."), 3053, this);
    detailCommandButton_ =
        NamedButton(QStringLiteral("DetailCommandButton"), QStringLiteral("Подробнее..."), 3054, this);
    detailStateButton_ = NamedButton(QStringLiteral("DetailStateButton"), QStringLiteral("Подробнее..."), 3055, this);
    for (QPushButton* b : {detailWordButton_, detailStateButton_, detailCommandButton_})
        b->setAutoDefault(false);

    // Buttons.
    closeButton_ = NamedButton(QStringLiteral("CloseButton"), QStringLiteral("Закрыть"), 3056, this);
    helpButton_ = NamedButton(QStringLiteral("HelpButton"), QStringLiteral("Помощь"), 3057, this);
    closeButton_->setDefault(true);
    helpButton_->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(closeButton_);
    buttons->addWidget(helpButton_);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(top);
    layout->addWidget(
        group(QStringLiteral("WordGroupBox"), QStringLiteral("  Слово  "), wordStateLabel_, detailWordButton_));
    layout->addWidget(
        group(QStringLiteral("StateGroupBox"), QStringLiteral("  Состояния  "), stateStateLabel_, detailStateButton_));
    layout->addWidget(group(QStringLiteral("CommandGroupBox"), QStringLiteral("  Команды  "), commandStateLabel_,
                            detailCommandButton_));
    layout->addSpacing(4);
    layout->addLayout(buttons);

    connect(detailWordButton_, &QPushButton::clicked, this, &TCheckDataDialog::DetailWordButtonClick);
    connect(detailStateButton_, &QPushButton::clicked, this, &TCheckDataDialog::DetailStateButtonClick);
    connect(detailCommandButton_, &QPushButton::clicked, this, &TCheckDataDialog::DetailCommandButtonClick);
    // "Закрыть" is the cancel button as well: Esc closes the dialog through QDialog::reject.
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(helpButton_, &QPushButton::clicked, this, [this] { emit helpRequested(HelpContext); });
}

void TCheckDataDialog::ShowReport() {
    const bool errors = report_.HasErrors();
    const qreal ratio = devicePixelRatioF();
    resImage_->setPixmap(ResultImage(errors ? 1 : 0, ImageSize, ratio));
    stateLabel_->setText(errors ? ErrorsFoundText : QStringLiteral("Ошибок не обнаружено"));
    SetTextColor(stateLabel_, errors);

    SetGroup(wordStateLabel_, detailWordButton_, report_.Word().HasErrors());
    SetGroup(stateStateLabel_, detailStateButton_, report_.StateErrors());
    SetGroup(commandStateLabel_, detailCommandButton_, report_.Commands().HasErrors());

    SetCount(abcCountLabel_, report_.AlphabetLength());
    SetCount(wordCountLabel_, report_.WordLength());
    SetCount(commandCountLabel_, report_.CommandCount());
    SetCount(stateCountLabel_, report_.StateCount());
}

void TCheckDataDialog::SetGroup(QLabel* label, QPushButton* button, bool errors) {
    label->setText(errors ? ErrorsFoundText : QStringLiteral("Ошибки не обнаружены"));
    SetTextColor(label, errors);
    button->setEnabled(errors);
}

void TCheckDataDialog::ShowDetails(QPushButton* button, const std::function<void()>& show) {
    const bool enabled = button->isEnabled();
    button->setEnabled(false);
    // The button gets its state back whatever the message does.
    struct TRestore {
        QPushButton* button;
        bool enabled;
        ~TRestore() { button->setEnabled(enabled); }
    } restore{button, enabled};
    show();
}

void TCheckDataDialog::DetailWordButtonClick() {
    ShowDetails(detailWordButton_, [this] { prompts_.Ask(report_.Word().Message()); });
}

void TCheckDataDialog::DetailStateButtonClick() {
    ShowDetails(detailStateButton_, [this] { prompts_.Ask(report_.StateMessage()); });
}

void TCheckDataDialog::DetailCommandButtonClick() {
    ShowDetails(detailCommandButton_, [this] {
        if (const std::optional<TMessage> message = report_.Commands().Message()) {
            prompts_.Ask(*message);
            return;
        }
        TErrorCommandDialog dialog(report_.Commands(), this);
        dialog.exec();
    });
}

void TCheckDataDialog::showEvent(QShowEvent* event) {
    if (!centred_) {
        centred_ = true;
        CentreOnScreen(this);
    }
    QDialog::showEvent(event);
}

QPixmap TCheckDataDialog::ResultImage(int index, int size, qreal devicePixelRatio) {
    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QRectF disc(s * 0.04, s * 0.04, s * 0.92, s * 0.92);
    const bool faulty = index == 1;
    QRadialGradient fill(disc.center() - QPointF(s * 0.15, s * 0.15), s * 0.6);
    fill.setColorAt(0, faulty ? QColor(0xf2, 0x6b, 0x5b) : QColor(0x6c, 0xd0, 0x6c));
    fill.setColorAt(1, faulty ? QColor(0xc0, 0x1c, 0x1c) : QColor(0x1e, 0x8c, 0x2e));
    p.setPen(QPen(faulty ? QColor(0x8a, 0x10, 0x10) : QColor(0x15, 0x62, 0x20), s * 0.03));
    p.setBrush(fill);
    p.drawEllipse(disc);

    QPen mark(Qt::white, s * 0.11, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(mark);
    p.setBrush(Qt::NoBrush);
    if (faulty) {
        // A cross: something is wrong.
        p.drawLine(QPointF(s * 0.33, s * 0.33), QPointF(s * 0.67, s * 0.67));
        p.drawLine(QPointF(s * 0.67, s * 0.33), QPointF(s * 0.33, s * 0.67));
    } else {
        // A tick: the machine may run.
        QPainterPath tick;
        tick.moveTo(s * 0.27, s * 0.52);
        tick.lineTo(s * 0.43, s * 0.68);
        tick.lineTo(s * 0.73, s * 0.34);
        p.drawPath(tick);
    }
    return pixmap;
}

bool RunDataCheck(TValidation& validation, TPrompts& prompts, QWidget* parent,
                  const std::function<void(int)>& openHelp) {
    TCheckState report;
    const bool valid = validation.ValidateMachine(&report);
    try {
        auto dialog = std::make_unique<TCheckDataDialog>(report, prompts, parent);
        if (openHelp)
            QObject::connect(dialog.get(), &TCheckDataDialog::helpRequested, dialog.get(), openHelp);
        // Without a help viewer the button would do nothing.
        if (auto* help = dialog->findChild<QPushButton*>(QStringLiteral("HelpButton")))
            help->setEnabled(bool(openHelp));
        if (!dialog->Failed())
            dialog->exec();
    } catch (...) {
        // The dialog and the report go whatever happened; the pass has set the marks already.
    }
    return valid;
}
