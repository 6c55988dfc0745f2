#include "cli/runnercli.h"

#include "cli/cligrade.h"
#include "cli/clipictures.h"
#include "cli/clitask.h"

#include "accel/accelrun.h"
#include "diagram/diagram.h"
#include "diagram/positions.h"
#include "files/qtmfile.h"
#include "import/exporter.h"
#include "platform/codepage.h"
#include "platform/fileio.h"
#include "platform/inifile.h"
#include "platform/paths.h"
#include "platform/usage.h"
#include "runner/batchrun.h"
#include "runner/progressline.h"
#include "tasks/taskbook.h"
#include "table/handout.h"
#include "testset/testsetcheck.h"
#include "testset/testsetfile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QStorageInfo>
#include <QTextStream>

#include <atomic>
#include <limits>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace {

// The lines of a text file read as a test set is (Windows-1251, or UTF-8 where the file shows it): LF ends a
// line, CR is dropped, a final LF adds no empty line.
bool ReadLines(const QString& path, QStringList& lines, QString& error) {
    QByteArray bytes;
    // The same bounds as a machine file: /dev/zero or a FIFO given here must not hang the run.
    if (fileio::ReadFile(path, qtmformat::MaxFileBytes, bytes) != fileio::TReadError::None) {
        error = QStringLiteral("Не удалось прочитать файл ") + path;
        return false;
    }
    QString text = codepage::DecodeText(bytes);
    text.remove(QLatin1Char('\r'));
    lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return true;
}

// Longer tapes of an accelerated run are printed compressed.
constexpr std::size_t FastTapeBound = 10000;

QString Shown(const QString& word) {
    return word.isEmpty() ? QStringLiteral("(пустое слово)") : word;
}

QString Describe(const TRunResult& r) {
    QString line = Shown(r.word) + QLatin1Char('\t') + RunEndText(r.end);
    if (r.end == TRunEnd::Loop)
        line += QStringLiteral(" (шаг ") + QString::number(r.loopStep) + QLatin1Char(')');
    return line + QStringLiteral("\tшагов: ") + QString::number(r.steps) + QStringLiteral("\tсостояние: ") + r.state +
           QStringLiteral("\tсимвол: ") + r.symbol + QStringLiteral("\tлента: ") + r.InnerTape();
}

QString Json(const TRunResult& r) {
    QJsonObject o;
    o.insert(QStringLiteral("word"), r.word);
    o.insert(QStringLiteral("end"), RunEndCode(r.end));
    o.insert(QStringLiteral("steps"), r.steps);
    o.insert(QStringLiteral("state"), r.state);
    o.insert(QStringLiteral("symbol"), r.symbol);
    o.insert(QStringLiteral("tape"), r.tape);
    o.insert(QStringLiteral("inner"), r.InnerTape());
    if (r.end == TRunEnd::Loop)
        o.insert(QStringLiteral("loopStep"), r.loopStep);
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

// An accelerated run's line: its numbers exact, the tape compressed beyond a bound.
QString DescribeFast(const TRunResult& r, const TFastResult& f) {
    return Shown(r.word) + QLatin1Char('\t') + RunEndText(r.end) + QStringLiteral("\tшагов: ") + BigText(f.steps) +
           QStringLiteral("\tсостояние: ") + r.state + QStringLiteral("\tсимвол: ") + r.symbol +
           QStringLiteral("\tлента: ") + f.TapeText(FastTapeBound, true);
}

QString JsonFast(const TRunResult& r, const TFastResult& f) {
    QJsonObject o;
    o.insert(QStringLiteral("word"), r.word);
    o.insert(QStringLiteral("end"), RunEndCode(r.end));
    // Beyond 2^53 a JSON number loses digits in most readers: the exact count goes as a string then.
    if (f.steps <= mpz_class(std::uint64_t(1) << 53))
        o.insert(QStringLiteral("steps"), qint64(f.steps.get_si()));
    else
        o.insert(QStringLiteral("steps"), BigText(f.steps));
    o.insert(QStringLiteral("state"), r.state);
    o.insert(QStringLiteral("symbol"), r.symbol);
    o.insert(QStringLiteral("head"), BigText(f.head));
    o.insert(QStringLiteral("tape"), f.TapeText(FastTapeBound, false));
    o.insert(QStringLiteral("inner"), f.TapeText(FastTapeBound, true));
    QJsonObject counts;
    const std::array<mpz_class, 256> n = f.Counts();
    for (int b = 0; b < 256; ++b)
        if (b != '#' && n[std::size_t(b)] > 0)
            counts.insert(QString(TRunCore::CharOf(std::uint8_t(b))), BigText(n[std::size_t(b)]));
    o.insert(QStringLiteral("counts"), counts);
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

// The report writer's error boxes, as lines on the terminal.
class TTerminalPrompts : public TPrompts {
public:
    explicit TTerminalPrompts(QTextStream& err) : err_(err) {}
    TAnswer Ask(const TMessage& message) override {
        err_ << message.caption << QStringLiteral(": ")
             << QString(message.text).replace(QLatin1Char('\n'), QLatin1Char(' ')) << Qt::endl;
        return message.defaultButton;
    }
    void Asterisk() override {}
    QString OpenFileName(const TFileDialog&) override { return QString(); }
    QString SaveFileName(const TFileDialog&) override { return QString(); }

private:
    QTextStream& err_;
};

// The bytes free for a file to be written at path (its directory may not exist yet); -1 when unknown.
qint64 FreeSpace(const QString& path) {
    QFileInfo dir(QFileInfo(path).absolutePath());
    while (!dir.exists() && !dir.isRoot())
        dir = QFileInfo(dir.absolutePath());
    const QStorageInfo storage(dir.absoluteFilePath());
    return storage.isValid() && storage.isReady() ? storage.bytesAvailable() : -1;
}

qint64 Megabytes(qint64 bytes) {
    constexpr qint64 MB = 1024 * 1024;
    return (bytes + MB - 1) / MB;
}

bool PositiveNumber(const QString& text, int& value) {
    bool ok = false;
    value = text.toInt(&ok);
    return ok && value > 0;
}

// One file and one word (or one expected case) to run; the file's own word when neither is given.
struct TJob {
    int file = 0;
    bool firstOfFile = false;
    bool fileWord = false;
    int caseIndex = -1;
    QString word;
};

// What a job prints, kept until the jobs before it have printed theirs.
struct TJobOutput {
    QString out;
    QString err;
    int status = 0;
    int passed = 0;
    int failed = 0;
};

// The machine files named: a directory stands for its *.qtm files, in name order.
QStringList MachineFiles(const QStringList& arguments) {
    QStringList files;
    for (const QString& a : arguments) {
        if (!QFileInfo(a).isDir()) {
            files.append(a);
            continue;
        }
        QStringList inside;
        QDirIterator it(a, {QStringLiteral("*.qtm"), QStringLiteral("*.QTM")}, QDir::Files);
        while (it.hasNext())
            inside.append(it.next());
        inside.sort();
        files += inside;
    }
    return files;
}

// Settings that load are not necessarily settings: a file of another kind reads as all defaults.
void WarnAboutSettings(const QString& path, const QString& shown, QTextStream& err) {
    TIniFile ini(path);
    if (!ini.Load())
        return;
    const int foreign = ini.ForeignLines();
    if (foreign > 0)
        err << QStringLiteral("Предупреждение: в файле настроек ") << shown << QStringLiteral(" не распознано строк: ")
            << foreign << Qt::endl;
    static const char* const sections[] = {"File", "AutoSave", "Messages", "Run", "Log", "Hint", "Color"};
    for (const char* section : sections)
        if (ini.SectionExists(QLatin1String(section)))
            return;
    err << QStringLiteral("Предупреждение: в файле настроек ") << shown
        << QStringLiteral(" нет ни одного раздела настроек, взяты значения по умолчанию") << Qt::endl;
}

// The names of the machines' files in one directory: NAME + ext, where NAME is the file's name without its
// extension. Machines whose names meet (a/x.qtm and b/x.qtm, or x.qtm and x.QTM, letter case aside as some
// file systems ignore it) would write over each other: the first keeps the name, each later one gets
// NAME~2, NAME~3... (a number no other machine's name takes), and a warning says so.
QStringList OutputNames(const QStringList& files, const QString& ext, QTextStream& err) {
    QStringList names;
    QSet<QString> natural;
    for (const QString& file : files) {
        names.append(QFileInfo(file).completeBaseName() + ext);
        natural.insert(names.last().toCaseFolded());
    }
    QSet<QString> taken;
    for (int i = 0; i < files.size(); ++i) {
        const QString folded = names[i].toCaseFolded();
        if (!taken.contains(folded)) {
            taken.insert(folded);
            continue;
        }
        const QString base = QFileInfo(files[i]).completeBaseName();
        QString name;
        for (int n = 2;; ++n) {
            name = base + QLatin1Char('~') + QString::number(n) + ext;
            if (!taken.contains(name.toCaseFolded()) && !natural.contains(name.toCaseFolded()))
                break;
        }
        err << QStringLiteral("Предупреждение: ") << files[i] << QStringLiteral(" записан как ") << name
            << QStringLiteral(": имя ") << names[i] << QStringLiteral(" уже занято") << Qt::endl;
        taken.insert(name.toCaseFolded());
        names[i] = name;
    }
    return names;
}

// One file for each machine of files, made by write from the loaded machine: out itself for one machine, or
// NAME + ext in the directory out for several (or when out is a directory). A machine that cannot be read or
// written gives status 2; the others are still written.
int WritePerMachine(
    const QStringList& files, const QString& out, const QString& ext, const TConfig& config, QTextStream& err,
    const std::function<bool(TBatchRunner& runner, const QString& file, const QString& target)>& write) {
    const bool many = files.size() > 1 || QFileInfo(out).isDir();
    if (many && !QDir().mkpath(out)) {
        err << QStringLiteral("Не удалось создать каталог ") << out << Qt::endl;
        return 2;
    }
    const QStringList names = many ? OutputNames(files, ext, err) : QStringList();
    int status = 0;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString& file = files[i];
        TBatchRunner runner(config);
        QStringList warnings;
        QString error;
        if (!runner.Load(file, warnings, error)) {
            err << error << Qt::endl;
            status = 2;
            continue;
        }
        for (const QString& w : warnings)
            err << QStringLiteral("Предупреждение: ") << w << Qt::endl;
        const QString target = many ? QDir(out).filePath(names[i]) : out;
        if (!write(runner, file, target))
            status = 2;
    }
    return status;
}

// --html: the handout page of each machine instead of runs.
int WriteHandouts(const QStringList& files, const QString& out, const TConfig& config, QTextStream& err) {
    return WritePerMachine(files, out, QStringLiteral(".html"), config, err,
                           [&err](TBatchRunner& runner, const QString& file, const QString& page) {
                               // A table too big for paper would take gigabytes to write: refused, not cut.
                               QString error = HandoutTableRefusal(runner.Machine());
                               if (!error.isEmpty()) {
                                   err << file << QStringLiteral(": ") << error << Qt::endl;
                                   return false;
                               }
                               const THandout handout{QFileInfo(file).fileName(), QString(), false};
                               if (SaveHandout(page, HandoutHtml(runner.Machine(), handout), error))
                                   return true;
                               err << error << Qt::endl;
                               return false;
                           });
}

// --diagram: each machine's state diagram as SVG. The layout runs apart, within the diagram's limits: a
// machine too big for it is named with the reason and gives status 2.
int WriteDiagrams(const QStringList& files, const QString& out, const TConfig& config, QTextStream& err) {
    return WritePerMachine(
        files, out, QStringLiteral(".svg"), config, err,
        [&](TBatchRunner& runner, const QString& file, const QString& name) {
            TDiagramSource source = DiagramSourceOf(runner.Machine(), runner.BreakPoints(), config.UseBreak);
            // The states the user placed in the window stay where the positions file beside the machine puts
            // them, as the window draws them.
            const QHash<QString, QPointF> placed = ReadPositionsFile(file, source);
            for (auto at = placed.cbegin(); at != placed.cend(); ++at)
                source.pinned.insert(TrimText(at.key()).toCaseFolded(), at.value());
            const TDiagram diagram = LayOutDiagram(source);
            if (!diagram.error.isEmpty()) {
                err << file << QStringLiteral(": диаграмму построить не удалось: ") << diagram.error << Qt::endl;
                return false;
            }
            const fileio::TSaveResult saved =
                fileio::SaveFile(name, DiagramSvg(diagram, config), fileio::FreshTempName(name), QString());
            if (saved.ok())
                return true;
            err << fileio::FailureText(name, saved, QStringLiteral("Диаграмма осталась в файле")) << Qt::endl;
            return false;
        });
}

// --export: each machine written for another simulator, its states where the diagram's layout puts them.
int WriteExports(const QStringList& files, const QString& out, TExportFormat format, const TConfig& config,
                 QTextStream& err) {
    return WritePerMachine(
        files, out, ExportExtension(format), config, err,
        [&](TBatchRunner& runner, const QString& file, const QString& target) {
            TExportOptions options;
            options.title = QFileInfo(file).completeBaseName();
            // A machine the format refuses is refused before its layout, which may take a minute.
            if (const QString refusal = ExportRefusal(ExportSourceOf(runner.Machine()), format); !refusal.isEmpty()) {
                err << file << QStringLiteral(": ") << refusal << Qt::endl;
                return false;
            }
            if (format == TExportFormat::Jff)
                for (const TDiagramNode& node : LayOutDiagram(DiagramSourceOf(runner.Machine())).nodes)
                    options.positions.insert(node.name, node.centre);
            // The places the user gave the states on the diagram win over the layout's.
            if (format == TExportFormat::Jff)
                options.positions =
                    ArrangedPositions(options.positions, ReadPositionsFile(file, DiagramSourceOf(runner.Machine())));
            QStringList warnings;
            QString error;
            const bool written =
                ExportMachineFile(ExportSourceOf(runner.Machine()), format, options, target, warnings, error);
            for (const QString& w : warnings)
                err << file << QStringLiteral(": предупреждение: ") << w << Qt::endl;
            if (!written)
                err << file << QStringLiteral(": ") << error << Qt::endl;
            return written;
        });
}

} // namespace

int RunBatch(const QStringList& arguments, QTextStream& out, QTextStream& err, bool errIsTerminal) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Запуск машины Тьюринга из файла на наборе слов"));
    const QCommandLineOption wordOption(
        QStringLiteral("word"),
        QStringLiteral("Слово для распознавания; пустое слово (--word \"\") - лента из двух пустых клеток"),
        QStringLiteral("W"));
    const QCommandLineOption wordsOption(QStringLiteral("words"),
                                         QStringLiteral("Файл слов, по одному в строке (пустая строка - пустое слово)"),
                                         QStringLiteral("FILE"));
    const QCommandLineOption stepsOption(
        QStringLiteral("max-steps"),
        QStringLiteral("Наибольшее число шагов: целое число любой величины, также в записи 1e40"), QStringLiteral("N"),
        QStringLiteral("1000000"));
    const QCommandLineOption diesOption(
        QStringLiteral("dies"),
        QStringLiteral("Рост ленты за края слова, от 1 до 99 клеток; 0 - без ограничения (как у задач о "
                       "трудолюбивом бобре)"),
        QStringLiteral("N"));
    const QCommandLineOption fastOption(
        QStringLiteral("fast"),
        QStringLiteral("Ускоренный прогон: лента хранится сжатой (повторы символа или слова из k символов), действие "
                       "машины на блок вычисляется один раз, проход головки по n одинаковым блокам делается за один "
                       "шаг; числа шагов и символов точные любой величины, длинная лента выводится сжатой "
                       "(1^4096 # 1^12), --json дает counts - число каждого символа на ленте. Ответы те же, что "
                       "при обычном прогоне. Проверка на зацикливание в этом режиме не выполняется; журнал, "
                       "контрольные точки и --report недоступны"));
    const QCommandLineOption configOption(QStringLiteral("config"), QStringLiteral("Файл настроек qtm.ini"),
                                          QStringLiteral("FILE"));
    const QCommandLineOption reportOption(
        QStringLiteral("report"),
        QStringLiteral("Записать отчет о прогоне (журнал шагов) в файл, как это делает окно отчета; только для "
                       "одного слова. Включает журнал шагов (ViewLog)"),
        QStringLiteral("OUT.log"));
    const QCommandLineOption noLoopOption(
        QStringLiteral("no-loop-check"),
        QStringLiteral("Не проверять зацикливание. Без этого параметра, когда в настройках включены ViewLog и "
                       "History (так по умолчанию), прогон, вернувшийся в конфигурацию из последних MaxCount шагов, "
                       "завершается как зацикливание"));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("Вывод в JSON"));
    const QCommandLineOption expectOption(QStringLiteral("expect"), QStringLiteral("Файл ожидаемых результатов"),
                                          QStringLiteral("FILE"));
    const QCommandLineOption jobsOption(
        QStringLiteral("jobs"),
        QStringLiteral("Сколько прогонов идет одновременно (по умолчанию по числу ядер); результаты выводятся в "
                       "порядке файлов и слов"),
        QStringLiteral("N"));
    const QCommandLineOption htmlOption(
        QStringLiteral("html"),
        QStringLiteral("Не запускать машину, а записать раздаточный лист (алфавит, слово, начальное состояние, таблица "
                       "переходов) в HTML-файл; для нескольких машин OUT - каталог, по странице на машину"),
        QStringLiteral("OUT.html"));
    const QCommandLineOption diagramOption(
        QStringLiteral("diagram"),
        QStringLiteral("Записать диаграмму состояний машины в файл SVG; для нескольких машин OUT.svg - каталог, "
                       "куда пишется по файлу ИМЯ.svg на машину. Без слов машины не запускаются"),
        QStringLiteral("OUT.svg"));
    const QCommandLineOption exportOption(
        QStringLiteral("export"),
        QStringLiteral("Не запускать машину, а записать ее для другой программы в файл OUT, последний из названных: "
                       "jff - JFLAP, lines - по одному правилу в строке, pairs - по две строки на правило; для "
                       "нескольких машин OUT - каталог, по файлу на машину"),
        QStringLiteral("jff|lines|pairs"));
    parser.addOptions({wordOption, wordsOption, stepsOption, diesOption, fastOption, configOption, reportOption,
                       noLoopOption, jsonOption, expectOption, jobsOption, htmlOption, diagramOption, exportOption});
    AddPictureOptions(parser);
    const QCommandLineOption taskOption(
        QStringLiteral("task"),
        QStringLiteral(
            "Проверить машины на наборе слов задачи задачника (FILE.tests рядом с FILE.task) с ее "
            "параметрами DiesCount, MaxSteps и TimeLimit; по каждой машине итог N passed, M failed. С --json "
            "- строка JSON на слово, с --csv OUT.csv - еще и таблица для электронных таблиц"),
        QStringLiteral("FILE.task"));
    parser.addOption(taskOption);
    const QCommandLineOption gradeOption(
        QStringLiteral("grade"),
        QStringLiteral(
            "Проверить работы класса: CLASS_DIR - каталог с папкой на ученика, в ней его \"задачи\", как их делает "
            "\"Решать\"; каждая машина проверяется на каждой задаче задачника BOOK_DIR с параметрами задачи (по "
            "--jobs одновременно). Выводит таблицу: строка на ученика, столбец на задачу. С --html OUT.html - еще и "
            "страница для печати со словами, на которых машины ошиблись, с --csv OUT.csv - таблица для электронных "
            "таблиц"),
        QStringLiteral("BOOK_DIR"));
    parser.addOption(gradeOption);
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE.qtm"),
                                 QStringLiteral("Файлы машин Тьюринга (.qtm; машины других программ: .jff, .tm, .tms, "
                                                ".txt и другие, по содержимому) или каталоги с ними (все файлы *.qtm)"),
                                 QStringLiteral("FILE.qtm|DIR..."));
    const QString usageLine = parser.helpText().section(QLatin1Char('\n'), 0, 0);
    const QString program = QStringLiteral("qtm-run");
    if (!parser.parse(arguments)) {
        err << program << QStringLiteral(": ") << parser.errorText() << Qt::endl << usage::TryHelp(usageLine, program);
        return 2;
    }
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        out << parser.helpText()
            << QStringLiteral("\nКод возврата:\n"
                              "  0  все прогоны завершились нормальным остановом (и все ожидания "
                              "сбылись)\n"
                              "  1  иначе (в том числе зацикливание и предел шагов)\n"
                              "  2  непригодные входные данные или неверный параметр\n")
            << usage::BugReportLine();
        return 0;
    }
    if (parser.isSet(versionOption)) {
        out << usage::VersionText(program);
        return 0;
    }
    const bool grading = parser.isSet(gradeOption);
    if (grading && parser.positionalArguments().size() != 1) {
        err << program << QStringLiteral(": укажите один каталог класса: --grade BOOK_DIR CLASS_DIR") << Qt::endl
            << usage::TryHelp(usageLine, program);
        return 2;
    }
    const QStringList files = grading ? parser.positionalArguments() : MachineFiles(parser.positionalArguments());
    if (files.isEmpty()) {
        err << program << QStringLiteral(": укажите файл машины Тьюринга") << Qt::endl
            << usage::TryHelp(usageLine, program);
        return 2;
    }
    int jobs = int(std::max(1u, std::thread::hardware_concurrency()));
    if (parser.isSet(jobsOption) && !PositiveNumber(parser.value(jobsOption), jobs)) {
        err << QStringLiteral("Неверное число заданий: ") << parser.value(jobsOption) << Qt::endl;
        return 2;
    }
    mpz_class bigSteps;
    if (!ParseStepLimit(parser.value(stepsOption), bigSteps)) {
        err << QStringLiteral("Неверное число шагов: ") << parser.value(stepsOption) << Qt::endl;
        return 2;
    }
    // Plain stepping counts in 64 bits: a larger limit is one it never reaches.
    const qint64 maxSteps = bigSteps.fits_slong_p() ? qint64(bigSteps.get_si()) : std::numeric_limits<qint64>::max();
    const bool fast = parser.isSet(fastOption);
    if (fast && parser.isSet(reportOption)) {
        err << QStringLiteral("Параметр --report несовместим с --fast: ускоренный прогон не ведет журнал") << Qt::endl;
        return 2;
    }

    TConfig config{QString()};
    config.settingsPath.clear();
    config.desktopPath.clear();
    if (parser.isSet(configOption)) {
        config.settingsPath = QDir::cleanPath(QDir::current().absoluteFilePath(parser.value(configOption)));
        if (!config.LoadSettings()) {
            err << QStringLiteral("Не удалось прочитать файл настроек ") << parser.value(configOption) << Qt::endl;
            return 2;
        }
        WarnAboutSettings(config.settingsPath, parser.value(configOption), err);
    }
    if (parser.isSet(diesOption)) {
        int dies = 0;
        bool ok = false;
        dies = parser.value(diesOption).toInt(&ok);
        if (!ok || dies < 0) {
            err << QStringLiteral("Неверное значение --dies: ") << parser.value(diesOption) << Qt::endl;
            return 2;
        }
        // 0: the tape grows without limit, as busy beavers need; the window's setting stays 1 to 99.
        if (dies == 0)
            config.DiesCount = 0;
        else
            config.SetDiesCount(dies);
        if (config.DiesCount != dies)
            err << QStringLiteral("Предупреждение: --dies ") << dies << QStringLiteral(" больше ") << config.DiesCount
                << QStringLiteral(", взято ") << config.DiesCount << Qt::endl;
    }
    if (parser.isSet(noLoopOption))
        config.History = false;
    // A report needs the log, as the window's report needs the log window.
    if (parser.isSet(reportOption))
        config.ViewLog = true;
    // Without the loop check and without a report nothing reads the log: the run goes without it.
    else if (!config.History)
        config.ViewLog = false;
    if (grading)
        // The shipped book is where the program is; a caller without an application has none.
        return GradeClassFolder(parser.value(gradeOption), files.first(),
                                QCoreApplication::instance() ? ShippedTaskBookDir(paths::ExecutableDir()) : QString(),
                                config, {parser.value(htmlOption), parser.value(QStringLiteral("csv")), jobs}, out,
                                err);
    if (parser.isSet(taskOption))
        return GradeTaskMachines(parser.value(taskOption), files, config,
                                 {parser.isSet(jsonOption), parser.value(QStringLiteral("csv"))}, out, err);
    if (parser.isSet(htmlOption))
        return WriteHandouts(files, parser.value(htmlOption), config, err);
    if (parser.isSet(exportOption)) {
        TExportFormat format = TExportFormat::Jff;
        if (!ExportFormatByName(parser.value(exportOption), format)) {
            err << QStringLiteral("Неверный формат --export: ") << parser.value(exportOption)
                << QStringLiteral(" (ожидается jff, lines или pairs)") << Qt::endl;
            return 2;
        }
        // The last name is where the machines go, never a machine: a directory there is not read.
        const QStringList named = parser.positionalArguments();
        const QStringList machines = MachineFiles(named.mid(0, named.size() - 1));
        if (machines.isEmpty()) {
            err << QStringLiteral("Параметр --export: укажите файл машины и файл, куда ее записать") << Qt::endl;
            return 2;
        }
        return WriteExports(machines, named.last(), format, config, err);
    }

    QList<TTestCase> cases;
    QString error;
    if (parser.isSet(expectOption)) {
        QList<TTestLineError> lineErrors;
        cases = ReadTestSet(parser.value(expectOption), lineErrors, error);
        if (!error.isEmpty()) {
            err << error << Qt::endl;
            return 2;
        }
        for (const TTestLineError& e : lineErrors)
            err << parser.value(expectOption) << QStringLiteral(": ") << e.Message() << Qt::endl;
        if (!lineErrors.isEmpty())
            return 2;
    }
    QStringList words = parser.values(wordOption);
    if (parser.isSet(wordsOption)) {
        QStringList lines;
        if (!ReadLines(parser.value(wordsOption), lines, error)) {
            err << error << Qt::endl;
            return 2;
        }
        words += lines;
    }

    // An imported machine has no word of its own: the symbols of the words it will run join its alphabet.
    QString inputSymbols = words.join(QString());
    for (const TTestCase& c : cases)
        inputSymbols += c.word;
    if (parser.isSet(reportOption) && (files.size() != 1 || words.size() + cases.size() > 1)) {
        err << QStringLiteral("Параметр --report допускает только одно слово") << Qt::endl;
        return 2;
    }

    TPictureJob pictureJob{files, words, {}, inputSymbols, maxSteps};
    for (const TTestCase& c : cases)
        pictureJob.expectWords.append(c.word);
    if (const std::optional<int> status = RunPictures(parser, pictureJob, config, out, err))
        return *status;

    if (parser.isSet(diagramOption)) {
        const int status = WriteDiagrams(files, parser.value(diagramOption), config, err);
        if ((words.isEmpty() && cases.isEmpty()) || status != 0)
            return status;
    }

    QList<TJob> list;
    for (int f = 0; f < files.size(); ++f) {
        const qsizetype first = list.size();
        for (const QString& w : words)
            list.append(TJob{f, false, false, -1, w});
        for (int c = 0; c < cases.size(); ++c)
            list.append(TJob{f, false, false, c, cases[c].word});
        if (words.isEmpty() && cases.isEmpty())
            list.append(TJob{f, false, true, -1, QString()});
        list[first].firstOfFile = true;
    }
    const bool json = parser.isSet(jsonOption);
    // With several files each line starts with the file it belongs to.
    const bool named = files.size() > 1;
    // "-" is standard output, not a file of that name.
    const QString reportValue = parser.value(reportOption);
    const QString reportPath = !parser.isSet(reportOption)         ? QString()
                               : reportValue == QLatin1String("-") ? reportValue
                                                                   : QDir::current().absoluteFilePath(reportValue);

    // Each worker keeps the machine it loaded for the words that follow: a file is read (and a foreign one
    // imported, which takes time in the number of words) at most once per worker, not once per word.
    struct TLoaded {
        std::unique_ptr<TBatchRunner> runner;
        int file = -1;
        bool ok = false;
    };
    const auto runJob = [&](const TJob& job, TJobOutput& o, TLoaded& loaded) {
        QTextStream jout(&o.out);
        QTextStream jerr(&o.err);
        const QString prefix = named ? files[job.file] + QLatin1Char('\t') : QString();
        if (loaded.file != job.file) {
            loaded.runner = std::make_unique<TBatchRunner>(config);
            loaded.runner->KeepRows(!reportPath.isEmpty());
            loaded.file = job.file;
            QStringList warnings;
            QString loadError;
            loaded.ok = loaded.runner->Load(files[job.file], warnings, loadError, inputSymbols);
            // A file's first job is always the first its worker loads for that file: it speaks for the file.
            if (job.firstOfFile && !loaded.ok)
                jerr << loadError << Qt::endl;
            if (job.firstOfFile)
                for (const QString& w : warnings)
                    jerr << QStringLiteral("Предупреждение: ") << w << Qt::endl;
        }
        if (!loaded.ok) {
            o.status = 2;
            return;
        }
        TBatchRunner& runner = *loaded.runner;
        const QString word = job.fileWord ? runner.FileWord() : job.word;
        // An empty word asked for runs on blanks; a file without a word is refused as the window refuses it.
        runner.SetEmptyWordOnBlanks(!job.fileWord);
        // A single run on a terminal says how far it has come; parallel runs would write over each other.
        std::optional<TProgressLine> progress;
        const auto refused = [&](const TRunResult& r) {
            jerr << prefix << QStringLiteral("Машина не запущена на слове ") << Shown(word) << QLatin1Char(':')
                 << Qt::endl;
            for (const QString& f : r.faults)
                jerr << QStringLiteral("  ") << QString(f).replace(QLatin1Char('\n'), QStringLiteral("\n  "))
                     << Qt::endl;
            o.status = 2;
        };
        // One case of --expect: jsonText and line are the run as --json and as a plain line give it.
        const auto reportCase = [&](const TRunResult& r, const QString& jsonText, const QString& line) {
            const TTestCase& c = cases[job.caseIndex];
            // The expected tape is written in the other simulator's symbols, as the word is.
            TTestCase expected = c;
            expected.tape = runner.MachineText(c.tape);
            const bool ok = TestPassed(expected, r);
            if (json) {
                QJsonObject obj = QJsonDocument::fromJson(jsonText.toUtf8()).object();
                obj.insert(QStringLiteral("passed"), ok);
                if (named)
                    obj.insert(QStringLiteral("file"), files[job.file]);
                jout << QString::fromUtf8(QJsonDocument(obj).toJson(QJsonDocument::Compact)) << Qt::endl;
            } else if (ok) {
                jout << prefix << QStringLiteral("верно\t") << line << Qt::endl;
            } else {
                jout << prefix << QStringLiteral("неверно\t") << line << QStringLiteral("\tожидалось: ") << c.tape
                     << (c.hasState ? QStringLiteral(", состояние ") + c.state : QString()) << Qt::endl;
            }
            ok ? ++o.passed : ++o.failed;
        };
        TFastResult fastResult;
        if (fast) {
            const TRunResult r = runner.RunFast(word, bigSteps, fastResult, FastTapeBound);
            if (r.end == TRunEnd::Refused) {
                refused(r);
                return;
            }
            if (r.end != TRunEnd::Halt)
                o.status = 1;
            // A machine that stops at once was never handed over: its result is the plain one.
            if (fastResult.tape.empty())
                fastResult.steps = long(r.steps);
            if (job.caseIndex < 0) {
                if (fastResult.tape.empty())
                    jout << prefix << (json ? Json(r) : Describe(r)) << Qt::endl;
                else
                    jout << prefix << (json ? JsonFast(r, fastResult) : DescribeFast(r, fastResult)) << Qt::endl;
                return;
            }
            if (fastResult.tape.empty())
                reportCase(r, Json(r), Describe(r));
            else
                reportCase(r, JsonFast(r, fastResult), DescribeFast(r, fastResult));
            return;
        }
        if (errIsTerminal && !json && list.size() == 1) {
            progress.emplace(err);
            runner.SetProgress([&](qint64 steps) { progress->Update(steps); });
        }
        const TRunResult r = runner.Run(word, maxSteps);
        // The results go to the same terminal: the line must not stand in front of them.
        if (progress) {
            runner.SetProgress(nullptr);
            progress->Finish();
        }
        if (r.end == TRunEnd::Refused) {
            refused(r);
        } else if (r.end != TRunEnd::Halt) {
            o.status = 1;
        }
        if (job.caseIndex < 0) {
            if (r.end != TRunEnd::Refused)
                jout << prefix << (json ? Json(r) : Describe(r)) << Qt::endl;
        } else {
            reportCase(r, Json(r), Describe(r));
        }
        if (!reportPath.isEmpty() && runner.Log().IsEmpty()) {
            // The window stays silent here, but a script must learn that the file it asked for is not there.
            jerr << QStringLiteral("Журнал пуст: отчет ") << reportPath << QStringLiteral(" не записан") << Qt::endl;
        } else if (!reportPath.isEmpty()) {
            // Every row holds the whole tape: a long word makes a report of gigabytes, refused before a byte of
            // it fills the disk. A disk that fills all the same stops the writing with the writer's message.
            const qint64 size = runner.ReportSizeAtLeast();
            const qint64 free = FreeSpace(reportPath);
            if (free >= 0 && size > free) {
                jerr << QStringLiteral("Отчет займет не меньше ") << Megabytes(size)
                     << QStringLiteral(" МБ, а на диске свободно ") << Megabytes(free) << QStringLiteral(" МБ: отчет ")
                     << reportPath << QStringLiteral(" не записан") << Qt::endl;
                o.status = 2;
            } else {
                TTerminalPrompts prompts(jerr);
                if (!runner.Log().WriteReport(reportPath, prompts))
                    o.status = 2;
            }
        }
    };

    std::vector<TJobOutput> outputs(std::size_t(list.size()));
    std::atomic<qsizetype> next{0};
    const auto worker = [&] {
        TLoaded loaded;
        for (qsizetype i = next++; i < list.size(); i = next++)
            runJob(list[i], outputs[std::size_t(i)], loaded);
    };
    std::vector<std::thread> threads;
    for (int t = 1; t < std::min<qsizetype>(jobs, list.size()); ++t)
        threads.emplace_back(worker);
    worker();
    for (std::thread& t : threads)
        t.join();

    int status = 0;
    int passed = 0;
    int failed = 0;
    for (const TJobOutput& o : outputs) {
        err << o.err;
        out << o.out;
        status = std::max(status, o.status);
        passed += o.passed;
        failed += o.failed;
    }
    err.flush();
    if (!cases.isEmpty()) {
        out << passed << " passed, " << failed << " failed" << Qt::endl;
        if (failed > 0)
            status = std::max(status, 1);
    }
    return status;
}
