#include "Platform/Linux/NightLight/SettingsSchema.h"

#include <gio/gio.h>

namespace vesperine::SettingsSchema {

Result<GSettings*> open(const std::string& schema, std::span<const Key> keys,
                        const std::function<void(const char* key, GSettingsSchemaKey*)>& inspect) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* found =
        source ? g_settings_schema_source_lookup(source, schema.c_str(), TRUE) : nullptr;
    if (!found) return Error{"the settings schema " + schema + " is not installed"};
    std::string problem;
    for (const auto& [name, type] : keys) {
        if (!g_settings_schema_has_key(found, name)) {
            problem = "the settings schema " + schema + " has no key " + name;
            break;
        }
        GSettingsSchemaKey* entry = g_settings_schema_get_key(found, name);
        if (!g_variant_type_equal(g_settings_schema_key_get_value_type(entry), type))
            problem = std::string("the setting ") + name + " is not of the expected type";
        else if (inspect)
            inspect(name, entry);
        g_settings_schema_key_unref(entry);
        if (!problem.empty()) break;
    }
    GSettings* settings = problem.empty() ? g_settings_new_full(found, nullptr, nullptr) : nullptr;
    g_settings_schema_unref(found);
    if (!settings) return Error{problem};
    return settings;
}

}  // namespace vesperine::SettingsSchema
