#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vesperine::ProcessInfo {

// The file name of the program process `pid` runs ("vlc"): from /proc/<pid>/exe where the
// process is ours to look at, else its command name from /proc/<pid>/comm (at most 15
// characters). None when the process does not exist.
std::optional<std::string> executableName(std::int64_t pid);

}  // namespace vesperine::ProcessInfo
