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
class QPainterPath;
class QPolygonF;
class QThread;
class QToolBar;
class QTimer;
class TConfig;
class TEngine;
class TMachine;
class TPrompts;

// The window "Диаграмма состояний": the machine as a graph, following every edit and the run, and edited on the
// picture (diagrameditform.cpp). Closing it only hides it; while hidden it lays nothing out.
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

    // The toolbar's commands.
    void ZoomIn();
    void ZoomOut();
    void Fit();
    void Arrange();
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
    // Puts another window's entry in place of one of the toolbar's own (tool is ZoomInItem, ...): the entry
    // then stands in the toolbar and the picture's menu, and its key works in this window.
    void ReplaceTool(QAction*& tool, QAction* entry);
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
    // The state or the command line selected on the picture: the state's name or the command's text; empty
    // for none.
    QString SelectedName() const;
    // The picture's states and command lines in the order Tab walks them (as a screen reader lists them): the
    // number, and the name of each, read from the machine as it is now.
    int ItemCount() const;
    QString ItemNameAt(int index) const;
    // The item a screen reader has the focus on (the selected one), -1 for none.
    int SelectedItem() const;
    // Selects the item at index as a click does.
    void SelectItem(int index);
    // The first ShownStates() items are states; the item's place on the screen.
    int ShownStates() const { return int(nodeItems_.size()); }
    QRect ItemScreenRect(int index) const;
    // The item under a point of the screen, -1 for none.
    int ItemIndexAt(QPoint global) const;

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
    // A double-click on a name only commands use, answered "Да": the state is added to the list.
    void missingStateAddRequested(const QString& name);
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

    // The scene's data on its items: what a click on them selects.
    enum TItemData { KindData = 0, IndexData = 1, RowData = 2 };
    enum TKind { NodeKind = 1, EdgeKind = 2 };
    static QPainterPath Curve(const QList<QPointF>& points);
    static QPolygonF ArrowHead(const QList<QPointF>& points, QPointF tip);

    void ScheduleLayout();
    void LayOut();
    void Show(TDiagram diagram);
    void BuildScene();
    // The edit's new picture stays where the old one was on the screen: the view keeps its scale and the
    // scene point at the viewport's top left corner.
    void KeepViewPlace(QPointF corner);
    void BuildMore();
    bool Building() const;
    // Drops the picture and its memory; the next showing lays the machine out again.
    void ReleasePicture();
    void ScheduleRecolour();
    void Recolour();
    void Scale(qreal factor);
    // The gestures on the picture (diagrameditform.cpp); each returns true when it took the event.
    bool DragEvent(QEvent* event);
    bool LinkEvent(QEvent* event);
    bool DoubleClickEvent(QEvent* event);
    bool KeyEvent(QKeyEvent* key);
    // The edits they lead to, one function each.
    void Select(const QGraphicsItem* item);
    void AddStateAt(QPointF centre);
    void AddStateFromKeys();
    void AddMissingState(int node);
    void AddCommandFromSelection();
    void EditSelection();
    void DeleteSelection();
    // Where Insert puts a state: the pointer's place over the picture, or else a free spot in sight.
    QPointF NewStatePlace() const;
    // The picture's item at an index of Tab's order (state names, then command lines), and back.
    QGraphicsItem* ItemAt(int index) const;
    int IndexOfItem(const QGraphicsItem* item) const;
    // What a screen reader says of a picture item: a state's name, or the command's text as its list's tip.
    QString ItemName(const QGraphicsItem* item) const;
    // Tells a screen reader that the selected item has the focus now.
    void AnnounceSelection();
    // The picture's items as a screen reader's objects (diagramaccessibleview.cpp): the factory that makes
    // them, installed once, and the news that the picture has other items now.
    static void InstallAccessibility();
    void AnnounceItems();
    // A note over the picture that says why a gesture did nothing; it goes with the next layout.
    void Tell(const QString& text);
    void MoveNodeItems(int node, QPointF centre);
    void MoveStartArrow();
    TDiagram Marked() const;
    bool InRun() const;

    TMachine& machine_;
    TConfig& config_;
    TPrompts& prompts_;
    QGraphicsView* view_ = nullptr;
    QGraphicsScene* scene_ = nullptr;
    QLabel* note_ = nullptr;
    QToolBar* tools_ = nullptr;
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
    // The highlight round the selected item.
    QGraphicsItem* focusFrame_ = nullptr;
    // The arrow into the initial state: a stub beside it that follows it when dragged.
    QGraphicsPathItem* startPath_ = nullptr;
    QGraphicsPolygonItem* startHead_ = nullptr;
    int startNode_ = -1;
    bool fitPending_ = true;
    // A picture has been shown: the next one keeps its place on the screen.
    bool shown_ = false;
};
