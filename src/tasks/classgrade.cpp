#include "tasks/classgrade.h"

#include "platform/csvtext.h"
#include "platform/paths.h"
#include "runner/batchrun.h"
#include "settings/config.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

namespace {

QString OutOf(int n, int m) {
    return QString::number(n) + QStringLiteral(" из ") + QString::number(m);
}

QString Esc(const QString& text) {
    return text.toHtmlEscaped();
}

// What the machine left on the tape, or why the word did not end as it should.
QString ActualText(const TTaskGrade& grade, int i) {
    const TRunResult& r = grade.results[i];
    const QString reason = grade.Reason(i);
    if (r.end == TRunEnd::Refused)
        return RunEndText(r.end) + (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason);
    QString text = r.InnerTape();
    if (!reason.isEmpty())
        text += QStringLiteral(" (") + reason + QLatin1Char(')');
    else if (r.end != TRunEnd::Halt)
        text += QStringLiteral(" (") + RunEndText(r.end) + QLatin1Char(')');
    return text;
}

} // namespace

QString TGradeCell::Text() const {
    switch (kind) {
    case TKind::Solved:
        return QStringLiteral("решена");
    case TKind::Failed:
        return QStringLiteral("есть ошибки ") + OutOf(failed, total);
    case TKind::Broken:
        return QStringLiteral("не запускается");
    default:
        return QStringLiteral("нет решения");
    }
}

int TGradeCell::Rank() const {
    // Fewer errors first; a machine that does not run is worse than any that does, and none at all is worst.
    switch (kind) {
    case TKind::Solved:
        return 0;
    case TKind::Failed:
        return total > 0 ? 1 + failed * 1000 / total : 1000;
    case TKind::Broken:
        return 2000;
    default:
        return 3000;
    }
}

TGradeCell GradeCellOf(const TTaskGrade& grade, bool missing) {
    TGradeCell cell;
    if (missing)
        return cell;
    cell.total = int(grade.cases.size());
    if (!grade.error.isEmpty() || !grade.machineError.isEmpty()) {
        cell.kind = TGradeCell::TKind::Broken;
        cell.reason = grade.error.isEmpty() ? grade.machineError : grade.error;
        return cell;
    }
    int refused = 0;
    for (int i = 0; i < grade.results.size(); ++i) {
        if (grade.results[i].end == TRunEnd::Refused)
            ++refused;
        if (grade.Passed(i))
            continue;
        const TTestCase& c = grade.cases[i];
        cell.words.append({c.word, c.tape, ActualText(grade, i)});
    }
    cell.failed = int(cell.words.size());
    if (refused > 0 && refused == grade.results.size()) {
        // Refused on every word: the data check's reason is the same for all of them.
        cell.kind = TGradeCell::TKind::Broken;
        cell.reason = grade.Reason(0);
        cell.words.clear();
        return cell;
    }
    cell.kind = cell.failed == 0 && grade.results.size() == grade.cases.size() ? TGradeCell::TKind::Solved
                                                                               : TGradeCell::TKind::Failed;
    return cell;
}

int TClassGrade::SolvedBy(int student) const {
    int n = 0;
    for (const TGradeCell& c : cells.value(student))
        n += c.kind == TGradeCell::TKind::Solved;
    return n;
}

int TClassGrade::SolvedOf(int task) const {
    int n = 0;
    for (const QList<TGradeCell>& row : cells)
        n += row.value(task).kind == TGradeCell::TKind::Solved;
    return n;
}

bool TClassGrade::AllSolved() const {
    for (int s = 0; s < students.size(); ++s)
        if (SolvedBy(s) != tasks.size())
            return false;
    return !cancelled;
}

QString TClassGrade::Anchor(int student, int task) {
    return QStringLiteral("s%1t%2").arg(student + 1).arg(task + 1);
}

namespace {

QStringList HeaderRow(const TClassGrade& g) {
    QStringList row{QStringLiteral("Ученик")};
    for (const TTask& t : g.tasks)
        row.append(t.id);
    row.append(QStringLiteral("Решено"));
    return row;
}

QList<QStringList> BodyRows(const TClassGrade& g) {
    QList<QStringList> rows;
    for (int s = 0; s < g.students.size(); ++s) {
        QStringList row{g.students[s]};
        for (const TGradeCell& c : g.cells[s])
            row.append(c.Text());
        row.append(OutOf(g.SolvedBy(s), int(g.tasks.size())));
        rows.append(row);
    }
    QStringList totals{QStringLiteral("Решили")};
    for (int t = 0; t < g.tasks.size(); ++t)
        totals.append(OutOf(g.SolvedOf(t), int(g.students.size())));
    totals.append(QString());
    rows.append(totals);
    return rows;
}

} // namespace

QString TClassGrade::Text() const {
    QString text = HeaderRow(*this).join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (const QStringList& row : BodyRows(*this))
        text += row.join(QLatin1Char('\t')) + QLatin1Char('\n');
    if (cancelled)
        text += QStringLiteral("Проверка прервана: не проверенные машины показаны как \"нет решения\"\n");
    return text;
}

QByteArray TClassGrade::Csv() const {
    QString text = csvtext::Row(HeaderRow(*this));
    for (const QStringList& row : BodyRows(*this))
        text += csvtext::Row(row);
    return csvtext::FileBytes(text);
}

QString TClassGrade::Html() const {
    QString h = QStringLiteral(
        "<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n<title>Работы класса</title>\n"
        "<style>\nbody { font-family: sans-serif; }\ntable { border-collapse: collapse; }\n"
        "th, td { border: 1px solid #888; padding: 2px 6px; text-align: left; }\n"
        "td.solved { background: #dfd; }\ntd.failed { background: #ffd; }\ntd.broken { background: #fdd; }\n"
        "@media print { a { color: inherit; text-decoration: none; } section { break-inside: avoid; } }\n"
        "</style>\n</head>\n<body>\n");
    h += QStringLiteral("<h1>Работы класса</h1>\n<p>Задачник: ") + Esc(bookDir) + QStringLiteral("<br>\nКласс: ") +
         Esc(classDir) + QStringLiteral("</p>\n");
    if (cancelled)
        h += QStringLiteral("<p>Проверка прервана: не проверенные машины показаны как «нет решения».</p>\n");
    h += QStringLiteral("<table>\n<tr><th>Ученик</th>");
    for (const TTask& t : tasks)
        h +=
            QStringLiteral("<th title=\"") + Esc(t.title) + QStringLiteral("\">") + Esc(t.id) + QStringLiteral("</th>");
    h += QStringLiteral("<th>Решено</th></tr>\n");
    static const char* const kinds[] = {"solved", "failed", "missing", "broken"};
    for (int s = 0; s < students.size(); ++s) {
        h += QStringLiteral("<tr><th>") + Esc(students[s]) + QStringLiteral("</th>");
        for (int t = 0; t < tasks.size(); ++t) {
            const TGradeCell& c = cells[s][t];
            h += QStringLiteral("<td class=\"") + QLatin1String(kinds[int(c.kind)]) + QStringLiteral("\">");
            if (c.kind == TGradeCell::TKind::Failed || c.kind == TGradeCell::TKind::Broken)
                h += QStringLiteral("<a href=\"#") + Anchor(s, t) + QStringLiteral("\">") + Esc(c.Text()) +
                     QStringLiteral("</a>");
            else
                h += Esc(c.Text());
            h += QStringLiteral("</td>");
        }
        h += QStringLiteral("<td>") + OutOf(SolvedBy(s), int(tasks.size())) + QStringLiteral("</td></tr>\n");
    }
    h += QStringLiteral("<tr><th>Решили</th>");
    for (int t = 0; t < tasks.size(); ++t)
        h += QStringLiteral("<td>") + OutOf(SolvedOf(t), int(students.size())) + QStringLiteral("</td>");
    h += QStringLiteral("<td></td></tr>\n</table>\n");
    for (int s = 0; s < students.size(); ++s) {
        for (int t = 0; t < tasks.size(); ++t) {
            const TGradeCell& c = cells[s][t];
            if (c.kind != TGradeCell::TKind::Failed && c.kind != TGradeCell::TKind::Broken)
                continue;
            h += QStringLiteral("<section id=\"") + Anchor(s, t) + QStringLiteral("\">\n<h2>") + Esc(students[s]) +
                 QStringLiteral(": ") + Esc(tasks[t].id) + QStringLiteral(" (") + Esc(tasks[t].title) +
                 QStringLiteral(") — ") + Esc(c.Text()) + QStringLiteral("</h2>\n");
            if (c.kind == TGradeCell::TKind::Broken) {
                h += QStringLiteral("<p>") + Esc(c.reason) + QStringLiteral("</p>\n</section>\n");
                continue;
            }
            h += QStringLiteral("<table>\n<tr><th>Слово</th><th>Ожидалось</th><th>Получено</th></tr>\n");
            for (const TGradeCell::TWord& w : c.words)
                h += QStringLiteral("<tr><td>") + Esc(w.word) + QStringLiteral("</td><td>") + Esc(w.expected) +
                     QStringLiteral("</td><td>") + Esc(w.actual) + QStringLiteral("</td></tr>\n");
            h += QStringLiteral("</table>\n</section>\n");
        }
    }
    h += QStringLiteral("</body>\n</html>\n");
    return h;
}

QStringList ClassStudents(const QString& classDir) {
    QStringList names = QDir(classDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    // As a Russian class list is ordered, "Ученик 2" before "Ученик 10", whatever the system's locale.
    QCollator collator{QLocale(QLocale::Russian, QLocale::Russia)};
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), collator);
    return names;
}

QString ClassMachinePath(const QString& studentDir, const QString& bookDir, const QString& shippedBookDir,
                         const TTask& task) {
    const QString workDir = BookWorkDir(paths::Join(studentDir, QStringLiteral("задачи")), bookDir, shippedBookDir);
    return StudentMachinePath(workDir, task);
}

TClassGrade GradeClass(const TTaskBook& book, const QString& classDir, const QString& shippedBookDir,
                       const TConfig& config, const TClassGradeControl& control) {
    TClassGrade grade;
    grade.bookDir = book.dir;
    grade.classDir = classDir;
    grade.tasks = book.tasks;
    grade.students = ClassStudents(classDir);
    const int taskCount = int(grade.tasks.size());
    const int total = int(grade.students.size()) * taskCount;
    // Each thread writes its own cells and reads only what nobody writes; the table is put together after all join.
    std::vector<TGradeCell> cells(static_cast<std::size_t>(total));
    const QList<TTask>& tasks = grade.tasks;
    const QStringList& students = grade.students;

    std::atomic<int> next{0};
    std::atomic<bool> stopped{false};
    std::mutex told;
    int done = 0;
    const auto cancelled = [&] { return control.cancel && control.cancel->load(std::memory_order_relaxed); };
    const auto worker = [&] {
        for (int i = next++; i < total; i = next++) {
            if (cancelled()) {
                stopped = true;
                return;
            }
            const int s = i / taskCount;
            const int t = i % taskCount;
            const TTask& task = tasks.at(t);
            const QString path =
                ClassMachinePath(paths::Join(classDir, students.at(s)), book.dir, shippedBookDir, task);
            const bool missing = !QFileInfo(path).isFile();
            TTaskCheckControl check;
            check.cancel = control.cancel;
            const TTaskGrade result =
                missing ? TTaskGrade() : CheckTaskMachine(task, path, QByteArray(), config, check);
            if (result.cancelled) {
                stopped = true;
                return;
            }
            cells[std::size_t(i)] = GradeCellOf(result, missing);
            if (control.progress) {
                const std::lock_guard<std::mutex> lock(told);
                control.progress(++done, total);
            }
        }
    };
    std::vector<std::thread> threads;
    for (int j = 1; j < std::min(std::max(control.jobs, 1), total); ++j)
        threads.emplace_back(worker);
    worker();
    for (std::thread& t : threads)
        t.join();
    for (int s = 0; s < students.size(); ++s)
        grade.cells.append(
            QList<TGradeCell>(cells.begin() + qsizetype(s) * taskCount, cells.begin() + qsizetype(s + 1) * taskCount));
    grade.cancelled = stopped;
    return grade;
}
