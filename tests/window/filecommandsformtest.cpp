#include "breakpoints/breakpoint.h"
#include "files/qtmfile.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "window/mainform.h"
#include "formfixture.h"
#include "printers.h"
#include "runner/batchrun.h"
#include "scriptedprompts.h"
#include "settings/config.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QSet>
#include <QLineEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

QString ExamplesDir() {
    return QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().absoluteFilePath(QStringLiteral("../../examples"));
}

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class FileCommands : public TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        // Load reports would open modal dialogs.
        form->Config().NormalLoad = false;
        form->Config().AutoFile = false;
        form->Config().Exit = false;
    }

    // A copy of an example in the test's directory, so that saving never changes the original.
    QString CopyExample(const QString& name) {
        const QString copy = dir.filePath(name);
        QFile::copy(QDir(ExamplesDir()).filePath(name), copy);
        return copy;
    }

    void Open(const QString& path) {
        prompts.AnswerFile(path);
        form->OpenFileItemClick();
        ASSERT_EQ(form->FileName(), path);
    }

    QString UntitledPath(int n) const { return dir.filePath(QStringLiteral("Без имени %1.qtm").arg(n)); }
};

} // namespace

TEST_F(FileCommands, NewNumbersPastUntitledFilesOnDisk) {
    EXPECT_EQ(form->FileName(), UntitledPath(1));
    EXPECT_TRUE(form->Modified());
    EXPECT_FALSE(QFile::exists(UntitledPath(1)));
    for (int n : {1, 2}) {
        QFile f(UntitledPath(n));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    // The empty untitled machine closes without a question.
    form->NewFileItemClick();
    EXPECT_TRUE(prompts.boxes.isEmpty());
    EXPECT_EQ(form->FileName(), UntitledPath(3));
    EXPECT_EQ(form->Engine().GetRunState(), Ready);
}

TEST_F(FileCommands, OpenThenCancelLeavesNoFile) {
    prompts.AnswerFile(QString());
    form->OpenFileItemClick();
    ASSERT_EQ(prompts.fileDialogs.size(), 1);
    EXPECT_EQ(prompts.fileDialogs[0].title, QStringLiteral("Открытие файла данных"));
    EXPECT_EQ(prompts.fileDialogs[0].filter, QStringLiteral("Файлы машины Тьюринга (*.qtm)|*.qtm|Все файлы (*.*)|*.*"));
    EXPECT_TRUE(form->FileName().isEmpty());
    EXPECT_EQ(form->Engine().GetRunState(), NoMachine);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Машина Тьюринга"));
    EXPECT_FALSE(form->findChild<QAction*>(QStringLiteral("SaveFileAsItem"))->isEnabled());
}

TEST_F(FileCommands, TheSaveQuestionsThreeAnswers) {
    const QString path = CopyExample(QStringLiteral("inversion.qtm"));
    const QByteArray original = Bytes(path);
    Open(path);
    EXPECT_FALSE(form->Modified());
    EXPECT_EQ(form->Machine().Word(), QStringLiteral("0110"));
    EXPECT_EQ(form->BreakPointList().Count(), 2);

    form->Machine().SetWordText(QStringLiteral("01"));
    EXPECT_TRUE(form->Modified());
    prompts.Answer(TAnswer::Cancel);
    form->NewFileItemClick();
    EXPECT_EQ(form->FileName(), path);
    EXPECT_EQ(form->Machine().Word(), QStringLiteral("01"));

    prompts.Answer(TAnswer::No);
    form->NewFileItemClick();
    EXPECT_EQ(form->FileName(), UntitledPath(1));
    EXPECT_TRUE(form->Machine().Word().isEmpty());
    EXPECT_EQ(Bytes(path), original);

    Open(path);
    form->Machine().SetWordText(QStringLiteral("1"));
    prompts.Answer(TAnswer::Yes);
    form->NewFileItemClick();
    EXPECT_EQ(form->FileName(), UntitledPath(1));
    EXPECT_TRUE(Bytes(path).contains("[WORD] 1\r\n"));
    EXPECT_EQ(Bytes(dir.filePath(QStringLiteral("inversion.bak"))), original);
}

TEST_F(FileCommands, SaveOfAnUnchangedFileDoesNothingAndSavingTwiceKeepsABackup) {
    const QString path = CopyExample(QStringLiteral("binary_increment.qtm"));
    const QString backup = dir.filePath(QStringLiteral("binary_increment.bak"));
    const QByteArray original = Bytes(path);
    Open(path);
    auto* save = form->findChild<QAction*>(QStringLiteral("SaveFileItem"));
    EXPECT_FALSE(save->isEnabled());
    EXPECT_TRUE(form->SaveFile());
    EXPECT_FALSE(QFile::exists(backup));

    form->Machine().SetWordText(QStringLiteral("1"));
    EXPECT_TRUE(save->isEnabled());
    save->trigger();
    EXPECT_FALSE(form->Modified());
    EXPECT_EQ(Bytes(backup), original);
    const QByteArray first = Bytes(path);
    form->Machine().SetWordText(QStringLiteral("10"));
    save->trigger();
    EXPECT_EQ(Bytes(backup), first);
    EXPECT_TRUE(Bytes(path).contains("[WORD] 10\r\n"));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("binary_increment.tmp"))));
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

TEST_F(FileCommands, SaveOfANewFileAsksForItsName) {
    form->Machine().SetAlphabetText(QStringLiteral("ab"));
    const QString target = dir.filePath(QStringLiteral("mine.qtm"));
    prompts.AnswerFile(target);
    form->findChild<QAction*>(QStringLiteral("SaveFileItem"))->trigger();
    ASSERT_EQ(prompts.fileDialogs.size(), 1);
    EXPECT_EQ(prompts.fileDialogs[0].title, QStringLiteral("Сохранение данных"));
    EXPECT_EQ(prompts.fileDialogs[0].fileName, QStringLiteral("Без имени 1.qtm"));
    EXPECT_EQ(prompts.fileDialogs[0].initialDir, dir.path());
    EXPECT_TRUE(prompts.fileDialogs[0].overwritePrompt);
    EXPECT_EQ(form->FileName(), target);
    EXPECT_FALSE(form->Modified());
    EXPECT_EQ(Bytes(target), QByteArray("[ABCD] ab\r\n"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Машина Тьюринга - ") + target);
}

// The window and the headless runner share one core: they must agree on every example.
TEST_F(FileCommands, WindowAndRunnerAgreeOnEveryExample) {
    struct TCase {
        const char* file;
        int dies;
    } cases[] = {{"inversion.qtm", 1},  {"binary_increment.qtm", 1}, {"unary_addition.qtm", 1}, {"unary_copy.qtm", 1},
                 {"unary_copy.qtm", 3}, {"palindrome.qtm", 1},       {"endless_loop.qtm", 1}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = CopyExample(QString::fromLatin1(c.file));
        prompts.allowUnexpected = true;
        form->Config().SaveFileRun = false;
        form->Config().SetDiesCount(c.dies);
        form->Config().ViewLog = false;
        prompts.AnswerFile(path);
        form->OpenFileItemClick();
        ASSERT_EQ(form->FileName(), path);
        TMachine& m = form->Machine();
        TEngine& e = form->Engine();
        e.Start();
        for (int i = 0; i < 500 && e.GetRunState() == Running; ++i)
            e.StepOnce();
        QString windowTape;
        for (const TTapeCell& cell : m.Tape())
            windowTape.append(cell.symbol);
        const int windowSteps = e.GetRunState() == Running ? m.StepNumber() : e.LastStop().step;
        e.Reset();

        TBatchRunner runner(form->Config());
        QStringList warnings;
        QString error;
        ASSERT_TRUE(runner.Load(path, warnings, error));
        const TRunResult r = runner.Run(runner.FileWord(), 500);
        EXPECT_EQ(r.tape, windowTape);
        EXPECT_EQ(r.steps, windowSteps);
    }
}

// Closing or replacing a machine that has run leaves nothing of its tape: no symbols, no marks.
TEST_F(FileCommands, CloseAndNewLeaveAnEmptyTape) {
    for (const char* action : {"FileClosing", "NewFileItem"}) {
        SCOPED_TRACE(action);
        Open(CopyExample(QStringLiteral("inversion.qtm")));
        form->Config().SaveFileRun = false;
        prompts.allowUnexpected = true;
        form->Engine().Start();
        for (int i = 0; i < 100 && form->Engine().GetRunState() == Running; ++i)
            form->Engine().StepOnce();
        ASSERT_EQ(form->Machine().TapeInnerText(), QStringLiteral("1001"));
        form->findChild<QAction*>(QString::fromLatin1(action))->trigger();
        QString cells;
        for (const TTapeCell& cell : form->Machine().Tape()) {
            cells.append(cell.symbol);
            EXPECT_EQ(cell.mark & ~MarkHead, 0); // the head mark is drawn only during a run
        }
        EXPECT_EQ(cells, QStringLiteral("##"));
        EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("StatusPanel0"))->text(), QStringLiteral("Символ: "));
    }
}

TEST_F(FileCommands, AWordLongerThanTheTypingLimitStaysWhole) {
    const QString path = dir.filePath(QStringLiteral("long.qtm"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[ABCD] ab\r\n[WORD] " + QByteArray(300, 'a') + "\r\n[BEGS] q0\r\n[STAT] q0\r\n");
    }
    Open(path);
    auto* word = form->findChild<QLineEdit*>(QStringLiteral("WordEdit"));
    EXPECT_EQ(word->text().size(), 300);
    word->setFocus();
    word->end(false);
    QTest::keyClick(word, Qt::Key_Backspace);
    EXPECT_EQ(form->Machine().Word(), QString(299, QLatin1Char('a')));
    // Typing past the limit is still refused.
    QTest::keyClicks(word, QStringLiteral("bb"));
    EXPECT_EQ(form->Machine().Word().size(), 300);
}

TEST_F(FileCommands, EveryBreakpointChangeMarksTheMachineModified) {
    Open(CopyExample(QStringLiteral("inversion.qtm")));
    ASSERT_FALSE(form->Modified()); // loading its breakpoints is no change
    TBreakPointList& list = form->BreakPointList();
    const std::function<void()> changes[] = {
        [&] { list.AddBreakPoint(std::make_unique<TBreakPoint>(true, 0, QStringLiteral("q0"), QString())); },
        [&] {
            list.At(0).Enabled = !list.At(0).Enabled;
            list.NotifyChanged();
        },
        [&] { list.RemoveBreakPoint(0); }};
    for (const auto& change : changes) {
        ASSERT_TRUE(form->SaveFile());
        ASSERT_FALSE(form->Modified());
        change();
        EXPECT_TRUE(form->Modified());
    }
}

// Walking through the window's controls changes nothing, so New asks no question.
TEST_F(FileCommands, TabbingThroughTheWindowIsNoChange) {
    Open(CopyExample(QStringLiteral("inversion.qtm")));
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->findChild<QLineEdit*>(QStringLiteral("ABCEdit"))->setFocus();
    QSet<QWidget*> visited;
    for (int i = 0; i < 40; ++i) {
        visited.insert(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_GE(visited.size(), 5);
    EXPECT_FALSE(form->Modified());
    form->NewFileItemClick();
    EXPECT_TRUE(prompts.boxes.isEmpty());
    EXPECT_EQ(form->FileName(), UntitledPath(1));
}

// An imported machine is a new untitled machine, modified; a refused file leaves the current one open.
TEST_F(FileCommands, ImportMakesANewUntitledMachine) {
    const QString data =
        QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().absoluteFilePath(QStringLiteral("../import/data/"));
    const QString current = CopyExample(QStringLiteral("inversion.qtm"));
    Open(current);
    prompts.AnswerFile(data + QStringLiteral("twotape.jff"));
    prompts.Answer(TAnswer::Ok);
    form->findChild<QAction*>(QStringLiteral("ImportFileItem"))->trigger();
    ASSERT_EQ(prompts.fileDialogs.size(), 2);
    EXPECT_EQ(prompts.fileDialogs[1].filter,
              QStringLiteral("Машины других программ (*.jff *.tm *.tms *.txt)|*.jff;*.tm;*.tms;*.txt|Машины JFLAP "
                             "(*.jff)|*.jff|Текстовые машины (*.tm *.tms *.txt)|*.tm;*.tms;*.txt|Все файлы (*)|*"));
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].caption, QStringLiteral("Импорт машины"));
    EXPECT_EQ(form->FileName(), current);

    prompts.AnswerFile(data + QStringLiteral("increment.tm"));
    form->findChild<QAction*>(QStringLiteral("ImportFileItem"))->trigger();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Машина Тьюринга - Без имени 1.qtm"));
    EXPECT_TRUE(form->Modified());
    EXPECT_EQ(form->Machine().GetInitialState(), QStringLiteral("q0"));
    EXPECT_EQ(form->Machine().Commands().size(), 6);
    EXPECT_EQ(form->BreakPointList().Count(), 0);
}

// What the import had to change in the machine is told once the machine is open.
TEST_F(FileCommands, ImportTellsWhatItChanged) {
    const QString path = dir.filePath(QStringLiteral("hash.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("0 # 1 r halt\n");
    file.close();
    prompts.AnswerFile(path);
    prompts.Answer(TAnswer::Ok);
    form->findChild<QAction*>(QStringLiteral("ImportFileItem"))->trigger();
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].caption, QStringLiteral("Импорт машины"));
    EXPECT_EQ(prompts.boxes[0].text, QStringLiteral("символ '#' заменен на '№'"));
    EXPECT_EQ(prompts.boxes[0].icon, TIcon::Information);
    EXPECT_EQ(form->Machine().Alphabet(), QStringLiteral("№1"));
}
