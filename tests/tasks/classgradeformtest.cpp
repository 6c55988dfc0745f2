#include "madeupclass.h"
#include "scriptedprompts.h"
#include "settings/config.h"
#include "tasks/classgradeform.h"
#include "tasks/taskbookform.h"

#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class ClassGradeWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        config.History = false;
        form = std::make_unique<TTaskBookForm>(config, prompts, dir.filePath(u"config/tasks.ini"_qs),
                                               dir.filePath(u"work"_qs));
        form->OpenBook(made.bookDir);
        form->show();
    }

    // Clicks "Проверить работы класса…", answers the folder dialog with the class and waits for the table.
    void GradeAndWait() {
        prompts.AnswerFile(made.classDir);
        QTest::mouseClick(form->ClassButton, Qt::LeftButton);
        ASSERT_NE(form->ClassForm(), nullptr);
        QSignalSpy finished(form->ClassForm(), &TClassGradeForm::finished);
        if (form->ClassForm()->Grading()) {
            ASSERT_TRUE(finished.wait(60000));
        }
    }

    QStringList Column(int column) const {
        QStringList cells;
        const QTableWidget* table = form->ClassForm()->Table;
        for (int row = 0; row < table->rowCount(); ++row)
            cells.append(table->item(row, 0)->text() + u": "_qs + table->item(row, column)->text());
        return cells;
    }

    void ClickHeader(int column) const {
        QHeaderView* header = form->ClassForm()->Table->horizontalHeader();
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2));
    }

    QTemporaryDir dir;
    TMadeUpClass made{dir.path()};
    TConfig config{dir.path()};
    TScriptedPrompts prompts;
    std::unique_ptr<TTaskBookForm> form;
};

} // namespace

// The teacher picks the class folder; the table is the command line's, sorts by a clicked column and is saved.
TEST_F(ClassGradeWindow, TheClassTableSortsByAColumnAndIsSaved) {
    GradeAndWait();
    TClassGradeForm& window = *form->ClassForm();
    EXPECT_EQ(prompts.fileDialogs.value(0).title, u"Папка класса"_qs);
    EXPECT_EQ(window.SummaryLabel->text(), u"Класс "_qs + made.classDir + u": 5 учеников, решено 2 из 10"_qs);
    EXPECT_EQ(window.Table->horizontalHeaderItem(1)->text(), u"inversion\nрешили 1 из 5"_qs);
    EXPECT_EQ(window.Table->horizontalHeaderItem(1)->toolTip(), u"Инверсия слова"_qs);
    EXPECT_EQ(Column(2), (QStringList{u"Аня: решена"_qs, u"Борис: нет решения"_qs, u"Вера: есть ошибки 8 из 10"_qs,
                                      u"Глеб: нет решения"_qs, u"Дима; <Ко> & \"сын\": не запускается"_qs}));
    EXPECT_EQ(window.Table->item(4, 2)->toolTip(), u"Символы 'a', в алфавите не найдены"_qs);
    EXPECT_TRUE(window.Table->item(1, 1)->toolTip().startsWith(u"1: ожидалось 0, получено 1\n01: ожидалось 10"_qs));

    // Best first: solved, fewer errors, does not run, no machine.
    ClickHeader(1);
    EXPECT_EQ(Column(1),
              (QStringList{u"Аня: решена"_qs, u"Борис: есть ошибки 8 из 10"_qs, u"Вера: есть ошибки 10 из 10"_qs,
                           u"Дима; <Ко> & \"сын\": не запускается"_qs, u"Глеб: нет решения"_qs}));
    ClickHeader(3);
    ClickHeader(3);
    EXPECT_EQ(Column(3).first(), u"Аня: 2 из 2"_qs);

    const QString csv = dir.filePath(u"класс.csv"_qs);
    const QString html = dir.filePath(u"класс.html"_qs);
    prompts.AnswerFile(csv);
    QTest::mouseClick(window.CsvButton, Qt::LeftButton);
    prompts.AnswerFile(html);
    QTest::mouseClick(window.HtmlButton, Qt::LeftButton);
    EXPECT_EQ(ReadAll(csv), window.Result().Csv());
    EXPECT_TRUE(
        ReadAll(csv).startsWith("\xEF\xBB\xBF\xD0\xA3\xD1\x87\xD0\xB5\xD0\xBD\xD0\xB8\xD0\xBA;inversion;erase;"));
    EXPECT_EQ(ReadAll(html), window.Result().Html().toUtf8());
    EXPECT_EQ(prompts.fileDialogs.value(1).fileName, u"класс.csv"_qs);
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

// A machine that never halts under a step limit of 10^8: the window stays live and Cancel ends the check.
TEST_F(ClassGradeWindow, CancelEndsTheClassCheckAndSaysSo) {
    WriteAll(
        made.bookDir + u"/long.task"_qs,
        codepage::Encode(u"[Task]\r\nTitle=Долгая\r\nAlphabet=01\r\nWord=0\r\nDiesCount=1\r\nMaxSteps=100000000\r\n"
                         u"Difficulty=5\r\nTimeLimit=3600\r\n\r\n[Statement]\r\nДолго.\r\n"_qs));
    WriteAll(made.bookDir + u"/long.tests"_qs, "0\t1\r\n");
    // Steps right and back for ever; without the loop check nothing stops it but the step limit.
    made.Put(u"Аня"_qs, u"long"_qs,
             codepage::Encode(u"[ABCD] 01\r\n[WORD] 0\r\n[BEGS] q0\r\n[STAT] q0\r\n[STAT] q1\r\n"
                              u"[COMM] q0                0 q1                0 Вправо\r\n"
                              u"[COMM] q1                # q0                # Влево\r\n"_qs));
    form->OpenBook(made.bookDir);
    prompts.AnswerFile(made.classDir);
    QTest::mouseClick(form->ClassButton, Qt::LeftButton);
    TClassGradeForm& window = *form->ClassForm();
    QSignalSpy finished(&window, &TClassGradeForm::finished);
    ASSERT_TRUE(window.Grading());
    EXPECT_FALSE(window.ChooseButton->isEnabled());
    ASSERT_TRUE(window.CancelButton->isEnabled());
    QTest::mouseClick(window.CancelButton, Qt::LeftButton);
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_TRUE(window.Result().cancelled);
    EXPECT_TRUE(window.SummaryLabel->text().endsWith(u" (проверка прервана)"_qs));
    EXPECT_TRUE(window.ChooseButton->isEnabled());
    EXPECT_FALSE(window.CancelButton->isEnabled());
}
