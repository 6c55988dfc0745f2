#include "diagram/diagramform.h"

#include "machine/engine.h"
#include "machine/machine.h"
#include "platform/fileio.h"
#include "platform/prompts.h"
#include "settings/config.h"

#include <QAction>
#include <QBuffer>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGraphicsLineItem>
#include <QKeyEvent>
#include <QDir>
#include <QFileInfo>
#include <QGraphicsEllipseItem>
#include <QGraphicsPathItem>
#include <QGraphicsPolygonItem>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsView>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPainterPathStroker>
#include <QScreen>
#include <QScrollBar>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <malloc.h>

#include <cmath>
#include <utility>

namespace {

const char* const HelpContextProperty = "helpContext";
constexpr int HelpContext = 3037;
const QString Caption = QStringLiteral("Диаграмма состояний");

// Larger machines are laid out on another thread, so that the window never waits for Graphviz.
constexpr int LayoutInline = 100;
// A picture of thousands of states takes a second to put on the scene: it goes on a part at a time, this many
// edges or states an event loop's turn, so that the window keeps drawing and answering meanwhile.
constexpr int SceneChunk = 250;
// Above this many items the scene keeps no index: building and dropping the index costs more than finding
// the few items under the pointer without one.
constexpr int IndexedItems = 4000;

QColor Colour(int bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

// An edge is caught by a band along its line, not by the area its curve encloses.
class TEdgeItem : public QGraphicsPathItem {
public:
    using QGraphicsPathItem::QGraphicsPathItem;
    QPainterPath shape() const override {
        QPainterPathStroker stroker;
        stroker.setWidth(8);
        return stroker.createStroke(path());
    }
};

QFont DiagramTextFont() {
    QFont font(DiagramFont);
    font.setPixelSize(DiagramFontSize);
    return font;
}

} // namespace

QPainterPath TDiagramForm::Curve(const QList<QPointF>& points) {
    QPainterPath path;
    if (points.isEmpty())
        return path;
    path.moveTo(points.first());
    for (int i = 1; i + 2 < points.size(); i += 3)
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
    return path;
}

QPolygonF TDiagramForm::ArrowHead(const QList<QPointF>& points, QPointF tip) {
    if (points.isEmpty())
        return {};
    const QPointF end = points.last();
    const QLineF line(end, tip);
    if (line.length() < 0.01)
        return {};
    const QPointF n = QPointF(-line.dy(), line.dx()) / line.length() * 3.5;
    return QPolygonF({tip, end + n, end - n});
}

TDiagramForm::TDiagramForm(TMachine& machine, TConfig& config, TPrompts& prompts, TEngine* engine, QWidget* parent)
    : QWidget(parent, Qt::Window), machine_(machine), config_(config), prompts_(prompts) {
    setWindowTitle(Caption);
    setProperty(HelpContextProperty, HelpContext);

    InstallAccessibility();
    scene_ = new QGraphicsScene(this);
    view_ = new QGraphicsView(scene_, this);
    view_->setObjectName(QStringLiteral("DiagramView"));
    view_->setProperty(HelpContextProperty, HelpContext);
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setDragMode(QGraphicsView::ScrollHandDrag);
    view_->setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    view_->setBackgroundBrush(Qt::white);
    view_->viewport()->installEventFilter(this);
    connect(positions_, &TStatePositions::changed, this, &TDiagramForm::ScheduleLayout);
    view_->installEventFilter(this);
    view_->setFocusPolicy(Qt::StrongFocus);
    view_->setAccessibleName(Caption);
    view_->setAccessibleDescription(
        QStringLiteral("Состояния и команды машины; Tab и стрелки выбирают их по очереди, Enter изменяет, Del удаляет, "
                       "Insert добавляет состояние, Ctrl+Insert - команду"));
    view_->viewport()->setAccessibleName(QStringLiteral("Рисунок диаграммы"));
    view_->viewport()->setAccessibleDescription(QStringLiteral("Граф машины: узлы — состояния, стрелки — команды"));
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("DiagramNote"));
    // A refusal names sizes and limits: a long line, wrapped to the window.
    note_->setWordWrap(true);
    note_->hide();
    note_->setAccessibleDescription(QStringLiteral("Замечание к диаграмме"));

    const auto item = [this](const QString& caption, const QList<QKeySequence>& keys) {
        auto* action = new QAction(caption, this);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        return action;
    };
    ZoomInItem = item(QStringLiteral("Крупнее"),
                      {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    ZoomOutItem = item(QStringLiteral("Мельче"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)});
    FitItem = item(QStringLiteral("По размеру окна"), {QKeySequence(Qt::CTRL | Qt::Key_0)});
    SvgItem = item(QStringLiteral("Сохранить SVG..."), {});
    PngItem = item(QStringLiteral("Сохранить PNG..."), {});
    ArrangeItem = item(QStringLiteral("Упорядочить"), {});
    // The editing keys belong to the picture: the main window's own Insert and Del stay with its lists.
    const auto viewItem = [this](const QString& caption, const QList<QKeySequence>& keys) {
        auto* action = new QAction(caption, this);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        view_->addAction(action);
        return action;
    };
    StateAddItem = viewItem(QStringLiteral("Добавить состояние"), {QKeySequence(Qt::Key_Insert)});
    CommandAddItem = viewItem(QStringLiteral("Добавить команду"), {QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    EditItem = viewItem(QStringLiteral("Изменить"), {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    DeleteItem = viewItem(QStringLiteral("Удалить"), {QKeySequence(Qt::Key_Delete)});
    connect(StateAddItem, &QAction::triggered, this, &TDiagramForm::AddStateFromKeys);
    connect(CommandAddItem, &QAction::triggered, this, &TDiagramForm::AddCommandFromSelection);
    connect(EditItem, &QAction::triggered, this, &TDiagramForm::EditSelection);
    connect(DeleteItem, &QAction::triggered, this, &TDiagramForm::DeleteSelection);
    ArrangeItem->setObjectName(QStringLiteral("DiagramArrangeItem"));
    ArrangeItem->setToolTip(QStringLiteral("Расположить все состояния заново"));
    connect(ZoomInItem, &QAction::triggered, this, &TDiagramForm::ZoomIn);
    connect(ZoomOutItem, &QAction::triggered, this, &TDiagramForm::ZoomOut);
    connect(FitItem, &QAction::triggered, this, &TDiagramForm::Fit);
    connect(SvgItem, &QAction::triggered, this, &TDiagramForm::ExportSvg);
    connect(PngItem, &QAction::triggered, this, &TDiagramForm::ExportPng);
    connect(ArrangeItem, &QAction::triggered, this, &TDiagramForm::Arrange);
    // The zoom buttons show signs, so that the window's first width has room for every button.
    ZoomInItem->setIconText(QStringLiteral("+"));
    ZoomOutItem->setIconText(QStringLiteral("−"));
    auto* tools = new QToolBar(this);
    tools->addActions({ZoomInItem, ZoomOutItem, FitItem});
    tools->addSeparator();
    tools->addAction(ArrangeItem);
    tools->addSeparator();
    tools->addActions({SvgItem, PngItem});
    tools->setAccessibleName(QStringLiteral("Панель диаграммы"));
    tools->setAccessibleDescription(QStringLiteral("Масштаб и сохранение диаграммы"));
    const std::pair<QAction*, const char16_t*> hints[] = {
        {ZoomInItem, u"Увеличение диаграммы"},         {ZoomOutItem, u"Уменьшение диаграммы"},
        {FitItem, u"Диаграмма целиком в окне"},        {ArrangeItem, u"Новое расположение всех состояний"},
        {SvgItem, u"Сохранение диаграммы в файл SVG"}, {PngItem, u"Сохранение диаграммы в файл PNG"}};
    for (const auto& [action, hint] : hints) {
        tools->widgetForAction(action)->setAccessibleName(action->text());
        tools->widgetForAction(action)->setAccessibleDescription(QString::fromUtf16(hint));
    }
    // A narrow window hides the last buttons behind the toolbar's own extension button.
    tools_ = tools;
    if (auto* more = tools->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"))) {
        more->setAccessibleName(QStringLiteral("Другие кнопки"));
        more->setAccessibleDescription(QStringLiteral("Кнопки панели, которым не хватило места"));
    }
    view_->setContextMenuPolicy(Qt::ActionsContextMenu);
    view_->addActions({ZoomInItem, ZoomOutItem, FitItem, ArrangeItem, SvgItem, PngItem});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tools);
    layout->addWidget(note_);
    layout->addWidget(view_, 1);

    layoutTimer_ = new QTimer(this);
    layoutTimer_->setSingleShot(true);
    layoutTimer_->setInterval(0);
    connect(layoutTimer_, &QTimer::timeout, this, &TDiagramForm::LayOut);
    buildTimer_ = new QTimer(this);
    buildTimer_->setSingleShot(true);
    buildTimer_->setInterval(0);
    connect(buildTimer_, &QTimer::timeout, this, &TDiagramForm::BuildMore);
    frameTimer_ = new QTimer(this);
    frameTimer_->setSingleShot(true);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double rate = screen && screen->refreshRate() > 1 ? screen->refreshRate() : 60.0;
    frameTimer_->setInterval(std::max(1, int(1000.0 / rate)));
    connect(frameTimer_, &QTimer::timeout, this, &TDiagramForm::Recolour);

    for (auto signal : {&TMachine::statesChanged, &TMachine::commandsChanged, &TMachine::initialStateChanged})
        connect(&machine_, signal, this, &TDiagramForm::ScheduleLayout);
    connect(&machine_, &TMachine::stateMarksChanged, this, &TDiagramForm::ScheduleRecolour);
    connect(&machine_, &TMachine::commandMarksChanged, this, &TDiagramForm::ScheduleRecolour);
    connect(&machine_, &TMachine::activeCommandChanged, this, &TDiagramForm::ScheduleRecolour);
    connect(&machine_, &TMachine::selectedStateChanged, this, &TDiagramForm::ScheduleRecolour);
    connect(&machine_, &TMachine::statusChanged, this, &TDiagramForm::ScheduleRecolour);
    if (engine)
        connect(engine, &TEngine::runStateChanged, this, &TDiagramForm::ScheduleRecolour);

    resize(600, 400);
    ApplyLayout();
}

TDiagramForm::~TDiagramForm() {
    StoreLayout();
    // The layout under way is abandoned: its child process is killed, and its thread ends at once.
    if (worker_) {
        worker_->disconnect(this);
        cancel_->store(true);
        worker_->wait();
        delete worker_;
    }
}

void TDiagramForm::ReleasePicture() {
    buildTimer_->stop();
    diagram_ = TDiagram();
    BuildScene();
    stale_ = true;
    fitPending_ = true;
    shown_ = false;
}

void TDiagramForm::ApplyLayout() {
    setGeometry(config_.DiagramLeft, config_.DiagramTop, config_.DiagramWidth, config_.DiagramHeight);
}

void TDiagramForm::StoreLayout() {
    const QRect r = geometry();
    config_.DiagramLeft = r.left();
    config_.DiagramTop = r.top();
    config_.DiagramWidth = r.width();
    config_.DiagramHeight = r.height();
}

void TDiagramForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (stale_)
        ScheduleLayout();
}

void TDiagramForm::closeEvent(QCloseEvent* event) {
    StoreLayout();
    event->accept();
    // A closed diagram holds neither a layout under way (its child is killed now) nor its picture's memory:
    // it is laid out again when it is shown.
    if (cancel_)
        cancel_->store(true);
    ReleasePicture();
}

// ---- Layout -----------------------------------------------------------------------------------------------

void TDiagramForm::ScheduleLayout() {
    stale_ = true;
    // A hidden window catches up when it is shown; a layout under way is followed by another when it ends.
    if (isVisible() && !worker_)
        layoutTimer_->start();
}

void TDiagramForm::LayOut() {
    if (!stale_ || worker_)
        return;
    stale_ = false;
    TDiagramSource source = DiagramSourceOf(machine_);
    source.pinned = Placed();
    if (source.states.size() <= LayoutInline && source.commands.size() <= LayoutInline) {
        Show(LayOutDiagram(source));
        return;
    }
    note_->setText(QStringLiteral("Диаграмма строится..."));
    note_->show();
    auto result = std::make_shared<TDiagram>();
    result_ = result;
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    // Apart from the program, so that closing it never waits for Graphviz and the layout's memory goes back
    // when the picture is made.
    worker_ = QThread::create([result, cancel = cancel_, source = std::move(source)] {
        *result = LayOutDiagram(source, TDiagramLimits{}, cancel.get());
    });
    connect(worker_, &QThread::finished, this, [this] {
        worker_->wait();
        delete worker_;
        worker_ = nullptr;
        TDiagram arrived = std::move(*result_);
        result_.reset();
        // A layout stopped by closing the window is not shown: the window lays out again when it opens.
        if (!isVisible()) {
            stale_ = true;
            return;
        }
        Show(std::move(arrived));
        if (stale_)
            ScheduleLayout();
    });
    worker_->start(QThread::LowPriority);
}

void TDiagramForm::Show(TDiagram diagram) {
    const QPointF corner = view_->mapToScene(QPoint(0, 0));
    diagram_ = std::move(diagram);
    if (!diagram_.error.isEmpty())
        note_->setText(QStringLiteral("Диаграмму построить не удалось: ") +
                       diagram_.error.section(QLatin1Char('\n'), 0, 0));
    else if (diagram_.nodes.isEmpty())
        note_->setText(DiagramEmptyNote + QStringLiteral(". Чтобы добавить состояние, дважды щёлкните по диаграмме "
                                                         "или нажмите Insert"));
    note_->setVisible(!diagram_.error.isEmpty() || diagram_.nodes.isEmpty());
    BuildScene();
    // A picture larger than the window is fitted into it the first time; after that each edit's picture stays
    // where the last one was, so that what the user placed stays under the pointer.
    const bool fit = fitPending_ && !diagram_.nodes.isEmpty() &&
                     (diagram_.bounds.width() > view_->viewport()->width() ||
                      diagram_.bounds.height() > view_->viewport()->height());
    if (!diagram_.nodes.isEmpty())
        fitPending_ = false;
    if (fit)
        Fit();
    else if (shown_)
        KeepViewPlace(corner);
    shown_ = true;
}

void TDiagramForm::KeepViewPlace(QPointF corner) {
    // The scene reaches past what was in sight, by more than the scroll bars take, so that the view scrolls
    // back to it to the pixel: a scene that fits the window would be centred in it, rounded.
    const QSizeF sight = QSizeF(view_->viewport()->size() + QSize(40, 40)) / Zoom();
    scene_->setSceneRect(scene_->sceneRect().united(QRectF(corner, sight)));
    const QPoint drift = view_->mapFromScene(corner);
    view_->horizontalScrollBar()->setValue(view_->horizontalScrollBar()->value() + drift.x());
    view_->verticalScrollBar()->setValue(view_->verticalScrollBar()->value() + drift.y());
}

void TDiagramForm::BuildScene() {
    buildTimer_->stop();
    const bool emptied = !nodeItems_.isEmpty() || !edgeItems_.isEmpty();
    scene_->clear();
    // The items a gesture held are gone with the old picture.
    link_ = nullptr;
    focusFrame_ = nullptr;
    linkFrom_ = -1;
    dragNode_ = -1;
    selectedNode_ = -1;
    selectedRow_ = -1;
    nodeItems_.clear();
    edgeItems_.clear();
    nodeByName_.clear();
    nodeItems_.squeeze();
    edgeItems_.squeeze();
    nodeByName_.squeeze();
    // The freed items' memory goes back to the system, not only to the allocator.
    if (emptied)
        malloc_trim(0);
    const qsizetype items = diagram_.nodes.size() * 3 + diagram_.edges.size() * 4;
    scene_->setItemIndexMethod(items > IndexedItems ? QGraphicsScene::NoIndex : QGraphicsScene::BspTreeIndex);
    scene_->setSceneRect(diagram_.bounds.adjusted(-8, -8, 8, 8));
    const QPen black(Qt::black, 1);
    startPath_ = nullptr;
    startHead_ = nullptr;
    startNode_ = -1;
    if (!diagram_.startPath.isEmpty()) {
        startPath_ = scene_->addPath(Curve(diagram_.startPath), black);
        startHead_ = scene_->addPolygon(ArrowHead(diagram_.startPath, diagram_.startTip), black, Qt::black);
        for (int n = 0; n < diagram_.nodes.size(); ++n)
            if (diagram_.nodes[n].initial)
                startNode_ = n;
    }
    BuildMore();
}

bool TDiagramForm::Building() const {
    return nodeItems_.size() < diagram_.nodes.size() || edgeItems_.size() < diagram_.edges.size();
}

// The next part of the picture: edges first, then the states above them.
void TDiagramForm::BuildMore() {
    const QFont font = DiagramTextFont();
    const QPen black(Qt::black, 1);
    for (int done = 0; done < SceneChunk && Building(); ++done) {
        if (edgeItems_.size() < diagram_.edges.size()) {
            const int e = int(edgeItems_.size());
            const TDiagramEdge& edge = diagram_.edges[e];
            TEdgeItems items;
            items.path = new TEdgeItem(Curve(edge.path));
            items.path->setData(KindData, EdgeKind);
            items.path->setData(IndexData, e);
            items.path->setData(RowData, edge.lines.isEmpty() ? -1 : edge.lines.first().row);
            scene_->addItem(items.path);
            items.arrow = scene_->addPolygon(ArrowHead(edge.path, edge.tip), black, Qt::black);
            const qreal lineHeight = edge.labelHeight / std::max<qsizetype>(1, edge.lines.size());
            const qreal top = edge.labelCentre.y() - edge.labelHeight / 2;
            for (int i = 0; i < edge.lines.size(); ++i) {
                auto* text = scene_->addSimpleText(edge.lines[i].text, font);
                const QRectF box = text->boundingRect();
                text->setPos(edge.labelCentre.x() - box.width() / 2,
                             top + i * lineHeight + (lineHeight - box.height()) / 2);
                auto* back = scene_->addRect(QRectF(edge.labelCentre.x() - box.width() / 2 - 1, top + i * lineHeight,
                                                    box.width() + 2, lineHeight),
                                             Qt::NoPen);
                back->setZValue(-1);
                for (QGraphicsItem* it : std::initializer_list<QGraphicsItem*>{text, back}) {
                    it->setData(KindData, EdgeKind);
                    it->setData(IndexData, e);
                    it->setData(RowData, edge.lines[i].row);
                }
                items.texts.append(text);
                items.backs.append(back);
            }
            edgeItems_.append(items);
            continue;
        }
        const int n = int(nodeItems_.size());
        const TDiagramNode& node = diagram_.nodes[n];
        TNodeItems items;
        for (int ring = 0; ring < (node.halting ? 2 : 1); ++ring) {
            const qreal inset = ring * 4;
            items.rings[ring] =
                scene_->addEllipse(node.centre.x() - node.width / 2 + inset, node.centre.y() - node.height / 2 + inset,
                                   node.width - 2 * inset, node.height - 2 * inset, black, Qt::white);
            items.rings[ring]->setData(KindData, NodeKind);
            items.rings[ring]->setData(IndexData, n);
        }
        items.text = scene_->addSimpleText(node.name, font);
        const QRectF box = items.text->boundingRect();
        items.text->setPos(node.centre - QPointF(box.width() / 2, box.height() / 2));
        items.text->setData(KindData, NodeKind);
        items.text->setData(IndexData, n);
        nodeItems_.append(items);
        nodeByName_.insert(node.name.toCaseFolded(), n);
    }
    if (Building()) {
        buildTimer_->start();
        return;
    }
    AnnounceItems();
    Recolour();
}

// ---- Colours ----------------------------------------------------------------------------------------------

bool TDiagramForm::InRun() const {
    return machine_.GetRunState() == Running || machine_.GetRunState() == Paused;
}

void TDiagramForm::ScheduleRecolour() {
    if (!isVisible())
        return;
    // While the machine runs the picture follows it at most once a frame.
    if (machine_.GetRunState() == Running) {
        if (!frameTimer_->isActive())
            frameTimer_->start();
        return;
    }
    Recolour();
}

// The layout's marks replaced by the machine's marks of now, and the current state marked while a run goes.
TDiagram TDiagramForm::Marked() const {
    TDiagram d = diagram_;
    const QList<TStateItem>& states = machine_.States();
    const QList<TCommandRow>& rows = machine_.Commands();
    const bool inRun = InRun();
    const int current = inRun ? nodeByName_.value(machine_.CurrentState().toCaseFolded(), -1) : -1;
    for (int n = 0; n < d.nodes.size(); ++n) {
        TDiagramNode& node = d.nodes[n];
        if (node.state >= 0 && node.state < states.size())
            node.mark = states[node.state].mark & ~MarkHead;
        if (n == current)
            node.mark |= MarkHead;
    }
    for (TDiagramEdge& edge : d.edges)
        for (TDiagramLine& line : edge.lines)
            if (line.row >= 0 && line.row < rows.size())
                line.mark = rows[line.row].mark;
    return d;
}

std::optional<TDiagram> TDiagramForm::MadeLayout() const {
    if (stale_ || worker_)
        return std::nullopt;
    return Marked();
}

void TDiagramForm::Recolour() {
    frameTimer_->stop();
    const TDiagram d = Marked();
    const bool inRun = InRun();
    for (int n = 0; n < nodeItems_.size() && n < d.nodes.size(); ++n) {
        const auto c = DiagramColours(config_, d.nodes[n].mark, inRun);
        for (QGraphicsEllipseItem* ring : nodeItems_[n].rings)
            if (ring)
                ring->setBrush(c ? Colour(c->second) : QColor(Qt::white));
        nodeItems_[n].text->setBrush(c ? Colour(c->first) : QColor(Qt::black));
    }
    for (int e = 0; e < edgeItems_.size() && e < d.edges.size(); ++e) {
        const TDiagramEdge& edge = d.edges[e];
        const auto c = DiagramColours(config_, edge.Mark(), inRun);
        const QColor stroke = c ? Colour(c->second) : QColor(Qt::black);
        edgeItems_[e].path->setPen(QPen(stroke, c ? 2 : 1));
        edgeItems_[e].arrow->setPen(QPen(stroke, 1));
        edgeItems_[e].arrow->setBrush(stroke);
        for (int i = 0; i < edge.lines.size() && i < edgeItems_[e].texts.size(); ++i) {
            const auto lc = DiagramColours(config_, edge.lines[i].mark, inRun);
            edgeItems_[e].texts[i]->setBrush(lc ? Colour(lc->first) : QColor(Qt::black));
            edgeItems_[e].backs[i]->setBrush(lc ? QBrush(Colour(lc->second)) : QBrush(Qt::NoBrush));
        }
    }
}

// ---- What the window shows --------------------------------------------------------------------------------

QString TDiagramForm::Note() const {
    return note_->isHidden() ? QString() : note_->text();
}

QStringList TDiagramForm::Texts() const {
    QStringList texts;
    for (const TEdgeItems& e : edgeItems_)
        for (const QGraphicsSimpleTextItem* t : e.texts)
            texts << t->text();
    for (const TNodeItems& n : nodeItems_)
        texts << n.text->text();
    return texts;
}

QColor TDiagramForm::StateFill(const QString& name) const {
    const int n = nodeByName_.value(name.toCaseFolded(), -1);
    return n >= 0 ? nodeItems_[n].rings[0]->brush().color() : QColor();
}

QColor TDiagramForm::CommandColour(int row) const {
    const auto [e, line] = diagram_.LineOfRow(row);
    return e >= 0 && e < edgeItems_.size() ? edgeItems_[e].path->pen().color() : QColor();
}

qreal TDiagramForm::Zoom() const {
    return view_->transform().m11();
}

// ---- Use --------------------------------------------------------------------------------------------------

void TDiagramForm::Scale(qreal factor) {
    const qreal zoom = Zoom() * factor;
    if (zoom < 0.05 || zoom > 20)
        return;
    view_->scale(factor, factor);
}

void TDiagramForm::ReplaceTool(QAction*& tool, QAction* entry) {
    if (!tool || !entry || tool == entry)
        return;
    // The entry keeps the tool's other keys (Ctrl+= beside Ctrl++).
    if (tool->shortcuts().contains(entry->shortcut()))
        entry->setShortcuts(tool->shortcuts());
    entry->setShortcutContext(Qt::WindowShortcut);
    entry->setToolTip(tool->toolTip());
    entry->setIconText(tool->iconText());
    tools_->insertAction(tool, entry);
    view_->insertAction(tool, entry);
    addAction(entry);
    if (QWidget* button = tools_->widgetForAction(entry))
        if (QWidget* old = tools_->widgetForAction(tool)) {
            button->setAccessibleName(old->accessibleName());
            button->setAccessibleDescription(old->accessibleDescription());
        }
    delete std::exchange(tool, entry);
}

void TDiagramForm::ZoomIn() {
    Scale(1.25);
}

void TDiagramForm::ZoomOut() {
    Scale(0.8);
}

void TDiagramForm::Fit() {
    if (!scene_->sceneRect().isEmpty())
        view_->fitInView(scene_->sceneRect(), Qt::KeepAspectRatio);
}

bool TDiagramForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_->viewport() && (LinkEvent(event) || DragEvent(event)))
        return true;
    if (watched == view_ && event->type() == QEvent::KeyPress && KeyEvent(static_cast<QKeyEvent*>(event)))
        return true;
    if (watched == view_->viewport() && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            Scale(std::pow(1.25, wheel->angleDelta().y() / 120.0));
            return true;
        }
    }
    if (watched == view_->viewport() && DoubleClickEvent(event))
        return true;
    // A right press on a state starts an arrow, not the menu.
    if (watched == view_->viewport() && event->type() == QEvent::ContextMenu) {
        const QGraphicsItem* item = view_->itemAt(static_cast<QContextMenuEvent*>(event)->pos());
        if (linkFrom_ >= 0 || (item && item->data(KindData).toInt() == NodeKind))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TDiagramForm::ExportSvg() {
    const QString chosen = AskExportName(QStringLiteral("Рисунки SVG (*.svg)|*.svg"), QStringLiteral("svg"));
    if (!chosen.isEmpty())
        WriteSvg(chosen);
}

void TDiagramForm::ExportPng() {
    const QString chosen = AskExportName(QStringLiteral("Рисунки PNG (*.png)|*.png"), QStringLiteral("png"));
    if (!chosen.isEmpty())
        WritePng(chosen);
}

QString TDiagramForm::AskExportName(const QString& filter, const QString& ext) {
    TFileDialog dialog;
    dialog.title = QStringLiteral("Сохранение диаграммы");
    dialog.filter = filter;
    dialog.defaultExt = ext;
    dialog.initialDir = QFileInfo(config_.Dir).isDir() ? config_.Dir : QDir::currentPath();
    if (machineFileName_) {
        const QString machine = QFileInfo(machineFileName_()).completeBaseName();
        if (!machine.isEmpty())
            dialog.fileName = machine + QLatin1Char('.') + ext;
    }
    dialog.overwritePrompt = true;
    return prompts_.SaveFileName(dialog);
}

namespace {

bool Save(TPrompts& prompts, const QString& path, const QByteArray& bytes) {
    const fileio::TSaveResult saved = fileio::SaveFile(path, bytes, fileio::FreshTempName(path), QString());
    if (!saved.ok())
        prompts.Message(QStringLiteral("Сохранение диаграммы"),
                        QStringLiteral("Не удалось сохранить файл ") + path + QStringLiteral(": ") +
                            fileio::ErrorText(saved.error),
                        TIcon::Stop);
    return saved.ok();
}

} // namespace

bool TDiagramForm::WriteSvg(const QString& path) {
    return Save(prompts_, path, DiagramSvg(Marked(), config_, InRun()));
}

bool TDiagramForm::WritePng(const QString& path) {
    // Twice the screen's size, for print.
    const QRectF area = scene_->sceneRect();
    QImage image((area.size() * 2).toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        if (diagram_.nodes.isEmpty())
            painter.drawText(image.rect(), Qt::AlignCenter, note_->text());
        else
            scene_->render(&painter, QRectF(), area);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Save(prompts_, path, bytes);
}

// ---- Arranging ----------------------------------------------------------------------------------------------

QHash<QString, QPointF> TDiagramForm::Placed() const {
    QHash<QString, QPointF> placed;
    for (auto at = positions_->Positions().cbegin(); at != positions_->Positions().cend(); ++at)
        placed.insert(TrimText(at.key()).toCaseFolded(), at.value());
    return placed;
}

void TDiagramForm::SetPositions(TStatePositions* positions) {
    disconnect(positions_, nullptr, this, nullptr);
    positions_ = positions ? positions : &ownPositions_;
    // Another machine's positions, a drag or "Упорядочить": the picture is laid out again.
    connect(positions_, &TStatePositions::changed, this, &TDiagramForm::ScheduleLayout);
    ScheduleLayout();
}

QPointF TDiagramForm::StateCentre(const QString& name) const {
    const int n = nodeByName_.value(TrimText(name).toCaseFolded(), -1);
    return n >= 0 ? nodeItems_[n].rings[0]->sceneBoundingRect().center() : QPointF();
}

void TDiagramForm::Arrange() {
    if (positions_->IsEmpty())
        return;
    // A picture placed by hand is work: the user says so before it goes (and can take it back with "Отменить").
    if (prompts_.Message(QStringLiteral("Упорядочить"),
                         QStringLiteral("Состояния, расставленные вручную, будут расставлены заново.\nПродолжить?"),
                         TIcon::Question, ButtonsOkCancel, TAnswer::Ok) != TAnswer::Ok)
        return;
    positions_->Clear();
    // The new picture is shown afresh, fitted when it is larger than the window.
    fitPending_ = true;
    shown_ = false;
    machine_.NoteEdited();
    ScheduleLayout();
}

// ---- Editing ------------------------------------------------------------------------------------------------
