#pragma once

#include <QList>
#include <QString>

// The reader's fault messages, one per kind of faulty line.
namespace loadmessages {

inline const QString LineTooLong = QStringLiteral("Слишком длинная строка");
inline const QString LineTooShort = QStringLiteral("Слишком короткая строка");
inline const QString CommandTooShort = QStringLiteral("Слишком короткая команда");
// A state name that overruns its columns would otherwise load as a garbled command.
inline const QString CommandStateTooLong = QStringLiteral("Слишком длинное имя состояния в команде");
inline const QString BreakPointTooShort = QStringLiteral("Слишком короткая контрольная точка");
inline const QString BreakPointEnabledBad = QStringLiteral("Не распознано состояние контрольной точки");
inline const QString BreakPointPassesBad = QStringLiteral("Не распознано количество проходов контрольной точки");
inline const QString LineUnknown = QStringLiteral("строка не распознана");

} // namespace loadmessages

struct TLoadError {
    int lineNumber = 0;
    QString message;

    bool operator==(const TLoadError&) const = default;
};

// How the reading of one machine file went: the faulty lines in the order they were met, and the verdict
// the load report dialog shows. Built anew for every file read.
class TLoadReport {
public:
    // Faults kept for the list; the rest are only counted, so a file of garbage cannot flood memory.
    static constexpr int MaxListed = 300;

    explicit TLoadReport(const QString& fileName);

    const QString& FileName() const { return fileName_; }
    bool ErrorsFound() const { return errorsFound_; }
    const QList<TLoadError>& Errors() const { return errors_; }
    // Faults beyond the first MaxListed.
    qint64 Omitted() const { return omitted_; }
    // "... и еще N ошибок": the line that stands for the omitted faults.
    static QString OmittedText(qint64 count);

    void AddError(int lineNumber, const QString& message);

    // The verdict reads as one sentence, top to bottom: first line, file name, last line.
    QString FirstLine() const { return FirstLine(errorsFound_); }
    QString LastLine() const { return LastLine(errorsFound_); }
    static QString FirstLine(bool errorsFound);
    static QString LastLine(bool errorsFound);
    // The text of the "number" column of a faulty line's row.
    static QString LineText(int lineNumber);

private:
    QString fileName_;
    QList<TLoadError> errors_;
    qint64 omitted_ = 0;
    bool errorsFound_ = false;
};
