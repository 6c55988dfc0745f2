#include "window/mainform.h"
#include "platform/paths.h"

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
    auto* window = new TMainForm(paths::ExecutableDir());
    window->setAttribute(Qt::WA_DeleteOnClose);
    const QStringList args = app.arguments();
    if (args.size() > 1)
        window->SetStartupFile(args[1]);
    window->show();
    return app.exec();
}
