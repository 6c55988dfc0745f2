#include "platform/fileio.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fileio {
namespace {

TFaultHook& Hook() {
    static TFaultHook hook;
    return hook;
}

// Zero to go on; otherwise errno is set to the injected error.
bool Injected(TStep step, const QString& path) {
    if (!Hook())
        return false;
    const int error = Hook()(step, path);
    if (error == 0)
        return false;
    errno = error;
    return true;
}

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

int OpenFd(const QString& path, int flags, mode_t mode = 0) {
    if (Injected(TStep::Open, path))
        return -1;
    int fd;
    do
        fd = ::open(Native(path).constData(), flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

bool CloseFd(int fd, const QString& path) {
    if (Injected(TStep::Close, path)) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return false;
    }
    // After close() fails the descriptor is gone anyway: no retry.
    return ::close(fd) == 0;
}

bool WriteAll(int fd, const QString& path, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        if (Injected(TStep::Write, path))
            return false;
        const ssize_t n = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

bool Sync(int fd, const QString& path) {
    if (Injected(TStep::Sync, path))
        return false;
    return ::fsync(fd) == 0;
}

bool Remove(const QString& path) {
    if (Injected(TStep::Remove, path))
        return false;
    return ::unlink(Native(path).constData()) == 0 || errno == ENOENT;
}

bool Rename(const QString& from, const QString& to) {
    if (Injected(TStep::Rename, to))
        return false;
    return ::rename(Native(from).constData(), Native(to).constData()) == 0;
}

bool Exists(const QString& path) {
    struct stat st {};
    return ::lstat(Native(path).constData(), &st) == 0;
}

QString DirOf(const QString& path) {
    const QString dir = QFileInfo(path).path();
    return dir.isEmpty() ? QStringLiteral(".") : dir;
}

bool SyncDirectory(const QString& file) {
    const QString dir = DirOf(file);
    if (Injected(TStep::SyncDir, dir))
        return false;
    const int fd = ::open(Native(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
}

enum class TWritten { Done, NotCreated, Failed };

// Writes, syncs and closes a file that must not exist yet; removes it again on any failure.
// keepMode: the permissions of the file it is to replace, or -1.
TWritten WriteNew(const QString& path, const TPieces& pieces, int keepMode = -1) {
    const int fd = OpenFd(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
    if (fd < 0)
        return TWritten::NotCreated;
    if (keepMode >= 0)
        ::fchmod(fd, mode_t(keepMode));
    bool made = false;
    try {
        made = pieces([&](const QByteArray& piece) { return WriteAll(fd, path, piece); });
    } catch (...) {
        errno = ENOMEM;
    }
    if (!made && errno == 0)
        errno = EIO;
    const bool written = made && Sync(fd, path);
    int error = errno;
    const bool closed = CloseFd(fd, path);
    if (written && !closed)
        error = errno;
    if (written && closed)
        return TWritten::Done;
    ::unlink(Native(path).constData());
    errno = error;
    return TWritten::Failed;
}

// The previous version under the backup name while the name still holds it: a hard link when the file
// system has them, else a copy.
TPieces Whole(const QByteArray& bytes) {
    return [&bytes](const std::function<bool(const QByteArray&)>& write) { return write(bytes); };
}

TWritten WriteNew(const QString& path, const QByteArray& bytes, int keepMode = -1) {
    return WriteNew(path, Whole(bytes), keepMode);
}

bool MakeBackup(const QString& name, const QString& backup) {
    if (!Injected(TStep::Rename, backup) && ::link(Native(name).constData(), Native(backup).constData()) == 0)
        return true;
    QByteArray old;
    return ReadFile(name, std::numeric_limits<qint64>::max(), old) == TReadError::None &&
           WriteNew(backup, old) == TWritten::Done;
}

TSaveResult Failed(TSaveFailure failure, TSaveResult result = {}) {
    result.failure = failure;
    result.error = errno;
    return result;
}

} // namespace

void SetFaultHook(TFaultHook hook) {
    Hook() = std::move(hook);
}

TReadError ReadOpenFile(int fd, const QString& path, qint64 limit, QByteArray& bytes) {
    bytes.clear();
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return TReadError::Read;
    if (!S_ISREG(st.st_mode))
        return TReadError::NotRegular;
    if (st.st_size > limit)
        return TReadError::TooLarge;
    bytes.resize(qsizetype(st.st_size));
    // One byte beyond the limit shows that a file grew past it while it was read.
    const qint64 readUpTo = limit < std::numeric_limits<qint64>::max() ? limit + 1 : limit;
    qsizetype done = 0;
    for (;;) {
        if (done == bytes.size()) {
            if (done >= readUpTo)
                break;
            bytes.resize(qsizetype(std::min<qint64>(readUpTo, qint64(done) + 65536)));
        }
        if (Injected(TStep::Read, path)) {
            bytes.clear();
            return TReadError::Read;
        }
        const ssize_t n = ::pread(fd, bytes.data() + done, std::size_t(bytes.size() - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            bytes.clear();
            return TReadError::Read;
        }
        if (n == 0)
            break;
        done += n;
    }
    bytes.resize(done);
    if (done > limit) {
        bytes.clear();
        return TReadError::TooLarge;
    }
    return TReadError::None;
}

TReadError ReadFile(const QString& path, qint64 limit, QByteArray& bytes) {
    bytes.clear();
    struct stat st {};
    if (::stat(Native(path).constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? TReadError::Missing : TReadError::Open;
    if (!S_ISREG(st.st_mode))
        return TReadError::NotRegular;
    // Non-blocking, so that a FIFO put under the name between the test and the open cannot hang the program.
    const int fd = OpenFd(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return TReadError::Open;
    const TReadError result = ReadOpenFile(fd, path, limit, bytes);
    ::close(fd);
    return result;
}

TSaveResult SaveFile(const QString& name, const QByteArray& bytes, const QString& temp, const QString& backup) {
    return SaveFile(name, Whole(bytes), temp, backup);
}

namespace {

// Writes the pieces to a FIFO, a device or standard output as they come: there is nothing to replace there.
TSaveResult WriteStraight(const QString& name, const TPieces& pieces) {
    const bool standardOutput = name == QStringLiteral("-");
    const int fd = standardOutput ? STDOUT_FILENO : OpenFd(name, O_WRONLY | O_NOCTTY);
    if (fd < 0)
        return Failed(TSaveFailure::Write);
    bool written = false;
    errno = 0;
    try {
        written = pieces([&](const QByteArray& piece) { return WriteAll(fd, name, piece); });
    } catch (...) {
        errno = ENOMEM;
    }
    if (!written && errno == 0)
        errno = EIO;
    int error = errno;
    if (!standardOutput && !CloseFd(fd, name) && written) {
        written = false;
        error = errno;
    }
    errno = error;
    return written ? TSaveResult{} : Failed(TSaveFailure::Write);
}

// The file a symbolic link names at the end of its chain, which need not exist yet; empty for a loop.
QString LinkTarget(const QString& link) {
    QString path = link;
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(path);
        if (!info.isSymLink())
            return path;
        path = info.symLinkTarget();
    }
    errno = ELOOP;
    return QString();
}

} // namespace

TSaveResult SaveFile(const QString& name, const TPieces& pieces, const QString& temp, const QString& backup) {
    if (name == QStringLiteral("-"))
        return WriteStraight(name, pieces);
    struct stat st {};
    if (::stat(Native(name).constData(), &st) == 0) {
        if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode))
            return WriteStraight(name, pieces);
        if (!S_ISREG(st.st_mode)) {
            errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
            return Failed(TSaveFailure::NotRegular);
        }
    }
    struct stat link {};
    if (::lstat(Native(name).constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
        // The link stays and the file it names takes the new content, replaced as safely as any other.
        const QString target = LinkTarget(name);
        if (target.isEmpty())
            return Failed(TSaveFailure::CreateTemp);
        return SaveFile(target, pieces, FreshTempName(target), backup);
    }
    TSaveResult result;
    result.temp = temp;
    if (Exists(temp) && !Remove(temp))
        return Failed(TSaveFailure::RemoveTemp, result);
    struct stat old {};
    const int keepMode = ::stat(Native(name).constData(), &old) == 0 ? int(old.st_mode & 07777) : -1;
    switch (WriteNew(temp, pieces, keepMode)) {
    case TWritten::Done:
        break;
    case TWritten::NotCreated:
        return Failed(TSaveFailure::CreateTemp, result);
    case TWritten::Failed:
        return Failed(TSaveFailure::WriteTemp, result);
    }
    const bool hadFile = Exists(name);
    if (!backup.isEmpty() && hadFile) {
        if (Exists(backup) && !Remove(backup)) {
            const TSaveResult failed = Failed(TSaveFailure::RemoveBackup, result);
            ::unlink(Native(temp).constData());
            return failed;
        }
        result.backedUp = MakeBackup(name, backup);
        result.backupFailed = !result.backedUp;
    }
    // One rename replaces the old file: the name never goes missing, not even for a moment.
    if (!Rename(temp, name))
        return Failed(TSaveFailure::Replace, result);
    if (!SyncDirectory(name))
        return Failed(TSaveFailure::SyncDir, result);
    return result;
}

QString FreshTempName(const QString& name) {
    static constexpr char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (;;) {
        QString candidate = name + u'.';
        for (int i = 0; i < 6; ++i)
            candidate += QLatin1Char(Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))]);
        candidate += QStringLiteral(".tmp");
        if (!Exists(candidate))
            return candidate;
    }
}

TSaveResult CreateFile(const QString& name, const QByteArray& bytes) {
    switch (WriteNew(name, bytes)) {
    case TWritten::Done:
        break;
    case TWritten::NotCreated:
        return Failed(TSaveFailure::CreateTemp);
    case TWritten::Failed:
        return Failed(TSaveFailure::WriteTemp);
    }
    if (!SyncDirectory(name))
        return Failed(TSaveFailure::SyncDir);
    return {};
}

QString ErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString ErrorText(const TSaveResult& result) {
    if (result.failure == TSaveFailure::NotRegular)
        return QStringLiteral("по этому имени не обычный файл, а ") +
               (result.error == EISDIR ? QStringLiteral("каталог") : QStringLiteral("сокет или блочное устройство"));
    return ErrorText(result.error);
}

QString FailureText(const QString& name, const TSaveResult& result, const QString& left) {
    if (result.failure == TSaveFailure::SyncDir)
        return QStringLiteral("Файл ") + name +
               QStringLiteral(" записан, но изменения каталога не сохранены на диске: ") + ErrorText(result);
    QString text = QStringLiteral("Ошибка записи файла ") + name + QStringLiteral(": ") + ErrorText(result);
    if (result.failure == TSaveFailure::Replace)
        text += QLatin1Char('\n') + left + QLatin1Char(' ') + result.temp;
    return text;
}

} // namespace fileio
