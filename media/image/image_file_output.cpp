#include "media/image/image_file_output.h"

#include "media/image/image_error.h"

namespace korv {

bool CheckPictureToWrite(const PixelBuffer& pixels) {
    if (pixels.Empty() || pixels.bytes.size() != static_cast<size_t>(pixels.width) * pixels.height * 3) {
        SetImageError(ImageBadParam);
        return false;
    }
    return true;
}

bool WriteImageFile(const std::string& path, const std::function<bool(std::FILE*)>& write) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        SetImageError(ImageFileOpen);
        return false;
    }
    bool written = write(file);
    if (std::fclose(file) != 0) written = false;
    if (!written) {
        std::remove(path.c_str());
        SetImageError(ImageFileWrite);
    }
    return written;
}

}  // namespace korv
