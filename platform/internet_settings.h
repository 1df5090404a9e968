#pragma once
// The proxy the user's browser uses, as the rest of the system expects it:
// whether a proxy is on, and a proxy text that is either one "host:port" for
// every protocol or a list of "protocol=host:port" entries separated by ';'.

#include <optional>
#include <string>

namespace korv::platform {

struct BrowserProxySettings {
    bool enabled = false;
    std::string proxyServer;
};

// The browser's proxy settings; nothing when they cannot be read.
//
// On Linux they come from the environment: http_proxy (or HTTP_PROXY) and
// ftp_proxy (or FTP_PROXY). With only the HTTP proxy set the text is its
// "host:port", used for every protocol; with both set and different it is
// "http=H:P;ftp=F:Q"; with only the FTP proxy set it is "http=;ftp=F:Q", so
// that HTTP finds an empty proxy host. With neither set the proxy is off.
std::optional<BrowserProxySettings> ReadBrowserProxySettings();

// Reduces a proxy URL such as "http://user:pw@host:3128/" to its "host:port"
// (or "host" when it names no port). A bracketed IPv6 address is kept whole.
std::string ProxyAddressFromUrl(const std::string& url);

}  // namespace korv::platform
