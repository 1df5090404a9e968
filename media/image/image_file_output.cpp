#include "media/image/image_file_output.h"

#include "media/image/image_error.h"
#include "platform/atomic_file.h"

namespace korv {

bool CheckPictureToWrite(const platform::Surface& pixels) {
    if (pixels.Empty()) {
        SetImageError(ImageBadParam);
        return false;
    }
    return true;
}

bool WriteImageFile(const std::string& path, const std::function<bool(std::FILE*)>& write) {
    // Pictures are often the user's own screen: written private, and whole
    // or not at all.
    bool opened = false;
    bool written = platform::WriteFileReplacing(path, [&](std::FILE* file) {
        opened = true;
        return write(file);
    });
    if (!written) SetImageError(opened ? ImageFileWrite : ImageFileOpen);
    return written;
}

}  // namespace korv
