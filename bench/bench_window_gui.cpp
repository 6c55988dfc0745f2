// Steps per second of a run in the main window under a 1 ms timer, with the run log window shown (History
// on, 9 999 rows held), against the ticks per second of an idle 1 ms timer in the same program: what the
// window does beside the step and the log row must not make the run miss timer ticks. Run with
// QT_QPA_PLATFORM=offscreen where there is no display; under `perf record -g` it shows where a tick goes.

#include "machine/engine.h"
#include "machine/machine.h"
#include "settings/config.h"
#include "silentprompts.h"
#include "window/mainform.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int Seconds = 3;

void Spin(int ms) {
    QTimer::singleShot(ms, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
}

double IdleTicksPerSecond() {
    QTimer timer;
    timer.setInterval(1);
    long ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    QElapsedTimer clock;
    clock.start();
    timer.start();
    Spin(Seconds * 1000);
    return ticks * 1000.0 / double(clock.elapsed());
}

double WindowStepsPerSecond(bool logShown) {
    QTemporaryDir dir;
    TSilentPrompts prompts;
    auto form = std::make_unique<TMainForm>(dir.path(), &prompts);
    form->show();
    Spin(200);
    TConfig& settings = form->Config();
    settings.SaveFileRun = false;
    settings.SetRunSpeed(1);
    settings.History = true;
    settings.SetMaxCount(9999);
    if (logShown != settings.ViewLog)
        form->findChild<QAction*>(QStringLiteral("LogView"))->trigger();
    TMachine& machine = form->Machine();
    TEngine& engine = form->Engine();
    // A 40-bit binary counter: it never halts and never repeats a configuration.
    machine.Clear();
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
    engine.Start();
    // The log filled to its limit first, as a long run would have it; then half a second unmeasured.
    for (int i = 0; i < 10000 && engine.GetRunState() == Running; ++i)
        engine.StepOnce();
    Spin(500);
    const qint64 before = machine.StepNumber();
    QElapsedTimer clock;
    clock.start();
    Spin(Seconds * 1000);
    const double rate = double(machine.StepNumber() - before) * 1000.0 / double(clock.elapsed());
    engine.Reset();
    return rate;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Three rounds, each figure the median of its three: on a shared machine one round can be off by several
    // per cent either way.
    std::vector<double> idle, hidden, shown;
    for (int round = 0; round < 3; ++round) {
        idle.push_back(IdleTicksPerSecond());
        hidden.push_back(WindowStepsPerSecond(false));
        shown.push_back(WindowStepsPerSecond(true));
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double i = median(idle);
    std::printf("idle 1 ms timer:                   %8.1f ticks/s\n", i);
    std::printf("main window, log window hidden:    %8.1f steps/s (%.3f of idle)\n", median(hidden),
                median(hidden) / i);
    std::printf("main window, log window shown:     %8.1f steps/s (%.3f of idle)\n", median(shown), median(shown) / i);
    std::printf("platform %s\n", qPrintable(QGuiApplication::platformName()));
    return 0;
}
