#include "windowdriver.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QTableView>

namespace {

class EditingForm : public TWindowDriver {
protected:
    // The state dialog: the name typed, then Enter.
    void AddState(const QString& name) {
        WhenShown([name](QDialog* d) {
            EXPECT_EQ(d->windowTitle(), QStringLiteral("Добавление состояния"));
            Type(name);
            Press(Qt::Key_Return);
        });
        Press(Qt::CTRL | Qt::ALT | Qt::Key_A);
    }

    // The command dialog: the five fields typed in their order, Tab between them, then Enter.
    void FillCommand(QDialog* d, const QString& fields) {
        const QStringList texts = fields.split(u'|');
        for (int i = 0; i < texts.size(); ++i) {
            if (i > 0)
                Press(Qt::Key_Tab);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
            Type(texts[i]);
        }
        Press(Qt::Key_Return);
        EXPECT_FALSE(d->isVisible()) << fields.toStdString();
    }

    void AddCommand(const QString& fields) {
        WhenShown([this, fields](QDialog* d) {
            EXPECT_EQ(d->windowTitle(), QStringLiteral("Добавление команды"));
            FillCommand(d, fields);
        });
        Press(Qt::SHIFT | Qt::CTRL | Qt::Key_A);
    }

    QStringList Rows() const {
        QStringList rows;
        for (const TCommandRow& r : form->Machine().Commands())
            rows << QStringList{r.sourceState, r.sourceSymbol, r.newState, r.newSymbol, r.move}.join(u'|');
        return rows;
    }
};

} // namespace

TEST_F(EditingForm, NewMachineBuiltThroughTheDialogsIsSavedReopenedAndRun) {
    Press(Qt::CTRL | Qt::Key_N);
    const QString untitled = dir.filePath(QStringLiteral("Без имени 1.qtm"));
    ASSERT_EQ(form->FileName(), untitled);

    Press(Qt::CTRL | Qt::Key_K);
    Type(QStringLiteral("01"));
    Press(Qt::CTRL | Qt::Key_J);
    Type(QStringLiteral("0110"));
    Press(Qt::CTRL | Qt::Key_Z);
    AddState(QStringLiteral("q0"));
    AddState(QStringLiteral("end"));
    Press(Qt::CTRL | Qt::Key_Y);
    Press(Qt::Key_Down); // from an empty chooser the first state
    EXPECT_EQ(form->Machine().GetInitialState(), QStringLiteral("q0"));
    Press(Qt::CTRL | Qt::Key_J);
    AddCommand(QStringLiteral("q0|0|q0|1|вправо"));
    AddCommand(QStringLiteral("q0|1|q0|0|Вправо"));
    AddCommand(QStringLiteral("q0|#|end|#|на месте"));
    EXPECT_TRUE(prompts.boxes.isEmpty());
    EXPECT_TRUE(form->Modified());

    const QString path = dir.filePath(QStringLiteral("inv.qtm"));
    prompts.AnswerFile(path);
    Press(Qt::CTRL | Qt::Key_S);
    ASSERT_EQ(form->FileName(), path);
    const QString saved = QStringLiteral("[ABCD] 01\r\n"
                                         "[WORD] 0110\r\n"
                                         "[BEGS] q0\r\n"
                                         "[STAT] q0\r\n"
                                         "[STAT] end\r\n"
                                         "[COMM] q0                0 q0                1 Вправо\r\n"
                                         "[COMM] q0                1 q0                0 Вправо\r\n"
                                         "[COMM] q0                # end               # На месте\r\n");
    EXPECT_EQ(FileText(path), saved);

    Action("FileClosing")->trigger();
    ASSERT_TRUE(form->FileName().isEmpty());
    prompts.AnswerFile(path);
    Press(Qt::CTRL | Qt::Key_O);
    ASSERT_EQ(form->FileName(), path);
    EXPECT_FALSE(form->Modified());

    prompts.Answer(TAnswer::Ok);
    Press(Qt::Key_F9);
    EXPECT_EQ(form->Engine().GetRunState(), Running);
    EXPECT_EQ(RunToEnd(), 5);
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0], HaltBox(QStringLiteral("end"), QStringLiteral("#")));
    EXPECT_EQ(form->Machine().TapeInnerText(), QStringLiteral("1001"));

    // What was read back writes the same file again.
    const QString again = dir.filePath(QStringLiteral("again.qtm"));
    prompts.AnswerFile(again);
    Action("SaveFileAsItem")->trigger();
    EXPECT_EQ(FileText(again), saved);
}

// Renaming and deleting a state are offered only while the user works in the state list; editing and
// deleting a command need a current row, which an add or an edit leaves where it was.
TEST_F(EditingForm, EditEntriesFollowTheListsAndTheCurrentCommandStays) {
    DefineInversion(QStringLiteral("01"));
    auto* states = Child<QListView>("StateListBox");
    auto* commands = Child<QTableView>("CommandListView");
    auto* abc = Child<QLineEdit>("ABCEdit");
    QAction* stateEdit = Action("StateEdit");
    QAction* stateDel = Action("StateDel");
    QAction* commandEdit = Action("CommandEdit");
    QAction* commandDel = Action("CommandDel");

    const struct {
        const char* what;
        std::function<void()> act;
        bool stateEntries;
    } steps[] = {
        {"state list focused, nothing selected",
         [&] {
             states->setFocus();
             states->setCurrentIndex(QModelIndex());
         },
         false},
        {"item selected", [&] { states->setCurrentIndex(states->model()->index(1, 0)); }, true},
        {"focus in the alphabet", [&] { abc->setFocus(); }, false},
        {"back by Ctrl+Z", [&] { Press(Qt::CTRL | Qt::Key_Z); }, true},
    };
    for (const auto& step : steps) {
        step.act();
        EXPECT_EQ(stateEdit->isEnabled(), step.stateEntries) << step.what;
        EXPECT_EQ(stateDel->isEnabled(), step.stateEntries) << step.what;
    }

    // A state added from the list by Ins leaves the selected item as it was.
    WhenShown([](QDialog*) {
        Type(QStringLiteral("q9"));
        Press(Qt::Key_Return);
    });
    Press(Qt::Key_Insert);
    MakeActive(form.get());
    ASSERT_EQ(form->Machine().States().size(), 3);
    EXPECT_EQ(states->currentIndex().row(), 1);
    EXPECT_TRUE(stateEdit->isEnabled());

    // Renamed through F4 in the list: the commands keep the old name.
    WhenShown([](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Редактирование состояния"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        Type(QStringLiteral("stop"));
        Press(Qt::Key_Return);
    });
    Press(Qt::Key_F4);
    MakeActive(form.get());
    EXPECT_EQ(form->Machine().States()[1].name, QStringLiteral("stop"));
    EXPECT_TRUE(stateEdit->isEnabled());

    EXPECT_FALSE(commandEdit->isEnabled());
    EXPECT_FALSE(commandDel->isEnabled());
    commands->setFocus();
    commands->setCurrentIndex(commands->model()->index(1, 0));
    EXPECT_TRUE(commandEdit->isEnabled());
    EXPECT_TRUE(commandDel->isEnabled());
    EXPECT_FALSE(stateEdit->isEnabled());

    AddCommand(QStringLiteral("stop|#|stop|0|влево"));
    EXPECT_EQ(commands->currentIndex().row(), 1);
    WhenShown([this](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Редактирование команды"));
        FillCommand(d, QStringLiteral("q0|1|q0|1"));
    });
    Press(Qt::Key_F4);
    EXPECT_EQ(commands->currentIndex().row(), 1);
    EXPECT_TRUE(commandEdit->isEnabled());
    EXPECT_EQ(Rows(),
              QStringList({"q0|0|q0|1|Вправо", "q0|1|q0|1|Вправо", "q0|#|end|#|На месте", "stop|#|stop|0|Влево"}));

    // Deleting asks first; the row below takes the deleted one's place.
    prompts.Answer(TAnswer::Ok);
    Press(Qt::Key_Delete);
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0], Box(QStringLiteral("Удаление команды"),
                                    QStringLiteral("Вы действительно хотите удалить текущую команду?"), TIcon::Question,
                                    ButtonsOkCancel, TAnswer::Cancel));
    EXPECT_EQ(form->Machine().Commands().size(), 3);
    EXPECT_EQ(commands->currentIndex().row(), 1);
    EXPECT_EQ(Rows()[1], QStringLiteral("q0|#|end|#|На месте"));
}

// The view keys move the focus from every edit, the initial-state chooser included, instead of being taken as
// the edit's own undo, redo or line deletion.
TEST_F(EditingForm, ViewKeysWinOverTheEdits) {
    const struct {
        const char* from;
        QKeyCombination key;
        const char* to;
    } cases[] = {
        {"BegStateComboBox", Qt::CTRL | Qt::Key_Z, "StateListBox"},
        {"BegStateComboBox", Qt::CTRL | Qt::Key_K, "ABCEdit"},
        {"ABCEdit", Qt::CTRL | Qt::Key_Y, "BegStateComboBox"},
        {"WordEdit", Qt::CTRL | Qt::Key_Z, "StateListBox"},
    };
    for (const auto& c : cases) {
        auto* from = Child<QWidget>(c.from);
        from->setFocus();
        const QString before = form->Machine().InitialStateText();
        Press(c.key);
        EXPECT_EQ(QApplication::focusWidget(), Child<QWidget>(c.to)) << c.from << " to " << c.to;
        EXPECT_EQ(form->Machine().InitialStateText(), before) << c.from;
    }
}
