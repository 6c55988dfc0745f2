#include "import/foreignmachine.h"

#include "platform/codepage.h"

#include <QHash>
#include <QPair>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <vector>

namespace {

// The state dialog's limit, so that every imported name can be edited and saved as it is.
constexpr int MaxStateName = 16;

QString Quoted(const QString& text) {
    return QStringLiteral("«") + text + QStringLiteral("»");
}

// Gives every state a name of at most MaxStateName characters that no other state has without regard to
// case, as the machine compares them after trimming; a name cut short or met again gets a number after "~".
// Control characters become blanks: a line break in a name would split its line in the machine file.
class TStateNames {
public:
    bool Add(const QString& original, int line, QString& error) {
        if (original.isEmpty() || names_.contains(original))
            return true;
        QString cleaned = original;
        for (QChar& c : cleaned)
            if (c.unicode() < 32)
                c = QLatin1Char(' ');
        const QString trimmed = TrimText(cleaned);
        if (trimmed.isEmpty()) {
            error = importtext::AtLine(line,
                                       QStringLiteral("имя состояния состоит из одних пробелов и управляющих знаков"));
            return false;
        }
        if (!codepage::Exists(trimmed)) {
            error = importtext::AtLine(line, QStringLiteral("в имени состояния ") + Quoted(original) +
                                                 QStringLiteral(" есть знак, которого нет в кодировке Windows-1251"));
            return false;
        }
        const QString name = Distinct(trimmed);
        names_.insert(original, name);
        originals_.append(original);
        return true;
    }
    // A state of this program's own, that no foreign name stands for.
    QString AddOwn(const QString& name) { return Distinct(name); }
    QString operator[](const QString& original) const { return names_.value(original); }
    const QStringList& Order() const { return order_; }
    const QStringList& Originals() const { return originals_; }

private:
    QString Distinct(const QString& trimmed) {
        // The cut may leave a blank at the end, which the machine would trim away.
        const QString base = TrimText(trimmed.left(MaxStateName));
        QString name = base;
        if (taken_.contains(name.toCaseFolded())) {
            int& last = suffixes_[base.toCaseFolded()];
            last = std::max(last, 1);
            do {
                const QString suffix = QStringLiteral("~") + QString::number(++last);
                name = TrimText(base.left(MaxStateName - suffix.size())) + suffix;
            } while (taken_.contains(name.toCaseFolded()));
        }
        taken_.insert(name.toCaseFolded());
        order_.append(name);
        return name;
    }

    QHash<QString, QString> names_;
    // Every name given, case-folded, and the last number given after each base.
    QSet<QString> taken_;
    QHash<QString, int> suffixes_;
    QStringList order_;
    QStringList originals_;
};

bool SameAction(const TForeignRule& a, const TForeignRule& b) {
    return a.newState == b.newState && a.write == b.write && a.move == b.move;
}

QString StateText(const QString& state) {
    return state.isEmpty() ? QStringLiteral("любого состояния") : QStringLiteral("состояния ") + Quoted(state);
}

QString SymbolText(const QString& symbol) {
    return symbol.isEmpty() ? QStringLiteral("любого символа") : QStringLiteral("символа ") + Quoted(symbol);
}

// A character for the foreign "#" that neither the alphabet nor the words use: first "№", which stands
// where "#" does on a Russian keyboard, else any other that the machine files hold; null when none is free.
QChar HashStandIn(const QString& alphabet, const QString& words) {
    std::vector<bool> used(0x10000);
    for (QChar c : alphabet + words + BlankSymbol)
        used[c.unicode()] = true;
    QString candidates = QStringLiteral("№§¤");
    for (int code = 33; code < 256; ++code)
        candidates += codepage::Decode(QByteArray(1, char(code)));
    for (QChar c : candidates)
        if (!used[c.unicode()] && codepage::Exists(c))
            return c;
    return QChar();
}

} // namespace

namespace importtext {

QString AtLine(int line, const QString& message) {
    return QStringLiteral("Строка ") + QString::number(line) + QStringLiteral(": ") + message;
}

bool Symbol(const QString& token, const QString& blankToken, int line, QString& symbol, QString& error) {
    if (token == blankToken) {
        symbol = QString(BlankSymbol);
        return true;
    }
    if (token.size() != 1) {
        error = AtLine(line, QStringLiteral("символ ") + Quoted(token) + QStringLiteral(" длиннее одного знака"));
        return false;
    }
    if (token[0] == BlankSymbol) {
        symbol = QString(ForeignHash);
        return true;
    }
    if (!codepage::Exists(token) || token[0].unicode() <= 32) {
        error =
            AtLine(line, QStringLiteral("символа ") + Quoted(token) + QStringLiteral(" нет в кодировке Windows-1251"));
        return false;
    }
    symbol = token;
    return true;
}

QString DecodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return codepage::Decode(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

} // namespace importtext

bool MapForeignMachine(const TForeignMachine& foreign, const QString& inputSymbols, TImportedMachine& result,
                       QString& error) {
    TStateNames names;
    if (!names.Add(foreign.initialState, foreign.initialLine, error))
        return false;
    QString alphabet;
    auto addSymbol = [&](const QString& symbol) {
        if (!symbol.isEmpty() && symbol[0] != BlankSymbol && !alphabet.contains(symbol[0]))
            alphabet.append(symbol[0]);
    };
    for (const TForeignRule& r : foreign.rules) {
        if (!names.Add(r.state, r.line, error) || !names.Add(r.newState, r.line, error))
            return false;
        addSymbol(r.read);
        addSymbol(r.write);
    }
    for (const TForeignState& s : foreign.haltingStates)
        if (!names.Add(s.name, s.line, error))
            return false;
    // A "#" in the words is the other simulator's symbol only for a machine whose rules use it; for any other
    // it is this program's blank, and such a word is refused as the window refuses it.
    for (QChar c : inputSymbols)
        if (c != BlankSymbol && c.unicode() > 32 && codepage::Exists(c))
            addSymbol(QString(c));

    // The rules that apply, by how much they name: exact, any symbol, any state, both. Each slot holds the
    // rule's index plus one.
    QHash<QPair<QString, QString>, int> exact;
    QHash<QString, int> anySymbol;
    QHash<QString, int> anyState;
    int anyBoth = 0;
    QList<int> kept;
    QSet<int> replaced;
    result.warnings.clear();
    for (int i = 0; i < foreign.rules.size(); ++i) {
        const TForeignRule& r = foreign.rules[i];
        if (!r.state.isEmpty() && foreign.Halts(r.state))
            continue;
        int& slot = !r.state.isEmpty() && !r.read.isEmpty() ? exact[{r.state, r.read}]
                    : !r.state.isEmpty()                    ? anySymbol[r.state]
                    : !r.read.isEmpty()                     ? anyState[r.read]
                                                            : anyBoth;
        if (slot > 0) {
            const TForeignRule& first = foreign.rules[slot - 1];
            if (SameAction(first, r))
                continue;
            if (foreign.laterRuleWins) {
                result.warnings.append(importtext::AtLine(r.line, QStringLiteral("правило для ") + StateText(r.state) +
                                                                      QStringLiteral(" и ") + SymbolText(r.read) +
                                                                      QStringLiteral(" заменяет правило строки ") +
                                                                      QString::number(first.line)));
                replaced.insert(slot - 1);
                slot = i + 1;
                kept.append(i);
                continue;
            }
            error = importtext::AtLine(r.line, QStringLiteral("для ") + StateText(r.state) + QStringLiteral(" и ") +
                                                   SymbolText(r.read) + QStringLiteral(" уже есть правило в строке ") +
                                                   QString::number(first.line) +
                                                   QStringLiteral(": недетерминированная машина не переносится"));
            return false;
        }
        slot = i + 1;
        kept.append(i);
    }

    QStringList running;
    for (const QString& original : names.Originals())
        if (!foreign.Halts(original))
            running.append(original);
    const QString symbols = alphabet + BlankSymbol;

    // A rule that keeps its state and the symbol without a move loops forever in the other simulator, and
    // this program refuses such a command: the loop goes through a state of its own instead.
    QHash<QString, QString> loopStates;
    auto command = [&](const TForeignRule& r, const QString& state, const QString& read) {
        const QString from = names[state];
        const QString to = names[r.newState.isEmpty() ? state : r.newState];
        const QString write = r.write.isEmpty() ? read : r.write;
        if (from != to || write != read || r.move != MoveStay) {
            result.commands.append(TCommandRow{from, read, to, write, MoveText(r.move), 0});
            return;
        }
        QString& loop = loopStates[from];
        if (loop.isEmpty()) {
            loop = names.AddOwn(TrimText(from.left(MaxStateName - 5)) + QStringLiteral("~цикл"));
            const QString text = QStringLiteral("правило для ") + StateText(state) +
                                 QStringLiteral(" зацикливает машину на месте: цикл идет через состояние ") +
                                 Quoted(loop);
            result.warnings.append(importtext::AtLine(r.line, text));
        }
        result.commands.append(TCommandRow{from, read, loop, read, MoveText(MoveStay), 0});
        result.commands.append(TCommandRow{loop, read, from, read, MoveText(MoveStay), 0});
    };
    result.commands.clear();
    for (int i : kept) {
        if (replaced.contains(i))
            continue;
        const TForeignRule& r = foreign.rules[i];
        if (!r.state.isEmpty() && !r.read.isEmpty()) {
            command(r, r.state, r.read);
            continue;
        }
        // A rule for one state covers that state alone: walking every state for it would make the mapping
        // quadratic.
        const QStringList one{r.state};
        for (const QString& state : r.state.isEmpty() ? running : one) {
            for (QChar c : symbols) {
                const QString read(c);
                if (!r.read.isEmpty() && read != r.read)
                    continue;
                if (exact.contains({state, read}))
                    continue;
                if (r.state.isEmpty() && anySymbol.contains(state))
                    continue;
                if (r.state.isEmpty() && r.read.isEmpty() && anyState.contains(read))
                    continue;
                command(r, state, read);
            }
        }
    }
    if (result.commands.isEmpty()) {
        error = QStringLiteral("В файле нет ни одного правила машины");
        return false;
    }
    result.hashSymbol = QChar();
    if (alphabet.contains(ForeignHash)) {
        const QChar hash = HashStandIn(alphabet, inputSymbols);
        if (hash.isNull()) {
            error = QStringLiteral("Символу «#» не найдена замена: в алфавите машины заняты все символы");
            return false;
        }
        alphabet.replace(ForeignHash, hash);
        for (TCommandRow& c : result.commands) {
            c.sourceSymbol.replace(ForeignHash, hash);
            c.newSymbol.replace(ForeignHash, hash);
        }
        result.hashSymbol = hash;
        result.warnings.append(QStringLiteral("символ '#' заменен на '") + hash + QStringLiteral("'"));
    }
    result.alphabet = alphabet;
    result.initialState = names[foreign.initialState];
    result.states = names.Order();
    return true;
}
