#include "pictures/costform.h"

#include "pictures/picturefile.h"
#include "platform/prompts.h"
#include "runner/longwork.h"
#include "runner/longworkwidget.h"
#include "settings/config.h"

#include <QBuffer>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>

#include <cmath>

namespace {

const QString Caption = QStringLiteral("Сложность");
// The window's page in the help.
constexpr int WindowHelp = 2073;
constexpr int DefaultMaxLength = 20;
constexpr int DefaultStepLimit = 1000000;

} // namespace

TCostForm::TCostForm(TConfig& config, TPrompts& prompts, QWidget* parent)
    : QWidget(parent, Qt::Window), config_(config), prompts_(prompts), table_(std::make_shared<TCostTable>()) {
    setObjectName(QStringLiteral("CostForm"));
    setProperty("helpContext", WindowHelp);
    setWindowTitle(Caption);
    work_ = new TLongWork(this);
    CreateControls();
    UpdateControls();
    ApplyLayout();
}

TCostForm::~TCostForm() {
    work_->Stop();
    StoreLayout();
}

void TCostForm::ApplyLayout() {
    setGeometry(config_.CostLeft, config_.CostTop, config_.CostWidth, config_.CostHeight);
}

void TCostForm::StoreLayout() {
    const QRect r = geometry();
    config_.CostLeft = r.left();
    config_.CostTop = r.top();
    config_.CostWidth = r.width();
    config_.CostHeight = r.height();
}

void TCostForm::CreateControls() {
    auto* layout = new QVBoxLayout(this);
    SourceLabel = new QLabel(this);
    SourceLabel->setObjectName(QStringLiteral("SourceLabel"));
    SourceLabel->setWordWrap(true);
    layout->addWidget(SourceLabel);

    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    ChartView = new QChartView(chart, this);
    ChartView->setObjectName(QStringLiteral("ChartView"));
    ChartView->setRenderHint(QPainter::Antialiasing);
    layout->addWidget(ChartView, 1);
    TableText = new QPlainTextEdit(this);
    TableText->setObjectName(QStringLiteral("TableText"));
    TableText->setReadOnly(true);
    TableText->setLineWrapMode(QPlainTextEdit::NoWrap);
    TableText->hide();
    layout->addWidget(TableText, 1);
    FitLabel = new QLabel(this);
    FitLabel->setObjectName(QStringLiteral("FitLabel"));
    layout->addWidget(FitLabel);

    auto* run = new QHBoxLayout;
    auto* alphabetLabel = new QLabel(QStringLiteral("&Алфавит слов:"), this);
    AlphabetEdit = new QLineEdit(this);
    AlphabetEdit->setObjectName(QStringLiteral("AlphabetEdit"));
    AlphabetEdit->setMaximumWidth(fontMetrics().horizontalAdvance(QLatin1Char('m')) * 12);
    alphabetLabel->setBuddy(AlphabetEdit);
    auto* lengthLabel = new QLabel(QStringLiteral("&Длина слов до:"), this);
    MaxLengthEdit = new QSpinBox(this);
    MaxLengthEdit->setObjectName(QStringLiteral("MaxLengthEdit"));
    MaxLengthEdit->setRange(0, MaxCostLength);
    MaxLengthEdit->setValue(DefaultMaxLength);
    lengthLabel->setBuddy(MaxLengthEdit);
    auto* limitLabel = new QLabel(QStringLiteral("&Предел шагов:"), this);
    StepLimitEdit = new QSpinBox(this);
    StepLimitEdit->setObjectName(QStringLiteral("StepLimitEdit"));
    StepLimitEdit->setRange(1, 2000000000);
    StepLimitEdit->setValue(DefaultStepLimit);
    StepLimitEdit->setGroupSeparatorShown(true);
    limitLabel->setBuddy(StepLimitEdit);
    SeriesBox = new QComboBox(this);
    SeriesBox->setObjectName(QStringLiteral("SeriesBox"));
    SeriesBox->addItems({QStringLiteral("Шаги"), QStringLiteral("Ячейки ленты")});
    MeasureButton = new QPushButton(QStringLiteral("&Измерить"), this);
    auto* progress = new TLongWorkWidget(this);
    progress->Watch(work_);
    CancelButton = progress->CancelButton;
    ProgressBar = progress->ProgressBar;
    for (QWidget* w : std::initializer_list<QWidget*>{alphabetLabel, AlphabetEdit, lengthLabel, MaxLengthEdit,
                                                      limitLabel, StepLimitEdit, SeriesBox, MeasureButton})
        run->addWidget(w);
    run->addStretch(1);
    layout->addLayout(run);

    auto* files = new QHBoxLayout;
    PngButton = new QPushButton(QStringLiteral("Сохранить &PNG..."), this);
    CsvButton = new QPushButton(QStringLiteral("Сохранить &CSV..."), this);
    TableButton = new QPushButton(QStringLiteral("&Таблица"), this);
    TableButton->setCheckable(true);
    SavedLabel = new QLabel(this);
    SavedLabel->setObjectName(QStringLiteral("SavedLabel"));
    // A long path must not widen the window.
    SavedLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    files->addWidget(TableButton);
    files->addWidget(progress, 1);
    files->addWidget(SavedLabel, 1);
    files->addWidget(PngButton);
    files->addWidget(CsvButton);
    layout->addLayout(files);
    const std::pair<QPushButton*, const char*> names[] = {{MeasureButton, "MeasureButton"},
                                                          {PngButton, "PngButton"},
                                                          {CsvButton, "CsvButton"},
                                                          {TableButton, "TableButton"}};
    for (const auto& [button, name] : names) {
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
    }
    connect(MeasureButton, &QPushButton::clicked, this, &TCostForm::StartMeasure);
    connect(PngButton, &QPushButton::clicked, this, &TCostForm::ExportPng);
    connect(CsvButton, &QPushButton::clicked, this, &TCostForm::ExportCsv);
    connect(SeriesBox, &QComboBox::currentIndexChanged, this, &TCostForm::Plot);
    // The table in place of the chart and back.
    connect(TableButton, &QPushButton::toggled, this, [this](bool on) {
        TableText->setVisible(on);
        ChartView->setVisible(!on);
    });

    ChartView->setAccessibleName(QStringLiteral("График сложности"));
    SourceLabel->setAccessibleDescription(QStringLiteral("Какие слова измерены"));
    FitLabel->setAccessibleDescription(QStringLiteral("Класс роста, подобранный по наибольшему числу шагов или ячеек"));
    AlphabetEdit->setAccessibleDescription(
        QStringLiteral("Символы, из которых составляются слова; пусто: алфавит задачи или символы слова машины"));
    MaxLengthEdit->setAccessibleDescription(QStringLiteral("Наибольшая длина слов, на которых запускается машина"));
    StepLimitEdit->setAccessibleDescription(QStringLiteral("Наибольшее число шагов машины на одном слове"));
    SeriesBox->setAccessibleName(QStringLiteral("Что показывать"));
    SeriesBox->setAccessibleDescription(QStringLiteral("Число шагов или число ячеек ленты по длине слова"));
    MeasureButton->setAccessibleDescription(QStringLiteral("Запуск машины на словах всех длин"));
    CancelButton->setAccessibleDescription(QStringLiteral("Прерывание измерения"));
    ProgressBar->setAccessibleName(QStringLiteral("Ход измерения"));
    ProgressBar->setAccessibleDescription(QStringLiteral("Доля измеренных слов"));
    PngButton->setAccessibleDescription(QStringLiteral("Сохранение графика в рисунок PNG"));
    CsvButton->setAccessibleDescription(QStringLiteral("Сохранение таблицы измерений в файл CSV"));
    TableButton->setAccessibleDescription(QStringLiteral("Таблица измерений текстом вместо графика"));
    TableText->setAccessibleName(QStringLiteral("Таблица измерений"));
    TableText->setAccessibleDescription(QStringLiteral("Длины слов, число шагов и ячеек, подобранный класс роста"));
    SavedLabel->setAccessibleDescription(QStringLiteral("Куда сохранен последний файл"));
}

void TCostForm::UpdateControls() {
    const bool measuring = Measuring();
    const bool measured = !measuring && !table_->points.isEmpty();
    MeasureButton->setEnabled(!measuring);
    AlphabetEdit->setEnabled(!measuring);
    MaxLengthEdit->setEnabled(!measuring);
    StepLimitEdit->setEnabled(!measuring);
    PngButton->setEnabled(measured);
    CsvButton->setEnabled(measured);
}

bool TCostForm::Measuring() const {
    return work_->Running();
}

void TCostForm::StartMeasure() {
    if (Measuring())
        return;
    const QByteArray machine = machineBytes ? machineBytes() : QByteArray();
    if (machine.isEmpty()) {
        prompts_.Message(Caption, QStringLiteral("Нет машины для измерения"), TIcon::Stop);
        return;
    }
    const QStringList setWords = testSetWords ? testSetWords() : QStringList();
    const bool fromSet = !setWords.isEmpty();
    table_ = std::make_shared<TCostTable>();
    SavedLabel->clear();
    Plot();
    SourceLabel->setText(fromSet ? QStringLiteral("Слова: набор слов") : QStringLiteral("Слова: над алфавитом машины"));
    FitLabel->setText(QStringLiteral("Идет измерение..."));
    // The field empty, the task's alphabet, else the machine word's symbols (found once the machine is loaded).
    const QString chosen = AlphabetEdit->text().isEmpty() && taskAlphabet ? taskAlphabet() : AlphabetEdit->text();
    // The job has copies of everything it reads.
    work_->Start(
        [machine, config = TConfig(config_), fromSet, setWords, chosen, maxLength = MaxLengthEdit->value(),
         limit = qint64(StepLimitEdit->value())](TLongWork::TControl& control) {
            TConfig settings = config;
            settings.settingsPath.clear();
            settings.desktopPath.clear();
            // The loop check reads the run log, which nothing else here wants.
            settings.ViewLog = settings.History;
            TBatchRunner runner(settings);
            QStringList warnings;
            runner.LoadBytes(machine, warnings);
            const QString symbols =
                chosen.isEmpty() ? WordSymbols(runner.FileWord(), runner.Machine().Alphabet()) : chosen;
            const TCostWords words = fromSet ? WordsOfSet(setWords) : WordsOverAlphabet(symbols, maxLength);
            return std::make_shared<TCostTable>(
                MeasureCost(runner, words, limit, control.CancelFlag(),
                            [&](int done, int total) { control.Progress(done, total); }));
        },
        [this](std::shared_ptr<TCostTable> table) { Done(table); });
    UpdateControls();
}

void TCostForm::FollowMachine() {
    work_->Stop();
    table_ = std::make_shared<TCostTable>();
    // The new machine's own default: its task's alphabet or its word's symbols.
    AlphabetEdit->clear();
    SavedLabel->clear();
    Plot();
    SourceLabel->setText(QStringLiteral("Открыта другая машина: нажмите «Измерить»"));
    FitLabel->clear();
    UpdateControls();
}

void TCostForm::CancelMeasure() {
    work_->Cancel();
}

void TCostForm::Done(const std::shared_ptr<TCostTable>& table) {
    table_ = table;
    if (table_->words.source != TCostWords::TSource::TestSet)
        AlphabetEdit->setText(table_->words.symbols);
    SourceLabel->setText(QStringLiteral("Слова: ") + table_->SourceText() +
                         (table_->refused > 0 ? QStringLiteral(" (не запущено слов: ") +
                                                    QString::number(table_->refused) + QLatin1Char(')')
                                              : QString()));
    Plot();
    UpdateControls();
    emit measured();
}

namespace {

// A step between the y axis's ticks of 1, 2 or 5 times a power of ten, never less than one: counts are whole.
double TickInterval(double top) {
    const double rough = std::max(top / 5, 1.0);
    const double power = std::pow(10, std::floor(std::log10(rough)));
    const double m = rough / power;
    return (m <= 1 ? 1 : m <= 2 ? 2 : m <= 5 ? 5 : 10) * power;
}

} // namespace

void TCostForm::Plot() {
    const bool steps = SeriesBox->currentIndex() == 0;
    const TCostTable& t = *table_;
    QChart* chart = ChartView->chart();
    chart->removeAllSeries();
    // The chart gives a removed axis back to the caller.
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    auto* largest = new QLineSeries;
    largest->setName(QStringLiteral("наибольшее"));
    largest->setPointsVisible(true);
    auto* mean = new QLineSeries;
    mean->setName(QStringLiteral("среднее"));
    auto* stuck = new QScatterSeries;
    stuck->setName(QStringLiteral("не остановились"));
    stuck->setMarkerShape(QScatterSeries::MarkerShapeRotatedRectangle);
    stuck->setColor(Qt::red);
    stuck->setMarkerSize(9);
    auto* cut = new QScatterSeries;
    cut->setName(QStringLiteral("оборваны пределом шагов"));
    cut->setMarkerShape(QScatterSeries::MarkerShapeTriangle);
    cut->setColor(QColor(230, 140, 0));
    cut->setMarkerSize(10);
    double highest = 1;
    int shortest = -1;
    int longest = 1;
    for (const TCostPoint& p : t.points) {
        longest = std::max(longest, p.length);
        if (p.halted == 0)
            continue;
        if (shortest < 0)
            shortest = p.length;
        const double y = steps ? double(p.maxSteps) : double(p.maxCells);
        largest->append(p.length, y);
        mean->append(p.length, steps ? p.meanSteps : p.meanCells);
        highest = std::max(highest, y);
    }
    const double interval = TickInterval(highest * 1.1);
    const double top = std::ceil(highest * 1.1 / interval) * interval;
    for (const TCostPoint& p : t.points) {
        if (!p.notHalted.isEmpty())
            stuck->append(p.length, top);
        if (!p.cut.isEmpty())
            cut->append(p.length, top);
    }
    const TCostFit& fit = steps ? t.steps : t.cells;
    auto* curve = new QLineSeries;
    if (fit.valid) {
        curve->setName(fit.ClassText());
        QPen pen(Qt::darkGray);
        pen.setStyle(Qt::DashLine);
        pen.setWidth(2);
        curve->setPen(pen);
        const double from = std::max(shortest, 0);
        for (int i = 0; i <= 100; ++i) {
            const double n = from + (longest - from) * i / 100.0;
            const double y = fit.At(n);
            if (y > top)
                break;
            curve->append(n, std::max(y, 0.0));
        }
    }
    for (QAbstractSeries* s : std::initializer_list<QAbstractSeries*>{largest, mean, curve, stuck, cut})
        chart->addSeries(s);
    auto* x = new QValueAxis;
    x->setObjectName(QStringLiteral("LengthAxis"));
    x->setTitleText(QStringLiteral("длина слова"));
    x->setRange(0, longest);
    x->setTickType(QValueAxis::TicksDynamic);
    x->setTickAnchor(0);
    x->setTickInterval(TickInterval(longest));
    x->setLabelFormat(QStringLiteral("%d"));
    auto* y = new QValueAxis;
    y->setObjectName(QStringLiteral("CountAxis"));
    y->setTitleText(steps ? QStringLiteral("шагов") : QStringLiteral("ячеек ленты"));
    // Whole numbers a tick apart: ticks closer than one would repeat a label ("1, 1").
    y->setRange(0, top);
    y->setTickType(QValueAxis::TicksDynamic);
    y->setTickAnchor(0);
    y->setTickInterval(interval);
    y->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* s : chart->series()) {
        s->attachAxis(x);
        s->attachAxis(y);
    }
    // The marks of words that did not halt are named in the legend only when there are some.
    for (QLegendMarker* marker : chart->legend()->markers(stuck))
        marker->setVisible(stuck->count() > 0);
    for (QLegendMarker* marker : chart->legend()->markers(cut))
        marker->setVisible(cut->count() > 0);
    for (QLegendMarker* marker : chart->legend()->markers(curve))
        marker->setVisible(fit.valid);
    const QString what = steps ? QStringLiteral("шаги") : QStringLiteral("ячейки");
    chart->setTitle(fit.valid ? what + QStringLiteral(" ") + fit.Rounded() : QString());
    QStringList parts;
    if (fit.valid)
        parts.append(what + QStringLiteral(" ") + fit.Rounded() + QStringLiteral(": ") + fit.Formula() +
                     fit.DegreeText());
    else if (!t.points.isEmpty())
        parts.append(QStringLiteral("мало данных для оценки"));
    int stuckWords = 0;
    int cutWords = 0;
    for (const TCostPoint& p : t.points) {
        stuckWords += int(p.notHalted.size());
        cutWords += int(p.cut.size());
    }
    if (stuckWords > 0)
        parts.append(QStringLiteral("не остановились слов: ") + QString::number(stuckWords));
    if (cutWords > 0)
        parts.append(QStringLiteral("оборвано пределом шагов: ") + QString::number(cutWords));
    if (t.cancelled)
        parts.append(QStringLiteral("измерение прервано"));
    QString text = parts.join(QStringLiteral("; "));
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    if (!Measuring())
        FitLabel->setText(text);
    // What the chart shows, for those who cannot see it: the fit, and the table on the button's page.
    TableText->setPlainText(t.points.isEmpty() ? QString() : t.Text());
    ChartView->setAccessibleDescription(t.points.isEmpty()
                                            ? QStringLiteral("Измерений нет")
                                            : (text.isEmpty() ? QString() : text + QStringLiteral(". ")) +
                                                  QStringLiteral("Таблица: кнопка «Таблица»"));
}

bool TCostForm::Save(const QString& title, const QString& filter, const QString& ext, const QByteArray& bytes) {
    TFileDialog dialog;
    dialog.title = title;
    dialog.filter = filter;
    dialog.defaultExt = ext;
    dialog.initialDir = config_.Dir;
    dialog.overwritePrompt = true;
    const QString name = SavePictureFile(prompts_, Caption, dialog, [&bytes] { return bytes; });
    if (!name.isEmpty())
        SavedLabel->setText(QStringLiteral("Сохранено: ") + name);
    return !name.isEmpty();
}

bool TCostForm::ExportPng() {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ChartView->grab().save(&buffer, "PNG");
    return Save(QStringLiteral("Сохранить график"), QStringLiteral("Рисунки PNG (*.png)|*.png"), QStringLiteral("png"),
                bytes);
}

bool TCostForm::ExportCsv() {
    return Save(QStringLiteral("Сохранить таблицу"), QStringLiteral("Таблицы CSV (*.csv)|*.csv"), QStringLiteral("csv"),
                table_->Csv());
}

void TCostForm::closeEvent(QCloseEvent* event) {
    // A measurement goes on behind a hidden window only to be forgotten: closing ends it.
    if (Measuring()) {
        work_->Stop();
        FitLabel->setText(QStringLiteral("Измерение прервано"));
        UpdateControls();
    }
    QWidget::closeEvent(event);
}
