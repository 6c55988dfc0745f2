#include "files/loadreport.h"

#include "machine/command.h"

TLoadReport::TLoadReport(const QString& fileName) : fileName_(TrimText(fileName)) {}

void TLoadReport::AddError(int lineNumber, const QString& message) {
    errorsFound_ = true;
    if (errors_.size() >= MaxListed)
        ++omitted_;
    else
        errors_.append(TLoadError{lineNumber, TrimText(message)});
}

QString TLoadReport::FirstLine(bool errorsFound) {
    return errorsFound ? QStringLiteral("В файле") : QStringLiteral("Файл");
}

QString TLoadReport::LastLine(bool errorsFound) {
    return errorsFound ? QStringLiteral("обнаружены ошибки") : QStringLiteral("загружен успешно");
}

QString TLoadReport::LineText(int lineNumber) {
    return QStringLiteral("Строка ") + QString::number(lineNumber);
}

QString TLoadReport::OmittedText(qint64 count) {
    return QStringLiteral("и еще ошибок: ") + QString::number(count);
}
