#pragma once

#include <optional>
#include <string>

#include "Platform/X11/X11Connection.h"

namespace vesperine::X11ServerStart {

// The root-window property that names one start of the X server.
inline constexpr const char* property = "_VESPERINE_SERVER_START";

// Text that names this start of the server: its vendor and release, and a random token kept
// in `property` on the root window. The first client to ask puts the token there; the
// property dies with the server (and with a server reset), so a server started again on the
// same display number gets another token, while every run on the same start agrees on it.
// This also holds for a server on another machine, where no process start time can be read.
// Two clients that ask at once each append a token and read back; the first 32 characters
// are the same for both. None when the server refuses.
std::optional<std::string> identify(X11Connection& connection);

}  // namespace vesperine::X11ServerStart
