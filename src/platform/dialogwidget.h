#pragma once

class QPushButton;
class QString;
class QWidget;

// A dialog button named for tests and for the help lookup, carrying its help context. A click gives it the
// focus, which is how the editing dialogs tell a click on a button from a field being left.
QPushButton* NamedButton(const QString& name, const QString& text, int helpContext, QWidget* parent);
