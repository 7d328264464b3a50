#pragma once

#include <string>

#include "Platform/Logger.h"

namespace vesperine {

// Writes to the systemd journal when one is running (MESSAGE, PRIORITY, SYSLOG_IDENTIFIER
// "vesperine", and the fields VESPERINE_SUBSYSTEM and VESPERINE_CATEGORY, so
// `journalctl --user -t vesperine VESPERINE_CATEGORY=gamma` picks one area), otherwise one
// line per message on stderr ("21:30:00.000 <subsystem> [gamma] notice: ..."). With `echo`
// the journal's lines go to stderr as well, for a user who started the program from a
// terminal. Control characters in a message are written as visible escapes (see
// SafeText::forPeople) in both places, so every message stays one line of plain text.
class SystemLogger final : public Logger {
public:
    enum class Sink { automatic, journal, standardError };

    explicit SystemLogger(std::string subsystem, Sink sink = Sink::automatic,
                          LogLevel minimum = LogLevel::info, bool echo = false);

    void write(LogLevel level, std::string_view category, std::string_view message) override;
    bool usesJournal() const { return journal_; }

    // The journal's identifier for our lines: `journalctl --user -t vesperine` shows them all.
    static constexpr const char* identifier = "vesperine";

private:
    std::string subsystem_;
    bool journal_ = false;
    bool standardError_ = true;
    LogLevel minimum_;
};

}  // namespace vesperine
