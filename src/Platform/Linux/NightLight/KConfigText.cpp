#include "Platform/Linux/NightLight/KConfigText.h"

#include <vector>

namespace vesperine::KConfigText {

namespace {

// The file as its lines, each with its own newline (the last one may have none), so that
// joining them gives back the text exactly.
std::vector<std::string> split(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const auto length = end == std::string_view::npos ? text.size() : end + 1;
        lines.emplace_back(text.substr(0, length));
        text.remove_prefix(length);
    }
    return lines;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line;
    return text;
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool isHeader(std::string_view line) { return trimmed(line).starts_with('['); }
bool isHeaderOf(std::string_view line, std::string_view group) {
    const auto text = trimmed(line);
    return text.size() == group.size() + 2 && text.front() == '[' && text.back() == ']' &&
           text.substr(1, group.size()) == group;
}
bool isBlank(std::string_view line) { return trimmed(line).empty(); }

// KConfig reads "Key = Value" as "Key=Value": the key is what stands before the first '='.
bool isEntryOf(std::string_view line, std::string_view key) {
    const auto text = trimmed(line);
    if (text.starts_with('#')) return false;
    const auto equals = text.find('=');
    return equals != std::string_view::npos && trimmed(text.substr(0, equals)) == key;
}

std::string withoutNewline(std::string_view line) {
    if (line.ends_with('\n')) line.remove_suffix(1);
    return std::string(line);
}

// The lines of the first "[group]" section: [header, end); header is npos when absent.
struct Section {
    std::size_t header = std::string::npos, end = 0;
};
Section sectionOf(const std::vector<std::string>& lines, std::string_view group) {
    Section section;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (section.header == std::string::npos) {
            if (isHeaderOf(lines[i], group)) section.header = i;
        } else if (isHeader(lines[i])) {
            section.end = i;
            return section;
        }
    }
    section.end = lines.size();
    return section;
}

// Every line of `key` in any "[group]" section (KConfig merges sections of one name).
std::optional<std::size_t> entryOf(const std::vector<std::string>& lines, std::string_view group,
                                   std::string_view key) {
    bool inGroup = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (isHeader(lines[i])) {
            inGroup = isHeaderOf(lines[i], group);
        } else if (inGroup && isEntryOf(lines[i], key)) {
            return i;
        }
    }
    return std::nullopt;
}

// Removes line `i`; a last line without a newline leaves the one before it without one
// too, as it was before that line was added after it.
void erase(std::vector<std::string>& lines, std::size_t i) {
    const bool last = i + 1 == lines.size();
    const bool open = !lines[i].ends_with('\n');
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
    if (last && open && i > 0 && lines[i - 1].ends_with('\n')) lines[i - 1].pop_back();
}

}  // namespace

std::optional<std::string> line(std::string_view text, std::string_view group, std::string_view key) {
    const auto lines = split(text);
    if (auto i = entryOf(lines, group, key)) return withoutNewline(lines[*i]);
    return std::nullopt;
}

bool hasGroup(std::string_view text, std::string_view group) {
    return sectionOf(split(text), group).header != std::string::npos;
}

std::string withLine(std::string_view text, std::string_view group, std::string_view key,
                     const std::optional<std::string>& line) {
    auto lines = split(text);
    const auto at = entryOf(lines, group, key);
    if (!line) {
        if (at) erase(lines, *at);
        return joined(lines);
    }
    if (at) {
        lines[*at] = *line + (lines[*at].ends_with('\n') ? "\n" : "");
        return joined(lines);
    }
    auto section = sectionOf(lines, group);
    if (section.header == std::string::npos) {
        // A new group at the end, after a blank line where the file ends with a whole line.
        if (!lines.empty() && !lines.back().ends_with('\n')) {
            lines.back() += '\n';
        } else if (!lines.empty()) {
            lines.emplace_back("\n");
        }
        lines.push_back("[" + std::string(group) + "]\n");
        section = {lines.size() - 1, lines.size()};
    }
    // After the group's last entry, before the blank lines that part it from the next.
    std::size_t after = section.end;
    while (after > section.header + 1 && isBlank(lines[after - 1])) --after;
    if (!lines[after - 1].ends_with('\n')) {
        lines[after - 1] += '\n';
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(after), *line);
    } else {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(after), *line + "\n");
    }
    return joined(lines);
}

std::string withoutEmptyGroup(std::string_view text, std::string_view group) {
    auto lines = split(text);
    const auto section = sectionOf(lines, group);
    if (section.header == std::string::npos) return joined(lines);
    for (auto i = section.header + 1; i < section.end; ++i) {
        if (!isBlank(lines[i])) return joined(lines);
    }
    // KConfig's own writer parts every group from the next by a blank line: when KWin saved
    // the file while the group was there, that blank line goes with the group.
    const bool atEnd = section.end == lines.size();
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(section.header),
                lines.begin() + static_cast<std::ptrdiff_t>(section.end));
    if (!atEnd) return joined(lines);
    if (section.header > 0 && isBlank(lines[section.header - 1])) {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(section.header - 1));
    } else if (section.header > 0) {
        // The file ended without a newline before the group came.
        lines[section.header - 1].pop_back();
    }
    return joined(lines);
}

}  // namespace vesperine::KConfigText
