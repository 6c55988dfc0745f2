#include "import/foreignmachine.h"
#include "import/ruletext.h"

namespace {

QString Token(const QString& symbol) {
    return symbol == QString(BlankSymbol) ? QStringLiteral("_") : symbol;
}

QString Direction(Move move) {
    return move == MoveLeft ? QStringLiteral("l") : move == MoveRight ? QStringLiteral("r") : QStringLiteral("*");
}

} // namespace

QByteArray WriteRuleLines(const TForeignMachine& machine) {
    QString text;
    for (const TForeignRule& r : machine.rules)
        text += r.state + u' ' + Token(r.read) + u' ' + Token(r.write) + u' ' + Direction(r.move) + u' ' + r.newState +
                u'\n';
    return text.toUtf8();
}
