#pragma once

#include "check/validation.h"
#include "machinefixture.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

#include <functional>

inline TMessage Box(const QString& caption, const QString& text, TIcon icon = TIcon::Stop, TButtons buttons = ButtonsOk,
                    TAnswer defaultButton = TAnswer::Ok) {
    return TMessage{caption, text, icon, buttons, defaultButton, false};
}
inline TMessage ErrorBox(const char* text) {
    return TMessage{QStringLiteral("Error"), QString::fromUtf8(text), TIcon::Stop, ButtonsOk, TAnswer::Ok, true};
}
inline TMessage ConfirmBox(const char* text) {
    return TMessage{
        QStringLiteral("Confirm"), QString::fromUtf8(text), TIcon::Question, ButtonsOkCancel, TAnswer::Ok, true};
}

// Types the text into the widget key by key, Cyrillic and other characters beyond ASCII included.
inline void Type(QWidget* widget, const QString& text) {
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
}

// A machine with its validation pass, counting the edits that mark it modified.
class EditingTest : public MachineTest {
protected:
    EditingTest() {
        machine.SetChecks(&validation);
        QObject::connect(&machine, &TMachine::edited, [this] { ++edits; });
    }

    QStringList StateNames() const {
        QStringList names;
        for (const TStateItem& s : machine.States())
            names << s.name;
        return names;
    }
    bool Faulty(int row) const { return machine.Commands()[row].mark & MarkError; }

    // Runs `drive` on the modal dialog once it is shown; a dialog it leaves open is cancelled, so a failed
    // expectation cannot hang the test.
    static void WhenShown(const std::function<void(QDialog*)>& drive) {
        QTimer::singleShot(0, [drive] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
            drive(dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
    }

    TValidation validation{machine};
    int edits = 0;
};
