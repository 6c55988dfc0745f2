#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// A spinner's two arrow buttons tied to a number edit: the position shows in the edit, and the edit's valid
// numbers become the position. Up and Down in the edit step as the buttons do.
class TUpDown : public QWidget {
    Q_OBJECT

public:
    explicit TUpDown(QLineEdit* buddy, QWidget* parent = nullptr);

    int Position() const { return position_; }
    int Minimum() const { return min_; }
    int Maximum() const { return max_; }
    // Keeps the position inside the new bounds.
    void SetRange(int min, int max);
    void SetIncrement(int step) { step_ = step; }
    // Clamps, then writes the position into the edit.
    void SetPosition(int n);
    // Takes a number already in range from the edit, without writing the edit back.
    void TakePosition(int n) { position_ = n; }
    void Step(int times);

    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* buddy_;
    QToolButton* up_;
    QToolButton* down_;
    int min_ = 0;
    int max_ = 100;
    int step_ = 1;
    int position_ = 0;
};
