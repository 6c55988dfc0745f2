#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Every file the program reads or saves goes through these few calls on the operating system's own file
// operations, so that each failure (a full disk, an I/O error) is seen and reported, and so that tests
// can make any single step fail.
namespace fileio {

enum class TStep { Open, Read, Write, Sync, Close, Rename, Remove, SyncDir };

// Called before each step with the path it works on (the target of a rename); a non-zero errno value
// makes the step fail with that error. Unset in the program.
using TFaultHook = std::function<int(TStep step, const QString& path)>;
void SetFaultHook(TFaultHook hook);

enum class TReadError {
    None,
    Missing,    // nothing under the name
    NotRegular, // a directory, a FIFO, a device...
    TooLarge,   // larger than the limit: refused before reading
    Open,       // could not be opened
    Read,       // a read failed
};

// Reads a whole regular file of at most limit bytes. A FIFO or a device is refused without blocking.
TReadError ReadFile(const QString& path, qint64 limit, QByteArray& bytes);
// The same for a file already open on fd (read from its first byte).
TReadError ReadOpenFile(int fd, const QString& path, qint64 limit, QByteArray& bytes);

// The step of a save that failed.
enum class TSaveFailure {
    None,
    RemoveTemp,   // a temporary file of an earlier save could not be removed
    CreateTemp,   // the temporary file could not be created
    WriteTemp,    // writing, syncing or closing the temporary file failed; it is removed
    RemoveBackup, // the old backup could not be removed
    Replace,      // the temporary file could not take the file's name; it stays with the new content
    SyncDir,      // the new file is in place, but the directory could not be synced
    NotRegular,   // a directory, a socket or a block device is at the name: nothing is written
    Write,        // writing straight to a FIFO, a character device or standard output failed
};

struct TSaveResult {
    TSaveFailure failure = TSaveFailure::None;
    // The previous file was kept under the backup name (false also when there was no previous file).
    bool backedUp = false;
    // The previous file existed but could not be renamed to the backup name; the save went on without one.
    bool backupFailed = false;
    int error = 0; // errno of the failed step
    // The temporary file the save used: the one given, or one beside the file a symbolic link names.
    QString temp;
    bool ok() const { return failure == TSaveFailure::None; }
};

// Saves bytes under name through a temporary file beside it: the temporary file is written and synced,
// the existing file becomes the backup (when a backup name is given), and the temporary file takes the
// name in one rename; then the directory is synced. Whatever step fails, one complete version stays
// under the name (or, after a failed final rename, the new one under the temporary name and the old one
// under the backup name) and no temporary file is left behind except in that case.
// What is at the name decides the way: a symbolic link is followed to the file it names (which is saved so,
// its temporary file beside it), a FIFO, a character device and "-" (standard output) are written straight,
// and anything else that is not a regular file is refused.
TSaveResult SaveFile(const QString& name, const QByteArray& bytes, const QString& temp, const QString& backup);

// A name beside `name` that no file has yet ("name.XXXXXX.tmp", six random letters or digits), for a save's
// temporary file: a fixed name such as "name.tmp" could be a user's own file, which the save would remove.
QString FreshTempName(const QString& name);
// The content of a save made while it is written: each call hands the next piece to write, which writes it
// and answers whether it could; false when the content cannot be made (or a write failed).
using TPieces = std::function<bool(const std::function<bool(const QByteArray& piece)>& write)>;
// The same save with the content made piece by piece, so that it never has to be in memory whole.
TSaveResult SaveFile(const QString& name, const TPieces& pieces, const QString& temp, const QString& backup);

// Writes a file that must not exist yet (never following a link put there); a partial file is removed.
TSaveResult CreateFile(const QString& name, const QByteArray& bytes);

// The text of an errno value for messages.
QString ErrorText(int error);
// Why a save failed, for messages: the system's reason, or that the name holds no regular file.
QString ErrorText(const TSaveResult& result);
// The message of a failed save of name: "Ошибка записи файла NAME: reason", with the file left after a failed
// final rename ("\n" + left + " " + the temporary file, left as "Диаграмма осталась в файле"); after a failed
// directory sync, that the file is written.
QString FailureText(const QString& name, const TSaveResult& result, const QString& left);

} // namespace fileio
