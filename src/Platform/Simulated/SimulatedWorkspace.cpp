#include "Platform/Simulated/SimulatedWorkspace.h"

#include <algorithm>

namespace vesperine {

void SimulatedWorkspace::followFullScreen(bool follow) {
    follows_ = follow;
    publish();
}

void SimulatedWorkspace::launch(const RunningApplication& application) {
    if (std::find(running_.begin(), running_.end(), application) == running_.end())
        running_.push_back(application);
}

void SimulatedWorkspace::activate(std::optional<RunningApplication> application, bool fullScreen) {
    if (application) launch(*application);
    front_ = std::move(application);
    frontFullScreen_ = front_ && fullScreen;
    publish();
}

void SimulatedWorkspace::setFullScreen(bool fullScreen) {
    frontFullScreen_ = front_ && fullScreen;
    publish();
}

void SimulatedWorkspace::quit(const RunningApplication& application) {
    auto it = std::find(running_.begin(), running_.end(), application);
    if (it == running_.end()) return;
    running_.erase(it);
    if (front_ == application) {
        front_.reset();
        frontFullScreen_ = false;
        publish();
    }
    terminations_.notify(application);
}

void SimulatedWorkspace::publish() {
    frontmost_.set(Frontmost{front_, follows_ && frontFullScreen_});
}

}  // namespace vesperine
