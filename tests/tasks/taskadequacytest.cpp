#include "breakpoints/breakpoint.h"
#include "filetestutil.h"
#include "files/loadreport.h"
#include "files/qtmfile.h"
#include "machine/command.h"
#include "machine/machine.h"
#include "machine/runcore.h"
#include "platform/prompts.h"
#include "settings/config.h"
#include "tasks/taskbook.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

// A task's set is adequate when every plausible slip in a right solution shows on one of its rows. Each shipped
// task has two right solutions here, written by different methods (ID.qtm and ID.2.qtm), and ID.words: every
// word the task allows, up to a length kept small so that the whole book is checked in seconds (6 symbols over
// two letters, 8 for brackets of one kind, 5 over three, 4 over four with the balanced words of 6, unary words
// up to 8 to 16 symbols; maketasks.py writes them). Each solution is changed one rule at a time: the rule
// deleted, or its new state, its written symbol or its move changed to each other value the machine has. A
// changed machine that answers some allowed word otherwise than the solution must fail a row of the set, under
// the task's own DiesCount and step limit; a failure names the task, the change and the word to add to the set.

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

// What a run leaves that the check compares: the tape between the blanks when the machine halts within the
// task's step limit and inside its DiesCount; any other end is a failed word.
std::string Answer(TRunCore& core, const TTask& task, const QString& cells, int start) {
    // As a run starts: the word between two blanks, the head on its first symbol, the blank on its left counted.
    core.Load(cells, 1, 0, 0, int(cells.size()) - 2, start, false);
    TRunCore::TOutcome outcome = core.Lookup();
    if (outcome == TRunCore::TOutcome::Ok)
        outcome = core.RunUntil(task.maxSteps, task.diesCount);
    if (outcome != TRunCore::TOutcome::Halt)
        return "\n(no halt)";
    const std::uint8_t blank = TRunCore::ByteOf(BlankSymbol);
    std::size_t first = 0;
    std::size_t last = core.tape.size();
    while (first < last && core.tape[first] == blank)
        ++first;
    while (last > first && core.tape[last - 1] == blank)
        --last;
    return std::string(reinterpret_cast<const char*>(core.tape.data()) + first, last - first);
}

// The words with a blank on each side, as Answer takes them, and what a right machine leaves for each.
struct TWords {
    QStringList words;
    QStringList cells;
    std::vector<std::string> answers;

    void Append(const QString& word, const QString& answer = QString()) {
        words.append(word);
        cells.append(BlankSymbol + word + BlankSymbol);
        answers.push_back(answer.toStdString());
    }
};

TWords AllowedWords(const TTask& task) {
    TWords words;
    for (const QString& line : QString::fromLatin1(ReadAll(Here(task.id + QStringLiteral(".words")))).split(u'\n')) {
        const QString word = line.trimmed();
        if (!word.isEmpty())
            words.Append(word);
    }
    return words;
}

QString RuleText(const TCommandRow& row) {
    return row.sourceState + u' ' + row.sourceSymbol + QStringLiteral(" -> ") + row.newState + u' ' + row.newSymbol +
           u' ' + row.move;
}

// One right solution and its changes, run on the compiled core as the check runs them: a changed machine is
// compiled afresh and run on each word from the solution's initial state.
struct TSolutionCheck {
    const TTask& task;
    const TWords& rows;
    const TWords& words;
    QString file;
    TRunCore core;
    QString start;
    std::vector<std::string> right;
    int changes = 0;

    TSolutionCheck(const TTask& t, const TWords& r, const TWords& w, QString f)
        : task(t), rows(r), words(w), file(std::move(f)) {}

    std::string Run(const QString& cells) { return Answer(core, task, cells, core.StateId(start)); }

    bool FailsARow() {
        for (qsizetype i = 0; i < rows.cells.size(); ++i)
            if (Run(rows.cells[i]) != rows.answers[std::size_t(i)])
                return true;
        return false;
    }

    // The first allowed word the machine as compiled answers otherwise than the solution, or an empty text.
    QString WrongWord() {
        for (qsizetype i = 0; i < words.cells.size(); ++i)
            if (Run(words.cells[i]) != right[std::size_t(i)])
                return words.words[i];
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
    ASSERT_GE(book.tasks.size(), 40);
    int changes = 0;
    for (const TTask& task : book.tasks) {
        SCOPED_TRACE(task.id.toStdString());
        QList<TTestLineError> lineErrors;
        QString error;
        QList<TTestCase> cases = ReadTestSet(task.TestsPath(), lineErrors, error);
        // Short rows first: most changed machines fail on a short word.
        std::stable_sort(cases.begin(), cases.end(),
                         [](const TTestCase& a, const TTestCase& b) { return a.word.size() < b.word.size(); });
        TWords rows;
        for (const TTestCase& row : cases)
            rows.Append(row.word, row.tape);
        ASSERT_TRUE(error.isEmpty() && lineErrors.isEmpty()) << error.toStdString();
        const TWords words = AllowedWords(task);
        ASSERT_GE(words.words.size(), 10);
        std::vector<std::string> firstAnswers;
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
            for (const QString& cells : words.cells)
                check.right.push_back(check.Run(cells));
            // The two solutions are right on every allowed word, so they agree on each.
            if (firstAnswers.empty())
                firstAnswers = check.right;
            EXPECT_EQ(check.right, firstAnswers);
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
