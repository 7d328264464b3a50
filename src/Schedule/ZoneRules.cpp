#include "Schedule/ZoneRules.h"

#include <date/tz.h>
// ptz.h says hh_mm_ss after using both date and std::chrono, which C++20 makes ambiguous; a
// declaration in its own namespace is found first.
namespace Posix {
using date::hh_mm_ss;
}
#include <date/ptz.h>

#include <fstream>
#include <string>

namespace vesperine {

namespace {

using Seconds = std::chrono::seconds;

// Instants and wall times placed, in seconds either side of 1970: about 3,000 years, well
// inside the years (±32767) the zone library's civil arithmetic handles.
constexpr std::int64_t reach = 100'000'000'000;
// The database files list every change through 2037; later ones follow the rule at the end
// of each file.
constexpr std::int64_t endOfListedChanges = 2'145'916'800;  // 2038-01-01 00:00 UTC
// The dates a rule gets that names daylight saving but not when.
constexpr std::string_view defaultDates = ",M3.2.0,M11.1.0";
// Where the zone library (built for the OS's copy of the database) reads the zones from.
constexpr std::string_view databaseDirectory = "/usr/share/zoneinfo/";

const date::time_zone* databaseZone(std::string_view name) {
    if (name.empty()) return nullptr;
    try {
        const date::time_zone* zone = date::locate_zone(name);
        zone->get_info(date::sys_seconds{});  // reads the zone's file now, so no later call throws
        return zone;
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::optional<Posix::time_zone> parseRule(std::string_view text) {
    try {
        return Posix::time_zone(text);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<Posix::time_zone> posixRule(std::string_view text) {
    if (text.find(',') == std::string_view::npos) {
        auto withDates = parseRule(std::string(text) + std::string(defaultDates));
        if (withDates) return withDates;
    }
    return parseRule(text);
}

// The zone library reads the changes a database file lists but not the rule at its end that
// carries the zone on after them: its last line, in TZ rule form.
std::optional<Posix::time_zone> ruleAfterListedChanges(const std::string& zoneName) {
    std::ifstream file(std::string(databaseDirectory) + zoneName, std::ios::binary | std::ios::ate);
    const std::streamoff size = file ? static_cast<std::streamoff>(file.tellg()) : 0;
    const std::streamoff length = std::min<std::streamoff>(size, 256);
    std::string tail(static_cast<std::size_t>(length), '\0');
    if (length < 2 || !file.seekg(size - length) || !file.read(tail.data(), length) ||
        tail.back() != '\n') {
        return std::nullopt;
    }
    const auto start = tail.rfind('\n', tail.size() - 2);
    if (start == std::string::npos) return std::nullopt;
    return parseRule(std::string_view(tail).substr(start + 1, tail.size() - start - 2));
}

}  // namespace

struct ZoneRules::Rules {
    const date::time_zone* zone = nullptr;  // a zone of the database, else
    std::optional<Posix::time_zone> rule;   // a POSIX rule (UTC when nothing else fits)
    std::optional<Posix::time_zone> after;  // the database zone's rule after its listed changes
    bool afterRead = false;

    // The rule that replaces the database's answer `info` for a time `seconds` past the listed
    // changes, when `info` is the zone's last, never-ending period.
    const Posix::time_zone* ruleAfter(std::int64_t seconds, const date::sys_info& info) {
        const bool lastPeriod = info.end > date::sys_seconds{Seconds{reach}};
        if (seconds < endOfListedChanges || !lastPeriod) return nullptr;
        if (!afterRead) after = ruleAfterListedChanges(zone->name());
        afterRead = true;
        return after ? &*after : nullptr;
    }
};

ZoneRules::ZoneRules(std::string_view identifier) : rules_(std::make_unique<Rules>()) {
    rules_->zone = databaseZone(identifier);
    if (!rules_->zone) rules_->rule = posixRule(identifier);
    if (!rules_->zone && !rules_->rule) rules_->rule = parseRule("UTC0");
}

ZoneRules::~ZoneRules() = default;

bool ZoneRules::isDatabaseZone(std::string_view name) {
    return databaseZone(name) != nullptr;
}

bool ZoneRules::isPosixRule(std::string_view rule) {
    return posixRule(rule).has_value();
}

std::optional<std::int64_t> ZoneRules::offsetAt(std::int64_t unixSeconds) {
    if (unixSeconds < -reach || unixSeconds > reach) return std::nullopt;
    try {
        const date::sys_seconds instant{Seconds{unixSeconds}};
        if (rules_->rule) return rules_->rule->get_info(instant).offset.count();
        if (!rules_->zone) return std::nullopt;
        date::sys_info info = rules_->zone->get_info(instant);
        if (auto* after = rules_->ruleAfter(unixSeconds, info)) info = after->get_info(instant);
        return info.offset.count();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<std::int64_t> ZoneRules::instantOf(std::int64_t localSeconds) {
    if (localSeconds < -reach || localSeconds > reach) return std::nullopt;
    try {
        const date::local_seconds wallTime{Seconds{localSeconds}};
        date::local_info info;
        if (rules_->rule) {
            info = rules_->rule->get_info(wallTime);
        } else if (!rules_->zone) {
            return std::nullopt;
        } else {
            info = rules_->zone->get_info(wallTime);
            const auto& last = info.result == date::local_info::unique ? info.first : info.second;
            if (auto* after = rules_->ruleAfter(localSeconds, last)) {
                info = after->get_info(wallTime);
            }
        }
        if (info.result == date::local_info::nonexistent) {
            return info.second.begin.time_since_epoch().count();
        }
        return localSeconds - info.first.offset.count();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace vesperine
