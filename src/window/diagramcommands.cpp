// The state diagram window beside the main window: it edits the machine through the lists' own operations,
// and the lists follow what it selects while it stays in front.

#include "window/mainform.h"

#include "diagram/diagramform.h"
#include "files/qtmfile.h"
#include "editing/commanddialog.h"
#include "editing/statedialog.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "platform/helpengine.h"
#include "platform/prompts.h"
#include "settings/config.h"
#include "window/commandlistmodel.h"
#include "window/statelistmodel.h"
#include "window/undohistory.h"

#include <QAction>
#include <QListView>
#include <QScreen>
#include <QTableView>

#include <functional>

void TMainForm::DiagramViewExecute() {
    if (!diagramForm_) {
        diagramForm_ = new TDiagramForm(*machine_, *config_, *prompts_, engine_.get(), this);
        diagramForm_->setObjectName(QStringLiteral("DiagramForm"));
        diagramForm_->SetMachineFileName([this] { return fileName_; });
        diagramForm_->SetPositions(positions_.get());
        PlaceBesideMainWindow(diagramForm_);
        ShareGlobalActions(diagramForm_);
        const std::pair<QAction * TDiagramForm::*, QAction*> tools[] = {
            {&TDiagramForm::ZoomInItem, DiagramZoomInItem}, {&TDiagramForm::ZoomOutItem, DiagramZoomOutItem},
            {&TDiagramForm::FitItem, DiagramFitItem},       {&TDiagramForm::ArrangeItem, DiagramArrangeItem},
            {&TDiagramForm::SvgItem, DiagramSvgItem},       {&TDiagramForm::PngItem, DiagramPngItem}};
        for (const auto& [tool, entry] : tools)
            diagramForm_->ReplaceTool(diagramForm_->*tool, entry);
        ConnectDiagramEditing();
        AddHistoryKeys(diagramForm_);
    }
    diagramForm_->show();
    diagramForm_->raise();
    diagramForm_->activateWindow();
}

// The diagram edits through the lists' own operations: the same dialogs, questions, rules and modified flag.
void TMainForm::ConnectDiagramEditing() {
    TDiagramForm* diagram = diagramForm_;
    // Each edit runs only when the lists could add (the machine open and not running); its dialogs open over the
    // diagram, which stays in front after them.
    const auto edit = [this, diagram](const std::function<void()>& run) {
        // One gesture is one step of the history, whatever dialogs and questions it takes.
        TUndoHistory::TStep step(*history_);
        UpdateActions();
        if (StateAdd->isEnabled())
            run();
        diagram->raise();
        diagram->activateWindow();
    };
    // The lists follow the picture's selection; the diagram stays in front while the user builds on it.
    const auto follow = [](QAbstractItemView* list, const QModelIndex& index) {
        list->setCurrentIndex(index);
        list->scrollTo(index);
    };
    for (auto signal : {&TDiagramForm::stateSelected, &TDiagramForm::stateActivated})
        connect(diagram, signal, this, [this, follow](int index) { follow(StateListBox, stateModel_->index(index)); });
    for (auto signal : {&TDiagramForm::commandSelected, &TDiagramForm::commandActivated})
        connect(diagram, signal, this,
                [this, follow](int row) { follow(CommandListView, commandModel_->index(row, 0)); });
    connect(diagram, &TDiagramForm::stateAddRequested, this,
            [this, edit, diagram] { edit([&] { ExecuteStateAdd(diagram, *machine_, *prompts_, HelpOpener()); }); });
    connect(diagram, &TDiagramForm::commandAddRequested, this,
            [this, edit, diagram](const QString& state, const QString& newState) {
                edit([&] { ExecuteCommandAddBetween(diagram, *machine_, *prompts_, state, newState, HelpOpener()); });
            });
    connect(diagram, &TDiagramForm::stateEditRequested, this, [this, edit, diagram](int index) {
        edit([&] { ExecuteStateEdit(diagram, *machine_, *prompts_, index, HelpOpener()); });
    });
    connect(diagram, &TDiagramForm::commandEditRequested, this, [this, edit, diagram](int row) {
        edit([&] { ExecuteCommandEdit(diagram, *machine_, *prompts_, row, HelpOpener()); });
    });
    connect(diagram, &TDiagramForm::missingStateAddRequested, this, [this, edit](const QString& name) {
        edit([&] {
            if (machine_->AddState(name))
                machine_->NoteEdited();
        });
    });
    connect(diagram, &TDiagramForm::stateDeleteRequested, this,
            [this, edit](int index) { edit([&] { ExecuteStateDel(*machine_, *prompts_, index); }); });
    connect(diagram, &TDiagramForm::commandDeleteRequested, this,
            [this, edit](int row) { edit([&] { ExecuteCommandDel(*machine_, *prompts_, row); }); });
}

// A window opened for the first time (at its default place, which lies over the main window) goes beside
// the main window: to its right, or to its left when the screen has no room there; with room on neither side,
// at the screen's right edge, over as little of the main window as it can.
void TMainForm::PlaceBesideMainWindow(QWidget* window) const {
    const TConfig defaults{QString()};
    if (window->geometry() !=
        QRect(defaults.DiagramLeft, defaults.DiagramTop, defaults.DiagramWidth, defaults.DiagramHeight))
        return;
    const QRect main = frameGeometry();
    const QScreen* screen = this->screen();
    const QRect room = screen ? screen->availableGeometry() : QRect();
    // Clear of the main window's frame and of its own.
    constexpr int Gap = 8;
    QRect place = window->geometry();
    place.moveTopLeft(QPoint(main.right() + Gap, main.top()));
    if (room.isValid() && place.right() > room.right()) {
        if (main.left() - place.width() - Gap >= room.left())
            place.moveRight(main.left() - Gap);
        else
            place.moveRight(room.right());
    }
    window->setGeometry(place);
}

void TMainForm::DiagramZoomInExecute() {
    if (diagramForm_)
        diagramForm_->ZoomIn();
}

void TMainForm::DiagramZoomOutExecute() {
    if (diagramForm_)
        diagramForm_->ZoomOut();
}

void TMainForm::DiagramFitExecute() {
    if (diagramForm_)
        diagramForm_->Fit();
}

void TMainForm::DiagramArrangeExecute() {
    if (diagramForm_)
        diagramForm_->Arrange();
}

void TMainForm::DiagramSvgExecute() {
    if (diagramForm_)
        diagramForm_->ExportSvg();
}

void TMainForm::DiagramPngExecute() {
    if (diagramForm_)
        diagramForm_->ExportPng();
}
