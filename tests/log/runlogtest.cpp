#include "log/logsave.h"
#include "log/runlog.h"

#include "filetestutil.h"
#include "machinefixture.h"
#include "platform/codepage.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

TFullWord Word(const char* left, const char* word, const char* right) {
    return TFullWord{QString::fromUtf8(left), QString::fromUtf8(word), QString::fromUtf8(right)};
}

void Log(TRunLog& log, int step, const QString& state, const QString& symbol, int head, const TFullWord& w,
         const QString& command = QStringLiteral("q0(a)->q0(a)-Вправо")) {
    log.LogStep(step, state, symbol, head, std::make_unique<TFullWord>(w), command);
}

QList<int> Steps(const TRunLog& log) {
    QList<int> steps;
    for (int i = 0; i < log.RowCount(); ++i)
        steps.append(log.Row(i).step);
    return steps;
}

// A row as the engine used to hand it to the log: with a copy of the whole tape.
struct TReferenceRow {
    qint64 step;
    QString state, symbol;
    int head;
    TFullWord word;
    QString command;
};

QList<TReferenceRow> Rows(const TRunLog& log) {
    QList<TReferenceRow> rows;
    for (int i = 0; i < log.RowCount(); ++i) {
        const TLogRow& r = log.Row(i);
        rows.append({r.step, r.hasSnapshot ? r.state : QString(), r.symbol, r.headPosition, log.RowSnapshot(i), {}});
    }
    return rows;
}

QString StripLeft(const QString& s) {
    return s.mid(s.indexOf(QRegularExpression(QStringLiteral("[^#]|$"))));
}

QString StripRight(QString s) {
    while (s.endsWith(QLatin1Char('#')))
        s.chop(1);
    return s;
}

// The loop search as a plain walk over the rows, newest first: what the index must always agree with.
qint64 WalkedSearch(const QList<TReferenceRow>& rows, const QString& state, const QString& symbol, int head,
                    const TFullWord& w) {
    for (auto r = rows.crbegin(); r != rows.crend(); ++r)
        if (r->head == head && r->symbol == symbol && !r->state.isNull() &&
            r->state.compare(state, Qt::CaseInsensitive) == 0 && r->word.word == w.word &&
            StripLeft(r->word.left) == StripLeft(w.left) && StripRight(r->word.right) == StripRight(w.right))
            return r->step;
    return 0;
}

// The word forms and the report as they were written from those copies, for widths lw and rw.
QString ReferenceForm(const TFullWord& w, int form, int dies, int lw, int rw) {
    const QString lt = StripLeft(w.left), rt = StripRight(w.right);
    QString l = form == 0 ? u'#' + lt : w.left, r = form == 0 ? rt + u'#' : w.right;
    if (form == 2) {
        l = QString(std::max(0, int(dies - l.size())), u'#') + l;
        r += QString(std::max(0, int(dies - r.size())), u'#');
    } else if (form == 1) {
        l = l.right(lw);
        l = QString(lw - l.size(), u'#') + l;
        if (r.size() > rw)
            r = r.left(rw - 1);
        r += QString(rw - r.size(), u'#');
    }
    return l + u' ' + w.word + u' ' + r;
}

QByteArray ReferenceReport(const QList<TReferenceRow>& rows, int lw, int rw) {
    const auto pad = [](const QString& t, qsizetype n) {
        return t + QString(std::max<qsizetype>(0, n - t.size()), u' ');
    };
    const qsizetype ww = ReferenceForm(rows[0].word, 1, 0, lw, rw).size() + 3;
    QString text = pad(QStringLiteral("N"), 10) + pad(QStringLiteral("Исх. сост."), 18) + pad(QStringLiteral("С"), 3) +
                   pad(QStringLiteral("N симв."), 8) + pad(QStringLiteral("Слово"), ww) +
                   QStringLiteral("След. команда\r\n");
    for (const TReferenceRow& r : rows)
        text += pad(QString::number(r.step), 10) + pad(r.state, 18) + pad(r.symbol, 3) +
                pad(QString::number(r.head), 8) + pad(ReferenceForm(r.word, 1, 0, lw, rw), ww) + r.command +
                QStringLiteral("\r\n");
    return codepage::Encode(text);
}

// Hands the engine's calls to the log and keeps the rows as the engine used to give them, with the widths
// of the automatic form; every search must find what the walk over those rows finds.
class TReferenceLog : public TStepLog {
public:
    TReferenceLog(TRunLog& log, const TMachine& machine, const TConfig& settings)
        : log_(log), machine_(machine), settings_(settings) {}
    qint64 FindRepeatedConfiguration(const QString&, const QString&, int, const TFullWord&) override { return 0; }
    void LogStep(qint64, const QString&, const QString&, int, std::unique_ptr<TFullWord>, const QString&) override {}
    qint64 FindRepeatedOnTape(const QString& state, const QString& symbol, int head, const TTapeNow& tape) override {
        const qint64 found = log_.FindRepeatedOnTape(state, symbol, head, tape);
        EXPECT_EQ(found, WalkedSearch(rows, state, symbol, head, machine_.TakeTapeSnapshot()));
        repeats += found != 0;
        return found;
    }
    void LogStepOnTape(qint64 step, const QString& state, const QString& symbol, int head, const TTapeNow& tape,
                       const QString& command) override {
        log_.LogStepOnTape(step, state, symbol, head, tape, command);
        const TFullWord w = machine_.TakeTapeSnapshot();
        rows.append({step, state.trimmed(), symbol.left(1), head, w, command});
        while (rows.size() > settings_.MaxCount)
            rows.removeFirst();
        lw = std::max(lw, StripLeft(w.left).isEmpty() ? 0 : int(StripLeft(w.left).size()) + 1);
        rw = std::max(rw, StripRight(w.right).isEmpty() ? 0 : int(StripRight(w.right).size()) + 1);
    }
    void ClearLog() override {
        log_.ClearLog();
        rows.clear();
        lw = rw = 1;
    }

    QList<TReferenceRow> rows;
    int lw = 1, rw = 1, repeats = 0;

private:
    TRunLog& log_;
    const TMachine& machine_;
    const TConfig& settings_;
};

} // namespace

class RunLog : public MachineTest {
protected:
    RunLog() {
        settings.ViewLog = true;
        settings.History = true;
        settings.SetLogWord(1);
        engine.SetRunLog(&log);
    }

    // Runs the machine to its end, answering every box with OK.
    void RunToEnd() {
        prompts.allowUnexpected = true;
        engine.Start();
        for (int i = 0; i < 1000 && engine.GetRunState() == Running; ++i)
            engine.StepOnce();
    }

    TRunLog log{settings};
};

TEST_F(RunLog, RowLimitKeepsTheNewestRows) {
    const struct {
        int maxCount;
        QList<int> kept;
    } cases[] = {{3, {2, 3, 4}}, {1, {4}}, {9999, {0, 1, 2, 3, 4}}};
    for (const auto& c : cases) {
        settings.SetMaxCount(c.maxCount);
        log.ClearLog();
        for (int step = 0; step < 5; ++step)
            Log(log, step, QStringLiteral("q0"), QStringLiteral("a"), step, Word("#", "aaaaa", "#"));
        EXPECT_EQ(Steps(log), c.kept) << c.maxCount;
    }
}

TEST_F(RunLog, ThreeWordFormsOfOneSnapshot) {
    const struct {
        TFullWord snapshot;
        QString minimal, automatic, maximal;
    } cases[] = {
        {Word("##", "ab", "c#"), QStringLiteral("# ab c#"), QStringLiteral("# ab c#"), QStringLiteral("### ab c##")},
        {Word("#x", "ab", "#"), QStringLiteral("#x ab #"), QStringLiteral("#x ab #"), QStringLiteral("##x ab ###")},
        {Word("", "a#b", ""), QStringLiteral("# a#b #"), QStringLiteral("# a#b #"), QStringLiteral("### a#b ###")},
        {Word("#y#x", "ab", "#c#d"), QStringLiteral("#y#x ab #c#d#"), QStringLiteral("#y#x ab #c#d#"),
         QStringLiteral("#y#x ab #c#d")},
    };
    settings.SetDiesCount(3);
    for (const auto& c : cases) {
        log.ClearLog();
        Log(log, 0, QStringLiteral("q0"), QStringLiteral("a"), 0, c.snapshot);
        EXPECT_EQ(log.RowSnapshot(0), c.snapshot);
        const QString texts[] = {c.minimal, c.automatic, c.maximal};
        for (int form = 0; form < 3; ++form) {
            log.SetWordForm(form);
            EXPECT_EQ(log.RowWordText(0), texts[form]) << form;
        }
        EXPECT_EQ(log.AutomaticWordText(c.snapshot), c.automatic);
    }
    log.ClearLog();
    EXPECT_EQ(log.LeftWidth(), 1);
    EXPECT_EQ(log.RightWidth(), 1);
}

TEST_F(RunLog, AutomaticWidthsSurviveDroppedRows) {
    settings.SetMaxCount(2);
    Log(log, 0, QStringLiteral("q0"), QStringLiteral("a"), 0, Word("ab#", "a", "cde##"));
    Log(log, 1, QStringLiteral("q0"), QStringLiteral("a"), 0, Word("#", "a", "#"));
    Log(log, 2, QStringLiteral("q0"), QStringLiteral("a"), 0, Word("#", "a", "#"));
    EXPECT_EQ(Steps(log), (QList<int>{1, 2}));
    EXPECT_EQ(log.RowWordText(0), QStringLiteral("#### a ####"));
    EXPECT_EQ(log.AutomaticWordText(Word("#", "a", "#")), QStringLiteral("#### a ####"));
}

TEST_F(RunLog, LoopSearchComparesStateWithoutCaseAndTheRestExactly) {
    Log(log, 0, QStringLiteral("q0"), QStringLiteral("a"), 0, Word("#", "ab", "#"));
    Log(log, 1, QStringLiteral(" Q1 "), QStringLiteral("a"), 1, Word("#", "ab", "#"));
    Log(log, 2, QStringLiteral("q2"), QStringLiteral("b"), -1, Word("#x", "ab", "y#"));
    const struct {
        const char* what;
        QString state, symbol;
        int head;
        TFullWord snapshot;
        int found;
    } cases[] = {
        {"same", QStringLiteral("Q1"), QStringLiteral("a"), 1, Word("#", "ab", "#"), 1},
        {"state case", QStringLiteral("q1"), QStringLiteral("a"), 1, Word("#", "ab", "#"), 1},
        {"symbol case", QStringLiteral("q1"), QStringLiteral("A"), 1, Word("#", "ab", "#"), 0},
        {"head", QStringLiteral("q1"), QStringLiteral("a"), 0, Word("#", "ab", "#"), 0},
        {"word", QStringLiteral("q1"), QStringLiteral("a"), 1, Word("#", "aB", "#"), 0},
        {"more outer blanks", QStringLiteral("Q2"), QStringLiteral("b"), -1, Word("####x", "ab", "y####"), 2},
        {"blank inside left", QStringLiteral("q2"), QStringLiteral("b"), -1, Word("x#", "ab", "y"), 0},
        {"blank inside right", QStringLiteral("q2"), QStringLiteral("b"), -1, Word("x", "ab", "#y"), 0},
        {"left moved into word", QStringLiteral("q2"), QStringLiteral("b"), -1, Word("", "xab", "y"), 0},
        {"match with step 0", QStringLiteral("q0"), QStringLiteral("a"), 0, Word("#", "ab", "#"), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(log.FindRepeatedConfiguration(c.state, c.symbol, c.head, c.snapshot), c.found) << c.what;
}

TEST_F(RunLog, ReturnToTheFirstConfigurationIsReportedOneStepLater) {
    Define(QStringLiteral("a"), QStringLiteral("a"), QStringLiteral("q0"),
           {QStringLiteral("q0 a q1 a R"), QStringLiteral("q1 # q0 # L")});
    engine.Start();
    engine.StepOnce();
    engine.StepOnce();
    EXPECT_TRUE(prompts.boxes.isEmpty());
    prompts.Answer(TAnswer::Cancel);
    engine.StepOnce();
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0], (TMessage{QStringLiteral("Проверка на зацикливание"),
                                          QStringLiteral("Машина Тьюринга уже находилась в подобном состоянии\n (шаг "
                                                         "1 ).\n Возможно, машина Тьюринга зациклилась\nХотите "
                                                         "продолжить работу машины Тьюринга?"),
                                          TIcon::Exclamation, ButtonsOkCancel, TAnswer::Cancel, false}));
    EXPECT_EQ(engine.GetRunState(), Ready);
    EXPECT_EQ(Steps(log), (QList<int>{0, 1, 2}));
}

TEST_F(RunLog, IndexedSearchAnswersAsTheWalk) {
    QRandomGenerator random(20240613);
    const QString states[] = {QStringLiteral("q0"),  QStringLiteral("Q0"), QStringLiteral("q1"),
                              QStringLiteral(" q1"), QStringLiteral("Я"),  QStringLiteral("я")};
    const QString symbols[] = {QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("#"), QStringLiteral("ab")};
    const auto text = [&](const char* alphabet, int most) {
        QString s;
        for (int n = int(random.bounded(most + 1)); n > 0; --n)
            s.append(QLatin1Char(alphabet[random.bounded(int(qstrlen(alphabet)))]));
        return s;
    };
    struct TConfiguration {
        QString state, symbol;
        int head;
        TFullWord word;
    };
    int repeats = 0;
    for (int run = 0; run < 3000; ++run) {
        settings.SetMaxCount(1 + int(random.bounded(6)));
        log.ClearLog();
        // A few configurations per run, met again with other outer blanks and other letter case, so that
        // repeats are common and near misses more so.
        QList<TConfiguration> pool;
        for (int i = 0; i < 4; ++i)
            pool.append({states[random.bounded(6)], symbols[random.bounded(4)], int(random.bounded(2)),
                         TFullWord{text("#a", 2), text("ab#", 2), text("#a", 2)}});
        int step = 0;
        for (int op = 0; op < 30; ++op) {
            TConfiguration c = pool[random.bounded(4)];
            c.word.left.prepend(text("#", 2));
            c.word.right.append(text("#", 2));
            if (random.bounded(4) == 0)
                c.state = states[random.bounded(6)];
            const int roll = int(random.bounded(20));
            if (roll < 9) {
                const int found = log.FindRepeatedConfiguration(c.state, c.symbol, c.head, c.word);
                ASSERT_EQ(found, WalkedSearch(Rows(log), c.state, c.symbol, c.head, c.word))
                    << "run " << run << " op " << op;
                repeats += found != 0;
            } else if (roll < 18) {
                Log(log, step++, c.state, c.symbol, c.head, c.word);
                ASSERT_EQ(log.RowSnapshot(log.RowCount() - 1), c.word);
            } else if (roll == 18) {
                log.LogStep(step++, c.state, c.symbol, c.head, nullptr, QString());
            } else {
                settings.SetMaxCount(1 + int(random.bounded(6)));
            }
        }
    }
    // The runs must find repeats often enough for the comparison to mean something.
    EXPECT_GT(repeats, 5000);
}

TEST_F(RunLog, RandomRunsShowAndFindWhatCopiesOfTheTapeDid) {
    // Random machines on short words and on words of over 100,000 symbols: the search, the rows' tapes, the
    // three word forms and the report bytes are those that a copy of the whole tape per row gave.
    QRandomGenerator random(20261208);
    TReferenceLog reference(log, machine, settings);
    engine.SetRunLog(&reference);
    const QString states[] = {QStringLiteral("q0"), QStringLiteral("q1"), QStringLiteral("Q1")};
    const QString symbols[] = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("#")};
    const QString moves[] = {MoveLeftText, MoveRightText, MoveStayText};
    const struct { int runs, shortest, longest; } lengths[] = {{400, 1, 6}, {12, 100001, 100003}};
    int repeats = 0;
    for (const auto& l : lengths) {
        for (int run = 0; run < l.runs; ++run) {
            machine.Clear();
            QString word;
            for (int n = l.shortest + int(random.bounded(l.longest - l.shortest + 1)); n > 0; --n)
                word += symbols[random.bounded(2)];
            Define(QStringLiteral("ab"), word, QStringLiteral("q0"), {});
            machine.AddState(states[1]);
            for (int s = 0; s < 2; ++s)
                for (const QString& symbol : symbols)
                    if (random.bounded(4) != 0)
                        machine.AddCommand(states[s], symbol, states[random.bounded(3)], symbols[random.bounded(3)],
                                           moves[random.bounded(3)]);
            settings.SetDiesCount(1 + int(random.bounded(4)));
            settings.SetMaxCount(1 + int(random.bounded(12)));
            for (int i = 0; i < 100; ++i)
                prompts.Answer(TAnswer::Ok);
            engine.Start();
            for (int i = 0; i < 60 && engine.GetRunState() == Running; ++i)
                engine.StepOnce();
            engine.Reset();
            prompts.answers.clear();
            prompts.boxes.clear();
            ASSERT_EQ(log.RowCount(), reference.rows.size()) << run;
            for (int i = 0; i < log.RowCount(); ++i) {
                const TReferenceRow& r = reference.rows[i];
                ASSERT_EQ(log.RowSnapshot(i), r.word) << run << " row " << i;
                for (int form = 0; form < 3; ++form) {
                    log.SetWordForm(form);
                    EXPECT_EQ(log.RowWordText(i),
                              ReferenceForm(r.word, form, settings.DiesCount, reference.lw, reference.rw))
                        << run << " row " << i << " form " << form;
                }
            }
            if (log.RowCount() > 0) {
                ASSERT_EQ(log.ReportBytes(), ReferenceReport(reference.rows, reference.lw, reference.rw)) << run;
            }
        }
        EXPECT_GT(reference.repeats - repeats, l.runs / 8) << l.shortest;
        repeats = reference.repeats;
    }
}

TEST_F(RunLog, ReportOfASmallMachine) {
    Define(QStringLiteral("01"), QStringLiteral("01"), QStringLiteral("q0"),
           {QStringLiteral("q0 0 q0 1 R"), QStringLiteral("q0 1 q0 0 R"), QStringLiteral("q0 # q1 # L")});
    settings.SetDiesCount(1);
    RunToEnd();
    log.SetWordForm(0);
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("Отчет 1.log"));
    ASSERT_TRUE(log.WriteReport(name, prompts));
    const QByteArray bytes = ReadAll(name);
    EXPECT_EQ(Text(bytes), Text(codepage::Encode(QStringLiteral(
                               "N         Исх. сост.        С  N симв. Слово    След. команда\r\n"
                               "0         q0                0  0       # 01 #   q0(0)->q0(1)-Вправо\r\n"
                               "1         q0                1  1       # 11 #   q0(1)->q0(0)-Вправо\r\n"
                               "2         q0                #  2       # 10 #   q0(#)->q1(#)-Влево\r\n"))));
    // Windows-1251: "Исх" is three single bytes.
    EXPECT_EQ(bytes.mid(10, 3), QByteArray("\xC8\xF1\xF5"));
}

TEST_F(RunLog, LongStateNamePushesOnlyItsOwnLine) {
    settings.SetDiesCount(2);
    Log(log, 0, QStringLiteral("q0"), QStringLiteral("a"), 0, Word("##", "a", "b#"), QStringLiteral("c1"));
    Log(log, 1, QStringLiteral("состояние_длиною_в_26_букв"), QStringLiteral("b"), -12, Word("##", "a", "##"),
        QStringLiteral("c2"));
    Log(log, 2, QStringLiteral("q0"), QStringLiteral("#"), 1234567, Word("##", "a", "##"), QStringLiteral("c3"));
    EXPECT_EQ(Text(log.ReportBytes()),
              Text(codepage::Encode(QStringLiteral("N         Исх. сост.        С  N симв. Слово    След. команда\r\n"
                                                   "0         q0                a  0       # a b#   c1\r\n"
                                                   "1         состояние_длиною_в_26_буквb  -12     # a ##   c2\r\n"
                                                   "2         q0                #  1234567 # a ##   c3\r\n"))));
}

// Numbers that would fill their columns widen them, the step's and the head's alike.
TEST_F(RunLog, LongNumbersWidenTheirColumns) {
    settings.SetDiesCount(2);
    Log(log, 999999999, QStringLiteral("q0"), QStringLiteral("a"), -1, Word("##", "a", "##"), QStringLiteral("c1"));
    Log(log, 1000000000, QStringLiteral("q0"), QStringLiteral("a"), 100000000, Word("##", "a", "##"),
        QStringLiteral("c2"));
    EXPECT_EQ(Text(log.ReportBytes()),
              Text(codepage::Encode(QStringLiteral("N          Исх. сост.        С  N симв.   Слово   След. команда\r\n"
                                                   "999999999  q0                a  -1        # a #   c1\r\n"
                                                   "1000000000 q0                a  100000000 # a #   c2\r\n"))));
}

TEST_F(RunLog, SaveProposesTheNextFreeNameAndKeepsTheOldReport) {
    QTemporaryDir dir;
    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("Отчет 1.log")), "1"));
    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("Отчет 2.log")), "2"));
    settings.DirLog = dir.path();
    // An empty log saves nothing and asks nothing.
    EXPECT_FALSE(LogSave(log, settings, prompts, &engine));
    EXPECT_TRUE(prompts.fileDialogs.isEmpty());

    Log(log, 0, QStringLiteral("q0"), QStringLiteral("a"), 0, Word("#", "a", "#"));
    prompts.AnswerFile(dir.filePath(QStringLiteral("Отчет 2.log")));
    EXPECT_TRUE(LogSave(log, settings, prompts, &engine));
    ASSERT_EQ(prompts.fileDialogs.size(), 1);
    const TFileDialog& d = prompts.fileDialogs[0];
    EXPECT_EQ(d.title, QStringLiteral("Сохранение отчета"));
    EXPECT_EQ(d.filter, QStringLiteral("Файлы отчетов (*.log)|*.log"));
    EXPECT_EQ(d.defaultExt, QStringLiteral("log"));
    EXPECT_EQ(d.initialDir, dir.path());
    EXPECT_EQ(d.fileName, QStringLiteral("Отчет 3.log"));
    EXPECT_TRUE(d.overwritePrompt);
    EXPECT_EQ(ReadAll(dir.filePath(QStringLiteral("Отчет 2.bak"))), QByteArray("2"));
    EXPECT_TRUE(ReadAll(dir.filePath(QStringLiteral("Отчет 2.log"))).startsWith("N "));
    // A user's own file that a fixed temporary name would have taken is left alone, and no temporary is left.
    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("Отчет 1.tmp")), "mine"));
    prompts.AnswerFile(dir.filePath(QStringLiteral("Отчет 1.log")));
    EXPECT_TRUE(LogSave(log, settings, prompts, &engine));
    EXPECT_EQ(ReadAll(dir.filePath(QStringLiteral("Отчет 1.tmp"))), QByteArray("mine"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 5); // 1 and 2: .log and .bak; 1.tmp

    // A DirLog that is gone gives way to the current directory; the saved report's directory takes its place.
    settings.DirLog = dir.filePath(QStringLiteral("gone"));
    const QString elsewhere = dir.filePath(QStringLiteral("sub/dir/run.log"));
    prompts.AnswerFile(elsewhere);
    EXPECT_TRUE(LogSave(log, settings, prompts, &engine));
    EXPECT_EQ(prompts.fileDialogs[2].initialDir, QDir::currentPath());
    EXPECT_EQ(settings.DirLog, dir.filePath(QStringLiteral("sub/dir")));
    EXPECT_TRUE(QFileInfo::exists(elsewhere));
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

TEST_F(RunLog, WriteFaultsShowTheirMessageAndLeaveNoReport) {
    Log(log, 0, QStringLiteral("q0"), QStringLiteral("a"), 0, Word("#", "a", "#"));
    QTemporaryDir dir;
    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("file")), "x"));
    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("r.log")), "old"));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("r.bak/inside")));
    const QString underFile = dir.filePath(QStringLiteral("file/r.log"));
    const QString full = dir.filePath(QStringLiteral("full.log"));

    const auto fault = [&](const QString& name) {
        prompts.Answer(TAnswer::Ok);
        EXPECT_FALSE(log.WriteReport(name, prompts));
        return prompts.boxes.isEmpty() ? TMessage() : prompts.boxes.takeLast();
    };
    const auto box = [](const QString& text) {
        return TMessage{QStringLiteral("Сохранение файла"), text, TIcon::Stop, ButtonsOk, TAnswer::Ok, false};
    };
    EXPECT_EQ(fault(dir.filePath(QStringLiteral("r.log"))),
              box(QStringLiteral("Ошибка удаления старого файла\n") + dir.filePath(QStringLiteral("r.bak"))));
    EXPECT_EQ(ReadAll(dir.filePath(QStringLiteral("r.log"))), QByteArray("old"));
    EXPECT_EQ(fault(underFile), box(QStringLiteral("Ошибка создания пути к файлу\n") + underFile));
    {
        // A full disk must not leave a report cut off in the middle.
        TFileSizeLimit limit(20);
        EXPECT_EQ(fault(full), box(QStringLiteral("Не могу создать файл\n") + full));
    }
    EXPECT_FALSE(QFileInfo::exists(full));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{QStringLiteral("file"), QStringLiteral("r.log")}));
    prompts.answers.clear();
}
