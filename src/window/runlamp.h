#pragma once

#include "machine/command.h"

#include <QWidget>

// The status bar's last panel: a filled circle in the colour of the run state.
class TRunLamp : public QWidget {
public:
    explicit TRunLamp(QWidget* parent);
    RunState state = NoMachine;

    QSize sizeHint() const override { return QSize(25, 18); }

protected:
    void paintEvent(QPaintEvent*) override;
};
