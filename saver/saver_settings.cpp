#include "saver/saver_settings.h"

#include <algorithm>
#include <cctype>

#include "resources/string_table.h"

namespace korv {

std::string ProductKey() { return "Software\\" + LoadString(IDS_REGISTRY_KEY); }

std::string SaverSettingsKey(const std::string& appName) {
    return ProductKey() + "\\" + appName + "\\" + LoadString(IDS_SETTINGS_SECTION);
}

SaverSettings::SaverSettings(platform::SettingsStore store, std::string appName)
    : store_(std::move(store)), appName_(std::move(appName)), key_(SaverSettingsKey(appName_)) {}

int32_t SaverSettings::ReadInt(const std::string& name, int32_t defaultValue) const {
    auto value = store_.ReadNumber(key_, name);
    return value ? static_cast<int32_t>(*value) : defaultValue;
}

std::string SaverSettings::ReadString(const std::string& name, const std::string& defaultValue) const {
    auto value = store_.ReadString(key_, name);
    return value ? *value : defaultValue;
}

bool SaverSettings::WriteInt(const std::string& name, int32_t value) {
    return store_.WriteNumber(key_, name, static_cast<uint32_t>(value));
}

bool SaverSettings::WriteString(const std::string& name, const std::string& value) {
    return store_.WriteString(key_, name, value);
}

int32_t SaverSettings::ReadInt(Setting setting) const {
    const SettingDefinition& definition = DefinitionOf(setting);
    return ReadInt(definition.name, definition.numberDefault);
}

std::string SaverSettings::ReadString(Setting setting) const {
    const SettingDefinition& definition = DefinitionOf(setting);
    return ReadString(definition.name, definition.textDefault);
}

std::string SaverSettings::ReadString(Setting setting, const std::string& defaultValue) const {
    return ReadString(DefinitionOf(setting).name, defaultValue);
}

bool SaverSettings::WriteInt(Setting setting, int32_t value) { return WriteInt(DefinitionOf(setting).name, value); }

bool SaverSettings::WriteString(Setting setting, const std::string& value) {
    return WriteString(DefinitionOf(setting).name, value);
}

namespace {

// Literal value names (the others come from the string table).
constexpr const char* kUseAuthValue = "UseAuth";
constexpr const char* kUsernameValue = "Username";
constexpr const char* kPasswordValue = "Password";
constexpr const char* kSaverTimesValue = "Times";

SettingDefinition Number(const std::string& name, int32_t defaultValue) { return {name, false, defaultValue, {}, {}}; }
SettingDefinition Text(const std::string& name, const std::string& payloadField = {}) {
    return {name, true, 0, {}, payloadField};
}

}  // namespace

const std::vector<SettingDefinition>& SaverSettingDefinitions() {
    // In the order of Setting.
    static const std::vector<SettingDefinition> table = {
        Number(LoadString(IDS_STANDARD), 1),
        Number(LoadString(IDS_MOUSE_MOVE), 0),
        Number(LoadString(IDS_BUTTON_DOWN), 0),
        Number(LoadString(IDS_DOUBLE_CLICK), 0),
        Number(LoadString(IDS_KEY_DOWN), 0),
        Number(LoadString(IDS_ESCAPE), 0),
        Number(LoadString(IDS_MUTE), 0),
        Number(LoadString(IDS_UPDATE_STATUS), 0),
        Number(LoadString(IDS_PROXY_STATUS), 1),
        Text(LoadString(IDS_PROXY_ADDRESS)),
        Number(LoadString(IDS_PROXY_PORT), 0),
        Text(LoadString(IDS_REMOTE_SITE), "siteUrl"),
        Number(LoadString(IDS_LAST_UPDATE), 0),
        Number(LoadString(IDS_INTERVAL_TIME), 0),
        Number(LoadString(IDS_INTERVAL_TYPE), -1),
        Number(LoadString(IDS_SESSION_STATUS), 0),
        Text(LoadString(IDS_REDIRECT_VALUE)),
        Number(kUseAuthValue, 0),
        Text(kUsernameValue, "username"),
        Text(kPasswordValue, "password"),
        Number(kSaverTimesValue, 0),
    };
    return table;
}

const SettingDefinition& DefinitionOf(Setting setting) {
    return SaverSettingDefinitions()[static_cast<size_t>(setting)];
}

const std::vector<SettingDefinition>& MachineSettingDefinitions() {
    static const std::vector<SettingDefinition> table = {
        Text(LoadString(IDS_SYSINFO)),
        Number(LoadString(IDS_TIMES), 0),
    };
    return table;
}

const SettingDefinition* FindSettingDefinition(const std::vector<SettingDefinition>& table, const std::string& name) {
    auto same = [&](const SettingDefinition& definition) {
        return std::equal(definition.name.begin(), definition.name.end(), name.begin(), name.end(),
                          [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) ==
                                                      std::tolower(static_cast<unsigned char>(b)); });
    };
    auto it = std::find_if(table.begin(), table.end(), same);
    return it == table.end() ? nullptr : &*it;
}

}  // namespace korv
