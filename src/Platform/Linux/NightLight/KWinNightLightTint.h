#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Platform/DefaultsStore.h"
#include "Platform/FileSystem.h"
#include "Platform/LogOnce.h"
#include "Platform/NightLightTint.h"
#include "Support/Json.h"

namespace vesperine {

class BusConnection;

// KDE Plasma's Night Light as a tint of ours, through KWin's own settings: KWin reads its
// night-light group of `kwinrc` again whenever the change is announced on the session bus
// (org.kde.kconfig.notify's ConfigChanged at /kwinrc, naming the changed keys: what
// KConfig's own writers send), and fades there by itself. To show a temperature it writes
// Active=true, Mode=Constant and NightTemperature (KWin's range, 1000 to 6500 K, in KWin's
// 50 K steps) into the group, `[NightLight]` on Plasma 6 and `[NightColor]` on Plasma 5.
// The file is replaced atomically with every other line as it was (KConfigText).
//
// The user's own lines of those keys (or that they were absent, and whether the group was
// there at all) are stored in the defaults store under `defaultsKey` before the first
// change, given back and removed by `release`; a run that ended without releasing leaves
// them there and the next construction gives them back first. So after a clean exit, or a
// crash and the next start, kwinrc is byte for byte what it was, unless something else
// changed it meanwhile (then only our keys go back). A kwinrc that cannot be read (a folder
// in its place, a binary file) is never written: the night light stays as it is and the log
// says why, once. Main loop only; the bus is borrowed.
class KWinNightLightTint final : public NightLightTint {
  public:
    static constexpr const char* defaultsKey = "kwinNightLightOwnSettings";
    static constexpr double lowest = 1000, highest = 6500, step = 50;

    // The user's own lines of the keys we set, as kept while we hold the night light.
    struct Own {
        std::string group;
        bool groupExisted = false;
        std::map<std::string, std::optional<std::string>> lines;  // by key; none: absent
        bool operator==(const Own&) const = default;
    };

    // The group KWin of this Plasma reads: KDE_SESSION_VERSION's value ("5" or "6"; null
    // outside a Plasma session).
    static std::string groupFor(const char* sessionVersion);

    // `sessionBus` may be null (no session bus): then nothing can be announced and the tint
    // is unavailable.
    KWinNightLightTint(DefaultsStore& defaults, FileSystem& files, BusConnection* sessionBus,
                       Logger& logger, std::string kwinrc, std::string group);
    KWinNightLightTint(const KWinNightLightTint&) = delete;
    KWinNightLightTint& operator=(const KWinNightLightTint&) = delete;

    bool available() const override { return sessionBus_ != nullptr; }
    void show(double kelvin) override;
    void release() override;
    bool showing() const override { return held_.has_value(); }

  private:
    std::optional<std::string> readFile();
    // Writes `text` in place of `before` and tells KWin which keys of `group` changed.
    void replace(const std::string& before, const std::string& text, const std::string& group);
    void giveBack(const Own& own);

    DefaultsStore& defaults_;
    FileSystem& files_;
    BusConnection* sessionBus_;
    LogOnce log_;
    std::string kwinrc_, group_;
    std::optional<Own> held_;
};

// {"group": "NightLight", "groupExisted": true,
//  "lines": {"Active": "Active=false", "Mode": null, "NightTemperature": "NightTemperature=4500"}}
template <>
struct JsonCodec<KWinNightLightTint::Own> {
    static Json encode(const KWinNightLightTint::Own& own);
    static Result<KWinNightLightTint::Own> decode(const Json& json);
};

}  // namespace vesperine
