#include "check/validation.h"

#include "check/checkstate.h"
#include "machine/machine.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QStringList>

#include <vector>

TValidation::~TValidation() {
    if (machine_.Checks() == this)
        machine_.SetChecks(nullptr);
}

bool TValidation::InAlphabet(QChar symbol) const {
    return symbol == BlankSymbol || machine_.Alphabet().contains(symbol);
}

// ---- The whole pass ---------------------------------------------------------------------------------------

bool TValidation::ValidateMachine(TCheckState* report) {
    try {
        if (report) {
            report->SetCommandCount(int(machine_.Commands().size()));
            report->SetStateCount(int(machine_.States().size()));
            report->SetAlphabetLength(int(machine_.Alphabet().size()));
            report->SetWordLength(int(machine_.Word().size()));
        }
        const bool complete = !machine_.Commands().isEmpty() && !machine_.States().isEmpty() &&
                              !machine_.Alphabet().isEmpty() && !machine_.Word().isEmpty();
        const bool cells = MarkWordCells(report);
        const bool commands = MarkCommands(report);
        const bool states = MarkStates(report);
        // One breakpoint refresh stands for the three per-item refreshes of the checks.
        machine_.RefreshBreakMarks();
        return complete && cells && commands && states;
    } catch (...) {
        return false;
    }
}

bool TValidation::CheckWordCells(TCheckState* report) {
    const bool valid = MarkWordCells(report);
    machine_.RefreshBreakMarks();
    return valid;
}

bool TValidation::CheckCommands(TCheckState* report) {
    if (machine_.Commands().isEmpty())
        return false;
    const bool valid = MarkCommands(report);
    machine_.RefreshBreakMarks();
    return valid;
}

bool TValidation::CheckStates(TCheckState* report) {
    const bool valid = MarkStates(report);
    machine_.RefreshBreakMarks();
    return valid;
}

// ---- Tape cells -------------------------------------------------------------------------------------------

bool TValidation::MarkWordCells(TCheckState* report) {
    bool result = true;
    const int count = int(machine_.Tape().size());
    for (int i = 0; i < count; ++i) {
        try {
            const TTapeCell& cell = machine_.Tape()[i];
            const QChar c = cell.symbol;
            const bool valid = InAlphabet(c);
            machine_.SetCellMark(i, valid ? TCellMarks(cell.mark & ~MarkError) : TCellMarks(cell.mark | MarkError));
            if (!valid) {
                if (report)
                    report->Word().AddBadSymbol(c);
                result = false;
            }
        } catch (...) {
            result = false;
        }
    }
    return result;
}

// ---- Commands ---------------------------------------------------------------------------------------------

bool TValidation::MarkCommands(TCheckState* report) {
    const QList<TCommandRow>& rows = machine_.Commands();
    if (rows.isEmpty())
        return false;
    // Silently, a pass over a machine that has not changed since the last one would find and mark the same:
    // a step or a state chosen in a machine of many commands does not go through them all again.
    const quint64 revision = machine_.CommandCheckRevision();
    if (!report && commandsChecked_ && checkedRevision_ == revision)
        return commandsValid_;

    // Check 7: commands with the same trimmed source state and the same source symbol text, both exact. Each
    // row links to the next of its kind, so a pass costs one lookup a row and no list per kind.
    std::vector<int> nextSame(std::size_t(rows.size()), -1);
    std::vector<bool> duplicated(std::size_t(rows.size()), false);
    struct TKind {
        int first = -1;
        int last = -1;
    };
    QHash<QPair<QString, QString>, TKind> kinds;
    kinds.reserve(rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        TKind& kind = kinds[qMakePair(TrimText(rows[i].sourceState), rows[i].sourceSymbol)];
        if (kind.first < 0) {
            kind.first = kind.last = i;
            continue;
        }
        nextSame[std::size_t(kind.last)] = i;
        kind.last = i;
        duplicated[std::size_t(kind.first)] = true;
        duplicated[std::size_t(i)] = true;
    }

    bool result = true;
    for (int i = 0; i < rows.size(); ++i) {
        QStringList faults;
        try {
            const TCommandRow& row = rows[i];
            const QString source = TrimText(row.sourceState);
            const bool sourceKnown = !source.isEmpty() && machine_.FindState(source) >= 0;
            if (source.isEmpty())
                faults << checkmsg::NoSourceState;
            else if (!sourceKnown)
                faults << checkmsg::UnknownSourceState;

            if (row.sourceSymbol.isEmpty())
                faults << checkmsg::NoSourceSymbol;
            else if (!InAlphabet(row.sourceSymbol[0]))
                faults << checkmsg::SourceSymbolNotInAlphabet;

            const QString target = TrimText(row.newState);
            if (target.isEmpty())
                faults << checkmsg::NoNewState;
            // Most commands stay in their state: its lookup is already done.
            else if (!(target == source ? sourceKnown : machine_.FindState(target) >= 0))
                faults << checkmsg::UnknownNewState;

            if (row.newSymbol.isEmpty())
                faults << checkmsg::NoNewSymbol;
            else if (!InAlphabet(row.newSymbol[0]))
                faults << checkmsg::NewSymbolNotInAlphabet;

            const QString move = TrimText(row.move);
            if (move.isEmpty())
                faults << checkmsg::NoMove;
            else if (move.compare(MoveStayText, Qt::CaseInsensitive) != 0 &&
                     move.compare(MoveLeftText, Qt::CaseInsensitive) != 0 &&
                     move.compare(MoveRightText, Qt::CaseInsensitive) != 0)
                faults << checkmsg::UnknownMove;

            if (source == target && row.newSymbol == row.sourceSymbol &&
                move.compare(MoveStayText, Qt::CaseInsensitive) == 0)
                faults << checkmsg::Loop;

            if (duplicated[std::size_t(i)]) {
                QString message = checkmsg::DuplicatesPrefix;
                for (int j = kinds.value(qMakePair(source, row.sourceSymbol)).first; j >= 0;
                     j = nextSame[std::size_t(j)])
                    if (j != i)
                        message += QString::number(j) + QStringLiteral("; ");
                faults << message;
            }
        } catch (...) {
            faults << checkmsg::UnknownError;
        }

        if (report)
            for (const QString& fault : faults)
                report->Commands().AddFault(i, fault);
        const TCellMarks mark = rows[i].mark;
        machine_.SetCommandMark(i, faults.isEmpty() ? TCellMarks(mark & ~MarkError) : TCellMarks(mark | MarkError));
        if (!faults.isEmpty())
            result = false;
    }
    commandsChecked_ = true;
    checkedRevision_ = revision;
    commandsValid_ = result;
    return result;
}

// ---- States -----------------------------------------------------------------------------------------------

bool TValidation::MarkStates(TCheckState* report) {
    bool result = true;
    try {
        if (machine_.GetInitialState().isEmpty()) {
            if (report)
                report->SetHasInitial(false);
            result = false;
        }
        // State items never carry the error mark.
        for (int i = 0; i < machine_.States().size(); ++i)
            machine_.SetStateMark(i, TCellMarks(machine_.States()[i].mark & ~MarkError));
    } catch (...) {
        result = false;
    }
    return result;
}

// ---- Data check command -----------------------------------------------------------------------------------

bool DataCheckEnabled(RunState runState, bool machineOpen) {
    return runState != Running && runState != Paused && machineOpen;
}
