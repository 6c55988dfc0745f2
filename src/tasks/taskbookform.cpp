#include "tasks/taskbookform.h"

#include "files/qtmfile.h"
#include "platform/fileio.h"
#include "platform/paths.h"
#include "platform/prompts.h"
#include "runner/longwork.h"
#include "runner/longworkwidget.h"
#include "settings/config.h"
#include "testset/testsetmodel.h"

#include <QCloseEvent>
#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString Caption = QStringLiteral("Задачник");
// The window's page in the help (its helpContext property).
constexpr int WindowHelp = 2070;
// An item's place in the book: a task's index, or -1 - the index of a file that is no task.
constexpr int IndexRole = Qt::UserRole;

enum TColumn { TitleColumn, LevelColumn, StatusColumn };

} // namespace

TTaskBookForm::TTaskBookForm(TConfig& config, TPrompts& prompts, const QString& progressPath, const QString& workDir,
                             const QString& shippedBookDir, QWidget* parent)
    : QWidget(parent, Qt::Window), config_(config), prompts_(prompts), progress_(progressPath), workDir_(workDir),
      shippedBookDir_(shippedBookDir) {
    setObjectName(QStringLiteral("TaskBookForm"));
    setProperty("helpContext", WindowHelp);
    setWindowTitle(Caption);
    results_ = new TTestSetModel(config_, prompts_, this);
    results_->SetReadOnly(true);
    work_ = new TLongWork(this);
    CreateControls();
    ApplyLayout();
}

TTaskBookForm::~TTaskBookForm() {
    work_->Stop();
    StoreLayout();
}

void TTaskBookForm::ApplyLayout() {
    setGeometry(config_.TaskBookLeft, config_.TaskBookTop, config_.TaskBookWidth, config_.TaskBookHeight);
}

void TTaskBookForm::StoreLayout() {
    const QRect r = geometry();
    config_.TaskBookLeft = r.left();
    config_.TaskBookTop = r.top();
    config_.TaskBookWidth = r.width();
    config_.TaskBookHeight = r.height();
}

void TTaskBookForm::CreateControls() {
    auto* layout = new QVBoxLayout(this);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    auto* top = new QSplitter(Qt::Horizontal, splitter);

    TaskList = new QTreeWidget(top);
    TaskList->setObjectName(QStringLiteral("TaskList"));
    TaskList->setAccessibleName(QStringLiteral("Задачи"));
    TaskList->setAccessibleDescription(
        QStringLiteral("Задачи задачника: название, сложность от 1 до 5 и состояние решения. Enter открывает машину "
                       "для решения"));
    TaskList->setRootIsDecorated(false);
    TaskList->setHeaderLabels({QStringLiteral("Задача"), QStringLiteral("Сложность"), QStringLiteral("Состояние")});
    TaskList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    StatementView = new QTextBrowser(top);
    StatementView->setObjectName(QStringLiteral("StatementView"));
    StatementView->setAccessibleName(QStringLiteral("Условие задачи"));
    StatementView->setAccessibleDescription(
        QStringLiteral("Условие выбранной задачи, алфавит слов, пример слова и условия проверки"));
    top->setStretchFactor(1, 1);
    // The list wide enough for its titles, difficulty and status; the statement takes the rest.
    top->setSizes({520, 380});

    auto* bottom = new QWidget(splitter);
    auto* results = new QVBoxLayout(bottom);
    results->setContentsMargins(0, 0, 0, 0);
    SummaryLabel = new QLabel(bottom);
    SummaryLabel->setObjectName(QStringLiteral("SummaryLabel"));
    SummaryLabel->setAccessibleName(QStringLiteral("Итог проверки"));
    SummaryLabel->setAccessibleDescription(QStringLiteral("Сколько слов набора машина решила верно"));
    ResultView = new QTableView(bottom);
    ResultView->setObjectName(QStringLiteral("ResultView"));
    ResultView->setAccessibleName(QStringLiteral("Результаты проверки"));
    ResultView->setAccessibleDescription(
        QStringLiteral("Строка на слово набора: слово, ожидаемая лента, как закончилась работа машины, число шагов, "
                       "лента после работы и итог"));
    // Tab leaves the table: a screen reader user walks its cells with the arrow keys.
    ResultView->setTabKeyNavigation(false);
    ResultView->setModel(results_);
    ResultView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ResultView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ResultView->horizontalHeader()->setStretchLastSection(true);
    // The headers are read whole before the first check too.
    ResultView->resizeColumnsToContents();
    results->addWidget(SummaryLabel);
    results->addWidget(ResultView, 1);
    layout->addWidget(splitter, 1);

    auto* buttons = new QHBoxLayout;
    SolveButton = new QPushButton(QStringLiteral("&Решать"), this);
    CheckButton = new QPushButton(QStringLiteral("&Проверить"), this);
    OpenBookButton = new QPushButton(QStringLiteral("&Открыть задачник…"), this);
    auto* progress = new TLongWorkWidget(this);
    progress->Watch(work_);
    CancelButton = progress->CancelButton;
    ProgressBar = progress->ProgressBar;
    ProgressBar->setAccessibleName(QStringLiteral("Ход проверки"));
    ProgressBar->setAccessibleDescription(QStringLiteral("Доля проверенных слов набора"));
    const struct {
        QPushButton* button;
        const char* name;
        const char16_t* description;
    } named[] = {
        {SolveButton, "SolveButton",
         u"Открывает в главном окне машину для выбранной задачи, создавая ее при первом решении"},
        {CheckButton, "CheckButton", u"Проверяет сохраненную машину на наборе слов задачи с ее условиями"},
        {CancelButton, "CancelButton", u"Прерывает проверку"},
        {OpenBookButton, "OpenBookButton", u"Открывает другой задачник: каталог с файлами задач"},
    };
    for (const auto& n : named) {
        n.button->setObjectName(QString::fromLatin1(n.name));
        n.button->setAccessibleDescription(QString::fromUtf16(n.description));
        n.button->setAutoDefault(false);
    }
    buttons->addWidget(SolveButton);
    buttons->addWidget(CheckButton);
    buttons->addWidget(progress, 1);
    buttons->addWidget(OpenBookButton);
    layout->addLayout(buttons);

    connect(TaskList, &QTreeWidget::currentItemChanged, this, &TTaskBookForm::ShowCurrent);
    // A double-click on a task starts work on it.
    connect(TaskList, &QTreeWidget::itemActivated, this, [this] {
        if (CurrentTask())
            Solve();
    });
    connect(SolveButton, &QPushButton::clicked, this, &TTaskBookForm::Solve);
    connect(CheckButton, &QPushButton::clicked, this, &TTaskBookForm::Check);
    connect(OpenBookButton, &QPushButton::clicked, this, &TTaskBookForm::OpenBookDialog);
    ShowCurrent();
}

void TTaskBookForm::OpenBook(const QString& dir) {
    if (Checking())
        return;
    book_ = LoadTaskBook(dir);
    // A teacher's folder is found again at the next start; a failed write costs only that.
    if (QFileInfo(dir).absoluteFilePath() != QFileInfo(shippedBookDir_).absoluteFilePath() ||
        !progress_.LastBook().isEmpty())
        (void)progress_.SetLastBook(QFileInfo(dir).absoluteFilePath());
    setWindowTitle(Caption + QStringLiteral(" - ") + QDir::toNativeSeparators(dir));
    FillList();
}

void TTaskBookForm::OpenLastBook() {
    const QString last = progress_.LastBook();
    const QString dir = !last.isEmpty() && QFileInfo(last).isDir() ? last : shippedBookDir_;
    if (!dir.isEmpty())
        OpenBook(dir);
}

QString TTaskBookForm::MachinePath(const TTask& task) const {
    return StudentMachinePath(BookWorkDir(workDir_, book_.dir, shippedBookDir_), task);
}

const TTask* TTaskBookForm::TaskOfMachine(const QString& path) const {
    if (path.isEmpty())
        return nullptr;
    const QString wanted = QFileInfo(path).absoluteFilePath();
    for (const TTask& task : book_.tasks)
        if (QFileInfo(MachinePath(task)).absoluteFilePath() == wanted)
            return &task;
    return nullptr;
}

bool TTaskBookForm::OpenBookDialog() {
    if (Checking()) {
        prompts_.Asterisk();
        return false;
    }
    TFileDialog dialog;
    dialog.title = QStringLiteral("Открыть задачник");
    dialog.filter = QStringLiteral("Задачи (*.task)|*.task|Все файлы (*)|*");
    dialog.defaultExt = QStringLiteral("task");
    dialog.initialDir = book_.dir;
    const QString chosen = prompts_.OpenFileName(dialog);
    if (chosen.isEmpty())
        return false;
    OpenBook(QFileInfo(chosen).isDir() ? chosen : paths::FileDir(chosen));
    if (book_.tasks.isEmpty() && book_.badFiles.isEmpty())
        prompts_.Message(Caption,
                         QStringLiteral("В каталоге ") + book_.dir + QStringLiteral(" нет файлов задач (*.task)"),
                         TIcon::Exclamation);
    return true;
}

void TTaskBookForm::FillList() {
    TaskList->clear();
    for (int i = 0; i < book_.tasks.size(); ++i) {
        const TTask& task = book_.tasks[i];
        auto* item = new QTreeWidgetItem(TaskList, {task.title, QString(task.difficulty, QChar(0x2605)), QString()});
        // The stars read as words.
        item->setData(LevelColumn, Qt::AccessibleTextRole, QStringLiteral("сложность %1 из 5").arg(task.difficulty));
        item->setData(TitleColumn, IndexRole, i);
        item->setToolTip(TitleColumn, paths::FileName(task.path));
        UpdateStatus(i);
    }
    for (int i = 0; i < book_.badFiles.size(); ++i) {
        const TTaskBook::TBadFile& bad = book_.badFiles[i];
        auto* item = new QTreeWidgetItem(
            TaskList, {paths::FileName(bad.path), QString(), QStringLiteral("ошибка: ") + bad.fault.Message()});
        item->setData(TitleColumn, IndexRole, -1 - i);
        item->setForeground(StatusColumn, QColor(Qt::red));
    }
    if (TaskList->topLevelItemCount() > 0)
        TaskList->setCurrentItem(TaskList->topLevelItem(0));
    ShowCurrent();
}

void TTaskBookForm::UpdateStatus(int index) {
    QTreeWidgetItem* item = TaskList->topLevelItem(index);
    const TTask& task = book_.tasks[index];
    if (!QFileInfo::exists(task.TestsPath())) {
        item->setText(StatusColumn, QStringLiteral("нет набора слов"));
        return;
    }
    QByteArray machine;
    const bool exists =
        fileio::ReadFile(MachinePath(task), qtmformat::MaxFileBytes, machine) == fileio::TReadError::None;
    item->setText(StatusColumn, TaskStatusText(exists ? progress_.Status(task, machine) : TTaskStatus::NotStarted));
}

const TTask* TTaskBookForm::CurrentTask() const {
    const QTreeWidgetItem* item = TaskList->currentItem();
    if (!item)
        return nullptr;
    const int index = item->data(TitleColumn, IndexRole).toInt();
    return index >= 0 && index < book_.tasks.size() ? &book_.tasks[index] : nullptr;
}

bool TTaskBookForm::SelectTask(const QString& id) {
    for (int i = 0; i < book_.tasks.size(); ++i) {
        if (book_.tasks[i].id == id) {
            TaskList->setCurrentItem(TaskList->topLevelItem(i));
            return true;
        }
    }
    return false;
}

void TTaskBookForm::UpdateControls() {
    const bool task = CurrentTask() != nullptr;
    SolveButton->setEnabled(task && !Checking());
    CheckButton->setEnabled(task && !Checking());
    OpenBookButton->setEnabled(!Checking());
    TaskList->setEnabled(!Checking());
}

void TTaskBookForm::ShowCurrent() {
    if (Checking())
        return;
    results_->SetCases({});
    SummaryLabel->clear();
    const TTask* task = CurrentTask();
    UpdateControls();
    if (!task) {
        const QTreeWidgetItem* item = TaskList->currentItem();
        const int bad = item ? -1 - item->data(TitleColumn, IndexRole).toInt() : -1;
        StatementView->setPlainText(bad >= 0 && bad < book_.badFiles.size()
                                        ? QStringLiteral("Файл задачи с ошибкой\n") + book_.badFiles[bad].Message()
                                        : QString());
        return;
    }
    QString html = QStringLiteral("<h3>") + task->title.toHtmlEscaped() + QStringLiteral("</h3>");
    for (const QString& paragraph : task->statement.split(QLatin1Char('\n')))
        html += QStringLiteral("<p>") + paragraph.toHtmlEscaped() + QStringLiteral("</p>");
    html += QStringLiteral("<p>Алфавит слов: <b>") + task->alphabet.toHtmlEscaped() +
            QStringLiteral("</b>. Пример слова: <b>") + task->word.toHtmlEscaped() + QStringLiteral("</b>.</p>");
    html += QStringLiteral("<p>") + TaskCheckTerms(*task).toHtmlEscaped() + QStringLiteral("</p>");
    if (!QFileInfo::exists(task->TestsPath()))
        html += QStringLiteral("<p><b>Нет набора слов задачи: ") + task->TestsPath().toHtmlEscaped() +
                QStringLiteral("</b></p>");
    StatementView->setHtml(html);
}

void TTaskBookForm::Solve() {
    const TTask* task = CurrentTask();
    if (!task) {
        prompts_.Asterisk();
        return;
    }
    const QString path = MachinePath(*task);
    if (!QFileInfo::exists(path)) {
        const QString error = CreateStudentMachine(path, *task);
        if (!error.isEmpty()) {
            prompts_.Message(Caption, error, TIcon::Stop);
            return;
        }
    }
    emit openMachine(path);
}

void TTaskBookForm::Check() {
    const TTask* task = CurrentTask();
    if (!task || Checking()) {
        prompts_.Asterisk();
        return;
    }
    const QString path = MachinePath(*task);
    if (!QFileInfo::exists(path)) {
        prompts_.Message(Caption, QStringLiteral("Машина для этой задачи еще не создана.\nНажмите «Решать»."),
                         TIcon::Exclamation);
        return;
    }
    // What is checked is what is saved: the status then tells of the file the student hands in.
    if (saveOpenMachine && !saveOpenMachine(path))
        return;
    QByteArray bytes;
    if (fileio::ReadFile(path, qtmformat::MaxFileBytes, bytes) != fileio::TReadError::None) {
        prompts_.Message(Caption, QStringLiteral("Не удалось прочитать файл ") + path, TIcon::Stop);
        return;
    }
    const TTask checked = *task;
    checkedTask_ = int(task - book_.tasks.constData());
    checkedBytes_ = bytes;
    results_->SetCases({});
    SummaryLabel->setText(QStringLiteral("Идет проверка…"));
    // The job has copies of everything it reads; the model is touched only by the calls it posts.
    work_->Start(
        [this, checked, path, config = TConfig(config_)](TLongWork::TControl& control) {
            TTaskCheckControl check;
            check.cancel = &control.CancelFlag();
            check.done = [&](int index, const TTaskGrade& grade) {
                if (index == 0)
                    control.Post([this, cases = grade.cases] { results_->SetCases(cases); });
                control.Post([this, index, result = grade.results[index], reason = grade.Reason(index)] {
                    ShowWord(index, result, reason);
                });
                control.Progress(index + 1, grade.cases.size());
            };
            return CheckTaskMachine(checked, path, QByteArray(), config, check);
        },
        [this](const TTaskGrade& grade) { CheckDone(grade); });
    UpdateControls();
}

bool TTaskBookForm::Checking() const {
    return work_->Running();
}

void TTaskBookForm::CancelCheck() {
    work_->Cancel();
}

void TTaskBookForm::ShowWord(int index, const TRunResult& result, const QString& reason) {
    TRunResult shown = result;
    // A word stopped by the time limit shows why, as a word the machine could not run on does.
    if (!reason.isEmpty()) {
        shown.end = TRunEnd::Refused;
        shown.faults = QStringList{reason};
    }
    results_->SetResult(index, shown);
}

void TTaskBookForm::CheckDone(const TTaskGrade& grade) {
    UpdateControls();
    ResultView->resizeColumnsToContents();
    if (!grade.error.isEmpty()) {
        SummaryLabel->clear();
        prompts_.Message(Caption, grade.error, TIcon::Stop);
    } else if (grade.cancelled) {
        SummaryLabel->setText(
            QStringLiteral("%1 из %2 пройдено (проверка прервана)").arg(grade.passed).arg(grade.cases.size()));
    } else {
        SummaryLabel->setText(QStringLiteral("%1 из %2 пройдено").arg(grade.passed).arg(grade.cases.size()));
        const bool saved =
            checkedTask_ >= 0 && checkedTask_ < book_.tasks.size() &&
            progress_.SetStatus(book_.tasks[checkedTask_],
                                grade.failed == 0 ? TTaskStatus::Solved : TTaskStatus::Failed, checkedBytes_);
        if (!saved)
            prompts_.Message(Caption, QStringLiteral("Не удалось сохранить ход работы в файле ") + progress_.Path(),
                             TIcon::Exclamation);
        else
            UpdateStatus(checkedTask_);
    }
    emit checkFinished();
}

void TTaskBookForm::closeEvent(QCloseEvent* event) {
    // A check behind a hidden window would only be forgotten: closing ends it.
    if (Checking()) {
        work_->Stop();
        SummaryLabel->setText(QStringLiteral("Проверка прервана"));
        UpdateControls();
    }
    QWidget::closeEvent(event);
}
