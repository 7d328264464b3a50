#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vesperine::ProcessInfo {

// The path an exe link of /proc names. A program replaced on disk while it runs (an upgrade)
// is still itself: the kernel's " (deleted)" after its path is dropped.
std::string_view withoutDeletedMark(std::string_view exeTarget);

// The file name of the program process `pid` runs ("vlc"): from /proc/<pid>/exe where the
// process is ours to look at, else its command name from /proc/<pid>/comm (at most 15
// characters). None when the process does not exist.
std::optional<std::string> executableName(std::int64_t pid);

}  // namespace vesperine::ProcessInfo
