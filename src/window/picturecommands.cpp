// The pictures of a run beside the main window: the space-time picture, which lights the row of the step the
// run stands at, and the cost plot.

#include "window/mainform.h"

#include "breakpoints/breakpoint.h"
#include "files/qtmfile.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "pictures/costform.h"
#include "pictures/spacetimeform.h"
#include "runner/runtoend.h"
#include "tasks/taskbook.h"
#include "tasks/taskbookform.h"
#include "testset/testsetfile.h"

#include <QFileInfo>
#include <QTimer>

void TMainForm::SpaceTimeExecute() {
    if (!spaceTimeForm_) {
        spaceTimeForm_ = new TSpaceTimeForm(*config_, *prompts_, this);
        spaceTimeForm_->machineBytes = [this] { return MachineFileBytes(*machine_, *breakPointList_); };
        const auto follow = [this] {
            // A run to the end steps the core on its own thread: its count is read, not the machine.
            const bool running = RunStateIs({Running, Paused});
            const qint64 step = !running                           ? -1
                                : runToEnd_ && runToEnd_->Active() ? runToEnd_->Steps()
                                                                   : machine_->StepNumber();
            spaceTimeForm_->ShowStep(step);
        };
        connect(machine_.get(), &TMachine::statusChanged, spaceTimeForm_, follow);
        connect(engine_.get(), &TEngine::runStateChanged, spaceTimeForm_, follow);
        connect(progressTimer_, &QTimer::timeout, spaceTimeForm_, follow);
        // A run that starts on another word or machine than the picture's gets its own picture.
        connect(engine_.get(), &TEngine::runStateChanged, spaceTimeForm_, [this](RunState old, RunState now) {
            if (spaceTimeForm_->isVisible() && (old == Ready || old == NoMachine) && (now == Running || now == Paused))
                spaceTimeForm_->Refresh();
        });
    }
    spaceTimeForm_->Rebuild();
    spaceTimeForm_->show();
    spaceTimeForm_->raise();
    spaceTimeForm_->activateWindow();
}

void TMainForm::PicturesFollowMachine() {
    if (spaceTimeForm_)
        spaceTimeForm_->FollowMachine();
    if (costForm_)
        costForm_->FollowMachine();
}

void TMainForm::CostExecute() {
    if (!costForm_) {
        costForm_ = new TCostForm(*config_, *prompts_, this);
        costForm_->machineBytes = [this] { return MachineFileBytes(*machine_, *breakPointList_); };
        // The test set beside the machine file, as the test set window opens it.
        costForm_->testSetWords = [this] {
            QStringList words;
            const QString set = TestSetPathOf(fileName_);
            if (fileName_.isEmpty() || !QFileInfo(set).isFile())
                return words;
            QList<TTestLineError> errors;
            QString error;
            for (const TTestCase& c : ReadTestSet(set, errors, error))
                words.append(c.word);
            return words;
        };
        // A machine "Решать" made for a task of the open task book measures words over the task's alphabet.
        costForm_->taskAlphabet = [this] {
            if (taskBookForm_ && !fileName_.isEmpty())
                for (const TTask& task : taskBookForm_->Book().tasks)
                    if (QFileInfo(StudentMachinePath(DefaultTaskWorkDir(), task)) == QFileInfo(fileName_))
                        return task.alphabet;
            return QString();
        };
    }
    costForm_->show();
    costForm_->raise();
    costForm_->activateWindow();
    if (!costForm_->Measuring() && costForm_->Table().points.isEmpty())
        costForm_->StartMeasure();
}
