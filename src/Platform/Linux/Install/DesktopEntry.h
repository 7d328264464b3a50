#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vesperine {

// Reading and writing the freedesktop desktop-entry format (the files in
// ~/.local/share/applications and ~/.config/autostart) as far as we need it.
namespace DesktopEntry {

// The keys of the "[Desktop Entry]" group with their raw values, spaces around "=" dropped.
// Comments, other groups and repeated keys (the first counts) are left out.
std::map<std::string, std::string> keys(std::string_view text);

// `text` with `key` of the "[Desktop Entry]" group set to `value` (raw): the key's first line
// is replaced, or a line is added at the end of the group. `text` must have the group.
std::string withKey(std::string_view text, std::string_view key, std::string_view value);

// `argument` (a path) as one argument of an Exec value, raw: in double quotes when it holds
// a character the format reserves, with ", `, $ and \ escaped inside them and % doubled,
// then escaped as a string value (so a backslash is written four times). None when the text
// cannot be held by the file at all: not UTF-8, or a control character other than newline
// and tab.
std::optional<std::string> execArgument(std::string_view argument);

bool isUtf8(std::string_view text);

}  // namespace DesktopEntry

}  // namespace vesperine
