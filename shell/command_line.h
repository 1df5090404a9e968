#pragma once
// The screen-saver switches. Only the first argument counts: its first two
// characters are taken, a leading '-' or '/' is dropped, and the rest is
// compared without regard to case with "c", "p", "s" and "a". So "/s", "-S",
// "s", "/sx" and "/c:1234" are recognised; "sx" is not. The switches of X
// screen-saver hosts ("-root", "-window-id", see host_draw_target.h) come
// first, wherever they stand.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korv {

enum class SaverMode {
    Settings,          // no argument: settings dialog without an owner
    SettingsOwned,     // "c": settings dialog owned by the foreground window
    Preview,           // "p HANDLE": preview inside the host's window
    FullScreen,        // "s"
    ChangePassword,    // "a"
    Hosted,            // "-root" or "-window-id ID": inside an X screen-saver host's window
    Unknown,           // anything else: end at once
};

// The name of an X screen-saver host's switch without its one or two dashes
// ("root", "window-id"); empty for any other argument.
std::string HostSwitchName(const std::string& argument);
// Whether the arguments hold one of those switches.
bool HasHostSwitch(const std::vector<std::string>& arguments);

// `arguments` are the program's arguments without the program name.
SaverMode ParseSaverMode(const std::vector<std::string>& arguments);

// The host window of the preview: a decimal handle, or hexadecimal with
// "0x". Nothing when the text is missing, not a number, zero or too large.
std::optional<uintptr_t> ParseWindowHandle(const std::string& text);

}  // namespace korv
