#include "diagram/diagramform.h"

#include "machinefixture.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsView>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QMouseEvent>

#include <sys/wait.h>

#include <cerrno>
#include <memory>

namespace {

QString Colour(int bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF).name();
}

class DiagramForm : public MachineTest {
protected:
    DiagramForm() {
        settings.SetDesktopDefaults();
        for (const char* name : {"q0", "q1", "q2"})
            machine.AddState(QString::fromLatin1(name));
        // Rows 0 to 2; q2 halts.
        Define(QStringLiteral("ab"), QStringLiteral("ab"), QStringLiteral("q0"),
               {QStringLiteral("q0 a q0 b R"), QStringLiteral("q0 b q1 a R"), QStringLiteral("q1 # q2 # S")});
        form = std::make_unique<TDiagramForm>(machine, settings, prompts, &engine);
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        QCoreApplication::processEvents();
    }

    QStringList SortedTexts() {
        QCoreApplication::processEvents();
        QStringList texts = form->Texts();
        texts.sort();
        return texts;
    }

    std::unique_ptr<TDiagramForm> form;
};

} // namespace

TEST_F(DiagramForm, HighlightFollowsEachStep) {
    const QString mark = Colour(settings.ActiveCommandBackground);
    const QString white = QStringLiteral("#ffffff");
    const QString black = QStringLiteral("#000000");
    const struct {
        const char* step;
        QStringList states;   // q0, q1, q2
        QStringList commands; // rows 0 to 2
    } steps[] = {
        {"before the run", {white, white, white}, {black, black, black}},
        {"the first step by hand finds the first command", {mark, white, white}, {mark, black, black}},
        {"a step in the same state", {mark, white, white}, {black, mark, black}},
        {"a step to another state", {white, mark, white}, {black, black, mark}},
        {"the halt", {white, white, white}, {black, black, black}},
    };
    for (int i = 0; i < int(std::size(steps)); ++i) {
        SCOPED_TRACE(steps[i].step);
        if (i == 1)
            engine.NextStep();
        if (i == 2 || i == 3)
            engine.StepOnce();
        if (i == 4) {
            prompts.Answer(TAnswer::Ok);
            engine.StepOnce();
            ASSERT_EQ(engine.GetRunState(), Ready);
        }
        QStringList states;
        for (const char* name : {"q0", "q1", "q2"})
            states << form->StateFill(QString::fromLatin1(name)).name();
        EXPECT_EQ(states, steps[i].states);
        EXPECT_EQ(
            (QStringList{form->CommandColour(0).name(), form->CommandColour(1).name(), form->CommandColour(2).name()}),
            steps[i].commands);
    }
}

TEST_F(DiagramForm, EveryEditRedrawsTheDiagram) {
    EXPECT_EQ(SortedTexts(), QStringList({QStringLiteral("#→#, Н"), QStringLiteral("a→b, П"), QStringLiteral("b→a, П"),
                                          QStringLiteral("q0"), QStringLiteral("q1"), QStringLiteral("q2")}));
    EXPECT_EQ(form->Note(), QString());

    // A second command between q1 and q2 joins their edge's label.
    ASSERT_TRUE(machine.AddCommand(QStringLiteral("q1"), QStringLiteral("a"), QStringLiteral("q2"), QStringLiteral("a"),
                                   MoveLeftText));
    ASSERT_TRUE(machine.RemoveCommand(0));
    ASSERT_TRUE(machine.RenameState(2, QStringLiteral("stop")));
    EXPECT_EQ(SortedTexts(),
              QStringList({QStringLiteral("#→#, Н"), QStringLiteral("a→a, Л"), QStringLiteral("b→a, П"),
                           QStringLiteral("q0"), QStringLiteral("q1"), QStringLiteral("q2"), QStringLiteral("stop")}));

    machine.Clear();
    EXPECT_EQ(SortedTexts(), QStringList());
    EXPECT_EQ(form->Note(), QStringLiteral("В машине нет состояний. Чтобы добавить состояние, дважды щёлкните по "
                                           "диаграмме или нажмите Insert"));
}

// A double-click on a state or on a command's label line asks the main window to select it in its list.
TEST_F(DiagramForm, DoubleClickSelectsTheStateOrTheCommand) {
    auto* view = form->findChild<QGraphicsView*>(QStringLiteral("DiagramView"));
    QSignalSpy states(form.get(), &TDiagramForm::stateActivated);
    QSignalSpy commands(form.get(), &TDiagramForm::commandActivated);
    const struct {
        const char16_t* text;
        QSignalSpy* spy;
        int index;
    } clicks[] = {{u"q1", &states, 1}, {u"b→a, П", &commands, 1}, {u"#→#, Н", &commands, 2}};
    for (const auto& click : clicks) {
        SCOPED_TRACE(QString::fromUtf16(click.text).toStdString());
        QGraphicsItem* target = nullptr;
        for (QGraphicsItem* item : view->scene()->items())
            if (auto* text = dynamic_cast<QGraphicsSimpleTextItem*>(item);
                text && text->text() == QString::fromUtf16(click.text))
                target = text;
        ASSERT_NE(target, nullptr);
        view->centerOn(target);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {},
                           view->mapFromScene(target->sceneBoundingRect().center()));
        ASSERT_EQ(click.spy->size(), 1);
        EXPECT_EQ(click.spy->takeFirst().at(0).toInt(), click.index);
    }
}

// The handout files: the SVG is the very picture qtm-run writes, the PNG a picture of the window's diagram.
TEST_F(DiagramForm, ExportWritesSvgAndPng) {
    QTemporaryDir dir;
    prompts.AnswerFile(dir.filePath(QStringLiteral("d.svg")));
    form->SvgItem->trigger();
    prompts.AnswerFile(dir.filePath(QStringLiteral("d.png")));
    form->PngItem->trigger();
    QFile svg(dir.filePath(QStringLiteral("d.svg")));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    EXPECT_EQ(svg.readAll(), DiagramSvg(LayOutDiagram(DiagramSourceOf(machine)), settings));
    const QImage png(dir.filePath(QStringLiteral("d.png")));
    ASSERT_FALSE(png.isNull());
    EXPECT_GT(png.width(), png.height());
    EXPECT_EQ(prompts.boxes.size(), 0);
}

namespace {

// A machine of n states q0... with a command for each of four symbols to a state further on.
void FillMachine(TMachine& machine, int n) {
    QStringList states;
    QList<TCommandRow> rows;
    for (int i = 0; i < n; ++i)
        states << QStringLiteral("q%1").arg(i);
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < 4; ++k)
            rows.append(TCommandRow{states[i], QString(QChar(u'a' + k)), states[(i * 7 + k * 13 + 1) % n],
                                    QStringLiteral("a"), MoveRightText, 0});
    machine.AppendLoaded(states, rows);
}

class BigDiagram : public MachineTest {
protected:
    BigDiagram() { settings.SetDesktopDefaults(); }
};

} // namespace

// Closing the window while a big machine is laid out ends the layout at once: no process is left behind.
TEST_F(BigDiagram, ClosingDuringALayoutAbandonsIt) {
    FillMachine(machine, 3000);
    auto form = std::make_unique<TDiagramForm>(machine, settings, prompts, &engine);
    form->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->LayingOut(); }));
    EXPECT_EQ(form->Note(), QStringLiteral("Диаграмма строится..."));
    QTest::qWait(300);
    form.reset();
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

// Closing the window stops the layout under way and drops the picture with its memory; shown again, the
// window lays the machine out anew, and the picture goes on the scene a part at a time, the window drawing
// between the parts.
TEST_F(BigDiagram, ClosingStopsTheLayoutAndDropsThePicture) {
    FillMachine(machine, 400);
    TDiagramForm form(machine, settings, prompts, &engine);
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.LayingOut(); }));
    form.close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.LayingOut(); }));
    EXPECT_TRUE(form.Texts().isEmpty());
    EXPECT_TRUE(form.Shown().nodes.isEmpty());

    form.show();
    qsizetype shown = 0;
    qsizetype most = 0;
    int parts = 0;
    for (int turn = 0; turn < 100000 && (form.LayingOut() || form.Stale()); ++turn) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const qsizetype now = form.Texts().size();
        if (now > shown) {
            ++parts;
            most = std::max(most, now - shown);
            shown = now;
        }
    }
    EXPECT_EQ(form.Shown().nodes.size(), 400);
    EXPECT_GT(parts, 1);
    EXPECT_LT(most, shown);

    form.close();
    EXPECT_TRUE(form.Texts().isEmpty());
    EXPECT_TRUE(form.Shown().nodes.isEmpty());
}

// A machine above the diagram's limits is refused with the reason; the window stays and follows the next
// edit.
TEST_F(BigDiagram, TooBigAMachineIsRefusedWithANote) {
    FillMachine(machine, 5001);
    TDiagramForm form(machine, settings, prompts, &engine);
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.Note().startsWith(u"Диаграмму построить не удалось"); }));
    EXPECT_EQ(form.Note(), QStringLiteral("Диаграмму построить не удалось: в машине 5001 состояний и 20004 команд, "
                                          "а диаграмма строится не больше чем для 5000 состояний и 20000 команд"));
    EXPECT_TRUE(form.Texts().isEmpty());
    // The long refusal is wrapped to the window, not cut at its edge.
    EXPECT_LE(form.findChild<QLabel*>(QStringLiteral("DiagramNote"))->minimumSizeHint().width(), form.width());
    machine.Clear();
    ASSERT_TRUE(machine.AddState(QStringLiteral("q0")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.Texts() == QStringList{QStringLiteral("q0")}; }));
    EXPECT_EQ(form.Note(), QString());
}

// A state dragged elsewhere stays there (the machine counts as changed); another window over the same
// positions draws it there too; "Упорядочить" gives the picture back to Graphviz.
TEST_F(DiagramForm, DraggedStateKeepsItsPlaceAcrossWindows) {
    auto* view = form->findChild<QGraphicsView*>(QStringLiteral("DiagramView"));
    QWidget* viewport = view->viewport();
    const QPointF from = form->StateCentre(QStringLiteral("q1"));
    ASSERT_FALSE(from.isNull());
    const QPoint press = view->mapFromScene(from);
    const QPoint drop = press + QPoint(10, 60);
    const QPointF expected = view->mapToScene(drop);
    QSignalSpy edited(&machine, &TMachine::edited);
    QTest::mousePress(viewport, Qt::LeftButton, {}, press);
    for (int step = 1; step <= 3; ++step) {
        QMouseEvent move(QEvent::MouseMove, press + (drop - press) * step / 3, viewport->mapToGlobal(drop),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &move);
    }
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, drop);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->LayingOut() && !form->Stale(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(edited.size(), 1);
    const QPointF moved = form->StateCentre(QStringLiteral("q1"));
    EXPECT_NEAR(moved.x(), expected.x(), 0.5);
    EXPECT_NEAR(moved.y(), expected.y(), 0.5);
    // The other states did not move.
    const QPointF q0 = form->StateCentre(QStringLiteral("q0"));

    // Another window over the same positions draws the states where they were put.
    TStatePositions kept;
    const QHash<QString, QPointF> placed = form->Placed();
    for (auto at = placed.cbegin(); at != placed.cend(); ++at)
        kept.SetPosition(at.key(), at.value());
    TDiagramForm again(machine, settings, prompts, &engine);
    again.SetPositions(&kept);
    again.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !again.StateCentre(QStringLiteral("q1")).isNull(); }));
    EXPECT_NEAR(again.StateCentre(QStringLiteral("q1")).x(), moved.x(), 0.01);
    EXPECT_NEAR(again.StateCentre(QStringLiteral("q1")).y(), moved.y(), 0.01);
    EXPECT_NEAR(again.StateCentre(QStringLiteral("q0")).x(), q0.x(), 0.01);

    // The hand-made picture goes only when the user agrees.
    prompts.Answer(TAnswer::Cancel);
    form->ArrangeItem->trigger();
    EXPECT_EQ(form->Placed(), placed);
    prompts.Answer(TAnswer::Ok);
    form->ArrangeItem->trigger();
    ASSERT_EQ(prompts.boxes.size(), 2);
    EXPECT_EQ(prompts.boxes[1].caption, QStringLiteral("Упорядочить"));
    EXPECT_EQ(prompts.boxes[1].text,
              QStringLiteral("Состояния, расставленные вручную, будут расставлены заново.\nПродолжить?"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->Placed().isEmpty());
    EXPECT_EQ(form->StateCentre(QStringLiteral("q1")), from);
    EXPECT_EQ(edited.size(), 2);
}

// A double-click on empty space asks for a new state, which appears where the user clicked; an arrow drawn
// with the right button, or the left one with Shift, asks for a command between its two states.
TEST_F(DiagramForm, NewStatesAndCommandsAreDrawn) {
    auto* view = form->findChild<QGraphicsView*>(QStringLiteral("DiagramView"));
    QWidget* viewport = view->viewport();
    QObject::connect(form.get(), &TDiagramForm::stateAddRequested, &machine,
                     [this] { machine.AddState(QStringLiteral("new")); });
    QPoint empty;
    for (int y = 5; y < viewport->height() && empty.isNull(); y += 7)
        for (int x = 5; x < viewport->width() && empty.isNull(); x += 7)
            if (!view->itemAt(QPoint(x, y)) && view->sceneRect().contains(view->mapToScene(QPoint(x, y))))
                empty = QPoint(x, y);
    ASSERT_FALSE(empty.isNull());
    const QPointF clicked = view->mapToScene(empty);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, empty);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->StateCentre(QStringLiteral("new")).isNull(); }));
    EXPECT_NEAR(form->StateCentre(QStringLiteral("new")).x(), clicked.x(), 0.5);
    EXPECT_NEAR(form->StateCentre(QStringLiteral("new")).y(), clicked.y(), 0.5);

    QSignalSpy arrows(form.get(), &TDiagramForm::commandAddRequested);
    const auto at = [&](const char* name) { return view->mapFromScene(form->StateCentre(QString::fromLatin1(name))); };
    const struct {
        Qt::MouseButton button;
        Qt::KeyboardModifiers modifiers;
        const char* from;
        const char* to;
    } drags[] = {{Qt::RightButton, {}, "q0", "q2"}, {Qt::LeftButton, Qt::ShiftModifier, "q2", "q2"}};
    for (const auto& drag : drags) {
        QTest::mousePress(viewport, drag.button, drag.modifiers, at(drag.from));
        QMouseEvent move(QEvent::MouseMove, at(drag.to), viewport->mapToGlobal(at(drag.to)), Qt::NoButton, drag.button,
                         drag.modifiers);
        QCoreApplication::sendEvent(viewport, &move);
        QTest::mouseRelease(viewport, drag.button, drag.modifiers, at(drag.to));
    }
    ASSERT_EQ(arrows.size(), 2);
    EXPECT_EQ(arrows[0], (QList<QVariant>{QStringLiteral("q0"), QStringLiteral("q2")}));
    EXPECT_EQ(arrows[1], (QList<QVariant>{QStringLiteral("q2"), QStringLiteral("q2")}));
}

// Tab walks through the states and then the commands' lines, round again after the last; the item is named as a
// screen reader names it: the state's name, or the command's text as the command list's tip gives it.
TEST_F(DiagramForm, TabReachesEveryStateAndCommandWithItsName) {
    auto* view = form->findChild<QGraphicsView*>(QStringLiteral("DiagramView"));
    view->setFocus();
    QStringList names;
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(view, Qt::Key_Tab);
        names << form->SelectedName();
    }
    QStringList states = names.mid(0, 3);
    QStringList commands = names.mid(3, 3);
    states.sort();
    commands.sort();
    EXPECT_EQ(states, QStringList({QStringLiteral("q0"), QStringLiteral("q1"), QStringLiteral("q2")}));
    EXPECT_EQ(commands, QStringList({QStringLiteral("q0(a)->q0(b)-Вправо"), QStringLiteral("q0(b)->q1(a)-Вправо"),
                                     QStringLiteral("q1(#)->q2(#)-На месте")}));
    EXPECT_EQ(names[6], names[0]);
    QTest::keyClick(view, Qt::Key_Left);
    EXPECT_EQ(form->SelectedName(), names[5]);
}
