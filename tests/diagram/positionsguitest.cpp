#include "diagram/positions.h"
#include "filetestutil.h"
#include "formfixture.h"
#include "machine/machine.h"
#include "platform/fileio.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QTimer>
#include <QDir>
#include <QFileInfo>

#include <cerrno>

namespace {

class PositionsWindow : public TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        form->Config().NormalLoad = false;
        ASSERT_TRUE(
            QFile::copy(QFileInfo(__FILE__).absoluteDir().absoluteFilePath("../../examples/inversion.qtm"), machine));
    }

    void Open(const QString& path) {
        prompts.AnswerFile(path);
        form->OpenFileItemClick();
        ASSERT_EQ(form->FileName(), path);
    }

    void Trigger(const char* action) { form->findChild<QAction*>(action)->trigger(); }
    QByteArray Pos(const char* name) const { return ReadAll(dir.filePath(name)); }

    const QString machine = dir.filePath("inversion.qtm");
};

} // namespace

// A moved state marks the machine changed; every way of saving writes the positions beside it (Save as under
// the new name, the close question's "Да" too); opening reads them; with none left the old file goes.
TEST_F(PositionsWindow, PositionsTravelWithTheMachine) {
    Open(machine);
    form->Positions().SetPosition("q1", {-12.5, 40});
    EXPECT_TRUE(form->Modified());
    Trigger("SaveFileItem");
    EXPECT_EQ(Text(Pos("inversion.pos")), "q1=-12.5,40\r\n");

    form->Positions().SetPosition("Q0", {1, 2});
    prompts.AnswerFile(dir.filePath("copy.qtm"));
    Trigger("SaveFileAsItem");
    EXPECT_EQ(Text(Pos("copy.pos")), "q0=1,2\r\nq1=-12.5,40\r\n");
    form->Positions().SetPosition("q0", {3, 4});
    prompts.Answer(TAnswer::Yes);
    Open(machine);
    EXPECT_EQ(Text(Pos("copy.pos")), "q0=3,4\r\nq1=-12.5,40\r\n");
    EXPECT_EQ(form->Positions().Positions(), (QHash<QString, QPointF>{{"q1", {-12.5, 40}}}));
    EXPECT_FALSE(form->Modified());

    form->Positions().Clear();
    Trigger("SaveFileItem");
    EXPECT_FALSE(QFile::exists(dir.filePath("inversion.pos")));
    ASSERT_TRUE(WriteAll(dir.filePath("Без имени 1.pos"), "q0=1,2\r\n"));
    Trigger("NewFileItem");
    EXPECT_TRUE(form->Positions().IsEmpty());
}

// A state renamed in the list keeps its place on the diagram.
TEST_F(PositionsWindow, ARenamedStateKeepsItsPlace) {
    Open(machine);
    form->Positions().SetPosition("q1", {5, 6});
    auto* states = form->findChild<QListView*>("StateListBox");
    states->setFocus();
    states->setCurrentIndex(states->model()->index(1, 0));
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_TRUE(dialog);
        auto* edit = dialog->findChild<QLineEdit*>("StateEdit");
        edit->selectAll();
        QTest::keyClicks(edit, "end");
        QTest::keyClick(edit, Qt::Key_Return);
    });
    Trigger("StateEdit");
    EXPECT_EQ(form->Machine().States()[1].name, "end");
    EXPECT_EQ(form->Positions().Positions(), (QHash<QString, QPointF>{{"end", {5, 6}}}));
}

// A positions file that cannot be written is told on its own; the machine is saved all the same and the old
// positions file stays whole.
TEST_F(PositionsWindow, APositionsFailureIsToldAndTheMachineIsSaved) {
    ASSERT_TRUE(WriteAll(dir.filePath("inversion.pos"), "q0=1,2\r\n"));
    Open(machine);
    form->Machine().SetWordText("1");
    form->Positions().SetPosition("q1", {5, 6});
    fileio::SetFaultHook([](fileio::TStep step, const QString& path) {
        return step == fileio::TStep::Write && path.contains(".pos.") ? ENOSPC : 0;
    });
    prompts.Answer(TAnswer::Ok);
    Trigger("SaveFileItem");
    fileio::SetFaultHook({});
    EXPECT_TRUE(ReadAll(machine).contains("[WORD] 1\r\n"));
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].text, "Машина сохранена, но положения состояний на диаграмме не записаны\n" +
                                         dir.filePath("inversion.pos") + u'\n' + fileio::ErrorText(ENOSPC));
    EXPECT_EQ(prompts.boxes[0].icon, TIcon::Exclamation);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{"inversion.bak", "inversion.pos", "inversion.qtm"}));
    EXPECT_EQ(Text(Pos("inversion.pos")), "q0=1,2\r\n");
}

// JFLAP export from the window puts the states where the user put them, the others beside them; a machine
// too large to lay out goes on the grid, said so, unless the user placed every state.
TEST_F(PositionsWindow, ExportTakesTheUsersPlaces) {
    Open(machine);
    form->Positions().SetPosition("q1", {-300, -200});
    prompts.AnswerFile(dir.filePath("out.jff"));
    form->ExportFileItemClick();
    EXPECT_TRUE(Pos("out.jff").contains("name=\"q1\">\n\t\t\t<x>-300.0</x>\n\t\t\t<y>-200.0</y>"));
    EXPECT_TRUE(Pos("out.jff").contains("name=\"q0\">\n\t\t\t<x>-200.0</x>\n\t\t\t<y>-200.0</y>"));

    for (int i = 1; i < 100; ++i)
        form->Machine().AddState(QStringLiteral("s%1").arg(i));
    for (int i = 0; i < 100; ++i)
        form->Positions().SetPosition(i ? QStringLiteral("s%1").arg(i) : "q0", {i * 100.0, 0});
    prompts.AnswerFile(dir.filePath("large.jff"));
    form->ExportFileItemClick();
    EXPECT_TRUE(Pos("large.jff").contains("name=\"s1\">\n\t\t\t<x>100.0</x>"));
    EXPECT_TRUE(prompts.boxes.isEmpty());
    form->Machine().AddState("s100");
    prompts.Answer(TAnswer::Ok);
    prompts.AnswerFile(dir.filePath("large.jff"));
    form->ExportFileItemClick();
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].text,
              "состояния расставлены сеткой: у машины больше 100 состояний или команд, ее диаграмма строится слишком "
              "долго");
}
