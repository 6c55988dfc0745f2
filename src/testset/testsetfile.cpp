#include "testset/testsetfile.h"

#include "files/qtmfile.h"
#include "platform/codepage.h"
#include "platform/fileio.h"
#include "platform/paths.h"

QString DecodeTestSetText(const QByteArray& bytes) {
    return codepage::DecodeText(bytes);
}

QString TTestLineError::Message() const {
    return QStringLiteral("Строка ") + QString::number(line) + QStringLiteral(": ") + text;
}

QList<TTestCase> ParseTestSet(const QByteArray& bytes, QList<TTestLineError>& errors) {
    QString text = codepage::DecodeText(bytes);
    text.remove(QLatin1Char('\r'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    QList<TTestCase> cases;
    for (int i = 0; i < lines.size(); ++i) {
        const QStringList f = lines[i].split(QLatin1Char('\t'));
        QString fault;
        if (f.size() < 2)
            fault = QStringLiteral("нет ожидаемой ленты");
        else if (f.size() > 3)
            fault = QStringLiteral("больше трех полей");
        else if (!codepage::Exists(lines[i]))
            fault = QStringLiteral("символ не из кодировки Windows-1251");
        if (!fault.isEmpty()) {
            errors.append({i + 1, fault});
            continue;
        }
        cases.append({f[0], f[1], f.value(2), f.size() > 2});
    }
    return cases;
}

QByteArray TestSetBytes(const QList<TTestCase>& cases) {
    QString text;
    for (const TTestCase& c : cases) {
        text += c.word + QLatin1Char('\t') + c.tape;
        if (c.hasState || !c.state.isEmpty())
            text += QLatin1Char('\t') + c.state;
        text += QStringLiteral("\r\n");
    }
    return codepage::Encode(text);
}

QList<TTestCase> ReadTestSet(const QString& path, QList<TTestLineError>& errors, QString& error) {
    QByteArray bytes;
    // The bounds of a machine file: /dev/zero or a FIFO given here must not hang the program.
    if (fileio::ReadFile(path, qtmformat::MaxFileBytes, bytes) != fileio::TReadError::None) {
        error = QStringLiteral("Не удалось прочитать файл ") + path;
        return {};
    }
    error.clear();
    return ParseTestSet(bytes, errors);
}

QString SaveTestSet(const QString& path, const QList<TTestCase>& cases) {
    const QString temp = fileio::FreshTempName(path);
    const fileio::TSaveResult result = fileio::SaveFile(path, TestSetBytes(cases), temp, QString());
    switch (result.failure) {
    case fileio::TSaveFailure::None:
        return QString();
    case fileio::TSaveFailure::RemoveTemp:
        return QStringLiteral("Ошибка удаления временного файла\n") + result.temp;
    case fileio::TSaveFailure::Replace:
        return QStringLiteral("Ошибка сохранения файла\n") + path + QStringLiteral("\nДанные сохранены в файле\n") +
               result.temp + QStringLiteral("\nПопытайтесь переименовать файл вручную");
    case fileio::TSaveFailure::SyncDir:
        return QStringLiteral("Файл записан, но изменения каталога не сохранены на диске\n") + path;
    case fileio::TSaveFailure::NotRegular:
    case fileio::TSaveFailure::Write:
        return QStringLiteral("Ошибка записи файла ") + path + QStringLiteral(": ") + fileio::ErrorText(result);
    default:
        break;
    }
    return QStringLiteral("Не могу создать файл\n") + path;
}

QString TestSetPathOf(const QString& machinePath) {
    return paths::ChangeFileExt(machinePath, QStringLiteral(".tests"));
}
