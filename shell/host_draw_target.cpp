#include "shell/host_draw_target.h"

#include "shell/command_line.h"

namespace korv {

std::optional<HostDrawTarget> ParseHostDrawTarget(const std::vector<std::string>& arguments,
                                                  const std::string& hostWindowVariable) {
    if (!HasHostSwitch(arguments)) return std::nullopt;
    std::optional<uintptr_t> window;
    if (!hostWindowVariable.empty()) {
        window = ParseWindowHandle(hostWindowVariable);
        if (!window) return std::nullopt;
        return HostDrawTarget{false, *window};
    }
    bool root = false;
    for (size_t at = 0; at < arguments.size(); ++at) {
        const std::string name = HostSwitchName(arguments[at]);
        if (name == "root") root = true;
        if (name != "window-id") continue;
        if (at + 1 >= arguments.size()) return std::nullopt;
        window = ParseWindowHandle(arguments[at + 1]);
        if (!window) return std::nullopt;
        ++at;
    }
    if (window) return HostDrawTarget{false, *window};
    return HostDrawTarget{root, 0};
}

}  // namespace korv
