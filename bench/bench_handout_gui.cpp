// The handout of a machine of N states with its state diagram made (four commands a state, to the next
// states and one at random, as in bench_diagram): the print preview as the window opens it (the document
// built, every page painted into the preview) and the HTML export (the diagram's SVG from the layout already
// made, the page, the save). The layout itself is made once beforehand, as the diagram window has it.
// BM_WindowPreview takes the same path through the main window. Figures in bench/README.md; `peak MB` is the
// process's peak resident size after the case. Run with QT_QPA_PLATFORM=offscreen where there is no display.

#include "diagram/diagram.h"
#include "diagram/diagramform.h"
#include "machine/machine.h"
#include "machine/machine.h"
#include "platform/codepage.h"
#include "platform/hashing.h"
#include "settings/config.h"
#include "silentprompts.h"
#include "table/handout.h"
#include "table/handoutdialog.h"
#include "window/mainform.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <random>

#include <sys/resource.h>

namespace {

struct THandMachine {
    TSilentPrompts prompts;
    TConfig settings{QString()};
    TMachine machine{prompts, settings};
    QString svg;

    explicit THandMachine(int n) {
        machine.SetAlphabetText(QStringLiteral("01a"));
        std::mt19937 random(20240528);
        std::uniform_int_distribution<int> pick(0, n - 1);
        QStringList states;
        for (int i = 0; i < n; ++i)
            states.append(QStringLiteral("q") + QString::number(i));
        const auto name = [&](int i) { return states[i % n]; };
        QList<TCommandRow> rows;
        for (int i = 0; i < n; ++i) {
            rows.append(TCommandRow{name(i), QStringLiteral("0"), name(i), QStringLiteral("0"), MoveRightText, 0});
            rows.append(TCommandRow{name(i), QStringLiteral("1"), name(i + 1), QStringLiteral("0"), MoveLeftText, 0});
            rows.append(TCommandRow{name(i), QStringLiteral("a"), name(i + 2), QStringLiteral("1"), MoveStayText, 0});
            rows.append(
                TCommandRow{name(i), QStringLiteral("#"), name(pick(random)), QStringLiteral("#"), MoveRightText, 0});
        }
        machine.AppendLoaded(states, rows);
        machine.SetInitialState(QStringLiteral("q0"));
    }

    // The diagram as the window has it once laid out.
    TDiagram Layout() const { return LayOutDiagram(DiagramSourceOf(machine)); }
};

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024;
}

void BM_HandoutPreview(benchmark::State& state) {
    THandMachine m(int(state.range(0)));
    const THandout handout{QStringLiteral("big.qtm"), QString::fromUtf8(DiagramSvg(m.Layout(), m.settings)), false};
    int pages = 0;
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageSize(QPageSize(QPageSize::A4));
        QPrintPreviewWidget preview(&printer);
        QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, &preview,
                         [&](QPrinter* target) { HandoutDocument(m.machine, handout)->print(target); });
        preview.updatePreview();
        pages = preview.pageCount();
    }
    state.counters["pages"] = pages;
    // The bitmap the preview used to draw the diagram into (twice the picture's size, 4 bytes a dot).
    const QSizeF size = QSvgRenderer(handout.diagramSvg.toUtf8()).viewBoxF().size();
    state.counters["old bitmap MB"] = 4 * size.width() * size.height() * 4 / 1e6;
    state.counters["peak MB"] = PeakMegabytes();
}
BENCHMARK(BM_HandoutPreview)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_HandoutExport(benchmark::State& state) {
    THandMachine m(int(state.range(0)));
    const TDiagram diagram = m.Layout();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.html"));
    for (auto _ : state) {
        const THandout handout{QStringLiteral("big.qtm"), QString::fromUtf8(DiagramSvg(diagram, m.settings)), false};
        QString error;
        if (!SaveHandout(path, HandoutHtml(m.machine, handout), error))
            state.SkipWithError(error.toUtf8().constData());
    }
    state.counters["peak MB"] = PeakMegabytes();
}
BENCHMARK(BM_HandoutExport)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);

// The whole path in the window, as a user takes it: the machine opened from its file, F7 and its layout
// awaited, then Ctrl+P until the preview is up with its pages painted (it is closed at once).
void BM_WindowPreview(benchmark::State& state) {
    const int n = int(state.range(0));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.qtm"));
    {
        QByteArray b = "[ABCD] 01a\r\n[WORD] 01\r\n[BEGS] q0\r\n";
        for (int i = 0; i < n; ++i)
            b += "[STAT] q" + QByteArray::number(i) + "\r\n";
        const QByteArray right = codepage::Encode(MoveRightText);
        const QByteArray left = codepage::Encode(MoveLeftText);
        std::mt19937 random(20240528);
        std::uniform_int_distribution<int> pick(0, n - 1);
        const auto name = [n](int i) { return "q" + QByteArray::number(i % n).leftJustified(17, ' '); };
        for (int i = 0; i < n; ++i) {
            b += "[COMM] " + name(i) + "0 " + name(i) + "0 " + right + "\r\n";
            b += "[COMM] " + name(i) + "1 " + name(i + 1) + "0 " + left + "\r\n";
            b += "[COMM] " + name(i) + "a " + name(i + 2) + "1 " + right + "\r\n";
            b += "[COMM] " + name(i) + "# " + name(pick(random)) + "# " + right + "\r\n";
        }
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(b);
    }
    for (auto _ : state) {
        TSilentPrompts prompts;
        TMainForm form(dir.path(), &prompts);
        form.SetStartupFile(path);
        form.show();
        form.Config().NormalLoad = false;
        QCoreApplication::processEvents();
        if (form.Machine().Commands().size() != 4 * n) {
            state.SkipWithError("the machine did not open");
            return;
        }
        form.findChild<QAction*>(QStringLiteral("DiagramView"))->trigger();
        auto* diagram = form.findChild<TDiagramForm*>(QStringLiteral("DiagramForm"));
        while (!diagram->MadeLayout())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        bool shown = false;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&shown] {
            if (auto* preview = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                shown = true;
                preview->reject();
            }
        });
        closer.start(0);
        QElapsedTimer clock;
        clock.start();
        form.findChild<QAction*>(QStringLiteral("PrintItem"))->trigger();
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        if (!shown)
            state.SkipWithError("no preview");
    }
    state.counters["peak MB"] = PeakMegabytes();
}
BENCHMARK(BM_WindowPreview)->Arg(200)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    UseFastStringHashing();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
