#include "machine/engine.h"
#include "machine/machine.h"
#include "window/accessibility.h"
#include "window/tapeview.h"
#include "formfixture.h"

#include <QAccessible>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

class Accessibility : public TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        AssignAccessibleNames(*form);
        // The tape "#ab#": q0 turns every a into b going right.
        TMachine& m = form->Machine();
        m.SetAlphabetText(QStringLiteral("ab"));
        m.SetWordText(QStringLiteral("ab"));
        m.SetInitialState(QStringLiteral("q0"));
        m.AddCommand(QStringLiteral("q0"), QStringLiteral("a"), QStringLiteral("q0"), QStringLiteral("b"),
                     MoveRightText);
        m.AddCommand(QStringLiteral("q0"), QStringLiteral("b"), QStringLiteral("q0"), QStringLiteral("b"),
                     MoveRightText);
        form->Config().SaveFileRun = false;
    }

    QAccessibleInterface* Of(const char* name) const {
        QWidget* w = form->findChild<QWidget*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w ? QAccessible::queryAccessibleInterface(w) : nullptr;
    }

    QString Text(const char* name, QAccessible::Text t) const {
        QAccessibleInterface* i = Of(name);
        return i ? i->text(t) : QStringLiteral("(нет интерфейса)");
    }
};

} // namespace

TEST_F(Accessibility, EveryControlHasANameAndADescription) {
    struct TCase {
        const char* control;
        const char16_t* name;
        const char16_t* description;
    };
    const TCase cases[] = {
        {"ABCEdit", u"Алфавит", u"Символы алфавита"},
        {"WordEdit", u"Слово", u"Слово для распознания"},
        {"CommandListView", u"Команды", u"Список команд"},
        // An editable combo box is named by its text on Linux, and by its label through a relation.
        {"BegStateComboBox", u"q0", u"Начальное состояние"},
        {"StateListBox", u"Состояния", u"Список состояний"},
        {"StartButton", u"Старт", u"Запуск машины Тьюринга"},
        {"NextStepButton", u"Следующий шаг", u"Выполнение одного шага машины Тьюринга"},
        {"ResetButton", u"Сброс", u"Прекращение работы машины Тьюринга"},
        // Its name is its caption, which follows the run state.
        {"BreakButton", u"начать", u"Прерывание-продолжение работы машины Тьюринга"},
        {"WordPanel", u"Лента", u"Символ под головкой: a"},
        {"ScrollBar", u"Прокрутка ленты", u"Сдвигает видимую часть ленты"},
        {"StatusPanel0", u"Символ: a", u"Символ под головкой"},
        {"StatusPanel1", u"Состояние: нет", u"Состояние машины во время работы"},
        {"StatusPanel2", u"Шаг: нет", u"Номер шага во время работы"},
        {"RunLamp", u"Машина остановлена", u"Индикатор работы машины"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(Text(c.control, QAccessible::Name), QString::fromUtf16(c.name)) << c.control;
        EXPECT_EQ(Text(c.control, QAccessible::Description), QString::fromUtf16(c.description)) << c.control;
    }
    QAccessibleInterface* combo = Of("BegStateComboBox");
    ASSERT_NE(combo, nullptr);
    const auto labels = combo->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0].first->text(QAccessible::Name), QStringLiteral("Начальное состояние"));
}

TEST_F(Accessibility, TapeReadsItsCellsAndTellsEveryPausedStepAndTheStop) {
    form->Machine().SetWordText(QStringLiteral("abb"));
    QWidget* tapeView = form->TapeView();
    auto* next = form->findChild<QPushButton*>(QStringLiteral("NextStepButton"));
    next->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(tapeView->accessibleDescription(), QStringLiteral("Символ под головкой: a, состояние: q0, шаг 0"));
    next->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(tapeView->accessibleDescription(), QStringLiteral("Символ под головкой: b, состояние: q0, шаг 1"));

    QAccessibleInterface* tape = Of("WordPanel");
    ASSERT_NE(tape, nullptr);
    QAccessibleTextInterface* text = tape->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(0, text->characterCount()), QStringLiteral("#bbb#"));
    EXPECT_EQ(text->cursorPosition(), 2);
    EXPECT_EQ(Text("StatusPanel2", QAccessible::Name), QStringLiteral("Шаг 1"));
    EXPECT_EQ(Text("RunLamp", QAccessible::Name), QStringLiteral("Машина приостановлена"));

    // Running steps are not told one by one; the halt is.
    form->Engine().SetRunState(Running);
    form->Engine().StepOnce();
    QCoreApplication::processEvents();
    EXPECT_EQ(tapeView->accessibleDescription(), QStringLiteral("Символ под головкой: b, состояние: q0, шаг 1"));
    EXPECT_EQ(tape->text(QAccessible::Description), QStringLiteral("Символ под головкой: b, состояние: q0, шаг 2"));
    form->findChild<QPushButton*>(QStringLiteral("ResetButton"))->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(tapeView->accessibleDescription(), QStringLiteral("Символ под головкой: a"));
}

TEST_F(Accessibility, TabReachesEveryControl) {
    QStringList reached;
    QWidget* start = form->findChild<QWidget*>(QStringLiteral("ABCEdit"));
    QWidget* w = start;
    do {
        // Disabled or hidden controls count: they are reached once the run state enables or shows them.
        if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty())
            reached.append(w->objectName());
        w = w->nextInFocusChain();
    } while (w && w != start);
    const QStringList controls = {"ABCEdit",      "WordEdit",    "CommandListView", "BegStateComboBox",
                                  "StateListBox", "StartButton", "NextStepButton",  "ResetButton",
                                  "BreakButton",  "WordPanel",   "ScrollBar"};
    for (const QString& c : controls)
        EXPECT_TRUE(reached.contains(c)) << c.toStdString() << " in " << reached.join(QLatin1Char(' ')).toStdString();
}
