#include "breakpoints/breakpoint.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "window/mainform.h"
#include "window/tapeview.h"
#include "faultinjection.h"
#include "formfixture.h"
#include "settings/config.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QRegularExpression>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QHelpEvent>
#include <QStyle>
#include <QTableView>
#include <QToolTip>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

#include <cerrno>

namespace {

class MainForm : public TFormFixture {
protected:
    template <class T>
    T* Child(const char* name) const {
        T* child = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    // alphabet "ab", word "ab", q0 turns every a into b going right and halts on the blank.
    void DefineMachine(const QString& word = QStringLiteral("ab")) {
        TMachine& m = form->Machine();
        m.SetAlphabetText(QStringLiteral("ab"));
        m.SetWordText(word);
        m.SetInitialState(QStringLiteral("q0"));
        m.AddCommand(QStringLiteral("q0"), QStringLiteral("a"), QStringLiteral("q0"), QStringLiteral("b"),
                     MoveRightText);
        m.AddCommand(QStringLiteral("q0"), QStringLiteral("b"), QStringLiteral("q0"), QStringLiteral("b"),
                     MoveRightText);
        form->Config().SaveFileRun = false;
    }

    QString Cells() const {
        QString s;
        for (const TTapeCell& c : form->Machine().Tape())
            s.append(c.symbol);
        return s;
    }
};

struct TControlState {
    RunState state;
    bool start, reset, breakEnabled, nextStep, editing;
    const char16_t* breakCaption;
};

} // namespace

TEST_F(MainForm, StartsWithANewMachineReadyForEditing) {
    EXPECT_EQ(form->Engine().GetRunState(), Ready);
    // The untitled name is shown bare, though the file object keeps its directory.
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Машина Тьюринга - Без имени 1.qtm"));
    EXPECT_EQ(form->FileName(), dir.filePath(QStringLiteral("Без имени 1.qtm")));
    EXPECT_TRUE(Child<QLineEdit>("ABCEdit")->isEnabled());
    EXPECT_EQ(Cells(), QStringLiteral("##"));
}

TEST_F(MainForm, ControlsFollowTheRunState) {
    DefineMachine(QStringLiteral("aaaa"));
    auto* start = Child<QPushButton>("StartButton");
    auto* reset = Child<QPushButton>("ResetButton");
    auto* brk = Child<QPushButton>("BreakButton");
    auto* next = Child<QPushButton>("NextStepButton");
    auto* breakItem = Child<QAction>("BreakItem");
    auto* abc = Child<QLineEdit>("ABCEdit");
    const TControlState table[] = {
        {Ready, true, false, true, true, true, u"начать"},
        {Running, false, true, true, false, false, u"прервать"},
        {Paused, false, true, true, true, false, u"продолжить"},
        {Ready, true, false, true, true, true, u"начать"},
    };
    auto check = [&](const TControlState& c) {
        SCOPED_TRACE(int(c.state));
        EXPECT_EQ(form->Engine().GetRunState(), c.state);
        EXPECT_EQ(start->isEnabled(), c.start);
        EXPECT_EQ(Child<QAction>("StartItem")->isEnabled(), c.start);
        EXPECT_EQ(reset->isEnabled(), c.reset);
        EXPECT_EQ(brk->isEnabled(), c.breakEnabled);
        EXPECT_EQ(next->isEnabled(), c.nextStep);
        EXPECT_EQ(abc->isEnabled(), c.editing);
        EXPECT_EQ(Child<QAction>("NewFileItem")->isEnabled(), c.state == Ready);
        EXPECT_EQ(Child<QAction>("WordUpdate")->isEnabled(), c.state == Ready);
        EXPECT_EQ(brk->text().remove(QLatin1Char('&')), QString::fromUtf16(c.breakCaption));
        EXPECT_EQ(breakItem->text(), brk->text());
    };
    check(table[0]);
    brk->click();
    check(table[1]);
    EXPECT_TRUE(Child<QLabel>("StatusPanel1")->text().isEmpty() ||
                Child<QLabel>("StatusPanel1")->text() == QStringLiteral("Состояние: q0"));
    brk->click();
    check(table[2]);
    reset->click();
    check(table[3]);

    // Without a file nothing runs or can be edited.
    prompts.Answer(TAnswer::No); // do not save the changed machine
    form->SetCurrentFile(QString());
    EXPECT_EQ(form->Engine().GetRunState(), NoMachine);
    EXPECT_FALSE(brk->isEnabled());
    EXPECT_FALSE(start->isEnabled());
    EXPECT_FALSE(abc->isEnabled());
    EXPECT_EQ(brk->text().remove(QLatin1Char('&')), QStringLiteral("начать"));
    EXPECT_TRUE(form->Machine().Alphabet().isEmpty());
}

TEST_F(MainForm, EnterStartsTheRun) {
    DefineMachine(QStringLiteral("aaaa"));
    QLineEdit* word = Child<QLineEdit>("WordEdit");
    word->setFocus();
    QTest::keyClick(word, Qt::Key_Return);
    EXPECT_EQ(form->Engine().GetRunState(), Running);
}

TEST_F(MainForm, NextStepTwiceExecutesOneCommandAndResetKeepsTheTape) {
    DefineMachine();
    auto* next = Child<QPushButton>("NextStepButton");
    next->click();
    EXPECT_EQ(form->Engine().GetRunState(), Paused);
    EXPECT_EQ(Child<QLabel>("StatusPanel2")->text(), QString());
    EXPECT_EQ(Cells(), QStringLiteral("#ab#"));
    next->click();
    EXPECT_EQ(Cells(), QStringLiteral("#bb#"));
    EXPECT_EQ(Child<QLabel>("StatusPanel2")->text(), QStringLiteral("Шаг 1"));
    EXPECT_EQ(Child<QLabel>("StatusPanel1")->text(), QStringLiteral("Состояние: q0"));
    EXPECT_EQ(Child<QLabel>("StatusPanel0")->text(), QStringLiteral("Символ: b"));

    Child<QPushButton>("ResetButton")->click();
    EXPECT_EQ(form->Engine().GetRunState(), Ready);
    EXPECT_EQ(Cells(), QStringLiteral("#bb#"));
    EXPECT_EQ(form->Machine().HeadPosition(), 0);
    EXPECT_EQ(Child<QLabel>("StatusPanel2")->text(), QString());
    // The tape's refresh brings the word back.
    Child<QAction>("WordUpdate")->trigger();
    EXPECT_EQ(Cells(), QStringLiteral("#ab#"));
}

TEST_F(MainForm, CloseQueryAsksTwiceAndCancelLetsTheRunGoOn) {
    DefineMachine(QStringLiteral("aaaa"));
    Child<QPushButton>("StartButton")->click();
    ASSERT_EQ(form->Engine().GetRunState(), Running);
    prompts.Answer(TAnswer::Ok);
    prompts.Answer(TAnswer::Cancel);
    EXPECT_FALSE(form->close());
    ASSERT_EQ(prompts.boxes.size(), 2);
    EXPECT_EQ(prompts.boxes[0], (TMessage{QStringLiteral("Выход из программы"),
                                          QStringLiteral("Вы действительно хотите выйти из программы?"),
                                          TIcon::Question, ButtonsOkCancel, TAnswer::Ok, false}));
    EXPECT_EQ(prompts.boxes[1], (TMessage{QStringLiteral("Выход из программы"),
                                          QStringLiteral("Машина Тьюринга еще не закончила работу\nХотите ее "
                                                         "остановить?"),
                                          TIcon::Question, ButtonsOkCancel, TAnswer::Cancel, false}));
    EXPECT_EQ(form->Engine().GetRunState(), Running);
    EXPECT_TRUE(form->Engine().TimerOn());

    // Cancel at the first question keeps a paused run paused.
    Child<QPushButton>("BreakButton")->click();
    prompts.Answer(TAnswer::Cancel);
    EXPECT_FALSE(form->close());
    EXPECT_EQ(form->Engine().GetRunState(), Paused);

    // Without the first question, OK stops the machine and the window closes.
    form->Config().Exit = false;
    form->Config().AutoFile = false;
    prompts.Answer(TAnswer::Ok);
    prompts.Answer(TAnswer::No); // the changed machine is not saved
    EXPECT_TRUE(form->close());
    EXPECT_EQ(prompts.boxes.size(), 5);
    EXPECT_EQ(prompts.boxes[4].caption, QStringLiteral("Закрытие файла"));
}

TEST_F(MainForm, TypingIntoTheAlphabetAndWordEdits) {
    auto* abc = Child<QLineEdit>("ABCEdit");
    auto* word = Child<QLineEdit>("WordEdit");
    QTest::keyClicks(abc, QStringLiteral("abca#b"));
    EXPECT_EQ(abc->text(), QStringLiteral("abc"));
    EXPECT_EQ(form->Machine().Alphabet(), QStringLiteral("abc"));
    EXPECT_EQ(prompts.asterisks, 3);
    QTest::keyClicks(word, QStringLiteral("abdc"));
    EXPECT_EQ(word->text(), QStringLiteral("abc"));
    EXPECT_EQ(Cells(), QStringLiteral("#abc#"));
    QTest::keyClick(word, Qt::Key_Backspace);
    EXPECT_EQ(form->Machine().Word(), QStringLiteral("ab"));
    EXPECT_EQ(prompts.asterisks, 4);
    EXPECT_TRUE(form->Modified());
    // A pasted blank is undone.
    word->selectAll();
    word->insert(QStringLiteral("a#"));
    EXPECT_EQ(word->text(), QStringLiteral("ab"));
}

// A word of more than 10,000 symbols is shown by its beginning, read-only; only a key over the whole of it
// changes it, and then the edit works as ever.
TEST_F(MainForm, ALongWordIsShownByItsBeginningAndReplacedWhole) {
    DefineMachine(QString(10000, QLatin1Char('a')));
    auto* word = Child<QLineEdit>("WordEdit");
    EXPECT_FALSE(word->isReadOnly());
    EXPECT_EQ(word->text().size(), 10000);

    form->Machine().SetWordText(QStringLiteral("b") + QString(10000, QLatin1Char('a')));
    EXPECT_TRUE(word->isReadOnly());
    EXPECT_EQ(word->text(), QStringLiteral("b") + QString(999, QLatin1Char('a')) + QStringLiteral("…"));
    EXPECT_EQ(word->toolTip(), QStringLiteral("Слово из 10001 символов показано не целиком; чтобы заменить его, "
                                              "выделите все и удалите или наберите новое"));
    word->setFocus();
    word->end(false);
    QTest::keyClick(word, Qt::Key_Backspace);
    QTest::keyClick(word, Qt::Key_A);
    EXPECT_EQ(prompts.asterisks, 2);
    word->setSelection(0, 5);
    word->cut(); // as the Edit menu does
    EXPECT_EQ(form->Machine().Word().size(), 10001);
    EXPECT_EQ(word->text().size(), 1001);

    word->selectAll();
    QTest::keyClick(word, Qt::Key_B);
    EXPECT_EQ(form->Machine().Word(), QStringLiteral("b"));
    EXPECT_FALSE(word->isReadOnly());
    EXPECT_EQ(word->toolTip(), QStringLiteral("Слово для распознания"));
    QTest::keyClicks(word, QStringLiteral("ab"));
    EXPECT_EQ(form->Machine().Word(), QStringLiteral("bab"));
    EXPECT_EQ(Cells(), QStringLiteral("#bab#"));

    form->Machine().SetWordText(QString(10001, QLatin1Char('a')));
    word->selectAll();
    word->del();
    EXPECT_EQ(form->Machine().Word(), QString());
    EXPECT_FALSE(word->isReadOnly());
}

TEST_F(MainForm, HeadCellStaysInView) {
    // At least 40 symbols, and more than the visible tape area holds however wide the window opened.
    TTapeView* tape = form->TapeView();
    const int length = std::max(40, tape->VisibleWidth() / tape->CellWidth() + 10);
    DefineMachine(QString(length, QLatin1Char('a')));
    form->Config().SetDiesCount(3);
    auto* bar = Child<QScrollBar>("ScrollBar");
    Child<QPushButton>("NextStepButton")->click();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_GT(tape->CellsWidth(), tape->VisibleWidth());
    prompts.Answer(TAnswer::Ok); // the halt on the blank after the word
    for (int i = 0; i < length && form->Engine().GetRunState() == Paused; ++i) {
        Child<QPushButton>("NextStepButton")->click();
        if (form->Engine().GetRunState() != Paused)
            break;
        const int head = form->Machine().HeadCell();
        const int left = tape->CellLeft(head);
        EXPECT_GE(left, std::min(20, head * tape->CellWidth())) << "step " << i;
        EXPECT_LE(left + tape->CellWidth(), tape->VisibleWidth()) << "step " << i;
    }
    EXPECT_EQ(form->Engine().GetRunState(), Ready);
    EXPECT_EQ(prompts.boxes.size(), 1);
}

TEST_F(MainForm, SaveCommandsReportTheirResult) {
    prompts.Answer(TAnswer::Ok);
    prompts.Answer(TAnswer::Ok);
    Child<QAction>("SaveConfigItem")->trigger();
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0],
              (TMessage{QStringLiteral("Сохранение настроек"), QStringLiteral("Настройки сохранены успешно"),
                        TIcon::Information, ButtonsOk, TAnswer::Ok, false}));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("qtm.ini"))));
    // A directory where the desktop file should be cannot be written over.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("qtm.dsk")));
    Child<QAction>("SaveDeskTopItem")->trigger();
    ASSERT_EQ(prompts.boxes.size(), 2);
    EXPECT_EQ(prompts.boxes[1],
              (TMessage{QStringLiteral("Сохранение настроек рабочего стола"),
                        QStringLiteral("Ошибка сохранения настроек"), TIcon::Stop, ButtonsOk, TAnswer::Ok, false}));
}

TEST_F(MainForm, ProgramEndSavesWhatTheSettingsAsk) {
    form->Config().AutoConfig = false;
    form->Config().AutoDeskTop = true;
    form.reset();
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("qtm.ini"))));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("qtm.dsk"))));
}

// The windows beside the main one reopen where they were left when the program starts again.
TEST_F(MainForm, SideWindowsReopenWhereTheyWereLeft) {
    const struct {
        const char* action;
        const char* window;
        QRect place;
    } cases[] = {
        {"TaskBookItem", "TaskBookForm", QRect(31, 42, 810, 530)},
        {"SpaceTimeItem", "SpaceTimeForm", QRect(53, 64, 820, 500)},
        {"CostItem", "CostForm", QRect(75, 86, 900, 520)},
    };
    DefineMachine();
    for (const auto& c : cases) {
        Child<QAction>(c.action)->trigger();
        Child<QWidget>(c.window)->setGeometry(c.place);
    }
    form.reset();
    form = std::make_unique<TMainForm>(dir.path(), &prompts);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QCoreApplication::processEvents();
    DefineMachine();
    for (const auto& c : cases) {
        Child<QAction>(c.action)->trigger();
        EXPECT_EQ(Child<QWidget>(c.window)->geometry(), c.place) << c.window;
    }
}

TEST_F(MainForm, BreakpointsColourTheirCells) {
    DefineMachine();
    form->BreakPointList().AddBreakPoint(std::make_unique<TBreakPoint>(true, 0, QString(), QStringLiteral("b")));
    EXPECT_EQ(form->Machine().Tape()[2].mark & MarkBreakActive, MarkBreakActive);
    const auto colours = MarkColours(form->Config(), form->Machine().Tape()[2].mark, Ready);
    ASSERT_TRUE(colours.has_value());
    EXPECT_EQ(colours->second, QColor(0, 255, 0));
    // The head colours show only during a run, and the break colours win over them only at a breakpoint.
    EXPECT_FALSE(MarkColours(form->Config(), MarkHead, Ready).has_value());
    EXPECT_EQ(MarkColours(form->Config(), MarkHead | MarkBreakActive, Paused)->second, QColor(255, 0, 255));
    EXPECT_EQ(MarkColours(form->Config(), MarkHead | MarkError, Paused)->second, QColor(0, 0, 255));
    EXPECT_EQ(MarkColours(form->Config(), MarkHead | MarkError, Ready)->second, QColor(255, 0, 0));
}

TEST_F(MainForm, FaultyMachineOpensTheDataCheckInsteadOfRunning) {
    DefineMachine();
    form->Machine().SetWordText(QStringLiteral("abc")); // c is not in the alphabet
    EXPECT_EQ(form->Machine().Tape()[3].mark & MarkError, MarkError);
    QString shown;
    QTimer::singleShot(0, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            shown = dialog->metaObject()->className();
            dialog->close();
        }
    });
    Child<QPushButton>("StartButton")->click();
    EXPECT_EQ(shown, QStringLiteral("TCheckDataDialog"));
    EXPECT_EQ(form->Engine().GetRunState(), Ready);
    EXPECT_FALSE(form->Engine().TimerOn());
    EXPECT_TRUE(Child<QAction>("DataCheck")->isEnabled());
}

TEST_F(MainForm, InitialStateIsChosenFromTheStates) {
    DefineMachine();
    form->Machine().AddState(QStringLiteral("q1"));
    auto* combo = Child<QComboBox>("BegStateComboBox");
    ASSERT_EQ(combo->count(), 2);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(form->Machine().GetInitialState(), QStringLiteral("q1"));
    // Typing a name that is no state puts the chosen one back, with a sound.
    const int sounds = prompts.asterisks;
    QTest::keyClicks(combo->lineEdit(), QStringLiteral("x"));
    EXPECT_EQ(combo->currentText(), QStringLiteral("q1"));
    EXPECT_EQ(prompts.asterisks, sounds + 1);
}

TEST_F(MainForm, HeadComesIntoViewWhenARunIsPreparedAndWhenTheTapeIsRebuilt) {
    DefineMachine(QString(200, QLatin1Char('a')));
    TTapeView* tape = form->TapeView();
    auto* bar = Child<QScrollBar>("ScrollBar");
    const auto headInView = [&] {
        const int left = tape->CellLeft(form->Machine().HeadCell());
        return left >= 0 && left + tape->CellWidth() <= tape->VisibleWidth();
    };
    bar->setValue(bar->maximum());
    ASSERT_FALSE(headInView());
    Child<QPushButton>("NextStepButton")->click();
    EXPECT_EQ(form->Machine().HeadCell(), 1);
    EXPECT_TRUE(headInView());
    Child<QPushButton>("ResetButton")->click();

    bar->setValue(bar->maximum());
    auto* word = Child<QLineEdit>("WordEdit");
    word->setFocus();
    word->end(false);
    QTest::keyClick(word, Qt::Key_Backspace);
    EXPECT_TRUE(headInView());
}

TEST_F(MainForm, TabLeavesTheCommandList) {
    DefineMachine();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    auto* list = Child<QTableView>("CommandListView");
    list->setFocus();
    list->setCurrentIndex(list->model()->index(0, 0));
    QTest::keyClick(list, Qt::Key_Tab);
    auto* combo = Child<QComboBox>("BegStateComboBox");
    QWidget* focus = QApplication::focusWidget();
    EXPECT_TRUE(focus == combo || combo->isAncestorOf(focus)) << (focus ? focus->objectName().toStdString() : "none");
}

TEST_F(MainForm, ApplySettingsSetsTimerHintsPositionAndColumns) {
    TConfig& c = form->Config();
    c.SetRunSpeed(250);
    c.SetPeriodHint(700);
    c.SetPauseHint(100);
    c.MainColumn3 = 140;
    c.Left = 30;
    c.Top = 20;
    ASSERT_TRUE(c.SaveSettings());
    ASSERT_TRUE(c.SaveDesktop());
    form->ApplySettings();
    EXPECT_EQ(Child<QTimer>("StepTimer")->interval(), 250);
    EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 700);
    // A window wider than the test screen is kept on it.
    const QRect screen = form->screen()->availableGeometry();
    EXPECT_EQ(form->x(), std::max(screen.left(), std::min(30, screen.right() + 1 - form->frameGeometry().width())));
    EXPECT_EQ(form->y(), 20);
    EXPECT_EQ(Child<QTableView>("CommandListView")->columnWidth(3), 140);

    // A hint stays for PauseHint milliseconds, whatever its length.
    auto* abc = Child<QLineEdit>("ABCEdit");
    QHelpEvent show(QEvent::ToolTip, QPoint(2, 2), abc->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(abc, &show);
    ASSERT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Символы алфавита"));
    QElapsedTimer clock;
    clock.start();
    while (QToolTip::isVisible() && clock.elapsed() < 5000)
        QTest::qWait(20);
    EXPECT_FALSE(QToolTip::isVisible());

    c.ViewHint = false;
    ASSERT_TRUE(c.SaveSettings());
    form->ApplySettings();
    QApplication::sendEvent(abc, &show);
    EXPECT_FALSE(QToolTip::isVisible());
}

TEST_F(MainForm, HelpEntriesAreLive) {
    for (const char* name : {"TheoryItem", "ContentsItem", "HelpItem", "WhatsThisItem", "AboutItem"})
        EXPECT_TRUE(Child<QAction>(name)->isEnabled()) << name;
}

namespace {

QString MenuText(QString text) {
    return text.remove(u'&');
}

// The menu among the window's menus (submenus included) whose title is `title`, letter case aside.
QMenu* FindMenu(const QList<QMenu*>& menus, const QString& title) {
    for (QMenu* menu : menus)
        if (MenuText(menu->title()).compare(title, Qt::CaseInsensitive) == 0)
            return menu;
    return nullptr;
}

} // namespace

// The help pages name menu entries as paths «Сервис» → «отчет», and the run log window's page lists its menu:
// each of them must be there in the program.
TEST_F(MainForm, MenuEntriesNamedOnHelpPagesExist) {
    const QDir pages(
        QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().absoluteFilePath(QStringLiteral("../../data/help/qtm")));
    const QList<QMenu*> menus = form->findChildren<QMenu*>();
    const QRegularExpression path(QStringLiteral("«[^»]+»(\\s*→\\s*«[^»]+»)+"));
    const QRegularExpression name(QStringLiteral("«([^»]+)»"));
    int paths = 0;
    for (const QString& page : pages.entryList({QStringLiteral("*.html")})) {
        QFile file(pages.filePath(page));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        for (auto match = path.globalMatch(html); match.hasNext();) {
            const QString found = match.next().captured(0);
            QStringList steps;
            for (auto n = name.globalMatch(found); n.hasNext();)
                steps << n.next().captured(1);
            QMenu* menu = FindMenu(menus, steps.takeFirst());
            for (const QString& step : steps) {
                const QString last = steps.last();
                QAction* entry = nullptr;
                if (menu)
                    for (QAction* a : menu->actions())
                        if (MenuText(a->text()).compare(step, Qt::CaseInsensitive) == 0)
                            entry = a;
                EXPECT_NE(entry, nullptr) << page.toStdString() << ": " << found.toStdString();
                menu = entry ? entry->menu() : nullptr;
                if (!menu && step != last)
                    break;
            }
            ++paths;
        }
    }
    EXPECT_GE(paths, 10);

    // The run log window's page lists the entries of that window's menu, and only those.
    form->Config().ViewLog = true;
    form->findChild<QAction*>(QStringLiteral("LogView"))->trigger();
    auto* popup = form->findChild<QMenu*>(QStringLiteral("PopupMenu"));
    ASSERT_NE(popup, nullptr);
    QStringList entries;
    for (QAction* a : popup->actions())
        if (!a->isSeparator())
            entries << MenuText(a->text());
    QFile log(pages.filePath(QStringLiteral("logwindow.html")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(log.readAll());
    const qsizetype from = html.indexOf(QStringLiteral("Меню окна"));
    ASSERT_GE(from, 0);
    QStringList named;
    for (auto n = name.globalMatch(html.mid(from, html.indexOf(u'.', from) - from)); n.hasNext();)
        named << n.next().captured(1);
    EXPECT_EQ(named, entries);
}

// A settings file that could not be read at start-up is named once and keeps the user's values: the save at
// program end must not write this session's defaults over it.
TEST(MainFormSettings, AnUnreadableSettingsFileIsNotOverwritten) {
    QTemporaryDir dir;
    const QByteArray ini = "[Run]\r\nRunSpeed=77\r\n";
    {
        QFile f(QDir(dir.path()).filePath(QStringLiteral("qtm.ini")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(ini);
    }
    TScriptedPrompts prompts;
    prompts.Answer(TAnswer::Ok);
    auto fault = std::make_unique<TInjectedFault>(std::initializer_list<fileio::TStep>{fileio::TStep::Read},
                                                  QStringLiteral("qtm.ini"), EIO);
    auto form = std::make_unique<TMainForm>(dir.path(), &prompts);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QCoreApplication::processEvents();
    EXPECT_TRUE(fault->Fired());
    fault.reset();
    ASSERT_FALSE(prompts.boxes.isEmpty());
    EXPECT_EQ(prompts.boxes.first(),
              (TMessage{QStringLiteral("Загрузка настроек"),
                        QStringLiteral("Ошибка чтения файла\n") + QDir(dir.path()).filePath(QStringLiteral("qtm.ini")) +
                            QStringLiteral("\nДо выхода из программы настройки в него не сохраняются"),
                        TIcon::Stop}));
    EXPECT_EQ(prompts.boxes.size(), 1);
    ASSERT_TRUE(form->Config().AutoConfig);
    form.reset();
    QFile f(QDir(dir.path()).filePath(QStringLiteral("qtm.ini")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), ini);
}

TEST_F(MainForm, RunToEndGoesWithoutTheTimerShowsItsProgressAndStopsAtEsc) {
    const auto waitFor = [&](RunState state) {
        for (int i = 0; i < 1000 && form->Engine().GetRunState() != state; ++i)
            QTest::qWait(5);
        return form->Engine().GetRunState() == state;
    };
    DefineMachine(QStringLiteral("aaaa"));
    prompts.Answer(TAnswer::Ok);
    QTest::keyClick(form.get(), Qt::Key_F9, Qt::ShiftModifier);
    ASSERT_TRUE(waitFor(Ready));
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].text, QStringLiteral("Машина Тьюринга закончила свою работу,\nт. к. не найдена команда "
                                                    "для исполнения\nСостояние машины 'q0'\nсимвол '#'"));
    EXPECT_EQ(Cells(), QStringLiteral("#bbbb#"));

    // b and a in turn on the first cell, for ever: nothing checks for loops.
    form->Config().History = false;
    form->Machine().SetCommandRow(0, TCommandRow{QStringLiteral("q0"), QStringLiteral("a"), QStringLiteral("q0"),
                                                 QStringLiteral("b"), MoveStayText, 0});
    form->Machine().SetCommandRow(1, TCommandRow{QStringLiteral("q0"), QStringLiteral("b"), QStringLiteral("q0"),
                                                 QStringLiteral("a"), MoveStayText, 0});
    QTest::keyClick(form.get(), Qt::Key_F9, Qt::ShiftModifier);
    ASSERT_EQ(form->Engine().GetRunState(), Running);
    EXPECT_FALSE(form->Engine().TimerOn());
    EXPECT_FALSE(Child<QAction>("RunToEndItem")->isEnabled());
    EXPECT_FALSE(Child<QAction>("CommandAdd")->isEnabled());
    auto* steps = Child<QLabel>("StatusPanel2");
    for (int i = 0; i < 1000 && !steps->text().endsWith(QStringLiteral(" шагов/с")); ++i)
        QTest::qWait(5);
    EXPECT_TRUE(steps->text().startsWith(QStringLiteral("Шаг "))) << steps->text().toStdString();
    EXPECT_TRUE(steps->text().endsWith(QStringLiteral(" шагов/с"))) << steps->text().toStdString();

    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_EQ(form->Engine().GetRunState(), Paused);
    EXPECT_EQ(steps->text(), QStringLiteral("Шаг ") + QString::number(form->Machine().StepNumber()));
    EXPECT_EQ(Cells().at(1), form->Machine().CurrentSymbol().at(0));
    EXPECT_TRUE(Child<QAction>("RunToEndItem")->isEnabled());
    EXPECT_EQ(prompts.boxes.size(), 1);

    // Continued, it goes on at full speed, not under the timer.
    QTest::keyClick(form.get(), Qt::Key_F12);
    QCoreApplication::processEvents();
    EXPECT_EQ(form->Engine().GetRunState(), Running);
    EXPECT_FALSE(form->Engine().TimerOn());
    EXPECT_FALSE(Child<QAction>("RunToEndItem")->isEnabled());
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_EQ(form->Engine().GetRunState(), Paused);
}

TEST_F(MainForm, RunToEndCountsOnAfterTheCloseQueryAndEndsWithItsAverageSpeed) {
    auto* steps = Child<QLabel>("StatusPanel2");
    const QRegularExpression progress(QStringLiteral("^Шаг (\\d+), ([1-9]\\d*) шагов/с$"));
    // Shorter than a look at the progress: while the halt box is up the run's average speed shows.
    DefineMachine(QStringLiteral("aaaa"));
    QString atHalt;
    prompts.onAsk = [&](const TMessage&) { atHalt = steps->text(); };
    prompts.Answer(TAnswer::Ok);
    QTest::keyClick(form.get(), Qt::Key_F9, Qt::ShiftModifier);
    for (int i = 0; i < 1000 && form->Engine().GetRunState() != Ready; ++i)
        QTest::qWait(5);
    const QRegularExpressionMatch halt = progress.match(atHalt);
    ASSERT_TRUE(halt.hasMatch()) << atHalt.toStdString();
    EXPECT_EQ(halt.captured(1).toLongLong(), form->Engine().LastStop().step);
    prompts.onAsk = nullptr;

    // b and a in turn on the first cell, for ever. File, Exit, Cancel: the run goes on and its count with it.
    form->Config().History = false;
    form->Config().Exit = true;
    form->Machine().SetCommandRow(0, TCommandRow{QStringLiteral("q0"), QStringLiteral("a"), QStringLiteral("q0"),
                                                 QStringLiteral("b"), MoveStayText, 0});
    form->Machine().SetCommandRow(1, TCommandRow{QStringLiteral("q0"), QStringLiteral("b"), QStringLiteral("q0"),
                                                 QStringLiteral("a"), MoveStayText, 0});
    QTest::keyClick(form.get(), Qt::Key_F9, Qt::ShiftModifier);
    prompts.Answer(TAnswer::Cancel);
    QTest::keyClick(form.get(), Qt::Key_F4, Qt::AltModifier);
    ASSERT_EQ(prompts.boxes.last().text, QStringLiteral("Вы действительно хотите выйти из программы?"));
    QCoreApplication::processEvents();
    EXPECT_EQ(form->Engine().GetRunState(), Running);
    EXPECT_FALSE(Child<QAction>("RunToEndItem")->isEnabled());
    const auto shown = [&] { return progress.match(steps->text()).captured(1).toLongLong(); };
    qint64 first = 0;
    for (int i = 0; i < 1000 && (first = shown()) == 0; ++i)
        QTest::qWait(5);
    for (int i = 0; i < 1000 && shown() <= first; ++i)
        QTest::qWait(5);
    EXPECT_GT(shown(), first) << steps->text().toStdString();
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_EQ(form->Engine().GetRunState(), Paused);
}
