#pragma once

#include "formfixture.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "settings/config.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QStringDecoder>
#include <QTest>
#include <QTimer>

#include <functional>

// Drives the main window as a user does: its entries by name or by key, its dialogs by keyboard, the run
// by StepOnce() instead of the timer.
class TWindowDriver : public TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        TConfig& c = form->Config();
        c.NormalLoad = false;
        c.SaveFileRun = false;
        c.Exit = false;
        // The step timer must never tick on its own while a test waits for a window.
        c.SetRunSpeed(10000);
        MakeActive(form.get());
    }

    template <class T>
    T* Child(const char* name) const {
        T* child = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QAction* Action(const char* name) const { return Child<QAction>(name); }

    // A key pressed where the focus is, as the user presses it: the window's entries answer their keys there.
    // The key goes to the open dialog, else to the main window, once that window is the active one.
    static void Press(QKeyCombination key) {
        QWidget* window = QApplication::activeModalWidget();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (!window && qobject_cast<TMainForm*>(w))
                window = w;
        ASSERT_NE(window, nullptr);
        MakeActive(window);
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window;
        QTest::keyClick(target, key.key(), key.keyboardModifiers());
    }

    // A dialog counts as active while its owner is: this waits until the window itself has the focus.
    static void MakeActive(QWidget* window) {
        if (QApplication::activeWindow() == window)
            return;
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }));
    }

    // Types the text key by key into the focused control, Cyrillic included.
    static void Type(const QString& text) {
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key(c.toUpper().unicode()), QString(c),
                                Qt::NoModifier);
    }

    // Runs `drive` on the modal dialog that opens next; a dialog it leaves open is cancelled, so a failed
    // expectation cannot hang the test. Nested dialogs are driven by calling it again inside `drive`.
    static void WhenShown(const std::function<void(QDialog*)>& drive, QWidget* opener = nullptr, int tries = 1000) {
        if (!opener)
            opener = QApplication::activeModalWidget();
        QTimer::singleShot(0, [drive, opener, tries] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            // Events run before the dialog opens (the wait for an active window): look again later.
            if (!dialog || dialog == opener) {
                if (tries > 0)
                    WhenShown(drive, opener, tries - 1);
                else
                    ADD_FAILURE() << "no dialog opened";
                return;
            }
            MakeActive(dialog);
            drive(dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
    }

    // Ticks until the run returns to Ready (at most `limit` ticks); the number of ticks taken.
    int RunToEnd(int limit = 100) {
        int ticks = 0;
        while (form->Engine().GetRunState() != Ready && ticks < limit) {
            form->Engine().StepOnce();
            ++ticks;
        }
        return ticks;
    }

    // alphabet "01", word as given, q0 inverts every symbol going right and stops in "end" on the blank.
    void DefineInversion(const QString& word) {
        TMachine& m = form->Machine();
        m.SetAlphabetText(QStringLiteral("01"));
        m.SetWordText(word);
        m.AddState(QStringLiteral("q0"));
        m.AddState(QStringLiteral("end"));
        m.SetInitialState(QStringLiteral("q0"));
        m.AddCommand(QStringLiteral("q0"), QStringLiteral("0"), QStringLiteral("q0"), QStringLiteral("1"),
                     MoveRightText);
        m.AddCommand(QStringLiteral("q0"), QStringLiteral("1"), QStringLiteral("q0"), QStringLiteral("0"),
                     MoveRightText);
        m.AddCommand(QStringLiteral("q0"), QStringLiteral("#"), QStringLiteral("end"), QStringLiteral("#"),
                     MoveStayText);
    }

    static QString FileText(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("<unreadable>");
        QStringDecoder decode("windows-1251");
        return decode(file.readAll());
    }

    static TMessage Box(const QString& caption, const QString& text, TIcon icon, TButtons buttons = ButtonsOk,
                        TAnswer defaultButton = TAnswer::Ok) {
        return TMessage{caption, text, icon, buttons, defaultButton, false};
    }

    static TMessage HaltBox(const QString& state, const QString& symbol) {
        return Box(QStringLiteral("Остановка машины Тьюринга"),
                   QStringLiteral("Машина Тьюринга закончила свою работу,\nт. к. не найдена команда для "
                                  "исполнения\nСостояние машины '") +
                       state + QStringLiteral("'\nсимвол '") + symbol + QStringLiteral("'"),
                   TIcon::Exclamation);
    }
};
