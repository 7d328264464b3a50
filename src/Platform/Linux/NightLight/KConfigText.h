#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vesperine {

// One group of a KDE configuration file (kwinrc and its kind: "[Group]" headers, "Key=Value"
// lines, "#" comments), read and changed as text. Every line this does not change stays as it
// was, byte for byte: comments, blank lines, other groups, lines that are not KConfig at all,
// a last line without its newline. A key's line is kept whole ("Key=Value" as the file has
// it), so putting back the line read earlier gives back the very same bytes; putting back
// "no line" after `withLine` added one, and then `withoutEmptyGroup` after it added the
// group, gives back the file as it was. Pure functions of the text.
namespace KConfigText {

// The first line of `key` in `group` (without its newline), none when the key is absent.
std::optional<std::string> line(std::string_view text, std::string_view group, std::string_view key);
// Whether `text` has a "[group]" header.
bool hasGroup(std::string_view text, std::string_view group);
// `text` with the line of `key` in `group` replaced by `line`, added after the group's last
// entry when absent (the group added at the end when that is absent too), or removed when
// `line` is none.
std::string withLine(std::string_view text, std::string_view group, std::string_view key,
                     const std::optional<std::string>& line);
// `text` without the "[group]" header when the group holds nothing but blank lines, together
// with those, and with the separation `withLine` put before it when it added the group.
std::string withoutEmptyGroup(std::string_view text, std::string_view group);

}  // namespace KConfigText

}  // namespace vesperine
