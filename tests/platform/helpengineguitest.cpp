#include "platform/helpengine.h"

#include "scriptedprompts.h"

#include <QAction>
#include <QDialog>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QWhatsThis>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString BuildDir = QStringLiteral(QTM_BUILD_DIR);
const QString HelpFile = BuildDir + QStringLiteral("/Qtm.hlp");

// ---- Context lookup and F1 ---------------------------------------------------------------------------------

// A dialog with a numbered group holding a numbered edit and an unnumbered one, and a numbered button.
struct TContextWindow {
    TContextWindow() {
        dialog.setProperty("helpContext", 2005);
        group->setProperty("helpContext", 1101);
        numbered->setProperty("helpContext", 1153);
        button->setProperty("helpContext", 1143);
        button->setGeometry(0, 40, 80, 24);
        group->setGeometry(0, 0, 200, 30);
        numbered->setGeometry(0, 0, 90, 24);
        unnumbered->setGeometry(100, 0, 90, 24);
        QObject::connect(button, &QPushButton::clicked, [this] { ++clicks; });
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }
    QDialog dialog;
    QWidget* group = new QWidget(&dialog);
    QLineEdit* numbered = new QLineEdit(group);
    QLineEdit* unnumbered = new QLineEdit(group);
    QPushButton* button = new QPushButton(QStringLiteral("Помощь"), &dialog);
    int clicks = 0;
};

TEST(HelpContextTest, OwnNumberElseTheNearestParentsElseNone) {
    TContextWindow w;
    auto* loose = new QLineEdit;
    std::unique_ptr<QLineEdit> owner(loose);
    QAction entry(nullptr);
    entry.setProperty("helpContext", 3041);
    EXPECT_EQ(HelpContextOf(w.numbered), 1153);
    EXPECT_EQ(HelpContextOf(w.unnumbered), 1101);
    EXPECT_EQ(HelpContextOf(w.group), 1101);
    EXPECT_EQ(HelpContextOf(w.button), 1143);
    EXPECT_EQ(HelpContextOf(&entry), 3041);
    EXPECT_EQ(HelpContextOf(loose), 0);
    EXPECT_EQ(HelpContextOf(nullptr), 0);
}

TEST(HelpContextTest, F1OpensTheFocusedControlsContext) {
    TContextWindow w;
    QList<int> opened;
    TContextHelp help([&](int context) { opened.append(context); });
    for (QWidget* focused : {static_cast<QWidget*>(w.numbered), static_cast<QWidget*>(w.unnumbered)}) {
        focused->setFocus();
        QTest::keyClick(focused, Qt::Key_F1);
    }
    EXPECT_EQ(opened, (QList<int>{1153, 1101}));
    EXPECT_TRUE(w.numbered->text().isEmpty());
}

TEST(HelpContextTest, ContextHelpModeOpensTheClickedControlInsteadOfActing) {
    TContextWindow w;
    QList<int> opened;
    TContextHelp help([&](int context) { opened.append(context); });
    w.numbered->setFocus();
    QTest::keyClick(w.numbered, Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_TRUE(help.InMode());
    QTest::mouseClick(w.button, Qt::LeftButton);
    EXPECT_FALSE(help.InMode());
    EXPECT_EQ(opened, QList<int>{1143});
    EXPECT_EQ(w.clicks, 0);

    // Out of the mode a click acts again; Esc leaves the mode without opening anything.
    QTest::mouseClick(w.button, Qt::LeftButton);
    EXPECT_EQ(w.clicks, 1);
    help.EnterMode();
    QTest::keyClick(w.numbered, Qt::Key_Escape);
    EXPECT_FALSE(help.InMode());
    EXPECT_EQ(opened.size(), 1);

    // The caption's "?" button enters the toolkit's What's This mode: the next click opens help all the same.
    QWhatsThis::enterWhatsThisMode();
    ASSERT_TRUE(QTest::qWaitFor([&] { return help.InMode(); }));
    EXPECT_FALSE(QWhatsThis::inWhatsThisMode());
    QTest::mouseClick(w.button, Qt::LeftButton);
    EXPECT_EQ(opened, (QList<int>{1143, 1143}));
    EXPECT_EQ(w.clicks, 1);
}

TEST(HelpContextTest, MenuEntriesOpenTheirOwnContextsWithoutRunning) {
    QList<int> opened;
    TContextHelp help([&](int context) { opened.append(context); });
    QMenu menu;
    QAction* contents = menu.addAction(QStringLiteral("&содержание"));
    QAction* about = menu.addAction(QStringLiteral("&о программе"));
    contents->setProperty("helpContext", 3041);
    about->setProperty("helpContext", 3044);
    int triggered = 0;
    QObject::connect(&menu, &QMenu::triggered, [&] { ++triggered; });

    menu.popup(QPoint(100, 100));
    menu.setActiveAction(contents);
    QTest::keyClick(&menu, Qt::Key_F1);
    EXPECT_FALSE(menu.isVisible());

    help.EnterMode();
    menu.popup(QPoint(100, 100));
    QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(about).center());
    EXPECT_EQ(opened, (QList<int>{3041, 3044}));
    EXPECT_EQ(triggered, 0);
    EXPECT_FALSE(help.InMode());
}

// ---- The engine --------------------------------------------------------------------------------------------

QString ShownTitle(const THelpEngine& engine) {
    auto* browser =
        engine.Window() ? engine.Window()->findChild<QTextBrowser*>(QStringLiteral("HelpBrowser")) : nullptr;
    return browser ? browser->documentTitle() : QString();
}

TEST(HelpEngineTest, ContextsOpenTheirPagesInOneWindowWithBackAndForward) {
    TScriptedPrompts prompts;
    THelpEngine engine(HelpFile, prompts);
    ASSERT_TRUE(engine.ShowContext(1153));
    EXPECT_EQ(ShownTitle(engine), QStringLiteral("Количество записей в отчете"));
    QWidget* window = engine.Window();
    ASSERT_TRUE(engine.ShowContext(2005));
    EXPECT_EQ(engine.Window(), window);
    EXPECT_EQ(ShownTitle(engine), QStringLiteral("Окно «Параметры»"));
    EXPECT_FALSE(window->isModal());

    window->findChild<QToolButton*>(QStringLiteral("BackButton"))->click();
    EXPECT_EQ(ShownTitle(engine), QStringLiteral("Количество записей в отчете"));
    window->findChild<QToolButton*>(QStringLiteral("ForwardButton"))->click();
    EXPECT_EQ(ShownTitle(engine), QStringLiteral("Окно «Параметры»"));

    ASSERT_TRUE(engine.ShowContents());
    EXPECT_EQ(ShownTitle(engine), QStringLiteral("Содержание"));
    ASSERT_TRUE(engine.ShowFinder());
    auto* tabs = window->findChild<QTabWidget*>(QStringLiteral("HelpTabs"));
    EXPECT_EQ(tabs->tabText(tabs->currentIndex()), QStringLiteral("Указатель"));
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

TEST(HelpEngineTest, MissingBrokenDocumentsAndMissingTopicsAreReportedByTheEngine) {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("Qtm.hlp"));
    const QString broken = dir.filePath(QStringLiteral("broken.hlp"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a help file");
    file.close();
    const struct {
        QString fileName;
        int context;
        QString text;
    } cases[] = {
        {missing, 2000,
         QStringLiteral("Не удается открыть файл справки ") + missing + QStringLiteral(": файл не найден.")},
        {broken, 2000,
         QStringLiteral("Файл справки ") + broken + QStringLiteral(" поврежден или не является файлом справки.")},
        {HelpFile, 4999, QStringLiteral("В файле справки ") + HelpFile + QStringLiteral(" нет раздела 4999.")},
    };
    for (const auto& c : cases) {
        TScriptedPrompts prompts;
        prompts.Answer(TAnswer::Ok);
        THelpEngine engine(c.fileName, prompts);
        EXPECT_FALSE(engine.ShowContext(c.context));
        ASSERT_EQ(prompts.boxes.size(), 1) << c.fileName.toStdString();
        EXPECT_EQ(prompts.boxes[0].caption, QStringLiteral("Справка"));
        EXPECT_EQ(prompts.boxes[0].text, c.text);
        EXPECT_EQ(prompts.boxes[0].icon, TIcon::Stop);
    }
}

TEST(HelpEngineTest, ViewerOpenedFromAModalDialogStandsOverIt) {
    TScriptedPrompts prompts;
    THelpEngine engine(HelpFile, prompts);
    QDialog dialog;
    QWindow* over = nullptr;
    QTimer::singleShot(0, &dialog, [&] {
        engine.ShowContext(2005);
        over = engine.Window()->windowHandle()->transientParent();
        dialog.accept();
    });
    dialog.exec();
    EXPECT_EQ(over, dialog.windowHandle());
}

TEST(HelpEngineTest, ApplicationHelpServesTheHelpMenuTheDialogsAndTheTheory) {
    TScriptedPrompts prompts;
    {
        TApplicationHelp help(HelpFile, prompts);
        ASSERT_EQ(ApplicationHelp(), &help);
        OpenHelpContext(2000);
        EXPECT_EQ(ShownTitle(help.Engine()), QStringLiteral("Главное окно"));
        HelpOpener()(2004);
        EXPECT_EQ(ShownTitle(help.Engine()), QStringLiteral("Окно команды"));
        EnterContextHelpMode();
        EXPECT_TRUE(help.ContextHelp().InMode());
        help.ContextHelp().LeaveMode();

        EXPECT_TRUE(OpenHelpDocumentContents(BuildDir + QStringLiteral("/turring.hlp")));
        EXPECT_EQ(ShownTitle(help.Document(BuildDir + QStringLiteral("/turring.hlp"))),
                  QStringLiteral("Теория по машине Тьюринга"));
        EXPECT_TRUE(prompts.boxes.isEmpty());
    }
    EXPECT_EQ(ApplicationHelp(), nullptr);
    OpenHelpContext(2000);
}

// Every help context number the program's windows assign, read from the sources: integer literals from 1000
// to 3999 in the units that deal in help contexts.
QMap<int, QString> ContextsInSources() {
    QMap<int, QString> found;
    const QRegularExpression literal(QStringLiteral("(?<![\\w.])([123]\\d{3})(?![\\w.])"));
    QDirIterator it(QStringLiteral(QTM_SOURCE_DIR "/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(file.readAll());
        if (!text.contains(QStringLiteral("helpcontext"), Qt::CaseInsensitive))
            continue;
        for (const auto& match : literal.globalMatch(text))
            found.insert(match.captured(1).toInt(), it.fileName());
    }
    return found;
}

TEST(HelpEngineTest, EveryContextNumberHasItsOwnTitledPage) {
    QMap<int, QString> contexts = ContextsInSources();
    EXPECT_GT(contexts.size(), 90);
    // The numbers the windows are known to assign, whether or not their code is in the tree yet.
    const std::pair<int, int> ranges[] = {
        {1000, 1007}, {1009, 1009}, {1101, 1108}, {1110, 1114}, {1120, 1126}, {1130, 1132}, {1140, 1143},
        {1152, 1153}, {1157, 1157}, {1160, 1160}, {1200, 1200}, {1210, 1211}, {1220, 1223}, {1230, 1232},
        {1300, 1300}, {1310, 1312}, {1400, 1404}, {1410, 1412}, {1420, 1422}, {2000, 2000}, {2002, 2006},
        {2008, 2008}, {3000, 3005}, {3010, 3021}, {3030, 3036}, {3040, 3044}, {3053, 3057}, {3060, 3060}};
    for (const auto& [first, last] : ranges)
        for (int context = first; context <= last; ++context)
            contexts.insert(context, contexts.value(context, QStringLiteral("the known list")));

    TScriptedPrompts prompts;
    THelpEngine engine(HelpFile, prompts);
    QSet<QUrl> pages;
    for (auto it = contexts.cbegin(); it != contexts.cend(); ++it) {
        const QUrl page = engine.PageOf(it.key());
        EXPECT_FALSE(page.isEmpty()) << "no page for context " << it.key() << " used in " << it.value().toStdString();
        pages.insert(page);
    }
    // One page per number, each with its own Russian heading.
    EXPECT_EQ(pages.size(), contexts.size());
    ASSERT_TRUE(engine.ShowContext(1004));
    EXPECT_EQ(ShownTitle(engine), QStringLiteral("Старт"));
    EXPECT_FALSE(engine.ContentsPage().isEmpty());
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

} // namespace
