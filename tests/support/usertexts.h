#pragma once

#include <QString>

// The texts a user reads in the reader's and the data check's reports, written out here rather than taken
// from the program's own constants, so a changed or misspelt message fails the tests.
namespace usertext {

inline const QString LineTooLong = QStringLiteral("Слишком длинная строка");
inline const QString LineTooShort = QStringLiteral("Слишком короткая строка");
inline const QString CommandTooShort = QStringLiteral("Слишком короткая команда");
inline const QString CommandStateTooLong = QStringLiteral("Слишком длинное имя состояния в команде");
inline const QString BreakPointTooShort = QStringLiteral("Слишком короткая контрольная точка");
inline const QString BreakPointEnabledBad = QStringLiteral("Не распознано состояние контрольной точки");
inline const QString BreakPointPassesBad = QStringLiteral("Не распознано количество проходов контрольной точки");
inline const QString LineUnknown = QStringLiteral("строка не распознана");

inline const QString NoSourceState = QStringLiteral("Не указано исходное состояние");
inline const QString UnknownSourceState = QStringLiteral("Исходное состояние не существует");
inline const QString NoSourceSymbol = QStringLiteral("Не указан исходный символ");
inline const QString SourceSymbolNotInAlphabet = QStringLiteral("Исходный символ отсутсвует в алфавите");
inline const QString NoNewState = QStringLiteral("Не указано новое состояние");
inline const QString UnknownNewState = QStringLiteral("Новое состояние не существует");
inline const QString NoNewSymbol = QStringLiteral("Не указан новый символ");
inline const QString NewSymbolNotInAlphabet = QStringLiteral("Новый символ отсутсвует в алфавите");
inline const QString NoMove = QStringLiteral("Не указано направление перемещения");
inline const QString UnknownMove = QStringLiteral("Несуществующее направление перемещения");
inline const QString Loop = QStringLiteral("Команда ведет к зацикливанию машины");

} // namespace usertext
