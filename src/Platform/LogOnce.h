#pragma once

#include <set>
#include <string>

#include "Platform/Logger.h"

namespace vesperine {

// Says each thing once. A service that keeps answering with the wrong type, or a file that
// keeps holding garbage, is worth one line in the log, not one per reading.
class LogOnce {
public:
    LogOnce(Logger& logger, std::string category) : log_(logger, std::move(category)) {}

    // Writes `message` unless something was written under `key` before; true when written.
    bool write(LogLevel level, const std::string& key, const std::string& message) {
        if (!said_.insert(key).second) return false;
        log_.write(level, message);
        return true;
    }
    bool write(LogLevel level, const std::string& message) { return write(level, message, message); }
    // Writes every time: for events that are rare by nature (a service starting or stopping).
    void always(LogLevel level, const std::string& message) { log_.write(level, message); }

private:
    Log log_;
    std::set<std::string> said_;
};

}  // namespace vesperine
