#include "Platform/Linux/NightLight/GSettingsFlag.h"

#include <gio/gio.h>

namespace vesperine {

GSettingsFlag::GSettingsFlag(const std::string& schema, const std::string& key) : key_(key) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* found = source ? g_settings_schema_source_lookup(source, schema.c_str(), TRUE)
                                    : nullptr;
    if (!found) {
        problem_ = "the settings schema " + schema + " is not installed";
        return;
    }
    if (!g_settings_schema_has_key(found, key.c_str())) {
        problem_ = "the settings schema " + schema + " has no key " + key;
        g_settings_schema_unref(found);
        return;
    }
    GSettingsSchemaKey* entry = g_settings_schema_get_key(found, key.c_str());
    const bool boolean =
        g_variant_type_equal(g_settings_schema_key_get_value_type(entry), G_VARIANT_TYPE_BOOLEAN);
    g_settings_schema_key_unref(entry);
    if (!boolean) {
        problem_ = "the setting " + key + " is not a boolean";
        g_settings_schema_unref(found);
        return;
    }
    settings_ = g_settings_new_full(found, nullptr, nullptr);
    g_settings_schema_unref(found);
    const std::string signal = "changed::" + key;
    g_signal_connect(settings_, signal.c_str(), G_CALLBACK(&GSettingsFlag::changed), this);
}

GSettingsFlag::~GSettingsFlag() {
    if (!settings_) return;
    g_signal_handlers_disconnect_by_data(settings_, this);
    g_object_unref(settings_);
}

std::optional<bool> GSettingsFlag::value() const {
    if (!settings_) return std::nullopt;
    return g_settings_get_boolean(settings_, key_.c_str()) != FALSE;
}

bool GSettingsFlag::set(bool value) {
    if (!settings_) return false;
    return g_settings_set_boolean(settings_, key_.c_str(), value ? TRUE : FALSE) != FALSE;
}

void GSettingsFlag::changed(GSettings*, const char*, void* self) {
    static_cast<GSettingsFlag*>(self)->observers_.notify();
}

}  // namespace vesperine
