#pragma once

#include "window/mainform.h"
#include "printers.h"
#include "scriptedprompts.h"
#include "settings/config.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// A main window of its own for each test, with its settings and files in a temporary directory and its
// questions answered by scripted prompts. It is shown, so it has opened its start-up machine.
class TFormFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        form = std::make_unique<TMainForm>(dir.path(), &prompts);
        form->Config().Dir = dir.path();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        // The start-up file opens right after the first showing.
        QCoreApplication::processEvents();
        ASSERT_FALSE(form->FileName().isEmpty());
    }

    void TearDown() override { form.reset(); }

    QTemporaryDir dir;
    TScriptedPrompts prompts;
    std::unique_ptr<TMainForm> form;
};
