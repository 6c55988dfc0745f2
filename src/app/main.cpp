#include "window/mainform.h"
#include "help/aboutdialog.h"
#include "platform/helpengine.h"
#include "platform/paths.h"
#include "platform/qtprompts.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The toolkit's own dialogs (files, colours) speak the program's language.
    QTranslator translator;
    if (translator.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&translator);
    app.setWindowIcon(ProgramIcon());
    // The help is set before the main window exists; it reports a missing or broken document itself.
    TQtPrompts helpPrompts;
    TApplicationHelp help(paths::Join(paths::ExecutableDir(), QStringLiteral("Qtm.hlp")), helpPrompts);
    auto* window = new TMainForm(paths::ExecutableDir());
    window->setAttribute(Qt::WA_DeleteOnClose);
    const QStringList args = app.arguments();
    if (args.size() > 1)
        window->SetStartupFile(args[1]);
    window->show();
    return app.exec();
}
