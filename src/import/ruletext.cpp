#include "import/ruletext.h"

#include "import/foreignmachine.h"

#include <QRegularExpression>

namespace {

const QString Any = QStringLiteral("*");

bool Direction(const QString& token, Move& move) {
    const QString d = token.toLower();
    if (d == QLatin1String("l"))
        move = MoveLeft;
    else if (d == QLatin1String("r"))
        move = MoveRight;
    else if (d == Any)
        move = MoveStay;
    else
        return false;
    return true;
}

} // namespace

bool ReadRuleLines(const QString& text, TForeignMachine& machine, QString& error) {
    using importtext::AtLine;
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QString blank = QStringLiteral("_");
    machine = TForeignMachine{};
    // That simulator keeps the last of two rules for the same state and symbol.
    machine.laterRuleWins = true;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const int line = i + 1;
        QString content = lines[i];
        content.truncate(content.indexOf(QLatin1Char(';')) < 0 ? content.size() : content.indexOf(QLatin1Char(';')));
        QStringList f = content.split(blanks, Qt::SkipEmptyParts);
        if (f.isEmpty())
            continue;
        if (f.size() == 6 && f[5] == QLatin1String("!"))
            f.removeLast();
        if (f.size() != 5) {
            error = AtLine(line, QStringLiteral("правило должно состоять из пяти полей: состояние, символ, новый "
                                                "символ, направление, новое состояние"));
            return false;
        }
        TForeignRule r;
        r.line = line;
        r.state = f[0] == Any ? QString() : f[0];
        r.newState = f[4] == Any ? QString() : f[4];
        if (f[1] != Any && !importtext::Symbol(f[1], blank, line, r.read, error))
            return false;
        if (f[2] != Any && !importtext::Symbol(f[2], blank, line, r.write, error))
            return false;
        if (!Direction(f[3], r.move)) {
            error = AtLine(line, QStringLiteral("направление ") + f[3] +
                                     QStringLiteral(" не распознано: ожидается l, r или *"));
            return false;
        }
        for (const QString& s : {r.state, r.newState})
            if (s.startsWith(QLatin1String("halt"), Qt::CaseInsensitive))
                machine.AddHalting(s, line);
        if (machine.initialState.isEmpty() && !r.state.isEmpty()) {
            machine.initialState = r.state;
            machine.initialLine = line;
        }
        machine.rules.append(r);
    }
    for (const TForeignRule& r : machine.rules)
        if (r.state == QLatin1String("0")) {
            machine.initialState = r.state;
            machine.initialLine = r.line;
            break;
        }
    // Rules for any state alone still run from state 0: it is created, and the wildcards cover it.
    if (machine.initialState.isEmpty() && !machine.rules.isEmpty()) {
        machine.initialState = QStringLiteral("0");
        machine.initialLine = machine.rules.first().line;
    }
    return true;
}
