#include "diagram/positions.h"
#include "filetestutil.h"
#include "formfixture.h"
#include "machine/machine.h"
#include "platform/fileio.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>

#include <cerrno>

namespace {

using TPoints = QHash<QString, QPointF>;

class PositionsWindow : public TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        form->Config().NormalLoad = false;
        form->Config().AutoFile = false;
        form->Config().Exit = false;
        ASSERT_TRUE(QFile::copy(QFileInfo(QString::fromUtf8(__FILE__))
                                    .absoluteDir()
                                    .absoluteFilePath(QStringLiteral("../../examples/inversion.qtm")),
                                machine));
    }

    void Open(const QString& path) {
        prompts.AnswerFile(path);
        form->OpenFileItemClick();
        ASSERT_EQ(form->FileName(), path);
    }

    void Trigger(const char* action) { form->findChild<QAction*>(QString::fromLatin1(action))->trigger(); }

    QStringList Files() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }

    const QString machine = dir.filePath(QStringLiteral("inversion.qtm"));
    const QString positions = dir.filePath(QStringLiteral("inversion.pos"));
};

} // namespace

// A moved state marks the machine changed; every way of saving writes the positions beside it, Save as under
// the new name; opening reads them back; with none left the old file goes.
TEST_F(PositionsWindow, PositionsTravelWithTheMachine) {
    Open(machine);
    EXPECT_TRUE(form->Positions().IsEmpty());
    form->Positions().SetPosition(QStringLiteral("q1"), {-12.5, 40});
    EXPECT_TRUE(form->Modified());
    Trigger("SaveFileItem");
    EXPECT_FALSE(form->Modified());
    EXPECT_EQ(Text(ReadAll(positions)), "q1=-12.5,40\r\n");

    const QString copy = dir.filePath(QStringLiteral("copy.qtm"));
    form->Positions().SetPosition(QStringLiteral("Q0"), {1, 2});
    prompts.AnswerFile(copy);
    Trigger("SaveFileAsItem");
    EXPECT_EQ(Text(ReadAll(dir.filePath(QStringLiteral("copy.pos")))), "q0=1,2\r\nq1=-12.5,40\r\n");
    EXPECT_EQ(Text(ReadAll(positions)), "q1=-12.5,40\r\n");

    // Closing with "save the changes?" answered yes saves them too.
    form->Positions().SetPosition(QStringLiteral("q0"), {3, 4});
    prompts.Answer(TAnswer::Yes);
    Open(machine);
    EXPECT_EQ(Text(ReadAll(dir.filePath(QStringLiteral("copy.pos")))), "q0=3,4\r\nq1=-12.5,40\r\n");
    EXPECT_EQ(form->Positions().Positions(), (TPoints{{QStringLiteral("q1"), {-12.5, 40}}}));
    EXPECT_FALSE(form->Modified());

    form->Positions().Clear();
    EXPECT_TRUE(form->Modified());
    Trigger("SaveFileItem");
    EXPECT_EQ(Files(), (QStringList{"copy.bak", "copy.pos", "copy.qtm", "inversion.bak", "inversion.qtm"}));
    EXPECT_EQ(prompts.boxes.size(), 1);

    // A new machine starts without positions, even where a stale file lies beside its name.
    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("Без имени 1.pos")), "q0=1,2\r\n"));
    Trigger("NewFileItem");
    EXPECT_TRUE(form->Positions().IsEmpty());
}

// A positions file that cannot be written is told on its own; the machine is saved all the same, and the
// positions file that was there stays whole.
TEST_F(PositionsWindow, APositionsFailureIsToldAndTheMachineIsSaved) {
    ASSERT_TRUE(WriteAll(positions, "q0=1,2\r\n"));
    Open(machine);
    EXPECT_EQ(form->Positions().Positions(), (TPoints{{QStringLiteral("q0"), {1, 2}}}));
    form->Machine().SetWordText(QStringLiteral("1"));
    form->Positions().SetPosition(QStringLiteral("q1"), {5, 6});
    fileio::SetFaultHook([](fileio::TStep step, const QString& path) {
        return step == fileio::TStep::Write && path.contains(QStringLiteral(".pos.")) ? ENOSPC : 0;
    });
    prompts.Answer(TAnswer::Ok);
    Trigger("SaveFileItem");
    fileio::SetFaultHook({});
    EXPECT_TRUE(ReadAll(machine).contains("[WORD] 1\r\n"));
    EXPECT_FALSE(form->Modified());
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].caption, QStringLiteral("Сохранение файла"));
    EXPECT_EQ(prompts.boxes[0].text, QStringLiteral("Машина сохранена, но положения состояний на диаграмме не "
                                                    "записаны\n") +
                                         positions + u'\n' + fileio::ErrorText(ENOSPC));
    EXPECT_EQ(prompts.boxes[0].icon, TIcon::Exclamation);
    EXPECT_EQ(Text(ReadAll(positions)), "q0=1,2\r\n");
    EXPECT_EQ(Files(), (QStringList{"inversion.bak", "inversion.pos", "inversion.qtm"}));
}

// JFLAP export from the window puts the states where the user put them, the others beside them, also in a
// machine too large for the window to lay out.
TEST_F(PositionsWindow, ExportTakesTheUsersPlaces) {
    Open(machine);
    form->Positions().SetPosition(QStringLiteral("q1"), {-300, -200});
    prompts.AnswerFile(dir.filePath(QStringLiteral("out.jff")));
    form->ExportFileItemClick();
    const QString jff = QString::fromUtf8(ReadAll(dir.filePath(QStringLiteral("out.jff"))));
    EXPECT_TRUE(jff.contains(QStringLiteral("name=\"q1\">\n\t\t\t<x>-300.0</x>\n\t\t\t<y>-200.0</y>")))
        << jff.toStdString();
    EXPECT_TRUE(jff.contains(QStringLiteral("name=\"q0\">\n\t\t\t<x>-200.0</x>\n\t\t\t<y>-200.0</y>")))
        << jff.toStdString();
    EXPECT_TRUE(prompts.boxes.isEmpty());

    // A machine too large to lay out in the window goes on the grid, said so, unless the user placed every state.
    for (int i = 1; i < 100; ++i)
        form->Machine().AddState(QStringLiteral("s%1").arg(i));
    for (int i = 2; i < 100; ++i)
        form->Positions().SetPosition(QStringLiteral("s%1").arg(i), {i * 100.0, 0});
    form->Positions().SetPosition(QStringLiteral("q0"), {0, 0});
    prompts.Answer(TAnswer::Ok);
    prompts.AnswerFile(dir.filePath(QStringLiteral("large.jff")));
    form->ExportFileItemClick();
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].text, QStringLiteral("состояния расставлены сеткой: у машины больше 100 состояний или "
                                                    "команд, ее диаграмма строится слишком долго"));
    form->Positions().SetPosition(QStringLiteral("s1"), {-100, 0});
    prompts.AnswerFile(dir.filePath(QStringLiteral("large.jff")));
    form->ExportFileItemClick();
    EXPECT_EQ(prompts.boxes.size(), 1);
    EXPECT_TRUE(ReadAll(dir.filePath(QStringLiteral("large.jff"))).contains("name=\"s1\">\n\t\t\t<x>-100.0</x>"));
}
