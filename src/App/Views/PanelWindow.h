#pragma once

#include <QLabel>
#include <QWidget>

#include "App/Views/MenuContent.h"
#include "App/Views/MenuServices.h"

namespace vesperine {

// The tray panel's content as an ordinary window, for desktops that show no tray (GNOME
// without an extension): a launch from the application grid or a second launch opens it.
// The first time it opens it also says how to get the tray icon; that note has the turn of
// the hint that points at the icon where there is one (the guide's `hintShown`), so it is
// said once, until the tips start over. Closing it only hides it.
class PanelWindow final : public QWidget {
    Q_OBJECT
public:
    explicit PanelWindow(MenuServices& services, QWidget* parent = nullptr);

    // Shows and raises the window.
    void open();
    QLabel* trayNote() const { return trayNote_; }
    MenuContent* content() const { return content_; }

private:
    MenuServices& services_;
    QLabel* trayNote_;
    MenuContent* content_;
};

}  // namespace vesperine
