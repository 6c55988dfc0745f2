#pragma once

#include "files/loadreport.h"
#include "platform/fileio.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class QFile;
class QIODevice;
class TBreakPointList;
class TConfig;
class TMachine;
class TPrompts;

namespace qtmformat {

// The longest line the reader takes: bytes before the LF, CR bytes counted.
inline constexpr int MaxLineBytes = 500;
// Tag and separator in front of every value.
inline constexpr int ValueStart = 7;
// The longest value that still fits on one line with its CR LF; longer words are written over several lines.
inline constexpr int MaxValueBytes = MaxLineBytes - ValueStart - 1;
// A state name in a command line has 17 columns (the 18th must stay blank).
inline constexpr int MaxCommandStateLength = 17;
// The largest machine file read: far beyond any machine a person writes, small enough to load at once.
inline constexpr qint64 MaxFileBytes = 16 * 1024 * 1024;
inline const QString DefaultExt = QStringLiteral(".qtm");
inline const QString BackupExt = QStringLiteral(".bak");
inline const QString TempExt = QStringLiteral(".tmp");

} // namespace qtmformat

// The machine file's bytes for the machine and its breakpoints: Windows-1251, every line ended by CR LF.
QByteArray MachineFileBytes(const TMachine& machine, const TBreakPointList& breakPoints);

// Writes MachineFileBytes to the stream. False, with nothing written, when the stream is not open for
// writing; false also when the stream refuses the bytes.
bool WriteMachine(QIODevice& stream, const TMachine& machine, const TBreakPointList& breakPoints);

enum class TReadResult {
    NotOpen,  // the stream is not open for reading: nothing was read
    Complete, // read to its end; faulty lines are in the report
    Stopped,  // a read error: nothing was loaded
    TooLarge, // more than qtmformat::MaxFileBytes: nothing was loaded
};

// Reads the bytes of a machine file as ReadMachine reads a stream.
void ReadMachineBytes(const QByteArray& bytes, TMachine& machine, TBreakPointList& breakPoints, TLoadReport& report);

// Reads a machine file from its first byte, whole, and only then loads its good lines into the machine
// and the breakpoint list by the rules of the window's edits; never clears either. A faulty line
// contributes nothing and is recorded in the report (one fault per line, with its number).
TReadResult ReadMachine(QIODevice& stream, TMachine& machine, TBreakPointList& breakPoints, TLoadReport& report);

// The current machine file: opens and loads it, keeps it open for reading and writing while it is
// current, closes it only with the user's consent and saves through a temporary file, keeping the
// previous version as a backup. Every question and message goes through the prompts. The machine itself
// is the window's: this object only reads it when saving and fills it when loading. From the settings it
// reads CloseFile and NormalLoad and keeps Dir, the data directory, up to date.
class TQtmFile {
public:
    TQtmFile(TMachine& machine, TBreakPointList& breakPoints, TPrompts& prompts, TConfig& config);
    ~TQtmFile();
    TQtmFile(const TQtmFile&) = delete;
    TQtmFile& operator=(const TQtmFile&) = delete;

    // Provided by the main window.
    // Whether the machine has unsaved changes; unset, the machine counts as changed.
    std::function<bool()> isModified;
    // The window's Save as: asks for a name and saves; true on success. Unset, it fails.
    std::function<bool()> saveFileAs;
    // Shows the load report modally; called after a file was read when it holds faults or NormalLoad is on.
    std::function<void(const TLoadReport&)> showLoadReport;
    // Called after every successful save with the name saved under, whichever command saved: files kept
    // beside the machine are written with it. Their failure is their own; the machine's save stands.
    std::function<void(const QString& path)> machineSaved;

    // Empty when no file is current.
    const QString& FilePath() const { return filePath_; }
    // The current file has a name but does not exist on disk yet.
    bool IsNew() const { return isNew_; }
    // The current file is held open.
    bool IsOpen() const;

    // Opens, starts or closes (empty name) the current file; the caller reads FilePath() afterwards.
    void SetFileName(const QString& name);
    bool Open(const QString& name);
    bool StartNew(const QString& name);
    // True when no file is current afterwards; false when the user cancelled or saving failed.
    bool QueryClose();
    // Releases the file without asking.
    void Reset();
    // Saves under the name, or under FilePath() for an empty name; the saved file becomes current. On a
    // failure the file that was current stays current (and open) whenever it still exists.
    bool SaveTo(const QString& name);

    bool ReadMachine();
    bool WriteMachine(QIODevice& stream) const;

private:
    struct TCurrent {
        QString path;
        bool isNew = false;
        bool open = false;
    };

    bool OpenStream(const QString& path);
    bool MachineEmpty() const;
    void Error(const QString& caption, const QString& text);
    bool ReplaceFile(const QString& name);
    bool WriteNewFile(QString& name);
    void Restore(const TCurrent& current);
    void Load(const QByteArray& bytes);
    static QString ReadErrorText(fileio::TReadError error, const QString& path);
    static QString SyncDirText(const QString& name);

    TMachine& machine_;
    TBreakPointList& breakPoints_;
    TPrompts& prompts_;
    TConfig& config_;

    std::unique_ptr<QFile> fileStream_;
    QString filePath_;
    bool isNew_ = false;
};
