#pragma once

#include "Support/Result.h"

namespace vesperine {

// Whether the program opens when the user logs in. The state lives with the system (the
// desktop's list of programs to start); nothing here keeps a copy.
class LoginItem {
public:
    virtual ~LoginItem() = default;

    // True when the program is registered to open at login and the user has not switched
    // that off elsewhere.
    virtual bool isEnabled() const = 0;
    // On failure nothing has changed, and the error says why in words for the user.
    virtual Status enable() = 0;
    virtual Status disable() = 0;
};

}  // namespace vesperine
