// Runs a fuzz target over the files of its corpus, as the ordinary test suite does with every build: each
// input must keep the target's properties and take at most 100 ms.

#include "fuzzcommon.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

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
            QElapsedTimer timer;
            timer.start();
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
            const qint64 ms = timer.elapsed();
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
