#include "Platform/Linux/System/SystemTimeZone.h"

#include <unicode/timezone.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "Schedule/ZoneRules.h"

namespace vesperine {

std::optional<std::string> SystemTimeZone::identifierFrom(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\r'))
        text.pop_back();
    if (!text.empty() && text.front() == ':') text.erase(0, 1);
    const std::string marker = "zoneinfo/";
    if (auto at = text.rfind(marker); at != std::string::npos)
        text = text.substr(at + marker.size());
    for (const char* prefix : {"posix/", "right/"}) {
        if (text.starts_with(prefix)) text = text.substr(std::string(prefix).size());
    }
    if (!ZoneRules::isDatabaseZone(text)) return std::nullopt;
    return text;
}

std::optional<std::string> SystemTimeZone::zoneFromTz(const std::string& value) {
    // The C library reads a TZ that is set but empty as UTC.
    if (value.empty()) return "UTC";
    if (auto name = identifierFrom(value)) return name;
    if (ZoneRules::isPosixRule(value)) return value;
    // A path to a link into the database (":/etc/localtime" is a common one) names its target.
    const std::string path = value.front() == ':' ? value.substr(1) : value;
    std::error_code error;
    const auto target = std::filesystem::canonical(path, error);
    if (path.starts_with('/') && !error) return identifierFrom(target.string());
    return std::nullopt;
}

TimeZone SystemTimeZone::current() const {
    if (cached_) return *cached_;
    const char* tz = std::getenv("TZ");
    std::optional<std::string> identifier = tz ? zoneFromTz(tz) : std::nullopt;
    const bool tzIgnored = tz && !identifier;
    if (!identifier) {
        std::error_code error;
        auto target = std::filesystem::read_symlink("/etc/localtime", error);
        if (!error) identifier = identifierFrom(target.string());
    }
    if (!identifier) {
        std::ifstream file("/etc/timezone");
        std::string line;
        if (std::getline(file, line)) identifier = identifierFrom(line);
    }
    if (!identifier) {
        // ICU looks in a few more places (and knows their quirks); last before UTC.
        std::unique_ptr<icu::TimeZone> host(icu::TimeZone::detectHostTimeZone());
        if (host) {
            icu::UnicodeString id;
            host->getID(id);
            std::string text;
            id.toUTF8String(text);
            if (ZoneRules::isDatabaseZone(text)) identifier = text;
        }
    }
    cached_ = TimeZone{identifier.value_or("UTC")};
    if (tzIgnored && !reportedTz_) {
        reportedTz_ = true;
        log_.error(
            "TZ=\"%s\" names no zone of the system's database and is no POSIX rule this program "
            "follows; the schedule runs in %s",
            tz, cached_->identifier.c_str());
    }
    return *cached_;
}

}  // namespace vesperine
