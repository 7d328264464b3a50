#pragma once

#include <QPainterPath>
#include <QRectF>

namespace vesperine {

// The outline of the hint bubble: a rounded rectangle with an arrow on its top edge (or its
// bottom edge, for an icon below it) whose tip is `arrowX` from the left, kept clear of the
// rounded corners. `bounds` holds the arrow too.
struct BubbleShape {
    double arrowX = 0;
    double arrowSize = 10;
    double radius = 10;
    bool arrowUp = true;

    QPainterPath path(const QRectF& bounds) const;
};

}  // namespace vesperine
