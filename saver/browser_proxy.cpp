#include "saver/browser_proxy.h"

#include <climits>

#include "platform/internet_settings.h"

namespace korv {

namespace {

constexpr int kDefaultProxyPort = 80;

// The number at the start of `text` as atoi reads it (leading blanks, a
// sign, digits), but held within the range of int.
int LeadingNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) {
            value = INT_MAX;
            break;
        }
    }
    return static_cast<int>(negative ? -value : value);
}

}  // namespace

bool ParseProxyText(const std::string& text, bool forHttp, std::string& host, int& port) {
    std::string proxy = text;
    const char* protocolKey = forHttp ? "http=" : "ftp=";
    size_t key = proxy.find(protocolKey);
    if (key != std::string::npos) proxy.erase(0, key + std::char_traits<char>::length(protocolKey));

    size_t semicolon = proxy.find(';');
    if (semicolon != std::string::npos) proxy.erase(semicolon);

    // The colon of an IPv6 address is not the port's.
    size_t searchFrom = 0;
    if (!proxy.empty() && proxy[0] == '[') {
        size_t close = proxy.find(']');
        if (close != std::string::npos) searchFrom = close + 1;
    }
    size_t colon = proxy.find(':', searchFrom);
    if (colon == std::string::npos) {
        host = proxy;
        port = kDefaultProxyPort;
    } else {
        host = proxy.substr(0, colon);
        port = LeadingNumber(proxy.substr(colon + 1));
    }
    return !host.empty();
}

bool GetBrowserProxy(std::string& host, int& port, bool forHttp) {
    std::optional<platform::BrowserProxySettings> settings = platform::ReadBrowserProxySettings();
    if (!settings || !settings->enabled) return false;
    return ParseProxyText(settings->proxyServer, forHttp, host, port);
}

}  // namespace korv
