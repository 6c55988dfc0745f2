// A test set file: malformed lines are reported in order and skipped; what the writer writes for the cases
// read reads back as the same cases, written again byte for byte the same.

#include "fuzzcommon.h"
#include "platform/codepage.h"
#include "testset/testsetfile.h"

#include <QStringDecoder>

namespace {

// Windows-1251 bytes that are also whole UTF-8 and read as a sign other than a letter after a letter ("С‚")
// are taken for UTF-8, as an editor's file would be; letters alone ("РЁ") read back as written.
bool ReadsAsUtf8(const QByteArray& bytes) {
    bool sign = false;
    for (const QChar c : codepage::Decode(bytes))
        sign = sign || (c.unicode() >= 0x80 && !c.isLetter());
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return sign && !utf8.hasError();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QList<TTestLineError> errors;
    const QList<TTestCase> cases = ParseTestSet(bytes, errors);
    const qsizetype lines = bytes.count('\n') + 1;
    FUZZ_CHECK(cases.size() + errors.size() <= lines);
    for (qsizetype i = 0; i < errors.size(); ++i) {
        FUZZ_CHECK(errors[i].line >= 1 && errors[i].line <= lines);
        FUZZ_CHECK(i == 0 || errors[i].line > errors[i - 1].line);
        FUZZ_CHECK(!errors[i].text.isEmpty());
    }
    const QByteArray written = TestSetBytes(cases);
    if (ReadsAsUtf8(written))
        return 0;
    QList<TTestLineError> again;
    FUZZ_CHECK(ParseTestSet(written, again) == cases);
    FUZZ_CHECK(again.isEmpty());
    FUZZ_CHECK(TestSetBytes(cases) == written);
    return 0;
}
