#pragma once

#include "runner/batchrun.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <vector>

// The words a cost measurement runs on, by length.
struct TCostWords {
    enum class TSource { TestSet, AllWords, RandomWords };
    TSource source = TSource::AllWords;
    // The symbols the words over an alphabet are made of.
    QString symbols;
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
// The symbols words are made of when nobody chose them: those of the machine's own word, the blank aside, as
// answer and working symbols make words a machine refuses at once; the whole alphabet when the word has none.
QString WordSymbols(const QString& word, const QString& alphabet);
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
    // The words that did not halt (a border, a loop, a missing command): marked on the plot, left out of the fit.
    QStringList notHalted;
    // The words the step limit cut short: they may halt later, so they are told apart from those that never do.
    QStringList cut;
};

// The classes of growth a cost is told apart by.
enum class TGrowth { Constant, Linear, NLogN, Square, Cube, Exponential };

// The class of growth that fits the points best, each class fitted with its lower-order terms (a·n² + b·n + c for
// n², a·2ⁿ + b·n + c for 2ⁿ) by least squares on the relative errors; a class with a term more wins only when it
// cuts the squared errors to a quarter, not when it fits merely as well. For the powers of n the degree is read with
// the lower-order terms taken into the fit: (n+1)(n+2)/2 − 1 reads 2.0. valid is false with fewer than two points.
struct TCostFit {
    bool valid = false;
    TGrowth growth = TGrowth::Constant;
    // The coefficients of the class's terms, the leading one first.
    std::vector<double> coefficients;
    // The degree of n (the powers of n only), or -1 when the counts are too noisy to read it.
    double k = -1;
    // The root mean square of the relative errors: the degree is told only of a fit within a percent.
    double error = 0;
    // The longest length fitted: a lower term worth less than a thousandth of the count there is not shown.
    double longest = 0;
    double At(double n) const;
    // "n²", "n log n", "2ⁿ"...
    QString ClassText() const;
    // "≈ n²".
    QString Rounded() const;
    // "0.5·n² + 1.5·n − 2": three significant digits, terms that round to nothing left out.
    QString Formula() const;
    // " (показатель 2.0)" for the powers of n fitted within a percent, else nothing.
    QString DegreeText() const;
};
TCostFit FitGrowth(const QList<QPair<double, double>>& points);

struct TCostTable {
    TCostWords words;
    QList<TCostPoint> points;
    // Words the data check refused (the empty word, say) are no runs: counted apart, the first one's faults kept.
    int refused = 0;
    QStringList faults;
    TCostFit steps;
    TCostFit cells;
    bool cancelled = false;

    // Fits the largest steps and cells per length, over the lengths where some word halted.
    void Fit();
    // "набор слов", "все слова над ab до длины 6", "все слова над ab до длины 6, длиннее по 100 случайных".
    QString SourceText() const;
    // One line a length, the header first, as Russian spreadsheets open it: UTF-8 with a byte order mark, ";" between
    // the fields, decimal commas, "\r\n" line ends.
    QByteArray Csv() const;
    // The table qtm-run prints, with the fitted exponents.
    QString Text() const;
};

// Runs the runner's machine on every word, length after length, at most maxSteps steps each, with the settings
// it was made with. progress is told after each word (words done, words in all); once cancel is set the
// measurement stops within a few ten thousand steps, keeping the lengths done.
TCostTable MeasureCost(TBatchRunner& runner, const TCostWords& words, qint64 maxSteps, const std::atomic<bool>& cancel,
                       const std::function<void(int done, int total)>& progress = {});
