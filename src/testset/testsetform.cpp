#include "testset/testsetform.h"

#include "platform/paths.h"
#include "platform/prompts.h"
#include "runner/batchrun.h"
#include "runner/longwork.h"
#include "runner/longworkwidget.h"
#include "settings/config.h"
#include "testset/testsetcheck.h"
#include "testset/testsetmodel.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const QString Caption = QStringLiteral("Проверка на наборе слов");
const QString Filter = QStringLiteral("Наборы слов (*.tests)|*.tests|Все файлы (*)|*");
constexpr int DefaultStepLimit = 1000000;
// The window's page in the help (its helpContext property).
constexpr int WindowHelp = 2030;

} // namespace

TTestSetForm::TTestSetForm(TConfig& config, TPrompts& prompts, QWidget* parent)
    : QWidget(parent, Qt::Window), config_(config), prompts_(prompts) {
    setObjectName(QStringLiteral("TestSetForm"));
    setProperty("helpContext", WindowHelp);
    model_ = new TTestSetModel(config_, prompts_, this);
    work_ = new TLongWork(this);
    CreateControls();
    UpdateCaption();
    UpdateControls();
    FitColumns();
    ApplyLayout();
}

TTestSetForm::~TTestSetForm() {
    work_->Stop();
    StoreLayout();
}

void TTestSetForm::CreateControls() {
    auto* layout = new QVBoxLayout(this);
    SummaryLabel = new QLabel(this);
    SummaryLabel->setObjectName(QStringLiteral("SummaryLabel"));
    layout->addWidget(SummaryLabel);

    TableView = new QTableView(this);
    TableView->setObjectName(QStringLiteral("TableView"));
    TableView->setModel(model_);
    TableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    TableView->setSelectionMode(QAbstractItemView::SingleSelection);
    // A double-click chooses the row's word; a key or a click on the current cell edits it.
    TableView->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed |
                               QAbstractItemView::SelectedClicked);
    TableView->horizontalHeader()->setStretchLastSection(true);
    TableView->verticalHeader()->setDefaultSectionSize(TableView->fontMetrics().height() + 6);
    layout->addWidget(TableView, 1);
    connect(TableView, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (!Checking() && index.isValid())
            emit wordChosen(model_->Cases().at(index.row()).word);
    });

    auto* edits = new QHBoxLayout;
    AddButton = new QPushButton(QStringLiteral("&Добавить"), this);
    DeleteButton = new QPushButton(QStringLiteral("&Удалить"), this);
    OpenButton = new QPushButton(QStringLiteral("&Открыть..."), this);
    SaveButton = new QPushButton(QStringLiteral("&Сохранить"), this);
    SaveAsButton = new QPushButton(QStringLiteral("Сохранить &как..."), this);
    for (QPushButton* b : {AddButton, DeleteButton, OpenButton, SaveButton, SaveAsButton})
        edits->addWidget(b);
    edits->addStretch(1);
    layout->addLayout(edits);

    auto* run = new QHBoxLayout;
    // Alt+П is "Проверить".
    auto* limitLabel = new QLabel(QStringLiteral("Пред&ел шагов:"), this);
    StepLimitEdit = new QSpinBox(this);
    StepLimitEdit->setObjectName(QStringLiteral("StepLimitEdit"));
    StepLimitEdit->setRange(1, 2000000000);
    StepLimitEdit->setValue(DefaultStepLimit);
    StepLimitEdit->setGroupSeparatorShown(true);
    limitLabel->setBuddy(StepLimitEdit);
    CheckButton = new QPushButton(QStringLiteral("&Проверить"), this);
    auto* progress = new TLongWorkWidget(this);
    progress->Watch(work_);
    CancelButton = progress->CancelButton;
    ProgressBar = progress->ProgressBar;
    run->addWidget(limitLabel);
    run->addWidget(StepLimitEdit);
    run->addWidget(CheckButton);
    run->addWidget(progress, 1);
    layout->addLayout(run);

    TableView->setAccessibleName(QStringLiteral("Набор слов"));
    TableView->setAccessibleDescription(QStringLiteral("Слова, ожидаемые результаты и итоги проверки"));
    SummaryLabel->setAccessibleDescription(QStringLiteral("Итог проверки набора слов"));
    StepLimitEdit->setAccessibleDescription(QStringLiteral("Наибольшее число шагов машины на одном слове"));
    ProgressBar->setAccessibleName(QStringLiteral("Ход проверки"));
    ProgressBar->setAccessibleDescription(QStringLiteral("Доля проверенных слов"));
    AddButton->setAccessibleDescription(QStringLiteral("Добавление слова в набор"));
    DeleteButton->setAccessibleDescription(QStringLiteral("Удаление выбранного слова из набора"));
    OpenButton->setAccessibleDescription(QStringLiteral("Открытие набора слов из файла"));
    SaveButton->setAccessibleDescription(QStringLiteral("Сохранение набора слов"));
    SaveAsButton->setAccessibleDescription(QStringLiteral("Сохранение набора слов под другим именем"));
    CheckButton->setAccessibleDescription(QStringLiteral("Проверка машины на всех словах набора"));
    CancelButton->setAccessibleDescription(QStringLiteral("Прерывание проверки"));

    const std::pair<QPushButton*, const char*> names[] = {
        {AddButton, "AddButton"},   {DeleteButton, "DeleteButton"}, {OpenButton, "OpenButton"},
        {SaveButton, "SaveButton"}, {SaveAsButton, "SaveAsButton"}, {CheckButton, "CheckButton"}};
    for (const auto& [button, name] : names) {
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
    }

    connect(AddButton, &QPushButton::clicked, this, [this] {
        const int row = model_->InsertCase(TableView->currentIndex().row());
        TableView->setCurrentIndex(model_->index(row, TTestSetModel::Word));
        TableView->edit(TableView->currentIndex());
        UpdateControls();
        UpdateSummary();
    });
    connect(DeleteButton, &QPushButton::clicked, this, [this] {
        const int row = TableView->currentIndex().row();
        model_->RemoveCase(row);
        if (model_->rowCount() > 0)
            TableView->setCurrentIndex(model_->index(std::min(row, model_->rowCount() - 1), 0));
        UpdateControls();
        UpdateSummary();
    });
    // Ins and Del in the table, as in the main window's lists.
    const std::pair<QPushButton*, Qt::Key> keys[] = {{AddButton, Qt::Key_Insert}, {DeleteButton, Qt::Key_Delete}};
    for (const auto& [button, key] : keys) {
        auto* action = new QAction(button->text(), TableView);
        action->setShortcut(QKeySequence(key));
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, button, &QPushButton::click);
        TableView->addAction(action);
    }
    connect(OpenButton, &QPushButton::clicked, this, [this] {
        if (!QuerySave())
            return;
        TFileDialog dialog;
        dialog.title = QStringLiteral("Открыть набор слов");
        dialog.filter = Filter;
        dialog.defaultExt = QStringLiteral("tests");
        dialog.initialDir = DialogDir();
        const QString chosen = prompts_.OpenFileName(dialog);
        if (!chosen.isEmpty())
            LoadSet(chosen);
    });
    connect(SaveButton, &QPushButton::clicked, this, &TTestSetForm::SaveSet);
    connect(SaveAsButton, &QPushButton::clicked, this, &TTestSetForm::SaveSetAs);
    connect(CheckButton, &QPushButton::clicked, this, &TTestSetForm::StartCheck);
    connect(CancelButton, &QPushButton::clicked, this, &TTestSetForm::CancelCheck);
    connect(model_, &QAbstractItemModel::dataChanged, this, [this] {
        UpdateSummary();
        UpdateCaption();
    });
}

void TTestSetForm::UpdateControls() {
    const bool checking = Checking();
    const bool rows = model_->rowCount() > 0;
    model_->SetReadOnly(checking);
    AddButton->setEnabled(!checking);
    DeleteButton->setEnabled(!checking && rows);
    OpenButton->setEnabled(!checking);
    StepLimitEdit->setEnabled(!checking);
    CheckButton->setEnabled(!checking && rows);
    for (QAction* a : TableView->actions())
        a->setEnabled(!checking);
}

void TTestSetForm::FitColumns() {
    TableView->resizeColumnsToContents();
}

void TTestSetForm::UpdateSummary() {
    if (model_->Checked() == 0 && !cancelled_) {
        SummaryLabel->setText(note_);
        return;
    }
    QString text = QStringLiteral("%1 из %2 пройдено").arg(model_->Passed()).arg(model_->rowCount());
    if (cancelled_)
        text += QStringLiteral(" (проверка прервана)");
    SummaryLabel->setText(text);
}

void TTestSetForm::UpdateCaption() {
    const QString name = setPath_.isEmpty() ? QString() : paths::FileName(setPath_);
    setWindowTitle(name.isEmpty() ? Caption
                                  : Caption + QStringLiteral(" - ") + name +
                                        (model_->Modified() ? QStringLiteral("*") : QString()));
}

QString TTestSetForm::DialogDir() const {
    if (!setPath_.isEmpty())
        return paths::FileDir(setPath_);
    if (!machinePath_.isEmpty())
        return paths::FileDir(machinePath_);
    return config_.Dir;
}

void TTestSetForm::OpenFor(const QString& machinePath) {
    if (machinePath == machinePath_)
        return;
    machinePath_ = machinePath;
    if (Checking() || model_->Modified() || machinePath.isEmpty())
        return;
    const QString beside = TestSetPathOf(machinePath);
    if (QFileInfo(beside).isFile())
        LoadSet(beside);
}

void TTestSetForm::FollowMachine(const QString& machinePath) {
    if (machinePath.isEmpty() || machinePath == machinePath_ || Checking())
        return;
    const QString previous = machinePath_;
    machinePath_ = machinePath;
    if (!QuerySave()) {
        note_ = QStringLiteral("Набор слов остался от машины ") + paths::FileName(previous);
        UpdateSummary();
        return;
    }
    const QString beside = TestSetPathOf(machinePath);
    if (QFileInfo(beside).isFile() && LoadSet(beside))
        return;
    cancelled_ = false;
    model_->SetCases({});
    setPath_.clear();
    note_ = QStringLiteral("Для машины ") + paths::FileName(machinePath) + QStringLiteral(" нет набора слов ") +
            paths::FileName(beside);
    UpdateCaption();
    UpdateControls();
    UpdateSummary();
    FitColumns();
}

bool TTestSetForm::LoadSet(const QString& path) {
    if (Checking())
        return false;
    QList<TTestLineError> errors;
    QString error;
    const QList<TTestCase> cases = ReadTestSet(path, errors, error);
    if (!error.isEmpty()) {
        prompts_.Message(Caption, error, TIcon::Stop);
        return false;
    }
    cancelled_ = false;
    note_.clear();
    model_->SetCases(cases);
    setPath_ = path;
    if (!errors.isEmpty()) {
        // The lines are skipped: saving the set now drops them, so the user hears of each.
        constexpr int Shown = 20;
        QStringList lines;
        for (int i = 0; i < errors.size() && i < Shown; ++i)
            lines.append(errors[i].Message());
        if (errors.size() > Shown)
            lines.append(QStringLiteral("и еще строк: ") + QString::number(errors.size() - Shown));
        prompts_.Message(Caption,
                         QStringLiteral("В файле ") + path + QStringLiteral(" пропущены строки:\n") +
                             lines.join(QLatin1Char('\n')),
                         TIcon::Exclamation);
    }
    UpdateCaption();
    UpdateControls();
    UpdateSummary();
    FitColumns();
    return true;
}

bool TTestSetForm::SaveSet() {
    if (setPath_.isEmpty())
        return SaveSetAs();
    const QString error = SaveTestSet(setPath_, model_->Cases());
    if (!error.isEmpty()) {
        prompts_.Message(Caption, error, TIcon::Stop);
        return false;
    }
    model_->SetModified(false);
    UpdateCaption();
    return true;
}

bool TTestSetForm::QuerySave() {
    if (!model_->Modified())
        return true;
    const TAnswer answer = prompts_.Message(Caption, QStringLiteral("Набор слов изменен.\nСохранить изменения?"),
                                            TIcon::Question, ButtonsYesNoCancel, TAnswer::Yes);
    if (answer == TAnswer::Cancel)
        return false;
    return answer == TAnswer::No || SaveSet();
}

bool TTestSetForm::SaveSetAs() {
    TFileDialog dialog;
    dialog.title = QStringLiteral("Сохранить набор слов");
    dialog.filter = Filter;
    dialog.defaultExt = QStringLiteral("tests");
    dialog.initialDir = DialogDir();
    dialog.fileName = setPath_.isEmpty() && !machinePath_.isEmpty() ? paths::FileName(TestSetPathOf(machinePath_))
                                                                    : paths::FileName(setPath_);
    dialog.overwritePrompt = true;
    const QString chosen = prompts_.SaveFileName(dialog);
    if (chosen.isEmpty())
        return false;
    const QString previous = setPath_;
    setPath_ = chosen;
    if (!SaveSet()) {
        setPath_ = previous;
        UpdateCaption();
        return false;
    }
    return true;
}

void TTestSetForm::StartCheck() {
    if (Checking() || model_->rowCount() == 0)
        return;
    const QByteArray machine = machineBytes ? machineBytes() : QByteArray();
    if (machine.isEmpty()) {
        prompts_.Message(Caption, QStringLiteral("Нет машины для проверки"), TIcon::Stop);
        return;
    }
    model_->ClearResults();
    cancelled_ = false;
    note_.clear();
    // The job has copies of everything it reads; it speaks to the window only through the control.
    work_->Start(
        [this, machine, config = TConfig(config_), cases = model_->Cases(),
         limit = qint64(StepLimitEdit->value())](TLongWork::TControl& control) {
            int done = 0;
            CheckTestSet(machine, config, cases, limit, control.CancelFlag(), [&](int row, const TRunResult& result) {
                // The model is the window's: only the posted call, on the window's thread, touches it.
                control.Post([this, row, result] { model_->SetResult(row, result); });
                control.Progress(++done, cases.size());
            });
        },
        [this] { CheckDone(); });
    UpdateControls();
    UpdateSummary();
    emit checkingChanged(true);
}

bool TTestSetForm::Checking() const {
    return work_->Running();
}

void TTestSetForm::CancelCheck() {
    if (!Checking())
        return;
    work_->Cancel();
    cancelled_ = true;
}

void TTestSetForm::CheckDone() {
    UpdateControls();
    UpdateSummary();
    FitColumns();
    emit checkingChanged(false);
}

void TTestSetForm::closeEvent(QCloseEvent* event) {
    // A check goes on behind a hidden window only to be forgotten: closing ends it.
    if (Checking()) {
        cancelled_ = true;
        work_->Stop();
        UpdateControls();
        UpdateSummary();
        emit checkingChanged(false);
    }
    QWidget::closeEvent(event);
}

void TTestSetForm::ApplyLayout() {
    setGeometry(config_.TestSetLeft, config_.TestSetTop, config_.TestSetWidth, config_.TestSetHeight);
}

void TTestSetForm::StoreLayout() {
    const QRect r = geometry();
    config_.TestSetLeft = r.left();
    config_.TestSetTop = r.top();
    config_.TestSetWidth = r.width();
    config_.TestSetHeight = r.height();
}
