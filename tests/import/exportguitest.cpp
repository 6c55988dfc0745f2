#include "../window/windowdriver.h"
#include "diagram/diagram.h"
#include "filetestutil.h"
#include "import/foreignmachine.h"
#include "import/importer.h"

#include <QFileInfo>
#include <QMenu>

namespace {

class ExportWindow : public TWindowDriver {
protected:
    // File, then "экспорт", by their underlined letters, as a user reaches them from the keyboard.
    void ExportByKeys(const QString& name) {
        prompts.AnswerFile(dir.filePath(name));
        MakeActive(form.get());
        QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : form.get();
        QTest::sendKeyEvent(QTest::Click, focus, Qt::Key(u'А'), QStringLiteral("а"), Qt::AltModifier);
        QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        QTest::sendKeyEvent(QTest::Click, menu, Qt::Key(u'Э'), QStringLiteral("э"), Qt::NoModifier);
    }
};

} // namespace

// The File menu's export writes the open machine in the format the file's extension names: JFLAP with the
// states where the diagram puts them, one rule a line with its renaming told; another extension is refused.
TEST_F(ExportWindow, FileMenuExportsByExtension) {
    const QString machine = dir.filePath(QStringLiteral("inversion.qtm"));
    ASSERT_TRUE(QFile::copy(
        QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().absoluteFilePath("../../examples/inversion.qtm"),
        machine));
    prompts.AnswerFile(machine);
    form->OpenFileItemClick();

    ExportByKeys(QStringLiteral("inversion.jff"));
    ASSERT_EQ(prompts.fileDialogs.size(), 2);
    EXPECT_EQ(prompts.fileDialogs[1].fileName, QStringLiteral("inversion.jff"));
    const QString jff = QString::fromUtf8(ReadAll(dir.filePath(QStringLiteral("inversion.jff"))));
    for (const TDiagramNode& node : LayOutDiagram(DiagramSourceOf(form->Machine())).nodes)
        EXPECT_TRUE(jff.contains(
            QStringLiteral("name=\"%1\">\n\t\t\t<x>%2</x>\n\t\t\t<y>%3</y>")
                .arg(node.name, QString::number(node.centre.x(), 'f', 1), QString::number(node.centre.y(), 'f', 1))));
    TImportedMachine back;
    QString error;
    EXPECT_TRUE(ReadImportFile(dir.filePath(QStringLiteral("inversion.jff")), back, error));
    EXPECT_EQ(back.commands.size(), 3);

    prompts.Answer(TAnswer::Ok);
    ExportByKeys(QStringLiteral("inversion.tm"));
    EXPECT_EQ(ReadAll(dir.filePath(QStringLiteral("inversion.tm"))), QByteArray("0 0 1 r 0\n0 1 0 r 0\n0 _ _ l q1\n"));
    prompts.Answer(TAnswer::Ok);
    ExportByKeys(QStringLiteral("inversion.xml"));
    ASSERT_EQ(prompts.boxes.size(), 2);
    EXPECT_EQ(prompts.boxes[0].text, QStringLiteral("состояние «q0» записано как «0»"));
    EXPECT_EQ(prompts.boxes[0].icon, TIcon::Information);
    EXPECT_EQ(prompts.boxes[1].text, QStringLiteral("Формат узнается по расширению файла: .jff - JFLAP, .tm - по "
                                                    "одному правилу в строке, .txt - по две строки на правило"));
    EXPECT_EQ(prompts.boxes[1].icon, TIcon::Stop);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("inversion.xml"))));
}

// A machine the format refuses is refused with the exporter's reason before any layout is begun.
TEST_F(ExportWindow, ARefusedMachineIsRefusedBeforeAnyLayout) {
    QByteArray bytes =
        ReadAll(QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().absoluteFilePath("../../examples/inversion.qtm"));
    bytes.replace("[ABCD] 01", "[ABCD] 01~");
    bytes.replace("q0                1 q0                0", "q0                1 q0                ~");
    const QString machine = dir.filePath(QStringLiteral("refused.qtm"));
    ASSERT_TRUE(WriteAll(machine, bytes));
    prompts.AnswerFile(machine);
    form->OpenFileItemClick();

    const int before = DiagramLayoutsBegun();
    prompts.Answer(TAnswer::Ok);
    ExportByKeys(QStringLiteral("refused.jff"));
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].text,
              QStringLiteral("Команда 1: символ «~» нельзя записать в формате JFLAP: там «~» означает любой символ"));
    EXPECT_EQ(DiagramLayoutsBegun(), before);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("refused.jff"))));
}
