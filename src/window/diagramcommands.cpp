// The state diagram window beside the main window: a double-click in it selects the command or the state
// in the main window's lists.

#include "window/mainform.h"

#include "diagram/diagramform.h"
#include "machine/engine.h"
#include "window/commandlistmodel.h"
#include "window/statelistmodel.h"

#include <QListView>
#include <QTableView>

void TMainForm::DiagramViewExecute() {
    if (!diagramForm_) {
        diagramForm_ = new TDiagramForm(*machine_, *config_, *prompts_, engine_.get(), this);
        diagramForm_->setObjectName(QStringLiteral("DiagramForm"));
        connect(diagramForm_, &TDiagramForm::commandActivated, this, [this](int row) {
            CommandListView->setCurrentIndex(commandModel_->index(row, 0));
            CommandListView->scrollTo(commandModel_->index(row, 0));
        });
        connect(diagramForm_, &TDiagramForm::stateActivated, this,
                [this](int index) { StateListBox->setCurrentIndex(stateModel_->index(index)); });
    }
    diagramForm_->show();
    diagramForm_->raise();
    diagramForm_->activateWindow();
}
