// Reading a machine file whose word is spread over many [WORD] lines of 490 symbols each (a line holds at most
// 500 bytes): 1 M, 8 M and 15.8 M symbols (about the largest the 16 MB file limit admits). The time per symbol
// must not grow with the word.

#include "breakpoints/breakpoint.h"
#include "files/loadreport.h"
#include "files/qtmfile.h"
#include "machine/machine.h"
#include "settings/config.h"
#include "programmain.h"
#include "silentprompts.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

QByteArray WordFile(qint64 symbols) {
    QByteArray bytes = "[ABCD] 01\r\n[BEGS] q0\r\n[STAT] q0\r\n";
    const QByteArray line = "[WORD] " + QByteArray(490, '1') + "\r\n";
    bytes.reserve(bytes.size() + (symbols / 490 + 1) * line.size());
    for (qint64 i = 0; i < symbols / 490; ++i)
        bytes += line;
    bytes += "[WORD] " + QByteArray(symbols % 490, '1') + "\r\n";
    return bytes;
}

void BM_LoadWordLines(benchmark::State& state) {
    const QByteArray bytes = WordFile(state.range(0));
    for (auto _ : state) {
        TSilentPrompts prompts;
        TConfig settings{QString()};
        TMachine machine{prompts, settings};
        TBreakPointList breakPoints;
        TLoadReport report(QStringLiteral("long.qtm"));
        ReadMachineBytes(bytes, machine, breakPoints, report);
        if (machine.Word().size() != state.range(0))
            state.SkipWithError(("the word was not read whole: " + std::to_string(machine.Word().size())).c_str());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadWordLines)->Arg(1000000)->Arg(8000000)->Arg(15800000)->Unit(benchmark::kMillisecond);

} // namespace

QTM_BENCHMARK_MAIN()
