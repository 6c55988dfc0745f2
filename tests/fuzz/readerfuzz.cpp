// The machine file reader with its load report: any bytes load without a crash, every fault has a known
// message and a line number in order, at most a few hundred are listed, and what the writer writes for
// the loaded machine reads back, without a fault, as the very same machine.

#include "breakpoints/breakpoint.h"
#include "files/qtmfile.h"
#include "fuzzcommon.h"
#include "machine/machine.h"
#include "settings/config.h"

namespace {

struct TLoaded {
    TLoaded(TPrompts& prompts, const TConfig& config, const QByteArray& bytes)
        : machine(prompts, config), report(QStringLiteral("fuzz.qtm")) {
        machine.SetBreakPoints(&breakPoints);
        ReadMachineBytes(bytes, machine, breakPoints, report);
    }
    QByteArray Written() const { return MachineFileBytes(machine, breakPoints); }

    TMachine machine;
    TBreakPointList breakPoints;
    TLoadReport report;
};

const QStringList& Messages() {
    static const QStringList messages{loadmessages::LineTooLong,         loadmessages::LineTooShort,
                                      loadmessages::CommandTooShort,     loadmessages::CommandStateTooLong,
                                      loadmessages::BreakPointTooShort,  loadmessages::BreakPointEnabledBad,
                                      loadmessages::BreakPointPassesBad, loadmessages::LineUnknown};
    return messages;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TSilentPrompts prompts;
    static const TConfig config{QString()};
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const TLoaded first(prompts, config, bytes);

    int previous = 0;
    for (const TLoadError& e : first.report.Errors()) {
        FUZZ_CHECK(e.lineNumber > previous);
        FUZZ_CHECK(Messages().contains(e.message));
        previous = e.lineNumber;
    }
    FUZZ_CHECK(first.report.Errors().size() <= TLoadReport::MaxListed);
    FUZZ_CHECK(first.report.ErrorsFound() == (!first.report.Errors().isEmpty()));

    const QByteArray written = first.Written();
    for (const QByteArray& line : written.split('\n'))
        FUZZ_CHECK(line.size() <= qtmformat::MaxLineBytes);
    const TLoaded second(prompts, config, written);
    FUZZ_CHECK(!second.report.ErrorsFound());
    FUZZ_CHECK(second.Written() == written);
    FUZZ_CHECK(second.machine.InitialStateText() == first.machine.InitialStateText());
    return 0;
}
