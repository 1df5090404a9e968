#include "update/fetch_options.h"

namespace korv {

FetchOptions FetchOptionsFor(const SaverConfig& config, std::string targetFolder) {
    FetchOptions options;
    options.useAuth = config.useAuth != 0;
    options.userName = config.username;
    options.password = config.password;
    options.proxyMode = config.proxyStatus;
    options.proxyHostPort = config.proxyHostPort;
    options.siteUrl = config.siteUrl;
    options.targetFolder = std::move(targetFolder);
    options.connectTimeoutSeconds = 15;
    options.lowSpeedSeconds = config.stallSeconds;
    return options;
}

}  // namespace korv
