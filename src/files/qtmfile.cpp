#include "files/qtmfile.h"

#include "breakpoints/breakpoint.h"
#include "machine/command.h"
#include "machine/machine.h"
#include "platform/codepage.h"
#include "platform/fileio.h"
#include "platform/paths.h"
#include "platform/prompts.h"
#include "settings/config.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSet>

#include <array>
#include <exception>
#include <memory>
#include <vector>

namespace {

const QString TagAlphabet = QStringLiteral("[ABCD]");
const QString TagWord = QStringLiteral("[WORD]");
const QString TagInitialState = QStringLiteral("[BEGS]");
const QString TagState = QStringLiteral("[STAT]");
const QString TagCommand = QStringLiteral("[COMM]");
const QString TagBreakPoint = QStringLiteral("[BREK]");
// Written in a breakpoint's symbol field when it has no symbol.
const QString NoSymbol = QStringLiteral("\\0");

const QString OpenCaption = QStringLiteral("Открытие файла");
const QString CloseCaption = QStringLiteral("Закрытие файла");
const QString SaveCaption = QStringLiteral("Сохранение файла");

// ---- Writing ----------------------------------------------------------------------------------------------

QString Pad(const QString& text, int width) {
    return text.size() >= width ? text : text + QString(width - text.size(), QLatin1Char(' '));
}

void AppendLine(QString& out, const QString& tag, const QString& value) {
    out += tag;
    out += QLatin1Char(' ');
    out += value;
    out += QStringLiteral("\r\n");
}

// A text too long for one line goes over several lines of the same tag, which the reader joins.
void AppendJoinedLines(QString& out, const QString& tag, const QString& text) {
    for (qsizetype i = 0; i < text.size(); i += qtmformat::MaxValueBytes)
        AppendLine(out, tag, text.mid(i, qtmformat::MaxValueBytes));
}

// ---- Reading ----------------------------------------------------------------------------------------------

bool IsBlank(QChar c) {
    return c.unicode() <= 32;
}

QString LeftTrim(const QString& text) {
    qsizetype start = 0;
    while (start < text.size() && IsBlank(text[start]))
        ++start;
    return text.mid(start);
}

bool ParseInt(const QString& text, int& value) {
    bool ok = false;
    value = TrimText(text).toInt(&ok, 10);
    return ok;
}

// Feeds the lines of one file into the machine. States and commands are gathered with indexes of their
// own and handed over once at the end, with the checks run once: loading stays linear in the file's size.
class TLoader {
public:
    TLoader(TMachine& machine, TBreakPointList& breakPoints, TLoadReport& report)
        : machine_(machine), breakPoints_(breakPoints), report_(report) {
        for (const TStateItem& state : machine.States())
            knownStates_.insert(state.name.toCaseFolded());
        for (const TCommandRow& row : machine.Commands())
            knownCommands_.insert(CommandKey(row));
    }

    void Apply(int lineNumber, const QByteArray& bytes) {
        const QString line = LeftTrim(codepage::Decode(bytes));
        if (line.size() < 6) {
            report_.AddError(lineNumber, loadmessages::LineTooShort);
            return;
        }
        const QString tag = TrimText(line.left(6));
        // The seventh character separates tag and value, whatever it is.
        const QString value = line.mid(qtmformat::ValueStart);
        if (tag == TagAlphabet) {
            alphabet_ += value;
            hasAlphabet_ = true;
        } else if (tag == TagWord) {
            word_ += value;
            hasWord_ = true;
            // A word with a blank is refused, and so is every longer one: the word stays as it was. Only the
            // new line is looked at, and the accepted word is a length, not a copy: a word of many lines loads
            // in linear time.
            if (!wordHasBlank_) {
                wordHasBlank_ = value.contains(BlankSymbol);
                if (!wordHasBlank_)
                    acceptedWordLength_ = word_.size();
            }
        } else if (tag == TagInitialState) {
            ApplyInitialState(lineNumber, TrimText(value));
        } else if (tag == TagState) {
            ApplyState(lineNumber, TrimText(value));
        } else if (tag == TagCommand) {
            ApplyCommand(lineNumber, TrimText(value));
        } else if (tag == TagBreakPoint) {
            ApplyBreakPoint(lineNumber, LeftTrim(value));
        } else {
            report_.AddError(lineNumber, loadmessages::LineUnknown);
        }
    }

    // Hands everything over. The initial state comes last, so that the states keep the order of their own
    // lines and one spelt in other letter case names the state listed, not a new one.
    void Finish() {
        for (const QString& name : initialStates_)
            AddState(name);
        machine_.AppendLoaded(states_, commands_);
        if (hasAlphabet_)
            machine_.SetAlphabetText(alphabet_);
        if (hasWord_) {
            machine_.SetWordText(word_.left(acceptedWordLength_));
            if (acceptedWordLength_ != word_.size())
                machine_.SetWordText(word_);
        }
        if (!initialStates_.isEmpty())
            machine_.SetInitialState(initialStates_.last());
        breakPoints_.AddBreakPoints(std::move(breakPointList_));
        breakPointList_.clear();
    }

private:
    static QString CommandKey(const TCommandRow& row) {
        // The fields cannot hold a line break: it separates them unambiguously.
        return row.sourceState + u'\n' + row.sourceSymbol + u'\n' + row.newState + u'\n' + row.newSymbol + u'\n' +
               row.move;
    }

    void AddState(const QString& name) {
        if (!name.isEmpty() && !knownStates_.contains(name.toCaseFolded())) {
            knownStates_.insert(name.toCaseFolded());
            states_.append(name);
        }
    }

    // A text the writer could not write back on one line is refused now rather than lost at the next save.
    bool Fits(int lineNumber, qsizetype size) {
        if (size <= qtmformat::MaxValueBytes)
            return true;
        report_.AddError(lineNumber, loadmessages::LineTooLong);
        return false;
    }

    void ApplyInitialState(int lineNumber, const QString& name) {
        if (Fits(lineNumber, name.size()))
            initialStates_.append(name);
    }

    void ApplyState(int lineNumber, const QString& name) {
        if (Fits(lineNumber, name.size()))
            AddState(name);
    }

    void ApplyCommand(int lineNumber, const QString& value) {
        if (value.size() < 41) {
            report_.AddError(lineNumber, loadmessages::CommandTooShort);
            return;
        }
        // Columns 18, 20 and 40 are blank in every well-formed line; anything there means a state name ran
        // into the next field, and the columns would give a command nobody wrote.
        if (!IsBlank(value[17]) || !IsBlank(value[19]) || !IsBlank(value[39])) {
            report_.AddError(lineNumber, loadmessages::CommandStateTooLong);
            return;
        }
        const TCommandRow row{TrimText(value.mid(0, 17)), value.mid(18, 1),        TrimText(value.mid(20, 18)),
                              value.mid(38, 1),           TrimText(value.mid(40)), 0};
        // The writer pads both states and symbols to 40 columns in front of the move.
        if (!Fits(lineNumber, 40 + row.move.size()))
            return;
        const QString key = CommandKey(row);
        if (knownCommands_.contains(key))
            return;
        knownCommands_.insert(key);
        commands_.append(row);
    }

    void ApplyBreakPoint(int lineNumber, const QString& value) {
        if (value.size() < 11) {
            report_.AddError(lineNumber, loadmessages::BreakPointTooShort);
            return;
        }
        int enabled = 0;
        if (!ParseInt(value.mid(0, 2), enabled)) {
            report_.AddError(lineNumber, loadmessages::BreakPointEnabledBad);
            return;
        }
        int passes = 0;
        if (!ParseInt(value.mid(2, 6), passes)) {
            report_.AddError(lineNumber, loadmessages::BreakPointPassesBad);
            return;
        }
        const QString symbol = value.mid(8, 2) == NoSymbol ? QString() : value.mid(8, 1);
        auto point = std::make_unique<TBreakPoint>(enabled != 0, passes, value.mid(10), symbol);
        // Written from column 12, after a symbol field of three columns.
        if (!Fits(lineNumber, 11 + point->State.size()))
            return;
        breakPointList_.push_back(std::move(point));
    }

    TMachine& machine_;
    TBreakPointList& breakPoints_;
    TLoadReport& report_;
    // Several lines of these tags join into one text.
    QString alphabet_;
    QString word_;
    qsizetype acceptedWordLength_ = 0;
    bool wordHasBlank_ = false;
    bool hasAlphabet_ = false;
    bool hasWord_ = false;
    QStringList initialStates_;
    QStringList states_;
    QSet<QString> knownStates_;
    QList<TCommandRow> commands_;
    QSet<QString> knownCommands_;
    std::vector<std::unique_ptr<TBreakPoint>> breakPointList_;
};

// ---- Files ------------------------------------------------------------------------------------------------

bool IsFile(const QString& path) {
    return QFileInfo(path).isFile();
}

QString WithDefaultExt(const QString& name) {
    return paths::FileExt(name).isEmpty() ? name + qtmformat::DefaultExt : name;
}

// The name of a helper file beside `name`; a file that already carries the helper's extension gets it
// once more, so the helper never is the file itself.
QString HelperName(const QString& name, const QString& ext) {
    const QString helper = paths::ChangeFileExt(name, ext);
    return helper == name ? name + ext : helper;
}

bool MakePath(const QString& dir) {
    return QFileInfo(dir).isDir() || QDir().mkpath(dir);
}

} // namespace

// ---- Writer and reader ------------------------------------------------------------------------------------

QByteArray MachineFileBytes(const TMachine& machine, const TBreakPointList& breakPoints) {
    QString out;
    AppendJoinedLines(out, TagAlphabet, machine.Alphabet());
    AppendJoinedLines(out, TagWord, machine.Word());
    if (!TrimText(machine.InitialStateText()).isEmpty())
        AppendLine(out, TagInitialState, machine.InitialStateText());
    for (const TStateItem& state : machine.States())
        AppendLine(out, TagState, state.name);
    for (const TCommandRow& row : machine.Commands())
        AppendLine(out, TagCommand,
                   Pad(row.sourceState, 18) + Pad(row.sourceSymbol, 2) + Pad(row.newState, 18) + Pad(row.newSymbol, 2) +
                       row.move);
    for (int i = 0; i < breakPoints.Count(); ++i) {
        const TBreakPoint& point = breakPoints.At(i);
        AppendLine(out, TagBreakPoint,
                   Pad(point.Enabled ? QStringLiteral("1") : QStringLiteral("0"), 2) +
                       Pad(QString::number(point.Passes), 6) +
                       Pad(point.Symbol.isEmpty() ? NoSymbol : point.Symbol, 3) + point.State);
    }
    return codepage::Encode(out);
}

bool WriteMachine(QIODevice& stream, const TMachine& machine, const TBreakPointList& breakPoints) {
    if (!stream.isOpen() || !stream.isWritable())
        return false;
    const QByteArray bytes = MachineFileBytes(machine, breakPoints);
    return stream.write(bytes) == bytes.size();
}

void ReadMachineBytes(const QByteArray& bytes, TMachine& machine, TBreakPointList& breakPoints, TLoadReport& report) {
    TLoader loader(machine, breakPoints, report);
    const char* const data = bytes.constData();
    const qsizetype size = bytes.size();
    QByteArray line;
    line.reserve(qtmformat::MaxLineBytes);
    qsizetype next = 0;
    for (int lineNumber = 1;; ++lineNumber) {
        line.clear();
        int counted = 0;
        bool tooLong = false;
        bool ended = false;
        while (next < size) {
            const char byte = data[next++];
            if (byte == '\n') {
                ended = true;
                break;
            }
            if (byte != '\r')
                line.append(byte);
            // The rest of an over-long line is read as further lines, each with its own number.
            if (++counted > qtmformat::MaxLineBytes) {
                tooLong = true;
                break;
            }
        }
        // A last line without its LF is never read.
        if (!ended && !tooLong)
            break;
        if (tooLong)
            report.AddError(lineNumber, loadmessages::LineTooLong);
        else
            loader.Apply(lineNumber, line);
    }
    loader.Finish();
}

TReadResult ReadMachine(QIODevice& stream, TMachine& machine, TBreakPointList& breakPoints, TLoadReport& report) {
    if (!stream.isOpen() || !stream.isReadable())
        return TReadResult::NotOpen;
    try {
        if (!stream.isSequential() && !stream.seek(0))
            return TReadResult::Stopped;
        // Read whole before anything is loaded: a read error leaves the machine as it was.
        QByteArray bytes;
        std::array<char, 65536> buffer;
        for (;;) {
            const qint64 n = stream.read(buffer.data(), qint64(buffer.size()));
            if (n < 0)
                return TReadResult::Stopped;
            if (n == 0)
                break;
            if (bytes.size() + n > qtmformat::MaxFileBytes)
                return TReadResult::TooLarge;
            bytes.append(buffer.data(), n);
        }
        ReadMachineBytes(bytes, machine, breakPoints, report);
        return TReadResult::Complete;
    } catch (const std::exception&) {
        return TReadResult::Stopped;
    }
}

// ---- The file object --------------------------------------------------------------------------------------

TQtmFile::TQtmFile(TMachine& machine, TBreakPointList& breakPoints, TPrompts& prompts, TConfig& config)
    : machine_(machine), breakPoints_(breakPoints), prompts_(prompts), config_(config) {}

TQtmFile::~TQtmFile() {
    Reset();
}

bool TQtmFile::IsOpen() const {
    return fileStream_ && fileStream_->isOpen();
}

void TQtmFile::Reset() {
    fileStream_.reset();
    filePath_.clear();
    isNew_ = false;
}

void TQtmFile::Error(const QString& caption, const QString& text) {
    prompts_.Message(caption, text, TIcon::Stop);
}

bool TQtmFile::MachineEmpty() const {
    return machine_.Alphabet().isEmpty() && machine_.Word().isEmpty() && machine_.GetInitialState().isEmpty() &&
           machine_.States().isEmpty() && machine_.Commands().isEmpty() && breakPoints_.Count() == 0;
}

bool TQtmFile::OpenStream(const QString& path) {
    auto file = std::make_unique<QFile>(path);
    // Never creates the file: a name that vanished must not come back empty.
    const bool opened = file->open(QIODevice::ReadWrite | QIODevice::ExistingOnly);
    fileStream_ = std::move(file);
    return opened;
}

void TQtmFile::SetFileName(const QString& name) {
    try {
        const QString trimmed = TrimText(name);
        if (trimmed == filePath_)
            return;
        if (trimmed.isEmpty())
            QueryClose();
        else
            Open(trimmed);
    } catch (const std::exception&) {
        Reset();
    }
}

bool TQtmFile::Open(const QString& name) {
    try {
        QString n = TrimText(name);
        if (n.isEmpty())
            n = filePath_;
        if (n.isEmpty())
            return false;
        n = WithDefaultExt(n);
        if (n == filePath_ && IsOpen())
            return true;
        if (!QFileInfo(n).exists())
            return StartNew(n);
        // Read before the current file is given up: a file that cannot be read changes nothing.
        QByteArray bytes;
        const fileio::TReadError read = fileio::ReadFile(n, qtmformat::MaxFileBytes, bytes);
        if (read == fileio::TReadError::Missing)
            return StartNew(n);
        if (read != fileio::TReadError::None) {
            Error(OpenCaption, ReadErrorText(read, n));
            return false;
        }
        if (!QueryClose())
            return false;
        Reset();
        if (!OpenStream(n)) {
            const bool vanished = !IsFile(n);
            Reset();
            Error(OpenCaption,
                  (vanished ? QStringLiteral("Ошибка открытия файла\n") : QStringLiteral("Ошибка чтения файла\n")) + n);
            return false;
        }
        filePath_ = n;
        Load(bytes);
        config_.Dir = paths::FileDir(filePath_);
        return true;
    } catch (const std::exception&) {
        Reset();
        return false;
    }
}

bool TQtmFile::StartNew(const QString& name) {
    if (!QueryClose())
        return false;
    Reset();
    isNew_ = true;
    filePath_ = TrimText(name);
    const QString dir = TrimText(paths::FileDir(filePath_));
    if (!dir.isEmpty() && QFileInfo(dir).isDir())
        config_.Dir = dir;
    return true;
}

bool TQtmFile::QueryClose() {
    const QString path = filePath_;
    try {
        if (filePath_.isEmpty())
            return true;
        // A new file always counts as changed.
        const bool modified = isNew_ || !isModified || isModified();
        if ((isNew_ && MachineEmpty()) || !modified) {
            if (config_.CloseFile &&
                prompts_.Message(CloseCaption, QStringLiteral("Вы действительно хотите закрыть файл\n") + filePath_,
                                 TIcon::Exclamation, ButtonsOkCancel, TAnswer::Ok) != TAnswer::Ok)
                return false;
            Reset();
            return true;
        }
        const TAnswer answer =
            prompts_.Message(CloseCaption,
                             QStringLiteral("Файл '") + filePath_ +
                                 QStringLiteral("' был изменен.\nХотите сохранить внесенные изменения?"),
                             TIcon::Question, ButtonsYesNoCancel, TAnswer::Yes);
        if (answer == TAnswer::No) {
            Reset();
            return true;
        }
        if (answer != TAnswer::Yes)
            return false;
        if (isNew_) {
            if (!saveFileAs || !saveFileAs())
                return false;
        } else if (!SaveTo(QString())) {
            Error(CloseCaption, QStringLiteral("Ошибка сохранения файла\n") + path);
            return false;
        }
        Reset();
        return true;
    } catch (const std::exception&) {
        Error(CloseCaption, QStringLiteral("Ошибка закрытия файла\n") + path);
        return false;
    }
}

bool TQtmFile::ReadMachine() {
    if (!IsOpen())
        return false;
    if (isNew_)
        return true;
    QByteArray bytes;
    const fileio::TReadError read =
        fileio::ReadOpenFile(fileStream_->handle(), filePath_, qtmformat::MaxFileBytes, bytes);
    if (read != fileio::TReadError::None) {
        Error(OpenCaption, ReadErrorText(read, filePath_));
        return false;
    }
    Load(bytes);
    return true;
}

void TQtmFile::Load(const QByteArray& bytes) {
    TLoadReport report(filePath_);
    ReadMachineBytes(bytes, machine_, breakPoints_, report);
    if ((report.ErrorsFound() || config_.NormalLoad) && showLoadReport)
        showLoadReport(report);
}

QString TQtmFile::ReadErrorText(fileio::TReadError error, const QString& path) {
    switch (error) {
    case fileio::TReadError::TooLarge:
        return QStringLiteral("Файл слишком большой (больше 16 МБ)\n") + path;
    case fileio::TReadError::NotRegular:
    case fileio::TReadError::Missing:
    case fileio::TReadError::Open:
        return QStringLiteral("Ошибка открытия файла\n") + path;
    case fileio::TReadError::Read:
    case fileio::TReadError::None:
        break;
    }
    return QStringLiteral("Ошибка чтения файла\n") + path;
}

bool TQtmFile::WriteMachine(QIODevice& stream) const {
    return ::WriteMachine(stream, machine_, breakPoints_);
}

// ---- Saving -----------------------------------------------------------------------------------------------

bool TQtmFile::SaveTo(const QString& name) {
    const TCurrent before{filePath_, isNew_, IsOpen()};
    try {
        QString n = TrimText(name);
        if (n.isEmpty())
            n = TrimText(filePath_);
        if (n.isEmpty())
            return false;
        n = WithDefaultExt(n);
        const bool saved = IsFile(n) ? ReplaceFile(n) : WriteNewFile(n);
        if (!saved) {
            Restore(before);
            return false;
        }
        Reset();
        OpenStream(n);
        filePath_ = n;
        isNew_ = false;
        config_.Dir = paths::FileDir(n);
    } catch (const std::exception&) {
        Restore(before);
        return false;
    }
    if (machineSaved)
        machineSaved(filePath_);
    return true;
}

// Writes the machine into a temporary file beside the existing one, keeps the previous content as the
// backup and only then gives the temporary file the name. Whatever step fails, one complete version stays
// on the disk under a name the user is told.
bool TQtmFile::ReplaceFile(const QString& name) {
    if (paths::FileName(name).size() > 256) {
        Error(SaveCaption, QStringLiteral("Слишком динное имя файла\n") + name);
        return false;
    }
    const QString backup = HelperName(name, qtmformat::BackupExt);
    const QString temp = HelperName(name, qtmformat::TempExt);
    const fileio::TSaveResult result = fileio::SaveFile(name, MachineFileBytes(machine_, breakPoints_), temp, backup);
    switch (result.failure) {
    case fileio::TSaveFailure::None:
        break;
    case fileio::TSaveFailure::RemoveTemp:
        Error(SaveCaption, QStringLiteral("Ошибка удаления временного файла\n") + result.temp);
        return false;
    case fileio::TSaveFailure::CreateTemp:
        Error(SaveCaption, QStringLiteral("Не удалось создать временный файл\n") + result.temp);
        return false;
    case fileio::TSaveFailure::WriteTemp:
        Error(SaveCaption, QStringLiteral("Ошибка сохранения результатов во временный файл\n") + result.temp);
        return false;
    case fileio::TSaveFailure::RemoveBackup:
        Error(SaveCaption, QStringLiteral("Ошибка удаления старого файла\n") + backup);
        return false;
    case fileio::TSaveFailure::Replace:
        Error(SaveCaption, QStringLiteral("Ошибка сохранения файла\n") + name +
                               QStringLiteral("\nДанные сохранены в файле\n") + result.temp +
                               QStringLiteral("\nПопытайтесь переименовать файл вручную"));
        return false;
    case fileio::TSaveFailure::SyncDir:
        Error(SaveCaption, SyncDirText(name));
        return false;
    case fileio::TSaveFailure::NotRegular:
    case fileio::TSaveFailure::Write:
        Error(SaveCaption,
              QStringLiteral("Ошибка записи файла\n") + name + QStringLiteral("\n") + fileio::ErrorText(result));
        return false;
    }
    if (result.backupFailed)
        prompts_.Message(SaveCaption, QStringLiteral("Файл сохранен, но резервная копия не создана\n") + backup,
                         TIcon::Exclamation);
    return true;
}

// Writes a file that does not exist yet; a bare name goes into the data directory.
bool TQtmFile::WriteNewFile(QString& name) {
    const QString dir = TrimText(paths::FileDir(name));
    if (!dir.isEmpty()) {
        if (!MakePath(dir)) {
            Error(SaveCaption, QStringLiteral("Ошибка создания пути к файлу\n") + name);
            return false;
        }
    } else {
        const QString data = TrimText(config_.Dir);
        name = paths::Join(data.isEmpty() ? QDir::currentPath() : data, paths::FileName(name));
        if (!data.isEmpty() && !MakePath(data)) {
            Error(SaveCaption, QStringLiteral("Ошибка создания пути к файлу\n") + name);
            return false;
        }
        // The data directory may hold a file of that name: it is replaced as safely as any other.
        if (IsFile(name))
            return ReplaceFile(name);
    }
    // A partial file is removed: it did not exist before.
    const fileio::TSaveResult result = fileio::CreateFile(name, MachineFileBytes(machine_, breakPoints_));
    if (result.failure == fileio::TSaveFailure::SyncDir) {
        Error(SaveCaption, SyncDirText(name));
        return false;
    }
    if (!result.ok()) {
        Error(SaveCaption, QStringLiteral("Не могу создать файл\n") + name);
        return false;
    }
    return true;
}

QString TQtmFile::SyncDirText(const QString& name) {
    return QStringLiteral("Файл записан, но изменения каталога не сохранены на диске\n") + name;
}

// After a failed save the file that was current stays current, reopened when the save released it.
void TQtmFile::Restore(const TCurrent& current) {
    if (filePath_ == current.path && isNew_ == current.isNew && IsOpen() == current.open)
        return;
    Reset();
    filePath_ = current.path;
    isNew_ = current.isNew;
    if (current.open && !OpenStream(current.path))
        Reset();
}
