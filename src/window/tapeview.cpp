#include "window/tapeview.h"

#include "machine/machine.h"
#include "settings/config.h"

#include <QFontDatabase>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace {

// The tape panel's bevel and the inner panel's offset inside it.
constexpr int Inset = 2;

} // namespace

QColor ColourOf(int value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

std::optional<std::pair<QColor, QColor>> MarkColours(const TConfig& c, TCellMarks mark, RunState state) {
    const bool inRun = state == Running || state == Paused;
    if ((mark & MarkError) && !inRun)
        return std::pair{ColourOf(c.ErrorFont), ColourOf(c.ErrorBackground)};
    if ((mark & MarkHead) && inRun) {
        if (mark & MarkBreakActive)
            return std::pair{ColourOf(c.ActiveBreakFont), ColourOf(c.ActiveBreakBackground)};
        return std::pair{ColourOf(c.ActiveCommandFont), ColourOf(c.ActiveCommandBackground)};
    }
    if (mark & MarkBreakActive)
        return std::pair{ColourOf(c.EnableBreakFont), ColourOf(c.EnableBreakBackground)};
    if (mark & MarkBreakInactive)
        return std::pair{ColourOf(c.DisableBreakFont), ColourOf(c.DisableBreakBackground)};
    return std::nullopt;
}

TTapeView::TTapeView(const TMachine& machine, const TConfig& config, QScrollBar* scrollBar, QWidget* parent)
    : QFrame(parent), machine_(machine), config_(config), scrollBar_(scrollBar) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(Inset);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    cellFont_ = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    cellFont_.setPointSize(16);
    const QFontMetrics fm(cellFont_);
    cellWidth_ = fm.horizontalAdvance(QLatin1Char('W')) + 2;
    cellHeight_ = fm.height();
    setFocusPolicy(Qt::StrongFocus);
    connect(scrollBar_, &QScrollBar::valueChanged, this, &TTapeView::ScrollTo);
}

QSize TTapeView::sizeHint() const {
    return QSize(465, cellHeight_ + 2 * Inset + 4);
}

QSize TTapeView::minimumSizeHint() const {
    return QSize(10 * cellWidth_, cellHeight_ + 2 * Inset + 4);
}

int TTapeView::CellsWidth() const {
    return int(machine_.Tape().size()) * cellWidth_;
}

int TTapeView::VisibleWidth() const {
    return width() - 2 * Inset;
}

void TTapeView::UpdateScrollRange() {
    const int cells = int(machine_.Tape().size());
    if (CellsWidth() > VisibleWidth()) {
        scrollBar_->setMaximum(CellsWidth() - VisibleWidth());
        scrollBar_->setVisible(true);
    } else {
        scrollBar_->setMaximum(1);
        scrollBar_->setValue(0);
        scrollBar_->setVisible(false);
    }
    const int step = std::max((scrollBar_->maximum() - scrollBar_->minimum()) / std::max(cells, 1), cellWidth_);
    scrollBar_->setSingleStep(step);
    scrollBar_->setPageStep(step);
    ScrollTo(scrollBar_->value());
}

void TTapeView::KeepCellInView(int cell) {
    const int x = cell * cellWidth_;
    const int h = cellHeight_;
    const int w = VisibleWidth();
    int pos = scrollBar_->value();
    if (x + h > w + pos)
        pos = x + h - w;
    if (x - 20 < pos)
        pos = x - 20;
    scrollBar_->setValue(pos); // the bar keeps the position inside its range
}

void TTapeView::ScrollTo(int pos) {
    if (pos == scrollPos_)
        return;
    scrollPos_ = pos;
    update();
}

void TTapeView::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    UpdateScrollRange();
}

void TTapeView::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect inner = contentsRect();
    painter.setClipRect(inner);
    painter.setFont(cellFont_);
    const auto& tape = machine_.Tape();
    const RunState state = machine_.GetRunState();
    const int first = std::max(0, scrollPos_ / std::max(cellWidth_, 1));
    for (int i = first; i < tape.size(); ++i) {
        const int left = inner.left() + CellLeft(i);
        if (left > inner.right())
            break;
        const QRect cell(left, inner.top(), cellWidth_, cellHeight_);
        const auto colours = MarkColours(config_, tape[i].mark, state);
        painter.fillRect(cell, colours ? colours->second : QColor(Qt::white));
        painter.setPen(colours ? colours->first : QColor(Qt::black));
        painter.drawText(cell, Qt::AlignCenter, QString(tape[i].symbol));
    }
}
