#include "runner/runnercli.h"

#include "files/qtmfile.h"
#include "platform/codepage.h"
#include "platform/fileio.h"
#include "platform/inifile.h"
#include "runner/batchrun.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace {

struct TCase {
    QString word;
    QString tape;
    QString state;
    bool hasState = false;
};

// The lines of a Windows-1251 text file: LF ends a line, CR is dropped, a final LF adds no empty line.
bool ReadLines(const QString& path, QStringList& lines, QString& error) {
    QByteArray bytes;
    // The same bounds as a machine file: /dev/zero or a FIFO given here must not hang the run.
    if (fileio::ReadFile(path, qtmformat::MaxFileBytes, bytes) != fileio::TReadError::None) {
        error = QStringLiteral("Не удалось прочитать файл ") + path;
        return false;
    }
    QString text = codepage::Decode(bytes);
    text.remove(QLatin1Char('\r'));
    lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return true;
}

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

bool PositiveNumber(const QString& text, int& value) {
    bool ok = false;
    value = text.toInt(&ok);
    return ok && value > 0;
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

} // namespace

int RunBatch(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Запуск машины Тьюринга из файла на наборе слов"));
    const QCommandLineOption wordOption(QStringLiteral("word"), QStringLiteral("Слово для распознавания"),
                                        QStringLiteral("W"));
    const QCommandLineOption wordsOption(QStringLiteral("words"), QStringLiteral("Файл слов, по одному в строке"),
                                         QStringLiteral("FILE"));
    const QCommandLineOption stepsOption(QStringLiteral("max-steps"), QStringLiteral("Наибольшее число шагов"),
                                         QStringLiteral("N"), QStringLiteral("1000000"));
    const QCommandLineOption diesOption(QStringLiteral("dies"), QStringLiteral("Рост ленты за края слова"),
                                        QStringLiteral("N"));
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
    parser.addOptions({wordOption, wordsOption, stepsOption, diesOption, configOption, reportOption, noLoopOption,
                       jsonOption, expectOption});
    const QCommandLineOption helpOption = parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("FILE.qtm"), QStringLiteral("Файл машины Тьюринга"));
    if (!parser.parse(arguments)) {
        err << parser.errorText() << Qt::endl;
        return 2;
    }
    if (parser.isSet(helpOption)) {
        out << parser.helpText();
        return 0;
    }
    if (parser.positionalArguments().size() != 1) {
        err << QStringLiteral("Укажите один файл машины Тьюринга") << Qt::endl;
        return 2;
    }
    int maxSteps = 0;
    if (!PositiveNumber(parser.value(stepsOption), maxSteps)) {
        err << QStringLiteral("Неверное число шагов: ") << parser.value(stepsOption) << Qt::endl;
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
        if (!PositiveNumber(parser.value(diesOption), dies)) {
            err << QStringLiteral("Неверное значение --dies: ") << parser.value(diesOption) << Qt::endl;
            return 2;
        }
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

    QList<TCase> cases;
    QString error;
    if (parser.isSet(expectOption)) {
        QStringList lines;
        if (!ReadLines(parser.value(expectOption), lines, error)) {
            err << error << Qt::endl;
            return 2;
        }
        for (const QString& line : lines) {
            const QStringList f = line.split(QLatin1Char('\t'));
            if (f.size() < 2) {
                err << QStringLiteral("Строка без ожидаемой ленты: ") << line << Qt::endl;
                return 2;
            }
            cases.append(TCase{f[0], f[1], f.value(2), f.size() > 2});
        }
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

    TBatchRunner runner(config);
    QStringList warnings;
    if (!runner.Load(parser.positionalArguments().constFirst(), warnings, error)) {
        err << error << Qt::endl;
        return 2;
    }
    for (const QString& w : warnings)
        err << QStringLiteral("Предупреждение: ") << w << Qt::endl;
    if (words.isEmpty() && cases.isEmpty())
        words.append(runner.FileWord());
    if (parser.isSet(reportOption) && words.size() + cases.size() != 1) {
        err << QStringLiteral("Параметр --report допускает только одно слово") << Qt::endl;
        return 2;
    }

    int status = 0;
    auto run = [&](const QString& word) {
        const TRunResult r = runner.Run(word, maxSteps);
        if (r.end == TRunEnd::Refused) {
            err << QStringLiteral("Машина не запущена на слове ") << Shown(word) << QLatin1Char(':') << Qt::endl;
            for (const QString& f : r.faults)
                err << QStringLiteral("  ") << QString(f).replace(QLatin1Char('\n'), QStringLiteral("\n  "))
                    << Qt::endl;
            status = 2;
        } else if (r.end != TRunEnd::Halt) {
            status = std::max(status, 1);
        }
        return r;
    };
    for (const QString& word : words) {
        const TRunResult r = run(word);
        if (r.end != TRunEnd::Refused)
            out << (parser.isSet(jsonOption) ? Json(r) : Describe(r)) << Qt::endl;
    }
    int passed = 0;
    int failed = 0;
    for (const TCase& c : cases) {
        const TRunResult r = run(c.word);
        const bool ok = r.end == TRunEnd::Halt && r.InnerTape() == c.tape &&
                        (!c.hasState || r.state.compare(c.state, Qt::CaseInsensitive) == 0);
        if (parser.isSet(jsonOption)) {
            QJsonObject o = QJsonDocument::fromJson(Json(r).toUtf8()).object();
            o.insert(QStringLiteral("passed"), ok);
            out << QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) << Qt::endl;
        } else if (ok) {
            out << QStringLiteral("верно\t") << Describe(r) << Qt::endl;
        } else {
            out << QStringLiteral("неверно\t") << Describe(r) << QStringLiteral("\tожидалось: ") << c.tape
                << (c.hasState ? QStringLiteral(", состояние ") + c.state : QString()) << Qt::endl;
        }
        ok ? ++passed : ++failed;
    }
    if (parser.isSet(reportOption) && !runner.Log().IsEmpty()) {
        TTerminalPrompts prompts(err);
        if (!runner.Log().WriteReport(QDir::current().absoluteFilePath(parser.value(reportOption)), prompts))
            status = 2;
    }
    if (!cases.isEmpty()) {
        out << passed << " passed, " << failed << " failed" << Qt::endl;
        if (failed > 0)
            status = std::max(status, 1);
    }
    return status;
}
