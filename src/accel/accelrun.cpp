#include "accel/accelrun.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <unordered_map>

namespace {

constexpr std::uint8_t Blank = '#';
// The largest block: its cells packed into one 64-bit word, a byte a cell.
constexpr int MaxBlock = 8;
// Steps the machine may take inside one block before the block counts as one it never leaves cheaply.
constexpr std::int64_t InsideBound = 1024;
// The part of the steps left that is kept in a machine word; the rest waits in the big number.
constexpr std::int64_t SmallRoom = std::int64_t(1) << 60;

struct TCellRule {
    std::int32_t next = 0;
    std::uint8_t write = 0;
    std::int8_t delta = 0;
    bool ok = false;
};

// What the machine does to a block it enters at one of its ends, in a state: the block it leaves, the state
// it leaves in, where it leaves (0 left, 1 right, 2 not at all: it halts there or stays too long), the steps,
// and the lowest and highest cell of the block it stood on.
struct TMacro {
    std::uint64_t word = 0;
    std::int64_t steps = 0;
    std::int32_t state = 0;
    std::uint8_t exit = 2;
    std::int8_t low = 0;
    std::int8_t high = 0;
};

struct TKey {
    std::uint64_t word;
    std::uint32_t stateSide;
    bool operator==(const TKey&) const = default;
};

struct TKeyHash {
    std::size_t operator()(const TKey& k) const {
        std::uint64_t h = k.word * 0x9E3779B97F4A7C15ull ^ (std::uint64_t(k.stateSide) * 0xC2B2AE3D27D4EB4Full);
        return std::size_t(h ^ (h >> 29));
    }
};

// Positions of the head and of the farthest cells it stood on: machine arithmetic, as no run of steps a machine
// can take one block at a time reaches 2^100 cells; only a head that runs off over endless blanks goes farther,
// and that is kept apart (TMacroMachine::away_).
__extension__ typedef __int128 TPos;
__extension__ typedef unsigned __int128 TUPos;

mpz_class Big(TPos v) {
    const bool negative = v < 0;
    const TUPos u = negative ? TUPos(0) - TUPos(v) : TUPos(v);
    mpz_class r = static_cast<unsigned long>(u >> 64);
    r <<= 64;
    r += static_cast<unsigned long>(u & ~0ul);
    return negative ? mpz_class(-r) : r;
}

// Whether a number is far below the range of TPos, and then its value there.
bool Small(const mpz_class& n, TPos& v) {
    if (mpz_sizeinbase(n.get_mpz_t(), 2) > 100)
        return false;
    mpz_class a = abs(n);
    mpz_class high;
    mpz_fdiv_q_2exp(high.get_mpz_t(), a.get_mpz_t(), 64);
    mpz_class low;
    mpz_fdiv_r_2exp(low.get_mpz_t(), a.get_mpz_t(), 64);
    const TPos u = (TPos(high.get_ui()) << 64) | TPos(low.get_ui());
    v = n < 0 ? -u : u;
    return true;
}

struct TBlocks {
    std::uint64_t word;
    mpz_class count;
};

// A stack of runs that keeps the numbers of runs taken off for the next ones put on, so that the blocks going
// to and fro allocate nothing.
class TStack {
public:
    bool empty() const { return size_ == 0; }
    std::size_t size() const { return size_; }
    TBlocks& back() { return items_[size_ - 1]; }
    const TBlocks& operator[](std::size_t i) const { return items_[i]; }
    void pop_back() { --size_; }
    template <typename N>
    void push_back(std::uint64_t word, const N& count) {
        if (size_ < items_.size()) {
            items_[size_].word = word;
            items_[size_].count = count;
        } else {
            items_.push_back(TBlocks{word, mpz_class(count)});
        }
        ++size_;
    }

private:
    std::vector<TBlocks> items_;
    std::size_t size_ = 0;
};

std::uint8_t CellOf(std::uint64_t word, int i) {
    return std::uint8_t(word >> (8 * i));
}

std::uint64_t WithCell(std::uint64_t word, int i, std::uint8_t b) {
    return (word & ~(std::uint64_t(0xff) << (8 * i))) | (std::uint64_t(b) << (8 * i));
}

// The machine over blocks of k cells. The head stands in the block between the two stacks of runs; the
// blanks beyond the outermost runs are not kept.
class TMacroMachine {
public:
    enum class TStatus : std::uint8_t { Going, Halt, LeftBorder, RightBorder, StepLimit };

    TMacroMachine(const std::vector<TCellRule>& rules, int k, const TRunCore& core, int dies, const mpz_class& limit)
        : rules_(rules), k_(k) {
        const auto size = std::int64_t(core.tape.size());
        first0_ = -core.leftBlanks;
        last0_ = size - 1 - core.leftBlanks;
        wordLength_ = core.wordLength;
        bounded_ = dies > 0;
        if (bounded_) {
            lo_ = std::min<std::int64_t>(-dies, first0_);
            hi_ = std::max<std::int64_t>(std::int64_t(wordLength_) + dies - 1, last0_);
        }
        for (int i = 0; i < k_; ++i)
            blank_ = WithCell(blank_, i, Blank);
        const std::int64_t head = core.headPosition;
        const auto blockOf = [&](std::int64_t p) { return p >= 0 ? p / k : -((-p + k - 1) / k); };
        const auto wordAt = [&](std::int64_t block) {
            std::uint64_t w = 0;
            for (int i = 0; i < k_; ++i) {
                const std::int64_t p = block * k_ + i;
                w = WithCell(w, i, p >= first0_ && p <= last0_ ? core.tape[std::size_t(p - first0_)] : Blank);
            }
            return w;
        };
        const std::int64_t hb = blockOf(head);
        for (std::int64_t b = blockOf(last0_); b > hb; --b)
            PushBlank(right_, wordAt(b), 1ul);
        for (std::int64_t b = blockOf(first0_); b < hb; ++b)
            PushBlank(left_, wordAt(b), 1ul);
        cur_ = wordAt(hb);
        off_ = int(head - hb * k_);
        pos_ = TPos(hb) * k_;
        minV_ = head;
        maxV_ = head;
        state_ = core.state;
        enter_ = off_ == 0 ? 0 : off_ == k_ - 1 ? 1 : -1;
        limit_ = limit;
        SetRemaining(limit);
    }

    int BlockSize() const { return k_; }
    std::uint64_t MacroSteps() const { return macroSteps_; }
    mpz_class Steps() const { return limit_ - Remaining(); }

    // Runs until the run ends or budget more blocks have been crossed.
    TStatus Run(std::uint64_t budget) {
        const std::uint64_t until = macroSteps_ + budget;
        while (macroSteps_ < until) {
            if (small_ == 0 && !Refill())
                return AtLimit();
            if (enter_ < 0) {
                if (const TStatus s = CellStep(); s != TStatus::Going)
                    return s;
                continue;
            }
            const TMacro& m = MacroOf(state_, k_ == 1 ? 0 : enter_, cur_);
            if (m.exit == 2 || (m.steps > small_ && !Refill(m.steps)) || (bounded_ && !Safe(m))) {
                enter_ = -1;
                continue;
            }
            ++macroSteps_;
            const bool right = m.exit == 1;
            if (m.state == state_ && (k_ == 1 || (right ? enter_ == 0 : enter_ == 1))) {
                if (Chain(m, right))
                    continue;
            }
            small_ -= m.steps;
            cur_ = m.word;
            state_ = m.state;
            VisitBlock(m);
            Leave(right);
        }
        return TStatus::Going;
    }

    TFastResult Result(TStatus status) const {
        TFastResult r;
        switch (status) {
        case TStatus::Halt:
            r.end = TFastResult::TEnd::Halt;
            break;
        case TStatus::LeftBorder:
            r.end = TFastResult::TEnd::LeftBorder;
            break;
        case TStatus::RightBorder:
            r.end = TFastResult::TEnd::RightBorder;
            break;
        default:
            r.end = TFastResult::TEnd::StepLimit;
            break;
        }
        r.steps = Steps();
        r.state = state_;
        r.symbol = CellOf(cur_, off_);
        const int away = away_ > 0 ? 1 : away_ < 0 ? -1 : 0;
        r.head = Big(pos_ + off_) + away_;
        r.blockSize = k_;
        r.macroSteps = macroSteps_;
        // The tape keeps one blank beyond the farthest cell the head stood on, within the limit.
        // After a run off to one side the head's side of the tape is counted from where it ran to.
        const mpz_class minV = Big(minV_) + (away < 0 ? away_ : mpz_class(0));
        const mpz_class maxV = Big(maxV_) + (away > 0 ? away_ : mpz_class(0));
        mpz_class first = std::min(mpz_class(first0_), mpz_class(minV - 1));
        mpz_class last = std::max(mpz_class(last0_), mpz_class(maxV + 1));
        if (bounded_) {
            first = std::max(first, mpz_class(lo_));
            last = std::min(last, mpz_class(hi_));
        }
        r.first = first;
        // The cells from the outermost run on the left to the outermost on the right, then blanks to the ends.
        std::vector<TTapeRun> runs;
        const auto add = [&](std::uint64_t word, const mpz_class& count) {
            std::string w;
            for (int i = 0; i < k_; ++i)
                w.push_back(char(CellOf(word, i)));
            runs.push_back(TTapeRun{w, count});
        };
        mpz_class leftCells = 0;
        for (std::size_t i = 0; i < left_.size(); ++i) {
            add(left_[i].word, left_[i].count);
            leftCells += left_[i].count * k_;
        }
        add(cur_, 1);
        mpz_class rightCells = 0;
        for (std::size_t i = right_.size(); i-- > 0;) {
            add(right_[i].word, right_[i].count);
            rightCells += right_[i].count * k_;
        }
        const mpz_class from = Big(pos_) + away_ - leftCells;
        const mpz_class to = Big(pos_) + away_ + k_ + rightCells - 1;
        r.tape = Cut(runs, from, to, first, last);
        return r;
    }

private:
    // The steps left: small_ in a machine word, the rest in big_.
    void SetRemaining(const mpz_class& n) {
        if (n <= SmallRoom) {
            small_ = n.get_si();
            big_ = 0;
        } else {
            small_ = SmallRoom;
            big_ = n - SmallRoom;
        }
    }
    mpz_class Remaining() const { return big_ + small_; }
    // Moves steps from the big number into the machine word so that at least need are there; false when the
    // steps left are fewer.
    bool Refill(std::int64_t need = 1) {
        if (small_ >= need)
            return true;
        if (big_ == 0)
            return false;
        SetRemaining(Remaining());
        return small_ >= need;
    }

    TStatus AtLimit() {
        // A machine that halts at the limit halts: no rule is looked up before the limit is checked.
        if (!Rule(state_, CellOf(cur_, off_)).ok)
            return TStatus::Halt;
        return TStatus::StepLimit;
    }

    const TCellRule& Rule(int state, std::uint8_t b) const { return rules_[(std::size_t(state) << 8) | b]; }

    template <typename N>
    static void Push(TStack& stack, std::uint64_t word, const N& n) {
        if (!stack.empty() && stack.back().word == word)
            stack.back().count += n;
        else
            stack.push_back(word, n);
    }
    template <typename N>
    void PushBlank(TStack& stack, std::uint64_t word, const N& n) {
        // Blanks beyond the outermost run are not kept.
        if (stack.empty() && word == blank_)
            return;
        Push(stack, word, n);
    }
    std::uint64_t Pop(TStack& stack) {
        if (stack.empty())
            return blank_;
        TBlocks& top = stack.back();
        const std::uint64_t w = top.word;
        if (--top.count == 0)
            stack.pop_back();
        return w;
    }

    void Visit(TPos p) {
        if (p < minV_)
            minV_ = p;
        else if (p > maxV_)
            maxV_ = p;
    }
    void VisitBlock(const TMacro& m) {
        if (pos_ + m.low < minV_)
            minV_ = pos_ + m.low;
        if (pos_ + m.high > maxV_)
            maxV_ = pos_ + m.high;
    }

    // The head goes out of its block to the neighbour on that side, landing on its nearer end.
    void Leave(bool right) {
        if (right) {
            PushBlank(left_, cur_, 1ul);
            cur_ = Pop(right_);
            pos_ += k_;
            off_ = 0;
            enter_ = 0;
        } else {
            PushBlank(right_, cur_, 1ul);
            cur_ = Pop(left_);
            pos_ -= k_;
            off_ = k_ - 1;
            enter_ = 1;
        }
        Visit(pos_ + off_);
    }

    // Whether a block step stays clear of the tape's limits: the block within them, and its way out not over them.
    bool Safe(const TMacro& m) const {
        const auto start = std::int64_t(pos_);
        if (start < lo_ || start + k_ - 1 > hi_)
            return false;
        return m.exit == 1 ? start + k_ - 1 < hi_ : start > lo_;
    }

    // The machine crosses the block under the head and the equal blocks beyond it, each alike: as many as the
    // steps left and the tape's limits allow. False when not even the first may go.
    bool Chain(const TMacro& m, bool right) {
        TStack& ahead = right ? right_ : left_;
        TStack& behind = right ? left_ : right_;
        const bool endless = ahead.empty() && cur_ == blank_;
        // The common case in machine words: a run ahead of fewer than 2^60 blocks, the steps left within small_.
        if ((endless && big_ == 0) ||
            (!ahead.empty() && ahead.back().word == cur_ && mpz_sizeinbase(ahead.back().count.get_mpz_t(), 2) < 60)) {
            std::int64_t n = small_ / m.steps;
            if (!endless)
                n = std::min<std::int64_t>(n, ahead.back().count.get_si() + 1);
            if (bounded_) {
                const auto start = std::int64_t(pos_);
                n = std::min<std::int64_t>(n, right ? (hi_ - start) / k_ : (start - lo_) / k_);
            }
            if (n <= 1)
                return false;
            small_ -= n * m.steps;
            ++macroSteps_;
            state_ = m.state;
            VisitBlock(m);
            pos_ += TPos(right ? n - 1 : 1 - n) * k_;
            VisitBlock(m);
            if (!endless) {
                mpz_sub_ui(ahead.back().count.get_mpz_t(), ahead.back().count.get_mpz_t(),
                           static_cast<unsigned long>(n - 1));
                if (ahead.back().count == 0)
                    ahead.pop_back();
            }
            PushBlank(behind, m.word, static_cast<unsigned long>(n));
            Enter(right);
            return true;
        }
        // Blocks beyond the one under the head: the run ahead of the same word, or endless blanks.
        mpz_class more = 0;
        if (!ahead.empty() && ahead.back().word == cur_)
            more = ahead.back().count;
        if (more == 0 && !endless)
            return false;
        // As many as the steps left allow, and the limits of the tape.
        mpz_class n = Remaining() / m.steps;
        if (!endless && n > more + 1)
            n = more + 1;
        if (bounded_) {
            const auto start = std::int64_t(pos_);
            // Blocks that lie within the limits and do not leave over them.
            const std::int64_t room = right ? (hi_ - start) / k_ : (start - lo_) / k_;
            if (n > room)
                n = room;
        }
        if (n <= 1)
            return false;
        const mpz_class steps = n * m.steps;
        SetRemaining(Remaining() - steps);
        macroSteps_ += 1;
        state_ = m.state;
        // The first block and the last one reach farthest.
        VisitBlock(m);
        const mpz_class shift = (n - 1) * k_;
        TPos small = 0;
        if (Small(shift, small)) {
            pos_ += right ? small : -small;
        } else {
            // Off over endless blanks, never to come back before the steps run out: the head's side of the tape
            // is counted from here on.
            away_ += right ? shift : mpz_class(-shift);
            if (right)
                maxV_ = pos_;
            else
                minV_ = pos_;
        }
        VisitBlock(m);
        // n - 1 blocks ahead are taken, n blocks go behind, written.
        if (!endless) {
            ahead.back().count -= n - 1;
            if (ahead.back().count == 0)
                ahead.pop_back();
        }
        PushBlank(behind, m.word, n);
        Enter(right);
        return true;
    }

    // Out of the last block of a run crossed into the next.
    void Enter(bool right) {
        if (right) {
            cur_ = Pop(right_);
            pos_ += k_;
            off_ = 0;
            enter_ = 0;
        } else {
            cur_ = Pop(left_);
            pos_ -= k_;
            off_ = k_ - 1;
            enter_ = 1;
        }
        Visit(pos_ + off_);
    }

    // One step of the machine, exactly as the run core takes it.
    TStatus CellStep() {
        const TCellRule& r = Rule(state_, CellOf(cur_, off_));
        if (!r.ok)
            return TStatus::Halt;
        if (bounded_) {
            const std::int64_t p = std::int64_t(pos_) + off_;
            if (p <= lo_ && r.delta < 0)
                return TStatus::LeftBorder;
            if (p >= hi_ && r.delta > 0)
                return TStatus::RightBorder;
        }
        cur_ = WithCell(cur_, off_, r.write);
        state_ = r.next;
        --small_;
        off_ += r.delta;
        if (off_ < 0) {
            Leave(false);
        } else if (off_ >= k_) {
            Leave(true);
        } else {
            Visit(pos_ + off_);
        }
        return TStatus::Going;
    }

    const TMacro& MacroOf(int state, int side, std::uint64_t word) {
        const TKey key{word, (std::uint32_t(state) << 1) | std::uint32_t(side)};
        // The blocks met lately, looked up without the table.
        TRecent& recent = recent_[TKeyHash()(key) & (Recent - 1)];
        if (recent.macro && recent.key == key)
            return *recent.macro;
        const auto known = macros_.find(key);
        if (known != macros_.end()) {
            recent = TRecent{key, &known->second};
            return known->second;
        }
        TMacro m;
        int off = side == 0 ? 0 : k_ - 1;
        int s = state;
        std::uint64_t w = word;
        m.low = m.high = std::int8_t(off);
        for (;;) {
            const TCellRule& r = Rule(s, CellOf(w, off));
            if (!r.ok || m.steps >= InsideBound) {
                m.exit = 2;
                break;
            }
            w = WithCell(w, off, r.write);
            s = r.next;
            ++m.steps;
            off += r.delta;
            if (off < 0 || off >= k_) {
                m.exit = off < 0 ? 0 : 1;
                break;
            }
            m.low = std::min(m.low, std::int8_t(off));
            m.high = std::max(m.high, std::int8_t(off));
        }
        m.word = w;
        m.state = s;
        const TMacro& kept = macros_.emplace(key, m).first->second;
        recent = TRecent{key, &kept};
        return kept;
    }

    // The cells from..to (runs given in order) cut or padded with blanks to first..last, equal runs merged.
    std::vector<TTapeRun> Cut(const std::vector<TTapeRun>& runs, const mpz_class& from, const mpz_class& to,
                              const mpz_class& first, const mpz_class& last) const {
        std::vector<TTapeRun> out;
        const auto put = [&out](const std::string& word, const mpz_class& count) {
            if (count <= 0 || word.empty())
                return;
            // A word of one symbol repeated is that symbol repeated.
            std::string w = word;
            mpz_class n = count;
            if (std::all_of(w.begin(), w.end(), [&](char c) { return c == w[0]; })) {
                n *= mpz_class(std::uint64_t(w.size()));
                w.resize(1);
            }
            if (!out.empty() && out.back().word == w)
                out.back().count += n;
            else
                out.push_back(TTapeRun{w, n});
        };
        const std::string blank(1, char(Blank));
        if (first < from)
            put(blank, from - first);
        // Cells to leave out at the start and at the end.
        mpz_class skip = first > from ? mpz_class(first - from) : mpz_class(0);
        mpz_class keep = last - std::max(first, from) + 1;
        for (const TTapeRun& run : runs) {
            if (keep <= 0)
                break;
            const mpz_class cells = run.count * mpz_class(std::uint64_t(run.word.size()));
            if (skip >= cells) {
                skip -= cells;
                continue;
            }
            const auto kk = std::int64_t(run.word.size());
            // Whole words after the skipped cells, with the parts of a word at either end cell by cell.
            mpz_class whole = run.count;
            std::string head;
            if (skip > 0) {
                const std::int64_t skippedWords = mpz_class(skip / kk).get_si();
                const std::int64_t part = mpz_class(skip % kk).get_si();
                whole -= skippedWords;
                if (part > 0) {
                    head = run.word.substr(std::size_t(part));
                    whole -= 1;
                }
                skip = 0;
            }
            if (!head.empty()) {
                const std::size_t take = std::size_t(
                    std::min<std::int64_t>(std::int64_t(head.size()), std::min(keep, mpz_class(1 << 20)).get_si()));
                for (std::size_t i = 0; i < take; ++i)
                    put(std::string(1, head[i]), 1);
                keep -= std::int64_t(take);
            }
            if (keep <= 0 || whole <= 0)
                continue;
            const mpz_class words = std::min(whole, mpz_class(keep / kk));
            if (words > 0) {
                put(run.word, words);
                keep -= words * kk;
            }
            if (keep > 0 && words < whole) {
                const std::int64_t tail = std::min<std::int64_t>(kk, keep.get_si());
                for (std::int64_t i = 0; i < tail; ++i)
                    put(std::string(1, run.word[std::size_t(i)]), 1);
                keep -= tail;
            }
        }
        if (last > to)
            put(blank, last - std::max(to, mpz_class(first - 1)));
        return out;
    }

    const std::vector<TCellRule>& rules_;
    const int k_;
    std::uint64_t blank_ = 0;
    std::int64_t first0_ = 0;
    std::int64_t last0_ = 0;
    int wordLength_ = 0;
    bool bounded_ = false;
    std::int64_t lo_ = 0;
    std::int64_t hi_ = 0;
    TStack left_;
    TStack right_;
    std::uint64_t cur_ = 0;
    int off_ = 0;
    // The position of the block under the head's first cell, and the farthest cells the head stood on; all
    // three but the one on the other side counted from away_ once the head has run off over endless blanks.
    TPos pos_ = 0;
    TPos minV_ = 0;
    TPos maxV_ = 0;
    mpz_class away_;
    int state_ = 0;
    // The end of its block the head came in at (0 left, 1 right), -1 when it stands elsewhere.
    int enter_ = -1;
    mpz_class limit_;
    std::int64_t small_ = 0;
    mpz_class big_;
    std::uint64_t macroSteps_ = 0;
    std::unordered_map<TKey, TMacro, TKeyHash> macros_;
    struct TRecent {
        TKey key{0, 0};
        const TMacro* macro = nullptr;
    };
    static constexpr std::size_t Recent = 4096;
    std::vector<TRecent> recent_ = std::vector<TRecent>(Recent);
};

std::vector<TCellRule> RulesOf(const TRunCore& core) {
    const int states = core.StateCount();
    std::vector<TCellRule> rules(std::size_t(states) << 8);
    for (int s = 0; s < states; ++s)
        for (int b = 0; b < 256; ++b) {
            const TRunRule& r = core.RuleAt(s, std::uint8_t(b));
            TCellRule& c = rules[(std::size_t(s) << 8) | std::size_t(b)];
            c.ok = r.row >= 0;
            c.next = r.next;
            c.write = r.write;
            c.delta = r.delta;
        }
    return rules;
}

// Cells as text with words repeated written as "(1##)^4096": from each place the shortest word of up to 16
// cells that repeats to cover at least 8 cells, else the cell itself.
QStringList Repeats(const QString& cells) {
    QStringList parts;
    QString single;
    const qsizetype n = cells.size();
    for (qsizetype i = 0; i < n;) {
        qsizetype bestWord = 0;
        qsizetype bestCount = 0;
        for (qsizetype w = 1; w <= 16 && i + 2 * w <= n; ++w) {
            qsizetype count = 1;
            while (i + (count + 1) * w <= n && QStringView(cells).mid(i + count * w, w) == QStringView(cells).mid(i, w))
                ++count;
            if (count >= 2 && count * w >= 8) {
                bestWord = w;
                bestCount = count;
                break;
            }
        }
        if (bestWord == 0) {
            single.append(cells[i]);
            ++i;
            continue;
        }
        if (!single.isEmpty())
            parts.append(single);
        single.clear();
        const QString word = cells.mid(i, bestWord);
        parts.append((bestWord == 1 ? word : QLatin1Char('(') + word + QLatin1Char(')')) + QLatin1Char('^') +
                     QString::number(bestCount));
        i += bestWord * bestCount;
    }
    if (!single.isEmpty())
        parts.append(single);
    return parts;
}

} // namespace

mpz_class TFastResult::Length() const {
    mpz_class n = 0;
    for (const TTapeRun& r : tape)
        n += r.count * mpz_class(std::uint64_t(r.word.size()));
    return n;
}

std::array<mpz_class, 256> TFastResult::Counts() const {
    std::array<mpz_class, 256> counts;
    for (mpz_class& c : counts)
        c = 0;
    for (const TTapeRun& r : tape)
        for (const char c : r.word)
            counts[std::uint8_t(c)] += r.count;
    return counts;
}

bool TFastResult::PutInto(TRunCore& core, qint64 base) const {
    const mpz_class length = Length();
    if (length > (1 << 28) || !steps.fits_slong_p() || !first.fits_slong_p() || !head.fits_slong_p())
        return false;
    std::vector<std::uint8_t> cells;
    cells.reserve(std::size_t(length.get_ui()));
    for (const TTapeRun& r : tape)
        for (unsigned long i = 0; i < r.count.get_ui(); ++i)
            cells.insert(cells.end(), r.word.begin(), r.word.end());
    const int from = int(first.get_si());
    const int last = from + int(cells.size()) - 1;
    core.MoveTo(from, cells, state, int(head.get_si()), -from, last - core.wordLength, base + qint64(steps.get_si()));
    return true;
}

QString TFastResult::TapeText(std::size_t bound, bool inner) const {
    // The runs to show: without the blanks at both ends for the inner tape.
    std::size_t from = 0;
    std::size_t to = tape.size();
    if (inner) {
        const auto blank = [](const TTapeRun& r) { return r.word == std::string(1, char(Blank)); };
        while (from < to && blank(tape[from]))
            ++from;
        while (to > from && blank(tape[to - 1]))
            --to;
    }
    mpz_class cells = 0;
    for (std::size_t i = from; i < to; ++i)
        cells += tape[i].count * mpz_class(std::uint64_t(tape[i].word.size()));
    QString text;
    if (cells <= mpz_class(std::uint64_t(bound))) {
        for (std::size_t i = from; i < to; ++i) {
            QString word;
            for (const char c : tape[i].word)
                word.append(TRunCore::CharOf(std::uint8_t(c)));
            text += word.repeated(tape[i].count.get_si());
        }
        return text;
    }
    // Runs of a few cells are gathered into plain text, where words repeated are found again (the blocks of
    // an accelerated run are merged into runs of one symbol when the tape is put together).
    QStringList parts;
    QString loose;
    for (std::size_t i = from; i < to; ++i) {
        QString word;
        for (const char c : tape[i].word)
            word.append(TRunCore::CharOf(std::uint8_t(c)));
        const TTapeRun& r = tape[i];
        if (r.count == 1 || r.count * mpz_class(std::uint64_t(r.word.size())) <= 3) {
            loose += word.repeated(r.count.get_si());
            continue;
        }
        parts += Repeats(loose);
        loose.clear();
        parts.append((r.word.size() == 1 ? word : QLatin1Char('(') + word + QLatin1Char(')')) + QLatin1Char('^') +
                     BigText(r.count));
    }
    parts += Repeats(loose);
    return parts.join(QLatin1Char(' '));
}

TAccelRun::TAccelRun(const TRunCore& core, int dies) : core_(core), dies_(dies) {}

TFastResult TAccelRun::RunPlain(const mpz_class& limit) {
    TRunCore core = core_;
    core.trace = nullptr;
    mpz_class done = 0;
    TRunCore::TOutcome outcome = TRunCore::TOutcome::Ok;
    core.Lookup();
    if (core.found < 0)
        outcome = TRunCore::TOutcome::Halt;
    while (outcome == TRunCore::TOutcome::Ok && done < limit) {
        const mpz_class left = limit - done;
        const qint64 room = cancel ? qint64(1) << 24 : qint64(SmallRoom);
        const qint64 slice = left > long(room) ? room : qint64(left.get_si());
        core.step = 0;
        // Without a limit the reach doubles as the tape grows, as the engine's runs do.
        const int reach = core.ReachFor(dies_);
        outcome = core.RunUntil(slice, reach);
        done += long(core.step);
        if ((outcome == TRunCore::TOutcome::LeftBorder || outcome == TRunCore::TOutcome::RightBorder) &&
            TRunCore::ReachMayGrow(dies_, reach)) {
            core.Widen(core.ReachFor(dies_));
            core.Lookup();
            outcome = TRunCore::TOutcome::Ok;
            continue;
        }
        if ((outcome == TRunCore::TOutcome::Ok && core.step < slice) || (cancel && cancel(done)))
            break;
    }
    TFastResult r;
    r.plain = true;
    r.steps = done;
    switch (outcome) {
    case TRunCore::TOutcome::Halt:
        r.end = TFastResult::TEnd::Halt;
        break;
    case TRunCore::TOutcome::LeftBorder:
    case TRunCore::TOutcome::LeftOff:
        r.end = TFastResult::TEnd::LeftBorder;
        break;
    case TRunCore::TOutcome::RightBorder:
    case TRunCore::TOutcome::RightOff:
        r.end = TFastResult::TEnd::RightBorder;
        break;
    default:
        r.end = core.found < 0 ? TFastResult::TEnd::Halt : TFastResult::TEnd::StepLimit;
        break;
    }
    r.state = core.state;
    r.symbol = core.HeadByte();
    r.head = core.headPosition;
    r.first = -core.leftBlanks;
    for (std::size_t i = 0; i < core.tape.size(); ++i) {
        const char c = char(core.tape[i]);
        if (!r.tape.empty() && r.tape.back().word[0] == c)
            ++r.tape.back().count;
        else
            r.tape.push_back(TTapeRun{std::string(1, c), 1});
    }
    return r;
}

TFastResult TAccelRun::Run(const mpz_class& limit) {
    if (core_.emptySymbol) {
        TFastResult r;
        r.end = TFastResult::TEnd::Halt;
        r.state = core_.state;
        r.head = core_.headPosition;
        r.first = -core_.leftBlanks;
        r.symbol = core_.HeadByte();
        for (std::size_t i = 0; i < core_.tape.size(); ++i)
            r.tape.push_back(TTapeRun{std::string(1, char(core_.tape[i])), 1});
        return r;
    }
    const std::vector<TCellRule> rules = RulesOf(core_);
    using TStatus = TMacroMachine::TStatus;
    // Each block size for a short while from the start: the one that got farthest goes on.
    constexpr std::uint64_t Trial = 2000;
    std::unique_ptr<TMacroMachine> best;
    mpz_class bestSteps = -1;
    for (int k = forced_ > 0 ? forced_ : 1; k <= (forced_ > 0 ? forced_ : MaxBlock); ++k) {
        auto m = std::make_unique<TMacroMachine>(rules, k, core_, dies_, limit);
        const TStatus s = m->Run(Trial);
        if (s != TStatus::Going)
            return m->Result(s);
        const mpz_class steps = m->Steps();
        if (steps > bestSteps) {
            bestSteps = steps;
            best = std::move(m);
        }
    }
    // Blocks that take few steps each go slower than the run core's steps: where the chosen size has averaged
    // fewer than 16 steps a block over a longer while, the run core runs it all from the start.
    constexpr std::uint64_t Longer = 30000;
    constexpr std::uint64_t Chunk = 4096;
    for (std::uint64_t done = 0; done < Longer; done += Chunk) {
        const TStatus s = best->Run(Chunk);
        if (s != TStatus::Going || (cancel && cancel(best->Steps())))
            return best->Result(s);
    }
    if (!noPlain_ && forced_ == 0 && best->Steps() < mpz_class(16ul * best->MacroSteps()))
        return RunPlain(limit);
    for (;;) {
        const TStatus status = best->Run(Chunk);
        if (status != TStatus::Going || (cancel && cancel(best->Steps())))
            return best->Result(status);
    }
}

QString BigText(const mpz_class& n) {
    return QString::fromStdString(n.get_str());
}

bool ParseStepLimit(const QString& text, mpz_class& value) {
    const QString t = text.trimmed();
    const qsizetype e = t.indexOf(QLatin1Char('e'), 0, Qt::CaseInsensitive);
    QString mantissa = e < 0 ? t : t.left(e);
    const QString exponentText = e < 0 ? QString() : t.mid(e + 1);
    // The digits of the mantissa without its point, and how many of them stood after it.
    const qsizetype point = mantissa.indexOf(QLatin1Char('.'));
    qsizetype fraction = 0;
    if (point >= 0) {
        fraction = mantissa.size() - point - 1;
        mantissa.remove(point, 1);
    }
    if (mantissa.isEmpty() || mantissa.size() > 100000)
        return false;
    for (const QChar c : mantissa)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    long exponent = 0;
    if (e >= 0) {
        bool ok = false;
        exponent = exponentText.toLong(&ok);
        if (!ok || exponentText.startsWith(QLatin1Char('+')) || exponent < 0 || exponent > 100000)
            return false;
    }
    exponent -= long(fraction);
    mpz_class n(mantissa.toStdString(), 10);
    if (exponent >= 0) {
        mpz_class scale;
        mpz_ui_pow_ui(scale.get_mpz_t(), 10, static_cast<unsigned long>(exponent));
        n *= scale;
    } else {
        mpz_class scale;
        mpz_ui_pow_ui(scale.get_mpz_t(), 10, static_cast<unsigned long>(-exponent));
        if (n % scale != 0)
            return false;
        n /= scale;
    }
    if (n <= 0)
        return false;
    value = n;
    return true;
}
