#include "machine/machine.h"

#include "settings/config.h"

#include <utility>

// The marks the views draw on cells, states and command rows: the validation pass's and the breakpoints'.

void TMachine::SetCellMark(int cell, TCellMarks mark) {
    Fresh();
    if (cell < 0 || cell >= tape_.size() || tape_[cell].mark == mark)
        return;
    tape_[cell].mark = mark;
    if (notify_)
        emit cellsChanged(cell, cell);
}

void TMachine::SetStateMark(int index, TCellMarks mark) {
    if (index < 0 || index >= states_.size() || states_[index].mark == mark)
        return;
    states_[index].mark = mark;
    if (notify_)
        emit stateMarksChanged();
}

void TMachine::SetCommandMark(int index, TCellMarks mark) {
    Fresh();
    if (index < 0 || index >= commands_.size() || commands_[index].mark == mark)
        return;
    commands_[index].mark = mark;
    if (notify_)
        emit commandMarksChanged(index, index);
}

TCellMarks TMachine::BreakBits(TCellMarks mark, const QString& state, const QString& symbol) const {
    const bool disabled = breakPoints_ && breakPoints_->FindBreakPoint(state, symbol, false);
    const bool enabled = breakPoints_ && breakPoints_->FindBreakPoint(state, symbol, true);
    return BreakBits(mark, disabled, enabled);
}

TCellMarks TMachine::BreakBits(TCellMarks mark, bool disabled, bool enabled) const {
    if (disabled)
        mark = (mark | MarkBreakInactive) & ~MarkBreakActive;
    else
        mark &= ~MarkBreakInactive;
    if (enabled) {
        if (settings_.UseBreak)
            mark = (mark | MarkBreakActive) & ~MarkBreakInactive;
        else
            mark = (mark | MarkBreakInactive) & ~MarkBreakActive;
    } else {
        mark &= ~MarkBreakActive;
    }
    return mark;
}

void TMachine::RefreshBreakMarks() {
    Fresh();
    // With no breakpoint and no breakpoint mark left there is nothing to recompute: keeps a tick cheap.
    const bool none = !breakPoints_ || breakPoints_->IsEmpty();
    if (none && !anyBreakMarks_)
        return;
    bool any = false;
    const QString empty;
    int firstCell = -1;
    int lastCell = -1;
    // A cell's breakpoints follow from its symbol alone: each symbol is looked up once, not once a cell.
    QHash<char16_t, std::pair<bool, bool>> bySymbol;
    for (int i = 0; i < tape_.size(); ++i) {
        TTapeCell& c = tape_[i];
        auto found = bySymbol.constFind(c.symbol.unicode());
        if (found == bySymbol.cend()) {
            const QString symbol(c.symbol);
            found = bySymbol.insert(c.symbol.unicode(),
                                    {breakPoints_ && breakPoints_->FindBreakPoint(empty, symbol, false),
                                     breakPoints_ && breakPoints_->FindBreakPoint(empty, symbol, true)});
        }
        const TCellMarks m = BreakBits(c.mark, found->first, found->second);
        any = any || (m & (MarkBreakActive | MarkBreakInactive));
        if (m != c.mark) {
            c.mark = m;
            firstCell = firstCell < 0 ? i : firstCell;
            lastCell = i;
        }
    }
    int firstRow = -1;
    int lastRow = -1;
    for (int i = 0; i < commands_.size(); ++i) {
        TCommandRow& r = commands_[i];
        const TCellMarks m = BreakBits(r.mark, r.sourceState, r.sourceSymbol);
        any = any || (m & (MarkBreakActive | MarkBreakInactive));
        if (m != r.mark) {
            r.mark = m;
            firstRow = firstRow < 0 ? i : firstRow;
            lastRow = i;
        }
    }
    bool statesChangedMarks = false;
    for (TStateItem& s : states_) {
        const TCellMarks m = BreakBits(s.mark, s.name, empty);
        any = any || (m & (MarkBreakActive | MarkBreakInactive));
        if (m != s.mark) {
            s.mark = m;
            statesChangedMarks = true;
        }
    }
    anyBreakMarks_ = any;
    if (firstCell >= 0)
        emit cellsChanged(firstCell, lastCell);
    if (firstRow >= 0)
        emit commandMarksChanged(firstRow, lastRow);
    if (statesChangedMarks)
        if (notify_)
            emit stateMarksChanged();
}
