#pragma once
// Access to a saver's settings: the values of section "Settings" under
// "Software\Halcyra\Screen Saver\<appName>", each read with the default of
// the settings table (or an explicit one) and written at once; and the
// machine-wide values directly under "Software\Halcyra\Screen Saver".

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/settings_store.h"

namespace korv {

// The per-saver values, in the order of the settings table.
enum class Setting : int {
    Standard,       // the standard exit rules: any input ends the saver
    MouseMove,
    ButtonDown,
    DoubleClick,
    KeyDown,
    Escape,
    Mute,
    UpdateStatus,   // non-zero: updates are off
    ProxyStatus,
    ProxyAddress,
    ProxyPort,
    RemoteSite,     // the site the saver moved to
    LastUpdate,     // seconds since 1970, 32 bits
    IntervalTime,   // the interval the server sent ...
    IntervalType,   // ... and its unit
    SessionStatus,  // 1: no further updates in this run
    RedirectValue,
    UseAuth,
    Username,
    Password,
    Times,          // the speed figure
};

std::string ProductKey();                               // "Software\Halcyra\Screen Saver"
std::string SaverSettingsKey(const std::string& appName);  // ProductKey() + "\<appName>\Settings"

class SaverSettings {
public:
    SaverSettings(platform::SettingsStore store, std::string appName);

    int32_t ReadInt(const std::string& name, int32_t defaultValue) const;
    std::string ReadString(const std::string& name, const std::string& defaultValue) const;
    // Write failures are ignored by the callers, as registry write failures are.
    bool WriteInt(const std::string& name, int32_t value);
    bool WriteString(const std::string& name, const std::string& value);

    // The same by the settings table: its name, and its default when none
    // is given (a value whose default is a payload field gets that field's
    // value as `defaultValue`).
    int32_t ReadInt(Setting setting) const;
    std::string ReadString(Setting setting) const;
    std::string ReadString(Setting setting, const std::string& defaultValue) const;
    bool WriteInt(Setting setting, int32_t value);
    bool WriteString(Setting setting, const std::string& value);

    const std::string& AppName() const { return appName_; }
    const std::string& Key() const { return key_; }
    platform::SettingsStore& Store() { return store_; }
    const platform::SettingsStore& Store() const { return store_; }

private:
    platform::SettingsStore store_;
    std::string appName_;
    std::string key_;
};

// One per-saver value: its name, type and default. Values whose default is
// a payload field name it in `payloadDefault` ("siteUrl", "username",
// "password"); their `textDefault` is then only a fallback.
struct SettingDefinition {
    std::string name;
    bool isText = false;
    int32_t numberDefault = 0;
    std::string textDefault;
    std::string payloadDefault;
};

// Every per-saver value, in the order of the settings table.
const std::vector<SettingDefinition>& SaverSettingDefinitions();
const SettingDefinition& DefinitionOf(Setting setting);
// The machine-wide values (SysInfo text, Times number).
const std::vector<SettingDefinition>& MachineSettingDefinitions();
const SettingDefinition* FindSettingDefinition(const std::vector<SettingDefinition>& table, const std::string& name);

}  // namespace korv
