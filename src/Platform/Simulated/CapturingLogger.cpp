#include "Platform/Simulated/CapturingLogger.h"

#include <cstdio>

namespace vesperine {

std::size_t CapturingLogger::count(std::string_view text, std::string_view category) const {
    std::size_t n = 0;
    for (const auto& line : lines_) {
        if (!category.empty() && line.category != category) continue;
        if (line.message.find(text) != std::string::npos) ++n;
    }
    return n;
}

void CapturingLogger::fprintLine(const Line& line) {
    std::fprintf(stderr, "[%s] %s: %s\n", line.category.c_str(), logLevelName(line.level),
                 line.message.c_str());
}

}  // namespace vesperine
