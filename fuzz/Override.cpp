#include "State/Override.h"
#include "RoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vesperine::fuzz::roundTrip<vesperine::Override>(data, size);
    return 0;
}
