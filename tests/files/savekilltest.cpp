// A save killed in the middle, at each step of its protocol, leaves the old or the new file complete under
// its name.

#include "filetestsupport.h"
#include "filetestutil.h"
#include "platform/fileio.h"

#include <QTemporaryDir>

#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

TEST(SaveKill, OldOrNewFileSurvivesAKillAtEveryStep) {
    using fileio::TStep;
    // Large enough that the write takes a while, distinct enough that a mix of both shows.
    const QByteArray oldBytes(3 * 1024 * 1024, 'o');
    const QByteArray newBytes(2 * 1024 * 1024 + 7, 'n');
    for (TStep step : {TStep::Open, TStep::Write, TStep::Sync, TStep::Close, TStep::Rename, TStep::SyncDir}) {
        SCOPED_TRACE(int(step));
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("m.qtm"));
        ASSERT_TRUE(WriteBytes(name, oldBytes));
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // The child stops at the step and waits there to be killed.
            fileio::SetFaultHook([&](TStep s, const QString& path) {
                if (s == step && !path.endsWith(u".bak")) {
                    const char byte = 1;
                    (void)!::write(ready[1], &byte, 1);
                    for (;;)
                        ::pause();
                }
                return 0;
            });
            fileio::SaveFile(name, newBytes, dir.filePath(QStringLiteral("m.tmp")),
                             dir.filePath(QStringLiteral("m.bak")));
            ::_exit(0);
        }
        ::close(ready[1]);
        char byte = 0;
        EXPECT_EQ(::read(ready[0], &byte, 1), 1) << "the save never reached the step";
        ::close(ready[0]);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        const QByteArray onDisk = FileBytes(name);
        EXPECT_TRUE(onDisk == oldBytes || onDisk == newBytes) << onDisk.size() << " bytes";
        EXPECT_EQ(onDisk == newBytes, step == TStep::SyncDir);
    }
}
