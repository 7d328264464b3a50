#include "Platform/Linux/Install/DesktopEntry.h"

#include <glib.h>

#include <memory>

namespace vesperine::DesktopEntry {

namespace {

using KeyFile = std::unique_ptr<GKeyFile, decltype(&g_key_file_free)>;
using Text = std::unique_ptr<gchar, decltype(&g_free)>;
constexpr const char* mainGroup = "Desktop Entry";

// The text as a key file with its comments and every translation kept.
std::optional<KeyFile> parse(std::string_view text, std::string* problem) {
    KeyFile file(g_key_file_new(), g_key_file_free);
    GError* error = nullptr;
    const auto flags =
        static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS);
    if (!g_key_file_load_from_data(file.get(), text.data(), text.size(), flags, &error)) {
        if (problem != nullptr) *problem = error->message;
        g_error_free(error);
        return std::nullopt;
    }
    return file;
}

}  // namespace

std::map<std::string, std::string> keys(std::string_view text, std::string* problem) {
    std::map<std::string, std::string> result;
    const auto file = parse(text, problem);
    if (!file) return result;
    gchar** names = g_key_file_get_keys(file->get(), mainGroup, nullptr, nullptr);
    for (gchar** name = names; name != nullptr && *name != nullptr; ++name) {
        const Text value(g_key_file_get_string(file->get(), mainGroup, *name, nullptr), g_free);
        if (value) result.emplace(*name, value.get());
    }
    g_strfreev(names);
    return result;
}

std::optional<std::string> withKeys(std::string_view text,
                                    const std::vector<std::pair<std::string, std::string>>& keys) {
    const auto file = parse(text, nullptr);
    if (!file) return std::nullopt;
    for (const auto& [key, value] : keys)
        g_key_file_set_value(file->get(), mainGroup, key.c_str(), value.c_str());
    gsize size = 0;
    const Text data(g_key_file_to_data(file->get(), &size, nullptr), g_free);
    return std::string(data.get(), size);
}

std::optional<std::string> execArgument(std::string_view argument) {
    if (!g_utf8_validate_len(argument.data(), argument.size(), nullptr)) return std::nullopt;
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
