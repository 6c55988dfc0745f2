#include "machine/loopcheck.h"

#include "settings/config.h"

#include <algorithm>
#include <cstring>

TLoopCheck::TLoopCheck(TRunCore& core, const TConfig& settings) : core_(core), settings_(settings) {}

TLoopCheck::~TLoopCheck() {
    if (core_.trace == this)
        core_.trace = nullptr;
}

void TLoopCheck::ClearLog() {
    following_ = false;
    anchor_.step = -1;
    rows_.clear();
    newest_.clear();
    writes_.clear();
    writesFirst_ = core_.step;
    hash_ = 0;
    for (std::size_t i = 0; i < core_.tape.size(); ++i)
        hash_ += Mix(std::uint64_t(std::int64_t(int(i) - core_.leftBlanks))) *
                 (std::uint64_t(core_.tape[i]) - std::uint64_t(std::uint8_t('#')));
    core_.trace = this;
}

void TLoopCheck::Forget(qint64 step) {
    // Steps went by unseen: what was held can no longer be compared with.
    anchor_.step = -1;
    rows_.clear();
    newest_.clear();
    writes_.clear();
    writesFirst_ = step;
}

int TLoopCheck::StateClass(int id) {
    while (int(classOf_.size()) <= id) {
        const QString folded = core_.StateName(int(classOf_.size())).toCaseFolded();
        classOf_.push_back(classes_.insert(folded, classes_.value(folded, int(classes_.size()))).value());
    }
    return classOf_[std::size_t(id)];
}

std::uint64_t TLoopCheck::Key(int stateClass, int head) const {
    return hash_ + Mix((std::uint64_t(std::uint32_t(stateClass)) << 32) | std::uint32_t(head));
}

bool TLoopCheck::SameTape(qint64 since) {
    // The tape then differs from the tape now only in cells written since: each must hold again what it
    // held before the first of those writes.
    earliest_.clear();
    for (qint64 k = core_.step - 1; k >= since; --k) {
        const TWrite& w = writes_[std::size_t(k - writesFirst_)];
        earliest_[w.position] = w.before;
    }
    for (const auto& [position, before] : earliest_)
        if (core_.tape[std::size_t(position + core_.leftBlanks)] != before)
            return false;
    return true;
}

qint64 TLoopCheck::Find() {
    if (rows_.empty() || writesFirst_ + qint64(writes_.size()) != core_.step)
        return 0;
    const int stateClass = StateClass(core_.state);
    const int head = core_.headPosition;
    const std::uint64_t key = Key(stateClass, head);
    const auto it = newest_.find(key);
    if (it == newest_.end())
        return 0;
    const qint64 first = rows_.front().step;
    const auto same = [&](const TRow& r) { return r.stateClass == stateClass && r.head == head && SameTape(r.step); };
    if (same(rows_[std::size_t(it->second - first)]))
        return it->second;
    // Another configuration with the same hash: look through the older rows.
    for (auto r = rows_.rbegin(); r != rows_.rend(); ++r)
        if (r->key == key && r->step < it->second && same(*r))
            return r->step;
    return 0;
}

void TLoopCheck::Log() {
    // A row the fast run has not seen: it can no longer stand for the rows before.
    if (following_ && core_.step != followed_)
        following_ = false;
    const std::size_t limit = std::size_t(std::max(1, settings_.MaxCount));
    if (!rows_.empty() && (rows_.back().step + 1 != core_.step || writesFirst_ + qint64(writes_.size()) != core_.step))
        Forget(core_.step);
    writeBound_ = limit + 1;
    while (rows_.size() >= limit) {
        const TRow& r = rows_.front();
        const auto it = newest_.find(r.key);
        if (it != newest_.end() && it->second == r.step)
            newest_.erase(it);
        rows_.pop_front();
    }
    const int stateClass = StateClass(core_.state);
    const TRow row{core_.step, Key(stateClass, core_.headPosition), stateClass, core_.headPosition};
    rows_.push_back(row);
    newest_[row.key] = row.step;
    // Writes older than the oldest row are never compared again.
    while (writesFirst_ < rows_.front().step) {
        if (writes_.empty()) {
            writesFirst_ = rows_.front().step;
            break;
        }
        writes_.pop_front();
        ++writesFirst_;
    }
}

TRunCore::TOutcome TLoopCheck::RunStepwise(qint64 limit, int dies, qint64& repeat) {
    core_.trace = this;
    while (core_.hasPending && core_.step < limit) {
        TRunCore::TOutcome outcome = core_.Execute(dies);
        if (outcome == TRunCore::TOutcome::Ok)
            outcome = core_.Lookup();
        if (outcome != TRunCore::TOutcome::Ok)
            return outcome;
        ++oneByOne_;
        if ((repeat = Find()) != 0)
            break;
        Log();
        // A stop of the core ends the run here, as a limit there would.
        if (core_.AtStop(core_.state, core_.HeadByte()))
            break;
    }
    return TRunCore::TOutcome::Ok;
}

TRunCore::TOutcome TLoopCheck::Run(qint64 limit, int dies, bool history, qint64& repeat) {
    repeat = 0;
    dies_ = dies;
    if (!history) {
        following_ = false;
        return core_.RunUntil(limit, dies);
    }
    const qint64 window = std::max(1, settings_.MaxCount);
    const qint64 from = core_.step;
    if (!following_ || followed_ != from || window > span_) {
        // Long enough that a checkpoint costs little, short enough that the cells compared stay few.
        const qint64 span = std::max<qint64>(window, 256);
        // Rows logged a step at a time since the anchor, a window or more of them: a repeat the log finds from
        // now on began after the anchor, or it would have been found already, so the anchor serves as the
        // older checkpoint (it holds the cells of three spans, as far as the run goes from it before a swap).
        const bool anchored =
            anchor_.step >= 0 && anchorSpan_ == span && from - anchor_.step >= window && from - anchor_.step <= span;
        // Rows logged a step at a time before this one are compared with only that way.
        if (!anchored && !rows_.empty() && rows_.front().step < from)
            return RunStepwise(limit, dies, repeat);
        following_ = true;
        followed_ = from;
        period_ = 0;
        span_ = span;
        older_.step = -1;
        if (anchored)
            older_ = anchor_;
        anchor_.step = -1;
        watchedClass_ = -1;
        Checkpoint(newer_);
    }
    TRunCore::TOutcome outcome = TRunCore::TOutcome::Ok;
    for (;;) {
        if (period_ != 0) {
            // The run repeats with that period: the log finds it at firstRepeat_ and at every step after.
            const qint64 at = std::max(firstRepeat_, from + 1);
            outcome = core_.RunUntil(period_ > window ? limit : std::min(limit, at), dies);
            if (core_.stoppedAt >= 0)
                limit = std::min(limit, core_.stoppedAt);
            if (period_ <= window && outcome == TRunCore::TOutcome::Ok && core_.step == at)
                repeat = at - period_;
            break;
        }
        if (core_.step >= newer_.step + span_) {
            std::swap(older_, newer_);
            Checkpoint(newer_);
        }
        seenAt_ = 0;
        outcome = core_.RunUntil(std::min(limit, newer_.step + span_), dies, this);
        // A stop of the core ends the run there, as a limit there would: what follows is what a limit finds.
        if (core_.stoppedAt >= 0)
            limit = std::min(limit, core_.stoppedAt);
        if (seenAt_ != 0) {
            period_ = seenAt_ - newer_.step;
            if (period_ <= window)
                Locate(from, seenAt_);
            // Else the log, whose rows are fewer than the period, never finds it.
            continue;
        }
        // A repeat the log would have found by the limit but the checkpoints not yet: the run goes on from
        // the limit a window's length further, aside.
        if (outcome == TRunCore::TOutcome::Ok && core_.step >= limit) {
            if (const qint64 period = LookAhead(window)) {
                period_ = period;
                Locate(from, limit);
                continue;
            }
        }
        if (outcome != TRunCore::TOutcome::Ok || core_.step >= limit)
            break;
    }
    followed_ = core_.step;
    return outcome;
}

void TLoopCheck::Anchor(int dies) {
    dies_ = dies;
    span_ = std::max<qint64>(std::max(1, settings_.MaxCount), 256);
    anchorSpan_ = span_;
    // Not a checkpoint the fast run is following.
    following_ = false;
    Checkpoint(anchor_);
}

void TLoopCheck::Checkpoint(TCheckpoint& c) {
    c.step = core_.step;
    c.state = core_.state;
    c.head = core_.headPosition;
    c.leftBlanks = core_.leftBlanks;
    c.rightBlanks = core_.rightBlanks;
    // The cells the run can reach before the checkpoint after next, and a span beyond for a look ahead.
    const qint64 reach = 3 * span_;
    c.first = int(std::max<qint64>(c.head - reach, -core_.LeftReach(dies_)));
    const int last = int(std::min<qint64>(c.head + reach, core_.wordLength + core_.RightReach(dies_)));
    const std::uint8_t* cells = core_.CellAt(c.first, dies_);
    c.cells.assign(cells, cells + (last - c.first + 1));
    watchedHead = c.head;
    watchedSymbol = *core_.CellAt(c.head, dies_);
    const int watched = StateClass(c.state);
    if (watched != watchedClass_ || watchedStates.size() != std::size_t(core_.StateCount())) {
        watchedClass_ = watched;
        watchedStates.assign(std::size_t(core_.StateCount()), 0);
        for (int id = 0; id < core_.StateCount(); ++id)
            watchedStates[std::size_t(id)] = StateClass(id) == watched;
    }
}

bool TLoopCheck::Seen(int, qint64 step, const std::uint8_t* cells) {
    // The class, the head and its symbol agree: so must the cells the head can have reached since.
    const qint64 since = step - newer_.step;
    const int first = int(std::max<qint64>(watchedHead - since, newer_.first));
    const int last = int(std::min<qint64>(watchedHead + since, newer_.first + qint64(newer_.cells.size()) - 1));
    if (std::memcmp(cells + first, newer_.cells.data() + (first - newer_.first), std::size_t(last - first + 1)) != 0)
        return false;
    seenAt_ = step;
    return true;
}

bool TLoopCheck::Step(TReplay& m, const TReplay& other, int& differ) {
    // Off the cells held is over a border, as the cells held end at the reach or far beyond the steps run.
    const qint64 i = m.head - m.first;
    if (i < 0 || i >= qint64(m.cells.size()))
        return false;
    std::uint8_t& cell = m.cells[std::size_t(i)];
    const TRunCore::TRule& r = core_.RuleAt(m.state, cell);
    if (r.row < 0)
        return false;
    const std::uint8_t theirs = other.cells[std::size_t(i)];
    differ += int(r.write != theirs) - int(cell != theirs);
    cell = r.write;
    m.state = r.next;
    m.head += r.delta;
    ++m.step;
    // The blanks on each side, as the tape grows under the head.
    const int p = m.head;
    if (p > 0) {
        const int before = m.right;
        m.right = std::max(m.right, p - core_.wordLength + 1);
        if (m.right > dies_ - 1)
            m.right = std::max(dies_ - 1, before);
    } else {
        const int before = m.left;
        m.left = std::max(m.left, -p + 1);
        if (m.left > dies_)
            m.left = std::max(dies_, before);
    }
    return true;
}

qint64 TLoopCheck::LookAhead(qint64 window) {
    TReplay start;
    start.first = int(std::max<qint64>(core_.headPosition - window, -core_.LeftReach(dies_)));
    const int last = int(std::min<qint64>(core_.headPosition + window, core_.wordLength + core_.RightReach(dies_)));
    const std::uint8_t* cells = core_.CellAt(start.first, dies_);
    start.cells.assign(cells, cells + (last - start.first + 1));
    start.state = core_.state;
    start.head = core_.headPosition;
    start.left = core_.leftBlanks;
    start.right = core_.rightBlanks;
    start.step = core_.step;
    TReplay m = start;
    const int stateClass = StateClass(start.state);
    int differ = 0;
    for (qint64 k = 1; k <= window; ++k) {
        if (!Step(m, start, differ))
            return 0;
        if (differ == 0 && m.head == start.head && StateClass(m.state) == stateClass)
            return k;
    }
    return 0;
}

void TLoopCheck::Locate(qint64 from, qint64 until) {
    // The repeating began after the older checkpoint, or the run would have found it from there; without one,
    // not before the newer, where the rows begin. Two runs from there, a period apart, stand in the same
    // configuration first where the log finds the repeat.
    const TCheckpoint& o = older_.step >= 0 ? older_ : newer_;
    // Should the runs aside fail, which the steps already run rule out, the run stops where it stands.
    firstRepeat_ = until;
    TReplay a{o.cells, o.first, o.state, o.head, o.leftBlanks, o.rightBlanks, o.step};
    TReplay b = a;
    int differ = 0;
    for (qint64 k = 0; k < period_; ++k)
        if (!Step(b, a, differ))
            return;
    differ = 0;
    for (std::size_t i = 0; i < a.cells.size(); ++i)
        differ += a.cells[i] != b.cells[i];
    while (differ != 0 || a.head != b.head || StateClass(a.state) != StateClass(b.state))
        if (!Step(a, b, differ) || !Step(b, a, differ))
            return;
    firstRepeat_ = b.step;
    // Found after the steps run: the run stands at until, which the log reaches without finding it.
    if (firstRepeat_ > until)
        return;
    while (b.step <= from)
        if (!Step(b, a, differ))
            return;
    core_.MoveTo(o.first, b.cells, b.state, b.head, b.left, b.right, b.step);
}
