#pragma once

#include "platform/prompts.h"

class QWidget;

// The prompts of a desktop session: modal message boxes, the beep, and the toolkit's file dialogs.
class TQtPrompts : public TPrompts {
public:
    // Boxes are owned by the given window, or by the active window when none is given.
    explicit TQtPrompts(QWidget* owner = nullptr) : owner_(owner) {}

    TAnswer Ask(const TMessage& message) override;
    void Asterisk() override;
    QString OpenFileName(const TFileDialog& dialog) override;
    QString SaveFileName(const TFileDialog& dialog) override;
    // The chosen folder's full name, or the empty text when the user cancelled.
    QString FolderName(const TFileDialog& dialog);

    // "Files (*.qtm)|*.qtm|All (*.*)|*.*" -> "Files (*.qtm);;All (*.*)".
    static QString QtFilter(const QString& windowsFilter);

private:
    QWidget* Owner() const;
    QString RunFileDialog(const TFileDialog& dialog, bool save);

    QWidget* owner_ = nullptr;
};

// Asks for a folder: the toolkit's folder dialog in a desktop session; other prompts (a test's script) answer it as
// a file dialog whose answer is the folder.
QString AskFolderName(TPrompts& prompts, const TFileDialog& dialog);
