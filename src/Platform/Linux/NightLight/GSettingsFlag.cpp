#include "Platform/Linux/NightLight/GSettingsFlag.h"

#include <gio/gio.h>

#include "Platform/Linux/NightLight/SettingsSchema.h"

namespace vesperine {

GSettingsFlag::GSettingsFlag(const std::string& schema, const std::string& key) : key_(key) {
    const SettingsSchema::Key keys[] = {{key.c_str(), G_VARIANT_TYPE_BOOLEAN}};
    auto opened = SettingsSchema::open(schema, keys);
    if (!opened) {
        problem_ = opened.error().description;
        return;
    }
    settings_ = *opened;
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
