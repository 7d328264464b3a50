#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vesperine {

// Reading and writing the freedesktop desktop-entry format (the files in
// ~/.local/share/applications and ~/.config/autostart) through GLib's key files, as the
// desktop reads them.
namespace DesktopEntry {

// The keys of the "[Desktop Entry]" group with their values, escapes undone (a value that
// is not valid text is left out). Nothing for a text that is not a key file, with why in
// `problem` when given.
std::map<std::string, std::string> keys(std::string_view text, std::string* problem = nullptr);

// `text` with each key of the "[Desktop Entry]" group set to its value (raw), the rest of the
// file as it was. None for a text that is not a key file.
std::optional<std::string> withKeys(std::string_view text,
                                    const std::vector<std::pair<std::string, std::string>>& keys);

// `argument` (a path) as one argument of an Exec value, raw: in double quotes when it holds
// a character the format reserves, with ", `, $ and \ escaped inside them and % doubled,
// then escaped as a string value (so a backslash is written four times). None when the text
// cannot be held by the file at all: not UTF-8, or a control character other than newline
// and tab.
std::optional<std::string> execArgument(std::string_view argument);

}  // namespace DesktopEntry

}  // namespace vesperine
