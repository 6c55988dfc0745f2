#include "editing/commanddialog.h"

#include "editingsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

QComboBox* Combo(const QWidget* dialog, const char* name) {
    auto* box = dialog->findChild<QComboBox*>(QString::fromLatin1(name));
    EXPECT_NE(box, nullptr) << name;
    return box;
}

QPushButton* Button(const QWidget* dialog, const char* name) {
    return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
}

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

const char* const FieldNames[] = {"OldStateComboBox", "OldABCComboBox", "NewStateComboBox", "NewABCComboBox",
                                  "MoveComboBox"};

// The five fields in their order, "|" between them.
void Fill(const QWidget* dialog, const QString& fields) {
    const QStringList texts = fields.split(u'|');
    for (int i = 0; i < 5; ++i)
        Combo(dialog, FieldNames[i])->setEditText(texts.value(i));
}

QString Row(const TCommandRow& r) {
    return r.sourceState + u'|' + r.sourceSymbol + u'|' + r.newState + u'|' + r.newSymbol + u'|' + r.move;
}

class CommandDialogTest : public EditingTest {
protected:
    CommandDialogTest() { Reset(); }

    // States q, q1, q2; alphabet "ab"; row 0 reads (q, a), row 1 (q1, b).
    void Reset(const QString& alphabet = QStringLiteral("ab")) {
        machine.Clear();
        Define(alphabet, QStringLiteral("a"), QStringLiteral("q"),
               {QStringLiteral("q a q2 a L"), QStringLiteral("q1 b q a R")});
        for (const char* s : {"q1", "q2"})
            machine.AddState(QString::fromLatin1(s));
        prompts.boxes.clear();
        edits = 0;
    }

    QStringList Rows() const {
        QStringList rows;
        for (const TCommandRow& r : machine.Commands())
            rows << Row(r);
        return rows;
    }
};

TEST_F(CommandDialogTest, Controls) {
    machine.SetAlphabetText(QStringLiteral("ba"));
    machine.AddState(QStringLiteral("a5"));
    TCommandDialog dialog(machine, prompts, 1);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Добавление команды"));
    const QStringList states{QStringLiteral("a5"), QStringLiteral("q"), QStringLiteral("q1"), QStringLiteral("q2")};
    const QStringList symbols{QStringLiteral("#"), QStringLiteral("a"), QStringLiteral("b")};
    EXPECT_EQ(Items(Combo(&dialog, "OldStateComboBox")), states);
    EXPECT_EQ(Items(Combo(&dialog, "NewStateComboBox")), states);
    EXPECT_EQ(Items(Combo(&dialog, "OldABCComboBox")), symbols);
    EXPECT_EQ(Items(Combo(&dialog, "NewABCComboBox")), symbols);
    EXPECT_EQ(Items(Combo(&dialog, "MoveComboBox")),
              (QStringList{QStringLiteral("Влево"), QStringLiteral("Вправо"), QStringLiteral("На месте")}));
    const int maxLengths[] = {16, 1, 16, 1};
    for (int i = 0; i < 5; ++i) {
        QComboBox* box = Combo(&dialog, FieldNames[i]);
        EXPECT_TRUE(box->isEditable()) << FieldNames[i];
        EXPECT_EQ(box->currentText(), QString()) << FieldNames[i];
        EXPECT_EQ(box->property("helpContext").toInt(), 1400 + i) << FieldNames[i];
        if (i < 4) {
            EXPECT_EQ(box->lineEdit()->maxLength(), maxLengths[i]) << FieldNames[i];
        }
    }
    const std::pair<const char*, const char*> labels[] = {{"OldStateLabel", "Исходное состояние"},
                                                          {"OldABCLabel", "Исходный символ"},
                                                          {"NewStateLabel", "Новое состояние"},
                                                          {"NewABCLabel", "Новый символ"},
                                                          {"MoveLabel", "Перемещение"}};
    for (const auto& [name, text] : labels)
        EXPECT_EQ(dialog.findChild<QLabel*>(QString::fromLatin1(name))->text(), QString::fromUtf8(text)) << name;
    const std::tuple<const char*, const char*, int> buttons[] = {
        {"OKButton", "ОК", 1410}, {"CancelButton", "Отмена", 1411}, {"HelpButton", "Помошь", 1412}};
    for (const auto& [name, text, context] : buttons) {
        ASSERT_NE(Button(&dialog, name), nullptr) << name;
        EXPECT_EQ(Button(&dialog, name)->text(), QString::fromUtf8(text)) << name;
        EXPECT_EQ(Button(&dialog, name)->property("helpContext").toInt(), context) << name;
    }
    QList<int> contexts;
    QObject::connect(&dialog, &TCommandDialog::helpRequested, [&](int c) { contexts << c; });
    Button(&dialog, "HelpButton")->click();
    EXPECT_EQ(contexts, QList<int>{2004});

    ASSERT_TRUE(dialog.SetupMode(true));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Редактирование команды"));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Combo(&dialog, FieldNames[i])->currentText(), Rows()[1].split(u'|')[i]) << FieldNames[i];

    TCommandDialog missing(machine, prompts, 2);
    prompts.Answer(TAnswer::Ok);
    EXPECT_FALSE(missing.SetupMode(true));
    EXPECT_EQ(prompts.boxes.last(),
              Box(QStringLiteral("Редактирование команды"), QStringLiteral("Не могу найти редактируемую команду")));
}

TEST_F(CommandDialogTest, FieldChecks) {
    using Check = bool (TCommandDialog::*)();
    struct Case {
        const char* field;
        Check check;
        QString typed;
        QList<TAnswer> answers;
        QList<TMessage> boxes;
        bool valid;
        QString shown; // the field's text afterwards
        QString alphabet = QStringLiteral("ab");
    };
    const QString states = QStringLiteral("q,q1,q2");
    const Case cases[] = {
        // A lookup ignores letter case and keeps what was typed.
        {"OldStateComboBox",
         &TCommandDialog::ValidateOldState,
         QStringLiteral("Q2"),
         {},
         {},
         true,
         QStringLiteral("Q2")},
        // The source-state question quotes the text as typed, the new-state one trimmed.
        {"OldStateComboBox",
         &TCommandDialog::ValidateOldState,
         QStringLiteral("  q5 "),
         {TAnswer::Ok},
         {ConfirmBox(QStringLiteral("Состояние '  q5 ' не существует\nХотите его добавить?"))},
         true,
         QStringLiteral("  q5 ")},
        {"NewStateComboBox",
         &TCommandDialog::ValidateNewState,
         QStringLiteral("  q5 "),
         {TAnswer::Cancel},
         {ConfirmBox(QStringLiteral("Состояние 'q5' не существует\nХотите его добавить?"))},
         false,
         QStringLiteral("  q5 ")},
        {"OldStateComboBox",
         &TCommandDialog::ValidateOldState,
         QString(),
         {TAnswer::Ok},
         {ErrorBox(QStringLiteral("Не указано исходное состояние"))},
         false,
         QString()},
        {"NewStateComboBox",
         &TCommandDialog::ValidateNewState,
         QStringLiteral("  "),
         {TAnswer::Ok},
         {ErrorBox(QStringLiteral("Не указано новое состояние"))},
         false,
         QStringLiteral("  ")},
        // The alphabet holds a: A passes without a question.
        {"OldABCComboBox", &TCommandDialog::ValidateOldSymbol, QStringLiteral("A"), {}, {}, true, QStringLiteral("A")},
        {"NewABCComboBox",
         &TCommandDialog::ValidateNewSymbol,
         QStringLiteral("#"),
         {},
         {},
         true,
         QStringLiteral("#"),
         QString()},
        {"NewABCComboBox",
         &TCommandDialog::ValidateNewSymbol,
         QStringLiteral("c"),
         {TAnswer::Ok},
         {ConfirmBox(QStringLiteral("Символ 'c' не существует в алфавите\nХотите его добавить?"))},
         true,
         QStringLiteral("c")},
        {"OldABCComboBox",
         &TCommandDialog::ValidateOldSymbol,
         QStringLiteral(" "),
         {TAnswer::Cancel},
         {ConfirmBox(QStringLiteral("Символ ' ' не существует в алфавите\nХотите его добавить?"))},
         false,
         QStringLiteral(" ")},
        {"OldABCComboBox",
         &TCommandDialog::ValidateOldSymbol,
         QString(),
         {TAnswer::Ok},
         {ErrorBox(QStringLiteral("Введите исходный символ"))},
         false,
         QString()},
        {"NewABCComboBox",
         &TCommandDialog::ValidateNewSymbol,
         QString(),
         {TAnswer::Ok},
         {ErrorBox(QStringLiteral("Введите новый символ"))},
         false,
         QString()},
        // The move takes the item's spelling.
        {"MoveComboBox",
         &TCommandDialog::ValidateMove,
         QStringLiteral("  влево "),
         {},
         {},
         true,
         QStringLiteral("Влево")},
        {"MoveComboBox",
         &TCommandDialog::ValidateMove,
         QStringLiteral("на МЕСТЕ"),
         {},
         {},
         true,
         QStringLiteral("На месте")},
        {"MoveComboBox",
         &TCommandDialog::ValidateMove,
         QStringLiteral(" вверх"),
         {TAnswer::Ok},
         {ErrorBox(QStringLiteral("Указано несуществующее направление"))},
         false,
         QStringLiteral("вверх")},
        {"MoveComboBox",
         &TCommandDialog::ValidateMove,
         QStringLiteral("   "),
         {TAnswer::Ok},
         {ErrorBox(QStringLiteral("Не указано направление перемещения"))},
         false,
         QString()},
    };
    for (const Case& c : cases) {
        Reset(c.alphabet);
        TCommandDialog dialog(machine, prompts);
        QComboBox* field = Combo(&dialog, c.field);
        field->setEditText(c.typed);
        prompts.answers = c.answers;
        const std::string name = std::string(c.field) + " '" + c.typed.toStdString() + "'";
        EXPECT_EQ((dialog.*c.check)(), c.valid) << name;
        EXPECT_EQ(prompts.boxes, c.boxes) << name;
        EXPECT_EQ(field->currentText(), c.shown) << name;
        // Only a consent adds to the machine, and to both lists of its kind.
        const bool added = c.answers.value(0) == TAnswer::Ok && c.boxes.value(0).caption == u"Confirm";
        const bool isState = QByteArray(c.field).contains("State");
        EXPECT_EQ(StateNames().join(u','), added && isState ? states + QStringLiteral(",q5") : states) << name;
        EXPECT_EQ(machine.Alphabet(), added && !isState ? c.alphabet + u'c' : c.alphabet) << name;
        if (added) {
            const char* pair = isState ? "NewStateComboBox" : "NewABCComboBox";
            const QString item = isState ? QStringLiteral("q5") : QStringLiteral("c");
            EXPECT_TRUE(Items(Combo(&dialog, c.field)).contains(item)) << name;
            EXPECT_TRUE(Items(Combo(&dialog, pair)).contains(item)) << name;
        }
    }
}

TEST_F(CommandDialogTest, WholeCommandChecksOnOK) {
    const QString rows0 = QStringLiteral("q|a|q2|a|Влево");
    const QString rows1 = QStringLiteral("q1|b|q|a|Вправо");
    struct Case {
        int editRow; // -1 while adding
        QString fields;
        QList<TMessage> boxes;
        QStringList rows;
    };
    const TMessage loop =
        Box(QStringLiteral("Проверка команды"), QStringLiteral("Эта команда приведет к зацикливанию машины"));
    const TMessage similar =
        Box(QStringLiteral("Проверка команды"),
            QStringLiteral("Похожая команда уже существует\nИзмените исходное состояние, или исходный символ"));
    const Case cases[] = {
        // Letter case counts in the loop check for the states and symbols, not for the move.
        {-1, QStringLiteral("q|b|q|b|на месте"), {loop}, {rows0, rows1}},
        {-1, QStringLiteral("q|b|Q|b|На месте"), {}, {rows0, rows1, QStringLiteral("q|b|Q|b|На месте")}},
        {-1, QStringLiteral("q |b| q|a|На месте"), {}, {rows0, rows1, QStringLiteral("q|b|q|a|На месте")}},
        // Same source state and symbol, whatever the targets.
        {-1, QStringLiteral(" q|a|q1|b|Вправо"), {similar}, {rows0, rows1}},
        {-1, QStringLiteral("Q|a|q1|b|Вправо"), {}, {rows0, rows1, QStringLiteral("Q|a|q1|b|Вправо")}},
        // Editing passes over the row being edited, and writes it in place.
        {0, QStringLiteral("q|a|q1|b|вправо"), {}, {QStringLiteral("q|a|q1|b|Вправо"), rows1}},
        {1, QStringLiteral("q|a|q|b|Влево"), {similar}, {rows0, rows1}},
        // The first refused field ends the check.
        {-1, QStringLiteral("|||"), {ErrorBox(QStringLiteral("Не указано исходное состояние"))}, {rows0, rows1}},
    };
    for (const Case& c : cases) {
        Reset();
        TCommandDialog dialog(machine, prompts, c.editRow);
        ASSERT_TRUE(dialog.SetupMode(c.editRow >= 0));
        Fill(&dialog, c.fields);
        int closed = -1;
        QObject::connect(&dialog, &QDialog::finished, [&](int r) { closed = r; });
        for (qsizetype i = 0; i < c.boxes.size(); ++i)
            prompts.Answer(TAnswer::Ok);
        dialog.OKButtonClick();
        EXPECT_EQ(prompts.boxes, c.boxes) << c.fields.toStdString();
        EXPECT_EQ(closed, c.boxes.isEmpty() ? QDialog::Accepted : -1) << c.fields.toStdString();
        EXPECT_EQ(Rows(), c.rows) << c.fields.toStdString();
    }
}

TEST_F(CommandDialogTest, EditWithoutAChangeLeavesTheMachineUnmodified) {
    const struct {
        QString fields;
        bool changed;
        QString row;
    } cases[] = {
        {QString(), false, QStringLiteral("q|a|q2|a|Влево")},
        // Letter case alone in a state name is written, yet counts as no change.
        {QStringLiteral(" q|a|Q2|a|влево"), false, QStringLiteral("q|a|Q2|a|Влево")},
        {QStringLiteral("q|a|q2|a|Вправо"), true, QStringLiteral("q|a|q2|a|Вправо")},
    };
    for (const auto& c : cases) {
        Reset();
        WhenShown([&](QDialog* dialog) {
            if (!c.fields.isEmpty())
                Fill(dialog, c.fields);
            Button(dialog, "OKButton")->click();
        });
        EXPECT_EQ(ExecuteCommandEdit(nullptr, machine, prompts, 0), c.changed) << c.row.toStdString();
        EXPECT_EQ(edits, c.changed ? 1 : 0) << c.row.toStdString();
        EXPECT_EQ(Rows().value(0), c.row);
        EXPECT_EQ(machine.Commands().size(), 2);
    }
}

TEST_F(CommandDialogTest, AddByKeyboard) {
    WhenShown([](QDialog*) {
        for (const char* text : {"q1", "a", "q2", "b", "вправо"}) {
            Type(QApplication::focusWidget(), QString::fromUtf8(text));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        // From OK back to the move field: nothing was checked on the way to OK.
        EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("OKButton"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    EXPECT_TRUE(ExecuteCommandAdd(nullptr, machine, prompts));
    EXPECT_EQ(Rows().value(2), QStringLiteral("q1|a|q2|b|Вправо"));
    EXPECT_EQ(machine.Commands().value(2).mark & MarkError, 0);
    EXPECT_EQ(edits, 1);
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

TEST_F(CommandDialogTest, LeavingAField) {
    TCommandDialog dialog(machine, prompts);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QComboBox* oldState = Combo(&dialog, "OldStateComboBox");
    QComboBox* move = Combo(&dialog, "MoveComboBox");
    ASSERT_TRUE(oldState->hasFocus());

    // Tab out of an empty field: refused, and the focus comes back.
    prompts.Answer(TAnswer::Ok);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(prompts.boxes, QList<TMessage>{ErrorBox(QStringLiteral("Не указано исходное состояние"))});
    EXPECT_TRUE(oldState->hasFocus());

    // A click into another field leaves it too; declining to add the state keeps the focus here.
    Type(QApplication::focusWidget(), QStringLiteral("zz"));
    prompts.Answer(TAnswer::Cancel);
    QTest::mouseClick(Combo(&dialog, "NewABCComboBox")->lineEdit(), Qt::LeftButton);
    EXPECT_EQ(prompts.boxes.last(), ConfirmBox(QStringLiteral("Состояние 'zz' не существует\nХотите его добавить?")));
    EXPECT_TRUE(oldState->hasFocus());
    EXPECT_EQ(StateNames().size(), 3);

    // Shift+Tab from the move field checks it and writes the item's spelling.
    oldState->setEditText(QStringLiteral("q"));
    move->setFocus();
    Type(QApplication::focusWidget(), QStringLiteral("на месте"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(move->currentText(), QStringLiteral("На месте"));
    EXPECT_TRUE(Combo(&dialog, "NewABCComboBox")->hasFocus());

    // Clicking Cancel from an empty field shows nothing.
    const qsizetype shown = prompts.boxes.size();
    int closed = -1;
    QObject::connect(&dialog, &QDialog::finished, [&](int r) { closed = r; });
    QTest::mouseClick(Button(&dialog, "CancelButton"), Qt::LeftButton);
    EXPECT_EQ(prompts.boxes.size(), shown);
    EXPECT_EQ(closed, QDialog::Rejected);
}

TEST_F(CommandDialogTest, AdditionsByConsentSurviveCancel) {
    WhenShown([](QDialog* dialog) {
        Type(QApplication::focusWidget(), QStringLiteral("q9"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        Type(QApplication::focusWidget(), QStringLiteral("c"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::mouseClick(Button(dialog, "CancelButton"), Qt::LeftButton);
    });
    prompts.answers = {TAnswer::Ok, TAnswer::Ok};
    EXPECT_FALSE(ExecuteCommandAdd(nullptr, machine, prompts));
    EXPECT_EQ(prompts.boxes.size(), 2);
    EXPECT_EQ(StateNames().last(), QStringLiteral("q9"));
    EXPECT_EQ(machine.Alphabet(), QStringLiteral("abc"));
    EXPECT_EQ(machine.Commands().size(), 2);
    // The symbol marked the machine modified as it joined the alphabet; the state did not.
    EXPECT_EQ(edits, 1);
}

TEST_F(CommandDialogTest, Delete) {
    // Row 2 duplicates row 0's source: both are marked until one goes.
    ASSERT_TRUE(machine.AddCommand(QStringLiteral("q"), QStringLiteral("a"), QStringLiteral("q1"), QStringLiteral("b"),
                                   MoveRightText));
    ASSERT_TRUE(Faulty(0));
    const struct {
        bool delCommand;
        TAnswer answer;
    } cases[] = {{true, TAnswer::Cancel}, {true, TAnswer::Ok}, {false, TAnswer::Ok}};
    for (const auto& c : cases) {
        settings.DelCommand = c.delCommand;
        prompts.boxes.clear();
        edits = 0;
        if (c.delCommand)
            prompts.Answer(c.answer);
        const qsizetype before = machine.Commands().size();
        const bool deleted = c.answer == TAnswer::Ok;
        EXPECT_EQ(ExecuteCommandDel(machine, prompts, int(before) - 1), deleted);
        const QList<TMessage> question{Box(QStringLiteral("Удаление команды"),
                                           QStringLiteral("Вы действительно хотите удалить текущую команду?"),
                                           TIcon::Question, ButtonsOkCancel, TAnswer::Cancel)};
        EXPECT_EQ(prompts.boxes, c.delCommand ? question : QList<TMessage>{});
        EXPECT_EQ(machine.Commands().size(), deleted ? before - 1 : before);
        EXPECT_EQ(edits, deleted ? 1 : 0);
    }
    EXPECT_EQ(Rows(), QStringList{QStringLiteral("q|a|q2|a|Влево")});
    EXPECT_FALSE(Faulty(0));
    EXPECT_EQ(machine.FindCommand(QStringLiteral("q1"), QStringLiteral("b")), -1);
}

TEST(CommandEditing, Enabling) {
    EXPECT_TRUE(CommandAddEnabled(Ready, true));
    EXPECT_FALSE(CommandAddEnabled(Running, true));
    EXPECT_FALSE(CommandAddEnabled(Ready, false));
    EXPECT_TRUE(CommandEditEnabled(Ready, true, 3, 2));
    EXPECT_FALSE(CommandEditEnabled(Ready, true, 3, -1));
    EXPECT_FALSE(CommandEditEnabled(Paused, true, 3, 0));
    EXPECT_FALSE(CommandEditEnabled(Ready, true, 0, 0));
}

} // namespace
