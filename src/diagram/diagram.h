#pragma once

#include "machine/command.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <atomic>
#include <optional>
#include <utility>

class TBreakPoints;
class TConfig;
class TMachine;

// What the diagram shows of a machine, copied out of it so that it can be laid out on another thread.
struct TDiagramSource {
    QList<TStateItem> states;
    QList<TCommandRow> commands;
    QString initialState;
    // States the user placed, by name folded to one case: they stay where they are, Graphviz (neato) places
    // the others beside them and routes the edges. Points, y downwards.
    QHash<QString, QPointF> pinned;
};

TDiagramSource DiagramSourceOf(const TMachine& machine);
// The same with the states and commands marked by the breakpoints as the window marks them under the setting
// UseBreak: for a machine whose marks were not kept up (qtm-run's, which never stops at a breakpoint).
TDiagramSource DiagramSourceOf(const TMachine& machine, const TBreakPoints& breakPoints, bool useBreak);

// The text and size of the diagram's lettering, the same in the window and in the SVG file, so that the
// labels fit the room the layout measured for them.
inline const QString DiagramFont = QStringLiteral("DejaVu Sans");
inline constexpr int DiagramFontSize = 11;
// What an empty diagram says.
inline const QString DiagramEmptyNote = QStringLiteral("В машине нет состояний");

// A command's edge label: "a→b, П" (source symbol, new symbol, move П, Л or Н as in the table).
QString DiagramLabel(const TCommandRow& row);

// Points are in the layout's units (a point of 1/72 inch), y growing downwards, the picture's top left at 0.
struct TDiagramNode {
    QString name;
    // The index in the state list; -1 for a name that only commands use.
    int state = -1;
    bool initial = false;
    // A state without commands, drawn with a double border.
    bool halting = false;
    TCellMarks mark = 0;
    QPointF centre;
    qreal width = 0;
    qreal height = 0;
};

struct TDiagramLine {
    QString text;
    // The command's row in the command list.
    int row = -1;
    TCellMarks mark = 0;
};

// All commands from one state to another: one edge, one label line each.
struct TDiagramEdge {
    int from = -1;
    int to = -1;
    QList<TDiagramLine> lines;
    // A cubic Bézier spline: the start point, then three points per segment.
    QList<QPointF> path;
    // The arrowhead runs from the spline's end to this point.
    QPointF tip;
    QPointF labelCentre;
    qreal labelWidth = 0;
    qreal labelHeight = 0;

    TCellMarks Mark() const;
};

struct TDiagram {
    QList<TDiagramNode> nodes;
    QList<TDiagramEdge> edges;
    // The arrow into the initial state (empty without one).
    QList<QPointF> startPath;
    QPointF startTip;
    QRectF bounds;
    // Why the layout failed, for the window to say; the diagram is then empty.
    QString error;

    int NodeOfState(const QString& name) const;
    // The edge and its line that show a command row, or {-1, -1}.
    std::pair<int, int> LineOfRow(int row) const;
};

// Sets the diagram's start arrow: a short stub into the initial state from its side where no edge meets it (the
// left one when several are free); none without an initial state.
void PlaceStartArrow(TDiagram& diagram);

// How big a machine's diagram may get. A machine with more states or commands is refused at once; a layout
// that runs longer or takes more memory is stopped. Each refusal leaves the diagram empty with its reason.
struct TDiagramLimits {
    int states = 5000;
    int commands = 20000;
    int milliseconds = 60000;
    qint64 megabytes = 1024;
};

// Lays the machine out with Graphviz (dot for a sparse machine, a force-directed layout for a dense or big
// one) in a child process, so that it can be stopped: when it passes the time or memory limit, when cancel
// (may be null) becomes true, or when Graphviz crashes, the child is killed and the diagram is empty with the
// reason. The child dies with its parent, and whatever memory the layout took is given back when it ends.
// Every layout of the program goes this way.
TDiagram LayOutDiagram(const TDiagramSource& source, const TDiagramLimits& limits = {},
                       const std::atomic<bool>* cancel = nullptr);
// How many layouts this process has begun (child processes started).
int DiagramLayoutsBegun();
// The same layout made in this process, without the time and memory limits: for benchmarks and for tests
// that compare it with the child's. Graphviz is not reentrant: calls from several threads take turns.
TDiagram LayOutDiagramHere(const TDiagramSource& source, const TDiagramLimits& limits = {});

// Where the layout put each state: its centre in points (1/72 inch, y downwards, the picture's top left at 0)
// under the state's name as the diagram shows it. Names that only commands use are included.
QHash<QString, QPointF> DiagramStatePositions(const TDiagram& diagram);
QHash<QString, QPointF> DiagramStatePositions(const TDiagramSource& source);

// Text as SVG or HTML may hold it: the characters XML does not allow (control characters, lone surrogates,
// U+FFFE and U+FFFF) each become U+FFFD, so that the file stays well-formed and the fault stays visible.
QString XmlSafeText(const QString& text);

// The font and background colours (0x00BBGGRR) of an item with these marks, as the lists colour their rows;
// none for an item in the plain colours.
std::optional<std::pair<int, int>> DiagramColours(const TConfig& config, TCellMarks mark, bool inRun);

// The diagram as a standalone SVG document (UTF-8): each state's name and each label line is SVG text.
QByteArray DiagramSvg(const TDiagram& diagram, const TConfig& config, bool inRun = false);
