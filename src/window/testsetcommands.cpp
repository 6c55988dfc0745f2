// The test set window's life beside the main window.

#include "window/mainform.h"

#include "breakpoints/breakpoint.h"
#include "files/qtmfile.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "testset/testsetform.h"

#include <QAction>

void TMainForm::TestSetExecute() {
    if (!testSetForm_) {
        testSetForm_ = new TTestSetForm(*config_, *prompts_, this);
        testSetForm_->machineBytes = [this] {
            return fileName_.isEmpty() ? QByteArray() : MachineFileBytes(*machine_, *breakPointList_);
        };
        connect(testSetForm_, &TTestSetForm::checkingChanged, this, [this] {
            UpdateActions();
            RefreshEditing();
        });
        connect(testSetForm_, &TTestSetForm::wordChosen, this, &TMainForm::TestSetWordChosen);
    }
    testSetForm_->OpenFor(fileName_);
    testSetForm_->show();
    testSetForm_->raise();
    testSetForm_->activateWindow();
}

bool TMainForm::TestSetChecking() const {
    return testSetForm_ && testSetForm_->Checking();
}

void TMainForm::KeepMachineForCheck() {
    if (!TestSetChecking())
        return;
    for (QAction* a : {NewFileItem, OpenFileItem, ImportFileItem, FileClosing, StateAdd, StateDel, StateEdit,
                       CommandAdd, CommandDel, CommandEdit, WordUpdate})
        a->setEnabled(false);
}

// The chosen case's word goes into the machine, the run starting over, so it can be stepped through.
void TMainForm::TestSetWordChosen(const QString& word) {
    if (fileName_.isEmpty() || TestSetChecking()) {
        prompts_->Asterisk();
        return;
    }
    if (RunStateIs({Running, Paused}))
        engine_->Reset();
    machine_->SetWordText(word);
    BringToFront();
}
