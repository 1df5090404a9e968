#include "media/image/image_source.h"

#include <optional>

#include "media/image/image_error.h"
#include "platform/file.h"

namespace korv {

std::unique_ptr<ImageSource> ImageSource::OpenMemory(const uint8_t* data, size_t size) {
    if (!data || size == 0) {
        SetImageError(ImageBadParam);
        return nullptr;
    }
    std::unique_ptr<ImageSource> source(new ImageSource);
    source->bytes_ = {data, size};
    return source;
}

std::unique_ptr<ImageSource> ImageSource::OpenFile(const std::string& path) {
    std::optional<std::vector<uint8_t>> bytes;
    if (!path.empty()) bytes = platform::ReadFileBytes(path, kMaxImageFileSize);
    if (!bytes) {
        SetImageError(ImageFileOpen);
        return nullptr;
    }
    std::unique_ptr<ImageSource> source(new ImageSource);
    source->owned_ = std::move(*bytes);
    source->bytes_ = source->owned_;
    source->fromFile_ = true;
    source->fileName_ = path;
    return source;
}

}  // namespace korv
