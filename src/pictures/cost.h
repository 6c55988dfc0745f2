#pragma once

#include "runner/batchrun.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

// The words a cost measurement runs on, by length.
struct TCostWords {
    enum class TSource { TestSet, AllWords, RandomWords };
    TSource source = TSource::AllWords;
    // words[n] holds the words of length n (empty lengths are skipped when measuring).
    QList<QStringList> words;
    // For words over the alphabet: every word up to this length, perLength random ones of each longer length.
    int allUpTo = -1;
    int perLength = 0;
    int Count() const;
};

// The longest words measured over an alphabet: 100 words of each length up to it hold 25 MB of text.
inline constexpr int MaxCostLength = 500;

// All words over the alphabet (the blank aside) of each length up to maxLength while there are at most perLength
// of them, else perLength random ones (the same ones every time: the generator has a fixed seed).
TCostWords WordsOverAlphabet(const QString& alphabet, int maxLength, int perLength = 100);
// The words given (a test set's), grouped by length.
TCostWords WordsOfSet(const QStringList& words);

// One length's runs: steps and the tape's cells (its length at the end: the word and the blanks it grew by),
// the largest and the mean over the words that halted.
struct TCostPoint {
    int length = 0;
    int words = 0;
    int halted = 0;
    qint64 maxSteps = 0;
    double meanSteps = 0;
    qint64 maxCells = 0;
    double meanCells = 0;
    // The words that did not halt (a border, a loop, the step limit): marked on the plot, left out of the fit.
    QStringList notHalted;
};

// c·n^k through the longer half of the lengths (n ≥ 1, only lengths where some word halted), where the lower
// terms of the cost weigh least: least squares on the logarithms. valid is false with fewer than two lengths.
struct TPowerFit {
    bool valid = false;
    double c = 0;
    double k = 0;
    // "≈ n²": the exponent rounded to a whole number, as the lower terms of a cost pull a fit on short words down.
    QString Rounded() const;
    // "0.51·n^1.93".
    QString Formula() const;
};
TPowerFit FitPower(const QList<QPair<double, double>>& points);

struct TCostTable {
    TCostWords words;
    QList<TCostPoint> points;
    // Words the data check refused (the empty word, say) are no runs: counted apart, the first one's faults kept.
    int refused = 0;
    QStringList faults;
    TPowerFit steps;
    TPowerFit cells;
    bool cancelled = false;

    // Fits the largest steps and cells per length.
    void Fit();
    // "набор слов", "все слова до длины 6", "все слова до длины 6, длиннее по 100 случайных".
    QString SourceText() const;
    // One line a length (ASCII, comma-separated, "\r\n" line ends), the header first.
    QByteArray Csv() const;
    // The table qtm-run prints, with the fitted exponents.
    QString Text() const;
};

// Runs the runner's machine on every word, length after length, at most maxSteps steps each, with the settings
// it was made with. progress is told after each word (words done, words in all); once cancel is set the
// measurement stops within a few ten thousand steps, keeping the lengths done.
TCostTable MeasureCost(TBatchRunner& runner, const TCostWords& words, qint64 maxSteps, const std::atomic<bool>& cancel,
                       const std::function<void(int done, int total)>& progress = {});
