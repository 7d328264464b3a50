#pragma once

#include <optional>
#include <string>

#include "Platform/LoginItem.h"

namespace vesperine {

// A login item held in memory. Tests can make the next change fail, or switch it behind the
// program's back as a user would in the desktop's own settings.
class SimulatedLoginItem final : public LoginItem {
public:
    bool isEnabled() const override { return enabled_; }
    Status enable() override { return change(true); }
    Status disable() override { return change(false); }

    // Control side.
    void setEnabled(bool enabled) { enabled_ = enabled; }
    void failNextChange(std::string description) { failure_ = std::move(description); }
    int changes() const { return changes_; }

private:
    Status change(bool enabled) {
        ++changes_;
        if (failure_) {
            std::string description = std::move(*failure_);
            failure_.reset();
            return Status::failure(std::move(description));
        }
        enabled_ = enabled;
        return success();
    }

    bool enabled_ = false;
    std::optional<std::string> failure_;
    int changes_ = 0;
};

}  // namespace vesperine
