#include "tools/setting_explanations.h"

#include <map>

namespace korv::tool {

std::string ExplainSetting(const std::string& name) {
    static const std::map<std::string, std::string> explanations{
        {"Standard", "1: any mouse move, button, double click or key ends the saver; 0: the five rules below"},
        {"MouseMove", "with Standard 0: a mouse move ends the saver"},
        {"ButtonDown", "with Standard 0: a mouse button ends the saver"},
        {"DoubleClick", "with Standard 0: a double click ends the saver"},
        {"KeyDown", "with Standard 0: any key ends the saver"},
        {"Escape", "with Standard 0: the Escape key ends the saver"},
        {"Mute", "not 0: sounds, music and videos play silently"},
        {"UpdateStatus", "not 0: the site is never checked for new content"},
        {"ProxyStatus", "0: no proxy; 1: the system's proxy settings; 2: ProxyAddress and ProxyPort"},
        {"ProxyAddress", "the proxy's host, with ProxyStatus 2"},
        {"ProxyPort", "the proxy's port, with ProxyStatus 2"},
        {"RemoteSite", "the address of the site that feeds this saver (the payload's until changed)"},
        {"LastUpdate", "when the site was last checked, in seconds since 1970 (0: never)"},
        {"IntervalTime", "the update interval the site asked for, in units of IntervalType"},
        {"IntervalType", "the unit of IntervalTime: 0 minutes, 1 hours, 2 days; anything else: none asked for"},
        {"SessionStatus", "1: no more downloads in this run (after a failed update)"},
        {"RedirectValue", "where the site sent the saver instead (from its update configuration)"},
        {"UseAuth", "1: send the user name and password to the site"},
        {"Username", "the user name for the site (the payload's until changed)"},
        {"Password", "the password for the site, stored as typed"},
        {"Times", "a figure mixed into the random choices of the scenario"},
        {"SysInfo", "the fingerprint of this machine that the speed figure belongs to"},
    };
    auto found = explanations.find(name);
    return found == explanations.end() ? std::string() : found->second;
}

}  // namespace korv::tool
