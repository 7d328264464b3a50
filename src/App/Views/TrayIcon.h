#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <map>
#include <memory>
#include <optional>

#include "App/Views/MenuPanel.h"
#include "App/Views/MenuServices.h"
#include "App/Views/PanelWindow.h"
#include "Guide/Views/MenuBarHint.h"

namespace vesperine {

// The program in the system tray: an icon for the kind of mode shown (StatusNotifierItem
// over D-Bus where the desktop runs a watcher, the XEmbed tray otherwise). A left click opens
// the panel; the icon's context menu holds the panel's buttons for trays that only show
// menus. Owns the panel (made on the first click and kept), the panel's window for desktops
// without a tray, and the hint that points at the icon. Where no tray exists, says so once
// in the log.
class TrayIcon final : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(MenuServices services, QObject* parent = nullptr);
    ~TrayIcon() override;

    // Whether a tray shows the icon now.
    static bool isAvailable();
    // Opens the panel beside the icon (beside the point the tray's host activated it at, or
    // at the pointer, where the icon's place is unknown); does nothing while it is open.
    void openPanel();
    // A click on the icon: opens the panel, or closes it when it is open.
    void togglePanel();
    // Where no tray shows the icon: the panel as an ordinary window (made on first use).
    void openWindow();
    bool hasWindow() const { return window_ != nullptr; }
    PanelWindow& window();
    // The panel, made on first use.
    MenuPanel& panel();
    bool hasPanel() const { return panel_ != nullptr; }
    MenuBarHint& hint() { return hint_; }
    // Where the icon is on the screen; none when the tray does not say (StatusNotifierItem).
    std::optional<QRect> iconGeometry() const;
    QSystemTrayIcon& icon() { return icon_; }

private:
    // What the panel opens beside: the icon, else the point of its activation, else none.
    std::optional<QRect> anchor() const;
    void showKind(DisplayMode::Kind kind);

    MenuServices services_;
    Log log_;
    QSystemTrayIcon icon_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<MenuPanel> panel_;
    std::unique_ptr<PanelWindow> window_;
    std::map<DisplayMode::Kind, QIcon> icons_;
    MenuBarHint hint_;
};

}  // namespace vesperine
