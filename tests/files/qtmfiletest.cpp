#include "filetestsupport.h"
#include "usertexts.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

const QString CloseCaption = QStringLiteral("Закрытие файла");
const QString SaveCaption = QStringLiteral("Сохранение файла");
const QString OpenCaption = QStringLiteral("Открытие файла");

TMessage ErrorBox(const QString& caption, const QString& text) {
    return TMessage{caption, text, TIcon::Stop, ButtonsOk, TAnswer::Ok, false};
}

QString SaveQuestion(const QString& path) {
    return QStringLiteral("Файл '") + path + QStringLiteral("' был изменен.\nХотите сохранить внесенные изменения?");
}

// Makes a file immutable for the length of a test.
class TImmutable {
public:
    explicit TImmutable(const QString& path) : path_(QFile::encodeName(path)) {}
    ~TImmutable() {
        if (set_)
            Change(false);
    }
    bool Set() { return set_ = Change(true); }

private:
    bool Change(bool on) {
        const int fd = ::open(path_.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        int flags = 0;
        bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        ::close(fd);
        return ok;
    }

    QByteArray path_;
    bool set_ = false;
};

// Runs a test in a directory and comes back to the previous one.
class TCurrentDir {
public:
    explicit TCurrentDir(const QString& dir) : old_(QDir::currentPath()) { QDir::setCurrent(dir); }
    ~TCurrentDir() { QDir::setCurrent(old_); }

private:
    QString old_;
};

} // namespace

class QtmFile : public MachineFileTest {
protected:
    QtmFile() {
        closeFile = false;
        normalLoad = false;
        file.isModified = [this] { return modified; };
        file.saveFileAs = [this] {
            ++saveAsCalls;
            return saveAsResult && file.SaveTo(saveAsName);
        };
        file.showLoadReport = [this](const TLoadReport& report) { reports.append(report); };
    }

    QString Path(const QString& name) const { return paths::Join(temp.path(), name); }

    // An existing file holding the inversion machine, opened as the current file.
    QString OpenInversion(const QString& name = QStringLiteral("one.qtm")) {
        const QString path = Path(name);
        EXPECT_TRUE(WriteBytes(path, InversionFile));
        EXPECT_TRUE(file.Open(path));
        EXPECT_EQ(file.FilePath(), path);
        EXPECT_TRUE(file.IsOpen());
        return path;
    }

    // Changes the loaded machine, as an edit would.
    void Edit() {
        machine.AddState(QStringLiteral("q7"));
        modified = true;
    }

    QByteArray EditedBytes() const { return Written(); }

    QTemporaryDir temp;
    QString& dir = settings.Dir;
    bool& closeFile = settings.CloseFile;
    bool& normalLoad = settings.NormalLoad;
    bool modified = false;
    bool saveAsResult = true;
    QString saveAsName;
    int saveAsCalls = 0;
    QList<TLoadReport> reports;
    TQtmFile file{machine, breakPoints, prompts, settings};
};

TEST_F(QtmFile, OpensAndLoadsAnExistingFile) {
    const QString path = OpenInversion();
    EXPECT_FALSE(file.IsNew());
    EXPECT_EQ(machine.Word(), QStringLiteral("0110"));
    EXPECT_EQ(breakPoints.Count(), 2);
    EXPECT_EQ(dir, temp.path());
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

TEST_F(QtmFile, LoadReportIsShownForFaultsOrWhenAlwaysWanted) {
    normalLoad = true;
    OpenInversion();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_FALSE(reports[0].ErrorsFound());
    EXPECT_EQ(reports[0].FileName(), Path(QStringLiteral("one.qtm")));
    EXPECT_EQ(reports[0].FirstLine(), QStringLiteral("Файл"));
    EXPECT_EQ(reports[0].LastLine(), QStringLiteral("загружен успешно"));

    file.Reset();
    machine.Clear();
    breakPoints.ClearBreakPoints();
    normalLoad = false;
    const QString bad = Path(QStringLiteral("bad.qtm"));
    ASSERT_TRUE(WriteBytes(bad, InversionFile + QByteArray(600, 'z') + "\r\n"));
    ASSERT_TRUE(file.Open(bad));
    ASSERT_EQ(reports.size(), 2);
    EXPECT_EQ(reports[1].Errors(), (QList<TLoadError>{{11, usertext::LineTooLong}, {12, usertext::LineUnknown}}));
    // The good lines are loaded all the same.
    EXPECT_EQ(machine.Commands().size(), 3);
}

TEST_F(QtmFile, MissingNameBecomesANewFileWithoutTouchingTheDisk) {
    normalLoad = true;
    const QString path = Path(QStringLiteral("sub/fresh.qtm"));
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("sub"))));
    file.SetFileName(QStringLiteral("  ") + paths::ChangeFileExt(path, QString()) + QStringLiteral(" "));
    EXPECT_EQ(file.FilePath(), path);
    EXPECT_TRUE(file.IsNew());
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_EQ(dir, Path(QStringLiteral("sub")));
    EXPECT_TRUE(file.ReadMachine() == false);
}

TEST_F(QtmFile, TheCurrentNameDoesNothing) {
    const QString path = OpenInversion();
    closeFile = true;
    file.SetFileName(path);
    EXPECT_TRUE(file.Open(paths::ChangeFileExt(path, QString())));
    EXPECT_TRUE(prompts.boxes.isEmpty());
    EXPECT_EQ(machine.Commands().size(), 3);
}

TEST_F(QtmFile, ClosingAnUnchangedFileAsksOnlyWhenWanted) {
    const QString path = OpenInversion();
    file.SetFileName(QString());
    EXPECT_TRUE(file.FilePath().isEmpty());
    EXPECT_TRUE(prompts.boxes.isEmpty());

    machine.Clear();
    breakPoints.ClearBreakPoints();
    ASSERT_TRUE(file.Open(path));
    closeFile = true;
    const TMessage question{CloseCaption,       QStringLiteral("Вы действительно хотите закрыть файл\n") + path,
                            TIcon::Exclamation, ButtonsOkCancel,
                            TAnswer::Ok,        false};
    prompts.Answer(TAnswer::Cancel);
    EXPECT_FALSE(file.QueryClose());
    EXPECT_EQ(file.FilePath(), path);
    EXPECT_TRUE(file.IsOpen());
    prompts.Answer(TAnswer::Ok);
    EXPECT_TRUE(file.QueryClose());
    EXPECT_TRUE(file.FilePath().isEmpty());
    EXPECT_EQ(prompts.boxes, (QList<TMessage>{question, question}));
}

TEST_F(QtmFile, SaveQuestionOnClosingAChangedFile) {
    const QString path = OpenInversion();
    Edit();
    const TMessage question{CloseCaption, SaveQuestion(path), TIcon::Question, ButtonsYesNoCancel, TAnswer::Yes, false};

    prompts.Answer(TAnswer::Cancel);
    EXPECT_FALSE(file.QueryClose());
    EXPECT_EQ(file.FilePath(), path);
    EXPECT_TRUE(file.IsOpen());

    prompts.Answer(TAnswer::No);
    EXPECT_TRUE(file.QueryClose());
    EXPECT_TRUE(file.FilePath().isEmpty());
    EXPECT_EQ(FileBytes(path), InversionFile);
    EXPECT_EQ(prompts.boxes, (QList<TMessage>{question, question}));

    ASSERT_TRUE(file.Open(path));
    prompts.Answer(TAnswer::Yes);
    EXPECT_TRUE(file.QueryClose());
    EXPECT_TRUE(file.FilePath().isEmpty());
    EXPECT_EQ(FileBytes(path), EditedBytes());
    EXPECT_EQ(FileBytes(paths::ChangeFileExt(path, QStringLiteral(".bak"))), InversionFile);
    EXPECT_EQ(saveAsCalls, 0);
}

TEST_F(QtmFile, NewFileGoesThroughSaveAs) {
    file.StartNew(Path(QStringLiteral("new.qtm")));
    // Empty and new: nothing to lose.
    EXPECT_TRUE(file.QueryClose());
    EXPECT_TRUE(prompts.boxes.isEmpty());

    file.StartNew(Path(QStringLiteral("new.qtm")));
    machine.AddState(QStringLiteral("q0"));
    // A new file counts as changed whatever the window says.
    modified = false;
    saveAsResult = false;
    prompts.Answer(TAnswer::Yes);
    EXPECT_FALSE(file.QueryClose());
    EXPECT_EQ(saveAsCalls, 1);
    EXPECT_TRUE(file.IsNew());

    saveAsResult = true;
    saveAsName = Path(QStringLiteral("chosen"));
    prompts.Answer(TAnswer::Yes);
    EXPECT_TRUE(file.QueryClose());
    EXPECT_EQ(saveAsCalls, 2);
    EXPECT_TRUE(file.FilePath().isEmpty());
    EXPECT_EQ(FileBytes(Path(QStringLiteral("chosen.qtm"))), QByteArray("[STAT] q0\r\n"));
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("new.qtm"))));
}

TEST_F(QtmFile, SavingOverAnExistingFileKeepsTheOldOneAsBackup) {
    const QString path = OpenInversion();
    const QString backup = Path(QStringLiteral("one.bak"));
    const QString tmp = Path(QStringLiteral("one.tmp"));
    ASSERT_TRUE(WriteBytes(backup, "older backup"));
    ASSERT_TRUE(WriteBytes(tmp, "stale temporary file"));
    Edit();
    ASSERT_TRUE(file.SaveTo(QString()));
    EXPECT_EQ(FileBytes(path), EditedBytes());
    EXPECT_EQ(FileBytes(backup), InversionFile);
    EXPECT_FALSE(QFileInfo::exists(tmp));
    EXPECT_EQ(file.FilePath(), path);
    EXPECT_TRUE(file.IsOpen());
    EXPECT_FALSE(file.IsNew());
    EXPECT_TRUE(prompts.boxes.isEmpty());

    // Saved again: the backup holds what the first save wrote.
    const QByteArray first = FileBytes(path);
    machine.AddState(QStringLiteral("q8"));
    ASSERT_TRUE(file.SaveTo(path));
    EXPECT_EQ(FileBytes(backup), first);
    EXPECT_EQ(FileBytes(path), Written());
}

TEST_F(QtmFile, NamesWithoutExtensionAndBareNames) {
    machine.AddState(QStringLiteral("q0"));
    ASSERT_TRUE(file.SaveTo(Path(QStringLiteral("two"))));
    EXPECT_EQ(file.FilePath(), Path(QStringLiteral("two.qtm")));
    EXPECT_EQ(FileBytes(Path(QStringLiteral("two.qtm"))), QByteArray("[STAT] q0\r\n"));

    // A bare name with no data directory goes into the working directory.
    QTemporaryDir work;
    {
        TCurrentDir cd(work.path());
        dir.clear();
        ASSERT_TRUE(file.SaveTo(QStringLiteral("bare")));
        EXPECT_EQ(QFileInfo(file.FilePath()).absoluteFilePath(), QDir(work.path()).absoluteFilePath("bare.qtm"));
        EXPECT_TRUE(QFileInfo(file.FilePath()).isAbsolute());
    }
    EXPECT_TRUE(QFileInfo::exists(paths::Join(work.path(), QStringLiteral("bare.qtm"))));

    // With a data directory it goes there, the directory made when missing.
    dir = Path(QStringLiteral("data/deeper"));
    ASSERT_TRUE(file.SaveTo(QStringLiteral("inside.qtm")));
    EXPECT_EQ(file.FilePath(), Path(QStringLiteral("data/deeper/inside.qtm")));
    EXPECT_EQ(dir, Path(QStringLiteral("data/deeper")));

    // A missing directory in the name is made too.
    ASSERT_TRUE(file.SaveTo(Path(QStringLiteral("made/for/it.qtm"))));
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("made/for/it.qtm"))).isFile());
}

TEST_F(QtmFile, BareNameOfAFileInTheDataDirectoryIsReplacedSafely) {
    dir = temp.path();
    ASSERT_TRUE(WriteBytes(Path(QStringLiteral("kept.qtm")), InversionFile));
    QTemporaryDir work;
    TCurrentDir cd(work.path());
    machine.AddState(QStringLiteral("q0"));
    ASSERT_TRUE(file.SaveTo(QStringLiteral("kept.qtm")));
    EXPECT_EQ(FileBytes(Path(QStringLiteral("kept.bak"))), InversionFile);
    EXPECT_EQ(FileBytes(Path(QStringLiteral("kept.qtm"))), QByteArray("[STAT] q0\r\n"));
}

TEST_F(QtmFile, HelperFilesNeverShareTheFilesOwnName) {
    const QList<std::pair<QString, QString>> cases{{QStringLiteral(".tmp"), QStringLiteral("self.bak")},
                                                   {QStringLiteral(".bak"), QStringLiteral("self.bak.bak")}};
    for (const auto& [ext, backup] : cases) {
        SCOPED_TRACE(ext.toStdString());
        const QString path = Path(QStringLiteral("self") + ext);
        ASSERT_TRUE(WriteBytes(path, InversionFile));
        ASSERT_TRUE(file.Open(path));
        Edit();
        ASSERT_TRUE(file.SaveTo(QString()));
        EXPECT_EQ(FileBytes(path), EditedBytes());
        EXPECT_EQ(FileBytes(Path(backup)), InversionFile);
        EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("self.tmp.tmp"))));
        file.Reset();
        machine.Clear();
        breakPoints.ClearBreakPoints();
    }
}

// A save that fails must say why and leave the current file as it was, still current and open.
struct TSaveFailure {
    const char* name;
    // Prepares the directory; returns the name to save under (empty: the current file).
    std::function<QString(const QString& dir)> prepare;
    std::function<QString(const QString& dir)> message;
};

class QtmFileSaveFailure : public QtmFile, public ::testing::WithParamInterface<TSaveFailure> {};

TEST_P(QtmFileSaveFailure, KeepsTheCurrentFile) {
    const QString path = OpenInversion();
    Edit();
    const QString target = GetParam().prepare(temp.path());
    prompts.Answer(TAnswer::Ok);
    EXPECT_FALSE(file.SaveTo(target));
    EXPECT_EQ(prompts.boxes, QList<TMessage>{ErrorBox(SaveCaption, GetParam().message(temp.path()))});
    EXPECT_EQ(file.FilePath(), path);
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(FileBytes(path), InversionFile);
}

QString In(const QString& dir, const char* name) {
    return paths::Join(dir, QLatin1String(name));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, QtmFileSaveFailure,
    ::testing::Values(TSaveFailure{"TemporaryCannotBeDeleted",
                                   [](const QString& d) {
                                       QDir().mkpath(In(d, "one.tmp/inside"));
                                       return QString();
                                   },
                                   [](const QString& d) {
                                       return QStringLiteral("Ошибка удаления временного файла\n") + In(d, "one.tmp");
                                   }},
                      TSaveFailure{"TemporaryCannotBeCreated",
                                   // The name fits the file system's limit; with ".tmp" instead of ".q" it does not.
                                   [](const QString& d) {
                                       const QString target = paths::Join(d, QString(253, u'n') + QStringLiteral(".q"));
                                       WriteBytes(target, "other file");
                                       return target;
                                   },
                                   [](const QString& d) {
                                       return QStringLiteral("Не удалось создать временный файл\n") +
                                              paths::Join(d, QString(253, u'n') + QStringLiteral(".tmp"));
                                   }},
                      TSaveFailure{"BackupCannotBeDeleted",
                                   [](const QString& d) {
                                       QDir().mkpath(In(d, "one.bak/inside"));
                                       return QString();
                                   },
                                   [](const QString& d) {
                                       return QStringLiteral("Ошибка удаления старого файла\n") + In(d, "one.bak");
                                   }},
                      TSaveFailure{"PathCannotBeMade",
                                   [](const QString& d) {
                                       WriteBytes(In(d, "plain"), "a file, not a directory");
                                       return In(d, "plain/sub/x.qtm");
                                   },
                                   [](const QString& d) {
                                       return QStringLiteral("Ошибка создания пути к файлу\n") +
                                              In(d, "plain/sub/x.qtm");
                                   }},
                      TSaveFailure{"DirectoryInPlaceOfTheFile",
                                   [](const QString& d) {
                                       QDir().mkpath(In(d, "taken.qtm"));
                                       return In(d, "taken.qtm");
                                   },
                                   [](const QString& d) {
                                       return QStringLiteral("Не могу создать файл\n") + In(d, "taken.qtm");
                                   }}),
    [](const ::testing::TestParamInfo<TSaveFailure>& param) { return std::string(param.param.name); });

TEST_F(QtmFile, DataDirectoryThatCannotBeMade) {
    ASSERT_TRUE(WriteBytes(Path(QStringLiteral("plain")), "a file"));
    dir = Path(QStringLiteral("plain/data"));
    machine.AddState(QStringLiteral("q0"));
    prompts.Answer(TAnswer::Ok);
    QTemporaryDir work;
    TCurrentDir cd(work.path());
    EXPECT_FALSE(file.SaveTo(QStringLiteral("x")));
    EXPECT_EQ(prompts.boxes, QList<TMessage>{ErrorBox(SaveCaption, QStringLiteral("Ошибка создания пути к файлу\n") +
                                                                       Path(QStringLiteral("plain/data/x.qtm")))});
    EXPECT_TRUE(file.FilePath().isEmpty());
}

TEST_F(QtmFile, SaveFailureOnClosingKeepsTheFile) {
    const QString path = OpenInversion();
    Edit();
    QDir().mkpath(Path(QStringLiteral("one.bak/inside")));
    prompts.Answer(TAnswer::Yes);
    prompts.Answer(TAnswer::Ok);
    prompts.Answer(TAnswer::Ok);
    EXPECT_FALSE(file.QueryClose());
    ASSERT_EQ(prompts.boxes.size(), 3);
    EXPECT_EQ(prompts.boxes[2], ErrorBox(CloseCaption, QStringLiteral("Ошибка сохранения файла\n") + path));
    EXPECT_EQ(file.FilePath(), path);
    EXPECT_TRUE(file.IsOpen());
}

TEST_F(QtmFile, ReadOnlyFileIsNotOpened) {
    normalLoad = true;
    const QString path = Path(QStringLiteral("locked.qtm"));
    ASSERT_TRUE(WriteBytes(path, InversionFile));
    // Tests run as root, whom permissions do not stop; an immutable file refuses root's writes too.
    TImmutable locked(path);
    if (!locked.Set())
        GTEST_SKIP() << "the file system cannot make a file immutable here";
    prompts.Answer(TAnswer::Ok);
    EXPECT_FALSE(file.Open(path));
    EXPECT_EQ(prompts.boxes, QList<TMessage>{ErrorBox(OpenCaption, QStringLiteral("Ошибка чтения файла\n") + path)});
    EXPECT_TRUE(file.FilePath().isEmpty());
    EXPECT_FALSE(file.IsOpen());
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_TRUE(machine.States().isEmpty());
}

TEST_F(QtmFile, OpeningAnotherFileClosesTheCurrentOneFirst) {
    const QString first = OpenInversion();
    Edit();
    const QString second = Path(QStringLiteral("second.qtm"));
    ASSERT_TRUE(WriteBytes(second, "[STAT] z\r\n"));
    prompts.Answer(TAnswer::Cancel);
    EXPECT_FALSE(file.Open(second));
    EXPECT_EQ(file.FilePath(), first);
    prompts.Answer(TAnswer::No);
    machine.Clear();
    breakPoints.ClearBreakPoints();
    EXPECT_TRUE(file.Open(second));
    EXPECT_EQ(file.FilePath(), second);
    EXPECT_EQ(StateList(), QStringList{QStringLiteral("z")});
}
