#include "Platform/Linux/NightLight/GnomeNightLightTint.h"

#include <gio/gio.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Platform/Linux/NightLight/SettingsSchema.h"
#include "Support/Json.h"

namespace vesperine {

namespace {

constexpr const char* enabledKey = "night-light-enabled";
constexpr const char* temperatureKey = "night-light-temperature";
constexpr const char* automaticKey = "night-light-schedule-automatic";
constexpr const char* fromKey = "night-light-schedule-from";
constexpr const char* toKey = "night-light-schedule-to";

}  // namespace

GnomeNightLightTint::GnomeNightLightTint(DefaultsStore& defaults, Logger& logger,
                                         const std::string& schema)
    : defaults_(defaults), log_(logger, "display") {
    const SettingsSchema::Key keys[] = {{enabledKey, G_VARIANT_TYPE_BOOLEAN},
                                        {temperatureKey, G_VARIANT_TYPE_UINT32},
                                        {automaticKey, G_VARIANT_TYPE_BOOLEAN},
                                        {fromKey, G_VARIANT_TYPE_DOUBLE},
                                        {toKey, G_VARIANT_TYPE_DOUBLE}};
    auto opened = SettingsSchema::open(schema, keys, [this](const char* key, GSettingsSchemaKey* entry) {
        if (std::strcmp(key, temperatureKey) != 0) return;
        GVariant* range = g_settings_schema_key_get_range(entry);
        const char* kind = nullptr;
        GVariant* bounds = nullptr;
        g_variant_get(range, "(&sv)", &kind, &bounds);
        if (std::strcmp(kind, "range") == 0 && g_variant_is_of_type(bounds, G_VARIANT_TYPE("(uu)")))
            g_variant_get(bounds, "(uu)", &lowest_, &highest_);
        g_variant_unref(bounds);
        g_variant_unref(range);
    });
    if (!opened) {
        problem_ = opened.error().description;
        return;
    }
    settings_ = *opened;

    // A run that ended while holding the night light left the user's values behind.
    if (auto stored = defaults_.data(defaultsKey)) {
        if (auto own = json::decode<Own>(*stored)) {
            write(*own);
            g_settings_sync();
            log_.always(LogLevel::notice,
                        "Gave GNOME's Night Light back the settings an earlier run had kept");
        } else {
            log_.write(LogLevel::error, "Dropped a damaged record of GNOME's Night Light settings");
        }
        defaults_.remove(defaultsKey);
    }
}

GnomeNightLightTint::~GnomeNightLightTint() {
    if (settings_) g_object_unref(settings_);
}

GnomeNightLightTint::Own GnomeNightLightTint::read() const {
    return {g_settings_get_boolean(settings_, enabledKey) != FALSE,
            g_settings_get_uint(settings_, temperatureKey),
            g_settings_get_boolean(settings_, automaticKey) != FALSE,
            g_settings_get_double(settings_, fromKey), g_settings_get_double(settings_, toKey)};
}

void GnomeNightLightTint::write(const Own& values) {
    // Delayed, then applied: one change for the daemon, not five.
    g_settings_delay(settings_);
    const bool written =
        g_settings_set_boolean(settings_, automaticKey, values.automatic) &&
        g_settings_set_double(settings_, fromKey, values.from) &&
        g_settings_set_double(settings_, toKey, values.to) &&
        g_settings_set_uint(settings_, temperatureKey, values.temperature) &&
        g_settings_set_boolean(settings_, enabledKey, values.enabled);
    g_settings_apply(settings_);
    if (!written) {
        log_.write(LogLevel::error, "locked",
                   "GNOME's Night Light settings are locked; they stay as they are");
    }
}

std::uint32_t GnomeNightLightTint::clampTemperature(double kelvin) const {
    if (!std::isfinite(kelvin)) return highest_;
    return static_cast<std::uint32_t>(
        std::clamp(std::lround(kelvin), static_cast<long>(lowest_), static_cast<long>(highest_)));
}

void GnomeNightLightTint::show(double kelvin) {
    if (!settings_) return;
    if (!held_) {
        held_ = read();
        if (auto record = json::encode(*held_)) {
            defaults_.setData(defaultsKey, *record);
        } else {
            log_.write(LogLevel::error, "keep", "Couldn't keep GNOME's Night Light settings: " +
                                                    record.error().description);
        }
    }
    Own wanted{true, clampTemperature(kelvin), false, 0, 0};
    if (read() != wanted) write(wanted);
}

void GnomeNightLightTint::flush() {
    if (settings_) g_settings_sync();
}

void GnomeNightLightTint::release() {
    if (!held_) return;
    write(*held_);
    // Writes reach the settings store in the background; a release is often the last thing
    // before the program ends, so wait until they are through before forgetting the values.
    g_settings_sync();
    held_.reset();
    defaults_.remove(defaultsKey);
}

Json JsonCodec<GnomeNightLightTint::Own>::encode(const GnomeNightLightTint::Own& own) {
    return {{"enabled", own.enabled}, {"temperature", own.temperature},
            {"automatic", own.automatic}, {"from", own.from}, {"to", own.to}};
}

Result<GnomeNightLightTint::Own> JsonCodec<GnomeNightLightTint::Own>::decode(const Json& json) {
    auto enabled = json::boolean(json, "enabled");
    if (!enabled) return enabled.error();
    auto automatic = json::boolean(json, "automatic");
    if (!automatic) return automatic.error();
    auto temperature = json::integer(json, "temperature");
    if (!temperature) return temperature.error();
    if (*temperature < 0 || *temperature > UINT32_MAX) return Error{"The temperature is out of range."};
    auto from = json::number(json, "from");
    if (!from) return from.error();
    auto to = json::number(json, "to");
    if (!to) return to.error();
    if (!std::isfinite(*from) || !std::isfinite(*to)) return Error{"A time is not a number."};
    return GnomeNightLightTint::Own{*enabled, static_cast<std::uint32_t>(*temperature),
                                    *automatic, *from, *to};
}

}  // namespace vesperine
