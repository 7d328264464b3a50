#include "Platform/Linux/Files/UserDirs.h"

namespace vesperine {

std::map<std::string, std::string> UserDirs::parse(std::string_view text, std::string_view home) {
    std::map<std::string, std::string> folders;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        const std::size_t equals = line.find('=');
        if (line.empty() || line.front() == '#' || equals == std::string_view::npos) continue;
        const std::string_view name = line.substr(0, equals);
        std::string_view value = line.substr(equals + 1);
        if (value.size() < 2 || value.front() != '"' || value.back() != '"') continue;
        value = value.substr(1, value.size() - 2);
        std::string folder;
        // Inside the quotes a backslash escapes the next character.
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size()) ++i;
            folder += value[i];
        }
        if (folder.starts_with("$HOME/")) {
            folder = std::string(home) + folder.substr(5);
        } else if (folder.empty() || folder.front() != '/') {
            continue;
        }
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        std::string_view trimmedHome = home;
        while (trimmedHome.size() > 1 && trimmedHome.back() == '/') trimmedHome.remove_suffix(1);
        if (folder == trimmedHome) continue;
        folders[std::string(name)] = folder;
    }
    return folders;
}

}  // namespace vesperine
