// Runs a fuzz target over the files of its corpus, as the ordinary test suite does with every build: each
// input must keep the target's properties and take at most 100 ms of the processor's time. Processor time, not
// the clock's: the limit is there to catch work that grows out of bounds, and a machine busy with other builds
// must not fail it.

#include "fuzzcommon.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <ctime>

namespace {

qint64 ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

} // namespace

int main(int argc, char** argv) {
    constexpr qint64 LimitMs = 100;
    int inputs = 0;
    int slow = 0;
    for (int i = 1; i < argc; ++i) {
        QStringList files;
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (QFileInfo(arg).isDir()) {
            QDirIterator it(arg, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                files.append(it.next());
        } else {
            files.append(arg);
        }
        files.sort();
        for (const QString& path : files) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
                return 1;
            }
            const QByteArray bytes = file.readAll();
            const qint64 start = ThreadCpuMs();
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
            const qint64 ms = ThreadCpuMs() - start;
            if (ms > LimitMs) {
                std::fprintf(stderr, "%s took %lld ms\n", qPrintable(path), static_cast<long long>(ms));
                ++slow;
            }
            ++inputs;
        }
    }
    std::printf("%d inputs replayed, %d too slow\n", inputs, slow);
    return inputs > 0 && slow == 0 ? 0 : 1;
}
