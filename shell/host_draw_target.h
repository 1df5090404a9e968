#pragma once
// The switches with which X screen-saver hosts (xscreensaver,
// xfce4-screensaver, mate-screensaver) run a saver program: "-root" draws
// over the whole screen, "-window-id ID" into the X window ID (decimal, or
// hexadecimal with "0x"); each with one dash or two. The host's
// XSCREENSAVER_WINDOW variable names the window to draw into and comes
// before both switches. Any other argument is left alone, so options meant
// for other savers ("-install", "-visual default", "-fps") do no harm.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korv {

inline constexpr const char* kHostWindowVariable = "XSCREENSAVER_WINDOW";

struct HostDrawTarget {
    bool screenRoot = false;  // the screen's root window
    uintptr_t window = 0;     // otherwise this X window
};

// Where the host wants the saver drawn; `hostWindowVariable` is the value of
// XSCREENSAVER_WINDOW (empty when unset). A set variable decides alone; then
// "-window-id" comes before "-root". Nothing when no switch is given, or the
// window id that decides is missing, not a number or zero.
std::optional<HostDrawTarget> ParseHostDrawTarget(const std::vector<std::string>& arguments,
                                                  const std::string& hostWindowVariable);

}  // namespace korv
