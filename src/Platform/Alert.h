#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vesperine {

// A question put to the user in a small modal window: a message, a longer informative text
// and buttons, the first of which is the default.
struct Alert {
    std::string message;
    std::string informativeText;
    std::vector<std::string> buttons;  // none: a single "OK"

    bool operator==(const Alert&) const = default;
};

// Asks the user. Main loop only; `run` returns when the user has answered.
class Alerts {
public:
    virtual ~Alerts() = default;

    // Shows `alert` in front of everything else and gives the index of the button chosen
    // (0 for the "OK" of an alert without buttons), or none when the alert was closed
    // without a choice or there is no one to ask.
    virtual std::optional<std::size_t> run(const Alert& alert) = 0;
};

}  // namespace vesperine
