#pragma once

namespace vesperine {

// Where a window opened from the tray icon goes (the panel, the hint bubble): next to the
// icon, below it when the icon sits in the upper half of the screen's usable area (a panel
// at the top), above it otherwise, and always inside that area, centred on the icon as far
// as the area allows. Coordinates are the desktop's logical pixels.
namespace PopupPlacement {

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect&) const = default;
};

struct Placement {
    int x = 0;  // the window's top left corner
    int y = 0;
    bool below = true;  // the window hangs below the anchor (an arrow on it points up)
    int arrowX = 0;     // the anchor's centre, from the window's left edge, within its width
    bool operator==(const Placement&) const = default;
};

// A `width` × `height` window `gap` pixels from `anchor` (the icon; where its geometry is
// unknown, an empty rectangle at the pointer) inside `area`. A window larger than the
// area keeps its top left corner inside.
Placement place(int width, int height, const Rect& anchor, const Rect& area, int gap);

}  // namespace PopupPlacement
}  // namespace vesperine
