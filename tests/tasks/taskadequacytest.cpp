#include "filetestutil.h"
#include "machine/command.h"
#include "breakpoints/breakpoint.h"
#include "files/loadreport.h"
#include "files/qtmfile.h"
#include "machine/machine.h"
#include "machine/runcore.h"
#include "platform/prompts.h"
#include "settings/config.h"
#include "tasks/taskbook.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

// A task's set is adequate when every plausible slip in a right solution shows on one of its rows. Each shipped
// task has two right solutions here, written by different methods (ID.qtm and ID.2.qtm), and ID.words: every
// word the task allows, up to a length kept small so that the whole book is checked in seconds (at most 8
// symbols; fewer where the alphabet is larger). Each solution is changed one rule at a time: the rule deleted,
// or its new state, its written symbol or its move changed to each other value the machine has. A changed
// machine that answers some allowed word otherwise than the solution does must fail a row of the set, under the
// task's own DiesCount and step limit; a failure names the task, the change and the word to add to the set.

namespace {

QString Here(const QString& relative) {
    return QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().absoluteFilePath(relative);
}

const QString ShippedBook = Here(QStringLiteral("../../data/tasks"));

TConfig TaskSettings(const TTask& task) {
    TConfig config{QString()};
    config.settingsPath.clear();
    config.desktopPath.clear();
    config.SetDiesCount(task.diesCount);
    return config;
}

class TPromptsStub : public TPrompts {
public:
    TAnswer Ask(const TMessage& message) override { return message.defaultButton; }
    void Asterisk() override {}
    QString OpenFileName(const TFileDialog&) override { return QString(); }
    QString SaveFileName(const TFileDialog&) override { return QString(); }
};

QStringList AllowedWords(const TTask& task) {
    QStringList words;
    for (const QString& line : QString::fromLatin1(ReadAll(Here(task.id + QStringLiteral(".words")))).split(u'\n')) {
        const QString word = line.trimmed();
        if (!word.isEmpty())
            words.append(word);
    }
    return words;
}

// What a run leaves that the check compares: the tape between the blanks when the machine halts within the
// task's step limit and inside its DiesCount; any other end is a failed word.
QString Answer(TRunCore& core, const TTask& task, const QString& word, int start) {
    // As a run starts: the word between two blanks, the head on its first symbol, the blank on its left counted.
    core.Load(BlankSymbol + word + BlankSymbol, 1, 0, 0, int(word.size()), start, false);
    TRunCore::TOutcome outcome = core.Lookup();
    if (outcome == TRunCore::TOutcome::Ok)
        outcome = core.RunUntil(task.maxSteps, task.diesCount);
    if (outcome != TRunCore::TOutcome::Halt)
        return QStringLiteral("(no halt)");
    QString tape;
    for (std::size_t i = 0; i < core.tape.size(); ++i)
        tape.append(TRunCore::CharOf(core.tape[i]));
    while (tape.startsWith(BlankSymbol))
        tape.remove(0, 1);
    while (tape.endsWith(BlankSymbol))
        tape.chop(1);
    return tape;
}

QString RuleText(const TCommandRow& row) {
    return row.sourceState + u' ' + row.sourceSymbol + QStringLiteral(" -> ") + row.newState + u' ' + row.newSymbol +
           u' ' + row.move;
}

// One right solution and its changes, run on the compiled core as the check runs them: a changed machine is
// compiled afresh and run on each word from the solution's initial state.
struct TSolutionCheck {
    const TTask& task;
    const QList<TTestCase>& rows;
    const QStringList& words;
    QString file;
    TRunCore core;
    QString start;
    QStringList right;
    int changes = 0;

    TSolutionCheck(const TTask& t, const QList<TTestCase>& r, const QStringList& w, QString f)
        : task(t), rows(r), words(w), file(std::move(f)) {}

    QString Run(const QString& word) { return Answer(core, task, word, core.StateId(start)); }

    bool FailsARow() {
        for (const TTestCase& row : rows)
            if (Run(row.word) != row.tape)
                return true;
        return false;
    }

    // The first allowed word the machine as compiled answers otherwise than the solution, or an empty text.
    QString WrongWord() {
        for (qsizetype i = 0; i < words.size(); ++i)
            if (Run(words[i]) != right[i])
                return words[i];
        return QString();
    }

    void Try(const QList<TCommandRow>& rules, const QString& change) {
        ++changes;
        core.Compile(rules);
        if (FailsARow())
            return;
        const QString word = WrongWord();
        EXPECT_TRUE(word.isEmpty()) << task.id.toStdString() << " (" << file.toStdString() << "): the rule "
                                    << change.toStdString() << " passes every row but is wrong on the word "
                                    << word.toStdString();
    }
};

TEST(TaskAdequacyTest, EveryWrongOneRuleChangeOfARightSolutionFailsARow) {
    const TTaskBook book = LoadTaskBook(ShippedBook);
    ASSERT_GE(book.tasks.size(), 20);
    int changes = 0;
    for (const TTask& task : book.tasks) {
        SCOPED_TRACE(task.id.toStdString());
        QList<TTestLineError> lineErrors;
        QString error;
        const QList<TTestCase> rows = ReadTestSet(task.TestsPath(), lineErrors, error);
        ASSERT_TRUE(error.isEmpty() && lineErrors.isEmpty()) << error.toStdString();
        const QStringList words = AllowedWords(task);
        ASSERT_GE(words.size(), 10);
        QStringList firstAnswers;
        for (const QString& file : {task.id + QStringLiteral(".qtm"), task.id + QStringLiteral(".2.qtm")}) {
            SCOPED_TRACE(file.toStdString());
            TSolutionCheck check(task, rows, words, file);
            TConfig settings = TaskSettings(task);
            TPromptsStub prompts;
            TMachine machine(prompts, settings);
            TBreakPointList breakPoints;
            TLoadReport report(file);
            ReadMachineBytes(ReadAll(Here(file)), machine, breakPoints, report);
            const QList<TCommandRow> rules = machine.Commands();
            ASSERT_FALSE(rules.isEmpty());
            check.start = machine.GetInitialState();
            check.core.Compile(rules);
            for (const QString& word : words)
                check.right.append(check.Run(word));
            // The two solutions are right on every allowed word, so they agree on each.
            if (firstAnswers.isEmpty())
                firstAnswers = check.right;
            for (qsizetype i = 0; i < words.size(); ++i)
                EXPECT_EQ(check.right[i], firstAnswers[i]) << words[i].toStdString();
            ASSERT_FALSE(check.FailsARow());

            QStringList states;
            for (const TStateItem& state : machine.States())
                states.append(state.name);
            const QString symbols = machine.Alphabet() + BlankSymbol;
            const QStringList moves{MoveLeftText, MoveRightText, MoveStayText};
            for (qsizetype i = 0; i < rules.size(); ++i) {
                const TCommandRow& rule = rules[i];
                QList<TCommandRow> changed = rules;
                const auto tryRow = [&](const QString& what, const TCommandRow& row) {
                    changed[i] = row;
                    check.Try(changed, RuleText(rule) + what);
                };
                for (const QString& state : states)
                    if (state != rule.newState) {
                        TCommandRow row = rule;
                        row.newState = state;
                        tryRow(QStringLiteral(" going to ") + state, row);
                    }
                for (const QChar symbol : symbols)
                    if (symbol != rule.newSymbol) {
                        TCommandRow row = rule;
                        row.newSymbol = QString(symbol);
                        tryRow(QStringLiteral(" writing ") + symbol, row);
                    }
                for (const QString& move : moves)
                    if (move != rule.move) {
                        TCommandRow row = rule;
                        row.move = move;
                        tryRow(QStringLiteral(" moving ") + move, row);
                    }
                changed = rules;
                changed.removeAt(i);
                check.Try(changed, RuleText(rule) + QStringLiteral(" deleted"));
            }
            changes += check.changes;
        }
    }
    // Each solution is changed in many ways: a loader that read no rules would pass the loop above.
    EXPECT_GE(changes, 20 * book.tasks.size());
}

} // namespace
