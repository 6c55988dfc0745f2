#include "filetestutil.h"
#include "platform/fileio.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// What a FIFO holds now, without waiting for more.
QByteArray Drain(int fd) {
    QByteArray bytes;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, qsizetype(n));
    return bytes;
}

mode_t Kind(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & S_IFMT : 0;
}

QStringList Entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden, QDir::Name);
}

} // namespace

// A FIFO and a device take the bytes straight, a link is followed to the file it names (which is replaced as a
// file is, its temporary file beside it), and what else is not a regular file is refused with a reason; the
// thing at the name stays what it was.
TEST(SafeSave, WhatIsAtTheNameDecidesTheWay) {
    QTemporaryDir dir;
    const QString names = dir.filePath(QStringLiteral("names"));
    const QString files = dir.filePath(QStringLiteral("files"));
    ASSERT_TRUE(QDir().mkpath(names) && QDir().mkpath(files));
    const QByteArray bytes("новое\r\n");
    const auto at = [&](const char* name) { return QDir(names).filePath(QString::fromLatin1(name)); };
    const auto in = [&](const char* name) { return QDir(files).filePath(QString::fromLatin1(name)); };
    const auto link = [](const QString& target, const QString& name) {
        return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(name).constData()) == 0;
    };
    const auto save = [&](const QString& name) {
        return fileio::SaveFile(name, bytes, fileio::FreshTempName(name), QString());
    };

    ASSERT_EQ(::mkfifo(QFile::encodeName(in("fifo")).constData(), 0600), 0);
    const int reader = ::open(QFile::encodeName(in("fifo")).constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_TRUE(link(in("fifo"), at("to fifo")));
    for (const QString& name : {in("fifo"), at("to fifo")}) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(save(name).ok());
        EXPECT_EQ(Text(Drain(reader)), Text(bytes));
        EXPECT_EQ(Kind(in("fifo")), mode_t(S_IFIFO));
    }
    ::close(reader);
    EXPECT_TRUE(save(QStringLiteral("/dev/null")).ok());
    EXPECT_EQ(Kind(QStringLiteral("/dev/null")), mode_t(S_IFCHR));

    // A link to a file in another folder, and one to a file not there yet.
    ASSERT_TRUE(WriteAll(in("old"), "старое"));
    ASSERT_TRUE(link(in("old"), at("to old")));
    ASSERT_TRUE(link(QStringLiteral("../files/new"), at("to new")));
    for (const char* name : {"to old", "to new"}) {
        SCOPED_TRACE(name);
        const fileio::TSaveResult saved = save(at(name));
        EXPECT_TRUE(saved.ok());
        EXPECT_EQ(Kind(at(name)), mode_t(S_IFLNK));
        EXPECT_EQ(Text(ReadAll(at(name))), Text(bytes));
    }
    // A failed final rename leaves the new content beside the file the link names, and says so.
    {
        fileio::SetFaultHook(
            [](fileio::TStep step, const QString&) { return step == fileio::TStep::Rename ? EIO : 0; });
        const fileio::TSaveResult failed = save(at("to old"));
        fileio::SetFaultHook({});
        EXPECT_EQ(failed.failure, fileio::TSaveFailure::Replace);
        EXPECT_EQ(QFileInfo(failed.temp).absolutePath(), QFileInfo(in("old")).absolutePath());
        EXPECT_EQ(Text(ReadAll(failed.temp)), Text(bytes));
        QFile::remove(failed.temp);
    }
    EXPECT_EQ(Entries(files), QStringList({"fifo", "new", "old"}));

    ASSERT_TRUE(QDir().mkpath(at("folder")));
    const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QFile::encodeName(at("socket"));
    ASSERT_LT(std::size_t(socketPath.size()), sizeof address.sun_path);
    std::copy(socketPath.cbegin(), socketPath.cend(), address.sun_path);
    ASSERT_EQ(::bind(server, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const struct {
        const char* name;
        mode_t kind;
        QString reason;
    } refused[] = {
        {"folder", S_IFDIR, QStringLiteral("по этому имени не обычный файл, а каталог")},
        {"socket", S_IFSOCK, QStringLiteral("по этому имени не обычный файл, а сокет или блочное устройство")},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.name);
        const fileio::TSaveResult saved = save(at(r.name));
        EXPECT_EQ(saved.failure, fileio::TSaveFailure::NotRegular);
        EXPECT_EQ(fileio::FailureText(at(r.name), saved, QStringLiteral("Данные остались в файле")),
                  QStringLiteral("Ошибка записи файла ") + at(r.name) + QStringLiteral(": ") + r.reason);
        EXPECT_EQ(Kind(at(r.name)), r.kind);
    }
    ::close(server);
    EXPECT_EQ(Entries(names), QStringList({"folder", "socket", "to fifo", "to new", "to old"}));
    EXPECT_TRUE(Entries(at("folder")).isEmpty());
}
