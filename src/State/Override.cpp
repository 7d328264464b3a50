#include "State/Override.h"

namespace vesperine {

bool Override::isExpired(Instant now, std::optional<Instant> lastTransition) const {
    switch (lifetime.kind()) {
        case Lifetime::Kind::until: return now >= lifetime.date();
        case Lifetime::Kind::untilNextTransition:
            // Made after the latest step, it lasts until the schedule passes its next one.
            return lastTransition && *lastTransition > setAt && *lastTransition <= now;
        case Lifetime::Kind::indefinitely: return false;
    }
    return false;
}

const char* rawValue(LifetimeChoice choice) {
    switch (choice) {
        case LifetimeChoice::nextChange: return "nextChange";
        case LifetimeChoice::oneHour: return "oneHour";
        case LifetimeChoice::untilOff: return "untilOff";
    }
    return "untilOff";
}

std::optional<LifetimeChoice> lifetimeChoiceFromRawValue(std::string_view raw) {
    for (auto choice : allLifetimeChoices) {
        if (raw == rawValue(choice)) return choice;
    }
    return std::nullopt;
}

const char* label(LifetimeChoice choice) {
    switch (choice) {
        case LifetimeChoice::nextChange: return "Until next scheduled change";
        case LifetimeChoice::oneHour: return "For 1 hour";
        case LifetimeChoice::untilOff: return "Until I change it";
    }
    return "Until I change it";
}

Override::Lifetime lifetime(LifetimeChoice choice, Instant now) {
    switch (choice) {
        case LifetimeChoice::nextChange: return Override::Lifetime::untilNextTransition();
        case LifetimeChoice::oneHour: return Override::Lifetime::until(now + 3600.0);
        case LifetimeChoice::untilOff: return Override::Lifetime::indefinitely();
    }
    return Override::Lifetime::indefinitely();
}

Json JsonCodec<Override::Lifetime>::encode(const Override::Lifetime& lifetime) {
    switch (lifetime.kind()) {
        case Override::Lifetime::Kind::until:
            return Json{{"until", {{"_0", lifetime.date().referenceDateSeconds()}}}};
        case Override::Lifetime::Kind::untilNextTransition:
            return Json{{"untilNextTransition", Json::object()}};
        case Override::Lifetime::Kind::indefinitely: return Json{{"indefinitely", Json::object()}};
    }
    return Json{{"indefinitely", Json::object()}};
}

Result<Override::Lifetime> JsonCodec<Override::Lifetime>::decode(const Json& json) {
    auto found = json::singleCase(json, {"until", "untilNextTransition", "indefinitely"});
    if (!found) return found.error();
    if (found->name == "until") {
        auto date = json::referenceDate(*found->payload, "_0");
        if (!date) return date.error();
        return Override::Lifetime::until(*date);
    }
    if (!found->payload->is_object()) return Error{"Expected an object for \"" + found->name + "\"."};
    if (found->name == "untilNextTransition") return Override::Lifetime::untilNextTransition();
    return Override::Lifetime::indefinitely();
}

Json JsonCodec<Override>::encode(const Override& value) {
    return Json{{"mode", JsonCodec<DisplayMode>::encode(value.mode)},
                {"lifetime", JsonCodec<Override::Lifetime>::encode(value.lifetime)},
                {"setAt", value.setAt.referenceDateSeconds()}};
}

Result<Override> JsonCodec<Override>::decode(const Json& json) {
    auto mode = json::decodeMember<DisplayMode>(json, "mode");
    if (!mode) return mode.error();
    auto lifetime = json::decodeMember<Override::Lifetime>(json, "lifetime");
    if (!lifetime) return lifetime.error();
    auto setAt = json::referenceDate(json, "setAt");
    if (!setAt) return setAt.error();
    return Override{*mode, *lifetime, *setAt};
}

}  // namespace vesperine
