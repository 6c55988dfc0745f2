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
