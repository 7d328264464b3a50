// GNOME's night-light keys as the user (or their settings panel) left them, through GIO.
#pragma once

#include <gio/gio.h>

#include "Platform/Linux/NightLight/GnomeNightLightTint.h"

namespace vesperine {

inline GnomeNightLightTint::Own gnomeKeys(GSettings* settings) {
    return {g_settings_get_boolean(settings, "night-light-enabled") != FALSE,
            g_settings_get_uint(settings, "night-light-temperature"),
            g_settings_get_boolean(settings, "night-light-schedule-automatic") != FALSE,
            g_settings_get_double(settings, "night-light-schedule-from"),
            g_settings_get_double(settings, "night-light-schedule-to")};
}

inline void setGnomeKeys(GSettings* settings, const GnomeNightLightTint::Own& own) {
    g_settings_set_boolean(settings, "night-light-enabled", own.enabled);
    g_settings_set_uint(settings, "night-light-temperature", own.temperature);
    g_settings_set_boolean(settings, "night-light-schedule-automatic", own.automatic);
    g_settings_set_double(settings, "night-light-schedule-from", own.from);
    g_settings_set_double(settings, "night-light-schedule-to", own.to);
    g_settings_sync();  // a daemon reading the store sees them
}

}  // namespace vesperine
