#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Platform/DefaultsStore.h"
#include "Platform/LogOnce.h"
#include "Platform/NightLightTint.h"
#include "Support/Json.h"

typedef struct _GSettings GSettings;

namespace vesperine {

// GNOME's Night Light as a tint of ours, through the colour plugin's settings (GIO's
// GSettings; the settings daemon follows them at once and fades by itself). To show a
// temperature it sets "night-light-temperature", turns "night-light-enabled" on and makes
// the schedule manual and whole-day ("night-light-schedule-automatic" false, "-from" equal
// to "-to", which the daemon reads as all 24 hours), so the tint stays on whatever the time.
// All keys change in one go, so the daemon never sees half of it.
//
// The user's own values of those five keys are stored in the defaults store under
// `defaultsKey` (written atomically) before the first change, given back and removed by
// `release`. A run that ended without releasing (a crash, a power cut) leaves them there:
// the next construction gives them back first. When the schema, a key or its type is not
// what this expects, the tint is unavailable and `problem` says why (GIO would abort on a key
// that is not there). Main loop only.
class GnomeNightLightTint final : public NightLightTint {
  public:
    static constexpr const char* defaultsKey = "desktopNightLightOwnSettings";
    static constexpr const char* schemaId = "org.gnome.settings-daemon.plugins.color";

    // The user's own values, as kept while we hold the night light.
    struct Own {
        bool enabled = false;
        std::uint32_t temperature = 0;
        bool automatic = true;
        double from = 0, to = 0;
        bool operator==(const Own&) const = default;
    };

    // `schema`: another schema with the same keys (tests).
    GnomeNightLightTint(DefaultsStore& defaults, Logger& logger, const std::string& schema = schemaId);
    ~GnomeNightLightTint() override;
    GnomeNightLightTint(const GnomeNightLightTint&) = delete;
    GnomeNightLightTint& operator=(const GnomeNightLightTint&) = delete;

    bool available() const override { return settings_ != nullptr; }
    const std::string& problem() const { return problem_; }
    void show(double kelvin) override;
    void release() override;
    bool showing() const override { return held_.has_value(); }
    void flush() override;

private:
    Own read() const;
    void write(const Own& values);
    std::uint32_t clampTemperature(double kelvin) const;

    DefaultsStore& defaults_;
    LogOnce log_;
    std::string problem_;
    GSettings* settings_ = nullptr;
    std::uint32_t lowest_ = 1000, highest_ = 10000;  // the key's range, once read
    std::optional<Own> held_;
};

// {"enabled": true, "temperature": 4000, "automatic": false, "from": 20.0, "to": 6.0}
template <>
struct JsonCodec<GnomeNightLightTint::Own> {
    static Json encode(const GnomeNightLightTint::Own& own);
    static Result<GnomeNightLightTint::Own> decode(const Json& json);
};

}  // namespace vesperine
