#include "log/logform.h"
#include "windowdriver.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFileInfo>
#include <QTableView>

namespace {

class RunLogForm : public TWindowDriver {
protected:
    TLogForm* Log() const { return form->findChild<TLogForm*>(QStringLiteral("LogForm")); }

    QStringList ShownRow(int row) const {
        const QAbstractItemModel* model = Log()->findChild<QTableView*>(QStringLiteral("ListView"))->model();
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            if (c != 4) // the word column's form is the log's own business
                cells << model->index(row, c).data().toString();
        return cells;
    }
};

QString ExamplesDir() {
    return QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().absoluteFilePath(QStringLiteral("../../examples"));
}

} // namespace

TEST_F(RunLogForm, F6ShowsTheRunAndShiftCtrlSSavesItAsTheFirstFreeReport) {
    ASSERT_NE(Log(), nullptr);
    EXPECT_FALSE(Log()->isVisible());
    Press(Qt::Key_F6);
    EXPECT_TRUE(Log()->isVisible());
    EXPECT_EQ(Log()->windowTitle(), QStringLiteral("Отчет"));

    DefineInversion(QStringLiteral("01"));
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    prompts.Answer(TAnswer::Ok);
    Press(Qt::Key_F9);
    EXPECT_EQ(RunToEnd(), 3);
    QCoreApplication::processEvents();
    const QAbstractItemModel* model = Log()->findChild<QTableView*>(QStringLiteral("ListView"))->model();
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_EQ(ShownRow(0), QStringList({"0", "q0", "0", "0", "q0(0)->q0(1)-Вправо"}));
    EXPECT_EQ(ShownRow(2), QStringList({"2", "q0", "#", "2", "q0(#)->end(#)-На месте"}));

    const QString logDir = dir.filePath(QStringLiteral("logs"));
    ASSERT_TRUE(QDir().mkpath(logDir));
    form->Config().DirLog = logDir;
    ASSERT_TRUE(QFile(QDir(logDir).filePath(QStringLiteral("Отчет 1.log"))).open(QIODevice::WriteOnly));
    const QString report = QDir(logDir).filePath(QStringLiteral("Отчет 2.log"));
    prompts.AnswerFile(report);
    Press(Qt::SHIFT | Qt::CTRL | Qt::Key_S);
    ASSERT_EQ(prompts.fileDialogs.size(), 1);
    EXPECT_EQ(prompts.fileDialogs[0].title, QStringLiteral("Сохранение отчета"));
    EXPECT_EQ(prompts.fileDialogs[0].initialDir, logDir);
    EXPECT_EQ(prompts.fileDialogs[0].fileName, QStringLiteral("Отчет 2.log"));
    const QStringList lines = FileText(report).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("N         Исх. сост.        С  N симв. Слово")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("2         q0                #  2       ")))
        << lines[3].toStdString();
    EXPECT_TRUE(lines[3].endsWith(QStringLiteral("q0(#)->end(#)-На месте"))) << lines[3].toStdString();
    EXPECT_EQ(lines[4], QString());
    EXPECT_EQ(prompts.boxes.size(), 1);
}

TEST_F(RunLogForm, ARepeatedConfigurationAsksWhetherToGoOn) {
    const QString path = dir.filePath(QStringLiteral("endless_loop.qtm"));
    ASSERT_TRUE(QFile::copy(QDir(ExamplesDir()).filePath(QStringLiteral("endless_loop.qtm")), path));
    prompts.AnswerFile(path);
    Press(Qt::CTRL | Qt::Key_O);
    ASSERT_EQ(form->FileName(), path);

    RunState whileAsked = NoMachine;
    prompts.onAsk = [&](const TMessage&) { whileAsked = form->Engine().GetRunState(); };
    prompts.Answer(TAnswer::Cancel);
    Press(Qt::Key_F9);
    RunToEnd();
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0], Box(QStringLiteral("Проверка на зацикливание"),
                                    QStringLiteral("Машина Тьюринга уже находилась в подобном состоянии\n (шаг 1 ).\n "
                                                   "Возможно, машина Тьюринга зациклилась\nХотите продолжить работу "
                                                   "машины Тьюринга?"),
                                    TIcon::Exclamation, ButtonsOkCancel, TAnswer::Cancel));
    EXPECT_EQ(whileAsked, Paused);
    EXPECT_EQ(form->Engine().LastStop().step, 3);

    // Without the history check the same machine runs on.
    form->Config().History = false;
    Press(Qt::Key_F9);
    for (int i = 0; i < 20; ++i)
        form->Engine().StepOnce();
    EXPECT_EQ(form->Engine().GetRunState(), Running);
    EXPECT_EQ(prompts.boxes.size(), 1);
    Action("ResetItem")->trigger();
}
