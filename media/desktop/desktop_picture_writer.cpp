#include "media/desktop/desktop_picture_writer.h"

#include <memory>
#include <new>
#include <system_error>

#include "media/image/bmp_writer.h"

namespace korv {

void DesktopPictureWriter::Start(const std::string& desktopPath, const std::string& wallpaperPath,
                                 const DesktopSettingsSources& sources) {
    Wait();
    struct Job {
        platform::Surface desktop;
        WallpaperRequest wallpaper;
        std::string desktopPath;
        std::string wallpaperPath;

        void Run() const {
            try {
                if (!desktop.Empty()) WriteBmp(desktopPath, desktop);
            } catch (const std::bad_alloc&) {
            }
            MakeWallpaperImage(wallpaperPath, wallpaper);
        }
    };
    auto job = std::make_shared<Job>(
        Job{CaptureDesktopPicture(), ReadWallpaperRequest(sources, DesktopScreenSize()), desktopPath, wallpaperPath});
    std::lock_guard lock(mutex_);
    try {
        writer_ = std::thread([job] { job->Run(); });
    } catch (const std::system_error&) {
        job->Run();  // no thread to be had: write them here
    }
}

void DesktopPictureWriter::Wait() {
    std::lock_guard lock(mutex_);
    if (writer_.joinable()) writer_.join();
}

}  // namespace korv
