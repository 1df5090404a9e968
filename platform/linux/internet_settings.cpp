// The browser's proxy settings on Linux, taken from the proxy variables of
// the environment that browsers and download tools share.

#include "platform/internet_settings.h"

#include "platform/process.h"

namespace korv::platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsSchemeCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
           c == '.';
}

// The proxy address of the first variable that is set and not empty.
std::string ProxyFromEnvironment(const char* lowerName, const char* upperName) {
    for (const char* name : {lowerName, upperName}) {
        std::string value = GetEnv(name).value_or("");
        if (!value.empty()) return ProxyAddressFromUrl(value);
    }
    return {};
}

}  // namespace

std::string ProxyAddressFromUrl(const std::string& url) {
    size_t start = 0, end = url.size();
    while (start < end && IsBlank(url[start])) ++start;
    while (end > start && IsBlank(url[end - 1])) --end;
    std::string text = url.substr(start, end - start);

    size_t scheme = text.find("://");
    if (scheme != std::string::npos) {
        bool isScheme = scheme > 0;
        for (size_t i = 0; i < scheme && isScheme; ++i) isScheme = IsSchemeCharacter(text[i]);
        if (isScheme) text.erase(0, scheme + 3);
    }
    text = text.substr(0, text.find_first_of("/?#"));
    size_t at = text.rfind('@');
    if (at != std::string::npos) text.erase(0, at + 1);
    // "host:" names no port.
    if (!text.empty() && text.back() == ':') text.pop_back();
    return text;
}

std::optional<BrowserProxySettings> ReadBrowserProxySettings() {
    std::string http = ProxyFromEnvironment("http_proxy", "HTTP_PROXY");
    std::string ftp = ProxyFromEnvironment("ftp_proxy", "FTP_PROXY");

    BrowserProxySettings settings;
    if (http.empty() && ftp.empty()) return settings;
    settings.enabled = true;
    if (ftp.empty() || ftp == http)
        settings.proxyServer = http;
    else
        settings.proxyServer = "http=" + http + ";ftp=" + ftp;
    return settings;
}

}  // namespace korv::platform
