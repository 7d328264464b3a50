#include "Platform/Linux/NightLight/GnomeNightLightTint.h"

#include <gio/gio.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Support/Json.h"

namespace vesperine {

namespace {

constexpr const char* enabledKey = "night-light-enabled";
constexpr const char* temperatureKey = "night-light-temperature";
constexpr const char* automaticKey = "night-light-schedule-automatic";
constexpr const char* fromKey = "night-light-schedule-from";
constexpr const char* toKey = "night-light-schedule-to";

struct KeyType {
    const char* key;
    const GVariantType* type;
};

std::string encode(const GnomeNightLightTint::Own& own) {
    return Json{{"enabled", own.enabled}, {"temperature", own.temperature},
                {"automatic", own.automatic}, {"from", own.from}, {"to", own.to}}
        .dump();
}

// None when the text is not a record of ours: then nothing is given back on its word.
std::optional<GnomeNightLightTint::Own> decode(const std::string& text) {
    const Json json = Json::parse(text, nullptr, false);
    if (!json.is_object()) return std::nullopt;
    auto has = [&](const char* name, auto check) { return json.contains(name) && check(json[name]); };
    auto boolean = [](const Json& j) { return j.is_boolean(); };
    auto number = [](const Json& j) { return j.is_number() && std::isfinite(j.get<double>()); };
    if (!has("enabled", boolean) || !has("automatic", boolean) ||
        !has("temperature", [](const Json& j) { return j.is_number_unsigned(); }) ||
        !has("from", number) || !has("to", number))
        return std::nullopt;
    GnomeNightLightTint::Own own;
    own.enabled = json["enabled"].get<bool>();
    own.automatic = json["automatic"].get<bool>();
    own.temperature = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(json["temperature"].get<std::uint64_t>(), UINT32_MAX));
    own.from = json["from"].get<double>();
    own.to = json["to"].get<double>();
    return own;
}

}  // namespace

GnomeNightLightTint::GnomeNightLightTint(DefaultsStore& defaults, Logger& logger,
                                         const std::string& schema)
    : defaults_(defaults), log_(logger, "display") {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* found = source ? g_settings_schema_source_lookup(source, schema.c_str(), TRUE)
                                    : nullptr;
    if (!found) {
        problem_ = "the settings schema " + schema + " is not installed";
        return;
    }
    const KeyType keys[] = {{enabledKey, G_VARIANT_TYPE_BOOLEAN},
                            {temperatureKey, G_VARIANT_TYPE_UINT32},
                            {automaticKey, G_VARIANT_TYPE_BOOLEAN},
                            {fromKey, G_VARIANT_TYPE_DOUBLE},
                            {toKey, G_VARIANT_TYPE_DOUBLE}};
    for (const auto& [key, type] : keys) {
        if (!g_settings_schema_has_key(found, key)) {
            problem_ = "the settings schema " + schema + " has no key " + key;
            break;
        }
        GSettingsSchemaKey* entry = g_settings_schema_get_key(found, key);
        if (!g_variant_type_equal(g_settings_schema_key_get_value_type(entry), type)) {
            problem_ = std::string("the setting ") + key + " is not of the expected type";
        } else if (std::strcmp(key, temperatureKey) == 0) {
            GVariant* range = g_settings_schema_key_get_range(entry);
            const char* kind = nullptr;
            GVariant* bounds = nullptr;
            g_variant_get(range, "(&sv)", &kind, &bounds);
            if (std::strcmp(kind, "range") == 0 &&
                g_variant_is_of_type(bounds, G_VARIANT_TYPE("(uu)")))
                g_variant_get(bounds, "(uu)", &lowest_, &highest_);
            g_variant_unref(bounds);
            g_variant_unref(range);
        }
        g_settings_schema_key_unref(entry);
        if (!problem_.empty()) break;
    }
    if (problem_.empty()) settings_ = g_settings_new_full(found, nullptr, nullptr);
    g_settings_schema_unref(found);
    if (!settings_) return;

    // A run that ended while holding the night light left the user's values behind.
    if (auto stored = defaults_.data(defaultsKey)) {
        if (auto own = decode(*stored)) {
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
        defaults_.setData(defaultsKey, encode(*held_));
    }
    Own wanted{true, clampTemperature(kelvin), false, 0, 0};
    if (read() != wanted) write(wanted);
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

}  // namespace vesperine
