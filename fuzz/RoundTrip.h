// Shared body of the decoder fuzz targets: whatever the bytes, decoding must not crash, and
// whatever decodes must encode and decode back to an equal value (what is read from a file
// is written back unchanged on the next save).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "Support/Json.h"

namespace vesperine::fuzz {

template <class T>
void roundTrip(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto decoded = json::decode<T>(text);
    if (!decoded) return;
    auto encoded = json::encode(*decoded);
    if (!encoded) return;  // refusing to write a value is allowed; writing a wrong one is not
    auto again = json::decode<T>(*encoded);
    if (!again || !(*again == *decoded)) {
        std::fprintf(stderr, "round trip changed the value: %s\n", encoded->c_str());
        std::abort();
    }
}

}  // namespace vesperine::fuzz
