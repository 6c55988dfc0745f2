#include "platform/hashing.h"
#include "platform/helpengine.h"
#include "platform/paths.h"
#include "platform/qtprompts.h"
#include "platform/usage.h"
#include "settings/configdir.h"
#include "window/accessibility.h"
#include "window/mainform.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTextStream>
#include <QTranslator>

#include <cstdio>

int main(int argc, char** argv) {
    UseFastStringHashing();
    // The options are read before QApplication exists: --help must answer where there is no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QString file;
    {
        QTextStream out(stdout);
        QTextStream err(stderr);
        const int status = usage::ReadProgramOptions(arguments, out, err, file);
        if (status >= 0)
            return status;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qtm"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.qtm_sim.qtm"));
    Q_INIT_RESOURCE(icons);
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/qtm-%1.png").arg(size));
    QApplication::setWindowIcon(icon);
    // The toolkit's own dialogs (files, colours) speak the program's language.
    QTranslator translator;
    if (translator.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&translator);
    // The help is set before the main window exists; it reports a missing or broken document itself.
    TQtPrompts helpPrompts;
    TApplicationHelp help(paths::Join(DataDirectory(paths::ExecutableDir()), QStringLiteral("Qtm.hlp")), helpPrompts);
    auto* window = new TMainForm(SettingsDirectory(paths::ExecutableDir()));
    window->setAttribute(Qt::WA_DeleteOnClose);
    AssignAccessibleNames(*window);
    if (!file.isEmpty())
        window->SetStartupFile(file);
    window->show();
    return app.exec();
}
