// The transition table window beside the main window, and the handout printed or exported as HTML.

#include "window/mainform.h"

#include "diagram/diagram.h"
#include "diagram/diagramform.h"
#include "editing/commanddialog.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "platform/paths.h"
#include "platform/prompts.h"
#include "settings/config.h"
#include "table/handout.h"
#include "table/handoutdialog.h"
#include "table/tableform.h"
#include "window/tapeview.h"

void TMainForm::TableItemExecute() {
    if (!tableForm_) {
        const auto colours = [this](TCellMarks mark) { return MarkColours(*config_, mark, engine_->GetRunState()); };
        tableForm_ = new TTableForm(*machine_, *prompts_, *config_, colours, this);
        tableForm_->setObjectName(QStringLiteral("TableForm"));
        ShareGlobalActions(tableForm_);
        tableForm_->SetEditRule([this] { return CommandAddEnabled(engine_->GetRunState(), !fileName_.isEmpty()); });
        connect(engine_.get(), &TEngine::runStateChanged, tableForm_, [this] { tableForm_->Model().RepaintMarks(); });
        AddHistoryKeys(tableForm_);
    }
    tableForm_->show();
    tableForm_->raise();
    tableForm_->activateWindow();
}

QString TMainForm::HandoutName() const {
    return paths::FileName(fileName_);
}

THandout TMainForm::Handout() const {
    THandout handout{HandoutName(), QString(), false};
    // The diagram goes on the handout once the user has made it, without a run's highlight: the window's own
    // layout, or one made afresh (aside, it may take seconds) when the machine has changed since.
    if (diagramForm_) {
        std::optional<TDiagram> made = diagramForm_->MadeLayout();
        TDiagram diagram;
        if (made)
            diagram = std::move(*made);
        else
            RunAside([&diagram, source = DiagramSourceOf(*machine_)] { diagram = LayOutDiagram(source); });
        if (diagram.error.isEmpty())
            handout.diagramSvg = QString::fromUtf8(DiagramSvg(diagram, *config_));
    }
    return handout;
}

void TMainForm::PrintItemClick() {
    TEngine::TPause pause(*engine_);
    ExecuteHandoutPreview(this, *machine_, Handout(), paths::ChangeFileExt(fileName_, QStringLiteral(".pdf")));
}

void TMainForm::ExportHtmlItemClick() {
    TEngine::TPause pause(*engine_);
    TFileDialog dialog;
    dialog.title = QStringLiteral("Экспорт в HTML");
    dialog.filter = QStringLiteral("Страницы HTML (*.html)|*.html");
    dialog.defaultExt = QStringLiteral("html");
    dialog.initialDir = paths::FileDir(fileName_);
    dialog.fileName = paths::ChangeFileExt(HandoutName(), QStringLiteral(".html"));
    dialog.overwritePrompt = true;
    const QString chosen = prompts_->SaveFileName(dialog);
    if (chosen.isEmpty())
        return;
    QString error;
    if (!SaveHandoutAside(chosen, HandoutHtml(*machine_, Handout()), error))
        prompts_->Message(QStringLiteral("Экспорт в HTML"), error, TIcon::Stop);
}
