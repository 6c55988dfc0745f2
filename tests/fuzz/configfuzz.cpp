// The settings object loading any qtm.ini and qtm.dsk: every ranged setting ends up in its range.

#include "fuzzcommon.h"
#include "settings/config.h"

#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    TConfig config(dir.path());
    for (const QString& path : {config.settingsPath, config.desktopPath}) {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytes) == bytes.size());
    }
    FUZZ_CHECK(config.LoadSettings());
    FUZZ_CHECK(config.LoadDesktop());
    FUZZ_CHECK(config.RunSpeed >= 1 && config.RunSpeed <= 10000);
    FUZZ_CHECK(config.MaxCount >= 1 && config.MaxCount <= 9999);
    FUZZ_CHECK(config.DiesCount >= 1 && config.DiesCount <= 99);
    FUZZ_CHECK(config.LogWord >= 0 && config.LogWord <= 2);
    FUZZ_CHECK(config.PeriodHint >= 1 && config.PeriodHint <= 30000);
    FUZZ_CHECK(config.PauseHint >= 1 && config.PauseHint <= 30000);
    // What was loaded saves and loads back the same.
    FUZZ_CHECK(config.SaveSettings());
    TConfig again(dir.path());
    FUZZ_CHECK(again.LoadSettings());
    FUZZ_CHECK(again.RunSpeed == config.RunSpeed && again.MaxCount == config.MaxCount &&
               again.DiesCount == config.DiesCount && again.LogWord == config.LogWord &&
               again.PeriodHint == config.PeriodHint && again.PauseHint == config.PauseHint &&
               again.NormalLoad == config.NormalLoad && again.ErrorBackground == config.ErrorBackground);
    return 0;
}
