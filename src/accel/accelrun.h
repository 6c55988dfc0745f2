#pragma once

#include "machine/runcore.h"

#include <gmpxx.h>

#include <QString>

#include <array>
#include <functional>
#include <cstdint>
#include <string>
#include <vector>

// The same word of cells repeated count times.
struct TTapeRun {
    std::string word;
    mpz_class count;
};

// Where an accelerated run ended, every number exact.
struct TFastResult {
    enum class TEnd : std::uint8_t { Halt, LeftBorder, RightBorder, StepLimit };
    TEnd end = TEnd::StepLimit;
    mpz_class steps;
    int state = 0;
    std::uint8_t symbol = '#';
    // The head and the tape's first cell, counted from the word's first cell.
    mpz_class head;
    mpz_class first;
    // The whole tape from its first cell to its last, neighbouring runs of one symbol merged.
    std::vector<TTapeRun> tape;
    // How the run went: the block size it chose and the steps it took one at a time or in blocks.
    int blockSize = 1;
    std::uint64_t macroSteps = 0;
    bool plain = false;

    mpz_class Length() const;
    // The number of cells holding each byte.
    std::array<mpz_class, 256> Counts() const;
    // Puts the run core at this configuration, counted from step base; false when it is too large for the
    // core (a tape of more than 2^28 cells, or steps beyond 64 bits).
    bool PutInto(TRunCore& core, qint64 base) const;
    // The tape as text: every cell while there are at most bound of them, else runs longer than a few cells as
    // "1^4096" and words repeated as "(01)^12", separated by spaces. Inner leaves out the blanks at both ends.
    QString TapeText(std::size_t bound, bool inner) const;
};

// Runs a machine far faster than one step at a time where its tape repeats: the tape is kept as runs of
// blocks of k cells, what the machine does to a block entered from one side is worked out once and kept, and a
// head that crosses a run of n equal blocks in the same state, leaving each alike, crosses all n in one go.
// Every stop is where plain stepping stops: the last blocks before a step limit or a border are stepped one
// step at a time. Where nothing repeats the run core steps the machine as it would alone.
class TAccelRun {
public:
    // The core loaded and compiled, as Start leaves it; dies is the tape's growth beyond the word, 0 for none.
    TAccelRun(const TRunCore& core, int dies);
    TFastResult Run(const mpz_class& limit);
    // Only this block size (1 to 8), for the tests; 0 chooses.
    void ForceBlockSize(int k) { forced_ = k; }
    // No plain stepping: the blocks even where they do not pay, for the tests.
    void ForbidPlain(bool forbid) { noPlain_ = forbid; }
    // Asked with the steps taken so far every few thousand block steps (or million steps): true ends the run
    // where it stands, as a step limit would.
    std::function<bool(const mpz_class& steps)> cancel;

private:
    TFastResult RunPlain(const mpz_class& limit);

    const TRunCore& core_;
    int dies_ = 0;
    int forced_ = 0;
    bool noPlain_ = false;
};

// The number as plain decimal digits.
QString BigText(const mpz_class& n);
// Reads a step limit: digits, or a mantissa and an exponent as 1e40 or 2.5e3 (an integer in all). False for
// anything else, or for zero and less.
bool ParseStepLimit(const QString& text, mpz_class& value);
