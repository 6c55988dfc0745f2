#include "faultinjection.h"
#include "filetestutil.h"
#include "platform/codepage.h"
#include "settings/config.h"
#include "testset/testsetcheck.h"
#include "testset/testsetfile.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace {

QByteArray Example(const char* name) {
    return ReadAll(QFileInfo(QString::fromUtf8(__FILE__))
                       .absoluteDir()
                       .absoluteFilePath(QStringLiteral("../../examples/") + QString::fromLatin1(name)));
}

QByteArray Cp1251(const char16_t* text) {
    return codepage::Encode(QString::fromUtf16(text));
}

TTestCase Case(const char16_t* word, const char16_t* tape, const char16_t* state = nullptr) {
    return {QString::fromUtf16(word), QString::fromUtf16(tape), state ? QString::fromUtf16(state) : QString(),
            state != nullptr};
}

struct TChecked {
    int index;
    TRunResult result;
};

QList<TChecked> Check(const char* machine, const QList<TTestCase>& cases, bool history, qint64 maxSteps) {
    TConfig config{QString()};
    config.History = history;
    std::atomic<bool> cancel{false};
    QList<TChecked> done;
    CheckTestSet(Example(machine), config, cases, maxSteps, cancel, [&](int index, const TRunResult& r) {
        done.append({index, r});
    });
    return done;
}

} // namespace

TEST(TestSetFile, LinesAreReadAndMalformedOnesReportedByNumber) {
    const struct {
        const char* name;
        QByteArray bytes;
        QList<TTestCase> cases;
        QStringList errors;
    } rows[] = {
        {"Windows-1251, CR LF, with and without a state",
         Cp1251(u"абв\tба\tда\r\n\t\r\nx\ty\t\r\n"),
         {Case(u"абв", u"ба", u"да"), Case(u"", u""), Case(u"x", u"y", u"")},
         {}},
        {"UTF-8 with LF and no final line break",
         QString::fromUtf16(u"абв\tба\tда\nа\tб").toUtf8(),
         {Case(u"абв", u"ба", u"да"), Case(u"а", u"б")},
         {}},
        {"UTF-8 with a byte order mark",
         "\xEF\xBB\xBF" + QString::fromUtf16(u"я\tя\r\n").toUtf8(),
         {Case(u"я", u"я")},
         {}},
        {"malformed lines skipped",
         QString::fromUtf16(u"ab\r\nab\tb\r\na\tb\tc\td\r\n\u4E2D\tx\r\n\r\nx\ty\r\nx\t\u4E2D\r\nx\ty\t\u4E2D\r\n")
             .toUtf8(),
         {Case(u"ab", u"b"), Case(u"x", u"y")},
         {QStringLiteral("Строка 1: нет ожидаемой ленты"), QStringLiteral("Строка 3: больше трех полей"),
          QStringLiteral("Строка 4: символ не из кодировки Windows-1251"),
          QStringLiteral("Строка 5: нет ожидаемой ленты"),
          QStringLiteral("Строка 7: символ не из кодировки Windows-1251"),
          QStringLiteral("Строка 8: символ не из кодировки Windows-1251")}},
        {"Windows-1251 letters whose bytes are also UTF-8 stay Windows-1251",
         Cp1251(u"РЁ\tВЁ\tСђ\r\n"),
         {Case(u"РЁ", u"ВЁ", u"Сђ")},
         {}},
        {"an ASCII file ending in a Windows-1251 letter without a line break",
         Cp1251(u"a\tb\tЯ"),
         {Case(u"a", u"b", u"Я")},
         {}},
        {"a letter followed by a sign is two Windows-1251 symbols, not one UTF-8 letter",
         Cp1251(u"Р»\tР»\tР»\r\n"),
         {Case(u"Р»", u"Р»", u"Р»")},
         {}},
        {"UTF-8 cut inside its last character: nothing is dropped",
         QString::fromUtf16(u"т\tт\t").toUtf8() + "\xD0",
         {Case(u"С‚", u"С‚", u"Р")},
         {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QList<TTestLineError> errors;
        EXPECT_EQ(ParseTestSet(row.bytes, errors), row.cases);
        QStringList messages;
        for (const TTestLineError& e : errors)
            messages.append(e.Message());
        EXPECT_EQ(messages, row.errors);
    }
}

TEST(TestSetFile, SavingWritesTheBytesReadAndLeavesNoTemporaryFile) {
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("задача.tests"));
    const QByteArray bytes = Cp1251(u"1011\t1100\tq2\r\n\t\t\r\nабв\tба\r\n\tпусто\r\n");
    ASSERT_TRUE(WriteAll(source, bytes));
    QList<TTestLineError> errors;
    QString error;
    const QList<TTestCase> cases = ReadTestSet(source, errors, error);
    ASSERT_TRUE(error.isEmpty());
    ASSERT_TRUE(errors.isEmpty());
    EXPECT_EQ(Text(TestSetBytes(cases)), Text(bytes));

    // Over an existing file, and as a new one.
    const QString copy = dir.filePath(QStringLiteral("copy.tests"));
    for (const QString& target : {source, copy}) {
        EXPECT_EQ(SaveTestSet(target, cases), QString());
        EXPECT_EQ(Text(ReadAll(target)), Text(bytes));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"copy.tests", "задача.tests"}));

    EXPECT_EQ(SaveTestSet(dir.filePath(QStringLiteral("missing/x.tests")), cases),
              QStringLiteral("Не могу создать файл\n") + dir.filePath(QStringLiteral("missing/x.tests")));
}

// Every Windows-1251 letter followed by a letter or a sign whose two bytes also make a UTF-8 character ("РЁ" is
// "Ш" there, "Р»" is "л") reads back from the written file as written.
TEST(TestSetFile, LetterPairsThatAreAlsoUtf8ReadBackAsWritten) {
    int pairs = 0;
    for (int first = 0x80; first < 0x100; ++first) {
        for (int second = 0x80; second < 0x100; ++second) {
            QByteArray bytes;
            bytes.append(char(first)).append(char(second));
            const QString pair = codepage::Decode(bytes);
            QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            const QString asUtf8 = utf8.decode(bytes);
            if (!pair[0].isLetter() || utf8.hasError())
                continue;
            ++pairs;
            const QList<TTestCase> cases{{pair, pair, pair, true}};
            QList<TTestLineError> errors;
            EXPECT_EQ(ParseTestSet(TestSetBytes(cases), errors), cases)
                << pair.toStdString() << " read as " << asUtf8.toStdString();
            EXPECT_TRUE(errors.isEmpty());
        }
    }
    EXPECT_GT(pairs, 500);
}

TEST(TestSetFile, AFailedFinalRenameNamesTheTemporaryFileThatHoldsTheSet) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.tests"));
    const QList<TTestCase> cases{Case(u"1011", u"1100", u"q2")};
    QString message;
    {
        TInjectedFault fault({fileio::TStep::Rename}, QStringLiteral("x.tests"), EIO);
        message = SaveTestSet(path, cases);
        ASSERT_TRUE(fault.Fired());
    }
    const QStringList lines = message.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 5) << message.toStdString();
    EXPECT_EQ(message, QStringLiteral("Ошибка сохранения файла\n") + path +
                           QStringLiteral("\nДанные сохранены в файле\n") + lines[3] +
                           QStringLiteral("\nПопытайтесь переименовать файл вручную"));
    EXPECT_TRUE(lines[3].startsWith(path + QLatin1Char('.')));
    EXPECT_EQ(Text(ReadAll(lines[3])), Text(TestSetBytes(cases)));
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(TestSetCheck, EachCaseGetsItsEndStepsTapeStateAndVerdict) {
    const struct {
        TTestCase test;
        TRunEnd end;
        qint64 steps;
        const char* tape;
        const char* state;
        bool passed;
    } rows[] = {
        {Case(u"1011", u"1100", u"q2"), TRunEnd::Halt, 8, "1100", "q2", true},
        {Case(u"111", u"1000"), TRunEnd::Halt, 8, "1000", "q2", true},
        {Case(u"1", u"11"), TRunEnd::Halt, 4, "10", "q2", false},
        {Case(u"1", u"10", u"Q2"), TRunEnd::Halt, 4, "10", "q2", true},
        {Case(u"1", u"10", u"q1"), TRunEnd::Halt, 4, "10", "q2", false},
        {Case(u"12", u"12"), TRunEnd::Refused, 0, "", "", false},
    };
    QList<TTestCase> cases;
    for (const auto& row : rows)
        cases.append(row.test);
    const QList<TChecked> done = Check("binary_increment.qtm", cases, true, 1000);
    ASSERT_EQ(done.size(), int(std::size(rows)));
    for (int i = 0; i < done.size(); ++i) {
        SCOPED_TRACE(rows[i].test.word.toStdString() + " " + rows[i].test.tape.toStdString());
        EXPECT_EQ(done[i].index, i);
        const TRunResult& r = done[i].result;
        EXPECT_EQ(RunEndText(r.end), RunEndText(rows[i].end));
        EXPECT_EQ(r.steps, rows[i].steps);
        if (r.end != TRunEnd::Refused) {
            EXPECT_EQ(r.InnerTape(), QString::fromLatin1(rows[i].tape));
            EXPECT_EQ(r.state, QString::fromLatin1(rows[i].state));
        }
        EXPECT_EQ(TestPassed(rows[i].test, r), rows[i].passed);
    }
}

TEST(TestSetCheck, AWordThatDoesNotHaltEndsAtTheLoopCheckOrTheStepLimit) {
    const QList<TTestCase> cases{Case(u"a", u"a"), Case(u"", u"")};
    const QList<TChecked> looped = Check("endless_loop.qtm", cases, true, 1000000);
    ASSERT_EQ(looped.size(), 2);
    EXPECT_EQ(looped[0].result.end, TRunEnd::Loop);
    EXPECT_EQ(looped[0].result.steps, 3);
    EXPECT_EQ(looped[0].result.loopStep, 1);

    const QList<TChecked> limited = Check("endless_loop.qtm", cases, false, 50);
    ASSERT_EQ(limited.size(), 2);
    EXPECT_EQ(limited[0].result.end, TRunEnd::StepLimit);
    EXPECT_EQ(limited[0].result.steps, 50);
}

TEST(TestSetCheck, CancelStopsARunThatWouldGoOnForAges) {
    TConfig config{QString()};
    config.History = false;
    std::atomic<bool> cancel{false};
    int reported = 0;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        cancel = true;
    });
    CheckTestSet(Example("endless_loop.qtm"), config, {Case(u"a", u"a"), Case(u"a", u"a")}, qint64(1) << 60, cancel,
                 [&](int, const TRunResult&) { ++reported; });
    canceller.join();
    EXPECT_EQ(reported, 0);
}
