#include "saver/saver_config.h"

#include "resources/string_table.h"
#include "saver/log.h"

namespace korv {

void ReadConnectionSettings(const SaverSettings& settings, SaverConfig& config) {
    config.proxyStatus = settings.ReadInt(LoadString(IDS_PROXY_STATUS), 1);
    if (config.proxyStatus != 0) {
        std::string address = settings.ReadString(LoadString(IDS_PROXY_ADDRESS), "");
        int32_t port = settings.ReadInt(LoadString(IDS_PROXY_PORT), 0);
        config.proxyHostPort = FormatText("%s:%d", address.c_str(), port);
        AppLog("Proxy aktivan");
        AppLog(config.proxyHostPort);
    } else {
        AppLog("Proxy neaktivan");
    }
    config.updateStatus = settings.ReadInt(LoadString(IDS_UPDATE_STATUS), 0);
}

void ReadPayloadConfig(const Payload& payload, const SaverSettings& settings, SaverConfig& config) {
    config.playerType = payload.record.playerType;
    config.alwaysCheck = payload.record.alwaysCheck;
    config.intervalUnit = payload.record.intervalUnit;
    config.intervalCount = payload.record.intervalCount;
    config.refreshMinutes = payload.refreshMinutes;
    config.siteUrl = payload.siteUrl;
    config.sourceName = payload.record.sourceName;
    config.username = payload.record.username;
    config.password = payload.record.password;
    config.settingsDisabled = payload.settingsDisabled;
    config.siteUrlAtLoad = payload.siteUrlAtLoad;

    config.useAuth = settings.ReadInt(kUseAuthValue, config.useAuth);
    if (config.useAuth != 0) {
        config.username = settings.ReadString(kUsernameValue, config.username);
        config.password = settings.ReadString(kPasswordValue, config.password);
    } else {
        // Without a stored choice, a payload that carries a user name means
        // the site wants credentials.
        config.useAuth = config.username.empty() ? 0 : 1;
    }
}

}  // namespace korv
