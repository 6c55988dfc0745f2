#include "import/foreignmachine.h"
#include "import/pairtext.h"

namespace {

QString Token(const QString& symbol) {
    return symbol == QString(BlankSymbol) ? QStringLiteral("_") : symbol;
}

QString Movement(Move move) {
    return move == MoveLeft ? QStringLiteral("<") : move == MoveRight ? QStringLiteral(">") : QStringLiteral("-");
}

} // namespace

QByteArray WriteRulePairs(const TForeignMachine& machine, const QString& title) {
    QString text;
    if (!title.isEmpty())
        text += QStringLiteral("name: ") + title + u'\n';
    text += QStringLiteral("init: ") + machine.initialState + u'\n';
    if (!machine.haltingStates.isEmpty()) {
        QStringList accept;
        for (const TForeignState& s : machine.haltingStates)
            accept.append(s.name);
        text += QStringLiteral("accept: ") + accept.join(QStringLiteral(", ")) + u'\n';
    }
    for (const TForeignRule& r : machine.rules)
        text += u'\n' + r.state + u',' + Token(r.read) + u'\n' + r.newState + u',' + Token(r.write) + u',' +
                Movement(r.move) + u'\n';
    return text.toUtf8();
}
