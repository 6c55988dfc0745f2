#pragma once

#include "machine/command.h"

#include <QColor>
#include <QFrame>

#include <optional>
#include <utility>

class QScrollBar;
class TConfig;
class TMachine;

// A 0x00BBGGRR colour value of the settings as a colour to paint with.
QColor ColourOf(int value);

// The text and background colours of an item by its marks, the first rule that applies; none means the
// item keeps its ordinary colours. Error colours show only outside a run; the head colours only in one.
std::optional<std::pair<QColor, QColor>> MarkColours(const TConfig& config, TCellMarks mark, RunState state);

// The visible tape area: one row of one-character cells painted from the machine's tape, scrolled
// horizontally by the window's scroll bar.
class TTapeView : public QFrame {
    Q_OBJECT

public:
    TTapeView(const TMachine& machine, const TConfig& config, QScrollBar* scrollBar, QWidget* parent = nullptr);

    int CellWidth() const { return cellWidth_; }
    int CellHeight() const { return cellHeight_; }
    int CellsWidth() const;
    int VisibleWidth() const;
    int ScrollPos() const { return scrollPos_; }
    // Left edge of a cell relative to the visible area.
    int CellLeft(int cell) const { return cell * cellWidth_ - scrollPos_; }
    // Scrolls so that the cell stands inside the visible area, at least 20 pixels from its left edge.
    void KeepCellInView(int cell);
    // The number of cells or their size changed: the scroll bar follows.
    void UpdateScrollRange();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ScrollTo(int pos);

    const TMachine& machine_;
    const TConfig& config_;
    QScrollBar* scrollBar_ = nullptr;
    QFont cellFont_;
    int cellWidth_ = 0;
    int cellHeight_ = 0;
    int scrollPos_ = 0;
};
