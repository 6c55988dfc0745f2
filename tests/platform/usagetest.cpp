#include "platform/usage.h"

#include <QTextStream>

#include <gtest/gtest.h>

namespace {

struct TCase {
    QStringList arguments;
    int status;
    QString file;
    QString out;
    QString err;
};

const QString Unknown = QStringLiteral("Использование: qtm [ПАРАМЕТР]... [ФАЙЛ.qtm]\n"
                                       "Попробуйте «qtm --help» для получения более подробного описания.\n");

} // namespace

TEST(ProgramOptions, HelpVersionQtOptionsAndUnknownOptions) {
    const QString version = QStringLiteral("qtm " QTM_VERSION "\n"
                                           "Copyright (C) 2026 Qtm developers\n"
                                           "Лицензия MIT (Expat): <https://opensource.org/licenses/MIT>.\n"
                                           "Это свободное ПО: вы можете изменять и распространять его.\n"
                                           "НЕТ НИКАКИХ ГАРАНТИЙ в пределах, допускаемых законом.\n");
    const TCase cases[] = {
        {{}, -1, QString(), QString(), QString()},
        {{"machine.qtm"}, -1, "machine.qtm", QString(), QString()},
        // Qt's own options, with their values, are left for QApplication.
        {{"-platform", "offscreen", "-reverse", "machine.qtm"}, -1, "machine.qtm", QString(), QString()},
        {{"--style=fusion", "--", "-odd.qtm"}, -1, "-odd.qtm", QString(), QString()},
        {{"--version", "machine.qtm"}, 0, QString(), version, QString()},
        {{"-V"}, 0, QString(), version, QString()},
        {{"--bogus", "machine.qtm"},
         2,
         QString(),
         QString(),
         QStringLiteral("qtm: неизвестный параметр «--bogus»\n") + Unknown},
        {{"-reverse=1"}, 2, QString(), QString(), QStringLiteral("qtm: неизвестный параметр «-reverse=1»\n") + Unknown},
    };
    for (const TCase& c : cases) {
        QString out, err, file;
        QTextStream o(&out), e(&err);
        EXPECT_EQ(usage::ReadProgramOptions(QStringList{"qtm"} + c.arguments, o, e, file), c.status)
            << c.arguments.join(' ').toStdString();
        EXPECT_EQ(file, c.file);
        EXPECT_EQ(out, c.out);
        EXPECT_EQ(err, c.err);
    }
}

TEST(ProgramOptions, HelpFollowsTheGnuLayout) {
    QString out, err, file;
    QTextStream o(&out), e(&err);
    EXPECT_EQ(usage::ReadProgramOptions({"qtm", "-h"}, o, e, file), 0);
    EXPECT_EQ(err, QString());
    EXPECT_EQ(out, QStringLiteral(
                       "Использование: qtm [ПАРАМЕТР]... [ФАЙЛ.qtm]\n"
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
                       usage::BugReportLine());
}

// The address comes from the build: a build without one prints no line for it.
TEST(ProgramOptions, BugReportLineOnlyWithAnAddress) {
    EXPECT_EQ(usage::BugReportLine(QString()), QString());
    EXPECT_EQ(usage::BugReportLine(QStringLiteral("https://qtm.test/issues")),
              QStringLiteral("\nОб ошибках сообщайте по адресу: https://qtm.test/issues\n"));
}
