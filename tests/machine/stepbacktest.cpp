#include "breakpoints/breakpoint.h"
#include "log/runlog.h"

#include "machinefixture.h"

#include <QRandomGenerator>

namespace {

// Everything a step back must put back as it was.
struct TSeen {
    QString cells, state, symbol, pending;
    // The highlighted command.
    int active = -1;
    int head = 0;
    qint64 step = 0;
    std::vector<int> counts;
    QStringList rows;
    bool operator==(const TSeen&) const = default;
};

void PrintTo(const TSeen& s, std::ostream* os) {
    *os << s.step << ' ' << s.cells.toStdString() << " head " << s.head << ' ' << s.state.toStdString() << '('
        << s.symbol.toStdString() << ") " << s.pending.toStdString() << " active " << s.active << " counts";
    for (int c : s.counts)
        *os << ' ' << c;
    for (const QString& r : s.rows)
        *os << "\n  " << r.toStdString();
}

} // namespace

class StepBack : public MachineTest {
protected:
    StepBack() {
        machine.SetBreakPoints(&breaks);
        engine.SetRunLog(&log);
        settings.History = true;
        settings.UseBreak = true;
        settings.StopOnBreak = false;
        prompts.allowUnexpected = true;
    }

    TSeen Seen() const {
        TSeen s{Cells(),
                machine.CurrentState(),
                machine.CurrentSymbol(),
                QString(),
                machine.ActiveCommand(),
                machine.HeadPosition(),
                machine.StepNumber(),
                breaks.PassCounts(),
                {}};
        if (const auto c = machine.PendingCommand())
            s.pending = TMachine::CommandText(*c);
        for (int i = 0; i < log.RowCount(); ++i)
            s.rows.append(QString::number(log.Row(i).step) + u' ' + log.Row(i).state + u' ' + log.RowWordText(i) +
                          u' ' + log.Row(i).commandText);
        return s;
    }

    // Steps n times by hand, or until the run ends; each step's configuration and boxes.
    int Forward(int n, QList<TSeen>& seen, QList<QStringList>& boxes) {
        int done = 0;
        for (; done < n; ++done) {
            prompts.boxes.clear();
            prompts.Answer(TAnswer::Ok);
            engine.NextStep();
            prompts.answers.clear();
            if (engine.GetRunState() != Paused)
                break;
            QStringList texts;
            for (const TMessage& m : prompts.boxes)
                texts.append(m.text);
            seen.append(Seen());
            boxes.append(texts);
        }
        return done;
    }

    TBreakPointList breaks;
    TRunLog log{settings};
};

TEST_F(StepBack, ForwardBackAndForwardAgainMeetTheSameConfigurations) {
    // Random machines with breakpoints, the log on (MaxCount rows) or off: k steps, j back, j forward.
    QRandomGenerator random(20261208);
    const QString symbols[] = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("#")};
    const QString moves[] = {MoveLeftText, MoveRightText, MoveStayText};
    int backs = 0;
    for (int run = 0; run < 150; ++run) {
        engine.Reset();
        machine.Clear();
        breaks.ClearBreakPoints();
        QString word;
        for (int n = 1 + int(random.bounded(5)); n > 0; --n)
            word += symbols[random.bounded(2)];
        Define(QStringLiteral("ab"), word, QStringLiteral("q0"), {});
        machine.AddState(QStringLiteral("q1"));
        for (const QString& state : {QStringLiteral("q0"), QStringLiteral("q1")})
            for (const QString& symbol : symbols)
                if (random.bounded(5) != 0)
                    machine.AddCommand(state, symbol, random.bounded(2) ? QStringLiteral("q0") : QStringLiteral("Q1"),
                                       symbols[random.bounded(3)], moves[random.bounded(3)]);
        breaks.AddBreakPoint(std::make_unique<TBreakPoint>(true, 0, QStringLiteral("q1"), QString()));
        breaks.AddBreakPoint(std::make_unique<TBreakPoint>(true, 2, QString(), QStringLiteral("a")));
        settings.ViewLog = random.bounded(3) != 0;
        settings.SetMaxCount(2 + int(random.bounded(10)));
        settings.SetDiesCount(1 + int(random.bounded(3)));

        QList<TSeen> first;
        QList<QStringList> firstBoxes;
        engine.NextStep();
        if (engine.GetRunState() != Paused)
            continue;
        // A step that ends the run cannot be taken back: the run is made again short of it.
        const int k = Forward(40, first, firstBoxes);
        engine.Reset();
        first.clear();
        firstBoxes.clear();
        engine.NextStep();
        first.append(Seen());
        firstBoxes.append(QStringList());
        ASSERT_EQ(Forward(k, first, firstBoxes), k) << run;
        const int depth = settings.ViewLog ? std::min(k, settings.MaxCount - 1) : k;
        for (int i = 1; i <= depth; ++i) {
            ASSERT_TRUE(engine.CanStepBack()) << run << " back " << i;
            engine.StepBack();
            ASSERT_EQ(Seen(), first[k - i]) << run << " back " << i;
        }
        EXPECT_FALSE(engine.CanStepBack()) << run;
        backs += depth;
        QList<TSeen> again;
        QList<QStringList> againBoxes;
        ASSERT_EQ(Forward(depth, again, againBoxes), depth) << run;
        for (int i = 0; i < depth; ++i) {
            EXPECT_EQ(again[i], first[k - depth + 1 + i]) << run << " forward " << i;
            EXPECT_EQ(againBoxes[i], firstBoxes[k - depth + 1 + i]) << run << " forward " << i;
        }
    }
    EXPECT_GT(backs, 500);
}
