#include "breakpoints/breakpointlistdialog.h"

#include "breakpoints/breakpointdialog.h"
#include "breakpointfixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTest>

namespace {

const QString DeleteCaption = QStringLiteral("Удаление контрольной точки");

class BreakPointListDialogTest : public BreakPointFixture {
protected:
    BreakPointListDialogTest() {
        Add(true, 0, QStringLiteral("q1"), QStringLiteral("a"));
        Add(false, 2, QStringLiteral("q1"), QStringLiteral("b"));
        Add(true, 5, QStringLiteral("q2"), QString());
    }

    TBreakPointListDialog& Open() {
        dialog = std::make_unique<TBreakPointListDialog>(list, machine, prompts, settings);
        return *dialog;
    }
    QTableView* View() const { return dialog->ListView(); }
    QAction* Action(const char* name) const {
        auto* a = dialog->findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_NE(a, nullptr) << name;
        return a;
    }

    QModelIndex Cell(int row, int column) const { return View()->model()->index(row, column); }
    Qt::CheckState Check(int row) const { return Cell(row, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(); }

    // Each row as "check name state symbol passes".
    QStringList Rows() const {
        QStringList out;
        for (int r = 0; r < View()->model()->rowCount(); ++r) {
            QString row = Check(r) == Qt::Checked ? QStringLiteral("[x]") : QStringLiteral("[ ]");
            for (int c = 0; c < View()->model()->columnCount(); ++c)
                row += u'|' + Cell(r, c).data().toString();
            out << row;
        }
        return out;
    }

    QPoint CheckBoxCentre(int row) const {
        QStyleOptionViewItem option;
        option.initFrom(View());
        option.rect = View()->visualRect(Cell(row, 0));
        option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        option.text = Cell(row, 0).data().toString();
        return View()->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, View()).center();
    }

    std::unique_ptr<TBreakPointListDialog> dialog;
};

TEST_F(BreakPointListDialogTest, RowsNamedFromZeroAndTheActions) {
    TBreakPointListDialog& d = Open();
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Контрольные точки"));
    QStringList headers;
    for (int c = 0; c < View()->model()->columnCount(); ++c)
        headers << View()->model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headers, (QStringList{QStringLiteral("Имя"), QStringLiteral("Состояние"), QStringLiteral("Символ"),
                                    QStringLiteral("Число проходов")}));
    EXPECT_EQ(Rows(), (QStringList{QStringLiteral("[x]|Точка 0|q1|a|0"), QStringLiteral("[ ]|Точка 1|q1|b|2"),
                                   QStringLiteral("[x]|Точка 2|q2||5")}));
    QSignalSpy help(&d, &TBreakPointListDialog::helpRequested);
    d.findChild<QPushButton*>(QStringLiteral("HelpButton"))->click();
    EXPECT_EQ(help.value(0).value(0).toInt(), 2002);

    QStringList menu;
    for (QAction* a : d.PopupMenu()->actions())
        menu << (a->isSeparator() ? QStringLiteral("-") : a->text() + u' ' + a->shortcut().toString());
    EXPECT_EQ(menu,
              (QStringList{QStringLiteral("Добавить Ins"), QStringLiteral("Удалить Del"),
                           QStringLiteral("Редактировать F4"), QStringLiteral("-"), QStringLiteral("Активность ")}));
    EXPECT_EQ(d.PopupMenu()->defaultAction(), Action("BreakEdit"));

    // Editing and deleting need a selected row; "Активность" follows that row's check box.
    EXPECT_FALSE(Action("BreakEdit")->isEnabled());
    EXPECT_FALSE(Action("BreakDel")->isEnabled());
    d.PopupMenuPopup();
    EXPECT_FALSE(Action("EnableItem")->isEnabled());
    View()->selectRow(1);
    EXPECT_TRUE(Action("BreakEdit")->isEnabled());
    EXPECT_TRUE(Action("BreakDel")->isEnabled());
    d.PopupMenuPopup();
    EXPECT_TRUE(Action("EnableItem")->isEnabled());
    EXPECT_FALSE(Action("EnableItem")->isChecked());
    View()->selectRow(2);
    d.PopupMenuPopup();
    EXPECT_TRUE(Action("EnableItem")->isChecked());
    View()->clearSelection();
    EXPECT_FALSE(Action("BreakDel")->isEnabled());
}

// Opened from the keyboard, the list's first row is selected as soon as the list has the focus: F4 edits it.
TEST_F(BreakPointListDialogTest, KeysActOnTheFirstRowAtOnce) {
    TBreakPointListDialog& d = Open();
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    ASSERT_TRUE(QTest::qWaitFor([&] { return View()->hasFocus(); }));
    EXPECT_TRUE(Action("BreakEdit")->isEnabled());
    QTest::keyClick(View(), Qt::Key_Space);
    EXPECT_EQ(Rows().value(0), QStringLiteral("[ ]|Точка 0|q1|a|0"));
}

TEST_F(BreakPointListDialogTest, DeletingAsksAndRenumbers) {
    TBreakPointListDialog& d = Open();
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    // No current row.
    View()->setCurrentIndex(QModelIndex());
    prompts.Answer(TAnswer::Ok);
    d.BreakDelExecute();
    EXPECT_EQ(prompts.boxes.value(prompts.boxes.size() - 1),
              (TMessage{DeleteCaption, QStringLiteral("Контрольная точка не найдена"), TIcon::Stop}));

    View()->selectRow(1);
    prompts.Answer(TAnswer::Cancel);
    QTest::keyClick(View(), Qt::Key_Delete);
    EXPECT_EQ(prompts.boxes.value(prompts.boxes.size() - 1),
              (TMessage{DeleteCaption, QStringLiteral("Вы действительно хотите удалить контрольную точку"),
                        TIcon::Question, ButtonsOkCancel, TAnswer::Cancel}));
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(edits, 0);

    prompts.Answer(TAnswer::Ok);
    d.BreakDelExecute();
    EXPECT_EQ(Rows(), (QStringList{QStringLiteral("[x]|Точка 0|q1|a|0"), QStringLiteral("[x]|Точка 1|q2||5")}));
    EXPECT_EQ(edits, 1);
    // The mark of the deleted breakpoint's command (q1 b) is gone.
    EXPECT_EQ(machine.Commands()[1].mark & (MarkBreakActive | MarkBreakInactive), 0);

    settings.DelBreak = false;
    prompts.boxes.clear();
    View()->selectRow(0);
    d.BreakDelExecute();
    EXPECT_TRUE(prompts.boxes.isEmpty());
    EXPECT_EQ(Rows(), QStringList{QStringLiteral("[x]|Точка 0|q2||5")});
    EXPECT_TRUE(d.Changed());
}

TEST_F(BreakPointListDialogTest, CheckBoxClickSnapsBackSpaceAndActivitySwitch) {
    TBreakPointListDialog& d = Open();
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    QSignalSpy rowChanges(View()->model(), &QAbstractItemModel::dataChanged);
    QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, CheckBoxCentre(1));
    EXPECT_GE(rowChanges.count(), 1); // the click did reach the box
    EXPECT_EQ(Check(1), Qt::Unchecked);
    EXPECT_FALSE(list.At(1).Enabled);
    EXPECT_EQ(edits, 0);

    machine.RefreshBreakMarks();
    View()->selectRow(1);
    QTest::keyClick(View(), Qt::Key_Space);
    EXPECT_TRUE(list.At(1).Enabled);
    EXPECT_EQ(Check(1), Qt::Checked);
    EXPECT_EQ(machine.Commands()[1].mark & MarkBreakActive, MarkBreakActive);
    EXPECT_EQ(edits, 1);

    Action("EnableItem")->trigger();
    EXPECT_FALSE(list.At(1).Enabled);
    EXPECT_EQ(Check(1), Qt::Unchecked);
    EXPECT_EQ(machine.Commands()[1].mark & (MarkBreakActive | MarkBreakInactive), MarkBreakInactive);
    EXPECT_EQ(edits, 2);
    EXPECT_EQ(Rows().value(1), QStringLiteral("[ ]|Точка 1|q1|b|2"));
}

TEST_F(BreakPointListDialogTest, AddAndEditFromTheList) {
    TBreakPointListDialog& d = Open();
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    WhenOpen<TBreakPointDialog>([](TBreakPointDialog& b) {
        EXPECT_EQ(b.windowTitle(), QStringLiteral("Добавление контрольной точки"));
        b.findChild<QComboBox*>(QStringLiteral("ABCComboBox"))->setEditText(QStringLiteral("#"));
        b.OKButtonClick();
    });
    QTest::keyClick(View(), Qt::Key_Insert);
    EXPECT_EQ(Rows().value(3), QStringLiteral("[ ]|Точка 3||#|0"));
    EXPECT_EQ(edits, 1);

    // An edit without a change leaves the machine unmodified.
    d.activateWindow(); // the closed dialog took the activation along
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    View()->selectRow(2);
    WhenOpen<TBreakPointDialog>([](TBreakPointDialog& b) {
        EXPECT_EQ(b.windowTitle(), QStringLiteral("Редактирование контрольной точки"));
        b.OKButtonClick();
    });
    QTest::keyClick(View(), Qt::Key_F4);
    EXPECT_EQ(edits, 1);

    WhenOpen<TBreakPointDialog>([](TBreakPointDialog& b) {
        b.findChild<QLineEdit*>(QStringLiteral("PassEdit"))->setText(QStringLiteral("17"));
        b.OKButtonClick();
    });
    // A double click as the window system delivers it: press, release, double click, release.
    const QPoint cell = View()->visualRect(Cell(2, 1)).center();
    QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(View()->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseRelease(View()->viewport(), Qt::LeftButton, {}, cell);
    EXPECT_EQ(Rows().value(2), QStringLiteral("[x]|Точка 2|q2||17"));
    EXPECT_EQ(edits, 2);
    EXPECT_TRUE(d.Changed());
}

TEST_F(BreakPointListDialogTest, ChangesWhileOpenAreShownAndAnAddedBreakpointIsCurrent) {
    TBreakPointListDialog& d = Open();
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    View()->selectRow(1);
    list.At(0).Enabled = false;
    list.At(0).Passes = 9;
    list.NotifyChanged();
    EXPECT_EQ(Rows().value(0), QStringLiteral("[ ]|Точка 0|q1|a|9"));
    list.ClearBreakPoints();
    EXPECT_TRUE(Rows().isEmpty());
    EXPECT_FALSE(Action("BreakDel")->isEnabled());

    for (int i = 0; i < 1000; ++i)
        Add(true, i, QStringLiteral("q1"), QString());
    EXPECT_EQ(Rows().value(999), QStringLiteral("[x]|Точка 999|q1||999"));
    WhenOpen<TBreakPointDialog>([](TBreakPointDialog& b) {
        b.findChild<QComboBox*>(QStringLiteral("ABCComboBox"))->setEditText(QStringLiteral("#"));
        b.OKButtonClick();
    });
    d.BreakAddExecute();
    EXPECT_EQ(Rows().value(1000), QStringLiteral("[ ]|Точка 1000||#|0"));
    EXPECT_EQ(View()->currentIndex().row(), 1000);
    EXPECT_EQ(View()->selectionModel()->selectedRows().value(0).row(), 1000);
    EXPECT_TRUE(View()->viewport()->rect().contains(View()->visualRect(Cell(1000, 3))));

    // Deleting the last row makes the one above it current.
    settings.DelBreak = false;
    d.BreakDelExecute();
    EXPECT_EQ(View()->model()->rowCount(), 1000);
    EXPECT_EQ(View()->selectionModel()->selectedRows().value(0).row(), 999);
}

TEST_F(BreakPointListDialogTest, OpeningWhileRunningPausesAndKeepsTheCounters) {
    list.ClearBreakPoints();
    Add(true, 5, QStringLiteral("q1"), QStringLiteral("a"));
    machine.SetWordText(QStringLiteral("aaaa"));
    engine.Start();
    engine.StepOnce();
    engine.StepOnce();
    ASSERT_EQ(engine.GetRunState(), Running);
    const int counter = list.At(0).Counter;
    ASSERT_GT(counter, 0);

    RunState during = NoMachine;
    WhenOpen<TBreakPointListDialog>([&](TBreakPointListDialog& d) {
        during = engine.GetRunState();
        d.accept();
    });
    bool changed = true;
    {
        // What the window's BreakList handler does.
        TEngine::TPause pause(engine);
        changed = ExecuteBreakList(nullptr, list, machine, prompts, settings);
    }
    EXPECT_EQ(during, Paused);
    EXPECT_EQ(engine.GetRunState(), Running);
    EXPECT_FALSE(changed);
    EXPECT_EQ(list.At(0).Counter, counter);
}

// Through the dialogs alone: a breakpoint on (q1, a) with 2 passes stops the run at the third matching step;
// switched off, the run goes through; deleted, it is gone.
TEST_F(BreakPointListDialogTest, BreakpointMadeInTheDialogsStopsTheRun) {
    list.ClearBreakPoints();
    settings.DelBreak = false;
    machine.SetWordText(QStringLiteral("aaaa"));
    auto inList = [this](std::function<void(TBreakPointListDialog&)> script) {
        WhenOpen<TBreakPointListDialog>(script);
        ExecuteBreakList(nullptr, list, machine, prompts, settings);
    };
    inList([](TBreakPointListDialog& d) {
        WhenOpen<TBreakPointDialog>([](TBreakPointDialog& b) {
            b.findChild<QComboBox*>(QStringLiteral("StateComboBox"))->setEditText(QStringLiteral("q1"));
            b.findChild<QComboBox*>(QStringLiteral("ABCComboBox"))->setEditText(QStringLiteral("a"));
            b.findChild<QLineEdit*>(QStringLiteral("PassEdit"))->setText(QStringLiteral("2"));
            b.findChild<QCheckBox*>(QStringLiteral("EnableCheckBox"))->setChecked(true);
            b.OKButtonClick();
        });
        d.BreakAddExecute();
    });
    EXPECT_EQ(Points(), QStringList{QStringLiteral("q1 a 2 on")});

    auto run = [this] {
        prompts.allowUnexpected = true;
        engine.Start();
        for (int i = 0; i < 20 && engine.GetRunState() == Running; ++i)
            engine.StepOnce();
        prompts.allowUnexpected = false;
    };
    prompts.Answer(TAnswer::Cancel);
    run();
    ASSERT_FALSE(prompts.boxes.isEmpty());
    EXPECT_EQ(prompts.boxes[0].caption, QStringLiteral("Останов в контрольной точке"));
    EXPECT_TRUE(prompts.boxes[0].text.startsWith(
        QStringLiteral("Машина Тьюринга остановлена в контрольной точке № 1\nтекуший символ: a\n"
                       "текущее состояние: q1\nшаг: 2\n")))
        << prompts.boxes[0].text.toStdString();
    EXPECT_EQ(engine.GetRunState(), Ready);

    inList([](TBreakPointListDialog& d) {
        d.ListView()->selectRow(0);
        QTest::keyClick(d.ListView(), Qt::Key_Space);
    });
    prompts.boxes.clear();
    run();
    for (const TMessage& box : prompts.boxes)
        EXPECT_NE(box.caption, QStringLiteral("Останов в контрольной точке"));

    inList([](TBreakPointListDialog& d) {
        d.ListView()->selectRow(0);
        d.BreakDelExecute();
    });
    EXPECT_EQ(list.Count(), 0);
}

} // namespace
