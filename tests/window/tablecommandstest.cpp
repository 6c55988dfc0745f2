#include "table/handout.h"
#include "table/tableform.h"
#include "windowdriver.h"

#include <QDir>
#include <QFile>
#include <QTableView>

namespace {

using TableCommands = TWindowDriver;

QColor Colour(int value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

} // namespace

// Ctrl+T shows the table beside the window; the coming step's cell stands out during a run, and the table's
// place goes into the desktop file with the window's.
TEST_F(TableCommands, CtrlTShowsTheTableThatFollowsTheRunAndKeepsItsPlace) {
    DefineInversion(QStringLiteral("01"));
    Press(Qt::CTRL | Qt::Key_T);
    auto* table = form->findChild<TTableForm*>(QStringLiteral("TableForm"));
    ASSERT_NE(table, nullptr);
    EXPECT_TRUE(table->isVisible());
    const QAbstractItemModel* model = table->Grid()->model();
    EXPECT_EQ(model->index(2, 0).data().toString(), QStringLiteral("#, Н, end"));

    // Each step shows the command it will execute next in the colours of the active command.
    const TConfig& c = form->Config();
    for (int symbol : {0, 1}) {
        MakeActive(form.get());
        Press(Qt::Key_F8);
        QCoreApplication::processEvents();
        ASSERT_EQ(form->Engine().GetRunState(), Paused);
        EXPECT_EQ(model->index(symbol, 0).data(Qt::BackgroundRole).value<QColor>(), Colour(c.ActiveCommandBackground));
        EXPECT_FALSE(model->index(1 - symbol, 0).data(Qt::BackgroundRole).isValid());
    }

    table->setGeometry(33, 44, 300, 200);
    ASSERT_TRUE(form->StoreDesktop());
    EXPECT_NE(FileText(form->Config().desktopPath)
                  .indexOf(QStringLiteral(
                      "[TableForm]\r\nTableLeft=33\r\nTableTop=44\r\nTableWidth=300\r\nTableHeight=200\r\n")),
              -1);
}

TEST_F(TableCommands, ExportWritesTheHandoutAndAFailedOneSaysWhy) {
    DefineInversion(QStringLiteral("01"));
    const QString page = dir.filePath(QStringLiteral("лист.html"));
    prompts.AnswerFile(page);
    Action("ExportHtmlItem")->trigger();
    ASSERT_EQ(prompts.fileDialogs.size(), 1);
    EXPECT_EQ(prompts.fileDialogs[0].title, QStringLiteral("Экспорт в HTML"));
    EXPECT_EQ(prompts.fileDialogs[0].fileName, QStringLiteral("Без имени 1.html"));
    QFile written(page);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(written.readAll()),
              HandoutHtml(form->Machine(), THandout{QStringLiteral("Без имени 1.qtm"), QString(), false}));

    const QString nowhere = dir.filePath(QStringLiteral("нет/лист.html"));
    prompts.AnswerFile(nowhere);
    prompts.Answer(TAnswer::Ok);
    Action("ExportHtmlItem")->trigger();
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].caption, QStringLiteral("Экспорт в HTML"));
    EXPECT_TRUE(prompts.boxes[0].text.startsWith(QStringLiteral("Ошибка записи файла ") + nowhere + ": "))
        << prompts.boxes[0].text.toStdString();
    EXPECT_FALSE(QFile::exists(nowhere));

    // Once the state diagram has been made, the handout carries it, every state named in it.
    Action("DiagramView")->trigger();
    prompts.AnswerFile(page);
    Action("ExportHtmlItem")->trigger();
    QFile withDiagram(page);
    ASSERT_TRUE(withDiagram.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(withDiagram.readAll());
    EXPECT_TRUE(html.contains(QStringLiteral("<svg"))) << html.toStdString();
    for (const TStateItem& state : form->Machine().States())
        EXPECT_TRUE(html.contains(QStringLiteral(">") + state.name + QStringLiteral("<"))) << state.name.toStdString();
}
