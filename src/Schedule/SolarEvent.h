#pragma once

#include <optional>
#include <string_view>

#include "Support/Json.h"

namespace vesperine {

enum class SolarEvent { sunrise, sunset };

inline constexpr SolarEvent allSolarEvents[] = {SolarEvent::sunrise, SolarEvent::sunset};

constexpr const char* rawValue(SolarEvent event) {
    return event == SolarEvent::sunrise ? "sunrise" : "sunset";
}
std::optional<SolarEvent> solarEventFromRawValue(std::string_view raw);

template <>
struct JsonCodec<SolarEvent> {
    static Json encode(SolarEvent event) { return rawValue(event); }
    static Result<SolarEvent> decode(const Json& json);
};

}  // namespace vesperine
