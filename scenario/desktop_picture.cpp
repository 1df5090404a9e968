#include "scenario/desktop_picture.h"

#include "saver/data_files.h"
#include "scenario/scene_context.h"
#include "scenario/visual_object.h"

namespace korv {

void LoadDesktopPicture(VisualObject& object, SceneContext& context) {
    if (object.isText || (object.mode != PictureDesktop && object.mode != PictureWallpaper)) return;
    const DesktopPicturePaths& paths = context.DesktopPictures();
    const std::string& path = object.mode == PictureDesktop ? paths.desktop : paths.wallpaper;
    if (paths.waitUntilWritten) paths.waitUntilWritten();
    std::vector<uint8_t> bytes;
    if (path.empty() || !ReadWholeFile(path, bytes)) return;
    object.data = std::move(bytes);
    object.fileName = path.substr(path.find_last_of('/') + 1);
    object.mode = PictureEmbedded;
    if (std::optional<Size> size = context.Pictures().MeasurePicture(object.data)) {
        object.naturalWidth = size->width;
        object.naturalHeight = size->height;
    }
}

}  // namespace korv
