#include "platform/dialogwidget.h"

#include <QPushButton>

QPushButton* NamedButton(const QString& name, const QString& text, int helpContext, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setProperty("helpContext", helpContext);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}
