#pragma once
// The desktop capture and wallpaper picture files that pictures of modes 2
// and 3 show (written by the saver at start-up).

#include <functional>
#include <string>

namespace korv {

struct DesktopPicturePaths {
    std::string desktop;
    std::string wallpaper;
    // The files may still be being written when the scene starts: returns
    // once they are. Nothing to wait for when empty.
    std::function<void()> waitUntilWritten;
};

}  // namespace korv
