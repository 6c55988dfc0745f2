#include "tasks/task.h"

#include "machine/command.h"
#include "platform/codepage.h"
#include "platform/fileio.h"
#include "platform/paths.h"
#include "testset/testsetfile.h"

#include <QStringList>

#include <algorithm>
#include <map>

namespace {

// A statement is a page of text: anything larger is no task file.
constexpr qint64 MaxTaskBytes = 256 * 1024;

enum class TSection { None, Task, Statement };

struct TKeyLine {
    int line = 0;
    QString value;
};

bool Fail(TTaskFault& fault, int line, const QString& text) {
    fault = {line, text};
    return false;
}

} // namespace

QString TTask::TestsPath() const {
    return paths::ChangeFileExt(path, QStringLiteral(".tests"));
}

QString TTaskFault::Message() const {
    return line > 0 ? QStringLiteral("Строка ") + QString::number(line) + QStringLiteral(": ") + text : text;
}

bool ParseTask(const QByteArray& bytes, TTask& task, TTaskFault& fault) {
    // A teacher may write the file in any editor: read as the test sets beside it are.
    QString text = DecodeTestSetText(bytes);
    text.remove(QLatin1Char('\r'));
    QStringList lines = text.split(QLatin1Char('\n'));
    static const QStringList Keys{QStringLiteral("Title"),     QStringLiteral("Alphabet"), QStringLiteral("Word"),
                                  QStringLiteral("DiesCount"), QStringLiteral("MaxSteps"), QStringLiteral("Difficulty"),
                                  QStringLiteral("TimeLimit")};
    static const QString Optional = QStringLiteral("TimeLimit");
    // A statement written without its header would read as keys without "=": the fault names the header.
    const bool hasStatement = std::any_of(lines.begin(), lines.end(), [](const QString& l) {
        return l.trimmed().compare(QStringLiteral("[Statement]"), Qt::CaseInsensitive) == 0;
    });
    std::map<QString, TKeyLine> keys;
    TSection section = TSection::None;
    int taskLine = 0;
    int statementLine = 0;
    QStringList statement;
    for (int i = 0; i < lines.size(); ++i) {
        const int number = i + 1;
        const QString& line = lines[i];
        const QString trimmed = line.trimmed();
        if (!codepage::Exists(line))
            return Fail(fault, number, QStringLiteral("символ не из кодировки Windows-1251"));
        const bool bracketed = trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'));
        const QString name = bracketed ? trimmed.mid(1, trimmed.size() - 2).trimmed() : QString();
        const bool header = name.compare(QStringLiteral("Task"), Qt::CaseInsensitive) == 0 ||
                            name.compare(QStringLiteral("Statement"), Qt::CaseInsensitive) == 0;
        // In a statement "[0110] -> [1001]" is text: only the two sections' own headers end it.
        if (bracketed && (header || section != TSection::Statement)) {
            if (name.compare(QStringLiteral("Task"), Qt::CaseInsensitive) == 0)
                section = TSection::Task;
            else if (name.compare(QStringLiteral("Statement"), Qt::CaseInsensitive) == 0)
                section = TSection::Statement;
            else
                return Fail(fault, number, QStringLiteral("неизвестный раздел ") + trimmed);
            int& seen = section == TSection::Task ? taskLine : statementLine;
            if (seen != 0)
                return Fail(fault, number, QStringLiteral("раздел ") + trimmed + QStringLiteral(" повторяется"));
            seen = number;
            continue;
        }
        if (section == TSection::Statement) {
            statement.append(line);
            continue;
        }
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')))
            continue;
        if (section == TSection::None)
            return Fail(fault, number, QStringLiteral("строка вне раздела"));
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            return Fail(fault, number,
                        hasStatement ? QStringLiteral("нет знака =")
                                     : QStringLiteral("нет знака =; условие задачи пишется после строки [Statement]"));
        const QString key = line.left(equals).trimmed();
        const auto known = std::find_if(Keys.begin(), Keys.end(),
                                        [&](const QString& k) { return k.compare(key, Qt::CaseInsensitive) == 0; });
        if (known == Keys.end())
            return Fail(fault, number, QStringLiteral("неизвестный ключ ") + key);
        if (keys.count(*known))
            return Fail(fault, number, QStringLiteral("ключ ") + *known + QStringLiteral(" повторяется"));
        keys[*known] = {number, line.mid(equals + 1).trimmed()};
    }
    if (taskLine == 0)
        return Fail(fault, 0, QStringLiteral("нет раздела [Task]"));
    for (const QString& k : Keys)
        if (k != Optional && !keys.count(k))
            return Fail(fault, taskLine, QStringLiteral("нет ключа ") + k);
    if (statementLine == 0)
        return Fail(fault, 0, QStringLiteral("нет раздела [Statement] с условием задачи"));

    const TKeyLine& title = keys[QStringLiteral("Title")];
    if (title.value.isEmpty())
        return Fail(fault, title.line, QStringLiteral("пустое название"));
    const TKeyLine& alphabet = keys[QStringLiteral("Alphabet")];
    if (alphabet.value.isEmpty())
        return Fail(fault, alphabet.line, QStringLiteral("пустой алфавит"));
    for (qsizetype i = 0; i < alphabet.value.size(); ++i) {
        const QChar c = alphabet.value[i];
        if (c == BlankSymbol || c.isSpace())
            return Fail(fault, alphabet.line, QStringLiteral("в алфавите пустой символ"));
        if (alphabet.value.indexOf(c) != i)
            return Fail(fault, alphabet.line,
                        QStringLiteral("символ ") + c + QStringLiteral(" повторяется в алфавите"));
    }
    const TKeyLine& word = keys[QStringLiteral("Word")];
    if (word.value.isEmpty())
        return Fail(fault, word.line, QStringLiteral("пустое слово"));
    for (const QChar c : word.value)
        if (!alphabet.value.contains(c))
            return Fail(fault, word.line, QStringLiteral("символ ") + c + QStringLiteral(" слова не из алфавита"));
    bool ok = false;
    const TKeyLine& dies = keys[QStringLiteral("DiesCount")];
    const int diesCount = dies.value.toInt(&ok);
    if (!ok || diesCount < 1 || diesCount > 99)
        return Fail(fault, dies.line, QStringLiteral("DiesCount должен быть числом от 1 до 99"));
    const TKeyLine& steps = keys[QStringLiteral("MaxSteps")];
    const qint64 maxSteps = steps.value.toLongLong(&ok);
    if (!ok || maxSteps < 1 || maxSteps > TTask::MaxStepsBound)
        return Fail(fault, steps.line,
                    QStringLiteral("MaxSteps должен быть числом от 1 до ") + QString::number(TTask::MaxStepsBound));
    const TKeyLine& level = keys[QStringLiteral("Difficulty")];
    const int difficulty = level.value.toInt(&ok);
    if (!ok || difficulty < 1 || difficulty > 5)
        return Fail(fault, level.line, QStringLiteral("Difficulty должна быть числом от 1 до 5"));
    int timeLimit = TTask::DefaultTimeLimit;
    if (keys.count(Optional)) {
        const TKeyLine& time = keys[Optional];
        timeLimit = time.value.toInt(&ok);
        if (!ok || timeLimit < 1 || timeLimit > TTask::TimeLimitBound)
            return Fail(fault, time.line,
                        QStringLiteral("TimeLimit должен быть числом секунд от 1 до ") +
                            QString::number(TTask::TimeLimitBound));
    }
    while (!statement.isEmpty() && statement.last().trimmed().isEmpty())
        statement.removeLast();
    while (!statement.isEmpty() && statement.first().trimmed().isEmpty())
        statement.removeFirst();
    if (statement.isEmpty())
        return Fail(fault, statementLine, QStringLiteral("нет условия задачи"));

    task.title = title.value;
    task.alphabet = alphabet.value;
    task.word = word.value;
    task.diesCount = diesCount;
    task.maxSteps = maxSteps;
    task.difficulty = difficulty;
    task.timeLimit = timeLimit;
    task.statement = statement.join(QLatin1Char('\n'));
    return true;
}

bool ReadTask(const QString& path, TTask& task, TTaskFault& fault) {
    QByteArray bytes;
    if (fileio::ReadFile(path, MaxTaskBytes, bytes) != fileio::TReadError::None)
        return Fail(fault, 0, QStringLiteral("не удалось прочитать файл"));
    task.path = path;
    task.id = paths::FileName(paths::ChangeFileExt(path, QString()));
    return ParseTask(bytes, task, fault);
}
