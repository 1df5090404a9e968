#include "shell/browser.h"

#include "platform/process.h"
#include "platform/web_browser.h"
#include "shell/file_helpers.h"

namespace korv {

std::string GetBrowserFromDefaultVerb() { return platform::BrowserFromEnvironment(); }

std::string GetBrowserFromOpenCommand() { return platform::BrowserFromDesktopDefault(); }

std::string GetBrowserPath() {
    std::string browser = GetBrowserFromDefaultVerb();
    if (!browser.empty() && FileExists(browser)) return browser;
    return GetBrowserFromOpenCommand();
}

bool OpenUrl(const std::string& address) {
    std::string browser = GetBrowserFromDefaultVerb();
    if (!browser.empty() && platform::StartProgram(browser, {address})) return false;
    browser = GetBrowserFromOpenCommand();
    if (!browser.empty() && platform::StartProgram(browser, {address})) return false;
    return !platform::OpenWithDesktopHandler(address);
}

}  // namespace korv
