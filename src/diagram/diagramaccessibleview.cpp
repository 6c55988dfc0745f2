// What a screen reader finds on the diagram's picture: each state and each command line is an object of its
// own, named as Tab reaches it, and the focus moves to the one selected. The names are asked of the window
// each time, so they follow the picture after every edit and change of machine.

#include "diagram/diagramform.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QGraphicsView>
#include <QPointer>
#include <QWindow>

namespace {

class TDiagramItemAccessible : public QAccessibleInterface {
public:
    TDiagramItemAccessible(TDiagramForm* form, QGraphicsView* view, int index)
        : form_(form), view_(view), index_(index) {}

    bool isValid() const override { return form_ && view_ && index_ < form_->ItemCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return form_ ? form_->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return view_ ? QAccessible::queryAccessibleInterface(view_->viewport()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        if (!isValid())
            return QString();
        switch (t) {
        case QAccessible::Name:
            return form_->ItemNameAt(index_);
        case QAccessible::Description:
            return index_ < form_->ShownStates() ? QStringLiteral("Состояние") : QStringLiteral("Команда");
        default:
            return QString();
        }
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override { return isValid() ? form_->ItemScreenRect(index_) : QRect(); }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.focusable = true;
        s.selectable = true;
        if (isValid() && form_->SelectedItem() == index_) {
            s.selected = true;
            s.focused = view_->hasFocus();
        }
        if (!isValid())
            s.invalid = true;
        return s;
    }

private:
    QPointer<TDiagramForm> form_;
    QPointer<QGraphicsView> view_;
    int index_;
};

// The picture (the view's viewport, "Рисунок диаграммы"): its children are the items, in Tab's order.
class TDiagramViewAccessible : public QAccessibleWidget {
public:
    TDiagramViewAccessible(QGraphicsView* view, TDiagramForm* form)
        : QAccessibleWidget(view->viewport(), QAccessible::Client), form_(form), view_(view) {}

    ~TDiagramViewAccessible() override {
        for (const QAccessible::Id id : std::as_const(children_))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return form_ ? form_->ItemCount() : 0; }

    QAccessibleInterface* child(int index) const override {
        if (!form_ || index < 0 || index >= form_->ItemCount())
            return nullptr;
        if (const auto at = children_.constFind(index); at != children_.cend())
            return QAccessible::accessibleInterface(*at);
        auto* item = new TDiagramItemAccessible(form_, view_, index);
        children_.insert(index, QAccessible::registerAccessibleInterface(item));
        return item;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        for (auto at = children_.cbegin(); at != children_.cend(); ++at)
            if (QAccessible::accessibleInterface(at.value()) == child)
                return at.key();
        return -1;
    }

    QAccessibleInterface* focusChild() const override {
        return form_ && view_ && view_->hasFocus() ? child(form_->SelectedItem()) : nullptr;
    }

    QAccessibleInterface* childAt(int x, int y) const override {
        return form_ ? child(form_->ItemIndexAt(QPoint(x, y))) : nullptr;
    }

private:
    QPointer<TDiagramForm> form_;
    QPointer<QGraphicsView> view_;
    mutable QHash<int, QAccessible::Id> children_;
};

QAccessibleInterface* DiagramFactory(const QString&, QObject* object) {
    auto* viewport = qobject_cast<QWidget*>(object);
    auto* view = viewport ? qobject_cast<QGraphicsView*>(viewport->parentWidget()) : nullptr;
    if (!view || view->viewport() != viewport || view->objectName() != QStringLiteral("DiagramView"))
        return nullptr;
    auto* form = qobject_cast<TDiagramForm*>(view->parentWidget());
    return form ? new TDiagramViewAccessible(view, form) : nullptr;
}

} // namespace

void TDiagramForm::InstallAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&DiagramFactory);
        return true;
    }();
    (void)installed;
}

void TDiagramForm::AnnounceItems() {
    QAccessibleEvent reorder(view_->viewport(), QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&reorder);
}
