#include "scenario/desktop_picture.h"

#include "saver/data_files.h"

namespace korv {

void LoadDesktopPicture(VisualObject& object) {
    if (object.isText || (object.mode != PictureDesktop && object.mode != PictureWallpaper)) return;
    DesktopPicturePaths paths = CurrentDesktopPicturePaths();
    const std::string& path = object.mode == PictureDesktop ? paths.desktop : paths.wallpaper;
    std::vector<uint8_t> bytes;
    if (path.empty() || !ReadWholeFile(path, bytes)) return;
    object.data = std::move(bytes);
    object.fileName = path.substr(path.find_last_of('/') + 1);
    object.mode = PictureEmbedded;
    ScenePictureServices services = CurrentScenePictureServices();
    int32_t width = 0, height = 0;
    if (services.measurePicture && services.measurePicture(object.data, width, height)) {
        object.naturalWidth = width;
        object.naturalHeight = height;
    }
}

}  // namespace korv
