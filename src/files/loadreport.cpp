#include "files/loadreport.h"

#include "machine/command.h"

TLoadReport::TLoadReport(const QString& fileName) : fileName_(TrimText(fileName)) {}

void TLoadReport::AddError(int lineNumber, const QString& message) {
    errors_.append(TLoadError{lineNumber, TrimText(message)});
    errorsFound_ = true;
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
