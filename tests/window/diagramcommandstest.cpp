#include "diagram/diagramform.h"
#include "windowdriver.h"

#include <QGraphicsSimpleTextItem>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSignalSpy>
#include <QScreen>
#include <QToolBar>
#include <QGraphicsView>
#include <QListView>
#include <QTableView>

namespace {

class DiagramCommands : public TWindowDriver {
protected:
    TDiagramForm* OpenDiagram() {
        Action("DiagramView")->trigger();
        auto* diagram = form->findChild<TDiagramForm*>(QStringLiteral("DiagramForm"));
        EXPECT_NE(diagram, nullptr);
        QCoreApplication::processEvents();
        return diagram;
    }

    // A click on the picture's text, with the diagram the active window and its picture focused.
    static QGraphicsView* Click(TDiagramForm* diagram, const QString& text) {
        // Two clicks in a row on one spot would make a double-click, which opens a dialog.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        MakeActive(diagram);
        auto* view = diagram->findChild<QGraphicsView*>(QStringLiteral("DiagramView"));
        view->setFocus();
        for (QGraphicsItem* item : view->scene()->items())
            if (auto* t = dynamic_cast<QGraphicsSimpleTextItem*>(item); t && t->text() == text) {
                view->centerOn(t);
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                                  view->mapFromScene(t->sceneBoundingRect().center()));
                return view;
            }
        ADD_FAILURE() << "no " << text.toStdString() << " on the diagram";
        return view;
    }

    QStringList StateNames() const {
        QStringList names;
        for (const TStateItem& state : form->Machine().States())
            names << state.name;
        return names;
    }

    static void DoubleClick(TDiagramForm* diagram, const QString& text) {
        auto* view = diagram->findChild<QGraphicsView*>(QStringLiteral("DiagramView"));
        for (QGraphicsItem* item : view->scene()->items())
            if (auto* t = dynamic_cast<QGraphicsSimpleTextItem*>(item); t && t->text() == text) {
                view->centerOn(t);
                QTest::mouseDClick(view->viewport(), Qt::LeftButton, {},
                                   view->mapFromScene(t->sceneBoundingRect().center()));
                return;
            }
        ADD_FAILURE() << "no " << text.toStdString() << " on the diagram";
    }
};

} // namespace

// A double-click on the diagram edits over the diagram, which stays in front with the state or command current in
// the main window's list; the diagram first opens beside the main window, not over it.
TEST_F(DiagramCommands, DoubleClickEditsOverTheDiagramWithTheRowCurrent) {
    DefineInversion(QStringLiteral("01"));
    TDiagramForm* diagram = OpenDiagram();
    ASSERT_NE(diagram, nullptr);
    // Beside the main window where the screen has room; else within the screen at its edge.
    const QRect screen = form->screen()->availableGeometry();
    if (screen.width() >= form->frameGeometry().width() + diagram->frameGeometry().width() + 8)
        EXPECT_FALSE(diagram->frameGeometry().intersects(form->frameGeometry()));
    else
        EXPECT_EQ(diagram->geometry().right(), screen.right());
    const struct {
        const char16_t* text;
        const char* list;
        int row;
    } clicks[] = {{u"end", "StateListBox", 1}, {u"#→#, Н", "CommandListView", 2}, {u"q0", "StateListBox", 0}};
    for (const auto& click : clicks) {
        SCOPED_TRACE(QString::fromUtf16(click.text).toStdString());
        MakeActive(diagram);
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        QWidget* owner = nullptr;
        // The double-click opens the state's or the command's dialog; it is left unchanged.
        WhenShown([&owner](QDialog* dialog) {
            owner = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
            dialog->reject();
        });
        DoubleClick(diagram, QString::fromUtf16(click.text));
        EXPECT_EQ(owner, diagram);
        EXPECT_TRUE(QTest::qWaitFor([diagram] { return QApplication::activeWindow() == diagram; }));
        EXPECT_EQ(Child<QAbstractItemView>(click.list)->currentIndex().row(), click.row);
    }
}

// A state renamed on the diagram keeps its place under its new name, in the picture and in the positions file.
TEST_F(DiagramCommands, AStateRenamedOnTheDiagramKeepsItsPlace) {
    DefineInversion(QStringLiteral("01"));
    form->Machine().AddState(QStringLiteral("spare"));
    TDiagramForm* diagram = OpenDiagram();
    ASSERT_NE(diagram, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([diagram] { return !diagram->Stale() && !diagram->LayingOut(); }));
    for (const char* rename : {"end|fin", "spare|extra"}) {
        const QStringList names = QString::fromLatin1(rename).split(u'|');
        const QPointF place = diagram->StateCentre(names[0]);
        MakeActive(diagram);
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        WhenShown([&names](QDialog*) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
            Type(names[1]);
            Press(Qt::Key_Return);
        });
        DoubleClick(diagram, names[0]);
        ASSERT_TRUE(QTest::qWaitFor([diagram] { return !diagram->Stale() && !diagram->LayingOut(); }));
        EXPECT_LT(QLineF(diagram->StateCentre(names[1]), place).length(), 0.05) << rename;
        EXPECT_LT(QLineF(form->Positions().Position(names[1]).value_or(QPointF()), place).length(), 0.05) << rename;
        EXPECT_FALSE(form->Positions().Position(names[0])) << rename;
    }
    // "spare" had no commands: nothing is left of it.
    EXPECT_FALSE(diagram->Texts().contains(QStringLiteral("spare")));
}

// Cancelling the new state's dialog after a double-click on empty space changes nothing: no state moves or is
// placed, and the machine stays unmodified, with states and without.
TEST_F(DiagramCommands, CancellingANewStateChangesNothing) {
    for (const bool empty : {false, true}) {
        SCOPED_TRACE(empty ? "no states" : "three states");
        Action("NewFileItem")->trigger();
        if (!empty) {
            DefineInversion(QStringLiteral("01"));
            form->Machine().AddState(QStringLiteral("spare"));
            prompts.AnswerFile(dir.filePath(QStringLiteral("m.qtm")));
            Action("SaveFileItem")->trigger();
        }
        // A new machine counts as modified from the start; the saved one does not.
        const bool modified = form->Modified();
        TDiagramForm* diagram = OpenDiagram();
        ASSERT_NE(diagram, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([diagram] { return !diagram->Stale() && !diagram->LayingOut(); }));
        QSignalSpy edits(&form->Machine(), &TMachine::edited);
        QHash<QString, QPointF> places;
        for (const TStateItem& state : form->Machine().States())
            places.insert(state.name, diagram->StateCentre(state.name));
        auto* view = diagram->findChild<QGraphicsView*>(QStringLiteral("DiagramView"));
        QPoint spot;
        for (int y = 40; y < view->viewport()->height() - 40 && spot.isNull(); y += 10)
            for (int x = 40; x < view->viewport()->width() - 40 && spot.isNull(); x += 10)
                if (view->items(QRect(x - 40, y - 40, 80, 80)).isEmpty())
                    spot = QPoint(x, y);
        MakeActive(diagram);
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        bool asked = false;
        WhenShown([&asked](QDialog* dialog) {
            asked = dialog->windowTitle() == QStringLiteral("Добавление состояния");
            Press(Qt::Key_Escape);
        });
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, spot);
        EXPECT_TRUE(asked);
        ASSERT_TRUE(QTest::qWaitFor([diagram] { return !diagram->Stale() && !diagram->LayingOut(); }));
        EXPECT_EQ(form->Modified(), modified);
        EXPECT_EQ(edits.size(), 0);
        EXPECT_TRUE(form->Positions().IsEmpty());
        for (auto at = places.cbegin(); at != places.cend(); ++at)
            EXPECT_EQ(diagram->StateCentre(at.key()), at.value()) << at.key().toStdString();
        EXPECT_EQ(form->Machine().States().size(), places.size());
    }
}

// The main window's file and run keys work in the diagram and the table windows: a step, a reset, a save.
TEST_F(DiagramCommands, TheMainWindowsKeysWorkInTheOtherWindows) {
    DefineInversion(QStringLiteral("01"));
    TDiagramForm* diagram = OpenDiagram();
    ASSERT_NE(diagram, nullptr);
    Action("TableItem")->trigger();
    auto* table = form->findChild<QWidget*>(QStringLiteral("TableForm"));
    ASSERT_NE(table, nullptr);
    for (QWidget* window : {static_cast<QWidget*>(diagram), table}) {
        SCOPED_TRACE(window->objectName().toStdString());
        MakeActive(window);
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window;
        QTest::keyClick(target, Qt::Key_F8);
        EXPECT_NE(form->Engine().GetRunState(), Ready);
        QTest::keyClick(target, Qt::Key_F2, Qt::ControlModifier);
        EXPECT_EQ(form->Engine().GetRunState(), Ready);
    }
    const QString path = dir.filePath(QStringLiteral("saved.qtm"));
    prompts.AnswerFile(path);
    MakeActive(diagram);
    QTest::keyClick(diagram->findChild<QGraphicsView*>(QStringLiteral("DiagramView")), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(form->FileName(), path);
    EXPECT_TRUE(QFile::exists(path));
}

// The diagram's toolbar entries are rows of the window's action table: each with its help context, standing in the
// diagram's toolbar, its key working there.
TEST_F(DiagramCommands, TheDiagramsToolsAreEntriesOfTheWindow) {
    DefineInversion(QStringLiteral("01"));
    TDiagramForm* diagram = OpenDiagram();
    ASSERT_NE(diagram, nullptr);
    const struct {
        const char* entry;
        QAction* TDiagramForm::*tool;
        int help;
    } tools[] = {{"DiagramZoomInItem", &TDiagramForm::ZoomInItem, 3080},
                 {"DiagramZoomOutItem", &TDiagramForm::ZoomOutItem, 3081},
                 {"DiagramFitItem", &TDiagramForm::FitItem, 3082},
                 {"DiagramArrangeItem", &TDiagramForm::ArrangeItem, 3083},
                 {"DiagramSvgItem", &TDiagramForm::SvgItem, 3084},
                 {"DiagramPngItem", &TDiagramForm::PngItem, 3085}};
    auto* bar = diagram->findChild<QToolBar*>();
    for (const auto& t : tools) {
        QAction* entry = Action(t.entry);
        EXPECT_EQ(diagram->*t.tool, entry) << t.entry;
        EXPECT_EQ(entry->property("helpContext").toInt(), t.help) << t.entry;
        EXPECT_TRUE(bar->actions().contains(entry)) << t.entry;
    }
    MakeActive(diagram);
    const qreal zoom = diagram->Zoom();
    QTest::keyClick(diagram->findChild<QGraphicsView*>(QStringLiteral("DiagramView")), Qt::Key_Minus,
                    Qt::ControlModifier);
    EXPECT_LT(diagram->Zoom(), zoom);
}

// The print preview's PDF is proposed beside the machine.
TEST_F(DiagramCommands, ThePdfGoesBesideTheMachine) {
    DefineInversion(QStringLiteral("01"));
    prompts.AnswerFile(dir.filePath(QStringLiteral("inv.qtm")));
    Action("SaveFileItem")->trigger();
    QString proposed;
    WhenShown([&proposed](QDialog* dialog) {
        if (auto* preview = qobject_cast<QPrintPreviewDialog*>(dialog))
            proposed = preview->printer()->outputFileName();
    });
    Action("PrintItem")->trigger();
    EXPECT_EQ(proposed, dir.filePath(QStringLiteral("inv.pdf")));
}

// The picture's save dialogs propose the machine's name.
TEST_F(DiagramCommands, SaveDialogsProposeTheMachinesName) {
    DefineInversion(QStringLiteral("01"));
    TDiagramForm* diagram = OpenDiagram();
    ASSERT_NE(diagram, nullptr);
    // Both dialogs cancelled.
    prompts.AnswerFile(QString());
    prompts.AnswerFile(QString());
    diagram->SvgItem->trigger();
    diagram->PngItem->trigger();
    ASSERT_EQ(prompts.fileDialogs.size(), 2);
    EXPECT_EQ(prompts.fileDialogs[0].fileName, QStringLiteral("Без имени 1.svg"));
    EXPECT_EQ(prompts.fileDialogs[1].fileName, QStringLiteral("Без имени 1.png"));
}

// Del on a state of the diagram asks what Del in the state list asks, deletes as it does, and does nothing
// while the machine runs, as the list's Del.
TEST_F(DiagramCommands, DeleteAsksAndRefusesAsTheLists) {
    DefineInversion(QStringLiteral("01"));
    TDiagramForm* diagram = OpenDiagram();
    ASSERT_NE(diagram, nullptr);
    auto* states = Child<QAbstractItemView>("StateListBox");
    MakeActive(form.get());
    states->setFocus();
    states->setCurrentIndex(states->model()->index(1, 0));
    prompts.Answer(TAnswer::Cancel);
    Press(Qt::Key_Delete);
    ASSERT_EQ(prompts.boxes.size(), 1);
    const TMessage asked = prompts.boxes.takeFirst();
    EXPECT_EQ(asked.text, QStringLiteral("Вы действительно хотите удалить текущее состояние?"));

    prompts.Answer(TAnswer::Cancel);
    QTest::keyClick(Click(diagram, QStringLiteral("end")), Qt::Key_Delete);
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes.takeFirst(), asked);
    EXPECT_EQ(StateNames(), QStringList({QStringLiteral("q0"), QStringLiteral("end")}));

    form->Engine().NextStep();
    ASSERT_NE(form->Engine().GetRunState(), Ready);
    QCoreApplication::processEvents();
    QTest::keyClick(Click(diagram, QStringLiteral("q0")), Qt::Key_Delete);
    EXPECT_TRUE(prompts.boxes.isEmpty());
    EXPECT_EQ(StateNames(), QStringList({QStringLiteral("q0"), QStringLiteral("end")}));
    form->Engine().SetRunState(Ready);

    prompts.Answer(TAnswer::Ok);
    QTest::keyClick(Click(diagram, QStringLiteral("end")), Qt::Key_Delete);
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes.takeFirst(), asked);
    EXPECT_EQ(StateNames(), QStringList{QStringLiteral("q0")});
}
