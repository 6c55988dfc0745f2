#pragma once

#include "diagram/diagram.h"

#include <QColor>
#include <QHash>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QGraphicsEllipseItem;
class QGraphicsPathItem;
class QGraphicsPolygonItem;
class QGraphicsRectItem;
class QGraphicsScene;
class QGraphicsSimpleTextItem;
class QGraphicsView;
class QLabel;
class QThread;
class QTimer;
class TConfig;
class TEngine;
class TMachine;
class TPrompts;

// The window "Диаграмма состояний": the machine as a graph, read-only, following every edit and the run.
// Closing it only hides it; while hidden it lays nothing out.
class TDiagramForm : public QWidget {
    Q_OBJECT

public:
    // The settings must outlive the window: its destruction stores its place and size. The engine (may be
    // null) tells when a run starts and ends.
    TDiagramForm(TMachine& machine, TConfig& config, TPrompts& prompts, TEngine* engine, QWidget* parent = nullptr);
    ~TDiagramForm() override;

    void ApplyLayout();
    void StoreLayout();

    // What the window shows, as a user sees it: the one-line note over the picture (empty when there is
    // none), every text of the picture, the fill of a state's node, the colour of a command's edge.
    QString Note() const;
    QStringList Texts() const;
    QColor StateFill(const QString& name) const;
    QColor CommandColour(int row) const;
    // A layout is under way on another thread.
    bool LayingOut() const { return worker_ != nullptr; }
    // The picture shown, as laid out (without the run's marks of now), and whether the machine has changed
    // since: a handout or an export can take it instead of laying the machine out again.
    const TDiagram& Shown() const { return diagram_; }
    bool Stale() const { return stale_; }
    // Where the name of the machine's file comes from, for the export's proposed file name.
    void SetMachineFileName(std::function<QString()> fileName) { machineFileName_ = std::move(fileName); }
    qreal Zoom() const;
    // The layout on show with the machine's marks of now, for a handout; none while the machine has changed
    // since it was laid out or a layout is under way (the window lays nothing out while hidden).
    std::optional<TDiagram> MadeLayout() const;

    // Export for handouts; the file dialogs and errors go through the prompts.
    void ExportSvg();
    void ExportPng();
    // The export's save dialog for one picture format; empty when cancelled.
    QString AskExportName(const QString& filter, const QString& ext);
    bool WriteSvg(const QString& path);
    bool WritePng(const QString& path);

    QAction* ZoomInItem = nullptr;
    QAction* ZoomOutItem = nullptr;
    QAction* FitItem = nullptr;
    QAction* SvgItem = nullptr;
    QAction* PngItem = nullptr;

signals:
    // A double-click on an edge line or on a node.
    void commandActivated(int row);
    void stateActivated(int index);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TNodeItems {
        QGraphicsEllipseItem* rings[2] = {nullptr, nullptr};
        QGraphicsSimpleTextItem* text = nullptr;
    };
    struct TEdgeItems {
        QGraphicsPathItem* path = nullptr;
        QGraphicsPolygonItem* arrow = nullptr;
        QList<QGraphicsRectItem*> backs;
        QList<QGraphicsSimpleTextItem*> texts;
    };

    void ScheduleLayout();
    void LayOut();
    void Show(TDiagram diagram);
    void BuildScene();
    void ScheduleRecolour();
    void Recolour();
    void Scale(qreal factor);
    void Fit();
    TDiagram Marked() const;
    bool InRun() const;

    TMachine& machine_;
    TConfig& config_;
    TPrompts& prompts_;
    QGraphicsView* view_ = nullptr;
    QGraphicsScene* scene_ = nullptr;
    QLabel* note_ = nullptr;
    QTimer* layoutTimer_ = nullptr;
    QTimer* frameTimer_ = nullptr;
    TDiagram diagram_;
    QList<TNodeItems> nodeItems_;
    QList<TEdgeItems> edgeItems_;
    QHash<QString, int> nodeByName_;
    // The machine changed since the picture was laid out.
    bool stale_ = true;
    QThread* worker_ = nullptr;
    std::shared_ptr<TDiagram> result_;
    // Set to abandon the layout under way (its child process is killed).
    std::shared_ptr<std::atomic<bool>> cancel_;
    std::function<QString()> machineFileName_;
    bool fitPending_ = true;
};
