#include "pictures/spacetimeform.h"

#include "pictures/picturefile.h"
#include "platform/prompts.h"
#include "runner/longwork.h"
#include "runner/longworkwidget.h"
#include "settings/config.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRubberBand>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QString Caption = QStringLiteral("Ход вычисления");
// The window's page in the help.
constexpr int WindowHelp = 2072;
constexpr int DefaultStepLimit = 100000000;
constexpr double MaxZoom = 64;

QColor Colour(std::uint32_t argb) {
    return QColor::fromRgb(argb);
}

} // namespace

TSpaceTimeCanvas::TSpaceTimeCanvas(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Canvas"));
    setMouseTracking(true);
    band_ = new QRubberBand(QRubberBand::Rectangle, this);
}

void TSpaceTimeCanvas::SetPicture(const TSpaceTime* picture) {
    picture_ = picture;
    currentRow_ = -1;
    image_ = QImage();
    if (picture_ && !picture_->rows.empty()) {
        // The cells alone: the head is drawn over them at the zoom shown, framed once the cells are large.
        const std::array<std::uint32_t, 256> colours = SymbolColours(*picture_);
        const int columns = picture_->Columns();
        const int rows = int(picture_->rows.size());
        image_ = QImage(columns, rows, QImage::Format_RGB32);
        for (int r = 0; r < rows; ++r) {
            auto* line = reinterpret_cast<std::uint32_t*>(image_.scanLine(r));
            for (int c = 0; c < columns; ++c)
                line[c] = colours[picture_->Cell(r, c)];
        }
    }
    SetZoom(zoomX_, zoomY_);
}

void TSpaceTimeCanvas::SetZoom(double x, double y) {
    zoomX_ = std::clamp(x, 1.0 / 64, MaxZoom);
    zoomY_ = std::clamp(y, 1.0 / 64, MaxZoom);
    const QSize size = image_.isNull()
                           ? QSize(0, 0)
                           : QSize(int(std::ceil(image_.width() * zoomX_)), int(std::ceil(image_.height() * zoomY_)));
    setFixedSize(size);
    update();
}

void TSpaceTimeCanvas::SetCurrentRow(int row) {
    if (row == currentRow_)
        return;
    currentRow_ = row;
    update();
}

QPoint TSpaceTimeCanvas::CellAt(QPoint point) const {
    return QPoint(int(std::floor(point.x() / zoomX_)), int(std::floor(point.y() / zoomY_)));
}

void TSpaceTimeCanvas::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), Colour(BlankColour));
    if (image_.isNull())
        return;
    // Cells stay sharp when enlarged either way; only a picture shrunk both ways is smoothed.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, zoomX_ < 1 && zoomY_ < 1);
    painter.drawImage(QRectF(0, 0, image_.width() * zoomX_, image_.height() * zoomY_), image_);
    const int firstRow = std::max(0, int(event->rect().top() / zoomY_));
    const int lastRow = std::min(image_.height() - 1, int(event->rect().bottom() / zoomY_));
    const QColor head = Colour(HeadColour);
    for (int r = firstRow; r <= lastRow; ++r) {
        const int column = picture_->ColumnOf(picture_->rows[std::size_t(r)].head);
        const QRectF cell(column * zoomX_, r * zoomY_, std::max(zoomX_, 1.0), std::max(zoomY_, 1.0));
        if (std::min(zoomX_, zoomY_) >= 3) {
            painter.setPen(QPen(head, 1));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(cell.adjusted(0.5, 0.5, -0.5, -0.5));
        } else {
            painter.fillRect(cell, head);
        }
    }
    if (currentRow_ >= 0) {
        // The row of the step the main window's run stands at, lit across the whole picture.
        const QRectF row(0, currentRow_ * zoomY_, width(), std::max(zoomY_, 2.0));
        painter.fillRect(row, QColor(255, 200, 0, 110));
        painter.setPen(QPen(QColor(230, 120, 0), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(row.adjusted(0, 0, -1, 0));
    }
}

void TSpaceTimeCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    pressed_ = event->position().toPoint();
    band_->setGeometry(QRect(pressed_, QSize()));
    band_->show();
}

void TSpaceTimeCanvas::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (band_->isVisible())
        band_->setGeometry(QRect(pressed_, p).normalized());
    const QPoint cell = CellAt(p);
    if (picture_ && cell.y() >= 0 && cell.y() < int(picture_->rows.size()))
        emit hovered(cell.y(), cell.x());
}

void TSpaceTimeCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !band_->isVisible())
        return QWidget::mouseReleaseEvent(event);
    band_->hide();
    const QRect dragged = QRect(pressed_, event->position().toPoint()).normalized();
    // A click is no region.
    if (dragged.width() < 4 || dragged.height() < 4)
        return;
    const QPoint from = CellAt(dragged.topLeft());
    const QPoint to = CellAt(dragged.bottomRight());
    emit regionChosen(QRect(from, to));
}

TSpaceTimeForm::TSpaceTimeForm(TConfig& config, TPrompts& prompts, QWidget* parent)
    : QWidget(parent, Qt::Window), config_(config), prompts_(prompts), picture_(std::make_shared<TSpaceTime>()),
      whole_(picture_) {
    setObjectName(QStringLiteral("SpaceTimeForm"));
    setProperty("helpContext", WindowHelp);
    setWindowTitle(Caption);
    work_ = new TLongWork(this);
    CreateControls();
    UpdateControls();
    ApplyLayout();
}

TSpaceTimeForm::~TSpaceTimeForm() {
    work_->Stop();
    StoreLayout();
}

void TSpaceTimeForm::ApplyLayout() {
    setGeometry(config_.SpaceTimeLeft, config_.SpaceTimeTop, config_.SpaceTimeWidth, config_.SpaceTimeHeight);
}

void TSpaceTimeForm::StoreLayout() {
    const QRect r = geometry();
    config_.SpaceTimeLeft = r.left();
    config_.SpaceTimeTop = r.top();
    config_.SpaceTimeWidth = r.width();
    config_.SpaceTimeHeight = r.height();
}

void TSpaceTimeForm::CreateControls() {
    auto* layout = new QVBoxLayout(this);
    EndLabel = new QLabel(this);
    EndLabel->setObjectName(QStringLiteral("EndLabel"));
    EndLabel->setWordWrap(true);
    layout->addWidget(EndLabel);

    PictureArea = new QScrollArea(this);
    PictureArea->setObjectName(QStringLiteral("PictureArea"));
    PictureArea->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Canvas = new TSpaceTimeCanvas(PictureArea);
    PictureArea->setWidget(Canvas);
    layout->addWidget(PictureArea, 1);
    RowsText = new QPlainTextEdit(this);
    RowsText->setObjectName(QStringLiteral("RowsText"));
    RowsText->setReadOnly(true);
    RowsText->setLineWrapMode(QPlainTextEdit::NoWrap);
    RowsText->hide();
    layout->addWidget(RowsText, 1);

    InfoLabel = new QLabel(this);
    InfoLabel->setObjectName(QStringLiteral("InfoLabel"));
    // A long path or step number must not widen the window.
    InfoLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* info = new QHBoxLayout;
    info->addWidget(InfoLabel, 1);
    layout->addLayout(info);
    LegendLabel = new QLabel(this);
    LegendLabel->setObjectName(QStringLiteral("LegendLabel"));
    LegendLabel->setTextFormat(Qt::RichText);
    LegendLabel->setWordWrap(true);
    layout->addWidget(LegendLabel);

    auto* buttons = new QHBoxLayout;
    auto* limitLabel = new QLabel(QStringLiteral("&Предел шагов:"), this);
    StepLimitEdit = new QSpinBox(this);
    StepLimitEdit->setObjectName(QStringLiteral("StepLimitEdit"));
    StepLimitEdit->setRange(1, 2000000000);
    StepLimitEdit->setValue(DefaultStepLimit);
    StepLimitEdit->setGroupSeparatorShown(true);
    limitLabel->setBuddy(StepLimitEdit);
    RebuildButton = new QPushButton(QStringLiteral("По&строить"), this);
    ZoomInButton = new QPushButton(QStringLiteral("&Крупнее"), this);
    ZoomOutButton = new QPushButton(QStringLiteral("&Мельче"), this);
    FitButton = new QPushButton(QStringLiteral("&Целиком"), this);
    ExportButton = new QPushButton(QStringLiteral("Сохранить &PNG..."), this);
    RowsButton = new QPushButton(QStringLiteral("Т&екстом"), this);
    RowsButton->setCheckable(true);
    auto* progress = new TLongWorkWidget(this);
    progress->Watch(work_);
    CancelButton = progress->CancelButton;
    ProgressBar = progress->ProgressBar;
    buttons->addWidget(limitLabel);
    buttons->addWidget(StepLimitEdit);
    buttons->addWidget(RebuildButton);
    buttons->addStretch(1);
    for (QPushButton* b : {ZoomInButton, ZoomOutButton, FitButton, ExportButton})
        buttons->addWidget(b);
    info->addWidget(RowsButton);
    info->addWidget(progress);
    layout->addLayout(buttons);
    const std::pair<QPushButton*, const char*> names[] = {
        {RebuildButton, "RebuildButton"}, {ZoomInButton, "ZoomInButton"}, {ZoomOutButton, "ZoomOutButton"},
        {FitButton, "FitButton"},         {RowsButton, "RowsButton"},     {ExportButton, "ExportButton"}};
    for (const auto& [button, name] : names) {
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
    }

    connect(RebuildButton, &QPushButton::clicked, this, &TSpaceTimeForm::Rebuild);
    connect(ZoomInButton, &QPushButton::clicked, this,
            [this] { Canvas->SetZoom(Canvas->ZoomX() * 2, Canvas->ZoomY() * 2); });
    connect(ZoomOutButton, &QPushButton::clicked, this,
            [this] { Canvas->SetZoom(Canvas->ZoomX() / 2, Canvas->ZoomY() / 2); });
    connect(FitButton, &QPushButton::clicked, this, &TSpaceTimeForm::FitToWindow);
    connect(ExportButton, &QPushButton::clicked, this, &TSpaceTimeForm::ExportPng);
    connect(Canvas, &TSpaceTimeCanvas::hovered, this, &TSpaceTimeForm::ShowHovered);
    connect(Canvas, &TSpaceTimeCanvas::regionChosen, this, &TSpaceTimeForm::ZoomTo);
    // The rows as text in place of the picture and back; made only when asked for, as they may be many.
    connect(RowsButton, &QPushButton::toggled, this, [this](bool on) {
        RowsText->setPlainText(on ? picture_->RowsText() : QString());
        RowsText->setVisible(on);
        PictureArea->setVisible(!on);
    });

    Canvas->setAccessibleName(QStringLiteral("Картина хода вычисления"));
    EndLabel->setAccessibleDescription(QStringLiteral("Как закончилась работа машины и как нарисована картина"));
    InfoLabel->setAccessibleDescription(QStringLiteral("Шаг, состояние и ячейка под указателем"));
    LegendLabel->setAccessibleName(QStringLiteral("Цвета символов"));
    LegendLabel->setAccessibleDescription(QStringLiteral("Какой символ каким цветом нарисован"));
    StepLimitEdit->setAccessibleDescription(QStringLiteral("Наибольшее число шагов машины для картины"));
    RebuildButton->setAccessibleDescription(QStringLiteral("Построение картины заново по машине"));
    CancelButton->setAccessibleDescription(QStringLiteral("Прерывание построения"));
    ProgressBar->setAccessibleName(QStringLiteral("Ход построения"));
    ProgressBar->setAccessibleDescription(QStringLiteral("Доля пройденных шагов"));
    ZoomInButton->setAccessibleDescription(QStringLiteral("Увеличение картины вдвое"));
    ZoomOutButton->setAccessibleDescription(QStringLiteral("Уменьшение картины вдвое"));
    FitButton->setAccessibleDescription(QStringLiteral("Вся картина в окне"));
    RowsButton->setAccessibleDescription(QStringLiteral("Строки картины текстом: шаг, состояние, лента"));
    ExportButton->setAccessibleDescription(QStringLiteral("Сохранение картины в рисунок PNG"));
    RowsText->setAccessibleName(QStringLiteral("Строки картины"));
    RowsText->setAccessibleDescription(
        QStringLiteral("Строка на шаг: номер шага, состояние и лента, ячейка головки в квадратных скобках"));
}

void TSpaceTimeForm::UpdateControls() {
    const bool building = Building();
    const bool drawn = !building && !picture_->rows.empty();
    RebuildButton->setEnabled(!building);
    StepLimitEdit->setEnabled(!building);
    for (QPushButton* b : {ZoomInButton, ZoomOutButton, FitButton, ExportButton})
        b->setEnabled(drawn);
}

bool TSpaceTimeForm::Building() const {
    return work_->Running();
}

void TSpaceTimeForm::Rebuild() {
    work_->Stop();
    const QByteArray machine = machineBytes ? machineBytes() : QByteArray();
    if (machine.isEmpty()) {
        prompts_.Message(Caption, QStringLiteral("Нет машины для построения"), TIcon::Stop);
        return;
    }
    drawnFrom_ = machine;
    Canvas->SetPicture(nullptr);
    picture_ = whole_ = std::make_shared<TSpaceTime>();
    RowsText->clear();
    EndLabel->setText(QStringLiteral("Строится..."));
    InfoLabel->clear();
    LegendLabel->clear();
    // The job has copies of everything it reads.
    work_->Start(
        [machine, config = TConfig(config_), limit = qint64(StepLimitEdit->value())](TLongWork::TControl& control) {
            TConfig settings = config;
            settings.settingsPath.clear();
            settings.desktopPath.clear();
            // The loop check reads the run log, which nothing else here wants.
            settings.ViewLog = settings.History;
            TBatchRunner runner(settings);
            QStringList warnings;
            runner.LoadBytes(machine, warnings);
            return std::make_shared<TSpaceTime>(
                DrawSpaceTime(runner, runner.FileWord(), limit, control.CancelFlag(), {},
                              [&control](qint64 done, qint64 total) { control.Progress(done, total); }));
        },
        [this](std::shared_ptr<TSpaceTime> picture) { Built(picture); });
    UpdateControls();
}

void TSpaceTimeForm::Refresh() {
    if (!machineBytes || machineBytes() != drawnFrom_)
        Rebuild();
}

void TSpaceTimeForm::Built(const std::shared_ptr<TSpaceTime>& picture) {
    if (picture->zoomed) {
        // A part cut short by Cancel is no finer picture: the whole one stays.
        if (picture->cancelled || picture->rows.empty()) {
            Show(whole_);
            return;
        }
        picture->result = whole_->result;
    } else {
        whole_ = picture;
    }
    Show(picture);
    emit built();
}

void TSpaceTimeForm::Show(const std::shared_ptr<TSpaceTime>& picture) {
    picture_ = picture;
    const TSpaceTime& p = *picture_;
    if (p.result.end == TRunEnd::Refused) {
        EndLabel->setText(QStringLiteral("Машина не запущена на слове ") + WordShown(p.result.word) +
                          QStringLiteral(":\n") + p.result.faults.join(QLatin1Char('\n')));
    } else {
        EndLabel->setText(
            QStringLiteral("Слово ") + WordShown(p.result.word) + QStringLiteral(": ") + p.EndText() +
            QStringLiteral(". Строк: ") + QString::number(p.rows.size()) + QStringLiteral(", ") + p.BandText() +
            (p.cellsPerColumn > 1 ? QStringLiteral(", ячеек в столбце: ") + QString::number(p.cellsPerColumn)
                                  : QString()) +
            (p.zoomed ? QStringLiteral(". Показаны шаги с ") + QString::number(p.rows.front().step) +
                            QStringLiteral(" по ") + QString::number(p.rows.back().step)
                      : QString()));
    }
    Canvas->setAccessibleDescription(EndLabel->text() + QStringLiteral(" Строки текстом: кнопка «Текстом»."));
    if (RowsButton->isChecked())
        RowsText->setPlainText(p.RowsText());
    QString legend;
    // Each swatch framed: the blank's light grey is else lost on the window's background.
    const auto swatch = [](std::uint32_t argb) {
        return QStringLiteral("<td width=\"18\" style=\"background-color:#%1; border: 1px solid #808080\"></td>")
            .arg(argb & 0xFFFFFF, 6, 16, QLatin1Char('0'));
    };
    for (int i = 0; i < p.symbols.size(); ++i)
        legend += swatch(SymbolColour(i)) + QStringLiteral("<td>&nbsp;") + QString(p.symbols[i]).toHtmlEscaped() +
                  QStringLiteral("&nbsp;&nbsp;</td>");
    if (!p.rows.empty())
        legend += swatch(HeadColour) + QStringLiteral("<td>&nbsp;головка</td>");
    LegendLabel->setText(legend.isEmpty() ? QString()
                                          : QStringLiteral("<table cellspacing=\"0\" cellpadding=\"1\"><tr>") + legend +
                                                QStringLiteral("</tr></table>"));
    Canvas->SetPicture(picture_.get());
    Fit();
    if (p.zoomed && zoomLeft_ >= 0) {
        // Across, the columns dragged over fill the window, as they did when only magnified.
        const int columns = std::max(zoomRight_ - zoomLeft_ + 1, 1);
        Canvas->SetZoom(double(PictureArea->viewport()->width()) / columns, Canvas->ZoomY());
        PictureArea->horizontalScrollBar()->setValue(int(zoomLeft_ * Canvas->ZoomX()));
    }
    if (shownStep_ >= 0)
        ShowStep(shownStep_);
    UpdateControls();
}

void TSpaceTimeForm::FollowMachine() {
    work_->Stop();
    if (isVisible() && machineBytes && !machineBytes().isEmpty()) {
        Rebuild();
        return;
    }
    drawnFrom_.clear();
    Canvas->SetPicture(nullptr);
    picture_ = whole_ = std::make_shared<TSpaceTime>();
    RowsText->clear();
    EndLabel->setText(QStringLiteral("Открыта другая машина: нажмите «Построить»"));
    InfoLabel->clear();
    LegendLabel->clear();
    UpdateControls();
}

void TSpaceTimeForm::ShowStep(qint64 step) {
    shownStep_ = step;
    const int row = step < 0 || Building() ? -1 : picture_->RowOfStep(step);
    Canvas->SetCurrentRow(row);
    if (row >= 0) {
        const int y = int(row * Canvas->ZoomY());
        PictureArea->ensureVisible(PictureArea->horizontalScrollBar()->value(), y, 0, 40);
    }
}

void TSpaceTimeForm::ShowHovered(int row, int column) {
    const TSpaceTime& p = *picture_;
    if (row < 0 || row >= int(p.rows.size()))
        return;
    const TSpaceTimeRow& r = p.rows[std::size_t(row)];
    const qint64 last = row + 1 < int(p.rows.size()) ? p.rows[std::size_t(row) + 1].step - 1 : r.step;
    QString text = QStringLiteral("Шаг ") + QString::number(r.step);
    if (last > r.step)
        text += QStringLiteral(" (строка до шага ") + QString::number(last) + QLatin1Char(')');
    text += QStringLiteral(", состояние ") + p.states.value(r.state) + QStringLiteral(", головка на ячейке ") +
            QString::number(r.head);
    if (column >= 0 && column < p.Columns())
        text += QStringLiteral("; ячейка ") + QString::number(p.firstPosition + column * p.cellsPerColumn) +
                QStringLiteral(": '") + TRunCore::CharOf(p.Cell(row, column)) + QLatin1Char('\'');
    InfoLabel->setText(text);
}

void TSpaceTimeForm::FitToWindow() {
    if (picture_ != whole_ && !Building()) {
        zoomLeft_ = zoomRight_ = -1;
        Show(whole_);
        return;
    }
    Fit();
}

void TSpaceTimeForm::Fit() {
    const int columns = std::max(picture_->Columns(), 1);
    const int rows = std::max(int(picture_->rows.size()), 1);
    const QSize room = PictureArea->viewport()->size() - QSize(2, 2);
    // The whole picture in the window, square cells of whole pixels; rows of less than a pixel (a long run) keep
    // the columns as wide as the window allows, since a short tape would else be a thin line.
    const double across = double(room.width()) / columns;
    const double down = double(room.height()) / rows;
    const double square = std::min(across, down);
    const auto whole = [](double z) { return z >= 1 ? std::floor(z) : z; };
    if (down >= 1)
        Canvas->SetZoom(whole(square), whole(square));
    else
        Canvas->SetZoom(whole(std::min(across, 40.0)), down);
}

void TSpaceTimeForm::ZoomTo(const QRect& cells) {
    const TSpaceTime& p = *picture_;
    const int rows = int(p.rows.size());
    if (p.band > 1 && rows > 0 && !Building()) {
        // Rows a band apart: the part dragged over is run again at finer bands, not merely magnified.
        const int first = std::clamp(cells.top(), 0, rows - 1);
        const int last = std::clamp(cells.bottom(), first, rows - 1);
        const qint64 from = p.rows[std::size_t(first)].step;
        const qint64 to = last + 1 < rows ? p.rows[std::size_t(last) + 1].step - 1 : p.rows[std::size_t(last)].step;
        if (to > from) {
            zoomLeft_ = std::max(cells.left(), 0);
            zoomRight_ = std::max(cells.right(), zoomLeft_);
            DrawPart(from, to);
            return;
        }
    }
    const QSize room = PictureArea->viewport()->size();
    Canvas->SetZoom(double(room.width()) / std::max(cells.width(), 1),
                    double(room.height()) / std::max(cells.height(), 1));
    PictureArea->horizontalScrollBar()->setValue(int(cells.left() * Canvas->ZoomX()));
    PictureArea->verticalScrollBar()->setValue(int(cells.top() * Canvas->ZoomY()));
}

void TSpaceTimeForm::DrawPart(qint64 from, qint64 to) {
    const std::shared_ptr<TSpaceTime> whole = whole_;
    EndLabel->setText(QStringLiteral("Строятся шаги с ") + QString::number(from) + QStringLiteral(" по ") +
                      QString::number(to) + QStringLiteral("..."));
    work_->Start(
        [machine = drawnFrom_, config = TConfig(config_), from, to,
         width = int(whole->result.tape.size())](TLongWork::TControl& control) {
            TConfig settings = config;
            settings.settingsPath.clear();
            settings.desktopPath.clear();
            settings.ViewLog = settings.History;
            TBatchRunner runner(settings);
            QStringList warnings;
            runner.LoadBytes(machine, warnings);
            return std::make_shared<TSpaceTime>(DrawSpaceTime(
                runner, runner.FileWord(), to, control.CancelFlag(), {},
                [&control](qint64 done, qint64 total) { control.Progress(done, total); }, {from, to, width}));
        },
        [this](std::shared_ptr<TSpaceTime> picture) { Built(picture); });
    UpdateControls();
}

bool TSpaceTimeForm::ExportPng() {
    if (picture_->rows.empty())
        return false;
    TFileDialog dialog;
    dialog.title = QStringLiteral("Сохранить ход вычисления");
    dialog.filter = QStringLiteral("Рисунки PNG (*.png)|*.png");
    dialog.defaultExt = QStringLiteral("png");
    dialog.initialDir = config_.Dir;
    dialog.overwritePrompt = true;
    // The picture qtm-run --spacetime writes.
    const QString name = SavePictureFile(
        prompts_, Caption, dialog, [this] { return PngBytes(SpaceTimePixels(*picture_, DefaultScale(*picture_))); });
    if (!name.isEmpty())
        InfoLabel->setText(QStringLiteral("Сохранено: ") + name);
    return !name.isEmpty();
}

void TSpaceTimeForm::closeEvent(QCloseEvent* event) {
    if (Building()) {
        work_->Stop();
        EndLabel->setText(QStringLiteral("Построение прервано"));
        UpdateControls();
    }
    QWidget::closeEvent(event);
}
