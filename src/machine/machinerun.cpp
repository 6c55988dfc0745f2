#include "machine/machine.h"

#include "settings/config.h"

#include <algorithm>
#include <cstdlib>

// The run position, and the model following the compiled run: the engine steps the core, and the tape,
// the head and the status texts catch up with it only when someone reads them.

// ---- Run position -----------------------------------------------------------------------------------------

void TMachine::SetCurrentSymbol(const QString& text) {
    currentSymbol_ = text.size() <= 1 ? text : text.left(1);
    if (notify_)
        emit statusChanged();
}

void TMachine::SetCurrentSymbol(QChar symbol) {
    // Rewrites the one character in place: a step allocates no text.
    if (currentSymbol_.size() == 1)
        currentSymbol_[0] = symbol;
    else
        currentSymbol_ = QString(symbol);
    if (notify_)
        emit statusChanged();
}

void TMachine::SetCurrentState(const QString& name) {
    currentState_ = TrimText(name);
    stateShown_ = runState_ == Running || runState_ == Paused;
    if (notify_)
        emit statusChanged();
}

void TMachine::SetStepNumber(qint64 n) {
    stepNumber_ = n;
    stepShown_ = n != 0 && (runState_ == Running || runState_ == Paused);
    if (notify_)
        emit statusChanged();
}

QString TMachine::StatusText(int panel) const {
    Fresh();
    switch (panel) {
    case 0:
        return QStringLiteral("Символ: ") + currentSymbol_;
    case 1:
        return stateShown_ ? QStringLiteral("Состояние: ") + currentState_ : QString();
    case 2:
        return stepShown_ ? QStringLiteral("Шаг ") + QString::number(stepNumber_) : QString();
    default:
        return QString();
    }
}

void TMachine::ResetBlanks() {
    leftBlanks_ = 0;
    rightBlanks_ = 0;
}

void TMachine::SetHeadPosition(int p) {
    const int n = WordCells();
    const int dies = settings_.DiesCount > 0 ? settings_.DiesCount : RunCoreNoLimit;
    headPosition_ = p;
    if (p > 0) {
        const int r = rightBlanks_;
        if (p - n >= rightBlanks_)
            rightBlanks_ = p - n + 1;
        // The limit stops further growth only: lowered during a run it never takes back cells already added,
        // or the head would land on another cell than the one it moved to.
        if (rightBlanks_ > dies - 1)
            rightBlanks_ = std::max(dies - 1, r);
        if (rightBlanks_ > r)
            GrowTape(0, rightBlanks_ - r);
    } else {
        const int l = leftBlanks_;
        if (std::abs(p) + 1 > leftBlanks_)
            leftBlanks_ = std::abs(p) + 1;
        if (leftBlanks_ > dies)
            leftBlanks_ = std::max(dies, l);
        if (leftBlanks_ > l && leftBlanks_ >= 2)
            GrowTape(leftBlanks_ - l, 0);
    }
    headCell_ = leftBlanks_ + headPosition_;
    if (headMarkedCell_ >= 0 && headMarkedCell_ < tape_.size() && headMarkedCell_ != headCell_)
        SetCellMark(headMarkedCell_, tape_[headMarkedCell_].mark & ~MarkHead);
    headMarkedCell_ = -1;
    if (headCell_ >= 0 && headCell_ < tape_.size()) {
        SetCellMark(headCell_, tape_[headCell_].mark | MarkHead);
        headMarkedCell_ = headCell_;
    }
    if (notify_)
        emit headMoved(headCell_);
}

void TMachine::GrowTape(int left, int right) {
    // The new blanks go outside the cells already there: what the machine wrote on the end cells stays.
    tape_.insert(0, left, TTapeCell{BlankSymbol, 0});
    tape_.insert(tape_.size(), right, TTapeCell{BlankSymbol, 0});
    if (headMarkedCell_ >= 0)
        headMarkedCell_ += left;
    if (breakPoints_ && !breakPoints_->IsEmpty()) {
        const TCellMarks m = BreakBits(0, QString(), QString(BlankSymbol));
        for (int i = 0; i < left; ++i)
            tape_[i].mark = m;
        for (qsizetype i = tape_.size() - right; i < tape_.size(); ++i)
            tape_[i].mark = m;
        anyBreakMarks_ = anyBreakMarks_ || m != 0;
    }
    emit tapeChanged();
}

// ---- Compiled run -----------------------------------------------------------------------------------------

void TMachine::BeginRun() {
    if (!compiled_) {
        core_.Compile(commands_);
        compiled_ = true;
    }
    QString cells(tape_.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < tape_.size(); ++i)
        cells[i] = tape_[i].symbol;
    core_.Load(cells, leftBlanks_, rightBlanks_, headPosition_, WordCells(), core_.StateId(currentState_),
               currentSymbol_.isEmpty() && !emptyWordOnBlanks_);
    core_.step = stepNumber_;
    stale_ = false;
}

void TMachine::CoreRewound() {
    Fresh();
    if (headMarkedCell_ >= 0 && headMarkedCell_ < tape_.size())
        tape_[headMarkedCell_].mark &= ~MarkHead;
    headMarkedCell_ = -1;
    const int left = leftBlanks_ - core_.leftBlanks;
    if (left > 0)
        tape_.remove(0, left);
    const qsizetype extra = tape_.size() - qsizetype(core_.tape.size());
    if (extra > 0)
        tape_.remove(tape_.size() - extra, extra);
    leftBlanks_ = core_.leftBlanks;
    rightBlanks_ = core_.rightBlanks;
    notes_.tape = true;
    // Every cell is compared again; the one the step wrote gets its symbol and marks back.
    core_.dirtyFirst = 0;
    core_.dirtyLast = int(core_.tape.size()) - 1;
    stale_ = true;
    Fresh();
}

void TMachine::EndRun() {
    if (!core_.active)
        return;
    FlushRun();
    core_.active = false;
    core_.hasPending = false;
}

std::optional<TCommand> TMachine::PendingCommand() const {
    if (!HasPendingCommand() || core_.pending.row >= commands_.size())
        return std::nullopt;
    return CommandFromRow(commands_[core_.pending.row]);
}

void TMachine::NoteCells(int first, int last) {
    notes_.firstCell = notes_.firstCell < 0 ? first : std::min(notes_.firstCell, first);
    notes_.lastCell = std::max(notes_.lastCell, last);
}

void TMachine::NoteRow(int row) {
    notes_.firstRow = notes_.firstRow < 0 ? row : std::min(notes_.firstRow, row);
    notes_.lastRow = std::max(notes_.lastRow, row);
}

void TMachine::Sync() {
    stale_ = false;
    ++syncs_;
    TRunCore& c = core_;
    const bool breaks = (breakPoints_ && !breakPoints_->IsEmpty()) || anyBreakMarks_;
    const auto refresh = [&](int first, int last) {
        if (!breaks)
            return;
        for (int i = first; i <= last; ++i) {
            TTapeCell& cell = tape_[i];
            const TCellMarks m = BreakBits(cell.mark, QString(), QString(cell.symbol));
            anyBreakMarks_ = anyBreakMarks_ || (m & (MarkBreakActive | MarkBreakInactive));
            if (m != cell.mark) {
                cell.mark = m;
                NoteCells(i, i);
            }
        }
    };
    // Blanks only ever come outside the cells already there.
    const int left = c.leftBlanks - leftBlanks_;
    const int right = int(c.tape.size()) - int(tape_.size()) - left;
    if (left > 0 || right > 0) {
        tape_.insert(0, std::max(left, 0), TTapeCell{BlankSymbol, 0});
        tape_.insert(tape_.size(), std::max(right, 0), TTapeCell{BlankSymbol, 0});
        if (headMarkedCell_ >= 0)
            headMarkedCell_ += std::max(left, 0);
        notes_.tape = true;
        notes_.firstCell = notes_.firstCell < 0 ? -1 : notes_.firstCell + std::max(left, 0);
        if (notes_.firstCell >= 0)
            notes_.lastCell += std::max(left, 0);
        refresh(0, std::max(left, 0) - 1);
        refresh(int(tape_.size()) - std::max(right, 0), int(tape_.size()) - 1);
    }
    c.grown = false;
    if (c.dirtyFirst <= c.dirtyLast) {
        const int last = std::min(c.dirtyLast, int(tape_.size()) - 1);
        int first = -1;
        int end = -1;
        for (int i = std::max(c.dirtyFirst, 0); i <= last; ++i) {
            const QChar symbol = TRunCore::CharOf(c.tape[std::size_t(i)]);
            if (tape_[i].symbol != symbol) {
                tape_[i].symbol = symbol;
                first = first < 0 ? i : first;
                end = i;
            }
        }
        if (first >= 0) {
            NoteCells(first, end);
            refresh(first, end);
        }
        c.dirtyFirst = 0;
        c.dirtyLast = -1;
    }
    leftBlanks_ = c.leftBlanks;
    rightBlanks_ = c.rightBlanks;
    headPosition_ = c.headPosition;
    const int oldHead = headCell_;
    headCell_ = c.HeadCell();
    notes_.head = notes_.head || notes_.tape || oldHead != headCell_;
    if (headMarkedCell_ >= 0 && headMarkedCell_ < tape_.size() && headMarkedCell_ != headCell_) {
        tape_[headMarkedCell_].mark &= ~MarkHead;
        NoteCells(headMarkedCell_, headMarkedCell_);
    }
    headMarkedCell_ = -1;
    if (headCell_ >= 0 && headCell_ < tape_.size()) {
        if (!(tape_[headCell_].mark & MarkHead)) {
            tape_[headCell_].mark |= MarkHead;
            NoteCells(headCell_, headCell_);
        }
        headMarkedCell_ = headCell_;
        // The symbol is read back from the cell; the empty word's first lookup reads none.
        if (!c.emptySymbol) {
            const QChar symbol = TRunCore::CharOf(c.HeadByte());
            if (currentSymbol_.size() == 1)
                currentSymbol_[0] = symbol;
            else
                currentSymbol_ = QString(symbol);
        }
    }
    const bool running = runState_ == Running || runState_ == Paused;
    stepNumber_ = c.step;
    stepShown_ = stepNumber_ != 0 && running;
    const QString& state = c.StateName(c.state);
    if (currentState_ != state) {
        currentState_ = state;
        if (!(selectedState_ >= 0 && states_[selectedState_].name.compare(currentState_, Qt::CaseInsensitive) == 0)) {
            const int index = FindState(currentState_);
            if (index >= 0 && index != selectedState_) {
                selectedState_ = index;
                notes_.selected = true;
            }
        }
    }
    stateShown_ = running;
    notes_.status = true;
    const int old = activeCommand_;
    activeCommand_ = (c.found >= 0 && c.found < commands_.size()) ? c.found : -1;
    if (old != activeCommand_) {
        if (old >= 0 && old < commands_.size() && (commands_[old].mark & MarkHead)) {
            commands_[old].mark &= ~MarkHead;
            NoteRow(old);
        }
        if (activeCommand_ >= 0 && !(commands_[activeCommand_].mark & MarkHead)) {
            commands_[activeCommand_].mark |= MarkHead;
            NoteRow(activeCommand_);
        }
    }
    notes_.active = notes_.active || activeCommand_ >= 0;
}

void TMachine::FlushRun() {
    Fresh();
    const TNotes n = notes_;
    notes_ = TNotes();
    if (!notify_)
        return;
    if (n.tape)
        emit tapeChanged();
    if (n.firstCell >= 0)
        emit cellsChanged(n.firstCell, n.lastCell);
    if (n.firstRow >= 0)
        emit commandMarksChanged(n.firstRow, n.lastRow);
    if (n.active && activeCommand_ >= 0)
        emit activeCommandChanged(activeCommand_);
    if (n.selected)
        emit selectedStateChanged(selectedState_);
    if (n.head)
        emit headMoved(headCell_);
    if (n.status)
        emit statusChanged();
}
