#include "table/handoutdialog.h"
#include "table/tableform.h"

#include "../editing/editingsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QTableView>

namespace {

const QColor ErrorBackground(255, 0, 0);

class TableForm : public EditingTest {
protected:
    // States q1, q2; alphabet "ab"; row 0 reads (q1, a), row 1 (q2, b).
    TableForm() {
        settings.TableLeft = 10;
        settings.TableTop = 20;
        machine.AddState(QStringLiteral("q1"));
        machine.AddState(QStringLiteral("q2"));
        Define(QStringLiteral("ab"), QStringLiteral("ab"), QStringLiteral("q1"),
               {QStringLiteral("q1 a q2 b R"), QStringLiteral("q2 b q1 a L")});
        form = std::make_unique<TTableForm>(machine, prompts, settings, [](TCellMarks mark) {
            return (mark & MarkError) ? std::optional(std::pair(QColor(Qt::white), ErrorBackground)) : std::nullopt;
        });
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        edits = 0;
    }

    QTableView* Grid() const { return form->Grid(); }
    QModelIndex Cell(int symbol, int state) const { return Grid()->model()->index(symbol, state); }
    QString Text(int symbol, int state) const { return Cell(symbol, state).data().toString(); }
    QString Row(int i) const {
        const TCommandRow& r = machine.Commands().value(i);
        return r.sourceState + u'|' + r.sourceSymbol + u'|' + r.newState + u'|' + r.newSymbol + u'|' + r.move;
    }
    void Key(int symbol, int state, Qt::Key key) {
        Grid()->setCurrentIndex(Cell(symbol, state));
        QTest::keyClick(Grid(), key);
    }

    std::unique_ptr<TTableForm> form;
};

} // namespace

// Enter on a command edits it, a double click on an empty cell adds the command of that state and symbol;
// both through the command dialog, so the rows are those the dialog makes from the command list.
TEST_F(TableForm, CellEditsGoThroughTheCommandDialog) {
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Таблица переходов"));
    EXPECT_EQ(form->geometry().topLeft(), QPoint(10, 20));
    EXPECT_EQ(Text(0, 0), QStringLiteral("b, П, q2"));
    EXPECT_EQ(Grid()->model()->headerData(2, Qt::Vertical).toString(), QStringLiteral("#"));

    WhenShown([](QDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Редактирование команды"));
        dialog->findChild<QComboBox*>(QStringLiteral("NewABCComboBox"))->setEditText(QStringLiteral("a"));
        dialog->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    });
    Key(0, 0, Qt::Key_Return);
    EXPECT_EQ(Row(0), QStringLiteral("q1|a|q2|a|Вправо"));
    EXPECT_EQ(Text(0, 0), QStringLiteral("a, П, q2"));

    WhenShown([](QDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Добавление команды"));
        EXPECT_EQ(dialog->findChild<QComboBox*>(QStringLiteral("OldStateComboBox"))->currentText(), "q2");
        EXPECT_EQ(dialog->findChild<QComboBox*>(QStringLiteral("OldABCComboBox"))->currentText(), "#");
        for (const char* text : {"q1", "a", "на месте"}) {
            Type(QApplication::focusWidget(), QString::fromUtf8(text));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    // A double click as the window system delivers it: press, release, double click, release.
    const QPoint cell = Grid()->visualRect(Cell(2, 1)).center();
    QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(Grid()->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseRelease(Grid()->viewport(), Qt::LeftButton, {}, cell);
    EXPECT_EQ(Row(2), QStringLiteral("q2|#|q1|a|На месте"));
    EXPECT_EQ(Text(2, 1), QStringLiteral("a, Н, q1"));
    EXPECT_EQ(Grid()->currentIndex(), Cell(2, 1));
    EXPECT_EQ(edits, 2);
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

TEST_F(TableForm, DelDeletesTheCellsCommandWithTheUsualQuestion) {
    settings.DelCommand = true;
    const TMessage question =
        Box(QStringLiteral("Удаление команды"), QStringLiteral("Вы действительно хотите удалить текущую команду?"),
            TIcon::Question, ButtonsOkCancel, TAnswer::Cancel);
    prompts.Answer(TAnswer::Cancel);
    Key(1, 1, Qt::Key_Delete);
    EXPECT_EQ(machine.Commands().size(), 2);
    prompts.Answer(TAnswer::Ok);
    Key(1, 1, Qt::Key_Delete);
    EXPECT_EQ(prompts.boxes, QList<TMessage>({question, question}));
    EXPECT_EQ(machine.Commands().size(), 1);
    EXPECT_EQ(Text(1, 1), QString());
    EXPECT_EQ(edits, 1);

    // An empty cell, or a machine that may not be edited now (a run): only the asterisk.
    Key(1, 1, Qt::Key_Delete);
    form->SetEditRule([] { return false; });
    Key(0, 0, Qt::Key_Delete);
    Key(0, 0, Qt::Key_Return);
    EXPECT_EQ(prompts.asterisks, 3);
    EXPECT_EQ(machine.Commands().size(), 1);
    EXPECT_EQ(prompts.boxes.size(), 2);
}

TEST_F(TableForm, FollowsEditsElsewhereWithTheMarksColoursAndANoteForAnEmptyMachine) {
    ASSERT_TRUE(machine.AddCommand(QStringLiteral("q2"), QStringLiteral("a"), QStringLiteral("q9"), QStringLiteral("a"),
                                   MoveStayText));
    EXPECT_EQ(Text(0, 1), QStringLiteral("a, Н, q9"));
    // The new state q9 does not exist: the command is faulty.
    EXPECT_EQ(Cell(0, 1).data(Qt::BackgroundRole).value<QColor>(), ErrorBackground);
    EXPECT_FALSE(Cell(0, 0).data(Qt::BackgroundRole).isValid());
    auto* note = form->findChild<QLabel*>(QStringLiteral("TableNote"));
    EXPECT_TRUE(note->isHidden());

    ASSERT_TRUE(machine.AddCommand(QStringLiteral("q7"), QStringLiteral("a"), QStringLiteral("q1"), QStringLiteral("a"),
                                   MoveStayText));
    EXPECT_FALSE(note->isHidden());
    EXPECT_EQ(note->text(), QStringLiteral("Команды вне таблицы: q7(a)->q1(a)-На месте"));

    machine.Clear();
    EXPECT_TRUE(Grid()->isHidden());
    EXPECT_EQ(note->text(), QStringLiteral("Таблица переходов пуста: в машине нет ни состояний, ни алфавита"));
}

TEST_F(TableForm, PrintPreviewShowsTheHandoutWithTheDiagramAsAPicture) {
    const THandout handout{QStringLiteral("m.qtm"),
                           QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"30\" height=\"20\">"
                                          "<rect width=\"30\" height=\"20\" fill=\"blue\"/></svg>"),
                           false};
    const auto document = HandoutDocument(machine, handout);
    EXPECT_TRUE(document->toPlainText().contains(QStringLiteral("b, П, q2")));
    // The picture is drawn from the SVG where the page's image stands.
    QImage page(document->size().toSize(), QImage::Format_ARGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    document->drawContents(&painter);
    painter.end();
    int blue = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            blue += page.pixelColor(x, y) == QColor(Qt::blue);
    EXPECT_GT(blue, 300);

    int pages = 0;
    WhenShown([&pages](QDialog* dialog) {
        EXPECT_NE(qobject_cast<QPrintPreviewDialog*>(dialog), nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Печать: m.qtm"));
        pages = dialog->findChild<QPrintPreviewWidget*>()->pageCount();
    });
    ExecuteHandoutPreview(form.get(), machine, handout);
    EXPECT_EQ(pages, 1);
}
