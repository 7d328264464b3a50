#pragma once

#include <string>
#include <vector>

#include "Platform/Logger.h"

namespace vesperine {

// Keeps every line, so tests can assert the exact messages the program logs.
class CapturingLogger final : public Logger {
public:
    struct Line {
        LogLevel level;
        std::string category;
        std::string message;
    };

    void write(LogLevel level, std::string_view category, std::string_view message) override {
        lines_.push_back({level, std::string(category), std::string(message)});
        if (echo_) fprintLine(lines_.back());
    }

    const std::vector<Line>& lines() const { return lines_; }
    void clear() { lines_.clear(); }
    void setEcho(bool echo) { echo_ = echo; }

    // Lines whose message contains `text` (in `category`, when given).
    std::size_t count(std::string_view text, std::string_view category = {}) const;
    bool contains(std::string_view text, std::string_view category = {}) const {
        return count(text, category) > 0;
    }

private:
    static void fprintLine(const Line& line);
    std::vector<Line> lines_;
    bool echo_ = false;
};

}  // namespace vesperine
