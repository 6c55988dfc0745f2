#include "import/pairtext.h"

#include "import/foreignmachine.h"

namespace {

QStringList Fields(const QString& text) {
    QStringList fields = text.split(QLatin1Char(','));
    for (QString& f : fields)
        f = f.trimmed();
    return fields;
}

bool Keyword(const QString& line, const QString& key, QString& value) {
    if (!line.startsWith(key, Qt::CaseInsensitive))
        return false;
    value = line.mid(key.size()).trimmed();
    return true;
}

bool Movement(const QString& token, Move& move) {
    if (token == QLatin1String("<"))
        move = MoveLeft;
    else if (token == QLatin1String(">"))
        move = MoveRight;
    else if (token == QLatin1String("-"))
        move = MoveStay;
    else
        return false;
    return true;
}

QString SeveralTapes(int tapes) {
    return QStringLiteral("машина для нескольких лент (лент: ") + QString::number(tapes) +
           QStringLiteral(") не переносится: у этой машины одна лента");
}

} // namespace

bool ReadRulePairs(const QString& text, TForeignMachine& machine, QString& error) {
    using importtext::AtLine;
    const QString blank = QStringLiteral("_");
    machine = TForeignMachine{};
    const QStringList lines = text.split(QLatin1Char('\n'));
    QStringList accept;
    int acceptLine = 0;
    bool pending = false;
    TForeignRule rule;
    for (int i = 0; i < lines.size(); ++i) {
        const int line = i + 1;
        QString content = lines[i];
        const qsizetype comment = content.indexOf(QLatin1String("//"));
        if (comment >= 0)
            content.truncate(comment);
        content = content.trimmed();
        if (content.isEmpty())
            continue;
        QString value;
        if (!pending && Keyword(content, QStringLiteral("name:"), value))
            continue;
        if (!pending && Keyword(content, QStringLiteral("init:"), value)) {
            machine.initialState = value;
            machine.initialLine = line;
            continue;
        }
        if (!pending && Keyword(content, QStringLiteral("accept:"), value)) {
            accept = Fields(value);
            acceptLine = line;
            continue;
        }
        const QStringList f = Fields(content);
        if (!pending) {
            if (f.size() > 2) {
                error = AtLine(line, SeveralTapes(int(f.size()) - 1));
                return false;
            }
            if (f.size() != 2 || f[0].isEmpty()) {
                error = AtLine(line, QStringLiteral("ожидается строка «состояние,символ»"));
                return false;
            }
            rule = TForeignRule{};
            rule.line = line;
            rule.state = f[0];
            if (!importtext::Symbol(f[1], blank, line, rule.read, error))
                return false;
            pending = true;
            continue;
        }
        if (f.size() > 3 && f.size() % 2 == 1) {
            error = AtLine(line, SeveralTapes(int(f.size()) / 2));
            return false;
        }
        if (f.size() != 3 || f[0].isEmpty()) {
            error = AtLine(line, QStringLiteral("ожидается строка «новое состояние,символ,сдвиг»"));
            return false;
        }
        rule.newState = f[0];
        if (!importtext::Symbol(f[1], blank, line, rule.write, error))
            return false;
        if (!Movement(f[2], rule.move)) {
            error =
                AtLine(line, QStringLiteral("сдвиг ") + f[2] + QStringLiteral(" не распознан: ожидается <, > или -"));
            return false;
        }
        machine.rules.append(rule);
        pending = false;
    }
    if (pending) {
        error = AtLine(rule.line, QStringLiteral("у правила нет второй строки «новое состояние,символ,сдвиг»"));
        return false;
    }
    if (machine.initialState.isEmpty()) {
        error = QStringLiteral("В файле нет строки «init:» с начальным состоянием");
        return false;
    }
    for (const QString& s : accept)
        if (!s.isEmpty())
            machine.AddHalting(s, acceptLine);
    return true;
}
