#include "diagram/positions.h"
#include "windowdriver.h"
#include "window/undohistory.h"

#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QTableView>

namespace {

class UndoForm : public TWindowDriver {
protected:
    void SetUp() override {
        TWindowDriver::SetUp();
        path = dir.filePath(QStringLiteral("inversion.qtm"));
        ASSERT_TRUE(QFile::copy(
            QDir(QStringLiteral(QTM_SOURCE_DIR "/examples")).filePath(QStringLiteral("inversion.qtm")), path));
        QFile pos(dir.filePath(QStringLiteral("inversion.pos")));
        ASSERT_TRUE(pos.open(QIODevice::WriteOnly));
        pos.write("q0=10,20\r\nq1=110,20\r\n");
        pos.close();
        prompts.AnswerFile(path);
        form->OpenFileItemClick();
        ASSERT_EQ(form->FileName(), path);
    }

    QStringList States() const {
        QStringList names;
        for (const TStateItem& s : form->Machine().States())
            names << s.name;
        return names;
    }

    QStringList Rows() const {
        QStringList rows;
        for (const TCommandRow& r : form->Machine().Commands())
            rows << QStringList{r.sourceState, r.sourceSymbol, r.newState, r.newSymbol, r.move}.join(u'|');
        return rows;
    }

    // Selects the list's row and presses Del there, agreeing to the question.
    void DeleteRow(QAbstractItemView* list, int row) {
        MakeActive(form.get());
        list->setFocus();
        list->setCurrentIndex(list->model()->index(row, 0));
        prompts.Answer(TAnswer::Ok);
        Press(Qt::Key_Delete);
    }

    QString path;
};

} // namespace

// A command and a state deleted by keys come back, one Alt+Backspace each, with their places on the diagram,
// and the machine is as saved again; Shift+Alt+Backspace does them again, and saving moves the saved point.
TEST_F(UndoForm, AltBackspaceBringsBackADeletedCommandAndState) {
    auto* commands = Child<QTableView>("CommandListView");
    auto* states = Child<QListView>("StateListBox");
    QAction* undo = Action("EditUndo");
    QAction* redo = Action("EditRedo");
    const QStringList rows = Rows();
    const QHash<QString, QPointF> placed = form->Positions().Positions();
    ASSERT_EQ(placed.size(), 2);
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(undo->text(), QStringLiteral("&Отменить"));

    DeleteRow(commands, 2);
    DeleteRow(states, 1);
    EXPECT_EQ(States(), QStringList{QStringLiteral("q0")});
    EXPECT_EQ(Rows().size(), 2);
    EXPECT_TRUE(form->Modified());
    EXPECT_EQ(undo->text(), QStringLiteral("&Отменить удаление состояния q1"));

    Press(Qt::ALT | Qt::Key_Backspace);
    EXPECT_EQ(States(), QStringList({QStringLiteral("q0"), QStringLiteral("q1")}));
    EXPECT_EQ(states->currentIndex().row(), 1);
    EXPECT_EQ(undo->text(), QStringLiteral("&Отменить удаление команды q0, #"));
    EXPECT_EQ(redo->text(), QStringLiteral("&Повторить удаление состояния q1"));
    EXPECT_TRUE(form->Modified());

    Press(Qt::ALT | Qt::Key_Backspace);
    EXPECT_EQ(Rows(), rows);
    EXPECT_EQ(commands->currentIndex().row(), 2);
    EXPECT_EQ(form->Positions().Positions(), placed);
    EXPECT_FALSE(form->Modified());
    EXPECT_FALSE(Action("SaveFileItem")->isEnabled());
    EXPECT_FALSE(undo->isEnabled());

    Press(Qt::SHIFT | Qt::ALT | Qt::Key_Backspace);
    EXPECT_EQ(Rows().size(), 2);
    EXPECT_TRUE(form->Modified());
    Press(Qt::CTRL | Qt::Key_S);
    EXPECT_FALSE(form->Modified());
    Press(Qt::ALT | Qt::Key_Backspace);
    EXPECT_TRUE(form->Modified());
    Press(Qt::SHIFT | Qt::ALT | Qt::Key_Backspace);
    EXPECT_FALSE(form->Modified());
    EXPECT_TRUE(prompts.answers.isEmpty());

    // Another machine starts a history of its own.
    Press(Qt::CTRL | Qt::Key_N);
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
}

// In a field the key first undoes the typing, as any edit does; the field's change is one step once its edit is
// done, and the main window's Ctrl+Z still moves to the state list.
TEST_F(UndoForm, TypingIsUndoneFirstAndAFieldIsOneStep) {
    auto* alphabet = Child<QLineEdit>("ABCEdit");
    QAction* undo = Action("EditUndo");
    alphabet->setFocus();
    alphabet->end(false);
    Type(QStringLiteral("23"));
    EXPECT_EQ(form->Machine().Alphabet(), QStringLiteral("0123"));
    EXPECT_EQ(undo->text(), QStringLiteral("&Отменить"));
    Press(Qt::ALT | Qt::Key_Backspace);
    EXPECT_EQ(form->Machine().Alphabet(), QStringLiteral("01"));

    Type(QStringLiteral("a"));
    Press(Qt::Key_Tab);
    EXPECT_EQ(form->History().Stack().count(), 1);
    EXPECT_EQ(undo->text(), QStringLiteral("&Отменить изменение алфавита"));
    Press(Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(QApplication::focusWidget(), Child<QListView>("StateListBox"));
    EXPECT_EQ(form->Machine().Alphabet(), QStringLiteral("01a"));
    Press(Qt::ALT | Qt::Key_Backspace);
    EXPECT_EQ(form->Machine().Alphabet(), QStringLiteral("01"));
    EXPECT_EQ(alphabet->text(), QStringLiteral("01"));
    EXPECT_FALSE(form->Modified());
}

// The diagram and table windows take Ctrl+Z and Ctrl+Shift+Z for the same two entries.
TEST_F(UndoForm, DiagramAndTableWindowsTakeCtrlZ) {
    DeleteRow(Child<QTableView>("CommandListView"), 0);
    ASSERT_EQ(Rows().size(), 2);
    const std::pair<const char*, const char*> windows[] = {{"DiagramView", "DiagramForm"}, {"TableItem", "TableForm"}};
    for (const auto& [entry, name] : windows) {
        Action(entry)->trigger();
        QCoreApplication::processEvents();
        auto* window = form->findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(window, nullptr) << entry;
        MakeActive(window);
        QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(Rows().size(), 3) << entry;
        QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(Rows().size(), 2) << entry;
        window->close();
    }
}
