// The Help menu: the theory document, the contents, the help of the main window, context help and the about box.

#include "window/mainform.h"

#include "help/aboutdialog.h"
#include "help/theory.h"
#include "platform/helpengine.h"
#include "platform/paths.h"
#include "platform/prompts.h"
#include "settings/configdir.h"

void TMainForm::TheoryItemClick() {
    // The help documents stand with the program, not with the settings.
    OpenTheoryHelp(DataDirectory(paths::ExecutableDir()), *prompts_, [this](const QString& fileName) {
        if (!OpenHelpDocumentContents(fileName))
            prompts_->Message(QStringLiteral("Теория по машине Тьюринга"), QStringLiteral("Ошибка открытия файла"),
                              TIcon::Stop);
    });
}

void TMainForm::ContentsItemClick() {
    OpenHelpFinder();
}

void TMainForm::HelpItemClick() {
    OpenHelpContext(2000);
}

void TMainForm::WhatsThisItemClick() {
    EnterContextHelpMode();
}

void TMainForm::AboutItemClick() {
    ExecuteAboutDialog(this, engine_.get());
}
