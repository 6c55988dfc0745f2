#include "diagram/diagram.h"

#include "machine/machine.h"
#include "settings/config.h"

#include <QHash>

#include <graphviz/cgraph.h>
#include <graphviz/gvc.h>
#include <graphviz/gvplugin.h>

#include <dlfcn.h>

#include <cmath>
#include <mutex>

namespace {

// Above this many edges the layout trades beauty for speed.
constexpr int LargeDiagram = 60;

// Graphviz keeps its state in globals: one context for the program, one layout at a time.
std::mutex& LayoutLock() {
    static std::mutex lock;
    return lock;
}

// The dot layout where the build found it, else in the graphviz folder beside the Graphviz library loaded: a
// package built on one distribution runs on another that keeps its libraries elsewhere (lib64, multiarch).
void* OpenDotLayout() {
    if (void* plugin = dlopen(QTM_GRAPHVIZ_DOT, RTLD_NOW | RTLD_LOCAL))
        return plugin;
    Dl_info library{};
    if (!dladdr(reinterpret_cast<void*>(&gvContextPlugins), &library) || !library.dli_fname)
        return nullptr;
    const QByteArray built(QTM_GRAPHVIZ_DOT);
    QByteArray path(library.dli_fname);
    path.truncate(path.lastIndexOf('/') + 1);
    path += "graphviz/" + built.mid(built.lastIndexOf('/') + 1);
    return dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
}

// Graphviz measures text by its own tables then, the same on every machine. Null when the dot layout
// cannot be loaded.
GVC_t* Context() {
    static GVC_t* context = [] {
        void* plugin = OpenDotLayout();
        void* library = plugin ? dlsym(plugin, "gvplugin_dot_layout_LTX_library") : nullptr;
        if (!library)
            return static_cast<GVC_t*>(nullptr);
        static lt_symlist_t none[] = {{nullptr, nullptr}};
        GVC_t* gvc = gvContextPlugins(none, 0);
        gvAddLibrary(gvc, static_cast<gvplugin_library_t*>(library));
        return gvc;
    }();
    return context;
}

// Graphviz's messages go to the diagram's error text rather than to the terminal.
thread_local QString* graphvizMessages = nullptr;

int CollectMessage(char* text) {
    if (graphvizMessages)
        graphvizMessages->append(QString::fromUtf8(text));
    return 0;
}

char* Text(const char* text) {
    return const_cast<char*>(text);
}

// A label is an escString to Graphviz: its own backslash sequences (\N, \G, \n...) must not expand.
QByteArray Escaped(const QString& text) {
    QByteArray bytes = text.toUtf8();
    bytes.replace('\\', "\\\\");
    return bytes;
}

QPointF Point(pointf p, qreal top) {
    return QPointF(p.x, top - p.y);
}

QString Folded(const QString& name) {
    return name.toCaseFolded();
}

// The spline of an edge, and its arrowhead's tip when it has one at its end.
void ReadSpline(Agedge_t* e, qreal top, QList<QPointF>& path, QPointF& tip) {
    const splines* spl = ED_spl(e);
    if (!spl || spl->size == 0)
        return;
    for (int i = 0; i < spl->size; ++i) {
        const bezier& bz = spl->list[i];
        for (int k = path.isEmpty() ? 0 : 1; k < bz.size; ++k)
            path.append(Point(bz.list[k], top));
        if (bz.eflag)
            tip = Point(bz.ep, top);
        else if (bz.size > 0)
            tip = path.last();
    }
}

// The edges that close a cycle, found by a depth-first walk from the initial state. They are left out of the
// ranking (constraint=false), so dot has no cycle to break: its own breaking leaks the edges it adds.
QList<bool> BackEdges(const TDiagram& d, int initial) {
    QList<QList<int>> out(d.nodes.size());
    for (int e = 0; e < d.edges.size(); ++e)
        if (d.edges[e].from != d.edges[e].to)
            out[d.edges[e].from].append(e);
    enum Colour : char { White, Grey, Black };
    QList<char> colour(d.nodes.size(), White);
    QList<bool> back(d.edges.size(), false);
    QList<std::pair<int, int>> stack; // node, next of its edges to follow
    const auto walk = [&](int root) {
        if (colour[root] != White)
            return;
        colour[root] = Grey;
        stack.append({root, 0});
        while (!stack.isEmpty()) {
            auto& [node, next] = stack.last();
            if (next == out[node].size()) {
                colour[node] = Black;
                stack.removeLast();
                continue;
            }
            const int e = out[node][next++];
            const int to = d.edges[e].to;
            if (colour[to] == Grey) {
                back[e] = true;
            } else if (colour[to] == White) {
                colour[to] = Grey;
                stack.append({to, 0});
            }
        }
    };
    if (initial >= 0)
        walk(initial);
    for (int i = 0; i < d.nodes.size(); ++i)
        walk(i);
    return back;
}

} // namespace

TDiagramSource DiagramSourceOf(const TMachine& machine) {
    return TDiagramSource{machine.States(), machine.Commands(), machine.GetInitialState()};
}

QString DiagramLabel(const TCommandRow& row) {
    QString move = row.move;
    if (move == MoveRightText)
        move = QStringLiteral("R");
    else if (move == MoveLeftText)
        move = QStringLiteral("L");
    else if (move == MoveStayText)
        move = QStringLiteral("N");
    return row.sourceSymbol + QChar(0x2192) + row.newSymbol + QStringLiteral(", ") + move;
}

TCellMarks TDiagramEdge::Mark() const {
    TCellMarks mark = 0;
    for (const TDiagramLine& line : lines)
        mark |= line.mark;
    return mark;
}

int TDiagram::NodeOfState(const QString& name) const {
    for (int i = 0; i < nodes.size(); ++i)
        if (nodes[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

std::pair<int, int> TDiagram::LineOfRow(int row) const {
    for (int e = 0; e < edges.size(); ++e)
        for (int l = 0; l < edges[e].lines.size(); ++l)
            if (edges[e].lines[l].row == row)
                return {e, l};
    return {-1, -1};
}

std::optional<std::pair<int, int>> DiagramColours(const TConfig& c, TCellMarks mark, bool inRun) {
    if ((mark & MarkError) && !inRun)
        return std::pair{c.ErrorFont, c.ErrorBackground};
    if ((mark & MarkHead) && inRun) {
        if (mark & MarkBreakActive)
            return std::pair{c.ActiveBreakFont, c.ActiveBreakBackground};
        return std::pair{c.ActiveCommandFont, c.ActiveCommandBackground};
    }
    if (mark & MarkBreakActive)
        return std::pair{c.EnableBreakFont, c.EnableBreakBackground};
    if (mark & MarkBreakInactive)
        return std::pair{c.DisableBreakFont, c.DisableBreakBackground};
    return std::nullopt;
}

TDiagram LayOutDiagram(const TDiagramSource& source) {
    TDiagram d;
    // The nodes: the listed states, then the names commands use that the list lacks (the data check marks
    // those commands; their states are drawn in the error colours too).
    QHash<QString, int> nodeByName;
    const auto addNode = [&](const QString& name, int state, TCellMarks mark) {
        const QString key = Folded(name);
        if (const auto it = nodeByName.constFind(key); it != nodeByName.cend())
            return *it;
        TDiagramNode node;
        node.name = name;
        node.state = state;
        node.mark = mark;
        node.halting = true;
        d.nodes.append(node);
        nodeByName.insert(key, int(d.nodes.size()) - 1);
        return int(d.nodes.size()) - 1;
    };
    for (int i = 0; i < source.states.size(); ++i)
        addNode(source.states[i].name, i, source.states[i].mark & ~MarkHead);
    QHash<QPair<int, int>, int> edgeByPair;
    for (int r = 0; r < source.commands.size(); ++r) {
        const TCommandRow& row = source.commands[r];
        const int from = addNode(row.sourceState, -1, MarkError);
        const int to = addNode(row.newState, -1, MarkError);
        d.nodes[from].halting = false;
        auto it = edgeByPair.find({from, to});
        if (it == edgeByPair.end()) {
            TDiagramEdge edge;
            edge.from = from;
            edge.to = to;
            d.edges.append(edge);
            it = edgeByPair.insert({from, to}, int(d.edges.size()) - 1);
        }
        d.edges[*it].lines.append(TDiagramLine{DiagramLabel(row), r, row.mark});
    }
    const int initial = source.initialState.isEmpty() ? -1 : nodeByName.value(Folded(source.initialState), -1);
    if (initial >= 0)
        d.nodes[initial].initial = true;
    if (d.nodes.isEmpty())
        return d;

    const std::lock_guard<std::mutex> guard(LayoutLock());
    QString messages;
    graphvizMessages = &messages;
    agseterrf(&CollectMessage);
    GVC_t* gvc = Context();
    if (!gvc) {
        d.error = QStringLiteral("Не найдена раскладка dot библиотеки Graphviz: ") + QStringLiteral(QTM_GRAPHVIZ_DOT);
        d.nodes.clear();
        d.edges.clear();
        graphvizMessages = nullptr;
        return d;
    }
    Agraph_t* g = agopen(Text("machine"), Agdirected, nullptr);
    agattr(g, AGRAPH, Text("rankdir"), Text("LR"));
    agattr(g, AGRAPH, Text("nodesep"), Text("0.3"));
    agattr(g, AGRAPH, Text("ranksep"), Text("0.5"));
    // Most of dot's time goes to the network simplex and to routing splines through the ranks; on a large
    // machine both are cut short and the edges are straight, which keeps 200 commands well within 200 ms.
    if (d.edges.size() > LargeDiagram) {
        const bool huge = d.edges.size() > 10 * LargeDiagram;
        agattr(g, AGRAPH, Text("nslimit"), Text(huge ? "0.02" : "0.2"));
        agattr(g, AGRAPH, Text("nslimit1"), Text(huge ? "0.02" : "0.2"));
        if (huge)
            agattr(g, AGRAPH, Text("mclimit"), Text("0.1"));
        agattr(g, AGRAPH, Text("splines"), Text("line"));
    }
    agattr(g, AGNODE, Text("shape"), Text("ellipse"));
    agattr(g, AGNODE, Text("width"), Text("0.5"));
    agattr(g, AGNODE, Text("height"), Text("0.5"));
    agattr(g, AGNODE, Text("peripheries"), Text("1"));
    agattr(g, AGNODE, Text("label"), Text("\\N"));
    // Graphviz's tables know Helvetica, a little narrower than the font drawn.
    const QByteArray font("Helvetica");
    const QByteArray size = QByteArray::number(DiagramFontSize * 1.1);
    for (int kind : {AGNODE, AGEDGE}) {
        agattr(g, kind, Text("fontname"), Text(font.constData()));
        agattr(g, kind, Text("fontsize"), Text(size.constData()));
    }
    agattr(g, AGEDGE, Text("label"), Text(""));

    QList<Agnode_t*> nodes;
    nodes.reserve(d.nodes.size());
    for (int i = 0; i < d.nodes.size(); ++i) {
        Agnode_t* n = agnode(g, QByteArray("n" + QByteArray::number(i)).data(), 1);
        QByteArray label = Escaped(d.nodes[i].name);
        agset(n, Text("label"), label.data());
        if (d.nodes[i].halting)
            agset(n, Text("peripheries"), Text("2"));
        nodes.append(n);
    }
    agattr(g, AGEDGE, Text("constraint"), Text("true"));
    const QList<bool> back = BackEdges(d, initial);
    QList<Agedge_t*> edges;
    edges.reserve(d.edges.size());
    for (int i = 0; i < d.edges.size(); ++i) {
        const TDiagramEdge& edge = d.edges[i];
        Agedge_t* e = agedge(g, nodes[edge.from], nodes[edge.to], QByteArray("e" + QByteArray::number(i)).data(), 1);
        QByteArray label;
        for (const TDiagramLine& line : edge.lines)
            label += (label.isEmpty() ? QByteArray() : QByteArray("\\n")) + Escaped(line.text);
        agset(e, Text("label"), label.data());
        if (back[i])
            agset(e, Text("constraint"), Text("false"));
        edges.append(e);
    }
    Agedge_t* start = nullptr;
    if (initial >= 0) {
        Agnode_t* entry = agnode(g, Text("start"), 1);
        agsafeset(entry, Text("shape"), Text("point"), Text(""));
        agsafeset(entry, Text("width"), Text("0.05"), Text(""));
        start = agedge(g, entry, nodes[initial], Text("start"), 1);
    }

    if (gvLayout(gvc, g, "dot") != 0) {
        d.error = messages.trimmed().isEmpty() ? QStringLiteral("Graphviz не смог расположить диаграмму")
                                               : messages.trimmed();
        agclose(g);
        graphvizMessages = nullptr;
        d.nodes.clear();
        d.edges.clear();
        return d;
    }
    const boxf bb = GD_bb(g);
    const qreal top = bb.UR.y;
    d.bounds = QRectF(QPointF(bb.LL.x, 0), QPointF(bb.UR.x, bb.UR.y - bb.LL.y));
    for (int i = 0; i < d.nodes.size(); ++i) {
        d.nodes[i].centre = Point(ND_coord(nodes[i]), top);
        d.nodes[i].width = ND_width(nodes[i]) * 72.0;
        d.nodes[i].height = ND_height(nodes[i]) * 72.0;
    }
    for (int i = 0; i < d.edges.size(); ++i) {
        TDiagramEdge& edge = d.edges[i];
        ReadSpline(edges[i], top, edge.path, edge.tip);
        if (const textlabel_t* label = ED_label(edges[i])) {
            edge.labelCentre = Point(label->pos, top);
            edge.labelWidth = label->dimen.x;
            edge.labelHeight = label->dimen.y;
        }
    }
    if (start)
        ReadSpline(start, top, d.startPath, d.startTip);
    // Straight edges between two states both ways would lie on one another: each bends to its own left.
    for (TDiagramEdge& edge : d.edges) {
        if (edge.from == edge.to || edge.path.size() != 4 || !edgeByPair.contains({edge.to, edge.from}))
            continue;
        const QPointF along = edge.path[3] - edge.path[0];
        const QPointF left = QPointF(along.y(), -along.x()) * (12.0 / std::max(1.0, std::hypot(along.x(), along.y())));
        edge.path[1] += left;
        edge.path[2] += left;
        edge.labelCentre += left * 0.75;
    }
    gvFreeLayout(gvc, g);
    agclose(g);
    graphvizMessages = nullptr;
    return d;
}
