#include "Platform/Wayland/WaylandWorkspace.h"

#include <wayland-client.h>

#include <algorithm>

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace vesperine {

WaylandWorkspace::WaylandWorkspace(WaylandConnection& connection, DesktopEntries& entries,
                                   RunningApplication self, Logger& logger)
    : connection_(connection), entries_(entries), self_(std::move(self)), log_(logger, "workspace") {
    for (const auto& [name, global] : connection_.globals()) {
        if (global.interface != zwlr_foreign_toplevel_manager_v1_interface.name) continue;
        manager_ = static_cast<zwlr_foreign_toplevel_manager_v1*>(
            wl_registry_bind(connection_.registry(), name, &zwlr_foreign_toplevel_manager_v1_interface,
                             std::min(global.version, 3u)));
        break;
    }
    if (!manager_) {
        log_.always(LogLevel::notice,
                    "The compositor does not say which application is in front "
                    "(no wlr-foreign-toplevel-management): app rules cannot apply");
        return;
    }
    static const zwlr_foreign_toplevel_manager_v1_listener listener = {
        .toplevel =
            [](void* self, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle) {
                static_cast<WaylandWorkspace*>(self)->toplevelAdded(handle);
            },
        .finished =
            [](void* self, zwlr_foreign_toplevel_manager_v1* manager) {
                auto* workspace = static_cast<WaylandWorkspace*>(self);
                zwlr_foreign_toplevel_manager_v1_destroy(manager);
                workspace->manager_ = nullptr;
            },
    };
    zwlr_foreign_toplevel_manager_v1_add_listener(manager_, &listener, this);
    // The toplevels there are now, with their states.
    connection_.roundtrip();
}

WaylandWorkspace::~WaylandWorkspace() {
    for (auto& [handle, toplevel] : toplevels_) zwlr_foreign_toplevel_handle_v1_destroy(handle);
    if (manager_) zwlr_foreign_toplevel_manager_v1_destroy(manager_);
    connection_.flush();
}

void WaylandWorkspace::toplevelAdded(zwlr_foreign_toplevel_handle_v1* handle) {
    static const zwlr_foreign_toplevel_handle_v1_listener listener = {
        .title = [](void*, zwlr_foreign_toplevel_handle_v1*, const char*) {},
        .app_id =
            [](void* data, zwlr_foreign_toplevel_handle_v1*, const char* appID) {
                static_cast<Toplevel*>(data)->pendingAppID = appID;
            },
        .output_enter = [](void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {},
        .output_leave = [](void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {},
        .state =
            [](void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
                auto* toplevel = static_cast<Toplevel*>(data);
                toplevel->pendingActivated = toplevel->pendingFullScreen = false;
                const auto* state = static_cast<const std::uint32_t*>(states->data);
                for (std::size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i) {
                    if (state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED)
                        toplevel->pendingActivated = true;
                    if (state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_FULLSCREEN)
                        toplevel->pendingFullScreen = true;
                }
            },
        .done =
            [](void* data, zwlr_foreign_toplevel_handle_v1*) {
                auto* toplevel = static_cast<Toplevel*>(data);
                toplevel->owner->toplevelDone(*toplevel);
            },
        .closed =
            [](void* data, zwlr_foreign_toplevel_handle_v1*) {
                auto* toplevel = static_cast<Toplevel*>(data);
                toplevel->owner->toplevelClosed(*toplevel);
            },
        .parent = [](void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {},
    };
    auto toplevel = std::make_unique<Toplevel>();
    toplevel->owner = this;
    toplevel->handle = handle;
    toplevel->order = nextOrder_++;
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &listener, toplevel.get());
    toplevels_[handle] = std::move(toplevel);
}

RunningApplication WaylandWorkspace::applicationOf(const std::string& appID) {
    if (!appID.empty() && self_.bundleID && appID == *self_.bundleID) return self_;
    DesktopEntries::Hints hints;
    if (!appID.empty()) hints.gtkApplicationID = hints.wmClass = appID;
    if (!entries_.find(appID) && !entries_.findByWMClass(appID)) entries_.refreshIfChanged();
    return entries_.identify(hints);
}

void WaylandWorkspace::toplevelDone(Toplevel& toplevel) {
    // Changes count once the compositor says they are complete.
    if (!toplevel.application || toplevel.pendingAppID != toplevel.appID) {
        toplevel.appID = toplevel.pendingAppID;
        toplevel.application = applicationOf(toplevel.appID);
    }
    toplevel.activated = toplevel.pendingActivated;
    toplevel.fullScreen = toplevel.pendingFullScreen;
    updateFrontmost();
}

void WaylandWorkspace::toplevelClosed(Toplevel& toplevel) {
    auto found = toplevels_.find(toplevel.handle);
    if (found == toplevels_.end()) return;
    const std::optional<RunningApplication> application = toplevel.application;
    zwlr_foreign_toplevel_handle_v1_destroy(toplevel.handle);
    toplevels_.erase(found);  // `toplevel` is gone from here on
    updateFrontmost();
    if (!application) return;
    const bool last = std::none_of(toplevels_.begin(), toplevels_.end(), [&](const auto& entry) {
        return entry.second->application == application;
    });
    if (last) terminations_.notify(*application);
}

void WaylandWorkspace::updateFrontmost() {
    Frontmost front;
    for (const auto& [handle, toplevel] : toplevels_) {
        if (!toplevel->activated || !toplevel->application) continue;
        front.application = toplevel->application;
        front.fullScreen = follows_ && toplevel->fullScreen;
        break;
    }
    frontmost_.set(std::move(front));
}

void WaylandWorkspace::followFullScreen(bool follow) {
    follows_ = follow;
    updateFrontmost();
}

std::vector<RunningApplication> WaylandWorkspace::runningApplications() {
    std::vector<const Toplevel*> ordered;
    for (const auto& [handle, toplevel] : toplevels_)
        if (toplevel->application) ordered.push_back(toplevel.get());
    std::sort(ordered.begin(), ordered.end(),
              [](const Toplevel* a, const Toplevel* b) { return a->order < b->order; });
    std::vector<RunningApplication> result;
    for (const Toplevel* toplevel : ordered) {
        if (std::find(result.begin(), result.end(), *toplevel->application) == result.end())
            result.push_back(*toplevel->application);
    }
    return result;
}

}  // namespace vesperine
