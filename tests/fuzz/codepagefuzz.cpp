// Windows-1251: every byte string decodes to one character per byte and encodes back to itself.

#include "fuzzcommon.h"
#include "platform/codepage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = codepage::Decode(bytes);
    FUZZ_CHECK(text.size() == bytes.size());
    FUZZ_CHECK(codepage::Exists(text));
    FUZZ_CHECK(codepage::Encode(text) == bytes);
    return 0;
}
