// The INI layer: any bytes read, one key set, the file written back with every other byte as it was.

#include "fuzzcommon.h"
#include "platform/inifile.h"

namespace {

bool HasLineBreak(const QByteArray& bytes) {
    return bytes.contains('\r') || bytes.contains('\n');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray before(reinterpret_cast<const char*>(data), qsizetype(size));
    TIniFile ini(QStringLiteral("fuzz.ini"));
    ini.SetBytes(before);
    FUZZ_CHECK(ini.Bytes() == before);
    // Reading must not depend on more than the text: the same answers twice.
    FUZZ_CHECK(ini.ReadString(QStringLiteral("Run"), QStringLiteral("RunSpeed"), QStringLiteral("-")) ==
               ini.ReadString(QStringLiteral("run"), QStringLiteral("RUNSPEED"), QStringLiteral("-")));
    const QString other = ini.ReadString(QStringLiteral("Log"), QStringLiteral("MaxCount"), QStringLiteral("-"));

    FUZZ_CHECK(ini.WriteString(QStringLiteral("Run"), QStringLiteral("RunSpeed"), QStringLiteral("42")));
    const QByteArray after = ini.Bytes();
    FUZZ_CHECK(ini.ReadString(QStringLiteral("Run"), QStringLiteral("RunSpeed"), QString()) == QStringLiteral("42"));
    FUZZ_CHECK(ini.ReadString(QStringLiteral("Log"), QStringLiteral("MaxCount"), QStringLiteral("-")) == other);

    // Only one place changed: what was removed lies within one line, and what came in is that key's value,
    // or whole new lines (with the line end a last line lacked).
    qsizetype prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const QByteArray removed = before.mid(prefix, before.size() - prefix - suffix);
    QByteArray added = after.mid(prefix, after.size() - prefix - suffix);
    FUZZ_CHECK(!HasLineBreak(removed));
    added.replace("[Run]", "").replace("RunSpeed=", "").replace("42", "").replace("\r\n", "");
    FUZZ_CHECK(!HasLineBreak(added));

    TIniFile reread(QStringLiteral("fuzz.ini"));
    reread.SetBytes(after);
    FUZZ_CHECK(reread.Bytes() == after);
    FUZZ_CHECK(reread.ReadInteger(QStringLiteral("Run"), QStringLiteral("RunSpeed"), 0) == 42);
    return 0;
}
