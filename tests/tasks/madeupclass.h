#pragma once

#include "filetestutil.h"
#include "platform/codepage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

// A class of five students on a book of two shipped tasks (inversion, erase), in a folder of the caller's:
//   Аня          both right
//   Борис        inversion wrong, erase not there
//   Вера         inversion loops, erase wrong
//   Глеб         no "задачи" at all
//   Дима; <Ко> & "сын"  inversion a file that is no machine, erase a machine without the words' symbols
// and a hidden folder that is no student. The book is DIR/книга, the class DIR/класс.
struct TMadeUpClass {
    QString bookDir;
    QString classDir;

    static QString Here(const QString& relative) {
        return QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().absoluteFilePath(relative);
    }

    explicit TMadeUpClass(const QString& dir) {
        bookDir = dir + QStringLiteral("/книга");
        classDir = dir + QStringLiteral("/класс");
        QDir().mkpath(bookDir);
        for (const char* id : {"inversion", "erase"})
            for (const char* ext : {".task", ".tests"}) {
                const QString name = QString::fromLatin1(id) + QLatin1String(ext);
                QFile::copy(Here(QStringLiteral("../../data/tasks/") + name), bookDir + QLatin1Char('/') + name);
            }
        Put(QStringLiteral("Аня"), QStringLiteral("inversion"), ReadAll(Here(QStringLiteral("inversion.qtm"))));
        Put(QStringLiteral("Аня"), QStringLiteral("erase"), ReadAll(Here(QStringLiteral("erase.2.qtm"))));
        Put(QStringLiteral("Борис"), QStringLiteral("inversion"), ReadAll(Here(QStringLiteral("inversion.wrong.qtm"))));
        Put(QStringLiteral("Вера"), QStringLiteral("inversion"),
            Machine("01", "q0                0 q0                0 Вправо\r\n"
                          "[COMM] q0                1 q0                1 Влево"));
        Put(QStringLiteral("Вера"), QStringLiteral("erase"), ReadAll(Here(QStringLiteral("erase.wrong.qtm"))));
        QDir().mkpath(classDir + QStringLiteral("/Глеб"));
        const QString dima = QStringLiteral("Дима; <Ко> & \"сын\"");
        Put(dima, QStringLiteral("inversion"), "это не машина\r\n");
        Put(dima, QStringLiteral("erase"), Machine("xy", "q0                x q0                y Вправо"));
        QDir().mkpath(classDir + QStringLiteral("/.git"));
    }

    static QByteArray Machine(const char* alphabet, const char* commands) {
        return codepage::Encode(QStringLiteral("[ABCD] ") + QLatin1String(alphabet) +
                                QStringLiteral("\r\n[WORD] \r\n[BEGS] q0\r\n[STAT] q0\r\n[COMM] ") +
                                QString::fromUtf8(commands) + QStringLiteral("\r\n"));
    }

    void Put(const QString& student, const QString& id, const QByteArray& bytes) const {
        const QString dir = classDir + QLatin1Char('/') + student + QStringLiteral("/задачи/книга");
        QDir().mkpath(dir);
        WriteAll(dir + QLatin1Char('/') + id + QStringLiteral(".qtm"), bytes);
    }
};
