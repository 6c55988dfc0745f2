// Every step of a save made to fail in turn, for each kind of file the program saves: afterwards one
// complete version is on the disk, no temporary file is left that could trip a later save (except where
// the message names it), the user is told, and the next save works.

#include "faultinjection.h"
#include "filetestutil.h"
#include "filetestsupport.h"
#include "log/runlog.h"
#include "printers.h"

#include <QDir>
#include <QTemporaryDir>

#include <cerrno>

namespace {

using fileio::TStep;

enum class TOutcome {
    Old,         // the old file under its name, nothing else
    New,         // the new file under its name, the old one as the backup
    NewNoBackup, // the new file under its name and no backup
    NewInTemp,   // the old file under its name and as the backup, the new one under the temporary name the
                 // message gives
};

struct TRow {
    const char* name;
    std::initializer_list<TStep> steps;
    const char* suffix; // "name": the file's own extension; "": the directory
    TOutcome outcome;
    // The box, %1 the file, %2 the temporary file, %3 the backup; empty for none.
    const char* machineBox;
    const char* reportBox;
};

const TRow Rows[] = {
    {"OpenTemp",
     {TStep::Open},
     ".tmp",
     TOutcome::Old,
     "Не удалось создать временный файл\n%2",
     "Не могу создать файл\n%1"},
    {"WriteTemp",
     {TStep::Write},
     ".tmp",
     TOutcome::Old,
     "Ошибка сохранения результатов во временный файл\n%2",
     "Не могу создать файл\n%1"},
    {"SyncTemp",
     {TStep::Sync},
     ".tmp",
     TOutcome::Old,
     "Ошибка сохранения результатов во временный файл\n%2",
     "Не могу создать файл\n%1"},
    {"CloseTemp",
     {TStep::Close},
     ".tmp",
     TOutcome::Old,
     "Ошибка сохранения результатов во временный файл\n%2",
     "Не могу создать файл\n%1"},
    {"Backup",
     {TStep::Rename, TStep::Open},
     ".bak",
     TOutcome::NewNoBackup,
     "Файл сохранен, но резервная копия не создана\n%3",
     "Файл сохранен, но резервная копия не создана\n%3"},
    {"FinalRename",
     {TStep::Rename},
     "name",
     TOutcome::NewInTemp,
     "Ошибка сохранения файла\n%1\nДанные сохранены в файле\n%2\nПопытайтесь переименовать файл вручную",
     "Ошибка сохранения файла\n%1\nДанные сохранены в файле\n%2\nПопытайтесь переименовать файл вручную"},
    {"SyncDirectory",
     {TStep::SyncDir},
     "",
     TOutcome::New,
     "Файл записан, но изменения каталога не сохранены на диске\n%1",
     "Файл записан, но изменения каталога не сохранены на диске\n%1"},
};

struct TParam {
    const TRow* row;
    int error;
};

std::vector<TParam> Params() {
    std::vector<TParam> params;
    for (const TRow& row : Rows)
        for (int error : {EIO, ENOSPC})
            params.push_back({&row, error});
    return params;
}

std::string ParamName(const ::testing::TestParamInfo<TParam>& info) {
    return std::string(info.param.row->name) + (info.param.error == EIO ? "_EIO" : "_ENOSPC");
}

QStringList Entries(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

} // namespace

class SaveFault : public MachineFileTest, public ::testing::WithParamInterface<TParam> {
protected:
    SaveFault() { prompts.allowUnexpected = true; }

    QString Path(const QString& name) const { return paths::Join(dir.path(), name); }

    // Injects the row's fault, runs the save and checks the disk against the row's outcome. A temporary name
    // with "?" is a pattern: the save chose the name, and a later save leaves a file the user was told holds the
    // data where it is.
    void Check(const QString& name, QString temp, const QString& backup, const QByteArray& oldBytes,
               const QByteArray& newBytes, const std::function<bool()>& save, const char* box) {
        const TRow& row = *GetParam().row;
        const QString ext = QLatin1Char('.') + name.section(QLatin1Char('.'), -1);
        const QString suffix = QString::fromUtf8(row.suffix) == u"name" ? ext : QString::fromUtf8(row.suffix);
        bool saved = false;
        {
            TInjectedFault fault(row.steps, suffix, GetParam().error);
            saved = save();
            ASSERT_TRUE(fault.Fired());
        }
        const bool chosenTemp = temp.contains(u'?');
        if (chosenTemp)
            temp = QDir(dir.path()).entryList({temp}, QDir::Files).value(0);
        const bool newInPlace = row.outcome == TOutcome::New || row.outcome == TOutcome::NewNoBackup;
        EXPECT_EQ(saved, row.outcome == TOutcome::NewNoBackup);
        EXPECT_EQ(Text(ReadAll(Path(name))), Text(newInPlace ? newBytes : oldBytes));
        QStringList expected{name};
        if ((row.outcome == TOutcome::New || row.outcome == TOutcome::NewInTemp) && !backup.isEmpty()) {
            expected.append(backup);
            EXPECT_EQ(Text(ReadAll(Path(backup))), Text(oldBytes));
        }
        if (row.outcome == TOutcome::NewInTemp) {
            expected.append(temp);
            EXPECT_EQ(Text(ReadAll(Path(temp))), Text(newBytes));
        }
        expected.sort();
        EXPECT_EQ(Entries(dir.path()), expected);
        if (box) {
            const QString text = QString::fromUtf8(box)
                                     .replace(QStringLiteral("%1"), Path(name))
                                     .replace(QStringLiteral("%2"), Path(temp))
                                     .replace(QStringLiteral("%3"), Path(backup));
            const TIcon icon = row.outcome == TOutcome::NewNoBackup ? TIcon::Exclamation : TIcon::Stop;
            EXPECT_EQ(prompts.boxes, (QList<TMessage>{{QStringLiteral("Сохранение файла"), text, icon, ButtonsOk,
                                                       TAnswer::Ok, false}}));
        }

        // The program goes on: the next save works and leaves nothing behind.
        prompts.boxes.clear();
        ASSERT_TRUE(save());
        EXPECT_TRUE(prompts.boxes.isEmpty());
        EXPECT_EQ(Text(ReadAll(Path(name))), Text(newBytes));
        QStringList after{name};
        if (!backup.isEmpty())
            after.append(backup);
        if (chosenTemp && row.outcome == TOutcome::NewInTemp)
            after.append(temp);
        after.sort();
        EXPECT_EQ(Entries(dir.path()), after);
    }

    QTemporaryDir dir;
};

TEST_P(SaveFault, MachineFile) {
    const QString path = Path(QStringLiteral("one.qtm"));
    ASSERT_TRUE(WriteBytes(path, InversionFile));
    TQtmFile file(machine, breakPoints, prompts, settings);
    file.isModified = [] { return true; };
    ASSERT_TRUE(file.Open(path));
    machine.AddState(QStringLiteral("q7"));
    Check(
        QStringLiteral("one.qtm"), QStringLiteral("one.tmp"), QStringLiteral("one.bak"), InversionFile, Written(),
        [&] { return file.SaveTo(QString()); }, GetParam().row->machineBox);
    EXPECT_EQ(file.FilePath(), path);
    EXPECT_TRUE(file.IsOpen());
}

TEST_P(SaveFault, ReportFile) {
    settings.ViewLog = true;
    TRunLog log(settings);
    log.LogStep(0, QStringLiteral("q0"), QStringLiteral("a"), 0,
                std::make_unique<TFullWord>(TFullWord{QStringLiteral("#"), QStringLiteral("a"), QStringLiteral("#")}),
                QStringLiteral("q0(a)->q0(a)-Вправо"));
    const QString path = Path(QStringLiteral("r.log"));
    ASSERT_TRUE(WriteBytes(path, "old report"));
    Check(
        QStringLiteral("r.log"), QStringLiteral("r.log.??????.tmp"), QStringLiteral("r.bak"), "old report",
        log.ReportBytes(), [&] { return log.WriteReport(path, prompts); }, GetParam().row->reportBox);
}

TEST_P(SaveFault, SettingsFiles) {
    if (GetParam().row->outcome == TOutcome::NewNoBackup)
        GTEST_SKIP() << "settings files keep no backup";
    const QByteArray old = "; mine\r\n[Run]\r\nRunSpeed=5\r\n";
    // What a save without faults writes.
    QTemporaryDir twin;
    TConfig clean(twin.path());
    ASSERT_TRUE(WriteBytes(clean.settingsPath, old));
    ASSERT_TRUE(WriteBytes(clean.desktopPath, old));
    ASSERT_TRUE(clean.SaveSettings() && clean.SaveDesktop());

    TConfig config(dir.path());
    for (const QString& name : {QStringLiteral("qtm.ini"), QStringLiteral("qtm.dsk")}) {
        SCOPED_TRACE(name.toStdString());
        for (const QString& f : Entries(dir.path()))
            QFile::remove(Path(f));
        ASSERT_TRUE(WriteBytes(Path(name), old));
        const bool ini = name.endsWith(u".ini");
        const std::function<bool()> save = [&] { return ini ? config.SaveSettings() : config.SaveDesktop(); };
        // A temporary file the failed rename left is removed: nothing tells the user about it.
        const TRow& row = *GetParam().row;
        const QString ext = ini ? QStringLiteral(".ini") : QStringLiteral(".dsk");
        const QString suffix = QString::fromUtf8(row.suffix) == u"name" ? ext : QString::fromUtf8(row.suffix);
        {
            TInjectedFault fault(row.steps, suffix, GetParam().error);
            EXPECT_FALSE(save());
            ASSERT_TRUE(fault.Fired());
        }
        EXPECT_EQ(Text(ReadAll(Path(name))),
                  Text(row.outcome == TOutcome::New ? ReadAll(paths::Join(twin.path(), name)) : old));
        EXPECT_EQ(Entries(dir.path()), QStringList{name});
        ASSERT_TRUE(save());
        EXPECT_EQ(Text(ReadAll(Path(name))), Text(ReadAll(paths::Join(twin.path(), name))));
        EXPECT_EQ(Entries(dir.path()), QStringList{name});
    }
}

INSTANTIATE_TEST_SUITE_P(Steps, SaveFault, ::testing::ValuesIn(Params()), ParamName);
