#include "Platform/Linux/Power/SysfsAttribute.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>

namespace vesperine::SysfsAttribute {

std::optional<std::string> text(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    // Attributes hold at most a page; a longer file is not an attribute.
    char buffer[4096];
    std::size_t size = 0;
    bool failed = false;
    while (size < sizeof buffer) {
        const ssize_t got = ::read(fd, buffer + size, sizeof buffer - size);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) failed = true;
        if (got <= 0) break;
        size += static_cast<std::size_t>(got);
    }
    ::close(fd);
    if (failed) return std::nullopt;  // a sensor that cannot be read right now, say
    std::string value(buffer, size);
    while (!value.empty() && (value.back() == '\n' || value.back() == ' ' || value.back() == '\t')) {
        value.pop_back();
    }
    return value;
}

std::optional<std::int64_t> integer(const std::string& path) {
    auto value = text(path);
    if (!value || value->empty()) return std::nullopt;
    const char* first = value->data();
    const char* last = first + value->size();
    if (*first == '+') ++first;
    std::int64_t number = 0;
    auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last) return std::nullopt;
    return number;
}

std::vector<std::string> entries(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace vesperine::SysfsAttribute
