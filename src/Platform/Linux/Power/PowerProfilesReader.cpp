#include "Platform/Linux/Power/PowerProfilesReader.h"

namespace vesperine {

namespace {
constexpr const char* property = "ActiveProfile";
constexpr const char* powerSaver = "power-saver";
}  // namespace

PowerProfilesReader::PowerProfilesReader(BusConnection& systemBus, Scheduler& scheduler,
                                         Logger& logger, std::function<void()> onChange,
                                         Duration timeout)
    : log_(logger, "power"), onChange_(std::move(onChange)) {
    const std::pair<const char*, const char*> names[] = {
        {"org.freedesktop.UPower.PowerProfiles", "/org/freedesktop/UPower/PowerProfiles"},
        {"net.hadess.PowerProfiles", "/net/hadess/PowerProfiles"}};
    for (std::size_t i = 0; i < endpoints_.size(); ++i) {
        Endpoint& endpoint = endpoints_[i];
        endpoint.name = names[i].first;
        // The interface is named like the service under both names.
        endpoint.reader = std::make_unique<BusServiceReader>(
            &systemBus, scheduler, log_, "the power profile",
            std::vector<BusServiceReader::Name>{{names[i].first, names[i].second, names[i].first}},
            [this, &endpoint](const BusProperties::Map& properties, bool all) {
                if (auto found = properties.find(property); found != properties.end()) {
                    apply(endpoint, found->second);
                } else if (all) {
                    endpoint.profile.reset();
                }
                return success();
            },
            [this, &endpoint] {
                if (endpoint.reader->state() != BusServiceReader::State::present) endpoint.profile.reset();
                update();
            },
            BusServiceReader::Options{timeout});
    }
}

PowerProfilesReader::~PowerProfilesReader() = default;

void PowerProfilesReader::apply(Endpoint& endpoint, const BusProperties::Value& value) {
    if (const auto* text = value.as<std::string>(); text && value.signature == "s") {
        endpoint.profile = *text;
        return;
    }
    endpoint.profile.reset();
    log_.write(LogLevel::error, endpoint.name + ".type",
               "The active power profile of " + endpoint.name + " is of type \"" +
                   value.signature + "\", not text; Low Power Mode counts as off");
}

void PowerProfilesReader::update() {
    bool next = false;
    for (const auto& endpoint : endpoints_) {
        if (endpoint.profile) {
            next = *endpoint.profile == powerSaver;
            break;
        }
    }
    if (next == lowPowerMode_) return;
    lowPowerMode_ = next;
    if (onChange_) onChange_();
}

}  // namespace vesperine
