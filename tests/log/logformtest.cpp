#include "log/logform.h"

#include "log/runlog.h"
#include "log/runlogmodel.h"
#include "machinefixture.h"

#include <QAction>
#include <QFontDatabase>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

#include <memory>

class LogForm : public MachineTest {
protected:
    LogForm() {
        settings.ViewLog = true;
        settings.History = false;
        settings.SetDesktopDefaults();
        form = std::make_unique<TLogForm>(settings, prompts, &engine);
        engine.SetRunLog(&form->Log());
        // A sweep to the right that never halts within a test.
        Define(QStringLiteral("a"), QStringLiteral("aaaaaaaaaa"), QStringLiteral("q0"),
               {QStringLiteral("q0 a q0 a R"), QStringLiteral("q0 # q1 # L"), QStringLiteral("q1 a q1 a L"),
                QStringLiteral("q1 # q0 # R")});
    }
    ~LogForm() override { engine.SetRunLog(nullptr); }

    void Show() {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    QTableView* List() const { return form->findChild<QTableView*>(QStringLiteral("ListView")); }
    QString Cell(int row, int column) const { return form->Model().index(row, column).data().toString(); }

    std::unique_ptr<TLogForm> form;
};

TEST_F(LogForm, TableAndLayout) {
    settings.LogLeft = 150;
    settings.LogTop = 120;
    settings.LogWidth = 500;
    settings.LogHeight = 300;
    settings.LogColumn4 = 210;
    form = std::make_unique<TLogForm>(settings, prompts, &engine);
    engine.SetRunLog(&form->Log());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Отчет"));
    EXPECT_FALSE(form->isVisible());
    QTableView* list = List();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->verticalHeader()->isHidden());
    EXPECT_FALSE(list->horizontalHeader()->sectionsClickable());
    QStringList headings;
    for (int c = 0; c < 6; ++c)
        headings.append(form->Model().headerData(c, Qt::Horizontal).toString());
    EXPECT_EQ(headings,
              (QStringList{QStringLiteral("N"), QStringLiteral("Исх. состояние"), QStringLiteral("Исх. символ"),
                           QStringLiteral("N символа"), QStringLiteral("Слово"), QStringLiteral("След. команда")}));
    EXPECT_EQ(form->geometry(), QRect(150, 120, 500, 300));
    EXPECT_EQ(list->columnWidth(4), 210);

    engine.Start();
    engine.Reset();
    form->Flush();
    EXPECT_EQ(form->Model().index(0, 4).data(Qt::FontRole).value<QFont>(),
              QFontDatabase::systemFont(QFontDatabase::FixedFont));
    EXPECT_FALSE(form->Model().index(0, 3).data(Qt::FontRole).isValid());

    list->setColumnWidth(1, 77);
    form->SetStayOnTop(true);
    EXPECT_TRUE(form->StayOnTopItem->isChecked());
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    form->StayOnTopItem->trigger();
    EXPECT_FALSE(form->StayOnTop());
    form->StayOnTopItem->trigger();
    form.reset();
    EXPECT_EQ(settings.LogColumn1, 77);
    EXPECT_TRUE(settings.LogStayOnTop);
    EXPECT_EQ(settings.LogWidth, 500);
}

TEST_F(LogForm, MenuEntriesAndKeys) {
    QStringList shown;
    for (QAction* a : form->PopupMenu->actions())
        shown.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(shown,
              (QStringList{QStringLiteral("-"), QStringLiteral("Очистить"), QStringLiteral("Сохранить"),
                           QStringLiteral("Параметры"), QStringLiteral("-"), QStringLiteral("Поверх всех окон")}));
    const struct {
        QAction* item;
        const char* caption;
        QKeySequence key;
    } items[] = {
        {form->MainFormItem, "Главная форма", QKeySequence(Qt::Key_F6)},
        {form->CloseItem2, "Закрыть", QKeySequence(Qt::Key_Escape)},
        {form->CloseItem1, "Закрыть", QKeySequence(Qt::ALT | Qt::Key_F4)},
        {form->LogSaveItem, "Сохранить", QKeySequence(QStringLiteral("Shift+Ctrl+S"))},
        {form->StartItem, "Старт", QKeySequence(Qt::Key_F9)},
        {form->ResetItem, "Сброс", QKeySequence(Qt::CTRL | Qt::Key_F2)},
        {form->BreakItem, "Прервать", QKeySequence(Qt::Key_F12)},
        {form->ConfigItem, "Параметры", QKeySequence(Qt::Key_F11)},
        {form->NextStepItem, "След. шаг", QKeySequence(Qt::Key_F8)},
    };
    for (const auto& i : items) {
        EXPECT_EQ(i.item->text(), QString::fromUtf8(i.caption));
        EXPECT_EQ(i.item->shortcut(), i.key) << i.caption;
        EXPECT_TRUE(form->actions().contains(i.item)) << i.caption;
    }

    // The hidden run entries act only through the main window's enabled actions.
    QAction start(QStringLiteral("start"));
    QAction reset(QStringLiteral("reset"));
    int started = 0;
    int resets = 0;
    QObject::connect(&start, &QAction::triggered, [&] { ++started; });
    QObject::connect(&reset, &QAction::triggered, [&] { ++resets; });
    reset.setEnabled(false);
    form->SetRunActions(&start, &reset, nullptr, nullptr);
    form->StartItem->trigger();
    form->ResetItem->trigger();
    form->BreakItem->trigger();
    EXPECT_EQ(started, 1);
    EXPECT_EQ(resets, 0);

    // "Параметры" is refused while the machine runs.
    engine.Start();
    emit form->PopupMenu->aboutToShow();
    EXPECT_FALSE(form->ConfigItem->isEnabled());
    engine.SetRunState(Paused);
    emit form->PopupMenu->aboutToShow();
    EXPECT_TRUE(form->ConfigItem->isEnabled());
}

TEST_F(LogForm, EscapeOnlyHidesAndRowsStay) {
    Show();
    form->move(200, 150);
    engine.NextStep();
    engine.StepOnce();
    ASSERT_EQ(form->Model().rowCount(), 2);
    const QRect where = form->geometry();
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(settings.LogLeft, where.left());
    form->show();
    EXPECT_EQ(form->Model().rowCount(), 2);
    EXPECT_EQ(form->geometry(), where);
    form->CloseItem1->trigger();
    EXPECT_FALSE(form->isVisible());
    form->LogClearItem->trigger();
    form->show();
    EXPECT_EQ(form->Model().rowCount(), 0);
}

TEST_F(LogForm, RunningRowsReachTheViewOncePerFrame) {
    Show();
    form->resize(400, 150);
    settings.SetMaxCount(50);
    engine.Start();
    for (int i = 0; i < 60; ++i)
        engine.StepOnce();
    // Sixty-one steps logged, fifty held; nothing has reached the view before the frame.
    EXPECT_EQ(form->Log().RowCount(), 50);
    EXPECT_EQ(form->Model().rowCount(), 0);
    form->Flush();
    ASSERT_EQ(form->Model().rowCount(), 50);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("11"));
    EXPECT_EQ((QStringList{Cell(49, 0), Cell(49, 1), Cell(49, 2), Cell(49, 3), Cell(49, 4), Cell(49, 5)}),
              (QStringList{QStringLiteral("60"), QStringLiteral("q1"), QStringLiteral("a"), QStringLiteral("4"),
                           QStringLiteral("# aaaaaaaaaa #"), QStringLiteral("q1(a)->q1(a)-Влево")}));
    EXPECT_EQ(List()->verticalScrollBar()->value(), List()->verticalScrollBar()->maximum());
    EXPECT_GT(List()->verticalScrollBar()->maximum(), 0);

    engine.StepOnce();
    EXPECT_EQ(Cell(0, 0), QString()) << "a row dropped before the frame is drawn empty";
    // A pause shows at once what was logged.
    engine.SetRunState(Paused);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("12"));
    engine.StepOnce();
    EXPECT_EQ(Cell(49, 0), QStringLiteral("62"));
    // A step back takes the newest row away and brings back the one the limit dropped at that step.
    engine.StepBack();
    ASSERT_EQ(form->Model().rowCount(), 50);
    EXPECT_EQ((QStringList{Cell(0, 0), Cell(49, 0)}), (QStringList{QStringLiteral("12"), QStringLiteral("61")}));
    engine.StepOnce();

    // Another word form reads every row differently, with nothing stored per row.
    settings.SetDiesCount(3);
    form->SetWordForm(2);
    EXPECT_EQ(Cell(0, 4), QStringLiteral("### aaaaaaaaaa ###"));
    form->SetWordForm(0);
    EXPECT_EQ(Cell(0, 4), QStringLiteral("# aaaaaaaaaa #"));
}
