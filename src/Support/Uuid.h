#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vesperine {

// A 128-bit identifier. Written as 8-4-4-4-12 upper-case hexadecimal digits; parsing accepts
// either case, so ids compare as values whatever case a file used.
class Uuid {
public:
    using Bytes = std::array<std::uint8_t, 16>;

    constexpr Uuid() = default;
    explicit constexpr Uuid(const Bytes& bytes) : bytes_(bytes) {}

    // A new random (version 4) identifier.
    static Uuid random();
    // Parses the 36-character textual form; anything else gives no value.
    static std::optional<Uuid> parse(std::string_view text);

    std::string string() const;  // upper case
    const Bytes& bytes() const { return bytes_; }

    bool operator==(const Uuid&) const = default;
    auto operator<=>(const Uuid&) const = default;

private:
    Bytes bytes_{};
};

}  // namespace vesperine
