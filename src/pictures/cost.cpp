#include "pictures/cost.h"

#include "platform/codepage.h"

#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>
#include <cmath>

namespace {

QString Number(double v, int decimals) {
    return QString::number(v, 'f', decimals);
}

QString Superscript(int k) {
    static const char16_t digits[] = u"⁰¹²³⁴⁵⁶⁷⁸⁹";
    QString s;
    for (const QChar c : QString::number(k))
        s.append(QChar(digits[c.digitValue()]));
    return s;
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

QString TPowerFit::Rounded() const {
    if (!valid)
        return QString();
    const int whole = int(std::lround(k));
    if (whole <= 0)
        return QStringLiteral("≈ 1");
    return whole == 1 ? QStringLiteral("≈ n") : QStringLiteral("≈ n") + Superscript(whole);
}

QString TPowerFit::Formula() const {
    if (!valid)
        return QString();
    return Number(c, c < 10 ? 2 : 0) + QStringLiteral("·n^") + Number(k, 2);
}

TPowerFit FitPower(const QList<QPair<double, double>>& points) {
    QList<QPair<double, double>> usable;
    double longest = 0;
    for (const auto& [n, y] : points)
        if (n >= 1 && y > 0) {
            usable.append({n, y});
            longest = std::max(longest, n);
        }
    QList<QPair<double, double>> upper;
    for (const auto& p : usable)
        if (p.first >= longest / 2)
            upper.append(p);
    if (upper.size() >= 2)
        usable = upper;
    TPowerFit fit;
    if (usable.size() < 2)
        return fit;
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const auto& [n, y] : usable) {
        const double x = std::log(n);
        const double v = std::log(y);
        sx += x;
        sy += v;
        sxx += x * x;
        sxy += x * v;
    }
    const double count = double(usable.size());
    const double spread = count * sxx - sx * sx;
    if (spread <= 0)
        return fit;
    fit.valid = true;
    fit.k = (count * sxy - sx * sy) / spread;
    fit.c = std::exp((sy - fit.k * sx) / count);
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
    steps = FitPower(stepPoints);
    cells = FitPower(cellPoints);
}

QString TCostTable::SourceText() const {
    if (words.source == TCostWords::TSource::TestSet)
        return QStringLiteral("набор слов");
    const QString all = QStringLiteral("все слова до длины ") + QString::number(words.allUpTo);
    if (words.source == TCostWords::TSource::AllWords)
        return all;
    return (words.allUpTo >= 0 ? all + QStringLiteral(", длиннее ") : QString()) + QStringLiteral("по ") +
           QString::number(words.perLength) + QStringLiteral(" случайных");
}

QByteArray TCostTable::Csv() const {
    QString text = QStringLiteral("длина,слов,остановилось,шагов наиб.,шагов в среднем,ячеек наиб.,ячеек в "
                                  "среднем,не остановилось\r\n");
    for (const TCostPoint& p : points)
        text += QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8\r\n")
                    .arg(p.length)
                    .arg(p.words)
                    .arg(p.halted)
                    .arg(p.maxSteps)
                    .arg(Number(p.meanSteps, 2))
                    .arg(p.maxCells)
                    .arg(Number(p.meanCells, 2))
                    .arg(p.notHalted.size());
    return codepage::Encode(text);
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
        out << '\n';
    }
    const auto line = [&out](const QString& what, const TPowerFit& fit) {
        out << what;
        if (fit.valid)
            out << QStringLiteral(" ≈ ") << fit.Formula() << QStringLiteral(" (") << fit.Rounded()
                << QStringLiteral(")");
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
