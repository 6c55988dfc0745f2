#pragma once

#include "diagram/diagram.h"
#include "diagram/positions.h"

#include <QColor>
#include <QHash>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QGraphicsEllipseItem;
class QGraphicsItem;
class QGraphicsLineItem;
class QGraphicsPathItem;
class QGraphicsPolygonItem;
class QGraphicsRectItem;
class QGraphicsScene;
class QGraphicsSimpleTextItem;
class QGraphicsView;
class QKeyEvent;
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
    // A layout is under way on another thread, or the picture is still being put on the scene.
    bool LayingOut() const { return worker_ != nullptr || Building(); }
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
    QAction* ArrangeItem = nullptr;
    // Editing from the diagram, while it has the focus: Insert, Ctrl+Insert, Enter, Del.
    QAction* StateAddItem = nullptr;
    QAction* CommandAddItem = nullptr;
    QAction* EditItem = nullptr;
    QAction* DeleteItem = nullptr;

    // Where the user put the states (dragged on the picture, or read from the machine's positions file):
    // centres by name folded to one case; empty while the picture is Graphviz's own.
    QHash<QString, QPointF> Placed() const;
    // The positions the diagram reads and sets: the main window's, kept with the machine's file; the form's
    // own until then.
    void SetPositions(TStatePositions* positions);
    // Moves a state as a drag does (the picture follows, the machine is marked modified).
    void PlaceState(const QString& name, QPointF centre);
    // The centre of a state's circle in the picture shown; null when it is not shown.
    QPointF StateCentre(const QString& name) const;

signals:
    // A double-click on an edge line or on a node.
    void commandActivated(int row);
    void stateActivated(int index);
    // A click selected the state or the command's line: the lists follow.
    void commandSelected(int row);
    void stateSelected(int index);
    // The user asks for an edit; the main window runs it as its lists do (the same dialogs, questions and
    // rules). A state added after a double-click on empty space is placed where the user clicked.
    void stateAddRequested();
    void commandAddRequested(const QString& state, const QString& newState);
    void stateEditRequested(int index);
    void commandEditRequested(int row);
    void stateDeleteRequested(int index);
    void commandDeleteRequested(int row);

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
    void BuildMore();
    bool Building() const;
    // Drops the picture and its memory; the next showing lays the machine out again.
    void ReleasePicture();
    void ScheduleRecolour();
    void Recolour();
    void Scale(qreal factor);
    void Fit();
    void Arrange();
    bool DragEvent(QEvent* event);
    bool LinkEvent(QEvent* event);
    void Select(const QGraphicsItem* item);
    void AddStateAt(QPointF centre);
    void AddCommandFromSelection();
    void EditSelection();
    void DeleteSelection();
    bool KeyEvent(QKeyEvent* key);
    // What a screen reader says of a picture item: a state's name, or the command's text as its list's tip.
    QString ItemName(const QGraphicsItem* item) const;
    void MoveNodeItems(int node, QPointF centre);
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
    QTimer* buildTimer_ = nullptr;
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
    TStatePositions ownPositions_;
    TStatePositions* positions_ = &ownPositions_;
    // The state being dragged: its node, and the pointer's offset from its centre.
    int dragNode_ = -1;
    QPointF dragOffset_;
    bool dragMoved_ = false;
    // The arrow being drawn for a new command: its first state, and the line that follows the pointer.
    int linkFrom_ = -1;
    QGraphicsLineItem* link_ = nullptr;
    // What a click selected: a state's node, or a command's row (-1 for none).
    int selectedNode_ = -1;
    int selectedRow_ = -1;
    // The frame round the selected item.
    QGraphicsRectItem* focusFrame_ = nullptr;
    bool fitPending_ = true;
};
