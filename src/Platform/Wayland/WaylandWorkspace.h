#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Linux/Install/DesktopEntries.h"
#include "Platform/LogOnce.h"
#include "Platform/Wayland/WaylandConnection.h"
#include "Platform/Workspace.h"
#include "Support/CallbackList.h"

struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;

namespace vesperine {

// The applications on a Wayland desktop, from wlr-foreign-toplevel-management where the
// compositor offers it (wlroots compositors): the application in front is that of the
// activated toplevel, the running ones those with toplevels (the panels and docks of
// Wayland programs are layer surfaces, which that list does not have), and an application
// quits when its last toplevel closes. A toplevel's app id is matched against the desktop entries as a
// window's application id would be (see DesktopEntries::identify); ours is reported as
// `self`. The compositor names no process: process ids are 0. Full screen is the activated
// toplevel's fullscreen state, which comes with every state change anyway.
//
// Where the compositor offers no such list (GNOME, KDE Plasma), nothing is ever in front:
// `available` is false, said once in the log, and app rules never apply.
class WaylandWorkspace final : public Workspace {
  public:
    WaylandWorkspace(WaylandConnection& connection, DesktopEntries& entries,
                     RunningApplication self, Logger& logger);
    ~WaylandWorkspace() override;
    WaylandWorkspace(const WaylandWorkspace&) = delete;
    WaylandWorkspace& operator=(const WaylandWorkspace&) = delete;

    bool available() const { return manager_ != nullptr; }
    bool reportsFrontmost() const override { return available(); }

    const Observable<Frontmost>& frontmost() const override { return frontmost_; }
    void followFullScreen(bool follow) override;
    std::vector<RunningApplication> runningApplications() override;
    Handle observeTerminations(std::function<void(const RunningApplication&)> callback) override {
        return terminations_.add(std::move(callback));
    }

  private:
    struct Toplevel {
        WaylandWorkspace* owner = nullptr;
        zwlr_foreign_toplevel_handle_v1* handle = nullptr;
        std::uint64_t order = 0;
        std::string appID, pendingAppID;
        bool activated = false, fullScreen = false;
        bool pendingActivated = false, pendingFullScreen = false;
        std::optional<RunningApplication> application;
    };

    void toplevelAdded(zwlr_foreign_toplevel_handle_v1* handle);
    void toplevelDone(Toplevel& toplevel);
    void toplevelClosed(Toplevel& toplevel);
    RunningApplication applicationOf(const std::string& appID);
    void updateFrontmost();

    WaylandConnection& connection_;
    DesktopEntries& entries_;
    RunningApplication self_;
    LogOnce log_;
    zwlr_foreign_toplevel_manager_v1* manager_ = nullptr;
    std::map<zwlr_foreign_toplevel_handle_v1*, std::unique_ptr<Toplevel>> toplevels_;
    std::uint64_t nextOrder_ = 0;
    bool follows_ = false;
    Observable<Frontmost> frontmost_;
    CallbackList<RunningApplication> terminations_;
};

}  // namespace vesperine
