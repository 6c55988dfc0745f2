#include "runner/longworkwidget.h"

#include "runner/longwork.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace {

// A bar holds int: large counts are shown scaled.
constexpr qint64 BarMaximum = 1000000;

} // namespace

TLongWorkWidget::TLongWorkWidget(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    CancelButton = new QPushButton(QStringLiteral("Отмена"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setAutoDefault(false);
    CancelButton->setEnabled(false);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setValue(0);
    layout->addWidget(CancelButton);
    layout->addWidget(ProgressBar, 1);
    connect(CancelButton, &QPushButton::clicked, this, [this] {
        if (work_)
            work_->Cancel();
    });
}

void TLongWorkWidget::Watch(TLongWork* work) {
    if (work_)
        disconnect(work_, nullptr, this, nullptr);
    work_ = work;
    connect(work_, &TLongWork::started, this, &TLongWorkWidget::Started);
    connect(work_, &TLongWork::progress, this, &TLongWorkWidget::Progress);
    connect(work_, &TLongWork::finished, this, &TLongWorkWidget::Ended);
    connect(work_, &TLongWork::stopped, this, [this] { Ended(true); });
    CancelButton->setEnabled(work_->Running());
}

void TLongWorkWidget::Started() {
    // Busy until the first report says how much there is.
    ProgressBar->setRange(0, 0);
    ProgressBar->setValue(0);
    CancelButton->setEnabled(true);
}

void TLongWorkWidget::Progress(qint64 done, qint64 total) {
    if (total <= 0)
        return;
    const qint64 scale = std::max<qint64>(1, (total + BarMaximum - 1) / BarMaximum);
    ProgressBar->setRange(0, int(total / scale));
    ProgressBar->setValue(int(std::min(done, total) / scale));
}

void TLongWorkWidget::Ended(bool cancelled) {
    CancelButton->setEnabled(false);
    if (ProgressBar->maximum() == 0)
        ProgressBar->setRange(0, 1);
    if (!cancelled)
        ProgressBar->setValue(ProgressBar->maximum());
    else if (ProgressBar->value() < 0)
        ProgressBar->setValue(0);
}
