#include "Platform/Linux/SystemTimeZone.h"

#include <unicode/timezone.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace vesperine {

namespace {

bool isKnownZone(const std::string& identifier) {
    icu::UnicodeString canonical;
    UBool isSystem = false;
    UErrorCode status = U_ZERO_ERROR;
    icu::TimeZone::getCanonicalID(icu::UnicodeString::fromUTF8(identifier), canonical, isSystem, status);
    return U_SUCCESS(status) && isSystem;
}

}  // namespace

std::optional<std::string> SystemTimeZone::identifierFrom(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\r')) text.pop_back();
    if (!text.empty() && text.front() == ':') text.erase(0, 1);
    const std::string marker = "zoneinfo/";
    if (auto at = text.rfind(marker); at != std::string::npos) text = text.substr(at + marker.size());
    for (const char* prefix : {"posix/", "right/"}) {
        if (text.starts_with(prefix)) text = text.substr(std::string(prefix).size());
    }
    if (text.empty() || !isKnownZone(text)) return std::nullopt;
    return text;
}

TimeZone SystemTimeZone::current() const {
    if (cached_) return *cached_;
    std::optional<std::string> identifier;
    if (const char* tz = std::getenv("TZ"); tz && *tz) identifier = identifierFrom(tz);
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
            if (isKnownZone(text)) identifier = text;
        }
    }
    cached_ = TimeZone{identifier.value_or("UTC")};
    return *cached_;
}

}  // namespace vesperine
