#include "platform/hashing.h"
#include "cli/runnercli.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTextStream>
#include <QTranslator>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    UseFastStringHashing();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qtm-run"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QTM_VERSION));
    // The option parser's own texts (usage, its errors) in the program's language.
    QTranslator translator;
    if (translator.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&translator);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return RunBatch(QCoreApplication::arguments(), out, err, isatty(STDERR_FILENO) != 0);
}
