#include "platform/prompts.h"

TAnswer TPrompts::Message(const QString& caption, const QString& text, TIcon icon, TButtons buttons,
                          TAnswer defaultButton) {
    return Ask(TMessage{caption, text, icon, buttons, defaultButton, false});
}

void TPrompts::ErrorDialog(const QString& text) {
    Ask(TMessage{QStringLiteral("Error"), text, TIcon::Stop, ButtonsOk, TAnswer::Ok, true});
}

bool TPrompts::ConfirmDialog(const QString& text) {
    return Ask(TMessage{QStringLiteral("Confirm"), text, TIcon::Question, ButtonsOkCancel, TAnswer::Ok, true}) ==
           TAnswer::Ok;
}
