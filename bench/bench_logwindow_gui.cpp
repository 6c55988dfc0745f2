// Steps per second of a run under a 1 ms timer with the run log window shown (History on, automatic form,
// 9 999 rows held), against the ticks per second of an idle 1 ms timer in the same program: the window
// must not make the run miss timer ticks. Run with QT_QPA_PLATFORM=offscreen where there is no display.

#include "log/logform.h"
#include "log/runlog.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "settings/config.h"
#include "silentprompts.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Seconds = 3;

double IdleTicksPerSecond() {
    QTimer timer;
    timer.setInterval(1);
    long ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    QElapsedTimer clock;
    clock.start();
    timer.start();
    QTimer::singleShot(Seconds * 1000, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    return ticks * 1000.0 / double(clock.elapsed());
}

double RunStepsPerSecond(bool withLog, bool shown) {
    TSilentPrompts prompts;
    TConfig settings{QString()};
    settings.SaveFileRun = false;
    settings.SetRunSpeed(1);
    settings.ViewLog = withLog;
    settings.History = true;
    settings.SetLogWord(1);
    settings.SetMaxCount(9999);
    TMachine machine(prompts, settings);
    TEngine engine(machine, prompts, settings);
    TLogForm form(settings, prompts, &engine);
    engine.SetRunLog(&form.Log());
    if (shown)
        form.show();
    engine.SetRunState(Ready);
    // A 40-bit binary counter: it never halts and never repeats a configuration.
    machine.SetAlphabetText(QStringLiteral("01"));
    machine.SetWordText(QString(40, QLatin1Char('0')));
    machine.SetInitialState(QStringLiteral("right"));
    machine.AddCommand(QStringLiteral("right"), QStringLiteral("0"), QStringLiteral("right"), QStringLiteral("0"),
                       MoveRightText);
    machine.AddCommand(QStringLiteral("right"), QStringLiteral("1"), QStringLiteral("right"), QStringLiteral("1"),
                       MoveRightText);
    machine.AddCommand(QStringLiteral("right"), QStringLiteral("#"), QStringLiteral("carry"), QStringLiteral("#"),
                       MoveLeftText);
    machine.AddCommand(QStringLiteral("carry"), QStringLiteral("1"), QStringLiteral("carry"), QStringLiteral("0"),
                       MoveLeftText);
    machine.AddCommand(QStringLiteral("carry"), QStringLiteral("0"), QStringLiteral("right"), QStringLiteral("1"),
                       MoveRightText);
    QTimer stepTimer;
    stepTimer.setInterval(settings.RunSpeed);
    QObject::connect(&stepTimer, &QTimer::timeout, &engine, &TEngine::StepOnce);
    QObject::connect(&engine, &TEngine::timerChanged, [&](bool on) { on ? stepTimer.start() : stepTimer.stop(); });
    // Fill the log to its limit first, as a long run would have.
    engine.Start();
    for (int i = 0; i < 10000; ++i)
        engine.StepOnce();
    // Half a second of running first, unmeasured: the window's first showing, its first paint and taking in
    // the 9999 rows happen once, not at every tick.
    QTimer::singleShot(500, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    const int before = machine.StepNumber();
    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(Seconds * 1000, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    const double rate = (machine.StepNumber() - before) * 1000.0 / double(clock.elapsed());
    engine.SetRunLog(nullptr);
    return rate;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Three rounds, each figure the median of its three: on a shared machine one round can be off by several
    // per cent either way.
    std::vector<double> idle, bare, hidden, shown;
    for (int round = 0; round < 3; ++round) {
        idle.push_back(IdleTicksPerSecond());
        bare.push_back(RunStepsPerSecond(false, false));
        hidden.push_back(RunStepsPerSecond(true, false));
        shown.push_back(RunStepsPerSecond(true, true));
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double i = median(idle);
    std::printf("idle 1 ms timer:             %8.1f ticks/s\n", i);
    std::printf("run, no log:                 %8.1f steps/s (%.3f of idle)\n", median(bare), median(bare) / i);
    std::printf("run, log hidden, 9999 rows:  %8.1f steps/s (%.3f of idle)\n", median(hidden), median(hidden) / i);
    std::printf("run, log window, 9999 rows:  %8.1f steps/s (%.3f of idle)\n", median(shown), median(shown) / i);
    std::printf("platform %s, accessibility %s\n", qPrintable(QGuiApplication::platformName()),
                QAccessible::isActive() ? "on" : "off");
    return 0;
}
