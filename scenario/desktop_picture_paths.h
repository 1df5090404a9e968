#pragma once
// The desktop capture and wallpaper picture files that pictures of modes 2
// and 3 show (written by the saver at start-up).

#include <string>

namespace korv {

struct DesktopPicturePaths {
    std::string desktop;
    std::string wallpaper;
};

}  // namespace korv
