#pragma once

#include "machine/ports.h"
#include "machine/runcore.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

class TConfig;

// The run log's loop check without the log's rows, for runs that nobody reads the rows of: it finds the
// same step as the log does, but keeps for each row only the state, the head and a hash of the tape, kept
// up to date cell by cell as the machine writes. A matching hash is confirmed against the cells written
// since that row, so a repeat is reported exactly when the log would report it.
class TLoopCheck final : public TStepLog, public TRunCore::TWriteTrace {
public:
    TLoopCheck(TRunCore& core, const TConfig& settings);
    ~TLoopCheck();
    TLoopCheck(const TLoopCheck&) = delete;
    TLoopCheck& operator=(const TLoopCheck&) = delete;

    // The log's calls; the configuration is read from the compiled run, the texts are not needed.
    qint64 FindRepeatedConfiguration(const QString&, const QString&, int, const TFullWord&) override { return Find(); }
    void LogStep(qint64, const QString&, const QString&, int, std::unique_ptr<TFullWord>, const QString&) override {
        Log();
    }
    void ClearLog() override;
    TLoopCheck* LoopCheck() override { return this; }

    // The compiled run's calls, at each step looked up and at each cell written.
    qint64 Find();
    void Log();
    void Wrote(qint64 step, int position, std::uint8_t before, std::uint8_t after) override {
        hash_ += Mix(std::uint64_t(std::int64_t(position))) * (std::uint64_t(after) - std::uint64_t(before));
        if (step != writesFirst_ + qint64(writes_.size()))
            Forget(step);
        writes_.push_back(TWrite{position, before});
        // Without rows logged (the log's window closed mid-run, say) the writes must not pile up.
        if (writes_.size() > writeBound_) {
            writes_.pop_front();
            ++writesFirst_;
        }
    }

private:
    struct TRow {
        qint64 step;
        std::uint64_t key;
        int stateClass;
        int head;
    };
    struct TWrite {
        int position;
        std::uint8_t before;
    };

    static std::uint64_t Mix(std::uint64_t x) {
        x += 0x9e3779b97f4a7c15ull;
        x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
        x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
        return x ^ (x >> 31);
    }
    int StateClass(int id);
    std::uint64_t Key(int stateClass, int head) const;
    bool SameTape(qint64 since);
    void Forget(qint64 step);

    TRunCore& core_;
    const TConfig& settings_;
    std::deque<TRow> rows_;
    // The cell each step wrote and what it held before, from step writesFirst_ on.
    std::deque<TWrite> writes_;
    qint64 writesFirst_ = 0;
    std::size_t writeBound_ = 1;
    // The newest held row of each key.
    std::unordered_map<std::uint64_t, qint64> newest_;
    // Sum over the cells of a number of the cell times (symbol - blank): blanks added count nothing.
    std::uint64_t hash_ = 0;
    // The case-folded state of each state number.
    std::vector<int> classOf_;
    QHash<QString, int> classes_;
    std::unordered_map<int, std::uint8_t> earliest_;
};
