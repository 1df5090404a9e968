#include "shell/command_line.h"

#include <cctype>

namespace korv {

std::string HostSwitchName(const std::string& argument) {
    std::string name;
    if (argument.rfind("--", 0) == 0)
        name = argument.substr(2);
    else if (argument.rfind("-", 0) == 0)
        name = argument.substr(1);
    return name == "root" || name == "window-id" ? name : std::string();
}

bool HasHostSwitch(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (!HostSwitchName(argument).empty()) return true;
    }
    return false;
}

SaverMode ParseSaverMode(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return SaverMode::Settings;
    if (HasHostSwitch(arguments)) return SaverMode::Hosted;
    std::string head = arguments[0].substr(0, 2);
    if (!head.empty() && (head[0] == '-' || head[0] == '/')) head.erase(0, 1);
    if (head.size() != 1) return SaverMode::Unknown;
    switch (std::tolower(static_cast<unsigned char>(head[0]))) {
        case 'c': return SaverMode::SettingsOwned;
        case 'p': return SaverMode::Preview;
        case 's': return SaverMode::FullScreen;
        case 'a': return SaverMode::ChangePassword;
        default: return SaverMode::Unknown;
    }
}

std::optional<uintptr_t> ParseWindowHandle(const std::string& text) {
    size_t at = 0;
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        at = 2;
    }
    if (at >= text.size()) return std::nullopt;
    uintptr_t value = 0;
    for (; at < text.size(); ++at) {
        int c = std::tolower(static_cast<unsigned char>(text[at]));
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else
            return std::nullopt;
        if (value > (UINTPTR_MAX - digit) / base) return std::nullopt;
        value = value * base + digit;
    }
    if (value == 0) return std::nullopt;
    return value;
}

}  // namespace korv
