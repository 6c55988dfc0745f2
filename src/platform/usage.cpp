#include "platform/usage.h"

#include <QTextStream>

#ifndef QTM_VERSION
#define QTM_VERSION "0"
#endif
#ifndef QTM_BUGREPORT
#define QTM_BUGREPORT ""
#endif

namespace usage {

namespace {

const char* const ProgramUsage = "Использование: qtm [ПАРАМЕТР]... [ФАЙЛ.qtm]";

QString ProgramHelp() {
    return QString::fromUtf8(ProgramUsage) +
           QStringLiteral(
               "\n"
               "Симулятор машины Тьюринга для обучения: открывает ФАЙЛ.qtm или новую машину.\n"
               "\n"
               "  -h, --help     показать эту справку и выйти\n"
               "  -V, --version  показать сведения о версии и выйти\n"
               "\n"
               "Параметры библиотеки Qt (-platform, -style, -display и другие) передаются ей.\n"
               "\n"
               "Настройки (qtm.ini, qtm.dsk) хранятся рядом с программой, если в этот каталог можно писать,\n"
               "иначе в каталоге настроек пользователя (~/.config/qtm).\n"
               "\n"
               "Код возврата:\n"
               "  0  программа завершилась обычно\n"
               "  2  неверный параметр командной строки\n") +
           BugReportLine();
}

// Qt's own options; those taking a value name it in the next argument.
struct TQtOption {
    const char* name;
    bool takesValue;
};
const TQtOption QtOptions[] = {
    {"platform", true},        {"platformpluginpath", true},
    {"platformtheme", true},   {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true},
    {"qwindowtitle", true},    {"display", true},
    {"geometry", true},        {"style", true},
    {"stylesheet", true},      {"session", true},
    {"reverse", false},        {"nograb", false},
    {"dograb", false},         {"widgetcount", false},
};

const TQtOption* QtOption(const QString& argument) {
    QString name = argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1);
    const qsizetype equals = name.indexOf(QLatin1Char('='));
    const bool inlineValue = equals >= 0;
    if (inlineValue)
        name.truncate(equals);
    for (const TQtOption& o : QtOptions)
        if (name == QLatin1String(o.name) && (!inlineValue || o.takesValue))
            return &o;
    return nullptr;
}

} // namespace

QString VersionText(const QString& program) {
    return program + QStringLiteral(" " QTM_VERSION "\n"
                                    "Copyright (C) 2026 Qtm developers\n"
                                    "Лицензия MIT (Expat): <https://opensource.org/licenses/MIT>.\n"
                                    "Это свободное ПО: вы можете изменять и распространять его.\n"
                                    "НЕТ НИКАКИХ ГАРАНТИЙ в пределах, допускаемых законом.\n");
}

QString BugReportLine(const QString& address) {
    if (address.isEmpty())
        return QString();
    return QStringLiteral("\nОб ошибках сообщайте по адресу: ") + address + u'\n';
}

QString TryHelp(const QString& usageLine, const QString& program) {
    return usageLine + QStringLiteral("\nПопробуйте «") + program +
           QStringLiteral(" --help» для получения более подробного описания.\n");
}

int ReadProgramOptions(const QStringList& arguments, QTextStream& out, QTextStream& err, QString& file) {
    file.clear();
    bool optionsEnd = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (optionsEnd || a == QStringLiteral("-") || !a.startsWith(QLatin1Char('-'))) {
            if (file.isEmpty())
                file = a;
            continue;
        }
        if (a == QStringLiteral("--")) {
            optionsEnd = true;
        } else if (a == QStringLiteral("--help") || a == QStringLiteral("-h")) {
            out << ProgramHelp();
            out.flush();
            return 0;
        } else if (a == QStringLiteral("--version") || a == QStringLiteral("-V")) {
            out << VersionText(QStringLiteral("qtm"));
            out.flush();
            return 0;
        } else if (const TQtOption* o = QtOption(a)) {
            if (o->takesValue && !a.contains(QLatin1Char('=')))
                ++i;
        } else {
            err << QStringLiteral("qtm: неизвестный параметр «") << a << QStringLiteral("»\n")
                << TryHelp(QString::fromUtf8(ProgramUsage), QStringLiteral("qtm"));
            err.flush();
            return 2;
        }
    }
    return -1;
}

} // namespace usage
