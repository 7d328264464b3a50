#include "Schedule/TimeAnchor.h"

namespace vesperine {

std::optional<SolarEvent> solarEventFromRawValue(std::string_view raw) {
    for (auto event : allSolarEvents) {
        if (raw == rawValue(event)) return event;
    }
    return std::nullopt;
}

Result<SolarEvent> JsonCodec<SolarEvent>::decode(const Json& json) {
    if (!json.is_string()) return Error{"Expected a string for a solar event."};
    auto event = solarEventFromRawValue(json.get<std::string>());
    if (!event) {
        return Error{"Cannot initialize SolarEvent from invalid String value " +
                     json.get<std::string>()};
    }
    return *event;
}

Json JsonCodec<TimeAnchor>::encode(const TimeAnchor& anchor) {
    if (anchor.kind() == TimeAnchor::Kind::clock) {
        return Json{{"clock", {{"hour", anchor.hour()}, {"minute", anchor.minute()}}}};
    }
    return Json{{"solar", {{"_0", rawValue(anchor.event())}, {"offsetMinutes", anchor.offsetMinutes()}}}};
}

Result<TimeAnchor> JsonCodec<TimeAnchor>::decode(const Json& json) {
    auto found = json::singleCase(json, {"clock", "solar"});
    if (!found) return found.error();
    const Json& payload = *found->payload;
    if (found->name == "clock") {
        auto hour = json::integer(payload, "hour");
        if (!hour) return hour.error();
        auto minute = json::integer(payload, "minute");
        if (!minute) return minute.error();
        return TimeAnchor::clock(*hour, *minute);
    }
    auto event = json::decodeMember<SolarEvent>(payload, "_0");
    if (!event) return event.error();
    auto offset = json::integer(payload, "offsetMinutes");
    if (!offset) return offset.error();
    return TimeAnchor::solar(*event, *offset);
}

}  // namespace vesperine
