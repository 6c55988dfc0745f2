#include "diagram/diagramform.h"
#include "windowdriver.h"

#include <QGraphicsSimpleTextItem>
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

// A double-click on the diagram brings the main window forward with the state or command current, in sight
// and drawn as selected (its list has the focus).
TEST_F(DiagramCommands, DoubleClickBringsTheMainWindowWithTheRowCurrent) {
    DefineInversion(QStringLiteral("01"));
    TDiagramForm* diagram = OpenDiagram();
    ASSERT_NE(diagram, nullptr);
    const struct {
        const char16_t* text;
        const char* list;
        int row;
    } clicks[] = {{u"end", "StateListBox", 1}, {u"#→#, Н", "CommandListView", 2}, {u"q0", "StateListBox", 0}};
    for (const auto& click : clicks) {
        SCOPED_TRACE(QString::fromUtf16(click.text).toStdString());
        MakeActive(diagram);
        // The double-click opens the state's or the command's dialog too; it is left unchanged.
        WhenShown([](QDialog* dialog) { dialog->reject(); });
        DoubleClick(diagram, QString::fromUtf16(click.text));
        EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == form.get(); }));
        auto* list = Child<QAbstractItemView>(click.list);
        EXPECT_EQ(QApplication::focusWidget(), list);
        EXPECT_EQ(list->currentIndex().row(), click.row);
    }
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
