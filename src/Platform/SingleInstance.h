#pragma once

#include <functional>

namespace vesperine {

// One running program per user. The first launch claims it; a later launch asks the first
// one to come to the front and then leaves without touching anything.
class SingleInstance {
public:
    virtual ~SingleInstance() = default;
    // True when this process is now the one instance. False when another instance runs:
    // it has been asked to come to the front.
    virtual bool claimOrActivateOther() = 0;
    // Called on the main loop when a later launch asks this instance to come to the front.
    virtual void setOnActivateRequest(std::function<void()> onActivate) = 0;
};

}  // namespace vesperine
