#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Reading the small text files under /sys: one value per file, a few bytes, read whole.
namespace vesperine::SysfsAttribute {

// The file's text without its trailing newline and blanks; none when it cannot be read.
std::optional<std::string> text(const std::string& path);
// The file's text as one decimal integer (an optional sign, digits, nothing else); none when
// it cannot be read or holds anything else.
std::optional<std::int64_t> integer(const std::string& path);
// The names in a class folder (/sys/class/power_supply), sorted so that readings come in the
// same order each time; none when it cannot be listed.
std::vector<std::string> entries(const std::string& folder);

}  // namespace vesperine::SysfsAttribute
