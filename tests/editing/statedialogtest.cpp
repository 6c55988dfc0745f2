#include "editing/statedialog.h"

#include "editingsupport.h"

#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>

namespace {

QLineEdit* NameEdit(const QWidget* dialog) {
    return dialog->findChild<QLineEdit*>(QStringLiteral("StateEdit"));
}

class StateDialogTest : public EditingTest {
protected:
    StateDialogTest() { Reset(); }

    // States q1 (the initial one) and q0, each named by a command.
    void Reset() {
        machine.Clear();
        Define(QStringLiteral("ab"), QStringLiteral("ab"), QStringLiteral("q1"),
               {QStringLiteral("q1 a q0 b R"), QStringLiteral("q0 b q1 a L")});
        machine.AddState(QStringLiteral("q0"));
        prompts.boxes.clear();
        edits = 0;
    }
};

TEST_F(StateDialogTest, NameChecksOnOK) {
    const struct {
        bool edit; // renaming q1
        const char* typed;
        int closed; // -1 while the dialog stays open
        const char* message;
    } cases[] = {
        {false, "Q1", -1, "Это состояние уже существует"},
        {false, " \t ", -1, "Пустое состояние"},
        {false, " q2 ", QDialog::Accepted, ""},
        // A rename in letter case alone does nothing.
        {true, "Q1 ", QDialog::Rejected, ""},
        {true, "Q0", -1, "Это состояние уже существует"},
        {true, "", -1, "Пустое состояние"},
        {true, "q2", QDialog::Accepted, ""},
    };
    for (const auto& c : cases) {
        prompts.boxes.clear();
        TStateDialog dialog(machine, prompts, 0);
        ASSERT_TRUE(dialog.SetupMode(c.edit));
        const QString caption =
            c.edit ? QStringLiteral("Редактирование состояния") : QStringLiteral("Добавление состояния");
        EXPECT_EQ(dialog.windowTitle(), caption);
        EXPECT_EQ(NameEdit(&dialog)->text(), c.edit ? QStringLiteral("q1") : QString());
        NameEdit(&dialog)->setText(QString::fromUtf8(c.typed));
        int closed = -1;
        QObject::connect(&dialog, &QDialog::finished, [&](int r) { closed = r; });
        prompts.Answer(TAnswer::Ok);
        dialog.OKButtonClick();
        prompts.answers.clear();
        EXPECT_EQ(closed, c.closed) << c.typed;
        const QList<TMessage> boxes{Box(caption, QString::fromUtf8(c.message))};
        EXPECT_EQ(prompts.boxes, *c.message ? boxes : QList<TMessage>{}) << c.typed;
    }
    EXPECT_EQ(StateNames(), (QStringList{"q1", "q0"}));
}

TEST_F(StateDialogTest, AddByKeyboard) {
    WhenShown([](QDialog* dialog) {
        EXPECT_EQ(NameEdit(dialog)->maxLength(), 16);
        // A character the machine files cannot hold is refused with the asterisk sound.
        Type(QApplication::focusWidget(), QStringLiteral("  q✓7 "));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    EXPECT_TRUE(ExecuteStateAdd(nullptr, machine, prompts));
    EXPECT_EQ(StateNames(), (QStringList{"q1", "q0", "q7"}));
    EXPECT_EQ(prompts.asterisks, 1);
    EXPECT_EQ(edits, 1);

    WhenShown([](QDialog*) {
        Type(QApplication::focusWidget(), QStringLiteral("q8"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    });
    EXPECT_FALSE(ExecuteStateAdd(nullptr, machine, prompts));
    EXPECT_EQ(machine.States().size(), 3);
    EXPECT_EQ(edits, 1);
}

TEST_F(StateDialogTest, RenamingTheInitialState) {
    machine.SelectState(0);
    QList<int> contexts;
    WhenShown([](QDialog* dialog) {
        dialog->findChild<QPushButton*>(QStringLiteral("HelpButton"))->click();
        NameEdit(dialog)->setText(QStringLiteral("  q2 "));
        dialog->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    });
    EXPECT_TRUE(ExecuteStateEdit(nullptr, machine, prompts, 0, [&](int c) { contexts << c; }));
    EXPECT_EQ(contexts, QList<int>{2006});
    EXPECT_EQ(StateNames(), (QStringList{"q2", "q0"}));
    EXPECT_EQ(machine.GetInitialState(), QStringLiteral("q2"));
    EXPECT_EQ(machine.SelectedState(), 0);
    EXPECT_EQ(edits, 1);
    // The commands keep the old name, and the marks show they lost their state.
    EXPECT_EQ(machine.Commands()[0].sourceState, QStringLiteral("q1"));
    EXPECT_TRUE(Faulty(0));
    EXPECT_TRUE(Faulty(1));

    // Renaming another state leaves the initial state alone.
    WhenShown([](QDialog* dialog) {
        NameEdit(dialog)->setText(QStringLiteral("q1"));
        dialog->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    });
    EXPECT_TRUE(ExecuteStateEdit(nullptr, machine, prompts, 1));
    EXPECT_EQ(StateNames(), (QStringList{"q2", "q1"}));
    EXPECT_EQ(machine.GetInitialState(), QStringLiteral("q2"));
}

TEST_F(StateDialogTest, Delete) {
    const struct {
        bool delState;
        TAnswer answer;
        int index;
        QStringList left;
        const char* initial;
    } cases[] = {
        {true, TAnswer::Cancel, 0, {"q1", "q0"}, "q1"},
        {true, TAnswer::Ok, 1, {"q1"}, "q1"},
        // Deleting the initial state empties it.
        {false, TAnswer::Ok, 0, {"q0"}, ""},
    };
    for (const auto& c : cases) {
        Reset();
        machine.SelectState(c.index);
        settings.DelState = c.delState;
        if (c.delState)
            prompts.Answer(c.answer);
        const bool changed = c.answer == TAnswer::Ok;
        EXPECT_EQ(ExecuteStateDel(machine, prompts, c.index), changed);
        const QList<TMessage> question{Box(QStringLiteral("Удаление состояния"),
                                           QStringLiteral("Вы действительно хотите удалить текущее состояние?"),
                                           TIcon::Question, ButtonsOkCancel, TAnswer::Cancel)};
        EXPECT_EQ(prompts.boxes, c.delState ? question : QList<TMessage>{});
        EXPECT_EQ(StateNames(), c.left);
        EXPECT_EQ(machine.GetInitialState(), QString::fromUtf8(c.initial));
        EXPECT_EQ(edits, changed ? 1 : 0);
        // The commands stay; those naming the deleted state are marked.
        ASSERT_EQ(machine.Commands().size(), 2);
        EXPECT_EQ(Faulty(0), changed);
        EXPECT_EQ(machine.SelectedState(), changed ? -1 : c.index);
    }
}

TEST(StateEditing, MouseDownSelectsAndFocuses) {
    QWidget window;
    auto* other = new QLineEdit(&window);
    auto* list = new QListView(&window);
    list->move(0, 40);
    QStringListModel model({"q0", "q1", "q2"});
    list->setModel(&model);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    StateListMouseDown(list, list->visualRect(model.index(1)).center());
    EXPECT_TRUE(list->hasFocus());
    EXPECT_EQ(list->currentIndex().row(), 1);
    EXPECT_TRUE(list->selectionModel()->isSelected(model.index(1)));
    // Below the last item the selection stays.
    StateListMouseDown(list, QPoint(5, list->viewport()->height() - 2));
    EXPECT_EQ(list->currentIndex().row(), 1);
}

} // namespace
