#include "../window/windowdriver.h"
#include "diagram/diagram.h"
#include "filetestutil.h"
#include "import/foreignmachine.h"
#include "import/importer.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>

namespace {

class ExportWindow : public TWindowDriver {
protected:
    // File, then "экспорт", by their underlined letters, as a user reaches them from the keyboard.
    void ExportByKeys(const QString& target) {
        prompts.AnswerFile(target);
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
// states where the diagram puts them, one rule a line as text; another extension is refused with a message.
TEST_F(ExportWindow, FileMenuExportsByExtension) {
    const QString machine = dir.filePath(QStringLiteral("inversion.qtm"));
    ASSERT_TRUE(QFile::copy(QFileInfo(QString::fromUtf8(__FILE__))
                                .absoluteDir()
                                .absoluteFilePath(QStringLiteral("../../examples/inversion.qtm")),
                            machine));
    prompts.AnswerFile(machine);
    form->OpenFileItemClick();
    ASSERT_EQ(form->FileName(), machine);

    const QString jff = dir.filePath(QStringLiteral("inversion.jff"));
    ExportByKeys(jff);
    ASSERT_EQ(prompts.fileDialogs.size(), 2);
    EXPECT_EQ(prompts.fileDialogs[1].title, QStringLiteral("Экспорт машины в другую программу"));
    EXPECT_EQ(prompts.fileDialogs[1].fileName, QStringLiteral("inversion.jff"));
    EXPECT_TRUE(prompts.boxes.isEmpty());
    TImportedMachine back;
    QString error;
    ASSERT_TRUE(ReadImportFile(jff, back, error)) << error.toStdString();
    EXPECT_EQ(back.initialState, QStringLiteral("q0"));
    EXPECT_EQ(back.commands.size(), 3);
    // The places are the diagram's, not the grid's that states without a place get.
    const QString text = QString::fromUtf8(ReadAll(jff));
    const TDiagram diagram = LayOutDiagram(DiagramSourceOf(form->Machine()));
    ASSERT_EQ(diagram.nodes.size(), 2);
    for (const TDiagramNode& node : diagram.nodes) {
        const QString place =
            QStringLiteral("name=\"%1\">\n\t\t\t<x>%2</x>\n\t\t\t<y>%3</y>")
                .arg(node.name, QString::number(node.centre.x(), 'f', 1), QString::number(node.centre.y(), 'f', 1));
        EXPECT_TRUE(text.contains(place)) << place.toStdString();
    }

    // That format starts in state "0": the renaming is told once the file is written.
    const QString lines = dir.filePath(QStringLiteral("inversion.tm"));
    prompts.Answer(TAnswer::Ok);
    ExportByKeys(lines);
    EXPECT_EQ(ReadAll(lines), QByteArray("0 0 1 r 0\n0 1 0 r 0\n0 _ _ l q1\n"));
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].caption, QStringLiteral("Экспорт машины"));
    EXPECT_EQ(prompts.boxes[0].text, QStringLiteral("состояние «q0» записано как «0»"));
    EXPECT_EQ(prompts.boxes[0].icon, TIcon::Information);

    prompts.Answer(TAnswer::Ok);
    ExportByKeys(dir.filePath(QStringLiteral("inversion.xml")));
    ASSERT_EQ(prompts.boxes.size(), 2);
    EXPECT_EQ(prompts.boxes[1].text, QStringLiteral("Формат узнается по расширению файла: .jff - JFLAP, .tm - по "
                                                    "одному правилу в строке, .txt - по две строки на правило"));
    EXPECT_EQ(prompts.boxes[1].icon, TIcon::Stop);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("inversion.xml"))));
}
