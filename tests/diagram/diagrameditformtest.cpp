#include "diagram/diagramform.h"

#include "machinefixture.h"

#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsView>
#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>

#include <memory>

namespace {

// The diagram of q0 → q1 → q2 (q2 halts), edited on the picture as a user edits it; a state asked for is
// added by the name given to nextState.
class DiagramEdit : public MachineTest {
protected:
    DiagramEdit() {
        settings.SetDesktopDefaults();
        for (const char* name : {"q0", "q1", "q2"})
            machine.AddState(QString::fromLatin1(name));
        Define(QStringLiteral("ab"), QStringLiteral("ab"), QStringLiteral("q0"),
               {QStringLiteral("q0 a q0 b R"), QStringLiteral("q0 b q1 a R"), QStringLiteral("q1 # q2 # S")});
        form = std::make_unique<TDiagramForm>(machine, settings, prompts, &engine);
        QObject::connect(form.get(), &TDiagramForm::stateAddRequested, &machine, [this] {
            if (!nextState.isEmpty())
                machine.AddState(std::exchange(nextState, QString()));
        });
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == form.get(); }));
        view = form->findChild<QGraphicsView*>(QStringLiteral("DiagramView"));
        view->setFocus();
        Settle();
    }

    void Settle() const {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !form->Stale() && !form->LayingOut(); }));
        QCoreApplication::processEvents();
    }

    // Where a state is on the screen (in the picture's viewport).
    QPoint OnScreen(const char* name) const { return view->mapFromScene(form->StateCentre(QString::fromLatin1(name))); }

    // A spot of the viewport with nothing drawn within 40 pixels.
    QPoint EmptySpot() const {
        for (int y = 40; y < view->viewport()->height() - 40; y += 10)
            for (int x = 40; x < view->viewport()->width() - 40; x += 10)
                if (view->items(QRect(x - 40, y - 40, 80, 80)).isEmpty())
                    return QPoint(x, y);
        ADD_FAILURE() << "no empty spot";
        return QPoint();
    }

    void Drag(const char* name, QPoint by) const {
        const QPoint from = OnScreen(name);
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, from + by, view->viewport()->mapToGlobal(from + by), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &move);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, from + by);
        Settle();
    }

    // Pixels in the selection's blue round a state.
    int Highlighted(const char* name) const {
        const QImage shot = view->viewport()->grab().toImage();
        const QPoint centre = OnScreen(name);
        int blue = 0;
        for (int y = centre.y() - 30; y <= centre.y() + 30; ++y)
            for (int x = centre.x() - 40; x <= centre.x() + 40; ++x) {
                const QColor c = shot.pixelColor(x, y);
                blue += c.blue() > 180 && c.red() < 90 && c.green() > 70 && c.green() < 150;
            }
        return blue;
    }

    std::unique_ptr<TDiagramForm> form;
    QGraphicsView* view = nullptr;
    QString nextState;
};

// Within a pixel: Graphviz keeps a placed state's point to a hundredth.
::testing::AssertionResult Near(QPoint at, QPoint expected) {
    if ((at - expected).manhattanLength() <= 1)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "at " << at.x() << "," << at.y() << " instead of " << expected.x() << ","
                                         << expected.y();
}

} // namespace

// A state added by Insert lands under the pointer (at a free spot in sight when the pointer is elsewhere), one
// added by a double-click where it was clicked; after each edit, and after a drag, every state stays where it
// was on the screen, and the start arrow is a short stub beside the initial state.
TEST_F(DiagramEdit, StatesStayWhereTheUserPutsThem) {
    const QPoint spot = EmptySpot();
    QCursor::setPos(view->viewport()->mapToGlobal(spot));
    nextState = QStringLiteral("new");
    QTest::keyClick(view, Qt::Key_Insert);
    Settle();
    EXPECT_TRUE(Near(OnScreen("new"), spot));
    EXPECT_TRUE(form->Placed().contains(QStringLiteral("new")));
    QCursor::setPos(view->viewport()->mapToGlobal(QPoint(-50, -50)));
    nextState = QStringLiteral("far");
    QTest::keyClick(view, Qt::Key_Insert);
    Settle();
    EXPECT_TRUE(view->viewport()->rect().contains(OnScreen("far")));
    EXPECT_TRUE(form->Placed().contains(QStringLiteral("far")));

    Drag("q0", QPoint(-20, 70));
    const QPoint q0 = OnScreen("q0");
    const QPoint placed = OnScreen("new");
    ASSERT_TRUE(machine.AddCommand(QStringLiteral("new"), QStringLiteral("a"), QStringLiteral("q0"),
                                   QStringLiteral("a"), MoveLeftText));
    Settle();
    const QPoint again = EmptySpot();
    nextState = QStringLiteral("q3");
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, again);
    Settle();
    EXPECT_TRUE(Near(OnScreen("q3"), again));
    EXPECT_TRUE(Near(OnScreen("q0"), q0));
    EXPECT_TRUE(Near(OnScreen("new"), placed));

    const TDiagram& shown = form->Shown();
    const TDiagramNode& initial = shown.nodes[shown.NodeOfState(QStringLiteral("q0"))];
    ASSERT_FALSE(shown.startPath.isEmpty());
    const qreal tail = QLineF(shown.startPath.first(), initial.centre).length();
    EXPECT_GT(tail, initial.width / 2 + 10);
    EXPECT_LT(tail, initial.width / 2 + 30);
    EXPECT_LT(QLineF(shown.startTip, initial.centre).length(), initial.width / 2 + 1);
}

// A state selected by a click or by Tab is ringed in the selection's colour; the ring goes with the selection.
TEST_F(DiagramEdit, TheSelectedStateIsHighlighted) {
    EXPECT_EQ(Highlighted("q1"), 0);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, OnScreen("q1"));
    QCoreApplication::processEvents();
    EXPECT_GT(Highlighted("q1"), 20);
    EXPECT_EQ(form->SelectedName(), QStringLiteral("q1"));
    QTest::keyClick(view, Qt::Key_Tab);
    const QString next = form->SelectedName();
    ASSERT_TRUE(next == u"q0" || next == u"q2") << next.toStdString();
    EXPECT_EQ(Highlighted("q1"), 0);
    EXPECT_GT(Highlighted(next.toLatin1().constData()), 20);
}

// A screen reader finds each state and command line as an object with its name, and the focus on the one Tab
// selects; after the machine changes the names are the new machine's.
TEST_F(DiagramEdit, AScreenReaderReadsTheItemsByName) {
    QAccessibleInterface* picture = QAccessible::queryAccessibleInterface(view->viewport());
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(picture->childCount(), 6);
    EXPECT_EQ(picture->focusChild(), nullptr);
    QStringList names;
    for (int i = 0; i < 6; ++i) {
        names << picture->child(i)->text(QAccessible::Name);
        QTest::keyClick(view, Qt::Key_Tab);
        ASSERT_NE(picture->focusChild(), nullptr);
        EXPECT_EQ(picture->focusChild(), picture->child(i));
        EXPECT_TRUE(picture->child(i)->state().focused);
    }
    QStringList states = names.mid(0, 3);
    QStringList commands = names.mid(3, 3);
    states.sort();
    commands.sort();
    EXPECT_EQ(states, QStringList({QStringLiteral("q0"), QStringLiteral("q1"), QStringLiteral("q2")}));
    EXPECT_EQ(commands, QStringList({QStringLiteral("q0(a)->q0(b)-Вправо"), QStringLiteral("q0(b)->q1(a)-Вправо"),
                                     QStringLiteral("q1(#)->q2(#)-На месте")}));

    machine.Clear();
    ASSERT_TRUE(machine.AddState(QStringLiteral("z")));
    Settle();
    ASSERT_EQ(picture->childCount(), 1);
    EXPECT_EQ(picture->child(0)->text(QAccessible::Name), QStringLiteral("z"));
    EXPECT_EQ(picture->text(QAccessible::Name), QStringLiteral("Рисунок диаграммы"));
}

// The dead ends: an arrow let go over empty space says why no command came of it; a double-click on a name only
// commands use offers to add the state, which stays where it was drawn; the empty diagram says how to begin.
TEST_F(DiagramEdit, GesturesThatCannotWorkSayWhy) {
    QSignalSpy arrows(form.get(), &TDiagramForm::commandAddRequested);
    const QPoint from = OnScreen("q1");
    const QPoint to = EmptySpot();
    QTest::mousePress(view->viewport(), Qt::RightButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, to, view->viewport()->mapToGlobal(to), Qt::NoButton, Qt::RightButton, {});
    QCoreApplication::sendEvent(view->viewport(), &move);
    QTest::mouseRelease(view->viewport(), Qt::RightButton, {}, to);
    EXPECT_EQ(arrows.size(), 0);
    EXPECT_EQ(form->Note(),
              QStringLiteral("Команда не добавлена: стрелку нужно отпустить на состоянии, в которое переходит машина"));

    QObject::connect(form.get(), &TDiagramForm::missingStateAddRequested, &machine,
                     [this](const QString& name) { machine.AddState(name); });
    ASSERT_TRUE(machine.AddCommand(QStringLiteral("q2"), QStringLiteral("a"), QStringLiteral("lost"),
                                   QStringLiteral("a"), MoveLeftText));
    Settle();
    EXPECT_EQ(form->Note(), QString());
    const QPointF standIn = form->StateCentre(QStringLiteral("lost"));
    prompts.Answer(TAnswer::Yes);
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, OnScreen("lost"));
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].text,
              QStringLiteral("Состояния lost нет в списке состояний, его называют только команды. Добавить его?"));
    Settle();
    EXPECT_EQ(machine.FindState(QStringLiteral("lost")), 3);
    EXPECT_NEAR(form->StateCentre(QStringLiteral("lost")).x(), standIn.x(), 0.1);
    EXPECT_NEAR(form->StateCentre(QStringLiteral("lost")).y(), standIn.y(), 0.1);

    machine.Clear();
    Settle();
    EXPECT_EQ(form->Note(), QStringLiteral("В машине нет состояний. Чтобы добавить состояние, дважды щёлкните по "
                                           "диаграмме или нажмите Insert"));
}

// At its first size the toolbar shows every button, the last one too.
TEST_F(DiagramEdit, TheToolbarShowsEveryButton) {
    form->ApplyLayout();
    QCoreApplication::processEvents();
    auto* tools = form->findChild<QToolBar*>();

    for (QAction* tool : {form->ZoomInItem, form->FitItem, form->SvgItem, form->PngItem})
        EXPECT_TRUE(tools->widgetForAction(tool)->isVisible()) << tool->text().toStdString();
}
