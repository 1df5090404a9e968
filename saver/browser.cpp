#include "saver/browser.h"

#include <cctype>
#include <string>

#include "platform/process.h"
#include "platform/web_browser.h"
#include "saver/data_files.h"

namespace korv {

std::string GetBrowserFromDefaultVerb() { return platform::BrowserFromEnvironment(); }

std::string GetBrowserFromOpenCommand() { return platform::BrowserFromDesktopDefault(); }

std::string GetBrowserPath() {
    std::string browser = GetBrowserFromDefaultVerb();
    if (!browser.empty() && FileExists(browser)) return browser;
    return GetBrowserFromOpenCommand();
}

bool IsWebAddress(const std::string& address) {
    auto startsWith = [&](const char* prefix) {
        size_t length = std::char_traits<char>::length(prefix);
        if (address.size() < length) return false;
        for (size_t i = 0; i < length; ++i)
            if (std::tolower(static_cast<unsigned char>(address[i])) != prefix[i]) return false;
        return true;
    };
    size_t hostStart = startsWith("http://") ? 7 : startsWith("https://") ? 8 : 0;
    if (hostStart == 0) return false;
    if (hostStart == address.size() || address[hostStart] == '/' || address[hostStart] == '?' ||
        address[hostStart] == '#')
        return false;
    for (unsigned char c : address)
        if (c < 0x20 || c == 0x7f) return false;
    return true;
}

bool OpenUrl(const std::string& address) {
    if (!IsWebAddress(address)) return true;
    std::string browser = GetBrowserFromDefaultVerb();
    if (!browser.empty() && platform::StartProgram(browser, {address})) return false;
    browser = GetBrowserFromOpenCommand();
    if (!browser.empty() && platform::StartProgram(browser, {address})) return false;
    return !platform::OpenWithDesktopHandler(address);
}

}  // namespace korv
