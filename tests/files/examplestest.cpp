#include "filetestsupport.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString StopCaption = QStringLiteral("Остановка машины Тьюринга");

QString ExamplesDir() {
    return QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().absoluteFilePath(QStringLiteral("../../examples"));
}

QString HaltText(const QString& state, const QString& symbol) {
    return QStringLiteral("Машина Тьюринга закончила свою работу,\nт. к. не найдена команда для исполнения\n"
                          "Состояние машины '") +
           state + QStringLiteral("'\nсимвол '") + symbol + QStringLiteral("'");
}

// One run of an example: the word (empty: the file's own), the tape room, and how it ends.
struct TExampleRun {
    const char* name;
    const char* file;
    QString word;
    int diesCount;
    QString stopText;
    QString cells;
};

} // namespace

class Example : public MachineFileTest, public ::testing::WithParamInterface<TExampleRun> {
protected:
    // Loads the example; it must load cleanly and be exactly what the writer writes.
    void Load(const QString& file) {
        const QByteArray bytes = FileBytes(paths::Join(ExamplesDir(), file));
        ASSERT_FALSE(bytes.isEmpty()) << file.toStdString();
        EXPECT_TRUE(Read(bytes).Errors().isEmpty());
        EXPECT_EQ(Written(), bytes);
    }
};

TEST_P(Example, RunsToItsEnd) {
    const TExampleRun& run = GetParam();
    Load(QString::fromLatin1(run.file));
    if (!run.word.isEmpty())
        machine.SetWordText(run.word);
    settings.SetDiesCount(run.diesCount);
    settings.ViewLog = false;
    prompts.Answer(TAnswer::Ok);
    engine.Start();
    for (int i = 0; i < 10000 && engine.GetRunState() == Running; ++i)
        engine.StepOnce();
    EXPECT_EQ(engine.GetRunState(), Ready);
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].caption, StopCaption);
    EXPECT_EQ(prompts.boxes[0].text, run.stopText);
    EXPECT_EQ(Cells(), run.cells);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Example,
    ::testing::Values(TExampleRun{"Inversion", "inversion.qtm", QString(), 1,
                                  HaltText(QStringLiteral("q1"), QStringLiteral("1")), QStringLiteral("#1001#")},
                      TExampleRun{"IncrementNoCarryOut", "binary_increment.qtm", QString(), 1,
                                  HaltText(QStringLiteral("q2"), QStringLiteral("1")), QStringLiteral("#1100#")},
                      // The carry goes into the blank left of the word, which exists even with the least room.
                      TExampleRun{"IncrementCarryOut", "binary_increment.qtm", QStringLiteral("111"), 1,
                                  HaltText(QStringLiteral("q2"), QStringLiteral("1")), QStringLiteral("1000#")},
                      TExampleRun{"UnaryAddition", "unary_addition.qtm", QString(), 1,
                                  HaltText(QStringLiteral("q3"), QStringLiteral("#")), QStringLiteral("#11111##")},
                      // The copy goes into the room the word leaves for it, so the least room is enough.
                      TExampleRun{"UnaryCopy", "unary_copy.qtm", QString(), 1,
                                  HaltText(QStringLiteral("q4"), QStringLiteral("1")), QStringLiteral("#111*111#")},
                      TExampleRun{"UnaryCopyWithRoomToSpare", "unary_copy.qtm", QStringLiteral("11*..."), 1,
                                  HaltText(QStringLiteral("q4"), QStringLiteral("1")), QStringLiteral("#11*11.#")},
                      TExampleRun{"UnaryCopyOutOfRoom", "unary_copy.qtm", QStringLiteral("111*.."), 1,
                                  HaltText(QStringLiteral("q1"), QStringLiteral("#")), QStringLiteral("#aaa*11#")},
                      TExampleRun{"PalindromeEven", "palindrome.qtm", QString(), 1,
                                  HaltText(QStringLiteral("да"), QStringLiteral("#")), QStringLiteral("######")},
                      TExampleRun{"PalindromeOdd", "palindrome.qtm", QStringLiteral("abbba"), 1,
                                  HaltText(QStringLiteral("да"), QStringLiteral("#")), QStringLiteral("#######")},
                      TExampleRun{"NotPalindrome", "palindrome.qtm", QStringLiteral("abab"), 1,
                                  HaltText(QStringLiteral("нет"), QStringLiteral("b")), QStringLiteral("##bab#")},
                      TExampleRun{"NotPalindromeInside", "palindrome.qtm", QStringLiteral("abbaba"), 1,
                                  HaltText(QStringLiteral("нет"), QStringLiteral("a")), QStringLiteral("####a###")}),
    [](const ::testing::TestParamInfo<TExampleRun>& param) { return std::string(param.param.name); });

TEST_F(Example, EndlessLoopKeepsRunning) {
    Load(QStringLiteral("endless_loop.qtm"));
    settings.SetDiesCount(1);
    engine.Start();
    for (int i = 0; i < 1000; ++i)
        engine.StepOnce();
    EXPECT_EQ(engine.GetRunState(), Running);
    EXPECT_EQ(machine.StepNumber(), 1000);
    EXPECT_TRUE(prompts.boxes.isEmpty());
    EXPECT_EQ(Cells(), QStringLiteral("#a#"));
    engine.Reset();
}

TEST_F(Example, InversionIsTheFormatsOwnExample) {
    EXPECT_EQ(FileBytes(paths::Join(ExamplesDir(), QStringLiteral("inversion.qtm"))), InversionFile);
}

TEST_F(Example, EveryExampleIsRunByATest) {
    const QStringList files = QDir(ExamplesDir()).entryList({QStringLiteral("*.qtm")}, QDir::Files, QDir::Name);
    EXPECT_EQ(files, (QStringList{QStringLiteral("binary_increment.qtm"), QStringLiteral("endless_loop.qtm"),
                                  QStringLiteral("inversion.qtm"), QStringLiteral("palindrome.qtm"),
                                  QStringLiteral("unary_addition.qtm"), QStringLiteral("unary_copy.qtm")}));
}
