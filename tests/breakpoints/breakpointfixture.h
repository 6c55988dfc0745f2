#pragma once

#include "breakpoints/breakpoint.h"
#include "machinefixture.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>
#include <memory>

// A machine over "ab" with the states q1 and q2 and a breakpoint list attached; counts the machine's
// `edited` signals.
class BreakPointFixture : public MachineTest {
protected:
    BreakPointFixture() {
        machine.SetBreakPoints(&list);
        Define(QStringLiteral("ab"), QStringLiteral("aab"), QStringLiteral("q1"),
               {QStringLiteral("q1 a q1 b R"), QStringLiteral("q1 b q2 b R")});
        machine.AddState(QStringLiteral("q2"));
        QObject::connect(&machine, &TMachine::edited, &machine, [this] { ++edits; });
    }

    void Add(bool enabled, int passes, const QString& state, const QString& symbol) {
        list.AddBreakPoint(std::make_unique<TBreakPoint>(enabled, passes, state, symbol));
    }

    // "state symbol passes on|off" of every breakpoint, in list order.
    QStringList Points() const {
        QStringList out;
        for (int i = 0; i < list.Count(); ++i) {
            const TBreakPoint& p = list.At(i);
            out << p.State + u' ' + p.Symbol + u' ' + QString::number(p.Passes) +
                       (p.Enabled ? QStringLiteral(" on") : QStringLiteral(" off"));
        }
        return out;
    }

    // Runs `script` on the modal dialog of type D that opens next, then closes it if the script left it open.
    template <class D>
    static void WhenOpen(std::function<void(D&)> script) {
        QTimer::singleShot(0, [script] {
            auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
            EXPECT_NE(dialog, nullptr);
            if (!dialog)
                return;
            script(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
    }

    TBreakPointList list;
    int edits = 0;
};
