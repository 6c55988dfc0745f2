#include "check/validation.h"
#include "diagram/diagram.h"
#include "machinefixture.h"
#include "runner/batchrun.h"
#include "cli/runnercli.h"
#include "faultinjection.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <QXmlStreamReader>

#include <QDir>

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class Diagram : public MachineTest {
protected:
    Diagram() { machine.SetChecks(&validation); }
    ~Diagram() override { machine.SetChecks(nullptr); }

    // A machine that adds one to a binary number, with a state named like a Graphviz escape.
    void DefineIncrement() {
        for (const char16_t* name : {u"q0", u"q1", u"q\\N", u"end"})
            ASSERT_TRUE(machine.AddState(QString::fromUtf16(name)));
        Define(QStringLiteral("01"), QStringLiteral("11"), QStringLiteral("q0"),
               {QStringLiteral("q0 0 q0 0 R"), QStringLiteral("q0 1 q0 1 R"), QStringLiteral("q0 # q1 # L"),
                QStringLiteral("q1 1 q1 0 L"), QStringLiteral("q1 0 end 1 S"), QStringLiteral("q1 # end 1 S"),
                QStringLiteral("q\\N 0 ghost 0 S")});
    }

    QByteArray Svg() { return DiagramSvg(LayOutDiagram(DiagramSourceOf(machine)), settings); }

    TValidation validation{machine};
};

// What a reader of the SVG sees as text, in document order.
QStringList Texts(const QByteArray& svg) {
    QStringList texts;
    static const QRegularExpression text(QStringLiteral("<text[^>]*>([^<]*)</text>"));
    for (const QRegularExpressionMatch& m : text.globalMatch(QString::fromUtf8(svg)))
        texts << m.captured(1);
    return texts;
}

int Count(const QByteArray& svg, const char* what) {
    return int(svg.count(what));
}

// A machine of n states q0...; each reads a, b, c, d and # and goes to a state drawn at random (fixed seed).
TDiagramSource RandomSource(int n) {
    TDiagramSource source;
    quint32 seed = 12345;
    const auto next = [&seed](int bound) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % quint32(bound));
    };
    for (int i = 0; i < n; ++i)
        source.states.append(TStateItem{QStringLiteral("q%1").arg(i), 0});
    for (int i = 0; i < n; ++i)
        for (QChar symbol : QStringLiteral("abcd#"))
            source.commands.append(TCommandRow{source.states[i].name, QString(symbol), source.states[next(n)].name,
                                               QString(symbol), MoveRightText, 0});
    source.initialState = QStringLiteral("q0");
    return source;
}

// The processes whose parent is pid, from /proc.
QList<pid_t> ChildrenOf(pid_t pid) {
    QList<pid_t> children;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/") + entry + QStringLiteral("/stat"));
        if (entry.toInt() <= 0 || !stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold anything, so the fields are read after its ")".
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toInt() == pid)
            children.append(entry.toInt());
    }
    return children;
}

// The process has ended: it is gone, or a zombie nobody has reaped yet.
bool Ended(pid_t pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
}

int RunCli(const QStringList& arguments, QString& err) {
    QString out;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const int status = RunBatch(QStringList{QStringLiteral("qtm-run")} + arguments, outStream, errStream);
    errStream.flush();
    return status;
}

} // namespace

TEST_F(Diagram, SvgNamesEveryStateAndEveryMergedLabel) {
    DefineIncrement();
    const QByteArray svg = Svg();
    QStringList texts = Texts(svg);
    texts.sort();
    // The commands of one pair of states share an edge, a label line each; a name that only a command uses
    // is a state of the picture too.
    EXPECT_EQ(texts, QStringList({QStringLiteral("#→#, Л"), QStringLiteral("#→1, Н"), QStringLiteral("0→0, Н"),
                                  QStringLiteral("0→0, П"), QStringLiteral("0→1, Н"), QStringLiteral("1→0, Л"),
                                  QStringLiteral("1→1, П"), QStringLiteral("end"), QStringLiteral("ghost"),
                                  QStringLiteral("q0"), QStringLiteral("q1"), QStringLiteral("q\\N")}));
    EXPECT_EQ(Count(svg, "class=\"edge\""), 5);
    // The states without commands (end, ghost) have a double border.
    EXPECT_EQ(Count(svg, "<ellipse"), 5 + 2);
    // The command that names a missing state is in the error colours (its label and arrowhead), and so is
    // that state (both its rings).
    EXPECT_EQ(Count(svg, "fill=\"#ff0000\""), 4);
}

TEST_F(Diagram, SameMachineGivesTheSamePictureTwice) {
    DefineIncrement();
    const QByteArray first = Svg();
    EXPECT_EQ(Svg(), first);
    EXPECT_TRUE(first.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg "));
}

TEST_F(Diagram, MachineWithoutStatesIsAnEmptyPictureWithANote) {
    const QByteArray svg = Svg();
    EXPECT_EQ(Texts(svg), QStringList{QStringLiteral("В машине нет состояний")});
    EXPECT_EQ(Count(svg, "<ellipse"), 0);
}

// qtm-run writes the picture the window exports: for one machine into the file named, for a folder of
// machines one NAME.svg each into the directory named.
TEST(DiagramRun, WritesTheDiagramOfEachMachine) {
    const QDir examples(
        QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().absoluteFilePath(QStringLiteral("../../examples")));
    QTemporaryDir dir;
    const struct {
        QStringList arguments;
        QStringList written;
    } cases[] = {{{examples.filePath(QStringLiteral("inversion.qtm")), QStringLiteral("--diagram"),
                   dir.filePath(QStringLiteral("одна.svg"))},
                  {dir.filePath(QStringLiteral("одна.svg"))}},
                 {{examples.path(), QStringLiteral("--diagram"), dir.filePath(QStringLiteral("все"))},
                  {dir.filePath(QStringLiteral("все/binary_increment.svg")),
                   dir.filePath(QStringLiteral("все/unary_copy.svg"))}}};
    for (const auto& c : cases) {
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        EXPECT_EQ(RunBatch(QStringList{QStringLiteral("qtm-run")} + c.arguments, outStream, errStream), 0);
        EXPECT_EQ(out + err, QString());
        for (const QString& svg : c.written) {
            SCOPED_TRACE(svg.toStdString());
            TConfig config{QString()};
            TBatchRunner runner(config);
            QStringList warnings;
            QString error;
            const QString machine = examples.filePath(QFileInfo(svg).completeBaseName() + QStringLiteral(".qtm"));
            ASSERT_TRUE(runner.Load(c.written.size() == 1 ? c.arguments[0] : machine, warnings, error));
            QFile file(svg);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(),
                      DiagramSvg(LayOutDiagram(DiagramSourceOf(runner.Machine(), runner.BreakPoints(), true)), config));
        }
    }
    // The breakpoints of inversion (an enabled one on q0, a disabled one on q1) in the window's colours.
    QFile inversion(dir.filePath(QStringLiteral("одна.svg")));
    ASSERT_TRUE(inversion.open(QIODevice::ReadOnly));
    const QByteArray svg = inversion.readAll();
    const TConfig config{QString()};
    for (int colour : {config.EnableBreakBackground, config.DisableBreakBackground})
        EXPECT_TRUE(svg.contains(
            QString::asprintf("fill=\"#%02x%02x%02x\"", colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF)
                .toLatin1()))
            << colour;
}

// The move is written П, Л or Н as in the table, whatever the case and the blanks around it; a text that is
// no move stays as written.
TEST(DiagramLabel, MoveIsOneRussianLetterAsTheEngineReadsIt) {
    const struct {
        const char16_t* move;
        const char16_t* label;
    } cases[] = {{u"Вправо", u"a→b, П"}, {u"Влево", u"a→b, Л"},      {u"На месте", u"a→b, Н"},   {u"вправо", u"a→b, П"},
                 {u"ВЛЕВО", u"a→b, Л"},  {u" на МЕСТЕ ", u"a→b, Н"}, {u"прыжок", u"a→b, прыжок"}};
    for (const auto& c : cases) {
        const TCommandRow row{QStringLiteral("q0"), QStringLiteral("a"),        QStringLiteral("q1"),
                              QStringLiteral("b"),  QString::fromUtf16(c.move), 0};
        EXPECT_EQ(DiagramLabel(row), QString::fromUtf16(c.label)) << QString::fromUtf16(c.move).toStdString();
    }
}

// A command that spells its state in another case or with blanks is drawn from the state's own circle.
TEST_F(Diagram, StateSpelledInAnotherCaseIsTheSameCircle) {
    ASSERT_TRUE(machine.AddState(QStringLiteral("q1")));
    Define(QStringLiteral("a"), QStringLiteral("a"), QStringLiteral("q1"), {QStringLiteral("Q1 a q1 a R")});
    const TDiagram d = LayOutDiagram(DiagramSourceOf(machine));
    ASSERT_EQ(d.nodes.size(), 1);
    EXPECT_EQ(d.nodes[0].name, QStringLiteral("q1"));
    EXPECT_EQ(d.nodes[0].mark & MarkError, 0);
    ASSERT_EQ(d.edges.size(), 1);
    EXPECT_EQ(d.edges[0].lines.size(), 1);
}

// Graphviz's own escapes (\G the graph's name, \N the node's) are not expanded in a state's name: its circle
// is as wide as the name written, narrower than a longer name.
TEST_F(Diagram, GraphvizEscapesInNamesAreNotExpanded) {
    for (const char* name : {"\\G\\G\\G\\G", "machinemachinemachinemachine"})
        ASSERT_TRUE(machine.AddState(QString::fromLatin1(name)));
    const TDiagram d = LayOutDiagram(DiagramSourceOf(machine));
    ASSERT_EQ(d.nodes.size(), 2);
    EXPECT_LT(d.nodes[0].width, d.nodes[1].width);
}

// A character XML does not allow, in a state's name, a symbol or a move, shows as U+FFFD, and the file
// stays XML a browser opens.
TEST_F(Diagram, ControlCharactersBecomeReplacementCharacters) {
    const QString name = QStringLiteral("q") + QChar(7) + QStringLiteral("1");
    ASSERT_TRUE(machine.AddState(name));
    ASSERT_TRUE(machine.AddCommand(name, QStringLiteral("a"), name, QString(QChar(1)),
                                   QStringLiteral("В") + QChar(0x1B) + QStringLiteral("x")));
    const QByteArray svg = Svg();
    QXmlStreamReader xml(svg);
    while (!xml.atEnd())
        xml.readNext();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    QStringList texts = Texts(svg);
    texts.sort();
    EXPECT_EQ(texts, QStringList({QStringLiteral("a→\uFFFD, В\uFFFDx"), QStringLiteral("q\uFFFD1")}));
    EXPECT_EQ(XmlSafeText(QStringLiteral("ok\t\U0001F600") + QChar(0xD800) + QChar(0xFFFF)),
              QStringLiteral("ok\t\U0001F600\uFFFD\uFFFD"));
}

// The layout made in a child process is the very layout made here; a machine above the size limits is
// refused at once, and a layout past its time or memory, or no longer wanted, is stopped; each says why.
TEST(DiagramLimits, BigLayoutsAreRefusedOrStoppedWithTheReason) {
    const TDiagramSource small = RandomSource(6);
    const TConfig config{QString()};
    EXPECT_EQ(DiagramSvg(LayOutDiagram(small), config), DiagramSvg(LayOutDiagramHere(small), config));

    const QString tooBig = QStringLiteral(
        "в машине 5001 состояний и 25005 команд, а диаграмма строится не больше чем для 5000 состояний и 20000 команд");
    const TDiagramSource big = RandomSource(5001);
    EXPECT_EQ(LayOutDiagramHere(big).error, tooBig);
    EXPECT_EQ(LayOutDiagram(big).error, tooBig);

    const TDiagramSource slow = RandomSource(400);
    std::atomic<bool> cancelled{true};
    const struct {
        TDiagramLimits limits;
        const std::atomic<bool>* cancel;
        const char16_t* error;
    } stops[] = {{TDiagramLimits{5000, 20000, 1, 1024}, nullptr, u"раскладка шла дольше 0.001 с и прервана"},
                 {TDiagramLimits{5000, 20000, 60000, 0}, nullptr, u"раскладке не хватило 0 МБ памяти, она прервана"},
                 {TDiagramLimits{}, &cancelled, u"раскладка прервана"}};
    for (const auto& stop : stops) {
        const TDiagram d = LayOutDiagram(slow, stop.limits, stop.cancel);
        EXPECT_EQ(d.error, QString::fromUtf16(stop.error));
        EXPECT_TRUE(d.nodes.isEmpty());
    }
}

// A process laying a machine out is killed (as a script's timeout kills it): the layout's child, stopped so
// that it cannot end on its own, ends with it.
TEST(DiagramLimits, TheLayoutEndsWithTheProcessThatAskedForIt) {
    const TDiagramSource slow = RandomSource(400);
    for (const int signal : {SIGKILL, SIGTERM}) {
        const pid_t parent = fork();
        ASSERT_GE(parent, 0);
        if (parent == 0) {
            LayOutDiagram(slow);
            _exit(0);
        }
        QList<pid_t> children;
        for (int wait = 0; wait < 10000 && children.isEmpty(); ++wait) {
            children = ChildrenOf(parent);
            if (children.isEmpty())
                usleep(1000);
        }
        ASSERT_EQ(children.size(), 1) << "signal " << signal;
        const pid_t child = children[0];
        kill(child, SIGSTOP);
        kill(parent, signal);
        int status = 0;
        ASSERT_EQ(waitpid(parent, &status, 0), parent);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal);
        bool ended = false;
        for (int wait = 0; wait < 5000 && !(ended = Ended(child)); ++wait)
            usleep(1000);
        EXPECT_TRUE(ended) << "signal " << signal;
        if (!ended)
            kill(child, SIGKILL);
    }
}

// A dense machine (50 states, five commands each) is drawn as compactly as a sparse one of twice its states,
// not spread over metres.
TEST(DiagramLimits, ADenseMachineIsDrawnCompactly) {
    const TDiagram d = LayOutDiagram(RandomSource(50));
    ASSERT_TRUE(d.error.isEmpty()) << d.error.toStdString();
    EXPECT_LT(d.bounds.width(), 2000);
    EXPECT_LT(d.bounds.height(), 2000);
}

// Every state's place in the picture, by name, for exporters that draw the machine elsewhere.
TEST_F(Diagram, PositionsOfEveryStateByName) {
    DefineIncrement();
    const TDiagram d = LayOutDiagram(DiagramSourceOf(machine));
    const QHash<QString, QPointF> positions = DiagramStatePositions(d);
    QStringList names = positions.keys();
    names.sort();
    EXPECT_EQ(names, QStringList({QStringLiteral("end"), QStringLiteral("ghost"), QStringLiteral("q0"),
                                  QStringLiteral("q1"), QStringLiteral("q\\N")}));
    for (const TDiagramNode& node : d.nodes)
        EXPECT_EQ(positions.value(node.name), node.centre);
}

// qtm-run --diagram: a machine too big for the diagram is named with the reason and gives status 2; a save
// whose final rename fails names the file that holds the picture, one whose folder sync fails says the file
// is written.
TEST(DiagramRun, RefusalsAndFailedSavesSayWhy) {
    QTemporaryDir dir;
    const QString machine = dir.filePath(QStringLiteral("big.qtm"));
    {
        QFile file(machine);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[ABCD] a\r\n[BEGS] q0\r\n");
        for (int i = 0; i <= 5000; ++i)
            file.write("[STAT] q" + QByteArray::number(i) + "\r\n");
    }
    const QString svg = dir.filePath(QStringLiteral("big.svg"));
    QString err;
    EXPECT_EQ(RunCli({machine, QStringLiteral("--diagram"), svg}, err), 2);
    EXPECT_EQ(err, machine + QStringLiteral(": диаграмму построить не удалось: в машине 5001 состояний и 0 команд, а "
                                            "диаграмма строится не больше чем для 5000 состояний и 20000 команд\n"));
    EXPECT_FALSE(QFile::exists(svg));

    const QString inversion = QFileInfo(QString::fromUtf8(__FILE__))
                                  .absoluteDir()
                                  .absoluteFilePath(QStringLiteral("../../examples/inversion.qtm"));
    {
        TInjectedFault fault({fileio::TStep::Rename}, QStringLiteral(".svg"), EIO);
        err.clear();
        EXPECT_EQ(RunCli({inversion, QStringLiteral("--diagram"), svg}, err), 2);
        ASSERT_TRUE(fault.Fired());
        const QString prefix = QStringLiteral("Ошибка записи файла ") + svg + QStringLiteral(": ") +
                               fileio::ErrorText(EIO) + QStringLiteral("\nДиаграмма осталась в файле ");
        ASSERT_TRUE(err.startsWith(prefix)) << err.toStdString();
        const QString temp = err.mid(prefix.size()).trimmed();
        EXPECT_TRUE(temp.startsWith(svg + QLatin1Char('.')) && temp.endsWith(QStringLiteral(".tmp")));
        EXPECT_TRUE(QFile::exists(temp));
        EXPECT_FALSE(QFile::exists(svg));
    }
    {
        TInjectedFault fault({fileio::TStep::SyncDir}, QString(), EIO);
        err.clear();
        EXPECT_EQ(RunCli({inversion, QStringLiteral("--diagram"), svg}, err), 2);
        EXPECT_EQ(err, QStringLiteral("Файл ") + svg +
                           QStringLiteral(" записан, но изменения каталога не сохранены на диске: ") +
                           fileio::ErrorText(EIO) + QLatin1Char('\n'));
        EXPECT_TRUE(QFile::exists(svg));
    }
}

// Two states joined both ways: the edges bend apart, and every line of an eight-command label stays inside
// the picture.
TEST_F(Diagram, EveryLabelLineIsInsideThePicture) {
    for (const char* name : {"q0", "q1"})
        ASSERT_TRUE(machine.AddState(QString::fromLatin1(name)));
    QStringList commands{QStringLiteral("q1 a q0 a L")};
    for (QChar symbol : QStringLiteral("abcdefgh"))
        commands << QStringLiteral("q0 %1 q1 %1 R").arg(symbol);
    Define(QStringLiteral("abcdefgh"), QStringLiteral("a"), QStringLiteral("q0"), commands);
    const QByteArray svg = Svg();
    static const QRegularExpression size(QStringLiteral("height=\"([0-9.]+)pt\""));
    const double height = size.match(QString::fromUtf8(svg)).captured(1).toDouble();
    static const QRegularExpression text(QStringLiteral("<text x=\"([-0-9.]+)\" y=\"([-0-9.]+)\"[^>]*>([^<]*)<"));
    int lines = 0;
    for (const QRegularExpressionMatch& m : text.globalMatch(QString::fromUtf8(svg))) {
        const double y = m.captured(2).toDouble();
        EXPECT_TRUE(y >= DiagramFontSize && y <= height) << m.captured(3).toStdString() << " at " << y;
        ++lines;
    }
    EXPECT_EQ(lines, 9 + 2);
}

// qtm-run --diagram draws the states where the positions file beside the machine puts them, as the window
// does.
TEST(DiagramRun, StatesStayWhereThePositionsFilePutsThem) {
    QTemporaryDir dir;
    const QString machine = dir.filePath(QStringLiteral("m.qtm"));
    ASSERT_TRUE(QFile::copy(QFileInfo(QString::fromUtf8(__FILE__))
                                .absoluteDir()
                                .absoluteFilePath(QStringLiteral("../../examples/inversion.qtm")),
                            machine));
    {
        QFile positions(dir.filePath(QStringLiteral("m.pos")));
        ASSERT_TRUE(positions.open(QIODevice::WriteOnly));
        positions.write("q0=100,300\r\nq1=700,100\r\n");
    }
    const QString svg = dir.filePath(QStringLiteral("m.svg"));
    QString err;
    ASSERT_EQ(RunCli({machine, QStringLiteral("--diagram"), svg}, err), 0) << err.toStdString();
    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    static const QRegularExpression ellipse(QStringLiteral("<ellipse cx=\"([-0-9.]+)\" cy=\"([-0-9.]+)\""));
    QList<QPointF> centres;
    for (const QRegularExpressionMatch& m : ellipse.globalMatch(QString::fromUtf8(file.readAll())))
        centres.append(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()));
    // q0, then q1's two rings (it halts).
    ASSERT_EQ(centres.size(), 3);
    // The picture starts at its own corner: what is kept is how the states lie to each other.
    const QPointF apart = centres[1] - centres[0];
    EXPECT_NEAR(std::abs(apart.x()), 600, 1);
    EXPECT_NEAR(std::abs(apart.y()), 200, 1);
}
