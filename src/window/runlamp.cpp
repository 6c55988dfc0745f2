#include "window/runlamp.h"

#include <QPainter>

TRunLamp::TRunLamp(QWidget* parent) : QWidget(parent) {
    setFixedWidth(25);
}

void TRunLamp::paintEvent(QPaintEvent*) {
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
