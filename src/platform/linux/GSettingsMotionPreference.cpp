#include "platform/linux/GSettingsMotionPreference.h"

#include <gio/gio.h>

bool GSettingsMotionPreference::reduceMotion() const {
    // g_settings_new aborts on a missing schema, so look it up first.
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source) return false;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, "org.gnome.desktop.interface", TRUE);
    if (!schema) return false;
    bool reduce = false;
    if (g_settings_schema_has_key(schema, "enable-animations")) {
        GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
        reduce = !g_settings_get_boolean(settings, "enable-animations");
        g_object_unref(settings);
    }
    g_settings_schema_unref(schema);
    return reduce;
}
