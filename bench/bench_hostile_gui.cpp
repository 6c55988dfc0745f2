// The main window with hostile machines: a word of N symbols, N states, N commands, N breakpoints. Each
// benchmark opens the machine in a shown window (the load, the views' reset and the first paint) and then
// times the user's single actions on it: one step, a run of 300 steps, a scroll of the tape, a key typed
// in the word edit, a state and a command added and deleted, the breakpoint list opened, the word replaced. Each figure
// is one action's wall time in ms; compare a size with the small one to see how the window scales. Run with
// QT_QPA_PLATFORM=offscreen where there is no display.

#include "breakpoints/breakpoint.h"
#include "breakpoints/breakpointlistdialog.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "platform/codepage.h"
#include "platform/hashing.h"
#include "settings/config.h"
#include "silentprompts.h"
#include "window/mainform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <functional>

namespace {

enum TKind { Word, States, Commands, BreakPoints };

QByteArray Padded(const QByteArray& text, int width) {
    return text.leftJustified(width, ' ');
}

QByteArray Command(const QByteArray& from, char read, const QByteArray& to, char write) {
    static const QByteArray right = codepage::Encode(MoveRightText);
    return "[COMM] " + Padded(from, 18) + read + ' ' + Padded(to, 18) + write + ' ' + right + "\r\n";
}

// A runnable machine over "ab": q0 turns a into b going right; the hostile part is added by kind.
QByteArray MachineFile(TKind kind, int n) {
    QByteArray b = "[ABCD] ab\r\n";
    const QByteArray word(kind == Word ? n : 1000, 'a');
    for (qsizetype i = 0; i < word.size(); i += 492)
        b += "[WORD] " + word.mid(i, 492) + "\r\n";
    b += "[BEGS] q0\r\n[STAT] q0\r\n";
    // Commands name states the list holds, or the run would open the data check instead.
    if (kind == States || kind == Commands)
        for (int i = 0; i < n; ++i)
            b += "[STAT] s" + QByteArray::number(i) + "\r\n";
    b += Command("q0", 'a', "q0", 'b');
    if (kind == Commands)
        for (int i = 0; i < n; ++i) {
            const QByteArray s = "s" + QByteArray::number(i);
            b += Command(s, 'a', s, 'b');
        }
    if (kind == BreakPoints)
        for (int i = 0; i < n; ++i)
            b += "[BREK] 1 0     a  s" + QByteArray::number(i) + "\r\n";
    return b;
}

double Ms(const std::function<void()>& action) {
    QElapsedTimer clock;
    clock.start();
    action();
    return double(clock.nsecsElapsed()) / 1e6;
}

void Settle(QWidget& w) {
    QCoreApplication::processEvents();
    w.repaint();
    QCoreApplication::processEvents();
}

void SendKey(QWidget* target, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

void BM_HostileWindow(benchmark::State& state) {
    const auto kind = TKind(state.range(0));
    const int n = int(state.range(1));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("hostile.qtm"));
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(MachineFile(kind, n));
    }
    for (auto _ : state) {
        TSilentPrompts prompts;
        auto form = std::make_unique<TMainForm>(dir.path(), &prompts);
        form->SetStartupFile(path);
        TMachine& machine = form->Machine();
        TEngine& engine = form->Engine();
        const double open = Ms([&] {
            form->show();
            // The settings are read at the first showing; the file opens right after it.
            form->Config().NormalLoad = false;
            form->Config().SaveFileRun = false;
            Settle(*form);
        });
        if (form->FileName().isEmpty()) {
            state.SkipWithError("the machine did not open");
            return;
        }
        auto* wordEdit = form->findChild<QLineEdit*>(QStringLiteral("WordEdit"));
        auto* scrollBar = form->findChild<QScrollBar*>(QStringLiteral("ScrollBar"));
        const double step = Ms([&] {
            engine.NextStep();
            Settle(*form);
        });
        const double run = Ms([&] {
            engine.Break();
            for (int i = 0; i < 300; ++i)
                engine.StepOnce();
            engine.Break();
            Settle(*form);
        });
        const double reset = Ms([&] {
            engine.Reset();
            Settle(*form);
        });
        const double scroll = Ms([&] {
            scrollBar->setValue(scrollBar->maximum() / 2);
            Settle(*form);
        });
        wordEdit->setFocus();
        wordEdit->end(false);
        const double backspace = Ms([&] {
            SendKey(wordEdit, Qt::Key_Backspace, QString());
            Settle(*form);
        });
        const double key = Ms([&] {
            SendKey(wordEdit, Qt::Key_A, QStringLiteral("a"));
            Settle(*form);
        });
        const double stateAdd = Ms([&] {
            machine.AddState(QStringLiteral("extra"));
            Settle(*form);
        });
        const double stateDel = Ms([&] {
            machine.RemoveState(int(machine.States().size()) - 1);
            Settle(*form);
        });
        const double commandAdd = Ms([&] {
            machine.AddCommand(QStringLiteral("q0"), QStringLiteral("b"), QStringLiteral("q0"), QStringLiteral("b"),
                               MoveRightText);
            Settle(*form);
        });
        const double commandDel = Ms([&] {
            machine.RemoveCommand(int(machine.Commands().size()) - 1);
            Settle(*form);
        });
        const double breakList = Ms([&] {
            TBreakPointListDialog dialog(form->BreakPointList(), machine, prompts, form->Config(), form.get());
            dialog.show();
            Settle(dialog);
        });
        // Last, as it leaves a word of one symbol: the word replaced by a key typed over all of it.
        const double replace = Ms([&] {
            wordEdit->selectAll();
            SendKey(wordEdit, Qt::Key_A, QStringLiteral("a"));
            Settle(*form);
        });
        if (machine.Word() != QStringLiteral("a"))
            state.SkipWithError("the word was not replaced");
        const double close = Ms([&] { form.reset(); });
        state.SetIterationTime(open / 1000);
        state.counters["open_ms"] = open;
        state.counters["step_ms"] = step;
        state.counters["run300_ms"] = run;
        state.counters["reset_ms"] = reset;
        state.counters["scroll_ms"] = scroll;
        state.counters["bksp_ms"] = backspace;
        state.counters["key_ms"] = key;
        state.counters["st_add_ms"] = stateAdd;
        state.counters["st_del_ms"] = stateDel;
        state.counters["cmd_add_ms"] = commandAdd;
        state.counters["cmd_del_ms"] = commandDel;
        state.counters["brklist_ms"] = breakList;
        state.counters["replace_ms"] = replace;
        state.counters["close_ms"] = close;
    }
    state.SetLabel(std::array{"word", "states", "commands", "breakpoints"}[kind]);
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->ArgsProduct({{Word}, {10000, 1000000}});
    b->ArgsProduct({{States, Commands, BreakPoints}, {1000, 100000}});
}

BENCHMARK(BM_HostileWindow)->Apply(Sizes)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // As the program does.
    UseFastStringHashing();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
