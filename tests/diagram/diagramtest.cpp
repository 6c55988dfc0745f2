#include "check/validation.h"
#include "diagram/diagram.h"
#include "machinefixture.h"
#include "runner/batchrun.h"
#include "cli/runnercli.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

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

} // namespace

TEST_F(Diagram, SvgNamesEveryStateAndEveryMergedLabel) {
    DefineIncrement();
    const QByteArray svg = Svg();
    QStringList texts = Texts(svg);
    texts.sort();
    // The commands of one pair of states share an edge, a label line each; a name that only a command uses
    // is a state of the picture too.
    EXPECT_EQ(texts, QStringList({QStringLiteral("#→#, L"), QStringLiteral("#→1, N"), QStringLiteral("0→0, N"),
                                  QStringLiteral("0→0, R"), QStringLiteral("0→1, N"), QStringLiteral("1→0, L"),
                                  QStringLiteral("1→1, R"), QStringLiteral("end"), QStringLiteral("ghost"),
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
            EXPECT_EQ(file.readAll(), DiagramSvg(LayOutDiagram(DiagramSourceOf(runner.Machine())), config));
        }
    }
}
