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
// same step as the log does.
//
// Asked a step at a time (the engine's tick), it keeps for each row only the state, the head and a hash of
// the tape, kept up to date cell by cell as the machine writes; a matching hash is confirmed against the
// cells written since that row.
//
// Run goes at the compiled run's full speed instead. A machine that comes back to a configuration repeats
// what it did since, forever: its configurations repeat with some period from some step on, and the log
// first finds a repeat one period after that step, provided the period is within its MaxCount rows. So
// the run only compares with one configuration at a time, a checkpoint taken every span steps (a span at
// least MaxCount), which finds the period within a span once the repeating has begun; the step where it
// began, after the checkpoint before, is then found by running from that one twice, a period apart.
class TLoopCheck final : public TStepLog, public TRunCore::TWriteTrace, private TRunCore::TWatch {
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

    // Runs the compiled machine until a stop, until limit steps are counted or, with history, until a step
    // repeats a configuration the log would still hold: then repeat is the earlier step and the rule is
    // pending, as the log's question comes before the row is logged. Each step counts as logged.
    TRunCore::TOutcome Run(qint64 limit, int dies, bool history, qint64& repeat);
    // Marks where a run taken over mid-way starts to be logged here a step at a time: once these rows span a
    // window, Run goes at full speed again instead of comparing with them one step at a time.
    void Anchor(int dies);
    // The steps Run has taken one at a time.
    qint64 StepsOneByOne() const { return oneByOne_; }

    // The calls of a run a step at a time, at each step looked up and at each cell written.
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

    // A configuration the fast run compares with: the cells from first on are those the head can reach
    // within two spans.
    struct TCheckpoint {
        qint64 step = -1;
        int state = 0;
        int head = 0;
        int leftBlanks = 0;
        int rightBlanks = 0;
        int first = 0;
        std::vector<std::uint8_t> cells;
    };

    // A run aside over a copy of some cells.
    struct TReplay {
        std::vector<std::uint8_t> cells;
        int first;
        int state;
        int head;
        int left;
        int right;
        qint64 step;
    };

    bool Seen(int state, qint64 step, const std::uint8_t* cells) override;
    void Checkpoint(TCheckpoint& c);
    // One step of m; differ counts the cells where m and other differ. False at a stop.
    bool Step(TReplay& m, const TReplay& other, int& differ);
    // The period when the configuration the run stands in comes back within window steps, else 0.
    qint64 LookAhead(qint64 window);
    // With period_ known: finds firstRepeat_, the step the log first finds the repeat at, and puts the run
    // there if it comes no later than until (or at the step after from, if later).
    void Locate(qint64 from, qint64 until);
    TRunCore::TOutcome RunStepwise(qint64 limit, int dies, qint64& repeat);

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

    // The fast run: whether it has seen every step from its first checkpoint to followed_, the checkpoints,
    // the period once found and the step the log first finds it at, and the step the watch matched at.
    bool following_ = false;
    qint64 followed_ = 0;
    qint64 span_ = 0;
    int dies_ = 1;
    int watchedClass_ = -1;
    TCheckpoint older_;
    TCheckpoint newer_;
    // Where Anchor was called (step -1: not, or rows were lost since), and the span it was taken with.
    TCheckpoint anchor_;
    qint64 anchorSpan_ = 0;
    qint64 oneByOne_ = 0;
    qint64 period_ = 0;
    qint64 firstRepeat_ = 0;
    qint64 seenAt_ = 0;
};
