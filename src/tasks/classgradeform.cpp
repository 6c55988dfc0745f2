#include "tasks/classgradeform.h"

#include "platform/fileio.h"
#include "platform/paths.h"
#include "platform/prompts.h"
#include "platform/qtprompts.h"
#include "runner/longwork.h"
#include "runner/longworkwidget.h"
#include "settings/config.h"

#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <thread>

namespace {

const QString Caption = QStringLiteral("Работы класса");
// The window's page in the help (its helpContext property).
constexpr int WindowHelp = 2074;
// What a column sorts by: the student's name as text, the rest by this number.
constexpr int SortRole = Qt::UserRole;

// Sorts by the number it holds, so that "есть ошибки 2 из 10" comes before "есть ошибки 10 из 10".
class TSortItem : public QTableWidgetItem {
public:
    TSortItem(const QString& text, int key) : QTableWidgetItem(text) { setData(SortRole, key); }
    bool operator<(const QTableWidgetItem& other) const override {
        return data(SortRole).toInt() < other.data(SortRole).toInt();
    }
};

QString WordsTip(const TGradeCell& cell) {
    if (cell.kind == TGradeCell::TKind::Broken)
        return cell.reason;
    QStringList lines;
    for (const TGradeCell::TWord& w : cell.words)
        lines.append(w.word + QStringLiteral(": ожидалось ") + w.expected + QStringLiteral(", получено ") + w.actual);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

TClassGradeForm::TClassGradeForm(const TConfig& config, TPrompts& prompts, const QString& shippedBookDir,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window), config_(config), prompts_(prompts), shippedBookDir_(shippedBookDir) {
    setObjectName(QStringLiteral("ClassGradeForm"));
    setProperty("helpContext", WindowHelp);
    setWindowTitle(Caption);
    resize(900, 500);
    work_ = new TLongWork(this);
    CreateControls();
}

TClassGradeForm::~TClassGradeForm() {
    work_->Stop();
}

void TClassGradeForm::CreateControls() {
    auto* layout = new QVBoxLayout(this);
    SummaryLabel = new QLabel(QStringLiteral("Выберите папку класса: в ней по папке на ученика"), this);
    SummaryLabel->setObjectName(QStringLiteral("SummaryLabel"));
    SummaryLabel->setAccessibleName(QStringLiteral("Итог проверки класса"));
    SummaryLabel->setWordWrap(true);
    Table = new QTableWidget(this);
    Table->setObjectName(QStringLiteral("ClassTable"));
    Table->setAccessibleName(QStringLiteral("Работы класса"));
    Table->setAccessibleDescription(
        QStringLiteral("Строка на ученика, столбец на задачу: решена, есть ошибки, нет решения или не запускается; в "
                       "последнем столбце число решенных задач. Щелчок по заголовку сортирует по столбцу"));
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setTabKeyNavigation(false);
    Table->setSortingEnabled(true);
    Table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(SummaryLabel);
    layout->addWidget(Table, 1);

    auto* buttons = new QHBoxLayout;
    ChooseButton = new QPushButton(QStringLiteral("&Выбрать класс…"), this);
    HtmlButton = new QPushButton(QStringLiteral("Сохранить &HTML…"), this);
    CsvButton = new QPushButton(QStringLiteral("Сохранить &CSV…"), this);
    auto* progress = new TLongWorkWidget(this);
    progress->Watch(work_);
    ProgressBar = progress->ProgressBar;
    CancelButton = progress->CancelButton;
    ProgressBar->setAccessibleName(QStringLiteral("Ход проверки класса"));
    ProgressBar->setAccessibleDescription(QStringLiteral("Доля проверенных машин учеников"));
    const struct {
        QPushButton* button;
        const char* name;
        const char16_t* description;
    } named[] = {
        {ChooseButton, "ChooseButton", u"Выбирает папку класса и проверяет машины всех учеников на всех задачах"},
        {HtmlButton, "HtmlButton", u"Сохраняет таблицу страницей для печати со словами, на которых машины ошиблись"},
        {CsvButton, "CsvButton", u"Сохраняет таблицу в файл CSV для электронных таблиц"},
        {CancelButton, "CancelButton", u"Прерывает проверку класса"},
    };
    for (const auto& n : named) {
        n.button->setObjectName(QString::fromLatin1(n.name));
        n.button->setAccessibleDescription(QString::fromUtf16(n.description));
        n.button->setAutoDefault(false);
    }
    buttons->addWidget(ChooseButton);
    buttons->addWidget(progress, 1);
    buttons->addWidget(HtmlButton);
    buttons->addWidget(CsvButton);
    layout->addLayout(buttons);

    connect(ChooseButton, &QPushButton::clicked, this, &TClassGradeForm::ChooseClass);
    connect(HtmlButton, &QPushButton::clicked, this, &TClassGradeForm::SaveHtml);
    connect(CsvButton, &QPushButton::clicked, this, &TClassGradeForm::SaveCsv);
    UpdateControls();
}

void TClassGradeForm::SetBook(const TTaskBook& book) {
    if (Grading())
        return;
    book_ = book;
    setWindowTitle(Caption + QStringLiteral(" - ") + QDir::toNativeSeparators(book.dir));
}

bool TClassGradeForm::ChooseClass() {
    if (Grading()) {
        prompts_.Asterisk();
        return false;
    }
    TFileDialog dialog;
    dialog.title = QStringLiteral("Папка класса");
    dialog.initialDir = grade_.classDir;
    const QString chosen = AskFolderName(prompts_, dialog);
    if (chosen.isEmpty())
        return false;
    Grade(chosen);
    return true;
}

void TClassGradeForm::Grade(const QString& classDir) {
    if (Grading())
        return;
    if (book_.tasks.isEmpty()) {
        prompts_.Message(Caption, QStringLiteral("В задачнике нет задач"), TIcon::Exclamation);
        return;
    }
    SummaryLabel->setText(QStringLiteral("Идет проверка класса ") + QDir::toNativeSeparators(classDir) +
                          QStringLiteral("…"));
    const int jobs = int(std::max(1u, std::thread::hardware_concurrency()));
    // The job has copies of everything it reads.
    work_->Start(
        [book = book_, classDir, shipped = shippedBookDir_, config = TConfig(config_),
         jobs](TLongWork::TControl& control) {
            TClassGradeControl grading;
            grading.cancel = &control.CancelFlag();
            grading.jobs = jobs;
            grading.progress = [&](int done, int total) { control.Progress(done, total); };
            return GradeClass(book, classDir, shipped, config, grading);
        },
        [this](const TClassGrade& grade) { Show(grade); });
    UpdateControls();
}

bool TClassGradeForm::Grading() const {
    return work_->Running();
}

void TClassGradeForm::Show(const TClassGrade& grade) {
    grade_ = grade;
    Table->setSortingEnabled(false);
    Table->clear();
    const int tasks = int(grade.tasks.size());
    Table->setColumnCount(tasks + 2);
    Table->setRowCount(int(grade.students.size()));
    // Each task's count of students who solved it is in its header: a totals row would sort among the students.
    QStringList headers{QStringLiteral("Ученик")};
    for (int t = 0; t < tasks; ++t)
        headers.append(grade.tasks[t].id + QStringLiteral("\nрешили ") + QString::number(grade.SolvedOf(t)) +
                       QStringLiteral(" из ") + QString::number(grade.students.size()));
    headers.append(QStringLiteral("Решено"));
    Table->setHorizontalHeaderLabels(headers);
    for (int t = 0; t < tasks; ++t)
        Table->horizontalHeaderItem(t + 1)->setToolTip(grade.tasks[t].title);
    for (int s = 0; s < grade.students.size(); ++s) {
        Table->setItem(s, 0, new QTableWidgetItem(grade.students[s]));
        for (int t = 0; t < tasks; ++t) {
            const TGradeCell& cell = grade.cells[s][t];
            auto* item = new TSortItem(cell.Text(), cell.Rank());
            item->setToolTip(WordsTip(cell));
            Table->setItem(s, t + 1, item);
        }
        const int solved = grade.SolvedBy(s);
        Table->setItem(
            s, tasks + 1,
            new TSortItem(QString::number(solved) + QStringLiteral(" из ") + QString::number(tasks), solved));
    }
    Table->setSortingEnabled(true);
    Table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    int solved = 0;
    for (int s = 0; s < grade.students.size(); ++s)
        solved += grade.SolvedBy(s);
    QString summary = QStringLiteral("Класс ") + QDir::toNativeSeparators(grade.classDir) + QStringLiteral(": ") +
                      QString::number(grade.students.size()) + QStringLiteral(" учеников, решено ") +
                      QString::number(solved) + QStringLiteral(" из ") +
                      QString::number(qsizetype(tasks) * grade.students.size());
    if (grade.cancelled)
        summary += QStringLiteral(" (проверка прервана)");
    SummaryLabel->setText(summary);
    UpdateControls();
    emit finished();
}

void TClassGradeForm::UpdateControls() {
    const bool grading = Grading();
    ChooseButton->setEnabled(!grading);
    const bool shown = !grading && !grade_.students.isEmpty();
    HtmlButton->setEnabled(shown);
    CsvButton->setEnabled(shown);
}

bool TClassGradeForm::Save(const QString& title, const QString& filter, const QString& ext, const QByteArray& bytes) {
    TFileDialog dialog;
    dialog.title = title;
    dialog.filter = filter;
    dialog.defaultExt = ext;
    dialog.initialDir = grade_.classDir;
    dialog.fileName = QDir(grade_.classDir).dirName() + QLatin1Char('.') + ext;
    dialog.overwritePrompt = true;
    const QString path = prompts_.SaveFileName(dialog);
    if (path.isEmpty())
        return false;
    const fileio::TSaveResult saved = fileio::SaveFile(path, bytes, fileio::FreshTempName(path), QString());
    if (!saved.ok()) {
        prompts_.Message(Caption,
                         QStringLiteral("Ошибка записи файла ") + path + QStringLiteral(": ") +
                             fileio::ErrorText(saved.error),
                         TIcon::Stop);
        return false;
    }
    return true;
}

bool TClassGradeForm::SaveHtml() {
    return Save(QStringLiteral("Сохранить страницу"), QStringLiteral("Страницы HTML (*.html)|*.html"),
                QStringLiteral("html"), grade_.Html().toUtf8());
}

bool TClassGradeForm::SaveCsv() {
    return Save(QStringLiteral("Сохранить таблицу"), QStringLiteral("Таблицы CSV (*.csv)|*.csv"), QStringLiteral("csv"),
                grade_.Csv());
}

void TClassGradeForm::closeEvent(QCloseEvent* event) {
    // A check behind a hidden window would only be forgotten: closing ends it.
    if (Grading()) {
        work_->Stop();
        SummaryLabel->setText(QStringLiteral("Проверка класса прервана"));
        UpdateControls();
    }
    QWidget::closeEvent(event);
}
