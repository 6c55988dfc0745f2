// The diagram window's editing on the picture: selecting states and command lines (by click and by key),
// dragging a state, drawing an arrow for a command, and the edits they lead to, one function each. The edits
// themselves run where the lists' run (the form asks through its signals); what stays here is where a state
// goes on the picture.

#include "diagram/diagramform.h"

#include "machine/machine.h"
#include "platform/prompts.h"

#include <QAccessible>
#include <QAction>
#include <QContextMenuEvent>
#include <QCursor>
#include <QGraphicsEllipseItem>
#include <QGraphicsLineItem>
#include <QGraphicsPathItem>
#include <QGraphicsPolygonItem>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

#include <numeric>
#include <utility>

namespace {

// The selected item's highlight: a band round it in the selection's blue, drawn beneath it so that a click
// still finds what it marks.
const QColor Highlight(30, 110, 220);
constexpr qreal HighlightWidth = 4;

} // namespace

// ---- Placing ------------------------------------------------------------------------------------------------

void TDiagramForm::PlaceState(const QString& name, QPointF centre) {
    // Once the user places one state, every state shown keeps its place: the others must not jump.
    if (positions_->IsEmpty())
        for (const TDiagramNode& node : diagram_.nodes)
            positions_->SetPosition(node.name, node.centre);
    positions_->SetPosition(name, centre);
    const int n = nodeByName_.value(TrimText(name).toCaseFolded(), -1);
    if (n >= 0)
        MoveNodeItems(n, centre);
    machine_.NoteEdited();
    ScheduleLayout();
}

// The circle and name follow the pointer; the edges at the state are drawn straight until the layout routes
// them again.
void TDiagramForm::MoveNodeItems(int node, QPointF centre) {
    TNodeItems& circle = nodeItems_[node];
    const QPointF shift = centre - circle.rings[0]->sceneBoundingRect().center();
    for (QGraphicsEllipseItem* ring : circle.rings)
        if (ring)
            ring->moveBy(shift.x(), shift.y());
    circle.text->moveBy(shift.x(), shift.y());
    if (node == selectedNode_ && focusFrame_)
        focusFrame_->moveBy(shift.x(), shift.y());
    if (node == startNode_)
        for (QGraphicsItem* item : std::initializer_list<QGraphicsItem*>{startPath_, startHead_})
            item->moveBy(shift.x(), shift.y());
    const auto centreOf = [this](int n) { return nodeItems_[n].rings[0]->sceneBoundingRect().center(); };
    for (int e = 0; e < diagram_.edges.size(); ++e) {
        const TDiagramEdge& edge = diagram_.edges[e];
        if (edge.from != node && edge.to != node)
            continue;
        TEdgeItems& items = edgeItems_[e];
        if (edge.from == edge.to) {
            for (QGraphicsItem* item : std::initializer_list<QGraphicsItem*>{items.path, items.arrow})
                item->moveBy(shift.x(), shift.y());
            for (int i = 0; i < items.texts.size(); ++i) {
                items.texts[i]->moveBy(shift.x(), shift.y());
                items.backs[i]->moveBy(shift.x(), shift.y());
            }
            continue;
        }
        const QPointF from = centreOf(edge.from);
        const QPointF to = centreOf(edge.to);
        const QLineF line(from, to);
        const qreal radius = diagram_.nodes[edge.to].height / 2;
        const QPointF tip = line.length() > radius ? line.pointAt(1 - radius / line.length()) : to;
        const QPointF end = line.length() > radius + 10 ? line.pointAt(1 - (radius + 10) / line.length()) : from;
        items.path->setPos(0, 0);
        items.path->setPath(Curve({from, from, end, end}));
        items.arrow->setPos(0, 0);
        items.arrow->setPolygon(ArrowHead({from, end}, tip));
        const QPointF middle = line.center();
        const qreal lineHeight = edge.labelHeight / std::max<qsizetype>(1, edge.lines.size());
        for (int i = 0; i < items.texts.size(); ++i) {
            const QRectF box = items.texts[i]->boundingRect();
            const qreal y = middle.y() - edge.labelHeight / 2 + i * lineHeight;
            items.texts[i]->setPos(middle.x() - box.width() / 2, y + (lineHeight - box.height()) / 2);
            items.backs[i]->setPos(0, 0);
            items.backs[i]->setRect(QRectF(middle.x() - box.width() / 2 - 1, y, box.width() + 2, lineHeight));
        }
    }
}

QPointF TDiagramForm::NewStatePlace() const {
    const QPoint pointer = view_->viewport()->mapFromGlobal(QCursor::pos());
    if (view_->viewport()->rect().contains(pointer) && !view_->itemAt(pointer))
        return view_->mapToScene(pointer);
    // A spot in sight with no item near, scanning the window from its top left; beside the picture when the
    // window has none.
    const QRect inside = view_->viewport()->rect().adjusted(30, 30, -30, -30);
    for (int y = inside.top(); y <= inside.bottom(); y += 20)
        for (int x = inside.left(); x <= inside.right(); x += 20)
            if (view_->items(QRect(x - 30, y - 30, 60, 60)).isEmpty())
                return view_->mapToScene(QPoint(x, y));
    return diagram_.bounds.topRight() + QPointF(60, 30);
}

// ---- Gestures -----------------------------------------------------------------------------------------------

bool TDiagramForm::DragEvent(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    switch (type) {
    case QEvent::MouseButtonPress: {
        if (mouse->button() != Qt::LeftButton || mouse->modifiers() != Qt::NoModifier || LayingOut())
            return false;
        const QGraphicsItem* item = view_->itemAt(mouse->position().toPoint());
        if (item && item->data(KindData).toInt() == EdgeKind) {
            Select(item);
            return false;
        }
        if (!item || item->data(KindData).toInt() != NodeKind)
            return false;
        dragNode_ = item->data(IndexData).toInt();
        dragMoved_ = false;
        dragOffset_ = view_->mapToScene(mouse->position().toPoint()) -
                      nodeItems_[dragNode_].rings[0]->sceneBoundingRect().center();
        return true;
    }
    case QEvent::MouseMove:
        if (dragNode_ < 0 || !(mouse->buttons() & Qt::LeftButton))
            return false;
        dragMoved_ = true;
        MoveNodeItems(dragNode_, view_->mapToScene(mouse->position().toPoint()) - dragOffset_);
        return true;
    case QEvent::MouseButtonRelease: {
        if (dragNode_ < 0 || mouse->button() != Qt::LeftButton)
            return false;
        const int node = std::exchange(dragNode_, -1);
        if (dragMoved_)
            PlaceState(diagram_.nodes[node].name, view_->mapToScene(mouse->position().toPoint()) - dragOffset_);
        else
            Select(nodeItems_[node].text);
        return true;
    }
    default:
        return false;
    }
}

// An arrow for a new command is drawn with the right button, or the left one with Shift, from a state to a
// state (or back onto the same one).
bool TDiagramForm::LinkEvent(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPointF at = view_->mapToScene(mouse->position().toPoint());
    const auto nodeAt = [&]() {
        const QGraphicsItem* item = view_->itemAt(mouse->position().toPoint());
        return item && item->data(KindData).toInt() == NodeKind ? item->data(IndexData).toInt() : -1;
    };
    const bool linkButton = mouse->button() == Qt::RightButton ||
                            (mouse->button() == Qt::LeftButton && (mouse->modifiers() & Qt::ShiftModifier));
    switch (type) {
    case QEvent::MouseButtonPress: {
        const int node = linkButton && !LayingOut() ? nodeAt() : -1;
        if (node < 0)
            return false;
        linkFrom_ = node;
        const QPointF from = nodeItems_[node].rings[0]->sceneBoundingRect().center();
        link_ = scene_->addLine(QLineF(from, at), QPen(Qt::darkGray, 1, Qt::DashLine));
        return true;
    }
    case QEvent::MouseMove:
        if (linkFrom_ < 0)
            return false;
        link_->setLine(QLineF(link_->line().p1(), at));
        return true;
    default: {
        if (linkFrom_ < 0 || !(mouse->button() == Qt::RightButton || mouse->button() == Qt::LeftButton))
            return false;
        const int from = std::exchange(linkFrom_, -1);
        delete std::exchange(link_, nullptr);
        const int to = nodeAt();
        if (to >= 0)
            emit commandAddRequested(diagram_.nodes[from].name, diagram_.nodes[to].name);
        else
            Tell(QStringLiteral("Команда не добавлена: стрелку нужно отпустить на состоянии, в которое переходит "
                                "машина"));
        return true;
    }
    }
}

bool TDiagramForm::DoubleClickEvent(QEvent* event) {
    if (event->type() != QEvent::MouseButtonDblClick)
        return false;
    const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
    const QGraphicsItem* item = view_->itemAt(at);
    if (item && item->data(KindData).toInt() == EdgeKind && item->data(RowData).toInt() >= 0) {
        Select(item);
        emit commandActivated(selectedRow_);
        EditSelection();
        return true;
    }
    if (item && item->data(KindData).toInt() == NodeKind) {
        const int node = item->data(IndexData).toInt();
        if (diagram_.nodes.value(node).state < 0) {
            AddMissingState(node);
            return true;
        }
        Select(item);
        emit stateActivated(diagram_.nodes[node].state);
        EditSelection();
        return true;
    }
    if (!item && !LayingOut()) {
        AddStateAt(view_->mapToScene(at));
        return true;
    }
    return false;
}

// Tab and the arrow keys walk through the states, then the commands' label lines.
bool TDiagramForm::KeyEvent(QKeyEvent* key) {
    if (key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))
        return false;
    int step = 0;
    switch (key->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Right:
    case Qt::Key_Down:
        step = 1;
        break;
    case Qt::Key_Backtab:
    case Qt::Key_Left:
    case Qt::Key_Up:
        step = -1;
        break;
    default:
        return false;
    }
    const int size = ItemCount();
    if (size == 0)
        return false;
    const int current = SelectedItem();
    SelectItem(current < 0 ? (step > 0 ? 0 : size - 1) : (current + step + size) % size);
    return true;
}

// ---- Selection ----------------------------------------------------------------------------------------------

void TDiagramForm::Select(const QGraphicsItem* item) {
    selectedNode_ = -1;
    selectedRow_ = -1;
    delete std::exchange(focusFrame_, nullptr);
    if (!item)
        return;
    const QPen band(Highlight, HighlightWidth);
    if (item->data(KindData).toInt() == NodeKind) {
        selectedNode_ = item->data(IndexData).toInt();
        const QRectF ring = nodeItems_[selectedNode_].rings[0]->sceneBoundingRect();
        focusFrame_ = scene_->addEllipse(ring.adjusted(-3, -3, 3, 3), band, Qt::NoBrush);
    } else {
        selectedRow_ = item->data(RowData).toInt();
        focusFrame_ = scene_->addRect(item->sceneBoundingRect().adjusted(-3, -2, 3, 2), band, Qt::NoBrush);
    }
    // The band catches a click as what it marks does.
    for (const int key : {KindData, IndexData, RowData})
        focusFrame_->setData(key, item->data(key));
    focusFrame_->setZValue(-2);
    view_->ensureVisible(item);
    if (selectedNode_ >= 0) {
        const int state = diagram_.nodes.value(selectedNode_).state;
        if (state >= 0)
            emit stateSelected(state);
    } else if (selectedRow_ >= 0) {
        emit commandSelected(selectedRow_);
    }
    AnnounceSelection();
}

// Walked rather than listed, so that a screen reader asking for each of thousands of items takes no longer than
// the picture.
QGraphicsItem* TDiagramForm::ItemAt(int index) const {
    if (index < 0)
        return nullptr;
    if (index < nodeItems_.size())
        return nodeItems_[index].text;
    index -= int(nodeItems_.size());
    for (const TEdgeItems& edge : edgeItems_) {
        if (index < edge.texts.size())
            return edge.texts[index];
        index -= int(edge.texts.size());
    }
    return nullptr;
}

int TDiagramForm::IndexOfItem(const QGraphicsItem* item) const {
    if (!item)
        return -1;
    if (item->data(KindData).toInt() == NodeKind)
        return item->data(IndexData).toInt();
    const int row = item->data(RowData).toInt();
    int index = int(nodeItems_.size());
    for (const TEdgeItems& edge : edgeItems_)
        for (const QGraphicsSimpleTextItem* line : edge.texts) {
            if (row >= 0 && line->data(RowData).toInt() == row)
                return index;
            ++index;
        }
    return -1;
}

int TDiagramForm::ItemCount() const {
    return int(nodeItems_.size()) +
           int(std::accumulate(edgeItems_.cbegin(), edgeItems_.cend(), qsizetype(0),
                               [](qsizetype n, const TEdgeItems& e) { return n + e.texts.size(); }));
}

QString TDiagramForm::ItemNameAt(int index) const {
    const QGraphicsItem* item = ItemAt(index);
    return item ? ItemName(item) : QString();
}

int TDiagramForm::SelectedItem() const {
    if (selectedNode_ >= 0)
        return selectedNode_ < nodeItems_.size() ? selectedNode_ : -1;
    if (selectedRow_ < 0)
        return -1;
    int index = int(nodeItems_.size());
    for (const TEdgeItems& edge : edgeItems_)
        for (const QGraphicsSimpleTextItem* line : edge.texts) {
            if (line->data(RowData).toInt() == selectedRow_)
                return index;
            ++index;
        }
    return -1;
}

void TDiagramForm::SelectItem(int index) {
    if (const QGraphicsItem* item = ItemAt(index))
        Select(item);
}

QRect TDiagramForm::ItemScreenRect(int index) const {
    const QGraphicsItem* item = index >= 0 && index < nodeItems_.size() ? nodeItems_[index].rings[0] : ItemAt(index);
    if (!item)
        return QRect();
    const QRect inView = view_->mapFromScene(item->sceneBoundingRect()).boundingRect();
    return QRect(view_->viewport()->mapToGlobal(inView.topLeft()), inView.size());
}

int TDiagramForm::ItemIndexAt(QPoint global) const {
    return IndexOfItem(view_->itemAt(view_->viewport()->mapFromGlobal(global)));
}

QString TDiagramForm::SelectedName() const {
    return ItemNameAt(SelectedItem());
}

// Read from the machine as it is now: a picture waiting for its layout after an edit names no deleted state
// and no command that is gone.
QString TDiagramForm::ItemName(const QGraphicsItem* item) const {
    if (item->data(KindData).toInt() == NodeKind) {
        const TDiagramNode node = diagram_.nodes.value(item->data(IndexData).toInt());
        if (node.state < 0)
            return machine_.FindState(node.name) >= 0 ? node.name
                                                      : node.name + QStringLiteral(" (нет в списке состояний)");
        return node.state < machine_.States().size() ? machine_.States()[node.state].name : QString();
    }
    const int row = item->data(RowData).toInt();
    if (row < 0 || row >= machine_.Commands().size())
        return QString();
    return TMachine::CommandText(TMachine::CommandFromRow(machine_.Commands()[row]));
}

void TDiagramForm::AnnounceSelection() {
    const int item = SelectedItem();
    if (item < 0 || !view_->hasFocus())
        return;
    QAccessibleEvent focus(view_->viewport(), QAccessible::Focus);
    focus.setChild(item);
    QAccessible::updateAccessibility(&focus);
}

void TDiagramForm::Tell(const QString& text) {
    note_->setText(text);
    note_->show();
}

// ---- Edits --------------------------------------------------------------------------------------------------

void TDiagramForm::AddStateAt(QPointF centre) {
    const qsizetype before = machine_.States().size();
    emit stateAddRequested();
    if (machine_.States().size() > before)
        PlaceState(machine_.States().last().name, centre);
}

void TDiagramForm::AddStateFromKeys() {
    if (!LayingOut())
        AddStateAt(NewStatePlace());
}

// A name only commands use is a state the list lacks: it joins the list where it is drawn.
void TDiagramForm::AddMissingState(int node) {
    const QString name = diagram_.nodes.value(node).name;
    if (name.isEmpty() || LayingOut())
        return;
    const TAnswer answer = prompts_.Message(
        QStringLiteral("Добавление состояния"),
        QStringLiteral("Состояния %1 нет в списке состояний, его называют только команды. Добавить его?").arg(name),
        TIcon::Question, ButtonYes | ButtonNo, TAnswer::Yes);
    if (answer != TAnswer::Yes)
        return;
    const QPointF centre = nodeItems_[node].rings[0]->sceneBoundingRect().center();
    emit missingStateAddRequested(name);
    if (machine_.FindState(name) >= 0)
        PlaceState(name, centre);
}

void TDiagramForm::AddCommandFromSelection() {
    if (selectedNode_ >= 0 && selectedNode_ < diagram_.nodes.size())
        emit commandAddRequested(diagram_.nodes[selectedNode_].name, QString());
}

void TDiagramForm::EditSelection() {
    if (selectedRow_ >= 0) {
        emit commandEditRequested(selectedRow_);
        return;
    }
    const int state = diagram_.nodes.value(selectedNode_).state;
    if (selectedNode_ < 0 || state < 0 || state >= machine_.States().size())
        return;
    // A renamed state keeps its place, under its new name.
    const QString before = machine_.States()[state].name;
    const QHash<QString, QPointF> shown = DiagramStatePositions(diagram_);
    emit stateEditRequested(state);
    if (state >= machine_.States().size() || machine_.States()[state].name == before)
        return;
    if (positions_->IsEmpty())
        for (auto at = shown.cbegin(); at != shown.cend(); ++at)
            positions_->SetPosition(at.key(), at.value());
    positions_->Rename(before, machine_.States()[state].name);
}

void TDiagramForm::DeleteSelection() {
    const int row = std::exchange(selectedRow_, -1);
    const int node = std::exchange(selectedNode_, -1);
    delete std::exchange(focusFrame_, nullptr);
    if (row >= 0)
        emit commandDeleteRequested(row);
    else if (node >= 0 && diagram_.nodes.value(node).state >= 0)
        emit stateDeleteRequested(diagram_.nodes[node].state);
}
