#include "platform/screenwidget.h"

#include <QScreen>
#include <QWidget>

void CentreOnScreen(QWidget* window) {
    if (const QScreen* s = window->screen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        window->move(frame.topLeft());
    }
}
