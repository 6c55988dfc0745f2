#pragma once

#include "platform/prompts.h"

#include <QList>
#include <QStringList>

#include <functional>

// Prompts for tests: records every box and answers from a queue. A box with no answer queued fails the
// test (it is answered with its default button so the code under test can go on).
class TScriptedPrompts : public TPrompts {
public:
    TAnswer Ask(const TMessage& message) override;
    void Asterisk() override { ++asterisks; }
    QString OpenFileName(const TFileDialog& dialog) override;
    QString SaveFileName(const TFileDialog& dialog) override;

    void Answer(TAnswer answer) { answers.append(answer); }
    void AnswerFile(const QString& name) { fileAnswers.append(name); }

    // The boxes shown so far, oldest first.
    QList<TMessage> boxes;
    QList<TFileDialog> fileDialogs;
    int asterisks = 0;
    QList<TAnswer> answers;
    QStringList fileAnswers;
    // Lets a test accept any number of boxes without scripting each.
    bool allowUnexpected = false;
    // Called as each box opens, before it is answered: lets a test look at the program's state then.
    std::function<void(const TMessage&)> onAsk;
};
