#include "import/foreignmachine.h"
#include "import/jfffile.h"

#include <QHash>
#include <QXmlStreamWriter>

namespace {

QString Coordinate(qreal value) {
    return QString::number(value, 'f', 1);
}

// The blank is an empty element, as JFLAP writes it.
void WriteSymbol(QXmlStreamWriter& xml, const QString& element, const QString& symbol) {
    if (symbol == QString(BlankSymbol))
        xml.writeEmptyElement(element);
    else
        xml.writeTextElement(element, symbol);
}

QString MoveLetter(Move move) {
    return move == MoveLeft ? QStringLiteral("L") : move == MoveRight ? QStringLiteral("R") : QStringLiteral("S");
}

} // namespace

QByteArray WriteJff(const TForeignMachine& machine, const QList<TJffPlace>& states) {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(-1);
    xml.writeStartDocument(QStringLiteral("1.0"), false);
    xml.writeStartElement(QStringLiteral("structure"));
    xml.writeTextElement(QStringLiteral("type"), QStringLiteral("turing"));
    xml.writeStartElement(QStringLiteral("automaton"));
    QHash<QString, QString> ids;
    for (int i = 0; i < states.size(); ++i) {
        const TJffPlace& s = states[i];
        const QString id = QString::number(i);
        ids.insert(s.name, id);
        xml.writeStartElement(QStringLiteral("state"));
        xml.writeAttribute(QStringLiteral("id"), id);
        xml.writeAttribute(QStringLiteral("name"), s.name);
        xml.writeTextElement(QStringLiteral("x"), Coordinate(s.point.x()));
        xml.writeTextElement(QStringLiteral("y"), Coordinate(s.point.y()));
        if (s.name == machine.initialState)
            xml.writeEmptyElement(QStringLiteral("initial"));
        if (machine.Halts(s.name))
            xml.writeEmptyElement(QStringLiteral("final"));
        xml.writeEndElement();
    }
    for (const TForeignRule& r : machine.rules) {
        xml.writeStartElement(QStringLiteral("transition"));
        xml.writeTextElement(QStringLiteral("from"), ids.value(r.state));
        xml.writeTextElement(QStringLiteral("to"), ids.value(r.newState));
        WriteSymbol(xml, QStringLiteral("read"), r.read);
        WriteSymbol(xml, QStringLiteral("write"), r.write);
        xml.writeTextElement(QStringLiteral("move"), MoveLetter(r.move));
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}
