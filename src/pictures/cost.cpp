#include "pictures/cost.h"

#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>
#include <cmath>

namespace {

QString Number(double v, int decimals) {
    return QString::number(v, 'f', decimals);
}

} // namespace

int TCostWords::Count() const {
    int n = 0;
    for (const QStringList& w : words)
        n += int(w.size());
    return n;
}

TCostWords WordsOverAlphabet(const QString& alphabet, int maxLength, int perLength) {
    QString symbols;
    for (const QChar c : alphabet)
        if (c != BlankSymbol && !symbols.contains(c))
            symbols.append(c);
    TCostWords result;
    result.symbols = symbols;
    result.perLength = perLength;
    // A fixed seed: the same machine gives the same table every time.
    QRandomGenerator random(20261208);
    const int s = int(symbols.size());
    for (int n = 0; n <= std::max(maxLength, 0); ++n) {
        QStringList words;
        double all = std::pow(double(s), double(n));
        if (s == 0 && n > 0)
            all = 0;
        if (all <= perLength) {
            std::vector<int> digit(std::size_t(n), 0);
            for (int w = 0; w < int(all); ++w) {
                QString word(n, Qt::Uninitialized);
                for (int i = 0; i < n; ++i)
                    word[i] = symbols[digit[std::size_t(i)]];
                words.append(word);
                for (int i = n - 1; i >= 0 && ++digit[std::size_t(i)] == s; --i)
                    digit[std::size_t(i)] = 0;
            }
            if (result.source == TCostWords::TSource::AllWords)
                result.allUpTo = n;
        } else {
            result.source = TCostWords::TSource::RandomWords;
            for (int w = 0; w < perLength; ++w) {
                QString word(n, Qt::Uninitialized);
                for (int i = 0; i < n; ++i)
                    word[i] = symbols[int(random.bounded(s))];
                words.append(word);
            }
        }
        result.words.append(words);
    }
    return result;
}

QString WordSymbols(const QString& word, const QString& alphabet) {
    QString symbols;
    for (const QChar c : word)
        if (c != BlankSymbol && !symbols.contains(c))
            symbols.append(c);
    if (!symbols.isEmpty())
        return symbols;
    for (const QChar c : alphabet)
        if (c != BlankSymbol && !symbols.contains(c))
            symbols.append(c);
    return symbols;
}

TCostWords WordsOfSet(const QStringList& words) {
    TCostWords result;
    result.source = TCostWords::TSource::TestSet;
    for (const QString& w : words) {
        while (result.words.size() <= w.size())
            result.words.append(QStringList());
        result.words[w.size()].append(w);
    }
    return result;
}

namespace {

// The terms of a class at n, the leading one first.
std::vector<double> Terms(TGrowth growth, double n) {
    switch (growth) {
    case TGrowth::Constant:
        return {1};
    case TGrowth::Linear:
        return {n, 1};
    case TGrowth::NLogN:
        return {n > 0 ? n * std::log2(n) : 0, n, 1};
    case TGrowth::Square:
        return {n * n, n, 1};
    case TGrowth::Cube:
        return {n * n * n, n * n, n, 1};
    case TGrowth::Exponential:
        return {std::exp2(n), n, 1};
    }
    return {1};
}

// Weighted least squares of y on the columns (each point's row of terms), by the normal equations of columns
// scaled to unit length, as 2ⁿ and 1 differ by a hundred orders of magnitude. Returns the weighted sum of squared
// residuals, or a negative number when the columns are dependent on these points.
double LeastSquares(const std::vector<std::vector<double>>& rows, const std::vector<double>& y,
                    const std::vector<double>& weight, std::vector<double>& coefficients) {
    const std::size_t p = rows.front().size();
    const std::size_t m = rows.size();
    std::vector<double> scale(p, 0);
    for (std::size_t i = 0; i < m; ++i)
        for (std::size_t j = 0; j < p; ++j)
            scale[j] += rows[i][j] * rows[i][j] * weight[i];
    for (double& s : scale)
        s = s > 0 ? std::sqrt(s) : 1;
    std::vector<std::vector<double>> a(p, std::vector<double>(p + 1, 0));
    for (std::size_t i = 0; i < m; ++i)
        for (std::size_t j = 0; j < p; ++j) {
            const double xj = rows[i][j] / scale[j];
            for (std::size_t l = 0; l < p; ++l)
                a[j][l] += xj * rows[i][l] / scale[l] * weight[i];
            a[j][p] += xj * y[i] * weight[i];
        }
    for (std::size_t c = 0; c < p; ++c) {
        std::size_t pivot = c;
        for (std::size_t r = c + 1; r < p; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[pivot][c]))
                pivot = r;
        if (std::fabs(a[pivot][c]) < 1e-13)
            return -1;
        std::swap(a[c], a[pivot]);
        for (std::size_t r = 0; r < p; ++r) {
            if (r == c)
                continue;
            const double f = a[r][c] / a[c][c];
            for (std::size_t l = c; l <= p; ++l)
                a[r][l] -= f * a[c][l];
        }
    }
    coefficients.assign(p, 0);
    for (std::size_t j = 0; j < p; ++j)
        coefficients[j] = a[j][p] / a[j][j] / scale[j];
    double residual = 0;
    for (std::size_t i = 0; i < m; ++i) {
        double fitted = 0;
        for (std::size_t j = 0; j < p; ++j)
            fitted += coefficients[j] * rows[i][j];
        residual += (y[i] - fitted) * (y[i] - fitted) * weight[i];
    }
    return residual;
}

// The class's fit through the points; the residual is negative when it cannot be fitted.
double FitClass(TGrowth growth, const QList<QPair<double, double>>& points, std::vector<double>& coefficients) {
    std::vector<std::vector<double>> rows;
    std::vector<double> y;
    std::vector<double> weight;
    for (const auto& [n, v] : points) {
        rows.push_back(Terms(growth, n));
        y.push_back(v);
        // Relative errors: a cost of 10⁶ at the longest words must not outweigh every short word.
        weight.push_back(1 / std::max(v * v, 1.0));
    }
    return LeastSquares(rows, y, weight, coefficients);
}

// The degree of a power of n with the lower-order terms of its class beside it (a·n^k + b·n + c), the k whose fit
// leaves the least residual, to a hundredth.
double Degree(TGrowth growth, const QList<QPair<double, double>>& points) {
    double low = 0;
    double high = 0;
    switch (growth) {
    case TGrowth::Linear:
        low = 0.5, high = 1.5;
        break;
    case TGrowth::Square:
        low = 1.5, high = 2.5;
        break;
    case TGrowth::Cube:
        low = 2.5, high = 3.5;
        break;
    default:
        return 0;
    }
    double best = -1;
    double bestK = -1;
    for (int step = 0; step <= int(std::lround((high - low) * 100)); ++step) {
        const double k = low + step / 100.0;
        std::vector<std::vector<double>> rows;
        std::vector<double> y;
        std::vector<double> weight;
        for (const auto& [n, v] : points) {
            std::vector<double> terms = Terms(growth, n);
            terms.front() = std::pow(n, k);
            // The next lower power would be the leading one itself near k = 1.
            if (growth == TGrowth::Linear)
                terms = {std::pow(n, k), 1};
            rows.push_back(terms);
            y.push_back(v);
            weight.push_back(1 / std::max(v * v, 1.0));
        }
        std::vector<double> coefficients;
        const double residual = LeastSquares(rows, y, weight, coefficients);
        if (residual >= 0 && coefficients.front() > 0 && (best < 0 || residual < best - 1e-15)) {
            best = residual;
            bestK = k;
        }
    }
    // A degree at the end of the range read says only that the lower terms took the noise.
    return best >= 0 && bestK > low + 0.005 && bestK < high - 0.005 ? bestK : -1;
}

// Three significant digits in fixed notation, trailing zeros dropped.
QString Significant(double v) {
    if (v == 0)
        return QStringLiteral("0");
    const int decimals = std::clamp(2 - int(std::floor(std::log10(std::fabs(v)))), 0, 12);
    QString text = QString::number(v, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

} // namespace

double TCostFit::At(double n) const {
    const std::vector<double> terms = Terms(growth, n);
    double v = 0;
    for (std::size_t j = 0; j < terms.size() && j < coefficients.size(); ++j)
        v += coefficients[j] * terms[j];
    return v;
}

QString TCostFit::ClassText() const {
    switch (growth) {
    case TGrowth::Constant:
        return QStringLiteral("1");
    case TGrowth::Linear:
        return QStringLiteral("n");
    case TGrowth::NLogN:
        return QStringLiteral("n log n");
    case TGrowth::Square:
        return QStringLiteral("n²");
    case TGrowth::Cube:
        return QStringLiteral("n³");
    case TGrowth::Exponential:
        return QStringLiteral("2ⁿ");
    }
    return QString();
}

QString TCostFit::Rounded() const {
    return valid ? QStringLiteral("≈ ") + ClassText() : QString();
}

QString TCostFit::Formula() const {
    if (!valid)
        return QString();
    static const QString names[][4] = {{QString()},
                                       {QStringLiteral("n"), QString()},
                                       {QStringLiteral("n log n"), QStringLiteral("n"), QString()},
                                       {QStringLiteral("n²"), QStringLiteral("n"), QString()},
                                       {QStringLiteral("n³"), QStringLiteral("n²"), QStringLiteral("n"), QString()},
                                       {QStringLiteral("2ⁿ"), QStringLiteral("n"), QString()}};
    const QString* name = names[int(growth)];
    QString text;
    for (std::size_t j = 0; j < coefficients.size(); ++j) {
        const QString digits = Significant(std::fabs(coefficients[j]));
        // The leading term always shows; a lower one only when it is worth a digit.
        if (j > 0 && (digits == QStringLiteral("0") ||
                      std::fabs(coefficients[j] * Terms(growth, longest)[j]) < 1e-3 * std::fabs(At(longest))))
            continue;
        const bool negative = coefficients[j] < 0;
        if (text.isEmpty())
            text = negative ? QStringLiteral("−") : QString();
        else
            text += negative ? QStringLiteral(" − ") : QStringLiteral(" + ");
        const QString& term = name[j];
        text += term.isEmpty() ? digits : digits == QStringLiteral("1") ? term : digits + QStringLiteral("·") + term;
    }
    return text;
}

QString TCostFit::DegreeText() const {
    if (!valid || k < 0 || error > 0.01 ||
        (growth != TGrowth::Linear && growth != TGrowth::Square && growth != TGrowth::Cube))
        return QString();
    return QStringLiteral(" (показатель ") + Number(k, 1) + QLatin1Char(')');
}

TCostFit FitGrowth(const QList<QPair<double, double>>& points) {
    TCostFit fit;
    const int m = int(points.size());
    if (m < 2)
        return fit;
    double best = 0;
    for (const TGrowth growth :
         {TGrowth::Constant, TGrowth::Linear, TGrowth::NLogN, TGrowth::Square, TGrowth::Cube, TGrowth::Exponential}) {
        std::vector<double> coefficients;
        const int p = int(Terms(growth, 1).size());
        // A class with as many terms as points passes through them all and says nothing.
        if (p >= m && growth != TGrowth::Constant)
            continue;
        const double residual = FitClass(growth, points, coefficients);
        if (residual < 0 || (growth != TGrowth::Constant && coefficients.front() <= 0))
            continue;
        // Steps are whole numbers: relative errors below 10⁻⁵ are rounding, and an exact fit scores as one. Each
        // term more must cut the squared errors to a quarter: the largest count of random words is noisy, and a
        // cubic through the noise of a linear count is no cubic.
        const double score = std::log(std::max(residual / m, 1e-10)) + p * std::log(4.0);
        if (!fit.valid || score < best - 1e-9) {
            fit.valid = true;
            fit.growth = growth;
            fit.coefficients = coefficients;
            fit.error = std::sqrt(residual / m);
            best = score;
        }
    }
    if (fit.valid) {
        fit.k = Degree(fit.growth, points);
        for (const auto& p : points)
            fit.longest = std::max(fit.longest, p.first);
    }
    return fit;
}

void TCostTable::Fit() {
    QList<QPair<double, double>> stepPoints;
    QList<QPair<double, double>> cellPoints;
    for (const TCostPoint& p : points)
        if (p.halted > 0) {
            stepPoints.append({double(p.length), double(p.maxSteps)});
            cellPoints.append({double(p.length), double(p.maxCells)});
        }
    steps = FitGrowth(stepPoints);
    cells = FitGrowth(cellPoints);
}

QString TCostTable::SourceText() const {
    if (words.source == TCostWords::TSource::TestSet)
        return QStringLiteral("набор слов");
    const QString over = QStringLiteral(" над ") + words.symbols;
    const QString all =
        QStringLiteral("все слова") + over + QStringLiteral(" до длины ") + QString::number(words.allUpTo);
    if (words.source == TCostWords::TSource::AllWords)
        return all;
    return (words.allUpTo >= 0 ? all + QStringLiteral(", длиннее ")
                               : QStringLiteral("слова") + over + QStringLiteral(": ")) +
           QStringLiteral("по ") + QString::number(words.perLength) + QStringLiteral(" случайных");
}

QByteArray TCostTable::Csv() const {
    // Russian spreadsheets split fields at ";" and read "2,5" as a number.
    const auto decimal = [](double v) { return Number(v, 2).replace(QLatin1Char('.'), QLatin1Char(',')); };
    QString text = QStringLiteral("длина;слов;остановилось;шагов наиб.;шагов в среднем;ячеек наиб.;ячеек в "
                                  "среднем;не остановилось;оборвано пределом шагов\r\n");
    for (const TCostPoint& p : points)
        text += QStringLiteral("%1;%2;%3;%4;%5;%6;%7;%8;%9\r\n")
                    .arg(p.length)
                    .arg(p.words)
                    .arg(p.halted)
                    .arg(p.maxSteps)
                    .arg(decimal(p.meanSteps))
                    .arg(p.maxCells)
                    .arg(decimal(p.meanCells))
                    .arg(p.notHalted.size())
                    .arg(p.cut.size());
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QString TCostTable::Text() const {
    QString text;
    QTextStream out(&text);
    out << QStringLiteral("Слова: ") << SourceText() << '\n'
        << QStringLiteral("длина\tслов\tостановилось\tшагов наиб.\tв среднем\tячеек наиб.\tв среднем\n");
    for (const TCostPoint& p : points) {
        out << p.length << '\t' << p.words << '\t' << p.halted << '\t' << p.maxSteps << '\t' << Number(p.meanSteps, 1)
            << '\t' << p.maxCells << '\t' << Number(p.meanCells, 1);
        if (!p.notHalted.isEmpty())
            out << QStringLiteral("\tне остановилось: ") << p.notHalted.size();
        if (!p.cut.isEmpty())
            out << QStringLiteral("\tоборвано пределом шагов: ") << p.cut.size();
        out << '\n';
    }
    const auto line = [&out](const QString& what, const TCostFit& fit) {
        out << what;
        if (fit.valid)
            out << QStringLiteral(" ") << fit.Rounded() << QStringLiteral(": ") << fit.Formula() << fit.DegreeText();
        else
            out << QStringLiteral(": мало данных для оценки");
        out << '\n';
    };
    line(QStringLiteral("шаги"), steps);
    line(QStringLiteral("ячейки"), cells);
    if (refused > 0)
        out << QStringLiteral("Не запущено слов (их не пропускает проверка данных): ") << refused << '\n';
    if (cancelled)
        out << QStringLiteral("Измерение прервано\n");
    out.flush();
    return text;
}

TCostTable MeasureCost(TBatchRunner& runner, const TCostWords& words, qint64 maxSteps, const std::atomic<bool>& cancel,
                       const std::function<void(int done, int total)>& progress) {
    TCostTable table;
    table.words = words;
    const int total = words.Count();
    int done = 0;
    runner.SetCancel([&cancel] { return cancel.load(std::memory_order_relaxed); });
    for (int n = 0; n < words.words.size() && !cancel; ++n) {
        const QStringList& list = words.words[n];
        if (list.isEmpty())
            continue;
        TCostPoint point;
        point.length = n;
        double steps = 0;
        double cells = 0;
        for (const QString& w : list) {
            const TRunResult r = runner.Run(w, maxSteps);
            if (cancel)
                break;
            if (progress)
                progress(++done, total);
            if (r.end == TRunEnd::Refused) {
                if (table.refused++ == 0)
                    table.faults = r.faults;
                continue;
            }
            ++point.words;
            if (r.end == TRunEnd::Halt) {
                ++point.halted;
                point.maxSteps = std::max(point.maxSteps, r.steps);
                point.maxCells = std::max(point.maxCells, qint64(r.tape.size()));
                steps += double(r.steps);
                cells += double(r.tape.size());
            } else if (r.end == TRunEnd::StepLimit) {
                point.cut.append(w);
            } else {
                point.notHalted.append(w);
            }
        }
        if (cancel)
            break;
        if (point.halted > 0) {
            point.meanSteps = steps / point.halted;
            point.meanCells = cells / point.halted;
        }
        if (point.words > 0)
            table.points.append(point);
    }
    runner.SetCancel(nullptr);
    table.cancelled = cancel;
    table.Fit();
    return table;
}
