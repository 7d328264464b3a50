#pragma once

#include <functional>
#include <span>
#include <string>

#include "Support/Result.h"

typedef struct _GSettings GSettings;
typedef struct _GSettingsSchemaKey GSettingsSchemaKey;
typedef struct _GVariantType GVariantType;

namespace vesperine::SettingsSchema {

// A key of a settings schema and the type its values must have.
struct Key {
    const char* name;
    const GVariantType* type;
};

// The settings of `schema` (GIO's GSettings: dconf on a GNOME desktop) when it is installed
// and has every key of `keys` with its type; else why not, in words for the log. GIO aborts
// the process on a schema or key that is not installed, so both are looked up first.
// `inspect` sees each key's entry while it is at hand (its range, say). The caller owns the
// settings (g_object_unref).
Result<GSettings*> open(
    const std::string& schema, std::span<const Key> keys,
    const std::function<void(const char* key, GSettingsSchemaKey*)>& inspect = {});

}  // namespace vesperine::SettingsSchema
