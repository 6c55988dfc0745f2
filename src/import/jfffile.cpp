#include "import/jfffile.h"

#include "import/foreignmachine.h"

#include <QHash>
#include <QSet>
#include <QXmlStreamReader>

namespace {

const QString Tilde = QStringLiteral("~");

QString SeveralTapes(const QString& tapes) {
    return QStringLiteral("машина JFLAP для нескольких лент (лент: ") + tapes +
           QStringLiteral(") не переносится: у этой машины одна лента");
}

struct TJffState {
    QString name;
    // The machine a block stands for; empty for a state.
    QString tag;
    int line = 0;
    bool isInitial = false;
    bool isFinal = false;
};

struct TJffTransition {
    int line = 0;
    QString from;
    QString to;
    QString read;
    QString write;
    QString move;
    bool hasRead = false;
    bool hasWrite = false;
    bool hasMove = false;
};

class TJffReader {
public:
    explicit TJffReader(const QByteArray& bytes) : xml_(bytes) {}

    bool Read(TForeignMachine& machine, QString& error) {
        if (!ReadStructure() || !Build(machine))
            return Fail(error);
        return true;
    }

private:
    bool Fail(QString& error) {
        if (error_.isEmpty())
            error_ = importtext::AtLine(int(xml_.lineNumber()),
                                        QStringLiteral("файл JFLAP не читается: ") + xml_.errorString());
        error = error_;
        return false;
    }

    bool Refuse(int line, const QString& message) {
        error_ = importtext::AtLine(line, message);
        return false;
    }

    int Line() const { return int(xml_.lineNumber()); }

    // A tape attribute other than 1 names a further tape.
    bool CheckTape() {
        const QString tape = xml_.attributes().value(QStringLiteral("tape")).toString();
        if (!tape.isEmpty() && tape != QLatin1String("1"))
            return Refuse(Line(), SeveralTapes(tape + QStringLiteral(" и более")));
        return true;
    }

    static bool IsTuring(const QString& type) {
        return type == QLatin1String("turing") || type == QLatin1String("turingbb");
    }

    bool NotTuring(int line, const QString& type) {
        return Refuse(line, QStringLiteral("в файле JFLAP не машина Тьюринга (тип «") + type + QStringLiteral("»)"));
    }

    bool ReadStructure() {
        if (!xml_.readNextStartElement())
            return false;
        if (xml_.name() != QLatin1String("structure"))
            return Refuse(Line(), QStringLiteral("это не файл JFLAP: нет элемента «structure»"));
        QString type;
        int typeLine = 0;
        while (xml_.readNextStartElement()) {
            const auto name = xml_.name();
            if (name == QLatin1String("type")) {
                typeLine = Line();
                type = xml_.readElementText().trimmed();
            } else if (name == QLatin1String("tapes")) {
                const int line = Line();
                const QString tapes = xml_.readElementText().trimmed();
                if (tapes != QLatin1String("1"))
                    return Refuse(line, SeveralTapes(tapes));
            } else if (name == QLatin1String("automaton")) {
                if (!IsTuring(type))
                    return NotTuring(typeLine ? typeLine : Line(), type);
                while (xml_.readNextStartElement())
                    if (!ReadPart())
                        return false;
            } else if (!ReadPart()) {
                // JFLAP 4 puts the states and transitions right under the structure.
                return false;
            }
        }
        if (xml_.hasError())
            return false;
        if (!IsTuring(type))
            return NotTuring(typeLine ? typeLine : Line(), type);
        return true;
    }

    // One element of the automaton: a state, a block, a transition, or the machine a block's tag names.
    bool ReadPart() {
        const auto name = xml_.name();
        if (name == QLatin1String("state") || name == QLatin1String("block"))
            return ReadState();
        if (name == QLatin1String("transition"))
            return ReadTransition();
        // JFLAP 6.4 saves every plain state as a block whose tag names an empty element; only a block whose
        // machine has states of its own is a real building block.
        const QString tag = name.toString();
        bool hasStates = false;
        while (xml_.readNextStartElement()) {
            if (xml_.name() == QLatin1String("state") || xml_.name() == QLatin1String("block"))
                hasStates = true;
            xml_.skipCurrentElement();
        }
        if (hasStates)
            machines_.insert(tag);
        return !xml_.hasError();
    }

    bool ReadState() {
        TJffState state;
        state.line = Line();
        const QString id = xml_.attributes().value(QStringLiteral("id")).toString();
        state.name = xml_.attributes().value(QStringLiteral("name")).toString();
        if (TrimText(state.name).isEmpty())
            state.name = QStringLiteral("q") + id;
        const bool isBlock = xml_.name() == QLatin1String("block");
        while (xml_.readNextStartElement()) {
            if (xml_.name() == QLatin1String("initial"))
                state.isInitial = true;
            else if (xml_.name() == QLatin1String("final"))
                state.isFinal = true;
            if (isBlock && xml_.name() == QLatin1String("tag"))
                state.tag = xml_.readElementText().trimmed();
            else
                xml_.skipCurrentElement();
        }
        if (states_.contains(id))
            return Refuse(state.line, QStringLiteral("состояние с номером ") + id + QStringLiteral(" уже есть"));
        states_.insert(id, state);
        stateOrder_.append(id);
        return !xml_.hasError();
    }

    bool ReadTransition() {
        TJffTransition t;
        t.line = Line();
        while (xml_.readNextStartElement()) {
            const auto name = xml_.name();
            if (name == QLatin1String("from")) {
                t.from = xml_.readElementText().trimmed();
            } else if (name == QLatin1String("to")) {
                t.to = xml_.readElementText().trimmed();
            } else if (name == QLatin1String("read") || name == QLatin1String("write") ||
                       name == QLatin1String("move")) {
                if (!CheckTape())
                    return false;
                const bool isRead = name == QLatin1String("read");
                const bool isWrite = name == QLatin1String("write");
                bool& seen = isRead ? t.hasRead : isWrite ? t.hasWrite : t.hasMove;
                if (seen)
                    return Refuse(Line(), SeveralTapes(QStringLiteral("2 и более")));
                seen = true;
                (isRead ? t.read : isWrite ? t.write : t.move) = xml_.readElementText();
            } else {
                xml_.skipCurrentElement();
            }
        }
        if (xml_.hasError())
            return false;
        transitions_.append(t);
        return true;
    }

    bool Build(TForeignMachine& machine) {
        machine = TForeignMachine{};
        // Blocks are told apart only here, once the machines their tags name have been read; the blocks of one
        // machine often share its name.
        QHash<QString, int> nameLines;
        for (const QString& id : stateOrder_) {
            const TJffState& s = states_[id];
            if (machines_.contains(s.tag))
                return Refuse(s.line, QStringLiteral("блоки JFLAP (building blocks) не переносятся: разверните "
                                                     "блок в состояния и переходы"));
            if (const auto other = nameLines.constFind(s.name); other != nameLines.cend())
                return Refuse(s.line, QStringLiteral("состояние с именем «") + s.name +
                                          QStringLiteral("» уже есть в строке ") + QString::number(*other));
            nameLines.insert(s.name, s.line);
            if (s.isInitial && machine.initialState.isEmpty()) {
                machine.initialState = s.name;
                machine.initialLine = s.line;
            }
            if (s.isFinal)
                machine.AddHalting(s.name, s.line);
        }
        if (machine.initialState.isEmpty())
            return Refuse(Line(), QStringLiteral("в машине JFLAP не отмечено начальное состояние"));
        for (const TJffTransition& t : transitions_) {
            if (!states_.contains(t.from) || !states_.contains(t.to))
                return Refuse(t.line, QStringLiteral("переход ведет из состояния или в состояние, которого нет"));
            TForeignRule r;
            r.line = t.line;
            r.state = states_[t.from].name;
            r.newState = states_[t.to].name;
            if (t.read != Tilde && !Symbol(t.read, t.line, r.read))
                return false;
            if (t.write != Tilde && !Symbol(t.write, t.line, r.write))
                return false;
            const QString move = t.move.trimmed().toUpper();
            if (move == QLatin1String("L"))
                r.move = MoveLeft;
            else if (move == QLatin1String("R"))
                r.move = MoveRight;
            else if (move == QLatin1String("S"))
                r.move = MoveStay;
            else
                return Refuse(t.line, QStringLiteral("сдвиг «") + t.move +
                                          QStringLiteral("» не распознан: ожидается L, R или S"));
            machine.rules.append(r);
        }
        return true;
    }

    bool Symbol(const QString& token, int line, QString& symbol) {
        return importtext::Symbol(token, QString(), line, symbol, error_);
    }

    QXmlStreamReader xml_;
    QString error_;
    QHash<QString, TJffState> states_;
    // The tags of the machines that hold states: the blocks that name them are real building blocks.
    QSet<QString> machines_;
    QStringList stateOrder_;
    QList<TJffTransition> transitions_;
};

} // namespace

bool ReadJff(const QByteArray& bytes, TForeignMachine& machine, QString& error) {
    return TJffReader(bytes).Read(machine, error);
}
