#include "Input/HotkeyBindings.h"
#include "RoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vesperine::fuzz::roundTrip<vesperine::HotkeyBindings>(data, size);
    return 0;
}
