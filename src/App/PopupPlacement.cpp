#include "App/PopupPlacement.h"

#include <algorithm>

namespace vesperine::PopupPlacement {

namespace {

// `value` moved into [low, high]; `low` wins when the range is empty.
int into(int value, int low, int high) {
    return std::max(low, std::min(value, high));
}

}  // namespace

Placement place(int width, int height, const Rect& anchor, const Rect& area, int gap) {
    const int centreX = anchor.x + anchor.width / 2;
    const int centreY = anchor.y + anchor.height / 2;
    Placement placement;
    placement.below = 2 * (centreY - area.y) < area.height;
    placement.x = into(centreX - width / 2, area.x, area.x + area.width - width);
    const int y = placement.below ? anchor.y + anchor.height + gap : anchor.y - gap - height;
    placement.y = into(y, area.y, area.y + area.height - height);
    placement.arrowX = into(centreX - placement.x, 0, width);
    return placement;
}

}  // namespace vesperine::PopupPlacement
