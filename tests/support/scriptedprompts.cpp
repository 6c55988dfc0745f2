#include "scriptedprompts.h"

#include <gtest/gtest.h>

TAnswer TScriptedPrompts::Ask(const TMessage& message) {
    boxes.append(message);
    if (onAsk)
        onAsk(message);
    if (answers.isEmpty()) {
        if (!allowUnexpected)
            ADD_FAILURE() << "unexpected box: " << message.caption.toStdString() << " / " << message.text.toStdString();
        return message.defaultButton;
    }
    return answers.takeFirst();
}

QString TScriptedPrompts::OpenFileName(const TFileDialog& dialog) {
    fileDialogs.append(dialog);
    if (fileAnswers.isEmpty()) {
        ADD_FAILURE() << "unexpected open dialog: " << dialog.title.toStdString();
        return QString();
    }
    return fileAnswers.takeFirst();
}

QString TScriptedPrompts::SaveFileName(const TFileDialog& dialog) {
    fileDialogs.append(dialog);
    if (fileAnswers.isEmpty()) {
        ADD_FAILURE() << "unexpected save dialog: " << dialog.title.toStdString();
        return QString();
    }
    return fileAnswers.takeFirst();
}
