#include "runner/progressline.h"

#include <QTextStream>

namespace {

constexpr qint64 QuietMs = 1000;
constexpr qint64 RedrawMs = 200;

} // namespace

TProgressLine::TProgressLine(QTextStream& err, TClock clock) : err_(err), clock_(std::move(clock)) {
    if (!clock_) {
        timer_.start();
        clock_ = [this] { return timer_.elapsed(); };
    }
    start_ = clock_();
}

TProgressLine::~TProgressLine() {
    Finish();
}

void TProgressLine::Update(qint64 steps) {
    const qint64 now = clock_();
    const qint64 elapsed = now - start_;
    if (elapsed < QuietMs || (lastDrawn_ >= 0 && now - lastDrawn_ < RedrawMs))
        return;
    lastDrawn_ = now;
    const QString line = QStringLiteral("шагов: %1, %2 шагов/с").arg(steps).arg(steps * 1000 / elapsed);
    // A shorter line must cover the end of the longer one before it.
    err_ << '\r' << line.leftJustified(shownWidth_) << Qt::flush;
    shownWidth_ = std::max(shownWidth_, line.size());
}

void TProgressLine::Finish() {
    if (shownWidth_ == 0)
        return;
    err_ << '\r' << QString(shownWidth_, QLatin1Char(' ')) << '\r' << Qt::flush;
    shownWidth_ = 0;
}
