#include "check/validation.h"
#include "diagram/diagram.h"
#include "machinefixture.h"

#include <QRegularExpression>

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
