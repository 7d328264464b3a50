#include "Guide/Views/BubbleShape.h"

#include <QPolygonF>
#include <algorithm>

namespace vesperine {

QPainterPath BubbleShape::path(const QRectF& bounds) const {
    QRectF body = bounds;
    if (arrowUp) {
        body.setTop(bounds.top() + arrowSize);
    } else {
        body.setBottom(bounds.bottom() - arrowSize);
    }
    QPainterPath shape;
    shape.addRoundedRect(body, radius, radius);
    const double margin = radius + arrowSize;
    const double x =
        bounds.left() + std::clamp(arrowX, margin, std::max(margin, bounds.width() - margin));
    const double base = arrowUp ? body.top() + 1 : body.bottom() - 1;  // overlaps the body
    const double tip = arrowUp ? bounds.top() : bounds.bottom();
    QPainterPath arrow;
    arrow.addPolygon(
        QPolygonF({QPointF(x - arrowSize, base), QPointF(x, tip), QPointF(x + arrowSize, base)}));
    arrow.closeSubpath();
    return shape.united(arrow);
}

}  // namespace vesperine
