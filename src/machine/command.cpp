#include "machine/command.h"

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
