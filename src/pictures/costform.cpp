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
#include <QPixmap>
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
    FitLabel = new QLabel(this);
    FitLabel->setObjectName(QStringLiteral("FitLabel"));
    layout->addWidget(FitLabel);

    auto* run = new QHBoxLayout;
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
    for (QWidget* w : std::initializer_list<QWidget*>{lengthLabel, MaxLengthEdit, limitLabel, StepLimitEdit, SeriesBox,
                                                      MeasureButton})
        run->addWidget(w);
    run->addWidget(progress, 1);
    layout->addLayout(run);

    auto* files = new QHBoxLayout;
    PngButton = new QPushButton(QStringLiteral("Сохранить &PNG..."), this);
    CsvButton = new QPushButton(QStringLiteral("Сохранить &CSV..."), this);
    files->addStretch(1);
    files->addWidget(PngButton);
    files->addWidget(CsvButton);
    layout->addLayout(files);
    const std::pair<QPushButton*, const char*> names[] = {
        {MeasureButton, "MeasureButton"}, {PngButton, "PngButton"}, {CsvButton, "CsvButton"}};
    for (const auto& [button, name] : names) {
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
    }
    connect(MeasureButton, &QPushButton::clicked, this, &TCostForm::StartMeasure);
    connect(PngButton, &QPushButton::clicked, this, &TCostForm::ExportPng);
    connect(CsvButton, &QPushButton::clicked, this, &TCostForm::ExportCsv);
    connect(SeriesBox, &QComboBox::currentIndexChanged, this, &TCostForm::Plot);
}

void TCostForm::UpdateControls() {
    const bool measuring = Measuring();
    const bool measured = !measuring && !table_->points.isEmpty();
    MeasureButton->setEnabled(!measuring);
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
    Plot();
    SourceLabel->setText(fromSet ? QStringLiteral("Слова: набор слов") : QStringLiteral("Слова: над алфавитом машины"));
    FitLabel->setText(QStringLiteral("Идет измерение..."));
    // The job has copies of everything it reads.
    work_->Start(
        [machine, config = TConfig(config_), fromSet, setWords, maxLength = MaxLengthEdit->value(),
         limit = qint64(StepLimitEdit->value())](TLongWork::TControl& control) {
            TConfig settings = config;
            settings.settingsPath.clear();
            settings.desktopPath.clear();
            // The loop check reads the run log, which nothing else here wants.
            settings.ViewLog = settings.History;
            TBatchRunner runner(settings);
            QStringList warnings;
            runner.LoadBytes(machine, warnings);
            const TCostWords words =
                fromSet ? WordsOfSet(setWords) : WordsOverAlphabet(runner.Machine().Alphabet(), maxLength);
            return std::make_shared<TCostTable>(
                MeasureCost(runner, words, limit, control.CancelFlag(),
                            [&](int done, int total) { control.Progress(done, total); }));
        },
        [this](std::shared_ptr<TCostTable> table) { Done(table); });
    UpdateControls();
}

void TCostForm::CancelMeasure() {
    work_->Cancel();
}

void TCostForm::Done(const std::shared_ptr<TCostTable>& table) {
    table_ = table;
    SourceLabel->setText(QStringLiteral("Слова: ") + table_->SourceText() +
                         (table_->refused > 0 ? QStringLiteral(" (не запущено слов: ") +
                                                    QString::number(table_->refused) + QLatin1Char(')')
                                              : QString()));
    Plot();
    UpdateControls();
    emit measured();
}

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
    double top = 1;
    int longest = 1;
    for (const TCostPoint& p : t.points) {
        longest = std::max(longest, p.length);
        if (p.halted == 0)
            continue;
        const double y = steps ? double(p.maxSteps) : double(p.maxCells);
        largest->append(p.length, y);
        mean->append(p.length, steps ? p.meanSteps : p.meanCells);
        top = std::max(top, y);
    }
    top *= 1.1;
    for (const TCostPoint& p : t.points)
        if (!p.notHalted.isEmpty())
            stuck->append(p.length, top);
    const TPowerFit& fit = steps ? t.steps : t.cells;
    auto* curve = new QLineSeries;
    if (fit.valid) {
        curve->setName(fit.Formula());
        QPen pen(Qt::darkGray);
        pen.setStyle(Qt::DashLine);
        pen.setWidth(2);
        curve->setPen(pen);
        for (int i = 0; i <= 100; ++i) {
            const double n = std::max(1.0, longest * i / 100.0);
            curve->append(n, std::min(fit.c * std::pow(n, fit.k), top));
        }
    }
    for (QAbstractSeries* s : std::initializer_list<QAbstractSeries*>{largest, mean, curve, stuck})
        chart->addSeries(s);
    auto* x = new QValueAxis;
    x->setTitleText(QStringLiteral("длина слова"));
    x->setRange(0, longest);
    x->setLabelFormat(QStringLiteral("%d"));
    auto* y = new QValueAxis;
    y->setTitleText(steps ? QStringLiteral("шагов") : QStringLiteral("ячеек ленты"));
    y->setRange(0, top);
    y->setLabelFormat(QStringLiteral("%.0f"));
    y->applyNiceNumbers();
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* s : chart->series()) {
        s->attachAxis(x);
        s->attachAxis(y);
    }
    // The marks of words that did not halt are named in the legend only when there are some.
    for (QLegendMarker* marker : chart->legend()->markers(stuck))
        marker->setVisible(stuck->count() > 0);
    for (QLegendMarker* marker : chart->legend()->markers(curve))
        marker->setVisible(fit.valid);
    const QString what = steps ? QStringLiteral("шаги") : QStringLiteral("ячейки");
    chart->setTitle(fit.valid ? what + QStringLiteral(" ") + fit.Rounded() : QString());
    QStringList parts;
    if (fit.valid)
        parts.append(what + QStringLiteral(" ≈ ") + fit.Formula());
    else if (!t.points.isEmpty())
        parts.append(QStringLiteral("мало данных для оценки"));
    int stuckWords = 0;
    for (const TCostPoint& p : t.points)
        stuckWords += int(p.notHalted.size());
    if (stuckWords > 0)
        parts.append(QStringLiteral("не остановились слов: ") + QString::number(stuckWords));
    if (t.cancelled)
        parts.append(QStringLiteral("измерение прервано"));
    QString text = parts.join(QStringLiteral("; "));
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    if (!Measuring())
        FitLabel->setText(text);
}

bool TCostForm::Save(const QString& title, const QString& filter, const QString& ext, const QByteArray& bytes) {
    TFileDialog dialog;
    dialog.title = title;
    dialog.filter = filter;
    dialog.defaultExt = ext;
    dialog.initialDir = config_.Dir;
    dialog.overwritePrompt = true;
    return SavePictureFile(prompts_, Caption, dialog, [&bytes] { return bytes; });
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
