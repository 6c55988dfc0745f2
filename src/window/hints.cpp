#include "window/hints.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QProxyStyle>
#include <QTabBar>
#include <QToolTip>

namespace {

// The delay before a tool tip shows, for the whole program, from the settings.
class THintStyle : public QProxyStyle {
public:
    int wakeUp = 500;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ToolTip_WakeUpDelay)
            return wakeUp;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Shows every tool tip of the program itself, for the display time of the settings (the toolkit would pick
// a time from the text's length), and swallows them all while hints are switched off.
class THintFilter : public QObject {
public:
    using QObject::QObject;
    bool enabled = true;
    int displayTime = 2500;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ToolTip || !watched->isWidgetType())
            return QObject::eventFilter(watched, event);
        if (!enabled)
            return true;
        auto* help = static_cast<QHelpEvent*>(event);
        auto* widget = static_cast<QWidget*>(watched);
        const QString text = TipText(widget, help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, widget, QRect(), displayTime);
        return true;
    }

private:
    // An item's own tip in a list, else the tip of the widget or of its nearest parent that has one.
    static QString TipText(QWidget* widget, QPoint pos) {
        if (auto* view = qobject_cast<QAbstractItemView*>(widget->parentWidget()); view && view->viewport() == widget) {
            const QString item = view->indexAt(pos).data(Qt::ToolTipRole).toString();
            if (!item.isEmpty())
                return item;
        }
        if (auto* tabs = qobject_cast<QTabBar*>(widget); tabs && !tabs->tabToolTip(tabs->tabAt(pos)).isEmpty())
            return tabs->tabToolTip(tabs->tabAt(pos));
        for (QWidget* w = widget; w; w = w->isWindow() ? nullptr : w->parentWidget())
            if (!w->toolTip().isEmpty())
                return w->toolTip();
        return QString();
    }
};
} // namespace

void ApplyHints(QObject* owner, bool enabled, int wakeUpDelay, int displayTime) {
    auto* style = new THintStyle;
    style->wakeUp = wakeUpDelay;
    // The style's proxy is owned by the application once set.
    QApplication::setStyle(style);
    auto* hints = owner->findChild<THintFilter*>(QStringLiteral("HintFilter"));
    if (!hints) {
        hints = new THintFilter(owner);
        hints->setObjectName(QStringLiteral("HintFilter"));
        qApp->installEventFilter(hints);
    }
    hints->enabled = enabled;
    hints->displayTime = displayTime;
}
