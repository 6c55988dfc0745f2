#include "breakpoints/breakpointdialog.h"

#include "breakpointfixture.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace {

TMessage Error(const QString& caption, const QString& text) {
    return TMessage{caption, text, TIcon::Stop, ButtonsOk, TAnswer::Ok, false};
}

class BreakPointDialogTest : public BreakPointFixture {
protected:
    TBreakPointDialog& Open(int editIndex = -1) {
        dialog = std::make_unique<TBreakPointDialog>(list, machine, prompts);
        dialog->SetEditIndex(editIndex);
        return *dialog;
    }
    template <class W>
    W* Child(const char* name) const {
        auto* w = dialog->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QComboBox* State() const { return Child<QComboBox>("StateComboBox"); }
    QComboBox* Symbol() const { return Child<QComboBox>("ABCComboBox"); }
    QLineEdit* Pass() const { return Child<QLineEdit>("PassEdit"); }
    QCheckBox* Enable() const { return Child<QCheckBox>("EnableCheckBox"); }

    // Fills the fields and presses OK; returns the dialog's result (Accepted, Rejected, or -1 when it stays open).
    int Ok(const QString& state, const QString& symbol, const QString& passes, bool enabled) {
        State()->setEditText(state);
        Symbol()->setEditText(symbol);
        Pass()->setText(passes);
        Enable()->setChecked(enabled);
        return Ok();
    }
    int Ok() {
        dialog->setResult(-1);
        dialog->OKButtonClick();
        return dialog->result();
    }

    std::unique_ptr<TBreakPointDialog> dialog;
};

TEST_F(BreakPointDialogTest, AddingStartsEmptyAndOffersTheMachinesChoices) {
    TBreakPointDialog& d = Open();
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Добавление контрольной точки"));
    QStringList seen{State()->currentText(), Symbol()->currentText(), Pass()->text()};
    for (QComboBox* box : {State(), Symbol()})
        for (int i = 0; i < box->count(); ++i)
            seen << box->itemText(i);
    for (const char* name :
         {"StateLabel", "ABCLabel", "PassLabel", "EnableCheckBox", "OKButton", "CancelButton", "HelpButton"})
        seen << Child<QWidget>(name)->property("text").toString();
    EXPECT_EQ(seen.join(u'|'),
              QStringLiteral("||0|q1|q2|a|b|#|Состояние|Символ|Кол-во проходов|Активность|ОК|Отмена|Помощь"));
    EXPECT_FALSE(Enable()->isChecked());
    QSignalSpy help(&d, &TBreakPointDialog::helpRequested);
    Child<QPushButton>("HelpButton")->click();
    EXPECT_EQ(help.value(0).value(0).toInt(), 2003);
}

TEST_F(BreakPointDialogTest, AddsWhatTheFieldsSay) {
    Open();
    // A state is looked up without regard to case and stored as typed; the breakpoint is off unless ticked.
    EXPECT_EQ(Ok(QStringLiteral(" Q1 "), QString(), QStringLiteral("2"), false), QDialog::Accepted);
    Open();
    EXPECT_EQ(Ok(QString(), QString(), QStringLiteral("0"), true), QDialog::Accepted);
    // So is a symbol.
    Open();
    EXPECT_EQ(Ok(QStringLiteral("q2"), QStringLiteral("A"), QStringLiteral("0"), true), QDialog::Accepted);
    EXPECT_EQ(Points(),
              (QStringList{QStringLiteral("Q1  2 off"), QStringLiteral("  0 on"), QStringLiteral("q2 A 0 on")}));
    EXPECT_TRUE(prompts.boxes.isEmpty());
    // The state q1 carries a breakpoint now (found without regard to case): its mark shows it.
    EXPECT_EQ(machine.States()[0].mark & MarkBreakInactive, MarkBreakInactive);
    // The empty breakpoint stops at every step.
    EXPECT_NE(list.BreakHit(QStringLiteral("q2"), QStringLiteral("#")), 0);
}

TEST_F(BreakPointDialogTest, FieldChecksRefuseAndKeepTheDialogOpen) {
    struct Case {
        const char16_t* state;
        const char16_t* symbol;
        TMessage box;
    } cases[] = {
        {u"zz", u"a",
         Error(QStringLiteral("Проверка состояния"), QStringLiteral("Состояние 'zz' не найдено в списке состояний"))},
        {u"q1", u"c", Error(QStringLiteral("Проверка символа"), QStringLiteral("Символ 'c' не существует в алфавите"))},
        {u"q1", u" ", Error(QStringLiteral("Проверка символа"), QStringLiteral("Символ ' ' не существует в алфавите"))},
    };
    for (const Case& c : cases) {
        Open();
        prompts.Answer(TAnswer::Ok);
        EXPECT_EQ(Ok(QString::fromUtf16(c.state), QString::fromUtf16(c.symbol), QStringLiteral("0"), true), -1);
        ASSERT_FALSE(prompts.boxes.isEmpty());
        EXPECT_EQ(prompts.boxes.takeLast(), c.box);
    }
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(BreakPointDialogTest, SameStateSymbolAndPassesIsRefused) {
    Add(false, 2, QStringLiteral("q1"), QStringLiteral("a"));
    Open();
    prompts.Answer(TAnswer::Ok);
    // Enabled plays no part in it.
    EXPECT_EQ(Ok(QStringLiteral("q1"), QStringLiteral("a"), QStringLiteral("2"), true), -1);
    EXPECT_EQ(prompts.boxes, QList<TMessage>{Error(QStringLiteral("Проверка контрольной точки"),
                                                   QStringLiteral("Такая точка уже существует"))});
    EXPECT_EQ(list.Count(), 1);
    // Another pass count, or another case of the state, is another breakpoint.
    EXPECT_EQ(Ok(QStringLiteral("q1"), QStringLiteral("a"), QStringLiteral("3"), true), QDialog::Accepted);
    Open();
    EXPECT_EQ(Ok(QStringLiteral("Q1"), QStringLiteral("a"), QStringLiteral("2"), true), QDialog::Accepted);
    EXPECT_EQ(list.Count(), 3);
}

TEST_F(BreakPointDialogTest, EditingInPlace) {
    Add(true, 2, QStringLiteral("q1"), QStringLiteral("a"));
    Add(false, 5, QStringLiteral("q2"), QStringLiteral("b"));
    list.At(0).Counter = 1;
    machine.RefreshBreakMarks();
    EXPECT_EQ(machine.Commands()[0].mark & MarkBreakActive, MarkBreakActive);
    TBreakPointDialog& d = Open(0);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Редактирование контрольной точки"));
    EXPECT_EQ(QStringList({State()->currentText(), Symbol()->currentText(), Pass()->text()}).join(u'|'),
              QStringLiteral("q1|a|2"));
    EXPECT_TRUE(Enable()->isChecked());
    // Its own entry is no duplicate, and OK without a change is Cancel.
    EXPECT_EQ(Ok(), QDialog::Rejected);
    EXPECT_TRUE(prompts.boxes.isEmpty());

    // Turning it into the other one is refused; another pass count is taken, the counter kept.
    prompts.Answer(TAnswer::Ok);
    EXPECT_EQ(Ok(QStringLiteral("q2"), QStringLiteral("b"), QStringLiteral("5"), false), -1);
    EXPECT_EQ(prompts.boxes.value(0).text, QStringLiteral("Такая точка уже существует"));
    EXPECT_EQ(Ok(QStringLiteral("q2"), QStringLiteral("b"), QStringLiteral("4"), false), QDialog::Accepted);
    EXPECT_EQ(Points(), (QStringList{QStringLiteral("q2 b 4 off"), QStringLiteral("q2 b 5 off")}));
    EXPECT_EQ(list.At(0).Counter, 1);
    EXPECT_EQ(machine.Commands()[0].mark & (MarkBreakActive | MarkBreakInactive), 0);
}

TEST_F(BreakPointDialogTest, PassEditTakesDigitsOnly) {
    Add(true, 7, QStringLiteral("q1"), QString());
    Open(0);
    QLineEdit* pass = Pass();
    pass->setCursorPosition(1);
    QTest::keyClick(pass, Qt::Key_A);
    QTest::keyClick(pass, Qt::Key_Minus);
    EXPECT_EQ(pass->text(), QStringLiteral("7"));
    EXPECT_EQ(prompts.asterisks, 2);
    QTest::keyClick(pass, Qt::Key_3);
    EXPECT_EQ(pass->text(), QStringLiteral("73"));
    // Emptied or pasted over with a non-number, the field gets the up-down position back, with a sound.
    QTest::keyClick(pass, Qt::Key_Backspace);
    QTest::keyClick(pass, Qt::Key_Backspace);
    EXPECT_EQ(pass->text(), QStringLiteral("7"));
    EXPECT_EQ(prompts.asterisks, 3);
    QApplication::clipboard()->setText(QStringLiteral("-5"));
    pass->selectAll();
    pass->paste();
    EXPECT_EQ(pass->text(), QStringLiteral("7"));
    EXPECT_EQ(prompts.asterisks, 4);

    // The arrows stay within 0 to 9999.
    pass->setText(QStringLiteral("0"));
    Child<QToolButton>("DownButton")->click();
    EXPECT_EQ(pass->text(), QStringLiteral("0"));
    pass->setText(QStringLiteral("9999"));
    Child<QToolButton>("UpButton")->click();
    QTest::keyClick(pass, Qt::Key_Down);
    EXPECT_EQ(pass->text(), QStringLiteral("9998"));
}

TEST_F(BreakPointDialogTest, PassesAboveTheRangeAreKeptUntilChanged) {
    Add(true, 123456, QStringLiteral("q1"), QStringLiteral("a"));
    Open(0);
    EXPECT_EQ(Pass()->text(), QStringLiteral("123456"));
    EXPECT_EQ(Ok(), QDialog::Rejected);
    State()->setEditText(QStringLiteral("q2"));
    EXPECT_EQ(Ok(), QDialog::Accepted);
    EXPECT_EQ(Points(), QStringList{QStringLiteral("q2 a 123456 on")});

    // Once the user changes it, only 0 to 9999 is taken.
    Open(0);
    Pass()->end(false);
    QTest::keyClick(Pass(), Qt::Key_Backspace);
    EXPECT_EQ(Pass()->text(), QStringLiteral("9999"));
    EXPECT_EQ(prompts.asterisks, 1);
}

TEST_F(BreakPointDialogTest, LeavingAFieldChecksIt) {
    TBreakPointDialog& d = Open();
    d.show();
    QApplication::setActiveWindow(&d);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    State()->setFocus();
    State()->setEditText(QStringLiteral("zz"));
    // Going to a button does not check.
    Child<QPushButton>("CancelButton")->setFocus();
    EXPECT_TRUE(prompts.boxes.isEmpty());
    State()->setFocus();
    prompts.Answer(TAnswer::Ok);
    Symbol()->setFocus();
    EXPECT_EQ(prompts.boxes, QList<TMessage>{Error(QStringLiteral("Проверка состояния"),
                                                   QStringLiteral("Состояние 'zz' не найдено в списке состояний"))});
    EXPECT_TRUE(State()->hasFocus());

    State()->setEditText(QStringLiteral("q2"));
    Symbol()->setFocus();
    Symbol()->setEditText(QStringLiteral("x"));
    prompts.Answer(TAnswer::Ok);
    Pass()->setFocus();
    EXPECT_EQ(prompts.boxes.last().text, QStringLiteral("Символ 'x' не существует в алфавите"));
    EXPECT_TRUE(Symbol()->hasFocus());
    EXPECT_EQ(prompts.boxes.size(), 2);

    // Enter in a field presses OK.
    Symbol()->setEditText(QStringLiteral("b"));
    QTest::keyClick(Symbol(), Qt::Key_Return);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(Points(), QStringList{QStringLiteral("q2 b 0 off")});
}

// Typed as a user types: nothing completes a field, so what is stored is what was typed.
TEST_F(BreakPointDialogTest, TypedFieldsAreStoredAsTyped) {
    machine.SetAlphabetText(QStringLiteral("aA"));
    machine.AddState(QStringLiteral("q10"));
    machine.AddState(QStringLiteral("Q2x"));
    struct Case {
        const char16_t* state;
        const char16_t* symbol;
        const char16_t* stored; // empty: refused with the state message
    } cases[] = {
        {u"q1", u"A", u"q1 A 0 off"},
        {u"Q1", u"a", u"Q1 a 0 off"},
        {u"q", u"a", u""},
    };
    for (const Case& c : cases) {
        list.ClearBreakPoints();
        TBreakPointDialog& d = Open();
        d.show();
        QApplication::setActiveWindow(&d);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
        State()->setFocus();
        const QString state = QString::fromUtf16(c.state);
        if (QString::fromUtf16(c.stored).isEmpty())
            prompts.Answer(TAnswer::Ok);
        QTest::keyClicks(QApplication::focusWidget(), state);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (QString::fromUtf16(c.stored).isEmpty()) {
            // Leaving the field checks what was typed, not a completion of it.
            ASSERT_FALSE(prompts.boxes.isEmpty());
            EXPECT_EQ(prompts.boxes.takeLast().text,
                      QStringLiteral("Состояние '") + state + QStringLiteral("' не найдено в списке состояний"));
            EXPECT_EQ(list.Count(), 0);
        } else {
            QTest::keyClicks(QApplication::focusWidget(), QString::fromUtf16(c.symbol));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            EXPECT_EQ(d.result(), QDialog::Accepted) << state.toStdString();
            EXPECT_EQ(Points(), QStringList{QString::fromUtf16(c.stored)});
        }
    }
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

TEST_F(BreakPointDialogTest, BreakAddMarksTheMachineOnlyOnOk) {
    WhenOpen<TBreakPointDialog>([](TBreakPointDialog& d) { d.reject(); });
    EXPECT_FALSE(ExecuteBreakAdd(nullptr, list, machine, prompts));
    EXPECT_EQ(edits, 0);

    WhenOpen<TBreakPointDialog>([](TBreakPointDialog& d) {
        d.findChild<QComboBox*>(QStringLiteral("StateComboBox"))->setEditText(QStringLiteral("q2"));
        d.findChild<QCheckBox*>(QStringLiteral("EnableCheckBox"))->setChecked(true);
        d.OKButtonClick();
    });
    EXPECT_TRUE(ExecuteBreakAdd(nullptr, list, machine, prompts));
    EXPECT_EQ(edits, 1);
    EXPECT_EQ(Points(), QStringList{QStringLiteral("q2  0 on")});
    EXPECT_EQ(machine.States()[1].mark & MarkBreakActive, MarkBreakActive);
}

} // namespace
