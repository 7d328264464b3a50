#pragma once

#include <string>

#include "Platform/Logger.h"

namespace vesperine {

// Writes to the systemd journal when one is running (MESSAGE, PRIORITY, and the fields
// VESPERINE_SUBSYSTEM and VESPERINE_CATEGORY, so `journalctl VESPERINE_CATEGORY=gamma`
// picks one area), otherwise one line per message on stderr.
class SystemLogger final : public Logger {
public:
    enum class Sink { automatic, journal, standardError };

    explicit SystemLogger(std::string subsystem, Sink sink = Sink::automatic,
                          LogLevel minimum = LogLevel::info);

    void write(LogLevel level, std::string_view category, std::string_view message) override;
    bool usesJournal() const { return journal_; }

private:
    std::string subsystem_;
    bool journal_ = false;
    LogLevel minimum_;
};

}  // namespace vesperine
