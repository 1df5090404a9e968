#pragma once
// The screen-saver switches. Only the first argument counts: its first two
// characters are taken, a leading '-' or '/' is dropped, and the rest is
// compared without regard to case with "c", "p", "s" and "a". So "/s", "-S",
// "s", "/sx" and "/c:1234" are recognised; "sx" is not.

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
    Unknown,           // anything else: end at once
};

// `arguments` are the program's arguments without the program name.
SaverMode ParseSaverMode(const std::vector<std::string>& arguments);

// The host window of the preview: a decimal handle, or hexadecimal with
// "0x". Nothing when the text is missing, not a number, zero or too large.
std::optional<uintptr_t> ParseWindowHandle(const std::string& text);

}  // namespace korv
