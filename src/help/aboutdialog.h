#pragma once

#include <QDialog>
#include <QIcon>

class TEngine;

// The program's icon, drawn from data/qtm.svg at the usual sizes: the main window's icon and the about box's.
QIcon ProgramIcon();

// The about box: the icon, the program's name, two author lines, a year line, a rule and "ОК", which is both
// the default and the cancel button. It has no behaviour of its own beyond closing.
class TAboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit TAboutDialog(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool centred_ = false;
};

// "&о программе": a running machine pauses while the box is open and runs on after it; engine may be null.
void ExecuteAboutDialog(QWidget* parent, TEngine* engine);
