#include "check/checkstate.h"

#include "machine/command.h"

// ---- Word -------------------------------------------------------------------------------------------------

void TWordError::SetEmpty(bool empty) {
    if (!empty)
        return;
    empty_ = true;
    hasErrors_ = true;
}

void TWordError::AddBadSymbol(QChar symbol) {
    hasErrors_ = true;
    if (!badSymbols_.contains(symbol))
        badSymbols_.append(symbol);
}

TMessage TWordError::Message() const {
    TMessage m;
    m.caption = WordErrorsCaption;
    if (!hasErrors_) {
        m.icon = TIcon::Exclamation;
        m.text = QStringLiteral("Ошибки в слове не найдены");
        return m;
    }
    m.icon = TIcon::Stop;
    if (empty_) {
        m.text = QStringLiteral("Пустое слово");
        return m;
    }
    m.text = QStringLiteral("Символы ");
    for (QChar c : badSymbols_)
        m.text += QLatin1Char('\'') + c + QStringLiteral("', ");
    m.text += QStringLiteral("\nв алфавите не найдены");
    return m;
}

// ---- Commands ---------------------------------------------------------------------------------------------

QString TCommandFault::Caption() const {
    return QStringLiteral("Команда ") + QString::number(position);
}

void TCommandError::SetNone(bool none) {
    if (!none)
        return;
    none_ = true;
    hasErrors_ = true;
}

void TCommandError::AddFault(int position, const QString& message) {
    faults_.append(TCommandFault{position, TrimText(message)});
    hasErrors_ = true;
}

std::optional<TMessage> TCommandError::Message() const {
    TMessage m;
    m.caption = CommandErrorsCaption;
    if (!hasErrors_) {
        m.icon = TIcon::Exclamation;
        m.text = QStringLiteral("Ошибки в командах не найдены");
        return m;
    }
    if (none_) {
        m.icon = TIcon::Stop;
        m.text = QStringLiteral("Не найдено ни одной команды");
        return m;
    }
    return std::nullopt;
}

// ---- Whole report -----------------------------------------------------------------------------------------

void TCheckState::SetStateCount(int count) {
    stateCount_ = count;
    if (count == 0) {
        noStates_ = true;
        stateErrors_ = true;
    }
}

void TCheckState::SetHasInitial(bool given) {
    if (given)
        return;
    hasInitial_ = false;
    stateErrors_ = true;
}

void TCheckState::SetWordLength(int length) {
    wordLength_ = length;
    word_.SetEmpty(length == 0);
}

void TCheckState::SetCommandCount(int count) {
    commandCount_ = count;
    commands_.SetNone(count == 0);
}

TMessage TCheckState::StateMessage() const {
    TMessage m;
    m.caption = StateErrorsCaption;
    if (!stateErrors_) {
        m.icon = TIcon::Exclamation;
        m.text = QStringLiteral("Ошибки не найдены");
        return m;
    }
    m.icon = TIcon::Stop;
    if (noStates_)
        m.text = QStringLiteral("Не найдено ни одного состояния");
    else if (hasInitial_)
        m.text = QStringLiteral("Ошибки не найдены");
    else
        m.text = QStringLiteral("Отсутствует начальное состояние");
    return m;
}
