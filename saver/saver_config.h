#pragma once
// The saver's configuration as start-up reads it from the payload and the
// settings: its site, credentials, proxy, player type and update interval.
// The window and each update get it as a value, and the downloader's options
// are made from it. Only a move to another site and an interval sent by the
// server change it while the saver runs; the application keeps the current
// one, and an update started after the change works with the new one.

#include <cstdint>
#include <string>

#include "saver/program_file.h"
#include "saver/saver_settings.h"

namespace korv {

struct SaverConfig {
    // From the settings.
    int32_t proxyStatus = 0;  // 0 none, 1 the system's, 2 proxyHostPort
    std::string proxyHostPort;
    int32_t updateStatus = 0;  // non-zero: updates are off
    // From the payload, refined by the settings.
    int32_t playerType = 0;
    int32_t alwaysCheck = 0;
    int32_t intervalUnit = 0;
    int32_t intervalCount = 0;
    int32_t refreshMinutes = 0;
    std::string siteUrl;        // RemoteSite when set, else the payload's address
    std::string siteUrlAtLoad;  // the address start-up read
    std::string sourceName;
    int32_t useAuth = 0;
    std::string username;
    std::string password;
    uint8_t settingsDisabled = 0;
    // The program file's name, which names its store.
    std::string saverName;
    // A transfer that moves less than a byte a second for this long fails.
    int stallSeconds = 60;
};

// The proxy choice and the update switch; logs the proxy in use.
void ReadConnectionSettings(const SaverSettings& settings, SaverConfig& config);

// The payload's fields and the credentials: the stored ones when "UseAuth"
// is set, else the payload's, which ask for authorization when they carry a
// user name.
void ReadPayloadConfig(const Payload& payload, const SaverSettings& settings, SaverConfig& config);

}  // namespace korv
