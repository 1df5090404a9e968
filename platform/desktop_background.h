#pragma once
// What the desktop environment says about the desktop's background.

#include <optional>
#include <string>

namespace korv::platform {

// GNOME's background settings as stored: texts, empty when a key is absent.
struct GnomeBackground {
    std::string pictureUri;      // org.gnome.desktop.background picture-uri
    std::string pictureUriDark;  // picture-uri-dark (GNOME 42 and later)
    std::string pictureOptions;  // picture-options: none, wallpaper, centered, ...
    std::string primaryColour;   // primary-color, such as "#023c88"
    bool preferDark = false;     // org.gnome.desktop.interface color-scheme is "prefer-dark"
};

// Reads the schema org.gnome.desktop.background through GSettings; nothing
// when that schema is not installed.
std::optional<GnomeBackground> ReadGnomeBackground();

}  // namespace korv::platform
