#include "tasks/taskbookform.h"

#include "files/qtmfile.h"
#include "platform/fileio.h"
#include "platform/paths.h"
#include "platform/prompts.h"
#include "settings/config.h"
#include "testset/testsetmodel.h"

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
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
                             QWidget* parent)
    : QWidget(parent, Qt::Window), config_(config), prompts_(prompts), progress_(progressPath), workDir_(workDir) {
    setObjectName(QStringLiteral("TaskBookForm"));
    setProperty("helpContext", WindowHelp);
    setWindowTitle(Caption);
    results_ = new TTestSetModel(config_, prompts_, this);
    results_->SetReadOnly(true);
    CreateControls();
    ApplyLayout();
}

TTaskBookForm::~TTaskBookForm() {
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
    TaskList->setRootIsDecorated(false);
    TaskList->setHeaderLabels({QStringLiteral("Задача"), QStringLiteral("Сложность"), QStringLiteral("Состояние")});
    TaskList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    StatementView = new QTextBrowser(top);
    StatementView->setObjectName(QStringLiteral("StatementView"));
    StatementView->setAccessibleName(QStringLiteral("Условие задачи"));
    top->setStretchFactor(1, 1);
    // The list wide enough for its titles, difficulty and status; the statement takes the rest.
    top->setSizes({520, 380});

    auto* bottom = new QWidget(splitter);
    auto* results = new QVBoxLayout(bottom);
    results->setContentsMargins(0, 0, 0, 0);
    SummaryLabel = new QLabel(bottom);
    SummaryLabel->setObjectName(QStringLiteral("SummaryLabel"));
    ResultView = new QTableView(bottom);
    ResultView->setObjectName(QStringLiteral("ResultView"));
    ResultView->setAccessibleName(QStringLiteral("Результаты проверки"));
    ResultView->setModel(results_);
    ResultView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ResultView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ResultView->horizontalHeader()->setStretchLastSection(true);
    results->addWidget(SummaryLabel);
    results->addWidget(ResultView, 1);
    layout->addWidget(splitter, 1);

    auto* buttons = new QHBoxLayout;
    SolveButton = new QPushButton(QStringLiteral("&Решать"), this);
    CheckButton = new QPushButton(QStringLiteral("&Проверить"), this);
    OpenBookButton = new QPushButton(QStringLiteral("&Открыть задачник…"), this);
    const std::pair<QPushButton*, const char*> names[] = {
        {SolveButton, "SolveButton"}, {CheckButton, "CheckButton"}, {OpenBookButton, "OpenBookButton"}};
    for (const auto& [button, name] : names) {
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
    }
    buttons->addWidget(SolveButton);
    buttons->addWidget(CheckButton);
    buttons->addStretch(1);
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
    book_ = LoadTaskBook(dir);
    setWindowTitle(Caption + QStringLiteral(" - ") + QDir::toNativeSeparators(dir));
    FillList();
}

bool TTaskBookForm::OpenBookDialog() {
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
    item->setText(StatusColumn, TaskStatusText(progress_.Status(task)));
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

void TTaskBookForm::ShowCurrent() {
    results_->SetCases({});
    SummaryLabel->clear();
    const TTask* task = CurrentTask();
    SolveButton->setEnabled(task != nullptr);
    CheckButton->setEnabled(task != nullptr);
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
    html += QStringLiteral("<p>Параметры проверки: DiesCount = ") + QString::number(task->diesCount) +
            QStringLiteral(" (рост ленты за края слова), предел шагов на слово: ") + QString::number(task->maxSteps) +
            QStringLiteral(".</p>");
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
    const QString path = StudentMachinePath(workDir_, *task);
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
    if (!task) {
        prompts_.Asterisk();
        return;
    }
    const QString path = StudentMachinePath(workDir_, *task);
    if (!QFileInfo::exists(path)) {
        prompts_.Message(Caption, QStringLiteral("Машина для этой задачи еще не создана.\nНажмите «Решать»."),
                         TIcon::Exclamation);
        return;
    }
    QByteArray bytes;
    if (machineBytesFor) {
        bytes = machineBytesFor(path);
    } else if (fileio::ReadFile(path, qtmformat::MaxFileBytes, bytes) != fileio::TReadError::None) {
        prompts_.Message(Caption, QStringLiteral("Не удалось прочитать файл ") + path, TIcon::Stop);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const TTaskGrade grade = GradeTask(*task, bytes, config_);
    QApplication::restoreOverrideCursor();
    if (!grade.error.isEmpty()) {
        prompts_.Message(Caption, grade.error, TIcon::Stop);
        return;
    }
    results_->SetCases(grade.cases);
    for (int i = 0; i < grade.results.size(); ++i)
        results_->SetResult(i, grade.results[i]);
    ResultView->resizeColumnsToContents();
    SummaryLabel->setText(QStringLiteral("%1 из %2 пройдено").arg(grade.passed).arg(grade.cases.size()));
    if (!progress_.SetStatus(*task, grade.failed == 0 ? TTaskStatus::Solved : TTaskStatus::Failed))
        prompts_.Message(Caption, QStringLiteral("Не удалось сохранить ход работы в файле ") + progress_.Path(),
                         TIcon::Exclamation);
    UpdateStatus(int(task - book_.tasks.constData()));
}
