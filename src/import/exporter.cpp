#include "import/exporter.h"

#include "check/validation.h"
#include "import/foreignmachine.h"
#include "import/importer.h"
#include "import/jfffile.h"
#include "import/pairtext.h"
#include "import/ruletext.h"
#include "machine/machine.h"
#include "platform/fileio.h"

#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {

// The importer's limit for a state name: a longer one would come back cut.
constexpr int MaxStateName = 16;

QString Quoted(const QString& text) {
    return QStringLiteral("«") + text + QStringLiteral("»");
}

QString FormatTitle(TExportFormat format) {
    switch (format) {
    case TExportFormat::Jff:
        return QStringLiteral("JFLAP");
    case TExportFormat::RuleLines:
        return QStringLiteral("«по одному правилу в строке»");
    case TExportFormat::RulePairs:
        break;
    }
    return QStringLiteral("«по две строки на правило»");
}

// Numbered from 0, as the data check numbers the commands.
QString CommandAt(int row) {
    return QStringLiteral("Команда ") + QString::number(row) + QStringLiteral(": ");
}

bool MoveOf(const QString& text, Move& move) {
    const QString t = TrimText(text);
    for (const Move m : {MoveLeft, MoveRight, MoveStay})
        if (t.compare(MoveText(m), Qt::CaseInsensitive) == 0) {
            move = m;
            return true;
        }
    return false;
}

// Why the format cannot hold the symbol; empty when it can. The blank "#" becomes the format's blank.
QString SymbolFault(TExportFormat format, QChar c) {
    if (c == BlankSymbol)
        return QString();
    if (c.unicode() <= 32 || c.isSpace())
        return QStringLiteral("пробелы и управляющие знаки не бывают символами ленты");
    switch (format) {
    case TExportFormat::Jff:
        if (c == u'~')
            return QStringLiteral("там «~» означает любой символ");
        break;
    case TExportFormat::RuleLines:
        if (c == u'_')
            return QStringLiteral("там «_» означает пустую клетку");
        if (c == u'*')
            return QStringLiteral("там «*» означает любой символ");
        if (c == u';')
            return QStringLiteral("там с «;» начинается комментарий");
        break;
    case TExportFormat::RulePairs:
        if (c == u'_')
            return QStringLiteral("там «_» означает пустую клетку");
        if (c == u',')
            return QStringLiteral("там запятая разделяет поля правила");
        break;
    }
    return QString();
}

// The name the format and the importer keep as it is, as close to the name as can be: characters the format
// gives a meaning of its own become "_", and a name the format reads as something else gets a "_" in front.
QString AllowedName(TExportFormat format, const QString& name, bool hasRules, bool initial) {
    QString s = name;
    for (QChar& c : s) {
        if (c.unicode() < 32 || (format != TExportFormat::Jff && c.isSpace()))
            c = u'_';
        else if ((format == TExportFormat::RuleLines && c == u';') || (format == TExportFormat::RulePairs && c == u','))
            c = u'_';
    }
    if (format == TExportFormat::RulePairs)
        while (s.contains(QLatin1String("//")))
            s.replace(QLatin1String("//"), QLatin1String("/_"));
    s = TrimText(s.left(MaxStateName));
    bool prefix = false;
    if (format == TExportFormat::RuleLines) {
        // That simulator starts in state "0", so the initial state takes the name and no other state keeps it.
        if (initial)
            return QStringLiteral("0");
        // "*" is any state; "halt..." stops the machine. A rule that starts with a machine file's tag or holds
        // "<structure" would make the file pass for another kind.
        s.replace(QLatin1String("<structure"), QLatin1String("_structure"));
        prefix = s == QLatin1String("*") || (hasRules && s.startsWith(QLatin1String("halt"), Qt::CaseInsensitive)) ||
                 s == QLatin1String("0");
        for (const char* tag : {"[ABCD]", "[WORD]", "[BEGS]", "[STAT]", "[COMM]", "[BREK]"})
            prefix = prefix || s.startsWith(QLatin1String(tag));
    }
    // A line that starts with a header's key is read as that header.
    if (format != TExportFormat::Jff)
        for (const char* key : {"name:", "init:", "accept:"})
            prefix = prefix || s.startsWith(QLatin1String(key), Qt::CaseInsensitive);
    return prefix ? TrimText((QStringLiteral("_") + s).left(MaxStateName)) : s;
}

// The machine checked and its states told apart as the program tells them: without regard to case.
struct TChecked {
    // One spelling per state, the initial state first, then as the state list has them.
    QStringList states;
    QHash<QString, int> byFolded;
    QList<bool> hasRules;
    // The rows in the order they are written: the initial state's first.
    QList<int> rows;
    QList<Move> moves;

    int StateOf(const QString& name) const { return byFolded.value(TrimText(name).toCaseFolded(), -1); }
};

bool Check(const TExportSource& source, TExportFormat format, TChecked& checked, QString& error) {
    const QString initial = TrimText(source.initialState);
    if (initial.isEmpty()) {
        error = QStringLiteral("Не задано начальное состояние");
        return false;
    }
    if (source.commands.isEmpty()) {
        error = QStringLiteral("В машине нет ни одной команды");
        return false;
    }
    QStringList spelled;
    QHash<QString, QString> spelling;
    for (const QString& s : source.states) {
        const QString name = TrimText(s);
        if (!name.isEmpty() && !spelling.contains(name.toCaseFolded())) {
            spelling.insert(name.toCaseFolded(), name);
            spelled.append(name);
        }
    }
    const QString initialName = spelling.value(initial.toCaseFolded(), initial);
    checked.states = QStringList{initialName};
    for (const QString& name : spelled)
        if (name != initialName)
            checked.states.append(name);
    for (int i = 0; i < checked.states.size(); ++i)
        checked.byFolded.insert(checked.states[i].toCaseFolded(), i);
    checked.hasRules = QList<bool>(checked.states.size(), false);

    QHash<QPair<int, QChar>, int> seen;
    checked.moves.resize(source.commands.size());
    for (int i = 0; i < source.commands.size(); ++i) {
        const TCommandRow& row = source.commands[i];
        const QString at = CommandAt(i);
        const QString from = TrimText(row.sourceState);
        const QString to = TrimText(row.newState);
        // The faults for which the data check keeps the machine from running, in its words.
        Move& move = checked.moves[i];
        const auto missing = [&](const QString& symbol) {
            return symbol[0] != BlankSymbol && !source.alphabet.contains(symbol[0]);
        };
        QString fault = from.isEmpty()              ? checkmsg::NoSourceState
                        : checked.StateOf(from) < 0 ? checkmsg::UnknownSourceState + QStringLiteral(": ") + Quoted(from)
                        : row.sourceSymbol.size() != 1 ? checkmsg::NoSourceSymbol
                        : missing(row.sourceSymbol)
                            ? checkmsg::SourceSymbolNotInAlphabet + QStringLiteral(": ") + Quoted(row.sourceSymbol)
                        : to.isEmpty()              ? checkmsg::NoNewState
                        : checked.StateOf(to) < 0   ? checkmsg::UnknownNewState + QStringLiteral(": ") + Quoted(to)
                        : row.newSymbol.size() != 1 ? checkmsg::NoNewSymbol
                        : missing(row.newSymbol)
                            ? checkmsg::NewSymbolNotInAlphabet + QStringLiteral(": ") + Quoted(row.newSymbol)
                        : TrimText(row.move).isEmpty() ? checkmsg::NoMove
                        : !MoveOf(row.move, move)      ? checkmsg::UnknownMove
                                                       : QString();
        const int state = checked.StateOf(from);
        if (fault.isEmpty() && state == checked.StateOf(to) && row.sourceSymbol == row.newSymbol && move == MoveStay)
            fault = checkmsg::Loop;
        if (!fault.isEmpty()) {
            error = at + fault.left(1).toLower() + fault.mid(1);
            return false;
        }
        const QChar read = row.sourceSymbol[0];
        if (const int other = seen.value({state, read}, -1); other >= 0) {
            error = at + QStringLiteral("для состояния ") + Quoted(from) + QStringLiteral(" и символа ") +
                    Quoted(QString(read)) + QStringLiteral(" уже есть команда ") + QString::number(other);
            return false;
        }
        seen.insert({state, read}, i);
        for (const QChar c : {read, row.newSymbol[0]}) {
            const QString why = SymbolFault(format, c);
            if (!why.isEmpty()) {
                error = at + QStringLiteral("символ ") + Quoted(QString(c)) +
                        QStringLiteral(" нельзя записать в формате ") + FormatTitle(format) + QStringLiteral(": ") +
                        why;
                return false;
            }
        }
        checked.hasRules[state] = true;
    }
    if (format == TExportFormat::RuleLines && !checked.hasRules[0]) {
        error = QStringLiteral("У начального состояния ") + Quoted(initialName) +
                QStringLiteral(" нет команд: в формате ") + FormatTitle(format) +
                QStringLiteral(" начальное состояние узнается по его правилам");
        return false;
    }
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < source.commands.size(); ++i)
            if ((checked.StateOf(source.commands[i].sourceState) == 0) == (pass == 0))
                checked.rows.append(i);
    return true;
}

// Each state's name in the file: the names the format keeps as they are stay, the others take the allowed
// form, with a number after "~" when that is taken, as the importer numbers names.
QStringList FileNames(const TChecked& checked, TExportFormat format, QStringList& warnings) {
    QStringList names;
    QSet<QString> taken;
    for (int i = 0; i < checked.states.size(); ++i) {
        names.append(AllowedName(format, checked.states[i], checked.hasRules[i], i == 0));
        if (names[i] == checked.states[i])
            taken.insert(names[i].toCaseFolded());
    }
    for (int i = 0; i < checked.states.size(); ++i) {
        if (names[i] == checked.states[i])
            continue;
        const QString base = names[i];
        QString name = base;
        for (int n = 2; taken.contains(name.toCaseFolded()); ++n) {
            const QString suffix = QStringLiteral("~") + QString::number(n);
            name = TrimText(base.left(MaxStateName - int(suffix.size()))) + suffix;
        }
        taken.insert(name.toCaseFolded());
        names[i] = name;
        warnings.append(QStringLiteral("состояние ") + Quoted(checked.states[i]) + QStringLiteral(" записано как ") +
                        Quoted(name));
    }
    return names;
}

// States the diagram has not placed go on a grid below the others.
QList<TJffPlace> Places(const TChecked& checked, const QStringList& names, const TExportOptions& options) {
    constexpr qreal Step = 100;
    constexpr int Columns = 8;
    QHash<QString, QPointF> byFolded;
    qreal bottom = 0;
    for (auto it = options.positions.cbegin(); it != options.positions.cend(); ++it) {
        byFolded.insert(TrimText(it.key()).toCaseFolded(), it.value());
        bottom = std::max(bottom, it.value().y());
    }
    QList<TJffPlace> places;
    int unplaced = 0;
    for (int i = 0; i < checked.states.size(); ++i) {
        const auto known = byFolded.constFind(checked.states[i].toCaseFolded());
        QPointF point;
        if (known != byFolded.cend()) {
            point = *known;
        } else {
            point = QPointF(Step / 2 + (unplaced % Columns) * Step, bottom + Step / 2 + (unplaced / Columns) * Step);
            ++unplaced;
        }
        places.append(TJffPlace{names[i], point});
    }
    return places;
}

QStringList CommandLines(const QList<TCommandRow>& rows) {
    QStringList lines;
    for (const TCommandRow& r : rows)
        lines.append(QStringList{r.sourceState, r.sourceSymbol, r.newState, r.newSymbol, r.move}.join(QChar(0x1F)));
    lines.sort();
    return lines;
}

// Reads the file back as the importer does: it must give the machine that was written.
bool ReadsBack(const QByteArray& bytes, TExportFormat format, const TImportedMachine& expected, QString& error) {
    const TImportFormat kinds[] = {TImportFormat::Jff, TImportFormat::RuleLines, TImportFormat::RulePairs};
    if (ImportFormatOfContent(QStringLiteral("machine") + ExportExtension(format), bytes) != kinds[int(format)]) {
        error = QStringLiteral("Машина не записана: файл был бы принят за файл другого формата");
        return false;
    }
    TForeignMachine foreign;
    bool read = false;
    switch (format) {
    case TExportFormat::Jff:
        read = ReadJff(bytes, foreign, error);
        break;
    case TExportFormat::RuleLines:
        read = ReadRuleLines(importtext::DecodeText(bytes), foreign, error);
        break;
    case TExportFormat::RulePairs:
        read = ReadRulePairs(importtext::DecodeText(bytes), foreign, error);
        break;
    }
    TImportedMachine back;
    if (!read || !MapForeignMachine(foreign, QString(), back, error)) {
        error = QStringLiteral("Машина не записана: файл не читается обратно (") + error + QStringLiteral(")");
        return false;
    }
    QStringList states = back.states;
    QStringList expectedStates = expected.states;
    states.sort();
    expectedStates.sort();
    if (back.initialState != expected.initialState || states != expectedStates ||
        CommandLines(back.commands) != CommandLines(expected.commands)) {
        error = QStringLiteral("Машина не записана: прочитанная из файла, она отличалась бы от этой");
        return false;
    }
    return true;
}

} // namespace

bool ExportFormatByName(const QString& name, TExportFormat& format) {
    if (name == QLatin1String("jff"))
        format = TExportFormat::Jff;
    else if (name == QLatin1String("lines"))
        format = TExportFormat::RuleLines;
    else if (name == QLatin1String("pairs"))
        format = TExportFormat::RulePairs;
    else
        return false;
    return true;
}

bool ExportFormatByPath(const QString& path, TExportFormat& format) {
    const QString suffix = QStringLiteral(".") + QFileInfo(path).suffix().toLower();
    for (const TExportFormat f : {TExportFormat::Jff, TExportFormat::RuleLines, TExportFormat::RulePairs})
        if (suffix == ExportExtension(f)) {
            format = f;
            return true;
        }
    return false;
}

QString ExportExtension(TExportFormat format) {
    switch (format) {
    case TExportFormat::Jff:
        return QStringLiteral(".jff");
    case TExportFormat::RuleLines:
        return QStringLiteral(".tm");
    case TExportFormat::RulePairs:
        break;
    }
    return QStringLiteral(".txt");
}

TExportSource ExportSourceOf(const TMachine& machine) {
    TExportSource source;
    for (const TStateItem& s : machine.States())
        source.states.append(s.name);
    source.initialState = machine.GetInitialState();
    source.commands = machine.Commands();
    source.alphabet = machine.Alphabet();
    return source;
}

QString ExportRefusal(const TExportSource& source, TExportFormat format) {
    // The places of the states change nothing of what is refused.
    TExported unused;
    QString error;
    ExportText(source, format, TExportOptions{}, unused, error);
    return error;
}

bool ExportText(const TExportSource& source, TExportFormat format, const TExportOptions& options, TExported& result,
                QString& error) {
    result = TExported{};
    TChecked checked;
    if (!Check(source, format, checked, error))
        return false;
    const QStringList names = FileNames(checked, format, result.warnings);
    for (int i = 0; i < names.size(); ++i)
        result.names.insert(checked.states[i], names[i]);

    TForeignMachine foreign;
    foreign.initialState = names[0];
    TImportedMachine expected;
    expected.initialState = names[0];
    QSet<int> reached{0};
    for (int i : checked.rows) {
        const TCommandRow& row = source.commands[i];
        const int from = checked.StateOf(row.sourceState);
        const int to = checked.StateOf(row.newState);
        reached.insert(to);
        foreign.rules.append(
            TForeignRule{i + 1, names[from], row.sourceSymbol, names[to], row.newSymbol, checked.moves[i]});
        expected.commands.append(
            TCommandRow{names[from], row.sourceSymbol, names[to], row.newSymbol, MoveText(checked.moves[i]), 0});
    }
    for (int i = 0; i < names.size(); ++i) {
        if (!checked.hasRules[i])
            foreign.AddHalting(names[i], 0);
        // One rule a line names only the states its rules use.
        if (format == TExportFormat::RuleLines && !checked.hasRules[i] && !reached.contains(i)) {
            result.warnings.append(QStringLiteral("состояние ") + Quoted(checked.states[i]) +
                                   QStringLiteral(" не связано ни с одной командой и в файл не попадает"));
            continue;
        }
        expected.states.append(names[i]);
    }

    switch (format) {
    case TExportFormat::Jff:
        result.bytes = WriteJff(foreign, Places(checked, names, options));
        break;
    case TExportFormat::RuleLines:
        result.bytes = WriteRuleLines(foreign);
        break;
    case TExportFormat::RulePairs: {
        QString title = options.title;
        for (QChar& c : title)
            if (c.unicode() < 32)
                c = u' ';
        result.bytes = WriteRulePairs(foreign, TrimText(title));
        break;
    }
    }
    return ReadsBack(result.bytes, format, expected, error);
}

bool ExportMachineFile(const TExportSource& source, TExportFormat format, const TExportOptions& options,
                       const QString& path, QStringList& warnings, QString& error) {
    TExported exported;
    if (!ExportText(source, format, options, exported, error))
        return false;
    warnings = exported.warnings;
    const fileio::TSaveResult saved = fileio::SaveFile(path, exported.bytes, fileio::FreshTempName(path), QString());
    if (saved.ok())
        return true;
    error = fileio::FailureText(path, saved, QStringLiteral("Машина осталась в файле"));
    return false;
}
