#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vesperine::base64 {

std::string encode(std::string_view bytes);
// Standard alphabet with padding; anything else gives no value.
std::optional<std::string> decode(std::string_view text);

}  // namespace vesperine::base64
