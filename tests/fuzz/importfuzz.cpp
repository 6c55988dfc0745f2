// The importers of the other simulators' files: the first byte picks the format (JFLAP's XML, one rule a
// line, two lines a rule), the rest is the file. Any bytes are imported or refused with a message, without
// a crash; an imported machine has one command at most for each state and symbol, state names trimmed, of
// 16 characters at most, without control characters and distinct without regard to case, and saves as a
// machine file that reads back without a fault as the same machine.

#include "breakpoints/breakpoint.h"
#include "files/qtmfile.h"
#include "fuzzcommon.h"
#include "import/foreignmachine.h"
#include "import/importer.h"
#include "import/jfffile.h"
#include "import/pairtext.h"
#include "import/ruletext.h"
#include "machine/machine.h"
#include "settings/config.h"

#include <QSet>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    static TSilentPrompts prompts;
    static const TConfig config{QString()};
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    TForeignMachine foreign;
    QString error;
    bool read = false;
    switch (data[0] % 3) {
    case 0:
        read = ReadJff(bytes, foreign, error);
        break;
    case 1:
        read = ReadRuleLines(importtext::DecodeText(bytes).remove(QLatin1Char('\r')), foreign, error);
        break;
    default:
        read = ReadRulePairs(importtext::DecodeText(bytes).remove(QLatin1Char('\r')), foreign, error);
        break;
    }
    TImportedMachine imported;
    if (!read || !MapForeignMachine(foreign, QStringLiteral("01"), imported, error)) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }

    QSet<QString> states;
    for (const QString& s : imported.states) {
        FUZZ_CHECK(!s.isEmpty() && s.size() <= 16 && TrimText(s) == s);
        for (QChar c : s)
            FUZZ_CHECK(c.unicode() >= 32);
        FUZZ_CHECK(!states.contains(s.toCaseFolded()));
        states.insert(s.toCaseFolded());
    }
    QSet<QString> keys;
    for (const TCommandRow& c : imported.commands) {
        FUZZ_CHECK(c.sourceSymbol.size() == 1 && c.newSymbol.size() == 1);
        const QString key = c.sourceState.toCaseFolded() + QLatin1Char('\n') + c.sourceSymbol;
        FUZZ_CHECK(!keys.contains(key));
        keys.insert(key);
    }

    TMachine machine(prompts, config);
    TBreakPointList breakPoints;
    machine.SetBreakPoints(&breakPoints);
    ApplyImportedMachine(imported, machine, breakPoints);
    const QByteArray written = MachineFileBytes(machine, breakPoints);
    TMachine again(prompts, config);
    TBreakPointList againPoints;
    again.SetBreakPoints(&againPoints);
    TLoadReport report(QStringLiteral("fuzz.qtm"));
    ReadMachineBytes(written, again, againPoints, report);
    FUZZ_CHECK(!report.ErrorsFound());
    FUZZ_CHECK(MachineFileBytes(again, againPoints) == written);
    return 0;
}
