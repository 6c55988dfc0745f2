#pragma once

#include <QWidget>

class QProgressBar;
class QPushButton;
class TLongWork;

// The progress bar and the Cancel button of one TLongWork, side by side: the bar runs while the work reports, fills
// when it ends, and stays where it stopped when cancelled; Cancel is enabled only while the work runs.
//
//     auto* bar = new TLongWorkWidget(this);
//     bar->Watch(work_);
//     layout->addWidget(bar, 1);
class TLongWorkWidget : public QWidget {
    Q_OBJECT

public:
    explicit TLongWorkWidget(QWidget* parent = nullptr);

    void Watch(TLongWork* work);

    QProgressBar* ProgressBar = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    void Started();
    void Progress(qint64 done, qint64 total);
    void Ended(bool cancelled);

    TLongWork* work_ = nullptr;
};
