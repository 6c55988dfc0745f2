// The state diagram window beside the main window: a double-click in it selects the command or the state
// in the main window's lists.

#include "window/mainform.h"

#include "diagram/diagramform.h"
#include "files/qtmfile.h"
#include "machine/engine.h"
#include "platform/prompts.h"
#include "window/commandlistmodel.h"
#include "window/statelistmodel.h"

#include <QListView>
#include <QTableView>

void TMainForm::DiagramViewExecute() {
    if (!diagramForm_) {
        diagramForm_ = new TDiagramForm(*machine_, *config_, *prompts_, engine_.get(), this);
        diagramForm_->setObjectName(QStringLiteral("DiagramForm"));
        diagramForm_->SetMachineFileName([this] { return fileName_; });
        // The selection is shown where the user looks next: the main window comes forward with the row
        // current and in sight in its list, which draws the selection only while it has the focus.
        const auto select = [this](QAbstractItemView* list, const QModelIndex& index) {
            list->setCurrentIndex(index);
            list->scrollTo(index);
            raise();
            activateWindow();
            list->setFocus(Qt::OtherFocusReason);
        };
        connect(diagramForm_, &TDiagramForm::commandActivated, this,
                [this, select](int row) { select(CommandListView, commandModel_->index(row, 0)); });
        connect(diagramForm_, &TDiagramForm::stateActivated, this,
                [this, select](int index) { select(StateListBox, stateModel_->index(index)); });
    }
    diagramForm_->show();
    diagramForm_->raise();
    diagramForm_->activateWindow();
}

void TMainForm::SaveDiagramPlaces() {
    // Without the diagram window the positions file is left as it is.
    if (!diagramForm_)
        return;
    const QString error = diagramForm_->SavePlaces(machineFile_->FilePath());
    if (!error.isEmpty())
        prompts_->Message(QStringLiteral("Сохранение файла"), error, TIcon::Stop);
}
