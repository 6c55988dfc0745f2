#include "machine/moveletter.h"

#include "machine/command.h"

#include <utility>

QString MoveLetter(const QString& move) {
    const QString text = TrimText(move);
    const std::pair<const QString&, const char16_t*> letters[] = {
        {MoveLeftText, u"Л"}, {MoveRightText, u"П"}, {MoveStayText, u"Н"}};
    for (const auto& [name, letter] : letters)
        if (text.compare(name, Qt::CaseInsensitive) == 0)
            return QString::fromUtf16(letter);
    return move;
}
