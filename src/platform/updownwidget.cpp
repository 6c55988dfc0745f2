#include "platform/updownwidget.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

TUpDown::TUpDown(QLineEdit* buddy, QWidget* parent) : QWidget(parent), buddy_(buddy) {
    auto arrow = [this](Qt::ArrowType type, const QString& name, int direction) {
        auto* button = new QToolButton(this);
        button->setObjectName(name);
        button->setArrowType(type);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        button->setFixedWidth(18);
        connect(button, &QToolButton::clicked, this, [this, direction] { Step(direction); });
        return button;
    };
    up_ = arrow(Qt::UpArrow, QStringLiteral("UpButton"), 1);
    down_ = arrow(Qt::DownArrow, QStringLiteral("DownButton"), -1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(up_);
    layout->addWidget(down_);
    setFixedHeight(buddy_->sizeHint().height());
    buddy_->installEventFilter(this);
}

void TUpDown::SetRange(int min, int max) {
    min_ = min;
    max_ = std::max(min, max);
    if (position_ < min_ || position_ > max_)
        SetPosition(position_);
}

void TUpDown::SetPosition(int n) {
    position_ = std::clamp(n, min_, max_);
    buddy_->setText(QString::number(position_));
}

void TUpDown::Step(int times) {
    // A number typed into the edit is where the step starts, as with the arrows of a spinner.
    bool ok = false;
    const int typed = buddy_->text().trimmed().toInt(&ok);
    if (ok && typed >= min_ && typed <= max_)
        position_ = typed;
    // Wide arithmetic: a step from near the upper bound must not overflow before the clamp.
    const qint64 target = qint64(position_) + qint64(times) * step_;
    SetPosition(int(std::clamp<qint64>(target, min_, max_)));
}

bool TUpDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched == buddy_ && event->type() == QEvent::KeyPress && isEnabled()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            if (key->key() == Qt::Key_Up) {
                Step(1);
                return true;
            }
            if (key->key() == Qt::Key_Down) {
                Step(-1);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
