#include "machine/loopcheck.h"

#include "settings/config.h"

#include <algorithm>

TLoopCheck::TLoopCheck(TRunCore& core, const TConfig& settings) : core_(core), settings_(settings) {}

TLoopCheck::~TLoopCheck() {
    if (core_.trace == this)
        core_.trace = nullptr;
}

void TLoopCheck::ClearLog() {
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
