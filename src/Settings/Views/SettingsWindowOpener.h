#pragma once

#include <QPointer>
#include <functional>

#include "Settings/Views/SettingsServices.h"
#include "Settings/Views/SettingsWindow.h"

namespace vesperine {

// Opens the settings window on demand: a new window when none is open, else the open one
// raised and activated. The window deletes itself when closed; the opener only watches it.
class SettingsWindowOpener {
public:
    explicit SettingsWindowOpener(SettingsServices services) : services_(std::move(services)) {}
    // A window still open goes with the opener: it works on the opener's services.
    ~SettingsWindowOpener() { delete window_.data(); }
    SettingsWindowOpener(const SettingsWindowOpener&) = delete;
    SettingsWindowOpener& operator=(const SettingsWindowOpener&) = delete;

    SettingsWindow* open();
    SettingsWindow* window() const { return window_; }

    // Called once a window is gone (the program gives the memory it used back there).
    std::function<void()> onClosed;

private:
    SettingsServices services_;
    QPointer<SettingsWindow> window_;
};

}  // namespace vesperine
