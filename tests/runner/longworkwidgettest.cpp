#include "runner/longwork.h"
#include "runner/longworkwidget.h"

#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <thread>

namespace {

// A job that runs until it is asked to stop, then answers how many times it looked.
int UntilCancelled(TLongWork::TControl& control) {
    int looks = 0;
    while (!control.Cancelled()) {
        ++looks;
        std::this_thread::yield();
    }
    return looks;
}

} // namespace

TEST(LongWork, CancelEndsTheJobWithWhatItFinishedAndTheWidgetFollows) {
    TLongWork work;
    TLongWorkWidget widget;
    widget.Watch(&work);
    QSignalSpy finished(&work, &TLongWork::finished);
    int results = 0;
    int looked = -1;
    work.Start(
        [](TLongWork::TControl& control) {
            control.Progress(3, 10);
            return UntilCancelled(control);
        },
        [&](int looks) {
            ++results;
            looked = looks;
            // The result arrives on the owner's thread, once the job's thread is gone.
            EXPECT_FALSE(work.Running());
        });
    ASSERT_TRUE(work.Running());
    ASSERT_TRUE(widget.CancelButton->isEnabled());
    QTRY_COMPARE(widget.ProgressBar->value(), 3);
    EXPECT_EQ(widget.ProgressBar->maximum(), 10);
    QTest::mouseClick(widget.CancelButton, Qt::LeftButton);
    QTRY_COMPARE(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toBool(), true);
    EXPECT_EQ(results, 1);
    EXPECT_GE(looked, 0);
    EXPECT_TRUE(work.CancelRequested());
    EXPECT_FALSE(widget.CancelButton->isEnabled());
    // A cancelled bar stays where the work stopped.
    EXPECT_EQ(widget.ProgressBar->value(), 3);
}

TEST(LongWork, AJobStartedAgainOrStoppedDeliversNothingLate) {
    TLongWork work;
    QSignalSpy finished(&work, &TLongWork::finished);
    QSignalSpy stopped(&work, &TLongWork::stopped);
    QStringList delivered;
    const auto job = [](const QString& name) {
        return [name](TLongWork::TControl& control) {
            control.Post([name] {});
            UntilCancelled(control);
            return name;
        };
    };
    const auto done = [&delivered](QString name) { delivered.append(name); };
    work.Start(job(QStringLiteral("first")), done);
    // Started again before the first result arrived: the first is stopped and forgotten.
    work.Start(job(QStringLiteral("second")), done);
    EXPECT_EQ(stopped.count(), 1);
    work.Stop();
    EXPECT_EQ(stopped.count(), 2);
    EXPECT_FALSE(work.Running());
    int posted = 0;
    work.Start(
        [](TLongWork::TControl& control) {
            for (int i = 1; i <= 1000; ++i) {
                control.Post([] {});
                control.Progress(i, 1000);
            }
            return 7;
        },
        [&](int n) { posted = n; });
    QSignalSpy progress(&work, &TLongWork::progress);
    QTRY_COMPARE(finished.count(), 1);
    EXPECT_TRUE(delivered.isEmpty());
    EXPECT_EQ(posted, 7);
    EXPECT_FALSE(work.CancelRequested());
    // A thousand reports merged into fewer deliveries, the last one where the job ended.
    ASSERT_GE(progress.count(), 1);
    EXPECT_LT(progress.count(), 1000);
    EXPECT_EQ(progress.last().at(0).toLongLong(), 1000);
    EXPECT_EQ(progress.last().at(1).toLongLong(), 1000);
}

TEST(LongWork, TheWidgetFillsItsBarWhenTheWorkEndsAndScalesLargeCounts) {
    TLongWork work;
    TLongWorkWidget widget;
    widget.Watch(&work);
    QSignalSpy finished(&work, &TLongWork::finished);
    // Steps beyond what a bar holds.
    work.Start([](TLongWork::TControl& control) { control.Progress(3000000000LL, 4000000000LL); }, [] {});
    EXPECT_EQ(widget.ProgressBar->maximum(), 0);
    QTRY_COMPARE(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toBool(), false);
    EXPECT_EQ(widget.ProgressBar->maximum(), 1000000);
    EXPECT_EQ(widget.ProgressBar->value(), 1000000);
    EXPECT_FALSE(widget.CancelButton->isEnabled());
}
