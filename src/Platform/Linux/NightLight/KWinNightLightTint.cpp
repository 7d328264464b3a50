#include "Platform/Linux/NightLight/KWinNightLightTint.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Platform/Linux/DBus/BusConnection.h"
#include "Platform/Linux/NightLight/KConfigText.h"

namespace vesperine {

namespace {

constexpr const char* drivenKeys[] = {"Active", "Mode", "NightTemperature"};

// Sends org.kde.kconfig.notify's ConfigChanged for kwinrc: {group: [key, ...]}, the keys
// as byte arrays, as KConfigWatcher expects them.
int announceChanged(sd_bus* bus, const std::string& group, const std::vector<std::string>& changed) {
    sd_bus_message* signal = nullptr;
    int r = sd_bus_message_new_signal(bus, &signal, "/kwinrc", "org.kde.kconfig.notify",
                                      "ConfigChanged");
    if (r >= 0) r = sd_bus_message_open_container(signal, 'a', "{saay}");
    if (r >= 0) r = sd_bus_message_open_container(signal, 'e', "saay");
    if (r >= 0) r = sd_bus_message_append(signal, "s", group.c_str());
    if (r >= 0) r = sd_bus_message_open_container(signal, 'a', "ay");
    for (const auto& key : changed) {
        if (r >= 0) r = sd_bus_message_append_array(signal, 'y', key.data(), key.size());
    }
    if (r >= 0) r = sd_bus_message_close_container(signal);
    if (r >= 0) r = sd_bus_message_close_container(signal);
    if (r >= 0) r = sd_bus_message_close_container(signal);
    if (r >= 0) r = sd_bus_send(bus, signal, nullptr);
    sd_bus_message_unref(signal);
    return r;
}

}  // namespace

std::string KWinNightLightTint::groupFor(const char* sessionVersion) {
    // Plasma 5 named it Night Color; Plasma 6 renamed the group with the feature.
    return sessionVersion && std::strcmp(sessionVersion, "5") == 0 ? "NightColor" : "NightLight";
}

KWinNightLightTint::KWinNightLightTint(DefaultsStore& defaults, FileSystem& files,
                                       BusConnection* sessionBus, Logger& logger,
                                       std::string kwinrc, std::string group)
    : defaults_(defaults), files_(files), sessionBus_(sessionBus), log_(logger, "display"),
      kwinrc_(std::move(kwinrc)), group_(std::move(group)) {
    if (!sessionBus_) return;
    // A run that ended while holding the night light left the user's lines behind.
    if (auto stored = defaults_.data(defaultsKey)) {
        if (auto own = json::decode<Own>(*stored)) {
            giveBack(*own);
            log_.always(LogLevel::notice,
                        "Gave KDE's Night Light back the settings an earlier run had kept");
        } else {
            log_.write(LogLevel::error, "Dropped a damaged record of KDE's Night Light settings");
        }
        defaults_.remove(defaultsKey);
    }
}

std::optional<std::string> KWinNightLightTint::readFile() {
    auto read = files_.read(kwinrc_);
    if (!read.ok && read.failure == ReadFailure::notFound) return std::string();
    std::string why = read.ok ? "it is not a text file" : read.description;
    if (read.ok && read.bytes.find('\0') == std::string::npos) return std::move(read.bytes);
    log_.write(LogLevel::error, "read",
               "KWin's settings (" + kwinrc_ + ") can't be read, so its Night Light is left as it is: " +
                   why);
    return std::nullopt;
}

void KWinNightLightTint::replace(const std::string& before, const std::string& text,
                                 const std::string& group) {
    if (text == before) return;
    if (auto written = files_.writeAtomically(kwinrc_, text); !written) {
        log_.write(LogLevel::error, "write",
                   "Couldn't change KDE's Night Light: " + written.error().description);
        return;
    }
    std::vector<std::string> changed;
    for (const char* key : drivenKeys) {
        if (KConfigText::line(before, group, key) != KConfigText::line(text, group, key)) {
            changed.emplace_back(key);
        }
    }
    if (const int r = announceChanged(sessionBus_->raw(), group, changed); r < 0) {
        log_.write(LogLevel::error, "announce",
                   std::string("Couldn't tell KWin its Night Light settings changed: ") +
                       std::strerror(-r));
    }
    sessionBus_->flush();
}

void KWinNightLightTint::giveBack(const Own& own) {
    auto before = readFile();
    if (!before) return;
    std::string text = *before;
    for (const auto& [key, line] : own.lines) text = KConfigText::withLine(text, own.group, key, line);
    if (!own.groupExisted) text = KConfigText::withoutEmptyGroup(text, own.group);
    replace(*before, text, own.group);
    // A release is often the last thing before the program ends: the signal must be out.
    if (sessionBus_->isConnected()) sd_bus_flush(sessionBus_->raw());
}

void KWinNightLightTint::show(double kelvin) {
    if (!sessionBus_) return;
    auto before = readFile();
    if (!before) return;
    if (!held_) {
        Own own{group_, KConfigText::hasGroup(*before, group_), {}};
        for (const char* key : drivenKeys) own.lines[key] = KConfigText::line(*before, group_, key);
        if (auto record = json::encode(own)) {
            defaults_.setData(defaultsKey, *record);
        } else {
            log_.write(LogLevel::error, "keep", "Couldn't keep KDE's Night Light settings: " +
                                                    record.error().description);
        }
        held_ = std::move(own);
    }
    const double clamped = std::isfinite(kelvin) ? std::clamp(kelvin, lowest, highest) : highest;
    const long temperature = std::lround(clamped / step) * static_cast<long>(step);
    std::string text = *before;
    text = KConfigText::withLine(text, group_, "Active", "Active=true");
    text = KConfigText::withLine(text, group_, "Mode", "Mode=Constant");
    text = KConfigText::withLine(text, group_, "NightTemperature",
                                 "NightTemperature=" + std::to_string(temperature));
    replace(*before, text, group_);
}

void KWinNightLightTint::release() {
    if (!held_) return;
    giveBack(*held_);
    held_.reset();
    defaults_.remove(defaultsKey);
}

Json JsonCodec<KWinNightLightTint::Own>::encode(const KWinNightLightTint::Own& own) {
    Json lines = Json::object();
    for (const auto& [key, line] : own.lines) lines[key] = line ? Json(*line) : Json(nullptr);
    return {{"group", own.group}, {"groupExisted", own.groupExisted}, {"lines", lines}};
}

Result<KWinNightLightTint::Own> JsonCodec<KWinNightLightTint::Own>::decode(const Json& json) {
    auto group = json::string(json, "group");
    if (!group) return group.error();
    auto existed = json::boolean(json, "groupExisted");
    if (!existed) return existed.error();
    auto lines = json::member(json, "lines");
    if (!lines) return lines.error();
    if (!(*lines)->is_object()) return Error{"The lines are not an object."};
    KWinNightLightTint::Own own{*group, *existed, {}};
    for (const auto& [key, line] : (*lines)->items()) {
        // A line that is not one line of text would put something else into the file.
        if (line.is_null()) {
            own.lines[key] = std::nullopt;
        } else if (line.is_string() && line.get<std::string>().find('\n') == std::string::npos) {
            own.lines[key] = line.get<std::string>();
        } else {
            return Error{"The line of " + key + " is not one line of text."};
        }
    }
    return own;
}

}  // namespace vesperine
