#include "editing/statedialog.h"

#include "editingsupport.h"

#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>
#include <QTest>

namespace {

class StateDialogTest : public EditingTest {
protected:
    StateDialogTest() {
        Define(QStringLiteral("ab"), QStringLiteral("ab"), QStringLiteral("q1"),
               {QStringLiteral("q1 a q0 b R"), QStringLiteral("q0 b q1 a L")});
        machine.AddState(QStringLiteral("q0"));
        edits = 0;
    }
};

TEST_F(StateDialogTest, Controls) {
    TStateDialog dialog(machine, prompts);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Добавление состояния"));
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("StateEdit"));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->maxLength(), 16);
    EXPECT_EQ(edit->property("helpContext").toInt(), 1300);
    const std::tuple<const char*, const char*, int> buttons[] = {
        {"OKButton", "ОК", 1310}, {"CancelButton", "Отмена", 1311}, {"HelpButton", "Помощь", 1312}};
    for (const auto& [name, text, context] : buttons) {
        auto* button = dialog.findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->text(), QString::fromUtf8(text)) << name;
        EXPECT_EQ(button->property("helpContext").toInt(), context) << name;
    }
    EXPECT_TRUE(dialog.findChild<QPushButton*>(QStringLiteral("OKButton"))->isDefault());
    QList<int> contexts;
    QObject::connect(&dialog, &TStateDialog::helpRequested, [&](int c) { contexts << c; });
    dialog.findChild<QPushButton*>(QStringLiteral("HelpButton"))->click();
    EXPECT_EQ(contexts, QList<int>{2006});

    // A character the machine files cannot hold is refused with the asterisk sound.
    edit->setFocus();
    Type(edit, QStringLiteral("q✓1"));
    EXPECT_EQ(edit->text(), QStringLiteral("q1"));
    EXPECT_EQ(prompts.asterisks, 1);
}

TEST_F(StateDialogTest, NameChecksOnOK) {
    struct Case {
        bool edit;
        QString typed;
        int closed; // QDialog::Accepted, QDialog::Rejected, or -1 while open
        QString message;
    };
    const Case cases[] = {
        {false, QStringLiteral("Q1"), -1, QStringLiteral("Это состояние уже существует")},
        {false, QStringLiteral(" \t "), -1, QStringLiteral("Пустое состояние")},
        {false, QStringLiteral(" q2 "), QDialog::Accepted, QString()},
        // Renaming q1 (the selected state).
        {true, QStringLiteral("Q1 "), QDialog::Rejected, QString()},
        {true, QStringLiteral("Q0"), -1, QStringLiteral("Это состояние уже существует")},
        {true, QString(), -1, QStringLiteral("Пустое состояние")},
        {true, QStringLiteral("q2"), QDialog::Accepted, QString()},
    };
    for (const Case& c : cases) {
        prompts.boxes.clear();
        TStateDialog dialog(machine, prompts, 0);
        ASSERT_TRUE(dialog.SetupMode(c.edit));
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("StateEdit"));
        if (c.edit) {
            EXPECT_EQ(edit->text(), QStringLiteral("q1"));
        }
        edit->setText(c.typed);
        int closed = -1;
        QObject::connect(&dialog, &QDialog::finished, [&](int r) { closed = r; });
        if (!c.message.isEmpty())
            prompts.Answer(TAnswer::Ok);
        dialog.OKButtonClick();
        EXPECT_EQ(closed, c.closed) << c.typed.toStdString();
        const QString caption =
            c.edit ? QStringLiteral("Редактирование состояния") : QStringLiteral("Добавление состояния");
        EXPECT_EQ(prompts.boxes, c.message.isEmpty() ? QList<TMessage>{} : QList<TMessage>{Box(caption, c.message)})
            << c.typed.toStdString();
    }
    EXPECT_EQ(StateNames(), (QStringList{QStringLiteral("q1"), QStringLiteral("q0")}));
}

TEST_F(StateDialogTest, AddByKeyboard) {
    WhenShown([](QDialog*) {
        Type(QApplication::focusWidget(), QStringLiteral("  q7 "));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    EXPECT_TRUE(ExecuteStateAdd(nullptr, machine, prompts));
    EXPECT_EQ(StateNames(), (QStringList{QStringLiteral("q1"), QStringLiteral("q0"), QStringLiteral("q7")}));
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
    WhenShown([](QDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Редактирование состояния"));
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("StateEdit"));
        edit->setText(QStringLiteral("  q2 "));
        dialog->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    });
    EXPECT_TRUE(ExecuteStateEdit(nullptr, machine, prompts, 0));
    EXPECT_EQ(StateNames(), (QStringList{QStringLiteral("q2"), QStringLiteral("q0")}));
    EXPECT_EQ(machine.GetInitialState(), QStringLiteral("q2"));
    EXPECT_EQ(machine.SelectedState(), 0);
    EXPECT_EQ(edits, 1);
    // The commands keep the old name, and the marks show they lost their state.
    EXPECT_EQ(machine.Commands()[0].sourceState, QStringLiteral("q1"));
    EXPECT_TRUE(Faulty(0));
    EXPECT_TRUE(Faulty(1));

    // Renaming another state leaves the initial state alone.
    WhenShown([](QDialog* dialog) {
        dialog->findChild<QLineEdit*>(QStringLiteral("StateEdit"))->setText(QStringLiteral("q1"));
        dialog->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    });
    EXPECT_TRUE(ExecuteStateEdit(nullptr, machine, prompts, 1));
    EXPECT_EQ(StateNames(), (QStringList{QStringLiteral("q2"), QStringLiteral("q1")}));
    EXPECT_EQ(machine.GetInitialState(), QStringLiteral("q2"));
    EXPECT_EQ(edits, 2);
}

TEST_F(StateDialogTest, RenameOfAMissingState) {
    prompts.Answer(TAnswer::Ok);
    EXPECT_FALSE(ExecuteStateEdit(nullptr, machine, prompts, 5));
    EXPECT_EQ(prompts.boxes, QList<TMessage>{Box(QStringLiteral("Редактирование состояния"),
                                                 QStringLiteral("Не могу найти редактируемое состояние"))});
}

TEST_F(StateDialogTest, Delete) {
    struct Case {
        bool delState;
        TAnswer answer;
        int index;
        QStringList left;
        QString initial;
    };
    const Case cases[] = {
        {true, TAnswer::Cancel, 0, {QStringLiteral("q1"), QStringLiteral("q0")}, QStringLiteral("q1")},
        {true, TAnswer::Ok, 1, {QStringLiteral("q1")}, QStringLiteral("q1")},
        {false, TAnswer::Ok, 0, {QStringLiteral("q0")}, QString()},
    };
    for (const Case& c : cases) {
        machine.Clear();
        Define(QStringLiteral("ab"), QStringLiteral("ab"), QStringLiteral("q1"),
               {QStringLiteral("q1 a q0 b R"), QStringLiteral("q0 b q1 a L")});
        machine.AddState(QStringLiteral("q0"));
        machine.SelectState(c.index);
        settings.DelState = c.delState;
        prompts.boxes.clear();
        edits = 0;
        if (c.delState)
            prompts.Answer(c.answer);
        const bool changed = c.answer == TAnswer::Ok;
        EXPECT_EQ(ExecuteStateDel(machine, prompts, c.index), changed);
        const QList<TMessage> question{Box(QStringLiteral("Удаление состояния"),
                                           QStringLiteral("Вы действительно хотите удалить текущее состояние?"),
                                           TIcon::Question, ButtonsOkCancel, TAnswer::Cancel)};
        EXPECT_EQ(prompts.boxes, c.delState ? question : QList<TMessage>{});
        EXPECT_EQ(StateNames(), c.left);
        EXPECT_EQ(machine.GetInitialState(), c.initial);
        EXPECT_EQ(edits, changed ? 1 : 0);
        // The commands stay; those naming the deleted state are marked.
        ASSERT_EQ(machine.Commands().size(), 2);
        EXPECT_EQ(Faulty(0), changed);
        EXPECT_EQ(machine.SelectedState(), changed ? -1 : c.index);
    }
}

TEST(StateEditing, Enabling) {
    EXPECT_TRUE(StateAddEnabled(Ready, true));
    EXPECT_FALSE(StateAddEnabled(Ready, false));
    EXPECT_FALSE(StateAddEnabled(Paused, true));
    EXPECT_TRUE(StateEditEnabled(Ready, true, 2, true, 1));
    // Only while the user works in the state list.
    EXPECT_FALSE(StateEditEnabled(Ready, true, 2, false, 1));
    EXPECT_FALSE(StateEditEnabled(Ready, true, 2, true, -1));
    EXPECT_FALSE(StateEditEnabled(Running, true, 2, true, 1));
    EXPECT_FALSE(StateEditEnabled(Ready, false, 2, true, 1));
}

TEST(StateEditing, RightClickSelectsAndFocuses) {
    QWidget window;
    auto* other = new QLineEdit(&window);
    auto* list = new QListView(&window);
    list->move(0, 40);
    QStringListModel model({QStringLiteral("q0"), QStringLiteral("q1"), QStringLiteral("q2")});
    list->setModel(&model);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    const QPoint second = list->visualRect(model.index(1)).center();
    StateListMouseDown(list, second);
    EXPECT_TRUE(list->hasFocus());
    EXPECT_EQ(list->currentIndex().row(), 1);
    EXPECT_TRUE(list->selectionModel()->isSelected(model.index(1)));
    // Below the last item nothing changes.
    StateListMouseDown(list, QPoint(5, list->viewport()->height() - 2));
    EXPECT_EQ(list->currentIndex().row(), 1);
}

} // namespace
