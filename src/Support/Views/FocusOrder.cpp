#include "Support/Views/FocusOrder.h"

#include <QWidget>

namespace vesperine::FocusOrder {

namespace {

// A widget that takes the focus itself, not through another one (a spin box's text field
// hands its focus to the spin box).
bool takesTab(const QWidget* widget) {
    return (widget->focusPolicy() & Qt::TabFocus) && !widget->focusProxy();
}

}  // namespace

QList<QWidget*> within(QWidget* part) {
    QList<QWidget*> found;
    if (!part) return found;
    if (takesTab(part)) found << part;
    // The chain is a ring through every widget of the window.
    for (QWidget* next = part->nextInFocusChain(); next && next != part;
         next = next->nextInFocusChain()) {
        if (part->isAncestorOf(next) && takesTab(next)) found << next;
    }
    return found;
}

void chain(const QList<QWidget*>& parts) {
    QList<QWidget*> order;
    for (QWidget* part : parts) order << within(part);
    for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

}  // namespace vesperine::FocusOrder
