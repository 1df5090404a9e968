#include "saver/saver_config.h"

#include "saver/log.h"

namespace korv {

void ReadConnectionSettings(const SaverSettings& settings, SaverConfig& config) {
    config.proxyStatus = settings.ReadInt(Setting::ProxyStatus);
    if (config.proxyStatus != 0) {
        std::string address = settings.ReadString(Setting::ProxyAddress);
        int32_t port = settings.ReadInt(Setting::ProxyPort);
        config.proxyHostPort = FormatText("%s:%d", address.c_str(), port);
        AppLog("Proxy aktivan");
        AppLog(config.proxyHostPort);
    } else {
        AppLog("Proxy neaktivan");
    }
    config.updateStatus = settings.ReadInt(Setting::UpdateStatus);
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

    config.useAuth = settings.ReadInt(Setting::UseAuth);
    if (config.useAuth != 0) {
        config.username = settings.ReadString(Setting::Username, config.username);
        config.password = settings.ReadString(Setting::Password, config.password);
    } else {
        // Without a stored choice, a payload that carries a user name means
        // the site wants credentials.
        config.useAuth = config.username.empty() ? 0 : 1;
    }
}

}  // namespace korv
