#include "pictures/cost.h"
#include "platform/codepage.h"
#include "printers.h"
#include "settings/config.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

QString Example(const char* name) {
    return QFileInfo(QString::fromUtf8(__FILE__))
        .absoluteDir()
        .absoluteFilePath(QStringLiteral("../../examples/") + QString::fromLatin1(name));
}

} // namespace

TEST(Cost, WordsOverTheAlphabetAreAllOfThemWhileFewElseRandom) {
    const TCostWords words = WordsOverAlphabet(QStringLiteral("a#b"), 4, 8);
    ASSERT_EQ(words.words.size(), 5);
    EXPECT_EQ(words.words[0], QStringList{QString()});
    EXPECT_EQ(words.words[2], (QStringList{"aa", "ab", "ba", "bb"}));
    EXPECT_EQ(words.words[3].size(), 8);
    EXPECT_EQ(words.words[4].size(), 8);
    EXPECT_EQ(words.source, TCostWords::TSource::RandomWords);
    // The same words every time, so the same machine gives the same table.
    EXPECT_EQ(WordsOverAlphabet(QStringLiteral("ab"), 4, 8).words, words.words);
    EXPECT_EQ(WordsOverAlphabet(QStringLiteral("ab"), 3, 8).source, TCostWords::TSource::AllWords);
}

TEST(Cost, TheClassOfGrowthThatFitsBestIsNamedWithItsLowerTerms) {
    const struct {
        const char* name;
        double (*count)(double n);
        const char* rounded;
        const char* formula;
        const char* degree;
    } cases[] = {
        // The lower terms of an exact square pulled a plain power fit down to 1.64.
        {"(n+1)(n+2)/2 - 1", [](double n) { return (n + 1) * (n + 2) / 2 - 1; }, "≈ n²", "0.5·n² + 1.5·n",
         " (показатель 2.0)"},
        {"3n + 4", [](double n) { return 3 * n + 4; }, "≈ n", "3·n + 4", " (показатель 1.0)"},
        {"n log n + 2n", [](double n) { return n * std::log2(n) + 2 * n; }, "≈ n log n", "n log n + 2·n", ""},
        {"n³/6 + n", [](double n) { return n * n * n / 6 + n; }, "≈ n³", "0.167·n³ + n", " (показатель 3.0)"},
        // A counter: a small coefficient keeps its digits.
        {"2ⁿ/256 + n", [](double n) { return std::exp2(n) / 256 + n; }, "≈ 2ⁿ", "0.00391·2ⁿ + n", ""},
        {"7", [](double) { return 7.0; }, "≈ 1", "7", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QList<QPair<double, double>> points;
        for (int n = 1; n <= 20; ++n)
            points.append({double(n), c.count(n)});
        const TCostFit fit = FitGrowth(points);
        ASSERT_TRUE(fit.valid);
        EXPECT_EQ(fit.Rounded(), QString::fromUtf8(c.rounded));
        EXPECT_EQ(fit.Formula(), QString::fromUtf8(c.formula));
        EXPECT_EQ(fit.DegreeText(), QString::fromUtf8(c.degree));
    }
    EXPECT_FALSE(FitGrowth({{3, 10}}).valid);

    // Lengths where no word halted have no count: they are left out of the fit, not read as zero steps.
    TCostTable table;
    for (int n = 1; n <= 10; ++n) {
        TCostPoint p;
        p.length = n;
        p.words = 1;
        p.halted = n % 3 == 0 ? 0 : 1;
        p.maxSteps = p.halted ? n * n : 0;
        p.maxCells = p.halted ? n + 2 : 0;
        if (!p.halted)
            p.cut.append(QString(n, u'a'));
        table.points.append(p);
    }
    table.Fit();
    EXPECT_EQ(table.steps.Formula(), QStringLiteral("n²"));
    EXPECT_EQ(table.cells.Formula(), QStringLiteral("n + 2"));
}

TEST(Cost, FittedClassOfASweepIsLinearAndOfAPalindromeCheckSquare) {
    TConfig config{QString()};
    std::atomic<bool> cancel{false};
    const struct {
        const char* machine;
        bool testSet;
        double exponent;
        double tolerance;
        const char* rounded;
    } cases[] = {
        // Inverts the word in one sweep to the right: n + 1 steps.
        {"inversion.qtm", false, 1, 0.1, "≈ n"},
        // Crosses out the first and the last symbol and comes back: about n²/2 steps for a palindrome (other
        // words are refused early, so the words are a test set of palindromes).
        {"palindrome.qtm", true, 2, 0.2, "≈ n²"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.machine);
        TBatchRunner runner(config);
        QStringList warnings;
        QString error;
        ASSERT_TRUE(runner.Load(Example(c.machine), warnings, error));
        TCostWords words;
        if (c.testSet) {
            QStringList palindromes;
            for (int n = 1; n <= 40; ++n) {
                QString w(n, u'a');
                for (int i = 0; i < n / 2; i += 3)
                    w[i] = w[n - 1 - i] = u'b';
                palindromes.append(w);
            }
            words = WordsOfSet(palindromes);
        } else {
            words = WordsOverAlphabet(runner.Machine().Alphabet(), 20);
        }
        const TCostTable table = MeasureCost(runner, words, 100000, cancel);
        ASSERT_TRUE(table.steps.valid);
        EXPECT_NEAR(table.steps.k, c.exponent, c.tolerance);
        EXPECT_EQ(table.steps.Rounded(), QString::fromUtf8(c.rounded));
        // Lengths 1 to 40 and 1 to 20: the data check refuses the empty word.
        EXPECT_EQ(table.points.size(), c.testSet ? 40 : 20);
    }
}

TEST(Cost, WordsThatDoNotHaltAreCountedApartAndTheTableIsWritten) {
    TConfig config{QString()};
    TBatchRunner runner(config);
    QStringList warnings;
    QString error;
    ASSERT_TRUE(runner.Load(Example("palindrome.qtm"), warnings, error));
    std::atomic<bool> cancel{false};
    // The empty word is refused by the data check; with a limit of 10 steps the longer words end at the limit.
    const TCostTable table = MeasureCost(runner, WordsOfSet({"", "a", "ab", "aba", "abba", "abbba"}), 10, cancel);
    // As Russian spreadsheets open it: a byte order mark, ";" between fields, decimal commas.
    EXPECT_EQ(table.Csv(), QByteArray("\xEF\xBB\xBF") +
                               QStringLiteral("длина;слов;остановилось;шагов наиб.;шагов в среднем;ячеек наиб.;ячеек в "
                                              "среднем;не остановилось;оборвано пределом шагов\r\n"
                                              "1;1;1;3;3,00;3;3,00;0;0\r\n"
                                              "2;1;1;4;4,00;4;4,00;0;0\r\n"
                                              "3;1;1;10;10,00;5;5,00;0;0\r\n"
                                              "4;1;0;0;0,00;0;0,00;0;1\r\n"
                                              "5;1;0;0;0,00;0;0,00;0;1\r\n")
                                   .toUtf8());
    // Cut by the step limit, not counted with the words that never halt.
    EXPECT_EQ(table.points[3].cut, QStringList{"abba"});
    EXPECT_TRUE(table.points[3].notHalted.isEmpty());
    EXPECT_EQ(table.refused, 1);
}

TEST(Cost, TheMeanAtALengthIsTakenOverTheWordsThatHalted) {
    TConfig config{QString()};
    TBatchRunner runner(config);
    QStringList warnings;
    QString error;
    ASSERT_TRUE(runner.Load(Example("palindrome.qtm"), warnings, error));
    std::atomic<bool> cancel{false};
    // The two palindromes of four symbols need more than twelve steps: they are cut short.
    const QStringList words{"abba", "aaab", "abab", "baab"};
    qint64 halted = 0;
    int count = 0;
    for (const QString& w : words) {
        const TRunResult r = runner.Run(w, 12);
        if (r.end == TRunEnd::Halt) {
            halted += r.steps;
            ++count;
        }
    }
    ASSERT_EQ(count, 2);
    const TCostTable table = MeasureCost(runner, WordsOfSet(words), 12, cancel);
    ASSERT_EQ(table.points.size(), 1);
    EXPECT_EQ(table.points[0].halted, 2);
    EXPECT_DOUBLE_EQ(table.points[0].meanSteps, double(halted) / 2);
}
