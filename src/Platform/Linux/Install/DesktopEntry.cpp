#include "Platform/Linux/Install/DesktopEntry.h"

#include <vector>

namespace vesperine::DesktopEntry {

namespace {

constexpr std::string_view mainGroup = "[Desktop Entry]";

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> result;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        result.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return result;
}

bool isGroupHeader(std::string_view line) {
    line = trim(line);
    return !line.empty() && line.front() == '[';
}

// The key of a "Key=Value" line, or none for comments, blanks and headers.
std::optional<std::string_view> keyOf(std::string_view line) {
    const std::string_view trimmed = trim(line);
    if (trimmed.empty() || trimmed.front() == '#' || trimmed.front() == '[') return std::nullopt;
    const std::size_t equals = trimmed.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return trim(trimmed.substr(0, equals));
}

}  // namespace

std::map<std::string, std::string> keys(std::string_view text) {
    std::map<std::string, std::string> result;
    bool inMain = false;
    for (std::string_view line : lines(text)) {
        if (isGroupHeader(line)) {
            inMain = trim(line) == mainGroup;
            continue;
        }
        const auto key = keyOf(line);
        if (!inMain || !key) continue;
        const std::string_view value = trim(line.substr(line.find('=') + 1));
        result.emplace(std::string(*key), std::string(value));
    }
    return result;
}

std::string withKey(std::string_view text, std::string_view key, std::string_view value) {
    const std::string line = std::string(key) + "=" + std::string(value);
    std::string result;
    bool inMain = false, done = false;
    // Where a missing key goes: after the group's last key line.
    std::size_t endOfMain = std::string::npos;
    for (std::string_view current : lines(text)) {
        if (isGroupHeader(current)) inMain = trim(current) == mainGroup;
        const auto currentKey = inMain ? keyOf(current) : std::nullopt;
        if (!done && currentKey && *currentKey == key) {
            result += line;
            done = true;
        } else {
            result += current;
        }
        result += '\n';
        if (inMain && (currentKey || isGroupHeader(current))) endOfMain = result.size();
    }
    if (!done && endOfMain != std::string::npos) result.insert(endOfMain, line + "\n");
    return result;
}

bool isUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t code = 0, minimum = 0;
        if (byte < 0x80) {
            ++i;
            continue;
        } else if ((byte & 0xE0) == 0xC0) {
            length = 2, code = byte & 0x1F, minimum = 0x80;
        } else if ((byte & 0xF0) == 0xE0) {
            length = 3, code = byte & 0x0F, minimum = 0x800;
        } else if ((byte & 0xF8) == 0xF0) {
            length = 4, code = byte & 0x07, minimum = 0x10000;
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, UTF-16 surrogates and values past Unicode's end are not UTF-8.
        if (code < minimum || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
        i += length;
    }
    return true;
}

std::optional<std::string> execArgument(std::string_view argument) {
    if (!isUtf8(argument)) return std::nullopt;
    // The characters that make an argument need quotes, by the desktop-entry rules.
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    const bool quote =
        argument.empty() || argument.find_first_of(reserved) != std::string_view::npos;
    std::string exec;
    if (quote) exec += '"';
    for (char c : argument) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t') return std::nullopt;
        if (c == 0x7F) return std::nullopt;
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) exec += '\\';
        if (c == '%') exec += '%';
        exec += c;
    }
    if (quote) exec += '"';
    // The value is a string first: its own escapes apply on top of the Exec ones.
    std::string value;
    for (char c : exec) {
        switch (c) {
            case '\\':
                value += "\\\\";
                break;
            case '\n':
                value += "\\n";
                break;
            case '\t':
                value += "\\t";
                break;
            default:
                value += c;
        }
    }
    return value;
}

}  // namespace vesperine::DesktopEntry
