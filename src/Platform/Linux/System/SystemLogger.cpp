#include "Platform/Linux/System/SystemLogger.h"

#include <sys/stat.h>
#include <syslog.h>

#include <cstdio>
#include <ctime>

#include <systemd/sd-journal.h>

#include "Support/SafeText.h"

namespace vesperine {

namespace {

int priorityOf(LogLevel level) {
    switch (level) {
        case LogLevel::debug: return LOG_DEBUG;
        case LogLevel::info: return LOG_INFO;
        case LogLevel::notice: return LOG_NOTICE;
        case LogLevel::error: return LOG_ERR;
    }
    return LOG_NOTICE;
}

bool journalRunning() {
    struct stat info {};
    return ::stat("/run/systemd/journal/socket", &info) == 0;
}

}  // namespace

SystemLogger::SystemLogger(std::string subsystem, Sink sink, LogLevel minimum, bool echo)
    : subsystem_(std::move(subsystem)), minimum_(minimum) {
    journal_ = sink == Sink::journal || (sink == Sink::automatic && journalRunning());
    standardError_ = !journal_ || echo;
}

void SystemLogger::write(LogLevel level, std::string_view category, std::string_view message) {
    if (level < minimum_) return;
    // Messages carry names from files, windows and other programs: a control code in one
    // must neither act on the terminal that shows the log nor forge a line of its own.
    const std::string cat = SafeText::forPeople(category);
    const std::string text = SafeText::forPeople(message);
    if (journal_) {
        sd_journal_send("MESSAGE=%s", text.c_str(), "PRIORITY=%d", priorityOf(level),
                        "SYSLOG_IDENTIFIER=%s", identifier, "VESPERINE_SUBSYSTEM=%s",
                        subsystem_.c_str(), "VESPERINE_CATEGORY=%s", cat.c_str(), nullptr);
    }
    if (!standardError_) return;
    std::timespec now{};
    std::timespec_get(&now, TIME_UTC);
    std::tm local{};
    // localtime_r does not look again at the system's zone; a zone change while we run must
    // move the log's times with the schedule's.
    tzset();
    localtime_r(&now.tv_sec, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%H:%M:%S", &local);
    std::fprintf(stderr, "%s.%03ld %s [%s] %s: %s\n", stamp, now.tv_nsec / 1'000'000,
                 subsystem_.c_str(), cat.c_str(), logLevelName(level), text.c_str());
}

}  // namespace vesperine
