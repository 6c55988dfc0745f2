#include "files/fileloaddialog.h"
#include "files/loadreport.h"
#include "printers.h"
#include "usertexts.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

struct TControls {
    explicit TControls(QWidget& dialog)
        : label(dialog.findChild<QLabel*>(QStringLiteral("Label"))),
          fileName(dialog.findChild<QLabel*>(QStringLiteral("FileNameLabel"))),
          state(dialog.findChild<QLabel*>(QStringLiteral("StateLabel"))),
          ok(dialog.findChild<QPushButton*>(QStringLiteral("CancelButton"))),
          detail(dialog.findChild<QPushButton*>(QStringLiteral("DetailButton"))),
          list(dialog.findChild<QTreeWidget*>(QStringLiteral("ErrorListBox"))) {}

    bool Complete() const { return label && fileName && state && ok && detail && list; }

    QLabel* label;
    QLabel* fileName;
    QLabel* state;
    QPushButton* ok;
    QPushButton* detail;
    QTreeWidget* list;
};

// Every label shows its whole text.
void ExpectNotClipped(const QLabel* label) {
    EXPECT_GE(label->width(), label->sizeHint().width()) << label->objectName().toStdString();
    EXPECT_GE(label->height(), label->fontMetrics().height()) << label->objectName().toStdString();
}

} // namespace

TEST(FileLoadDialog, SuccessStaysCollapsed) {
    TFileLoadDialog dialog(QStringLiteral("  /home/user/one.qtm \t"));
    TControls c(dialog);
    ASSERT_TRUE(c.Complete());
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Загрузка файла"));
    EXPECT_EQ(c.label->text(), QStringLiteral("Файл"));
    EXPECT_EQ(c.fileName->text(), QStringLiteral("/home/user/one.qtm"));
    EXPECT_EQ(c.state->text(), QStringLiteral("загружен успешно"));
    EXPECT_EQ(c.ok->text(), QStringLiteral("&ОК"));
    EXPECT_EQ(c.detail->text(), QStringLiteral("Подробнее &>>"));
    EXPECT_FALSE(c.detail->isEnabled());
    EXPECT_FALSE(c.list->isVisible());
    EXPECT_FALSE(dialog.ErrorsFound());
    for (const QLabel* label : {c.label, c.fileName, c.state})
        ExpectNotClipped(label);
    EXPECT_EQ(c.ok->property("helpContext").toInt(), 1420);
    EXPECT_EQ(c.detail->property("helpContext").toInt(), 1421);
    EXPECT_EQ(c.list->property("helpContext").toInt(), 1422);
}

TEST(FileLoadDialog, FaultsAreListedOnDemand) {
    TFileLoadDialog dialog(QStringLiteral("bad.qtm"));
    TControls c(dialog);
    ASSERT_TRUE(c.Complete());
    dialog.AddError(3, QStringLiteral(" строка не распознана "));
    dialog.AddError(7, usertext::BreakPointPassesBad);
    dialog.show();
    EXPECT_EQ(c.label->text(), QStringLiteral("В файле"));
    EXPECT_EQ(c.fileName->text(), QStringLiteral("bad.qtm"));
    EXPECT_EQ(c.state->text(), QStringLiteral("обнаружены ошибки"));
    EXPECT_TRUE(c.detail->isEnabled());
    EXPECT_FALSE(c.list->isVisible());
    const int collapsed = dialog.height();

    QTest::mouseClick(c.detail, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(c.detail->isEnabled());
    EXPECT_TRUE(c.list->isVisible());
    EXPECT_GT(dialog.height(), collapsed);
    EXPECT_EQ(c.list->headerItem()->text(0), QStringLiteral("Номер"));
    EXPECT_EQ(c.list->headerItem()->text(1), QStringLiteral("Ошибка"));
    ASSERT_EQ(c.list->topLevelItemCount(), 2);
    EXPECT_EQ(c.list->topLevelItem(0)->text(0), QStringLiteral("Строка 3"));
    EXPECT_EQ(c.list->topLevelItem(0)->text(1), QStringLiteral("строка не распознана"));
    EXPECT_EQ(c.list->topLevelItem(1)->text(0), QStringLiteral("Строка 7"));
    EXPECT_EQ(c.list->topLevelItem(1)->text(1), usertext::BreakPointPassesBad);
    // The longest message fits beside the number column.
    EXPECT_GE(c.list->viewport()->width(),
              c.list->columnWidth(0) + c.list->fontMetrics().horizontalAdvance(usertext::BreakPointPassesBad));
    EXPECT_FALSE(c.list->topLevelItem(0)->flags() & Qt::ItemIsEditable);

    // A fault reported after expanding does not bring the button back.
    dialog.AddError(9, usertext::LineTooLong);
    EXPECT_FALSE(c.detail->isEnabled());
}

TEST(FileLoadDialog, ShowReportRunsModallyAndClosesWithOkOrEscape) {
    TLoadReport report(QStringLiteral("x.qtm"));
    report.AddError(2, usertext::LineTooShort);
    for (const bool escape : {false, true}) {
        int rows = -1;
        QString verdict;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TFileLoadDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            TControls c(*dialog);
            rows = c.list->topLevelItemCount();
            verdict = c.label->text();
            if (escape)
                QTest::keyClick(dialog, Qt::Key_Escape);
            else
                QTest::mouseClick(c.ok, Qt::LeftButton);
        });
        TFileLoadDialog::ShowReport(report);
        EXPECT_EQ(rows, 1);
        EXPECT_EQ(verdict, QStringLiteral("В файле"));
    }
}

TEST(FileLoadDialog, FaultsBeyondTheListedOnesShowAsOneCountedRow) {
    TLoadReport report(QStringLiteral("x.qtm"));
    for (int line = 1; line <= 302; ++line)
        report.AddError(line, usertext::LineUnknown);
    int rows = -1;
    QStringList last;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TFileLoadDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        TControls c(*dialog);
        rows = c.list->topLevelItemCount();
        const QTreeWidgetItem* item = c.list->topLevelItem(rows - 1);
        last = QStringList{item->text(0), item->text(1)};
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    TFileLoadDialog::ShowReport(report);
    EXPECT_EQ(rows, 301);
    EXPECT_EQ(last, (QStringList{QStringLiteral("..."), QStringLiteral("и еще ошибок: 2")}));
}
