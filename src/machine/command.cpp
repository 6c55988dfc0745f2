#include "machine/command.h"

#include <utility>

QString MoveText(Move move) {
    switch (move) {
    case MoveLeft:
        return MoveLeftText;
    case MoveRight:
        return MoveRightText;
    case MoveStay:
        break;
    }
    return MoveStayText;
}

QString ShortMoveText(const QString& move) {
    const QString text = TrimText(move);
    const std::pair<const QString&, char16_t> letters[] = {
        {MoveRightText, u'П'}, {MoveLeftText, u'Л'}, {MoveStayText, u'Н'}};
    for (const auto& [name, letter] : letters)
        if (text.compare(name, Qt::CaseInsensitive) == 0)
            return QString(QChar(letter));
    return move;
}

QString TrimText(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    if (begin == 0 && end == text.size())
        return text; // shares the data: no copy on the per-step path
    return text.mid(begin, end - begin);
}
