#pragma once

#include <QList>

class QWidget;

// The order Tab takes through a page whose parts are made at different times (rows made as
// data arrives, a tip shown later): Qt appends each new widget at the end of its window's
// focus chain, wherever it is drawn, so such a page puts its parts back in the order people
// read them.
namespace vesperine::FocusOrder {

// Every widget that Tab reaches at `part` or inside it, in the order the focus chain has
// them now (a part built from the top down has them top down).
QList<QWidget*> within(QWidget* part);

// Makes Tab go through `parts` in this order, each part's own widgets in the order they
// have (see `within`). Parts that are null are skipped.
void chain(const QList<QWidget*>& parts);

}  // namespace vesperine::FocusOrder
