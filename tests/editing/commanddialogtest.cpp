#include "editing/commanddialog.h"

#include "editingsupport.h"

#include <QAccessible>
#include <QComboBox>
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

TEST_F(CommandDialogTest, ListsAndCaptions) {
    machine.SetAlphabetText(QStringLiteral("ba"));
    machine.AddState(QStringLiteral("a5"));
    TCommandDialog dialog(machine, prompts, 1);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Добавление команды"));
    // States and symbols sorted, the blank always offered; the moves in their own order.
    const QStringList lists[] = {{"a5", "q", "q1", "q2"},
                                 {"#", "a", "b"},
                                 {"a5", "q", "q1", "q2"},
                                 {"#", "a", "b"},
                                 {"Влево", "Вправо", "На месте"}};
    // A screen reader names each box by its label.
    const char16_t* labels[] = {u"Исходное состояние", u"Исходный символ", u"Новое состояние", u"Новый символ",
                                u"Перемещение"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Items(Combo(&dialog, FieldNames[i])), lists[i]) << FieldNames[i];
        EXPECT_EQ(Combo(&dialog, FieldNames[i])->currentText(), QString()) << FieldNames[i];
        EXPECT_EQ(QAccessible::queryAccessibleInterface(Combo(&dialog, FieldNames[i]))->text(QAccessible::Name),
                  QString::fromUtf16(labels[i]))
            << FieldNames[i];
    }
    EXPECT_EQ(Button(&dialog, "HelpButton")->text(), QStringLiteral("Помошь"));
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
    const TMessage none;
    struct Case {
        int field; // in FieldNames
        const char* typed;
        TAnswer answer;
        TMessage box;
        bool valid;
        const char* shown; // the field's text afterwards
        const char* alphabet = "ab";
    };
    const Case cases[] = {
        // Lookups ignore letter case and keep what was typed.
        {0, "Q2", TAnswer::Ok, none, true, "Q2"},
        {1, "A", TAnswer::Ok, none, true, "A"},
        {3, "#", TAnswer::Ok, none, true, "#", ""},
        // The source-state question quotes the text as typed, the new-state one trimmed.
        {0, "  q5 ", TAnswer::Ok, ConfirmBox("Состояние '  q5 ' не существует\nХотите его добавить?"), true, "  q5 "},
        {2, "  q5 ", TAnswer::Cancel, ConfirmBox("Состояние 'q5' не существует\nХотите его добавить?"), false, "  q5 "},
        {3, "c", TAnswer::Ok, ConfirmBox("Символ 'c' не существует в алфавите\nХотите его добавить?"), true, "c"},
        {1, " ", TAnswer::Cancel, ConfirmBox("Символ ' ' не существует в алфавите\nХотите его добавить?"), false, " "},
        {0, "", TAnswer::Ok, ErrorBox("Не указано исходное состояние"), false, ""},
        {2, "  ", TAnswer::Ok, ErrorBox("Не указано новое состояние"), false, "  "},
        {1, "", TAnswer::Ok, ErrorBox("Введите исходный символ"), false, ""},
        {3, "", TAnswer::Ok, ErrorBox("Введите новый символ"), false, ""},
        // The move takes the item's spelling.
        {4, "  влево ", TAnswer::Ok, none, true, "Влево"},
        {4, "на МЕСТЕ", TAnswer::Ok, none, true, "На месте"},
        {4, " вверх", TAnswer::Ok, ErrorBox("Указано несуществующее направление"), false, "вверх"},
        {4, "   ", TAnswer::Ok, ErrorBox("Не указано направление перемещения"), false, ""},
    };
    using Check = bool (TCommandDialog::*)();
    const Check checks[] = {&TCommandDialog::ValidateOldState, &TCommandDialog::ValidateOldSymbol,
                            &TCommandDialog::ValidateNewState, &TCommandDialog::ValidateNewSymbol,
                            &TCommandDialog::ValidateMove};
    for (const Case& c : cases) {
        Reset(QString::fromUtf8(c.alphabet));
        TCommandDialog dialog(machine, prompts);
        QComboBox* field = Combo(&dialog, FieldNames[c.field]);
        field->setEditText(QString::fromUtf8(c.typed));
        if (!c.box.text.isEmpty())
            prompts.Answer(c.answer);
        const std::string name = std::string(FieldNames[c.field]) + " '" + c.typed + "'";
        EXPECT_EQ((dialog.*checks[c.field])(), c.valid) << name;
        EXPECT_EQ(prompts.boxes, c.box.text.isEmpty() ? QList<TMessage>{} : QList<TMessage>{c.box}) << name;
        EXPECT_EQ(field->currentText(), QString::fromUtf8(c.shown)) << name;
        // Only a consent adds to the machine, and to both lists of the field's kind.
        const bool added = c.box.caption == u"Confirm" && c.answer == TAnswer::Ok;
        const bool state = c.field % 2 == 0;
        EXPECT_EQ(StateNames().join(u','), QLatin1String(added && state ? "q,q1,q2,q5" : "q,q1,q2")) << name;
        EXPECT_EQ(machine.Alphabet(), QString::fromUtf8(c.alphabet) + (added && !state ? "c" : "")) << name;
        if (added) {
            EXPECT_TRUE(Items(Combo(&dialog, FieldNames[c.field % 2 + 2])).contains(state ? "q5" : "c")) << name;
        }
    }
}

TEST_F(CommandDialogTest, WholeCommandChecksOnOK) {
    const QString row0 = QStringLiteral("q|a|q2|a|Влево"), row1 = QStringLiteral("q1|b|q|a|Вправо");
    const TMessage loop =
        Box(QStringLiteral("Проверка команды"), QStringLiteral("Эта команда приведет к зацикливанию машины"));
    const TMessage similar =
        Box(QStringLiteral("Проверка команды"),
            QStringLiteral("Похожая команда уже существует\nИзмените исходное состояние, или исходный символ"));
    const struct {
        int editRow; // -1 while adding
        const char* fields;
        QList<TMessage> boxes;
        QStringList rows;
        int closed = QDialog::Accepted; // -1 while the dialog stays open
    } cases[] = {
        // Letter case counts in the loop check for the states and symbols, not for the move.
        {-1, "q|b|q|b|на месте", {loop}, {row0, row1}, -1},
        {-1, "q|b|Q|b|На месте", {}, {row0, row1, "q|b|Q|b|На месте"}},
        {-1, "q |b| q|a|На месте", {}, {row0, row1, "q|b|q|a|На месте"}},
        // Same source state and symbol (exactly), whatever the targets.
        {-1, " q|a|q1|b|Вправо", {similar}, {row0, row1}, -1},
        {-1, "Q|a|q1|b|Вправо", {}, {row0, row1, "Q|a|q1|b|Вправо"}},
        // Editing passes over the row being edited, and writes it in place.
        {0, "q|a|q1|b|вправо", {}, {"q|a|q1|b|Вправо", row1}},
        {1, "q|a|q|b|Влево", {similar}, {row0, row1}, -1},
        // An edit that changes nothing closes with Cancel, so the machine stays unmodified (a move typed in
        // another case is the same move); letter case alone in a state name is a change the file must get.
        {0, "q|a|q2|a|Влево", {}, {row0, row1}, QDialog::Rejected},
        {0, " q|a|q2|a|влево", {}, {row0, row1}, QDialog::Rejected},
        {0, " q|a|Q2|a|влево", {}, {"q|a|Q2|a|Влево", row1}},
        // The first refused field ends the check.
        {-1, "|||", {ErrorBox("Не указано исходное состояние")}, {row0, row1}, -1},
    };
    for (const auto& c : cases) {
        Reset();
        TCommandDialog dialog(machine, prompts, c.editRow);
        ASSERT_TRUE(dialog.SetupMode(c.editRow >= 0));
        Fill(&dialog, QString::fromUtf8(c.fields));
        int closed = -1;
        QObject::connect(&dialog, &QDialog::finished, [&](int r) { closed = r; });
        prompts.answers = QList<TAnswer>(c.boxes.size(), TAnswer::Ok);
        dialog.OKButtonClick();
        EXPECT_EQ(prompts.boxes, c.boxes) << c.fields;
        EXPECT_EQ(closed, c.closed) << c.fields;
        EXPECT_EQ(Rows(), c.rows) << c.fields;
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
    EXPECT_EQ(prompts.boxes, QList<TMessage>{ErrorBox("Не указано исходное состояние")});
    EXPECT_TRUE(oldState->hasFocus());

    // A click into another field leaves it too; declining to add the state keeps the focus here.
    Type(QApplication::focusWidget(), QStringLiteral("zz"));
    prompts.Answer(TAnswer::Cancel);
    QTest::mouseClick(Combo(&dialog, "NewABCComboBox")->lineEdit(), Qt::LeftButton);
    EXPECT_EQ(prompts.boxes.last(), ConfirmBox("Состояние 'zz' не существует\nХотите его добавить?"));
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

} // namespace
