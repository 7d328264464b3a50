#include "Platform/Logger.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace vesperine {

const char* logLevelName(LogLevel level) {
    switch (level) {
        case LogLevel::debug: return "debug";
        case LogLevel::info: return "info";
        case LogLevel::notice: return "notice";
        case LogLevel::error: return "error";
    }
    return "notice";
}

namespace {

std::string formatted(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    char small[256];
    int needed = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (needed < 0) return format;
    if (static_cast<std::size_t>(needed) < sizeof small) return std::string(small, needed);
    std::vector<char> big(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(big.data(), big.size(), format, args);
    return std::string(big.data(), static_cast<std::size_t>(needed));
}

}  // namespace

#define VESPERINE_LOG_AT(level)                   \
    va_list args;                                 \
    va_start(args, format);                       \
    std::string message = formatted(format, args); \
    va_end(args);                                 \
    logger_->write(level, category_, message);

void Log::debug(const char* format, ...) const { VESPERINE_LOG_AT(LogLevel::debug) }
void Log::info(const char* format, ...) const { VESPERINE_LOG_AT(LogLevel::info) }
void Log::notice(const char* format, ...) const { VESPERINE_LOG_AT(LogLevel::notice) }
void Log::error(const char* format, ...) const { VESPERINE_LOG_AT(LogLevel::error) }

#undef VESPERINE_LOG_AT

}  // namespace vesperine
