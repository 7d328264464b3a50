#pragma once

#include <string>
#include <string_view>

namespace vesperine {

// Levels in rising order, named as syslog names them. `notice` is the level of what a user
// may want to know happened: applied changes, resets, repairs.
enum class LogLevel { debug, info, notice, error };

const char* logLevelName(LogLevel level);

// Where log lines go. Each line carries the category of the area that wrote it ("state",
// "pipeline", "gamma", "monitor", "store", "migration", "install", "conflicts",
// "private-api", "power"); the subsystem is the application's bundle identifier.
class Logger {
public:
    virtual ~Logger() = default;
    virtual void write(LogLevel level, std::string_view category, std::string_view message) = 0;
};

// A logger bound to one category, with printf-style formatting.
class Log {
public:
    Log(Logger& logger, std::string category) : logger_(&logger), category_(std::move(category)) {}

    void debug(const char* format, ...) const __attribute__((format(printf, 2, 3)));
    void info(const char* format, ...) const __attribute__((format(printf, 2, 3)));
    void notice(const char* format, ...) const __attribute__((format(printf, 2, 3)));
    void error(const char* format, ...) const __attribute__((format(printf, 2, 3)));

    void write(LogLevel level, std::string_view message) const {
        logger_->write(level, category_, message);
    }
    const std::string& category() const { return category_; }

private:
    Logger* logger_;
    std::string category_;
};

}  // namespace vesperine
