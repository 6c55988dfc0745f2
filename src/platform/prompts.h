#pragma once

#include <QString>

// Every question the program asks and every message it shows goes through this interface, so that
// core code never opens a window and tests can script the answers.

enum class TIcon { None, Stop, Exclamation, Question, Information };

enum class TAnswer { Ok, Cancel, Yes, No };

enum TButton : unsigned { ButtonOk = 1, ButtonCancel = 2, ButtonYes = 4, ButtonNo = 8 };
using TButtons = unsigned;
constexpr TButtons ButtonsOk = ButtonOk;
constexpr TButtons ButtonsOkCancel = ButtonOk | ButtonCancel;
constexpr TButtons ButtonsYesNoCancel = ButtonYes | ButtonNo | ButtonCancel;

struct TMessage {
    QString caption;
    QString text;
    TIcon icon = TIcon::None;
    TButtons buttons = ButtonsOk;
    TAnswer defaultButton = TAnswer::Ok;
    // The toolkit's standard dialogs ("Error", "Confirm") keep their English button texts.
    bool standard = false;

    bool operator==(const TMessage&) const = default;
};

// A file dialog. The filter is written the Windows way: "Description|*.ext|Other|*.*".
struct TFileDialog {
    QString title;
    QString filter;
    QString defaultExt;
    QString initialDir;
    QString fileName;
    bool overwritePrompt = false;
};

class TPrompts {
public:
    virtual ~TPrompts() = default;

    virtual TAnswer Ask(const TMessage& message) = 0;
    // The system's asterisk sound: a refused key, an executed command.
    virtual void Asterisk() = 0;
    // The chosen file's full name, or the empty text when the user cancelled.
    virtual QString OpenFileName(const TFileDialog& dialog) = 0;
    virtual QString SaveFileName(const TFileDialog& dialog) = 0;

    TAnswer Message(const QString& caption, const QString& text, TIcon icon, TButtons buttons = ButtonsOk,
                    TAnswer defaultButton = TAnswer::Ok);
    // The standard error dialog: caption "Error", stop icon, OK.
    void ErrorDialog(const QString& text);
    // The standard confirmation dialog: caption "Confirm", question icon, OK and Cancel; true only for OK.
    bool ConfirmDialog(const QString& text);
};
