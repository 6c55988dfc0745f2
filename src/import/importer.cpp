#include "import/importer.h"

#include "breakpoints/breakpoint.h"
#include "import/foreignmachine.h"
#include "import/jfffile.h"
#include "import/pairtext.h"
#include "import/ruletext.h"
#include "machine/machine.h"
#include "platform/fileio.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

// Files of the text simulators are small; a larger one is none of theirs.
constexpr qint64 MaxImportBytes = 4 * 1024 * 1024;

bool ReadBytes(const QString& path, QByteArray& bytes, QString& error) {
    // Through the same reader as the machine files: a FIFO or a device is refused without blocking, and
    // nothing larger than the limit is read.
    switch (fileio::ReadFile(path, MaxImportBytes, bytes)) {
    case fileio::TReadError::None:
        return true;
    case fileio::TReadError::Missing:
        error = QStringLiteral("Файл ") + path + QStringLiteral(" не найден");
        return false;
    case fileio::TReadError::TooLarge:
        error = QStringLiteral("Файл ") + path + QStringLiteral(" слишком большой (больше 4 МБ)");
        return false;
    case fileio::TReadError::Read:
        error = QStringLiteral("Ошибка чтения файла ") + path;
        return false;
    case fileio::TReadError::NotRegular:
    case fileio::TReadError::Open:
        break;
    }
    error = QStringLiteral("Ошибка открытия файла ") + path;
    return false;
}

// The two-lines format starts with its "name:", "init:" or "accept:" lines or puts commas between the
// fields of its first rule; the one-line format has five fields apart by blanks (and a "!" after them).
TImportFormat TextFormat(const QString& text) {
    static const QRegularExpression header(QStringLiteral("^\\s*(name|init|accept)\\s*:"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        if (header.match(raw).hasMatch())
            return TImportFormat::RulePairs;
    }
    for (const QString& raw : lines) {
        QString line = raw;
        line.truncate(line.indexOf(QLatin1String("//")) < 0 ? line.size() : line.indexOf(QLatin1String("//")));
        line.truncate(line.indexOf(QLatin1Char(';')) < 0 ? line.size() : line.indexOf(QLatin1Char(';')));
        const QStringList fields = line.split(blanks, Qt::SkipEmptyParts);
        if (fields.isEmpty())
            continue;
        if (fields.size() == 5 || (fields.size() == 6 && fields[5] == QLatin1String("!")))
            return TImportFormat::RuleLines;
        if (line.contains(QLatin1Char(',')))
            return TImportFormat::RulePairs;
        return TImportFormat::Unknown;
    }
    return TImportFormat::Unknown;
}

// A machine file of this program starts with one of its tags.
bool IsMachineFile(const QString& text) {
    static const QRegularExpression tag(QStringLiteral("^\\s*\\[(ABCD|WORD|BEGS|STAT|COMM|BREK)\\]"));
    return tag.match(text).hasMatch();
}

bool KnownExtension(const QString& path) {
    const QString ext = QFileInfo(path).suffix().toLower();
    return ext == QLatin1String("jff") || ext == QLatin1String("tm") || ext == QLatin1String("tms") ||
           ext == QLatin1String("txt");
}

// By the content, whatever the file's name: an XML document with a "structure" element is JFLAP's.
TImportFormat FormatOf(const QString& path, const QByteArray& bytes) {
    const QString text = importtext::DecodeText(bytes);
    if (IsMachineFile(text))
        return TImportFormat::None;
    if (text.trimmed().startsWith(QLatin1Char('<')) && text.contains(QLatin1String("<structure")))
        return TImportFormat::Jff;
    const TImportFormat format = TextFormat(text);
    // A damaged JFLAP file is still JFLAP's, so that its reader can name the fault.
    if (format == TImportFormat::Unknown && QFileInfo(path).suffix().toLower() == QLatin1String("jff"))
        return TImportFormat::Jff;
    return format;
}

} // namespace

TImportFormat ImportFormatOf(const QString& path) {
    if (QFileInfo(path).suffix().toLower() == QLatin1String("qtm"))
        return TImportFormat::None;
    QByteArray bytes;
    QString error;
    if (!ReadBytes(path, bytes, error))
        return KnownExtension(path) ? TImportFormat::Unknown : TImportFormat::None;
    const TImportFormat format = FormatOf(path, bytes);
    // A file of no known kind under another name is left to the machine file reader.
    return format == TImportFormat::Unknown && !KnownExtension(path) ? TImportFormat::None : format;
}

TImportFormat ImportFormatOfContent(const QString& path, const QByteArray& bytes) {
    return FormatOf(path, bytes);
}

bool ReadImportFile(const QString& path, TImportedMachine& result, QString& error, const QString& inputSymbols) {
    QByteArray bytes;
    if (!ReadBytes(path, bytes, error))
        return false;
    TForeignMachine foreign;
    bool read = false;
    switch (FormatOf(path, bytes)) {
    case TImportFormat::Jff:
        read = ReadJff(bytes, foreign, error);
        break;
    case TImportFormat::RuleLines:
        read = ReadRuleLines(importtext::DecodeText(bytes).remove(QLatin1Char('\r')), foreign, error);
        break;
    case TImportFormat::RulePairs:
        read = ReadRulePairs(importtext::DecodeText(bytes).remove(QLatin1Char('\r')), foreign, error);
        break;
    case TImportFormat::None:
    case TImportFormat::Unknown:
        error = QStringLiteral("Файл ") + path +
                QStringLiteral(" не похож ни на одну машину других программ. Понятны: машина Тьюринга JFLAP (XML с "
                               "элементом «structure»), текст по одному правилу в строке («состояние символ "
                               "новый_символ направление новое_состояние») и текст по две строки на правило "
                               "(«состояние,символ», затем «новое_состояние,новый_символ,движение»)");
        return false;
    }
    return read && MapForeignMachine(foreign, inputSymbols, result, error);
}

void ApplyImportedMachine(const TImportedMachine& imported, TMachine& machine, TBreakPointList& breakPoints) {
    breakPoints.ClearBreakPoints();
    machine.Clear();
    // In one batch with one check, as a machine file loads: a check for each command would make a large
    // import quadratic. The mapping gave trimmed, distinct states and one command per state and symbol.
    machine.AppendLoaded(imported.states, imported.commands);
    machine.SetAlphabetText(imported.alphabet);
    machine.SetInitialState(imported.initialState);
    machine.NoteEdited();
}

bool ImportMachine(const QString& path, TMachine& machine, TBreakPointList& breakPoints, QString& error,
                   const QString& inputSymbols) {
    TImportedMachine imported;
    if (!ReadImportFile(path, imported, error, inputSymbols))
        return false;
    ApplyImportedMachine(imported, machine, breakPoints);
    return true;
}
