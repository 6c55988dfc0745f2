#include "cli/clipictures.h"

#include "pictures/cost.h"
#include "pictures/spacetime.h"
#include "platform/fileio.h"
#include "runner/batchrun.h"
#include "settings/config.h"
#include "testset/testsetfile.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>

namespace {

const QString SpaceTimeName = QStringLiteral("spacetime");
const QString CostName = QStringLiteral("cost");
const QString MaxLengthName = QStringLiteral("max-length");
const QString CsvName = QStringLiteral("csv");
const QString AlphabetName = QStringLiteral("alphabet");
constexpr int DefaultMaxLength = 20;

// left names what a failed final rename leaves in the temporary file ("Рисунок остался в файле").
bool Save(const QString& name, const QByteArray& bytes, const QString& left, QTextStream& err) {
    const fileio::TSaveResult saved = fileio::SaveFile(name, bytes, fileio::FreshTempName(name), QString());
    if (!saved.ok())
        err << fileio::FailureText(name, saved, left) << Qt::endl;
    return saved.ok();
}

bool Load(TBatchRunner& runner, const QString& file, const QString& inputSymbols, QTextStream& err) {
    QStringList warnings;
    QString error;
    if (!runner.Load(file, warnings, error, inputSymbols)) {
        err << error << Qt::endl;
        return false;
    }
    for (const QString& w : warnings)
        err << QStringLiteral("Предупреждение: ") << w << Qt::endl;
    return true;
}

QString Hex(std::uint32_t argb) {
    return QStringLiteral("%1").arg(argb & 0xFFFFFF, 6, 16, QLatin1Char('0'));
}

int WriteSpaceTime(const TPictureJob& job, const QString& png, const TConfig& config, QTextStream& out,
                   QTextStream& err) {
    if (job.files.size() != 1 || job.words.size() + job.expectWords.size() > 1) {
        err << QStringLiteral("Параметр --spacetime допускает только один файл и одно слово") << Qt::endl;
        return 2;
    }
    TBatchRunner runner(config);
    if (!Load(runner, job.files.front(), job.inputSymbols, err))
        return 2;
    const QString word = !job.words.isEmpty()         ? job.words.front()
                         : !job.expectWords.isEmpty() ? job.expectWords.front()
                                                      : runner.FileWord();
    // As a plain run: an empty word asked for runs on a blank cell, the file's own empty word is refused.
    runner.SetEmptyWordOnBlanks(!job.words.isEmpty() || !job.expectWords.isEmpty());
    const std::atomic<bool> cancel{false};
    const TSpaceTime picture = DrawSpaceTime(runner, word, job.maxSteps, cancel);
    if (picture.result.end == TRunEnd::Refused) {
        err << QStringLiteral("Машина не запущена на слове ")
            << (word.isEmpty() ? QStringLiteral("(пустое слово)") : word) << QLatin1Char(':') << Qt::endl;
        for (const QString& f : picture.result.faults)
            err << QStringLiteral("  ") << QString(f).replace(QLatin1Char('\n'), QStringLiteral("\n  ")) << Qt::endl;
        return 2;
    }
    if (!Save(png, PngBytes(SpaceTimePixels(picture, DefaultScale(picture))), QStringLiteral("Рисунок остался в файле"),
              err))
        return 2;
    out << WordShown(word) << QStringLiteral(": ") << picture.EndText() << QStringLiteral("; строк: ")
        << picture.rows.size() << QStringLiteral(", ") << picture.BandText() << QStringLiteral(", ячеек в столбце: ")
        << picture.cellsPerColumn << Qt::endl;
    out << QStringLiteral("Цвета:");
    for (int i = 0; i < picture.symbols.size(); ++i)
        out << QLatin1Char(' ') << picture.symbols[i] << QLatin1Char(' ') << Hex(SymbolColour(i))
            << (i + 1 < picture.symbols.size() ? QStringLiteral(",") : QString());
    out << QStringLiteral("; головка ") << Hex(HeadColour) << Qt::endl;
    return picture.result.end == TRunEnd::Halt ? 0 : 1;
}

int WriteCost(const TPictureJob& job, const QCommandLineParser& parser, const TConfig& config, QTextStream& out,
              QTextStream& err) {
    int maxLength = DefaultMaxLength;
    if (parser.isSet(MaxLengthName)) {
        bool ok = false;
        maxLength = parser.value(MaxLengthName).toInt(&ok);
        if (!ok || maxLength < 0 || maxLength > MaxCostLength) {
            err << QStringLiteral("Неверная длина слов: ") << parser.value(MaxLengthName)
                << QStringLiteral(" (допустимо от 0 до ") << MaxCostLength << QLatin1Char(')') << Qt::endl;
            return 2;
        }
    }
    if (parser.isSet(CsvName) && job.files.size() != 1) {
        err << QStringLiteral("Параметр --csv допускает только один файл") << Qt::endl;
        return 2;
    }
    int status = 0;
    for (const QString& file : job.files) {
        TBatchRunner runner(config);
        if (!Load(runner, file, job.inputSymbols, err)) {
            status = 2;
            continue;
        }
        // The words given, else the test set beside the machine, else the words over its alphabet.
        TCostWords words;
        if (!job.words.isEmpty() || !job.expectWords.isEmpty()) {
            words = WordsOfSet(job.words + job.expectWords);
        } else if (QFileInfo(TestSetPathOf(file)).isFile()) {
            // Its faulty lines are told as --expect tells them; a set without one good line measures nothing.
            const QString path = TestSetPathOf(file);
            QList<TTestLineError> lineErrors;
            QString error;
            QStringList set;
            for (const TTestCase& c : ReadTestSet(path, lineErrors, error))
                set.append(c.word);
            if (!error.isEmpty())
                err << error << Qt::endl;
            for (const TTestLineError& e : lineErrors)
                err << path << QStringLiteral(": ") << e.Message() << Qt::endl;
            if (set.isEmpty()) {
                if (error.isEmpty())
                    err << path << QStringLiteral(": в наборе нет ни одного слова") << Qt::endl;
                status = 2;
                continue;
            }
            words = WordsOfSet(set);
        } else {
            // The words' own symbols: answer and working symbols make words most machines refuse at once.
            const QString symbols = parser.isSet(AlphabetName)
                                        ? parser.value(AlphabetName)
                                        : WordSymbols(runner.FileWord(), runner.Machine().Alphabet());
            words = WordsOverAlphabet(symbols, maxLength);
        }
        const std::atomic<bool> cancel{false};
        const TCostTable table = MeasureCost(runner, words, job.maxSteps, cancel);
        if (table.points.isEmpty() && table.refused > 0) {
            err << file << QStringLiteral(": машина не запущена ни на одном слове:") << Qt::endl;
            for (const QString& f : table.faults)
                err << QStringLiteral("  ") << QString(f).replace(QLatin1Char('\n'), QStringLiteral("\n  "))
                    << Qt::endl;
            status = 2;
            continue;
        }
        if (job.files.size() > 1)
            out << file << QLatin1Char(':') << Qt::endl;
        out << table.Text();
        out.flush();
        for (const TCostPoint& p : table.points)
            if (!p.notHalted.isEmpty() || !p.cut.isEmpty())
                status = std::max(status, 1);
        if (parser.isSet(CsvName) &&
            !Save(parser.value(CsvName), table.Csv(), QStringLiteral("Таблица осталась в файле"), err))
            status = 2;
    }
    return status;
}

} // namespace

void AddPictureOptions(QCommandLineParser& parser) {
    parser.addOptions({
        {SpaceTimeName,
         QStringLiteral("Записать картину хода вычисления (строка на шаг, столбец на ячейку ленты, цвет по символу) "
                        "в файл PNG; один файл и одно слово"),
         QStringLiteral("OUT.png")},
        {CostName,
         QStringLiteral("Измерить сложность: шаги и ячейки ленты по длине слова (слова --word, --words, --expect, "
                        "иначе набор слов ФАЙЛ.tests рядом с машиной, иначе все слова над алфавитом слов или "
                        "случайные слова каждой длины) и подобрать класс роста: 1, n, n log n, n², n³ или 2ⁿ")},
        {AlphabetName,
         QStringLiteral("Символы слов для --cost (по умолчанию символы слова машины, а если слово пусто, ее алфавит)"),
         QStringLiteral("SYMBOLS")},
        {MaxLengthName, QStringLiteral("Наибольшая длина слов для --cost (по умолчанию 20)"), QStringLiteral("N")},
        {CsvName, QStringLiteral("Записать таблицу --cost в файл CSV"), QStringLiteral("OUT.csv")},
    });
}

std::optional<int> RunPictures(const QCommandLineParser& parser, const TPictureJob& job, const TConfig& config,
                               QTextStream& out, QTextStream& err) {
    if (parser.isSet(SpaceTimeName))
        return WriteSpaceTime(job, parser.value(SpaceTimeName), config, out, err);
    if (parser.isSet(CostName))
        return WriteCost(job, parser, config, out, err);
    if (parser.isSet(MaxLengthName) || parser.isSet(CsvName) || parser.isSet(AlphabetName)) {
        err << QStringLiteral("Параметры --max-length, --csv и --alphabet действуют только вместе с --cost")
            << Qt::endl;
        return 2;
    }
    return std::nullopt;
}
