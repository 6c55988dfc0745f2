// Files that fail to read, files that are no files, and files far larger than any machine a person
// writes: each is refused with a message that names it, or loaded in bounded time and memory.

#include "faultinjection.h"
#include "filetestsupport.h"
#include "filetestutil.h"
#include "printers.h"
#include "usertexts.h"
#include "settings/config.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cerrno>

#include <sys/stat.h>

namespace {

TMessage OpenError(const QString& text) {
    return TMessage{QStringLiteral("Открытие файла"), text, TIcon::Stop, ButtonsOk, TAnswer::Ok, false};
}

} // namespace

class HostileInput : public MachineFileTest {
protected:
    HostileInput() {
        settings.NormalLoad = false;
        file.isModified = [] { return false; };
        file.showLoadReport = [this](const TLoadReport& report) { reports.append(report); };
    }

    QString Path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    // Loads the bytes as the current file; the time it took in ms.
    qint64 OpenTimed(const QByteArray& bytes) {
        const QString path = Path("big.qtm");
        EXPECT_TRUE(WriteBytes(path, bytes));
        QElapsedTimer timer;
        timer.start();
        EXPECT_TRUE(file.Open(path));
        return timer.elapsed();
    }

    QTemporaryDir dir;
    QList<TLoadReport> reports;
    TQtmFile file{machine, breakPoints, prompts, settings};
};

// A read error used to end the reading as if the file had ended: the open succeeded with part of the
// machine, and the next save replaced the whole file with that part.
TEST_F(HostileInput, ReadErrorFailsTheOpenAndKeepsTheCurrentFile) {
    const QString current = Path("current.qtm");
    ASSERT_TRUE(WriteBytes(current, InversionFile));
    ASSERT_TRUE(file.Open(current));
    const QString other = Path("other.qtm");
    ASSERT_TRUE(WriteBytes(other, Lines({QStringLiteral("[STAT] z")})));
    prompts.Answer(TAnswer::Ok);
    {
        TInjectedFault fault({fileio::TStep::Read}, QStringLiteral("other.qtm"), EIO);
        EXPECT_FALSE(file.Open(other));
        ASSERT_TRUE(fault.Fired());
    }
    EXPECT_EQ(prompts.boxes, QList<TMessage>{OpenError(QStringLiteral("Ошибка чтения файла\n") + other)});
    EXPECT_EQ(file.FilePath(), current);
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(StateList(), (QStringList{QStringLiteral("q0"), QStringLiteral("q1")}));
    EXPECT_EQ(FileBytes(other), Lines({QStringLiteral("[STAT] z")}));
}

TEST_F(HostileInput, WhatIsNoMachineFileIsRefusedBeforeReading) {
    const QString fifo = Path("fifo.qtm");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString big = Path("big.qtm");
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(16 * 1024 * 1024 + 1));
    }
    const QString zero = Path("zero.qtm");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    const QString folder = Path("folder.qtm");
    ASSERT_TRUE(QDir().mkpath(folder));
    const struct {
        QString name;
        QString text;
    } cases[] = {
        {zero, QStringLiteral("Ошибка открытия файла\n") + zero},
        {fifo, QStringLiteral("Ошибка открытия файла\n") + fifo},
        {folder, QStringLiteral("Ошибка открытия файла\n") + folder},
        {big, QStringLiteral("Файл слишком большой (больше 16 МБ)\n") + big},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        prompts.Answer(TAnswer::Ok);
        EXPECT_FALSE(file.Open(c.name));
        EXPECT_EQ(prompts.boxes, QList<TMessage>{OpenError(c.text)});
        prompts.boxes.clear();
        EXPECT_TRUE(file.FilePath().isEmpty());
        EXPECT_TRUE(machine.IsEmpty());
    }
}

// 16 MB of garbage lines: a report of the first few hundred faults and a count of the rest.
TEST_F(HostileInput, LoadReportKeepsTheFirstFaultsAndCountsTheRest) {
    QByteArray bytes;
    for (int i = 0; i < 100000; ++i)
        bytes += "garbage line\n";
    OpenTimed(bytes);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].Errors().size(), 300);
    EXPECT_EQ(reports[0].Errors().last(), (TLoadError{300, usertext::LineUnknown}));
    EXPECT_EQ(reports[0].Omitted(), 99700);
    EXPECT_EQ(TLoadReport::OmittedText(99700), QStringLiteral("и еще ошибок: 99700"));
}

// Loading used to search the lists and check the whole machine once per line: minutes for these files.
TEST_F(HostileInput, HugeMachinesLoadInLinearTime) {
    const struct {
        const char* name;
        std::function<QByteArray()> make;
        std::function<void()> check;
    } cases[] = {
        {"100000 states",
         [] {
             QByteArray b;
             for (int i = 0; i < 100000; ++i)
                 b += "[STAT] s" + QByteArray::number(i) + "\r\n";
             return b;
         },
         [&] {
             ASSERT_EQ(machine.States().size(), 100000);
             EXPECT_EQ(machine.States().last().name, QStringLiteral("s99999"));
         }},
        {"100000 commands",
         [] {
             QByteArray b = "[ABCD] ab\r\n";
             for (int i = 0; i < 100000; ++i) {
                 const QByteArray s = ("s" + QByteArray::number(i)).leftJustified(18, ' ');
                 b += "[COMM] " + s + "a " + s + "b R\r\n";
             }
             return b;
         },
         [&] { EXPECT_EQ(machine.Commands().size(), 100000); }},
        {"a word of 1000000 symbols",
         [] {
             const QByteArray word(1000000, 'a');
             QByteArray b = "[ABCD] ab\r\n";
             for (qsizetype i = 0; i < word.size(); i += 492)
                 b += "[WORD] " + word.mid(i, 492) + "\r\n";
             return b;
         },
         [&] { EXPECT_EQ(machine.Word().size(), 1000000); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        file.Reset();
        machine.Clear();
        reports.clear();
        // A second or two in a debug build; the bound leaves room for the sanitizers on a busy machine, and the
        // quadratic loading took many minutes.
        EXPECT_LT(OpenTimed(c.make()), 60000);
        c.check();
    }
}

TEST_F(HostileInput, OversizedSettingsFilesAreLeftAlone) {
    TConfig config(dir.path());
    ASSERT_TRUE(WriteBytes(config.settingsPath, "[Run]\r\nRunSpeed=7\r\n" + QByteArray(1024 * 1024, '\n')));
    EXPECT_FALSE(config.LoadSettings());
    EXPECT_EQ(config.RunSpeed, 1000);
    EXPECT_FALSE(config.SaveSettings());
}
