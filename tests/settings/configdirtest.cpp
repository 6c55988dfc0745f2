#include "settings/configdir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(нет файла)");
}

} // namespace

TEST(SettingsDirectory, BuildTreeKeepsItsFilesAndAnInstalledProgramUsesTheUsersFolder) {
    QTemporaryDir root;
    const QString bin = root.filePath(QStringLiteral("bin"));
    const QString user = root.filePath(QStringLiteral("home/.config/qtm"));
    Write(bin + QStringLiteral("/qtm.ini"), "[Run]\r\nRunSpeed=5\r\n");

    // A build tree or a portable copy: the files stay beside the program, nothing is copied.
    EXPECT_EQ(SettingsDirectory(bin, false, user), bin);
    EXPECT_FALSE(QFileInfo::exists(user));
    EXPECT_EQ(DataDirectory(bin), bin);

    // Installed: the default beside the program is copied once, as a file the user may write.
    QFile::setPermissions(bin + QStringLiteral("/qtm.ini"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    EXPECT_EQ(SettingsDirectory(bin, true, user), user);
    EXPECT_EQ(Read(user + QStringLiteral("/qtm.ini")), QByteArray("[Run]\r\nRunSpeed=5\r\n"));
    EXPECT_TRUE(QFileInfo(user + QStringLiteral("/qtm.ini")).isWritable());
    EXPECT_FALSE(QFileInfo::exists(user + QStringLiteral("/qtm.dsk")));

    // The user's own files are never replaced; a default in the data folder comes before one beside the program.
    Write(user + QStringLiteral("/qtm.ini"), "[Run]\r\nRunSpeed=7\r\n");
    Write(root.filePath(QStringLiteral("share/qtm/qtm.dsk")), "[MainForm]\r\nLeft=10\r\n");
    Write(bin + QStringLiteral("/qtm.dsk"), "[MainForm]\r\nLeft=20\r\n");
    EXPECT_EQ(DataDirectory(bin), root.filePath(QStringLiteral("share/qtm")));
    EXPECT_EQ(SettingsDirectory(bin, true, user), user);
    EXPECT_EQ(Read(user + QStringLiteral("/qtm.ini")), QByteArray("[Run]\r\nRunSpeed=7\r\n"));
    EXPECT_EQ(Read(user + QStringLiteral("/qtm.dsk")), QByteArray("[MainForm]\r\nLeft=10\r\n"));
}

TEST(SettingsDirectory, AProgramBesideItsDataFolderIsInstalledEvenWhereItMayWrite) {
    QTemporaryDir root;
    const QString bin = root.filePath(QStringLiteral("bin"));
    QDir().mkpath(bin);
    EXPECT_EQ(SettingsDirectory(bin), bin);
    QDir().mkpath(root.filePath(QStringLiteral("share/qtm")));
    QStandardPaths::setTestModeEnabled(true);
    EXPECT_EQ(SettingsDirectory(bin), QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    QStandardPaths::setTestModeEnabled(false);
}
