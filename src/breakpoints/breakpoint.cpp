#include "breakpoints/breakpoint.h"

#include "machine/command.h"

namespace {

QString FirstChar(const QString& text) {
    return text.isEmpty() ? QString() : text.left(1);
}

} // namespace

TBreakPoint::TBreakPoint(bool enabled, int passes, const QString& state, const QString& symbol)
    : Enabled(enabled), Passes(passes), State(TrimText(state)) {
    SetSymbol(symbol);
}

void TBreakPoint::SetSymbol(const QString& text) {
    Symbol = FirstChar(text);
}

bool TBreakPoint::HitTest(const QString& state, const QString& symbol) {
    if (!Enabled)
        return false;
    const bool stateMatches = State.isEmpty() || State == TrimText(state);
    const bool symbolMatches = Symbol.isEmpty() || Symbol == FirstChar(symbol);
    if (!stateMatches || !symbolMatches)
        return false;
    if (Counter >= Passes) {
        Counter = 0;
        return true;
    }
    ++Counter;
    return false;
}

void TBreakPointList::AddBreakPoint(std::unique_ptr<TBreakPoint> point) {
    if (!point)
        return;
    points_.push_back(std::move(point));
    lookupValid_ = false;
    emit changed();
}

void TBreakPointList::AddBreakPoints(std::vector<std::unique_ptr<TBreakPoint>> points) {
    bool added = false;
    for (auto& point : points)
        if (point) {
            points_.push_back(std::move(point));
            added = true;
        }
    if (!added)
        return;
    lookupValid_ = false;
    emit changed();
}

void TBreakPointList::ClearBreakPoints() {
    points_.clear();
    lookupValid_ = false;
    emit changed();
}

bool TBreakPointList::RemoveBreakPoint(int index) {
    if (index < 0 || index >= Count())
        return false;
    points_.erase(points_.begin() + index);
    lookupValid_ = false;
    emit changed();
    return true;
}

bool TBreakPointList::FindBreakPoint(const QString& state, const QString& symbol, bool enabled) const {
    if (points_.empty())
        return false;
    if (!lookupValid_) {
        lookup_.clear();
        for (const auto& p : points_)
            lookup_[qMakePair(p->State.toCaseFolded(), p->Symbol)] |= p->Enabled ? 2 : 1;
        lookupValid_ = true;
    }
    return lookup_.value(qMakePair(TrimText(state).toCaseFolded(), FirstChar(symbol))) & (enabled ? 2 : 1);
}

int TBreakPointList::BreakHit(const QString& state, const QString& symbol) {
    int first = 0;
    for (std::size_t i = 0; i < points_.size(); ++i)
        if (points_[i]->HitTest(state, symbol) && first == 0)
            first = int(i) + 1;
    return first;
}

void TBreakPointList::ResetPassCounts() {
    for (const auto& p : points_)
        p->Counter = 0;
}

std::vector<int> TBreakPointList::PassCounts() const {
    std::vector<int> counts;
    counts.reserve(points_.size());
    for (const auto& p : points_)
        counts.push_back(p->Counter);
    return counts;
}

void TBreakPointList::SetPassCounts(const std::vector<int>& counts) {
    for (std::size_t i = 0; i < points_.size() && i < counts.size(); ++i)
        points_[i]->Counter = counts[i];
}

bool TBreakPointList::MayHit(const QString& state, const QString& symbol) const {
    for (const auto& p : points_)
        if (p->Enabled && (p->State.isEmpty() || p->State == TrimText(state)) &&
            (p->Symbol.isEmpty() || p->Symbol == FirstChar(symbol)))
            return true;
    return false;
}
