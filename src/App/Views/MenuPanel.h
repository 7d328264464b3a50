#pragma once

#include <QFrame>
#include <QRect>
#include <chrono>
#include <optional>

#include "App/Views/MenuContent.h"
#include "App/Views/MenuServices.h"

namespace vesperine {

// The panel that opens from the tray icon: a frameless popup 300 pixels wide beside the
// icon (above it when the icon sits at the bottom of the screen, always inside the screen's
// usable area; at the pointer where the icon's place is unknown). On Wayland, where a window
// cannot move itself, the compositor is asked to put it there where it takes such requests.
// Escape, a click outside
// it (the icon's too) or the program losing the focus closes it. Opening it tells the
// guide, which takes the hint away, and asks the conflict detector to look again.
class MenuPanel final : public QFrame {
    Q_OBJECT
public:
    static constexpr int panelWidth = 300;

    explicit MenuPanel(MenuServices& services, QWidget* parent = nullptr);
    ~MenuPanel() override;

    // Opens beside `icon` (global coordinates), or at the pointer when it is absent.
    void popUp(std::optional<QRect> icon);
    MenuContent* content() const { return content_; }
    // How long ago it closed; none while it is open or before it first opened. A click on
    // the icon that closes the panel must not open it again right away.
    std::optional<std::chrono::milliseconds> closedFor() const;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void fit();
    // Asks the compositor for the place `fit` chose, again a few times while the window is
    // not there yet.
    void placeShown(int triesLeft);

    MenuServices& services_;
    Log log_;
    MenuContent* content_;
    QRect anchor_;  // the icon, or an empty rectangle at the pointer
    bool anchorKnown_ = false;  // false: the pointer's place was a guess (Wayland hides it)
    QPoint placed_;             // where `fit` put the top left corner
    std::optional<std::chrono::steady_clock::time_point> asked_;  // until the first paint
    std::optional<std::chrono::steady_clock::time_point> closed_;
    std::optional<std::chrono::steady_clock::time_point> opened_;  // until placed by the compositor
    int placeRequests_ = 0;                                        // since it opened
};

}  // namespace vesperine
