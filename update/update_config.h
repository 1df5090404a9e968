#pragma once
// The update configuration file the site publishes beside its script page:
// how often to update and, from format 500 on, the site to move to.
//
//   <KORVConfig><UpdateData Version=500><Redirect>URL</Redirect>
//   <Update TimeType=1>6</Update></UpdateData></KORVConfig>

#include <cstdint>
#include <string>

namespace korv {

class SaverSettings;

struct UpdateConfigValues {
    int32_t formatVersion = 0;
    int32_t timeType = 0;       // 0 minutes, 1 hours, 2 days
    int32_t intervalCount = 0;
    bool hasRedirect = false;   // format 500 and above
    std::string redirect;       // empty above 500
};

// Parses the file's text; false when a required part is missing.
bool ParseUpdateConfig(const std::string& text, UpdateConfigValues& values);

// Reads the file at `path` and stores "IntervalTime", "IntervalType" and
// (from format 500) "RedirectValue", each only after the one before it was
// written. False when the file cannot be read or parsed, or a write fails;
// a file with a missing part leaves every stored value as it was.
bool ApplyUpdateConfig(const std::string& path, SaverSettings& settings);

}  // namespace korv
