#pragma once

#include "pictures/spacetime.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRubberBand;
class QScrollArea;
class QSpinBox;
class TConfig;
class TLongWork;
class TPrompts;

// The picture itself: the cells scaled by the zoom, the head's cell marked, the row of the current step lit.
// A drag with the mouse zooms to the region dragged over.
class TSpaceTimeCanvas : public QWidget {
    Q_OBJECT

public:
    explicit TSpaceTimeCanvas(QWidget* parent = nullptr);

    void SetPicture(const TSpaceTime* picture);
    // Pixels per cell across and down: a run of many steps on a short tape fills the window with tall columns.
    double ZoomX() const { return zoomX_; }
    double ZoomY() const { return zoomY_; }
    void SetZoom(double x, double y);
    // The row lit (-1: none).
    void SetCurrentRow(int row);
    int CurrentRow() const { return currentRow_; }
    // The cell (column, row) under a point of the canvas.
    QPoint CellAt(QPoint point) const;

signals:
    void hovered(int row, int column);
    // A region of cells was dragged over.
    void regionChosen(const QRect& cells);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const TSpaceTime* picture_ = nullptr;
    // The cells at a pixel each, without the head.
    QImage image_;
    double zoomX_ = 1;
    double zoomY_ = 1;
    int currentRow_ = -1;
    QRubberBand* band_ = nullptr;
    QPoint pressed_;
};

// The window "Ход вычисления": the space-time picture of a run of the machine on its word, drawn on a worker
// thread through the run core. While the machine runs in the main window, the row of its step is lit.
class TSpaceTimeForm : public QWidget {
    Q_OBJECT

public:
    TSpaceTimeForm(TConfig& config, TPrompts& prompts, QWidget* parent = nullptr);
    ~TSpaceTimeForm() override;

    // The bytes of the machine file (with its word) to draw the run of; empty when there is no machine.
    std::function<QByteArray()> machineBytes;

    // Draws the run again from the machine as it is now.
    void Rebuild();
    // Draws it again only when the machine (or its word) changed since it was drawn.
    void Refresh();
    bool Building() const;
    // The picture shown: the whole run, or a part of it drawn again at finer bands.
    const TSpaceTime& Picture() const { return *picture_; }
    // Another machine was opened: a shown window draws its run at once, a hidden one forgets the old picture.
    void FollowMachine();
    // The step the main window's run stands at, or -1 when no run goes.
    void ShowStep(qint64 step);
    // Fits the whole picture into the window (the whole run again after a zoom).
    void FitToWindow();
    bool ExportPng();
    void ApplyLayout();
    void StoreLayout();

    QLabel* EndLabel = nullptr;
    QLabel* InfoLabel = nullptr;
    QLabel* LegendLabel = nullptr;
    QScrollArea* PictureArea = nullptr;
    TSpaceTimeCanvas* Canvas = nullptr;
    QSpinBox* StepLimitEdit = nullptr;
    QPushButton* RebuildButton = nullptr;
    QPushButton* ZoomInButton = nullptr;
    QPushButton* ZoomOutButton = nullptr;
    QPushButton* FitButton = nullptr;
    QPushButton* ExportButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QProgressBar* ProgressBar = nullptr;
    // The picture's rows as text, for a screen reader and for reading: shown by RowsButton.
    QPushButton* RowsButton = nullptr;
    QPlainTextEdit* RowsText = nullptr;

signals:
    void built();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void Built(const std::shared_ptr<TSpaceTime>& picture);
    void Show(const std::shared_ptr<TSpaceTime>& picture);
    // Draws the steps from and to again, as finely as the rows allow.
    void DrawPart(qint64 from, qint64 to);
    void ShowHovered(int row, int column);
    void ZoomTo(const QRect& cells);
    // The picture shown fitted into the window.
    void Fit();
    void UpdateControls();

    TConfig& config_;
    TPrompts& prompts_;
    std::shared_ptr<TSpaceTime> picture_;
    std::shared_ptr<TSpaceTime> whole_;
    // The columns dragged over when a part is being drawn again: the zoom across keeps them.
    int zoomLeft_ = -1;
    int zoomRight_ = -1;
    QByteArray drawnFrom_;
    TLongWork* work_ = nullptr;
    qint64 shownStep_ = -1;
};
