// A positions file: reading never fails; it places only the machine's states, each once, at finite points
// in range; what the writer writes for the positions read reads back as the same positions and writes the
// same bytes again.

#include "diagram/positions.h"
#include "fuzzcommon.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList names{QStringLiteral("q0"), QStringLiteral("Q1"), QString::fromUtf16(u"Пуск"),
                            QStringLiteral("a=b"), QStringLiteral("x,y")};
    const QHash<QString, QPointF> read = ReadPositionsBytes(bytes, names);
    FUZZ_CHECK(read.size() <= names.size());
    for (auto it = read.cbegin(); it != read.cend(); ++it) {
        FUZZ_CHECK(names.contains(it.key()));
        for (const qreal v : {it->x(), it->y()})
            FUZZ_CHECK(std::isfinite(v) && std::abs(v) <= positionsformat::MaxCoordinate);
    }
    const QByteArray written = PositionsFileBytes(read, names);
    FUZZ_CHECK(written.count('\n') == read.size());
    const QHash<QString, QPointF> again = ReadPositionsBytes(written, names);
    FUZZ_CHECK(again.size() == read.size());
    for (auto it = again.cbegin(); it != again.cend(); ++it)
        FUZZ_CHECK(std::abs(it->x() - read.value(it.key()).x()) <= 0.0051 &&
                   std::abs(it->y() - read.value(it.key()).y()) <= 0.0051);
    FUZZ_CHECK(PositionsFileBytes(again, names) == written);
    return 0;
}
