#pragma once

#include <QPoint>
#include <optional>

namespace vesperine {

// Where the tray says the icon was activated. A StatusNotifierItem host passes the point of
// the click with Activate (the desktop's logical coordinates), but QSystemTrayIcon hands on
// only that it was activated, and on Wayland neither the icon's geometry nor the pointer is
// known to us: that point is all there is to open the panel beside. So the calls are looked
// at as they arrive, on the main thread just before Qt hands them to the icon.
namespace TrayActivation {

// Starts looking; once per program (a second call does nothing).
void listen();

// The point of the last Activate since the last call; none when the host sent none (a host
// that cannot say sends 0, 0) or the activation came another way (an XEmbed click).
std::optional<QPoint> take();

}  // namespace TrayActivation
}  // namespace vesperine
