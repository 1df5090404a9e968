#pragma once
// The desktop as the user sees it, for scenarios that show it as a backdrop:
// a capture of the screen, and the user's wallpaper laid out at screen size
// over the desktop colour the way the desktop lays it out.
//
// The wallpaper setting comes from the settings store's "Control Panel\Desktop"
// values when they are there, and otherwise from GNOME's background settings.

#include <functional>
#include <optional>
#include <string>

#include "media/image/picture.h"
#include "platform/desktop_background.h"
#include "platform/geometry.h"
#include "platform/settings_store.h"
#include "platform/surface.h"

namespace korv {

enum WallpaperStyle : int {
    WallpaperCentred = 0,
    WallpaperTiled = 1,
    WallpaperStretched = 2,
};

struct WallpaperSetting {
    std::string path;  // empty: no picture, only the background colour
    int style = WallpaperCentred;
    bool operator==(const WallpaperSetting&) const = default;
};

inline constexpr const char* kDesktopKey = "Control Panel\\Desktop";
inline constexpr const char* kColoursKey = "Control Panel\\Colors";
// The desktop colour when no setting names one.
inline constexpr platform::Colour kDefaultDesktopColour = platform::Rgb(58, 110, 165);
inline constexpr const char* kWallpaperMemoryMessage =
    "Memory allocation problem during making of actual wallpaper image";

// Where the desktop settings are read from.
struct DesktopSettingsSources {
    const platform::SettingsStore* store = nullptr;  // null: nothing from the store
    std::function<std::optional<platform::GnomeBackground>()> gnome = platform::ReadGnomeBackground;
};

// The wallpaper's path and style. From the store when it has a "Wallpaper"
// value: "WallpaperStyle" 2 stretches, "TileWallpaper" 1 tiles (and wins),
// and a missing "WallpaperStyle" means no picture. Otherwise from GNOME.
WallpaperSetting ReadWallpaperSetting(const DesktopSettingsSources& sources);

// The store's "Control Panel\Colors" "Background" ("R G B"), else GNOME's
// primary colour, else kDefaultDesktopColour.
platform::Colour ReadDesktopColour(const DesktopSettingsSources& sources);

// GNOME's settings as a wallpaper setting: the dark picture when the dark
// scheme is preferred and one is set; "none" gives no picture.
WallpaperSetting WallpaperFromGnome(const platform::GnomeBackground& background);

// The local path of a file:// URI, percent-decoded; empty for any other URI,
// a remote host or a malformed escape.
std::string PathFromFileUri(const std::string& uri);

// GNOME's picture-options as a style: "wallpaper" tiles, "centered" centres,
// anything else (stretched, zoom, scaled, spanned, unknown) stretches.
// Nothing for "none".
std::optional<int> StyleFromPictureOptions(const std::string& options);

// "#rgb", "#rrggbb", "#rrrrggggbbbb" or three decimal numbers "R G B".
std::optional<platform::Colour> ParseDesktopColour(const std::string& text);

// The primary screen's size; 1024 × 768 when nothing is known.
Size DesktopScreenSize();

// The root window of the display; a screen-sized black picture when there
// is no display to read.
platform::Surface CaptureDesktopPicture();
// Writes CaptureDesktopPicture() as a 24-bit BMP. Failures are not
// reported; the result is always true.
bool CaptureDesktop(const std::string& fileName);

// `picture` laid out on a screen of size `screen`: centred over `background`
// (a larger picture cut evenly on both sides), tiled from the top-left
// corner, or stretched over the whole screen. When the picture cannot be made
// ready for drawing (an empty picture, sizes beyond the image layer's
// bounds, no memory) shows kWallpaperMemoryMessage and gives nothing.
std::optional<platform::Surface> LayOutWallpaper(const platform::Surface& picture, int style, Size screen,
                                                 platform::Colour background);

// A screen-sized picture of `colour` as a progressive JPEG of quality 100.
bool WritePlainBackground(const std::string& fileName, Size screen, platform::Colour colour);

struct WallpaperImageResult {
    bool written = false;  // the file was written
    int style = WallpaperCentred;
};

// Writes the user's wallpaper as the desktop shows it: a 24-bit BMP of the
// laid-out BMP or JPEG picture, or the plain background (WritePlainBackground)
// when there is no picture, its extension is HTML, HTM or GIF, or it is not
// a readable BMP or JPEG.
WallpaperImageResult MakeWallpaperImage(const std::string& fileName, const DesktopSettingsSources& sources,
                                        Size screen);

// What MakeWallpaperImage reads from the settings, read ahead so that the
// picture can be made on another thread.
struct WallpaperRequest {
    WallpaperSetting setting;
    platform::Colour background;
    Size screen;
};
WallpaperRequest ReadWallpaperRequest(const DesktopSettingsSources& sources, Size screen);
WallpaperImageResult MakeWallpaperImage(const std::string& fileName, const WallpaperRequest& request);
WallpaperImageResult MakeWallpaperImage(const std::string& fileName, const DesktopSettingsSources& sources);

}  // namespace korv
