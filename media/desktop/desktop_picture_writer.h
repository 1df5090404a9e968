#pragma once
// The desktop and wallpaper pictures a scenario may show, made at start-up
// without holding up the first frame: the screen is captured at once (before
// the saver's window covers it), and the two files are encoded and written
// on a thread of their own while the saver starts. Whoever reads the files
// waits for them first.

#include <mutex>
#include <string>
#include <thread>

#include "media/desktop/desktop_pictures.h"

namespace korv {

class DesktopPictureWriter {
public:
    DesktopPictureWriter() = default;
    // Waits for the files (the writing is bounded by its own work).
    ~DesktopPictureWriter() { Wait(); }
    DesktopPictureWriter(const DesktopPictureWriter&) = delete;
    DesktopPictureWriter& operator=(const DesktopPictureWriter&) = delete;

    // Captures the screen and reads the wallpaper settings here, then
    // writes `desktopPath` (BMP) and `wallpaperPath` in the background.
    void Start(const std::string& desktopPath, const std::string& wallpaperPath, const DesktopSettingsSources& sources);
    // Returns once both files are written (or failed); at once when nothing
    // was started. Any thread.
    void Wait();

private:
    std::mutex mutex_;
    std::thread writer_;
};

}  // namespace korv
