#include "diagram/diagram.h"

#include "machine/machine.h"
#include "machine/ports.h"
#include "platform/fileio.h"
#include "settings/config.h"

#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>

#include <graphviz/cgraph.h>
#include <graphviz/gvc.h>
#include <graphviz/gvplugin.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <mutex>

namespace {

// Above this many edges the layout trades beauty for speed.
constexpr int LargeDiagram = 60;
// Above these the layered layout (dot) takes seconds to minutes and gigabytes; the force-directed sfdp lays
// out thousands of states in seconds and little memory.
constexpr int ScalableStates = 100;
constexpr int ScalableEdges = 300;
// A machine with this many states and more than this many edges a state is dense: dot ranks it into a few
// wide layers with long edges between them, metres of picture, where the force-directed layout keeps it within
// a page or two.
constexpr int DenseStates = 15;
constexpr qreal DenseEdges = 2.5;
// How often a layout in a child process is looked at: its time, its memory, whether it is still wanted.
constexpr int WatchMilliseconds = 50;

// Graphviz keeps its state in globals: one context for the program, one layout at a time.
std::mutex& LayoutLock() {
    static std::mutex lock;
    return lock;
}

struct TGraphviz {
    GVC_t* context = nullptr;
    // The neato plugin's sfdp could be loaded.
    bool scalable = false;
};

// A layout plugin where the build found it, else in the graphviz folder beside the Graphviz library loaded: a
// package built on one distribution runs on another that keeps its libraries elsewhere (lib64, multiarch).
void* OpenPlugin(const QByteArray& built) {
    if (void* plugin = dlopen(built.constData(), RTLD_NOW | RTLD_LOCAL))
        return plugin;
    Dl_info library{};
    if (!dladdr(reinterpret_cast<void*>(&gvContextPlugins), &library) || !library.dli_fname)
        return nullptr;
    QByteArray path(library.dli_fname);
    path.truncate(path.lastIndexOf('/') + 1);
    path += "graphviz/" + built.mid(built.lastIndexOf('/') + 1);
    return dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
}

gvplugin_library_t* Plugin(const QByteArray& path, const char* symbol) {
    void* plugin = OpenPlugin(path);
    return static_cast<gvplugin_library_t*>(plugin ? dlsym(plugin, symbol) : nullptr);
}

// Only the layout plugins are loaded: Graphviz measures text by its own tables then, the same on every
// machine. No context when the dot layout cannot be loaded.
const TGraphviz& Graphviz() {
    static const TGraphviz graphviz = [] {
        TGraphviz g;
        gvplugin_library_t* dot = Plugin(QTM_GRAPHVIZ_DOT, "gvplugin_dot_layout_LTX_library");
        if (!dot)
            return g;
        static lt_symlist_t none[] = {{nullptr, nullptr}};
        g.context = gvContextPlugins(none, 0);
        gvAddLibrary(g.context, dot);
        QByteArray neatoPath(QTM_GRAPHVIZ_DOT);
        neatoPath.replace("dot_layout", "neato_layout");
        if (gvplugin_library_t* neato = Plugin(neatoPath, "gvplugin_neato_layout_LTX_library")) {
            gvAddLibrary(g.context, neato);
            g.scalable = true;
        }
        return g;
    }();
    return graphviz;
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
    return TDiagramSource{machine.States(), machine.Commands(), machine.GetInitialState(), {}};
}

TDiagramSource DiagramSourceOf(const TMachine& machine, const TBreakPoints& breakPoints, bool useBreak) {
    TDiagramSource source = DiagramSourceOf(machine);
    // An enabled breakpoint shows as such only while breakpoints stop the run; a disabled one always.
    const auto marked = [&](TCellMarks mark, const QString& state, const QString& symbol) {
        mark &= ~(MarkBreakActive | MarkBreakInactive);
        if (breakPoints.FindBreakPoint(state, symbol, true))
            return TCellMarks(mark | (useBreak ? MarkBreakActive : MarkBreakInactive));
        if (breakPoints.FindBreakPoint(state, symbol, false))
            return TCellMarks(mark | MarkBreakInactive);
        return mark;
    };
    for (TStateItem& state : source.states)
        state.mark = marked(state.mark, state.name, QString());
    for (TCommandRow& row : source.commands)
        row.mark = marked(row.mark, row.sourceState, row.sourceSymbol);
    return source;
}

QString DiagramLabel(const TCommandRow& row) {
    return row.sourceSymbol + QChar(0x2192) + row.newSymbol + QStringLiteral(", ") + ShortMoveText(row.move);
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

namespace {

TDiagram Refused(const QString& why) {
    TDiagram d;
    d.error = why;
    return d;
}

QString SizeError(const TDiagramSource& source, const TDiagramLimits& limits) {
    if (source.states.size() <= limits.states && source.commands.size() <= limits.commands)
        return QString();
    return QStringLiteral("в машине %1 состояний и %2 команд, а диаграмма строится не больше чем для %3 состояний и "
                          "%4 команд")
        .arg(source.states.size())
        .arg(source.commands.size())
        .arg(limits.states)
        .arg(limits.commands);
}

// The nodes and edges of the machine, not yet placed: the listed states, then the names commands use that
// the list lacks (the data check marks those commands; their states are drawn in the error colours too).
struct TGraph {
    TDiagram d;
    QHash<QPair<int, int>, int> edgeByPair;
    int initial = -1;
    // The place of each node the user put somewhere; empty for a plain layout.
    QHash<int, QPointF> pinned;
};

TGraph GraphOf(const TDiagramSource& source) {
    TGraph graph;
    TDiagram& d = graph.d;
    QHash<QString, int> nodeByName;
    const auto addNode = [&](const QString& name, int state, TCellMarks mark) {
        const QString key = Folded(TrimText(name));
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
    for (int r = 0; r < source.commands.size(); ++r) {
        const TCommandRow& row = source.commands[r];
        const int from = addNode(row.sourceState, -1, MarkError);
        const int to = addNode(row.newState, -1, MarkError);
        d.nodes[from].halting = false;
        auto it = graph.edgeByPair.find({from, to});
        if (it == graph.edgeByPair.end()) {
            TDiagramEdge edge;
            edge.from = from;
            edge.to = to;
            d.edges.append(edge);
            it = graph.edgeByPair.insert({from, to}, int(d.edges.size()) - 1);
        }
        d.edges[*it].lines.append(TDiagramLine{DiagramLabel(row), r, row.mark});
    }
    graph.initial = source.initialState.isEmpty() ? -1 : nodeByName.value(Folded(TrimText(source.initialState)), -1);
    if (graph.initial >= 0)
        d.nodes[graph.initial].initial = true;
    for (auto it = source.pinned.cbegin(); it != source.pinned.cend(); ++it)
        if (const int n = nodeByName.value(it.key(), -1); n >= 0)
            graph.pinned.insert(n, it.value());
    return graph;
}

// Places the graph with Graphviz; the caller holds the layout lock.
TDiagram Place(TGraph graph) {
    TDiagram& d = graph.d;
    const int initial = graph.initial;
    QString messages;
    graphvizMessages = &messages;
    agseterrf(&CollectMessage);
    const TGraphviz& graphviz = Graphviz();
    GVC_t* gvc = graphviz.context;
    if (!gvc) {
        graphvizMessages = nullptr;
        return Refused(QStringLiteral("Не найдена раскладка dot библиотеки Graphviz: ") +
                       QStringLiteral(QTM_GRAPHVIZ_DOT));
    }
    // Placed states keep their places: neato lays out the rest around them, in the same coordinates.
    const bool pinned = graphviz.scalable && !graph.pinned.isEmpty();
    const bool big = d.nodes.size() > ScalableStates || d.edges.size() > ScalableEdges;
    const bool dense = d.nodes.size() >= DenseStates && d.edges.size() > DenseEdges * d.nodes.size();
    const bool scalable = !pinned && graphviz.scalable && (big || dense);
    // A dense machine of up to a hundred states is placed by neato, which spreads it more evenly than sfdp
    // at a small cost at this size.
    const char* const engine = pinned ? "neato" : !scalable ? "dot" : big ? "sfdp" : "neato";
    Agraph_t* g = agopen(Text("machine"), Agdirected, nullptr);
    if (pinned) {
        agattr(g, AGRAPH, Text("inputscale"), Text("72"));
        agattr(g, AGRAPH, Text("notranslate"), Text("true"));
        agattr(g, AGRAPH, Text("splines"), Text(d.edges.size() > LargeDiagram ? "line" : "true"));
        agattr(g, AGNODE, Text("pos"), Text(""));
    } else if (scalable) {
        // Overlaps are removed by prism, which scales; straight edges, as dot draws them at this size. A dense
        // machine's states keep some room between them for the labels.
        agattr(g, AGRAPH, Text("overlap"), Text("prism"));
        agattr(g, AGRAPH, Text("splines"), Text("line"));
        if (!big)
            agattr(g, AGRAPH, Text("sep"), Text("+12"));
    } else {
        agattr(g, AGRAPH, Text("rankdir"), Text("LR"));
        agattr(g, AGRAPH, Text("nodesep"), Text("0.3"));
        agattr(g, AGRAPH, Text("ranksep"), Text("0.5"));
    }
    // Most of dot's time goes to the network simplex and to routing splines through the ranks; on a large
    // machine both are cut short and the edges are straight, which keeps 200 commands well within 200 ms.
    if (!pinned && !scalable && d.edges.size() > LargeDiagram) {
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
        if (const auto at = graph.pinned.constFind(i); pinned && at != graph.pinned.cend()) {
            QByteArray pos = QByteArray::number(at->x(), 'f', 2) + ',' + QByteArray::number(-at->y(), 'f', 2) + '!';
            agset(n, Text("pos"), pos.data());
        }
        nodes.append(n);
    }
    agattr(g, AGEDGE, Text("constraint"), Text("true"));
    const QList<bool> back = scalable || pinned ? QList<bool>(d.edges.size(), false) : BackEdges(d, initial);
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

    if (gvLayout(gvc, g, engine) != 0) {
        const QString why = messages.trimmed().isEmpty() ? QStringLiteral("Graphviz не смог расположить диаграмму")
                                                         : messages.trimmed();
        agclose(g);
        graphvizMessages = nullptr;
        return Refused(why);
    }
    const boxf bb = GD_bb(g);
    // A pinned layout keeps the user's coordinates; the others start at the picture's top left.
    const qreal top = pinned ? 0 : bb.UR.y;
    d.bounds = QRectF(QPointF(bb.LL.x, top - bb.UR.y), QPointF(bb.UR.x, top - bb.LL.y));
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
    // Graphviz may still move the whole picture: it is moved back so that the placed states are where they were
    // put.
    if (pinned) {
        const auto first = graph.pinned.cbegin();
        const QPointF shift = first.value() - d.nodes[first.key()].centre;
        for (TDiagramNode& node : d.nodes)
            node.centre += shift;
        for (TDiagramEdge& edge : d.edges) {
            for (QPointF& p : edge.path)
                p += shift;
            edge.tip += shift;
            edge.labelCentre += shift;
        }
        d.bounds.translate(shift);
    }
    // Straight edges between two states both ways would lie on one another: each bends to its own left.
    for (TDiagramEdge& edge : d.edges) {
        if (edge.from == edge.to || edge.path.size() != 4 || !graph.edgeByPair.contains({edge.to, edge.from}))
            continue;
        const QPointF along = edge.path[3] - edge.path[0];
        const QPointF left = QPointF(along.y(), -along.x()) * (12.0 / std::max(1.0, std::hypot(along.x(), along.y())));
        edge.path[1] += left;
        edge.path[2] += left;
        edge.labelCentre += left * 0.75;
    }
    PlaceStartArrow(d);
    // The bent edges, their labels and the start arrow may reach past the box Graphviz drew round its layout.
    for (const QPointF& p : d.startPath)
        d.bounds = d.bounds.united(QRectF(p, QSizeF(0, 0)));
    for (const TDiagramEdge& edge : d.edges) {
        for (const QPointF& p : edge.path)
            d.bounds = d.bounds.united(QRectF(p, QSizeF(0, 0)));
        if (edge.labelWidth > 0)
            d.bounds =
                d.bounds.united(QRectF(edge.labelCentre.x() - edge.labelWidth / 2,
                                       edge.labelCentre.y() - edge.labelHeight / 2, edge.labelWidth, edge.labelHeight));
    }
    gvFreeLayout(gvc, g);
    agclose(g);
    graphvizMessages = nullptr;
    return d;
}

} // namespace

// The start arrow is drawn apart from Graphviz: an arrow it routed from a free point ran across the picture
// once states were placed by hand, and read like a command.
void PlaceStartArrow(TDiagram& d) {
    d.startPath.clear();
    d.startTip = QPointF();
    int initial = -1;
    for (int n = 0; n < d.nodes.size() && initial < 0; ++n)
        if (d.nodes[n].initial)
            initial = n;
    if (initial < 0)
        return;
    const TDiagramNode& node = d.nodes[initial];
    // The side where no edge meets the state, the left one when several are free (where dot's first rank
    // leaves room).
    QList<qreal> taken;
    for (const TDiagramEdge& edge : d.edges) {
        const int other = edge.from == initial ? edge.to : edge.to == initial ? edge.from : -1;
        if (other >= 0 && other != initial) {
            const QPointF towards = d.nodes[other].centre - node.centre;
            taken.append(std::atan2(towards.y(), towards.x()));
        }
    }
    qreal best = M_PI;
    qreal room = -1;
    for (int i = 0; i < 8; ++i) {
        const qreal angle = M_PI - i * M_PI / 4;
        qreal nearest = 2 * M_PI;
        for (const qreal t : taken)
            nearest = std::min(nearest, std::abs(std::remainder(angle - t, 2 * M_PI)));
        if (nearest > room + 0.01) {
            room = nearest;
            best = angle;
        }
    }
    const QPointF along(std::cos(best), std::sin(best));
    const QPointF tip = node.centre + QPointF(along.x() * node.width / 2, along.y() * node.height / 2);
    const QPointF from = tip + along * 24;
    const QPointF end = tip + along * 8;
    d.startPath = {from, from, end, end};
    d.startTip = tip;
}

// The layout crosses from the child process as a data stream. The operators are found by argument lookup, so
// they live beside the types, with internal linkage.
static QDataStream& operator<<(QDataStream& s, const TDiagramNode& n) {
    return s << n.name << n.state << n.initial << n.halting << n.mark << n.centre << n.width << n.height;
}
static QDataStream& operator>>(QDataStream& s, TDiagramNode& n) {
    return s >> n.name >> n.state >> n.initial >> n.halting >> n.mark >> n.centre >> n.width >> n.height;
}
static QDataStream& operator<<(QDataStream& s, const TDiagramLine& l) {
    return s << l.text << l.row << l.mark;
}
static QDataStream& operator>>(QDataStream& s, TDiagramLine& l) {
    return s >> l.text >> l.row >> l.mark;
}
static QDataStream& operator<<(QDataStream& s, const TDiagramEdge& e) {
    return s << e.from << e.to << e.lines << e.path << e.tip << e.labelCentre << e.labelWidth << e.labelHeight;
}
static QDataStream& operator>>(QDataStream& s, TDiagramEdge& e) {
    return s >> e.from >> e.to >> e.lines >> e.path >> e.tip >> e.labelCentre >> e.labelWidth >> e.labelHeight;
}
static QDataStream& operator<<(QDataStream& s, const TDiagram& d) {
    return s << d.nodes << d.edges << d.startPath << d.startTip << d.bounds << d.error;
}
static QDataStream& operator>>(QDataStream& s, TDiagram& d) {
    return s >> d.nodes >> d.edges >> d.startPath >> d.startTip >> d.bounds >> d.error;
}

namespace {

bool WriteAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// The memory a child has taken since it was forked: the pages it wrote, not those it still shares.
qint64 PrivateMegabytes(pid_t pid) {
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!rollup.open(QIODevice::ReadOnly))
        return 0;
    qint64 kilobytes = 0;
    for (const QByteArray& line : rollup.readAll().split('\n'))
        if (line.startsWith("Private_Dirty:"))
            kilobytes += line.mid(14).trimmed().split(' ').value(0).toLongLong();
    return kilobytes / 1024;
}

std::atomic<int> layoutsBegun{0};

// The pages of the address space, from /proc/self/statm; 0 when it cannot be read.
rlim_t AddressSpaceBytes() {
    const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    char text[64] = {};
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    return n > 0 ? rlim_t(std::strtoull(text, nullptr, 10)) * rlim_t(sysconf(_SC_PAGESIZE)) : 0;
}

// The child dies with the thread that forked it (which waits for it), even when the parent is killed with
// SIGKILL; a parent already gone before the request leaves it to init, so it looks and leaves. Its own
// limits stop it should the watch fail: the processor time past the layout's time, and an address space that
// may grow by twice the memory the layout may take, 512 MB at least (the parent's mappings count as well).
void BindToParent(pid_t parent, const TDiagramLimits& limits) {
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent)
        _exit(1);
    const rlim_t seconds = rlim_t(limits.milliseconds / 1000 + 2);
    const rlimit cpu{seconds, seconds + 1};
    setrlimit(RLIMIT_CPU, &cpu);
    if (const rlim_t used = AddressSpaceBytes(); used > 0) {
        const rlim_t room = used + rlim_t(std::max<qint64>(limits.megabytes * 2, 512)) * 1024 * 1024;
        const rlimit space{room, room};
        setrlimit(RLIMIT_AS, &space);
    }
}

} // namespace

int DiagramLayoutsBegun() {
    return layoutsBegun.load();
}

TDiagram LayOutDiagramHere(const TDiagramSource& source, const TDiagramLimits& limits) {
    if (const QString why = SizeError(source, limits); !why.isEmpty())
        return Refused(why);
    TGraph graph = GraphOf(source);
    if (graph.d.nodes.isEmpty())
        return graph.d;
    const std::lock_guard<std::mutex> guard(LayoutLock());
    return Place(std::move(graph));
}

TDiagram LayOutDiagram(const TDiagramSource& source, const TDiagramLimits& limits, const std::atomic<bool>* cancel) {
    if (const QString why = SizeError(source, limits); !why.isEmpty())
        return Refused(why);
    TGraph graph = GraphOf(source);
    if (graph.d.nodes.isEmpty())
        return graph.d;
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return Refused(QStringLiteral("не удалось начать раскладку: ") + fileio::ErrorText(errno));
    const pid_t parent = getpid();
    pid_t child = -1;
    {
        // The fork happens while no other thread is inside Graphviz, so the child finds it whole; the plugins
        // are loaded before it.
        const std::lock_guard<std::mutex> guard(LayoutLock());
        Graphviz();
        layoutsBegun.fetch_add(1);
        child = fork();
        if (child == 0) {
            // The child: only this thread goes on, holding the lock; it leaves without the parent's exit
            // handlers. It never outlives the parent, nor runs past its limits when nobody watches it.
            ::close(pipeEnds[0]);
            BindToParent(parent, limits);
            QByteArray bytes;
            {
                QDataStream out(&bytes, QIODevice::WriteOnly);
                out << Place(std::move(graph));
            }
            _exit(WriteAll(pipeEnds[1], bytes) ? 0 : 1);
        }
    }
    ::close(pipeEnds[1]);
    if (child < 0) {
        const int error = errno;
        ::close(pipeEnds[0]);
        return Refused(QStringLiteral("не удалось начать раскладку: ") + fileio::ErrorText(error));
    }
    QString stopped;
    QByteArray bytes;
    QElapsedTimer clock;
    clock.start();
    char buffer[65536];
    for (;;) {
        pollfd watched{pipeEnds[0], POLLIN, 0};
        const int ready = ::poll(&watched, 1, WatchMilliseconds);
        if (ready > 0) {
            const ssize_t n = ::read(pipeEnds[0], buffer, sizeof buffer);
            if (n > 0) {
                bytes.append(buffer, n);
                continue;
            }
            if (n == 0 || errno != EINTR)
                break;
        } else if (ready < 0 && errno != EINTR) {
            break;
        }
        if (cancel && cancel->load())
            stopped = QStringLiteral("раскладка прервана");
        else if (clock.elapsed() > limits.milliseconds)
            stopped = QStringLiteral("раскладка шла дольше %1 с и прервана").arg(limits.milliseconds / 1000.0);
        else if (PrivateMegabytes(child) > limits.megabytes)
            stopped = QStringLiteral("раскладке не хватило %1 МБ памяти, она прервана").arg(limits.megabytes);
        if (!stopped.isEmpty()) {
            ::kill(child, SIGKILL);
            break;
        }
    }
    ::close(pipeEnds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!stopped.isEmpty())
        return Refused(stopped);
    if (WIFSIGNALED(status))
        return Refused(QStringLiteral("Graphviz завершился аварийно (сигнал %1)").arg(WTERMSIG(status)));
    TDiagram d;
    QDataStream in(bytes);
    in >> d;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || in.status() != QDataStream::Ok)
        return Refused(QStringLiteral("Graphviz завершился, не отдав раскладку"));
    return d;
}

QHash<QString, QPointF> DiagramStatePositions(const TDiagram& diagram) {
    QHash<QString, QPointF> positions;
    for (const TDiagramNode& node : diagram.nodes)
        positions.insert(node.name, node.centre);
    return positions;
}

QHash<QString, QPointF> DiagramStatePositions(const TDiagramSource& source) {
    return DiagramStatePositions(LayOutDiagram(source));
}

QString XmlSafeText(const QString& text) {
    QString safe;
    const auto allowed = [&](qsizetype i) {
        const char16_t c = text[i].unicode();
        if (c < 0x20)
            return c == u'\t' || c == u'\n' || c == u'\r';
        if (c == 0xFFFE || c == 0xFFFF)
            return false;
        if (QChar::isHighSurrogate(c))
            return i + 1 < text.size() && text[i + 1].isLowSurrogate();
        if (QChar::isLowSurrogate(c))
            return i > 0 && text[i - 1].isHighSurrogate();
        return true;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (allowed(i))
            continue;
        if (safe.isNull())
            safe = text;
        safe[i] = QChar(QChar::ReplacementCharacter);
    }
    return safe.isNull() ? text : safe;
}
