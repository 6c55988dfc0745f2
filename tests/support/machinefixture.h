#pragma once

#include "machine/engine.h"
#include "machine/machine.h"
#include "settings/config.h"
#include "printers.h"
#include "scriptedprompts.h"

#include <QDir>

#include <gtest/gtest.h>

// A machine with its engine, prompts and settings, built afresh for each test.
class MachineTest : public ::testing::Test {
protected:
    MachineTest() {
        settings.ViewLog = false;
        settings.SaveFileRun = false;
        engine.SetRunState(Ready);
    }

    // Sets the alphabet, word, initial state and commands "state symbol newState newSymbol move" (L, R, S).
    void Define(const QString& alphabet, const QString& word, const QString& initial, const QStringList& commands) {
        machine.SetAlphabetText(alphabet);
        machine.SetWordText(word);
        machine.SetInitialState(initial);
        for (const QString& c : commands) {
            const QStringList f = c.split(QLatin1Char(' '));
            const QString move = f[4] == u"L" ? MoveLeftText : f[4] == u"R" ? MoveRightText : MoveStayText;
            ASSERT_TRUE(machine.AddCommand(f[0], f[1], f[2], f[3], move));
        }
    }

    QString Cells() const {
        QString s;
        for (const TTapeCell& c : machine.Tape())
            s.append(c.symbol);
        return s;
    }

    TScriptedPrompts prompts;
    TConfig settings{QDir::tempPath()};
    TMachine machine{prompts, settings};
    TEngine engine{machine, prompts, settings};
};
