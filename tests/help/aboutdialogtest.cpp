#include "help/aboutdialog.h"

#include "machinefixture.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

QString LabelText(const QDialog& dialog, const char* name) {
    auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
}

TEST(AboutDialogTest, ShowsTheIconTheNameTheAuthorsTheLicenceAndTheYear) {
    TAboutDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("О программе"));
    EXPECT_EQ(LabelText(dialog, "Label1"), QStringLiteral("Машина Тьюринга"));
    EXPECT_EQ(LabelText(dialog, "Label2"), QStringLiteral("Авторы: кафедра дискретной математики"));
    EXPECT_EQ(LabelText(dialog, "Label4"), QStringLiteral("Учебная лаборатория теории алгоритмов"));
    EXPECT_EQ(LabelText(dialog, "Label5"), QStringLiteral("Свободная программа: лицензия MIT (Expat)"));
    EXPECT_EQ(LabelText(dialog, "Label3"), QStringLiteral("2026 год"));
    auto* image = dialog.findChild<QLabel*>(QStringLiteral("Image1"));
    ASSERT_NE(image, nullptr);
    const QImage icon = image->pixmap().toImage();
    ASSERT_FALSE(icon.isNull());
    // Drawn, not blank: the corner is transparent and the middle is painted.
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(icon.width() / 2, icon.height() / 2)), 255);
    EXPECT_FALSE(ProgramIcon().pixmap(32).isNull());
}

TEST(AboutDialogTest, EnterAndEscBothCloseThroughTheOneButton) {
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        TAboutDialog dialog;
        auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("OKButton"));
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->text(), QStringLiteral("ОК"));
        EXPECT_TRUE(ok->isDefault());
        QTimer::singleShot(0, &dialog, [&dialog, key] { QTest::keyClick(&dialog, key); });
        dialog.exec();
        EXPECT_FALSE(dialog.isVisible()) << key;
    }
}

class AboutRunTest : public MachineTest {};

TEST_F(AboutRunTest, RunningMachinePausesWhileTheBoxIsOpenAndRunsOnAfter) {
    Define("a", "a", "q0", {"q0 a q1 a R", "q1 # q0 # L"});
    engine.SetRunState(Running);
    ASSERT_EQ(engine.GetRunState(), Running);
    RunState whileOpen = NoMachine;
    QTimer::singleShot(0, [&] {
        whileOpen = engine.GetRunState();
        if (QWidget* box = QApplication::activeModalWidget())
            box->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    });
    ExecuteAboutDialog(nullptr, &engine);
    EXPECT_EQ(whileOpen, Paused);
    EXPECT_EQ(engine.GetRunState(), Running);
    engine.SetRunState(Ready);
}

} // namespace
