#include "cli/cligrade.h"

#include "platform/fileio.h"
#include "tasks/classgrade.h"

#include <QFileInfo>
#include <QTextStream>

namespace {

bool Save(const QString& path, const QByteArray& bytes, QTextStream& err) {
    const fileio::TSaveResult saved = fileio::SaveFile(path, bytes, fileio::FreshTempName(path), QString());
    if (!saved.ok())
        err << fileio::FailureText(path, saved, QStringLiteral("Таблица осталась в файле")) << Qt::endl;
    return saved.ok();
}

} // namespace

int GradeClassFolder(const QString& bookDir, const QString& classDir, const QString& shippedBookDir,
                     const TConfig& config, const TGradeOutput& output, QTextStream& out, QTextStream& err) {
    if (!QFileInfo(bookDir).isDir()) {
        err << QStringLiteral("Нет каталога задачника ") << bookDir << Qt::endl;
        return 2;
    }
    if (!QFileInfo(classDir).isDir()) {
        err << QStringLiteral("Нет каталога класса ") << classDir << Qt::endl;
        return 2;
    }
    const TTaskBook book = LoadTaskBook(bookDir);
    for (const TTaskBook::TBadFile& bad : book.badFiles)
        err << bad.Message() << Qt::endl;
    if (book.tasks.isEmpty()) {
        err << QStringLiteral("В каталоге ") << bookDir << QStringLiteral(" нет задач") << Qt::endl;
        return 2;
    }
    TClassGradeControl control;
    control.jobs = output.jobs;
    const TClassGrade grade = GradeClass(book, classDir, shippedBookDir, config, control);
    if (grade.students.isEmpty())
        err << QStringLiteral("В каталоге класса ") << classDir << QStringLiteral(" нет папок учеников") << Qt::endl;
    out << grade.Text();
    out.flush();
    int status = grade.AllSolved() ? 0 : 1;
    if (!output.htmlPath.isEmpty() && !Save(output.htmlPath, grade.Html().toUtf8(), err))
        status = 2;
    if (!output.csvPath.isEmpty() && !Save(output.csvPath, grade.Csv(), err))
        status = 2;
    return status;
}
