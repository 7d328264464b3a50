#pragma once

#include <vector>

#include "Platform/Workspace.h"
#include "Support/CallbackList.h"

namespace vesperine {

// Applications for tests and the headless run. Tests launch, activate and quit applications
// and switch the front window in and out of full screen; observers hear it at once.
class SimulatedWorkspace final : public Workspace {
public:
    SimulatedWorkspace() = default;
    SimulatedWorkspace(const SimulatedWorkspace&) = delete;
    SimulatedWorkspace& operator=(const SimulatedWorkspace&) = delete;

    const Observable<Frontmost>& frontmost() const override { return frontmost_; }
    void followFullScreen(bool follow) override;
    std::vector<RunningApplication> runningApplications() override { return running_; }
    bool reportsFrontmost() const override { return reportsFrontmost_; }
    Handle observeTerminations(std::function<void(const RunningApplication&)> callback) override {
        return terminations_.add(std::move(callback));
    }

    // Control side.
    // Adds `application` to the running ones (once).
    void launch(const RunningApplication& application);
    // Brings `application` to the front (launching it first), or none: no window in front.
    // `fullScreen` is what its window shows; it is reported only while full screen is followed.
    void activate(std::optional<RunningApplication> application, bool fullScreen = false);
    // The front window enters or leaves full screen.
    void setFullScreen(bool fullScreen);
    // The application quits: it leaves the running ones, and the front when it was there.
    void quit(const RunningApplication& application);

    bool followsFullScreen() const { return follows_; }
    // A desktop that names no application in front (some Wayland desktops).
    void setReportsFrontmost(bool reports) { reportsFrontmost_ = reports; }

private:
    void publish();
    bool reportsFrontmost_ = true;

    Observable<Frontmost> frontmost_;
    std::optional<RunningApplication> front_;
    bool frontFullScreen_ = false;
    bool follows_ = false;
    std::vector<RunningApplication> running_;
    CallbackList<const RunningApplication&> terminations_;
};

}  // namespace vesperine
