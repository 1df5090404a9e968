// GNOME's background settings through GIO's GSettings. A schema is looked up
// before it is opened, since opening a schema that is not installed aborts
// the process; each key is read only when the installed schema has it as a
// text, so older GNOME versions and odd schemas read as empty values.
// GNOME's own settings backend (dconf) opens the session bus, and GIO starts
// `dbus-launch` when there is none; without a session bus no GNOME desktop
// runs, so its settings are not read at all then.

#include "platform/desktop_background.h"

#include <gio/gio.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

namespace korv::platform {

namespace {

constexpr const char* kBackgroundSchema = "org.gnome.desktop.background";
constexpr const char* kInterfaceSchema = "org.gnome.desktop.interface";

// An opened schema with its settings object; empty when not installed.
class SchemaSettings {
public:
    explicit SchemaSettings(const char* id) {
        GSettingsSchemaSource* source = g_settings_schema_source_get_default();
        if (!source) return;
        schema_ = g_settings_schema_source_lookup(source, id, TRUE);
        if (schema_) settings_ = g_settings_new_full(schema_, nullptr, nullptr);
    }
    ~SchemaSettings() {
        if (settings_) g_object_unref(settings_);
        if (schema_) g_settings_schema_unref(schema_);
    }
    SchemaSettings(const SchemaSettings&) = delete;
    SchemaSettings& operator=(const SchemaSettings&) = delete;

    explicit operator bool() const { return settings_ != nullptr; }

    std::string Text(const char* key) const {
        if (!settings_ || !g_settings_schema_has_key(schema_, key)) return {};
        GSettingsSchemaKey* schemaKey = g_settings_schema_get_key(schema_, key);
        bool isText = g_variant_type_equal(g_settings_schema_key_get_value_type(schemaKey), G_VARIANT_TYPE_STRING);
        g_settings_schema_key_unref(schemaKey);
        if (!isText) return {};
        gchar* value = g_settings_get_string(settings_, key);
        std::string text = value ? value : "";
        g_free(value);
        return text;
    }

private:
    GSettingsSchema* schema_ = nullptr;
    GSettings* settings_ = nullptr;
};

bool HasText(const char* value) { return value && *value; }

// Whether GSettings would open the session bus: the default backend (dconf)
// does; the memory and keyfile backends do not.
bool SettingsNeedSessionBus() {
    const char* backend = std::getenv("GSETTINGS_BACKEND");
    return !HasText(backend) || std::string(backend) == "dconf";
}

// A session bus that is there without starting one: its address, or the
// user's bus socket under XDG_RUNTIME_DIR.
bool SessionBusExists() {
    if (HasText(std::getenv("DBUS_SESSION_BUS_ADDRESS"))) return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!HasText(runtime)) return false;
    struct stat info {};
    return ::stat((std::string(runtime) + "/bus").c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

}  // namespace

std::optional<GnomeBackground> ReadGnomeBackground() {
    if (SettingsNeedSessionBus() && !SessionBusExists()) return std::nullopt;
    SchemaSettings background(kBackgroundSchema);
    if (!background) return std::nullopt;
    GnomeBackground result;
    result.pictureUri = background.Text("picture-uri");
    result.pictureUriDark = background.Text("picture-uri-dark");
    result.pictureOptions = background.Text("picture-options");
    result.primaryColour = background.Text("primary-color");
    SchemaSettings desktopInterface(kInterfaceSchema);
    result.preferDark = desktopInterface && desktopInterface.Text("color-scheme") == "prefer-dark";
    return result;
}

}  // namespace korv::platform
