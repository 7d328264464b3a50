#pragma once

#include <string>
#include <string_view>

#include "Support/Result.h"

namespace vesperine {

// sway's command socket (the one `swaymsg` uses, named by SWAYSOCK). sway places every
// window itself and gives its clients no way to ask for a position on the Wayland side, but
// it takes the same commands from any program of the session that its configuration takes
// from the user: that is how a window of ours gets to a place of our choosing there.
class SwayCommands {
public:
    // The socket `path` names; nothing is opened until a command is run.
    explicit SwayCommands(std::string path) : path_(std::move(path)) {}

    // Runs `commands` (sway's syntax, criteria included) and waits at most a quarter of a
    // second for the answer: sway answers at once, and the caller runs on the main loop.
    // Fails with sway's own words when it refuses one of them (a criterion that matches no
    // window yet), or when the socket does not answer.
    Status run(std::string_view commands) const;

    // A sway criterion's value that matches `text` exactly: sway reads it as a regular
    // expression, so every character that means something there is escaped.
    static std::string exactly(std::string_view text);

private:
    std::string path_;
};

}  // namespace vesperine
