#include "breakpoints/breakpoint.h"
#include "windowdriver.h"

#include <QTableView>

namespace {

class BreakPointsForm : public TWindowDriver {
protected:
    void SetUp() override {
        TWindowDriver::SetUp();
        DefineInversion(QStringLiteral("0111"));
        path = dir.filePath(QStringLiteral("inv.qtm"));
        prompts.AnswerFile(path);
        Action("SaveFileAsItem")->trigger();
        ASSERT_EQ(form->FileName(), path);
        Child<QWidget>("CommandListView")->setFocus();
    }

    // The breakpoint list: `drive` gets its table with the first row current.
    void InList(const std::function<void(QTableView*)>& drive) {
        WhenShown([drive](QDialog* d) {
            EXPECT_EQ(d->windowTitle(), QStringLiteral("Контрольные точки"));
            auto* list = d->findChild<QTableView*>(QStringLiteral("ListView"));
            ASSERT_NE(list, nullptr);
            list->setFocus();
            if (list->model()->rowCount() > 0)
                list->setCurrentIndex(list->model()->index(0, 0));
            drive(list);
            Press(Qt::Key_Return);
            EXPECT_FALSE(d->isVisible());
        });
        Press(Qt::CTRL | Qt::ALT | Qt::Key_B);
    }

    static QStringList Row(const QTableView* list, int row) {
        const QAbstractItemModel* model = list->model();
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells << model->index(row, c).data().toString();
        cells << (model->index(row, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStringLiteral("вкл")
                                                                                       : QStringLiteral("выкл"));
        return cells;
    }

    QString path;
};

const QString BreakMessage = QStringLiteral("Машина Тьюринга остановлена в контрольной точке № 1\n"
                                            "текуший символ: 1\n"
                                            "текущее состояние: q0\n"
                                            "шаг: 3\n"
                                            "ОК - продолжение работы,\n"
                                            "Отмена - остановить машину Тьюринга");

} // namespace

TEST_F(BreakPointsForm, AddedStopsTheRunSwitchedOffLetsItThroughSavedAndDeleted) {
    WhenShown([](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Добавление контрольной точки"));
        Type(QStringLiteral("q0"));
        Press(Qt::Key_Tab);
        Type(QStringLiteral("1"));
        Press(Qt::Key_Tab);
        Press(Qt::CTRL | Qt::Key_A);
        Type(QStringLiteral("2"));
        Press(Qt::Key_Tab);
        Press(Qt::Key_Space);
        Press(Qt::Key_Return);
        EXPECT_FALSE(d->isVisible());
    });
    Press(Qt::CTRL | Qt::Key_F5);
    ASSERT_EQ(form->BreakPointList().Count(), 1);
    EXPECT_TRUE(form->Modified());

    // Passed twice over, it stops the third time: Cancel ends the run there.
    prompts.Answer(TAnswer::Cancel);
    Press(Qt::Key_F9);
    RunToEnd();
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0], Box(QStringLiteral("Останов в контрольной точке"), BreakMessage, TIcon::Exclamation,
                                    ButtonsOkCancel, TAnswer::Ok));
    EXPECT_EQ(form->Machine().TapeInnerText(), QStringLiteral("1001"));

    // Switched off with Space in the list, it lets the run through to the halt.
    InList([&](QTableView* list) {
        EXPECT_EQ(Row(list, 0), QStringList({"Точка 0", "q0", "1", "2", "вкл"}));
        Press(Qt::Key_Space);
        EXPECT_EQ(Row(list, 0), QStringList({"Точка 0", "q0", "1", "2", "выкл"}));
    });
    prompts.boxes.clear();
    prompts.Answer(TAnswer::Ok);
    Press(Qt::Key_F9);
    EXPECT_EQ(RunToEnd(), 5);
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0], HaltBox(QStringLiteral("end"), QStringLiteral("#")));

    Press(Qt::CTRL | Qt::Key_S);
    EXPECT_EQ(FileText(path), QStringLiteral("[ABCD] 01\r\n"
                                             "[WORD] 0111\r\n"
                                             "[BEGS] q0\r\n"
                                             "[STAT] q0\r\n"
                                             "[STAT] end\r\n"
                                             "[COMM] q0                0 q0                1 Вправо\r\n"
                                             "[COMM] q0                1 q0                0 Вправо\r\n"
                                             "[COMM] q0                # end               # На месте\r\n"
                                             "[BREK] 0 2     1  q0\r\n"));
    Action("FileClosing")->trigger();
    EXPECT_EQ(form->BreakPointList().Count(), 0);
    prompts.AnswerFile(path);
    Press(Qt::CTRL | Qt::Key_O);
    ASSERT_EQ(form->FileName(), path);

    // Read back, and deleted after the question.
    prompts.boxes.clear();
    prompts.Answer(TAnswer::Ok);
    InList([&](QTableView* list) {
        ASSERT_EQ(list->model()->rowCount(), 1);
        EXPECT_EQ(Row(list, 0), QStringList({"Точка 0", "q0", "1", "2", "выкл"}));
        Press(Qt::Key_Delete);
        EXPECT_EQ(list->model()->rowCount(), 0);
    });
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0], Box(QStringLiteral("Удаление контрольной точки"),
                                    QStringLiteral("Вы действительно хотите удалить контрольную точку"),
                                    TIcon::Question, ButtonsOkCancel, TAnswer::Cancel));
    EXPECT_EQ(form->BreakPointList().Count(), 0);
    EXPECT_TRUE(form->Modified());
}

TEST_F(BreakPointsForm, TheListPausesARunningMachineAndKeepsTheCounters) {
    form->BreakPointList().AddBreakPoint(
        std::make_unique<TBreakPoint>(true, 5, QStringLiteral("q0"), QStringLiteral("1")));
    Press(Qt::Key_F9);
    form->Engine().StepOnce();
    form->Engine().StepOnce();
    ASSERT_EQ(form->Engine().GetRunState(), Running);
    ASSERT_EQ(form->BreakPointList().At(0).Counter, 2);

    RunState inDialog = NoMachine;
    bool timerInDialog = true;
    InList([&](QTableView*) {
        inDialog = form->Engine().GetRunState();
        timerInDialog = form->Engine().TimerOn();
    });
    EXPECT_EQ(inDialog, Paused);
    EXPECT_FALSE(timerInDialog);
    EXPECT_EQ(form->Engine().GetRunState(), Running);
    EXPECT_TRUE(form->Engine().TimerOn());
    EXPECT_EQ(form->BreakPointList().At(0).Counter, 2);
    // So does the breakpoint dialog.
    WhenShown([&](QDialog*) { inDialog = form->Engine().GetRunState(); });
    Press(Qt::CTRL | Qt::Key_F5);
    EXPECT_EQ(inDialog, Paused);
    EXPECT_EQ(form->Engine().GetRunState(), Running);
    EXPECT_EQ(form->BreakPointList().At(0).Counter, 2);
    Action("ResetItem")->trigger();
}
