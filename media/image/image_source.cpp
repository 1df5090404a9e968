#include "media/image/image_source.h"

#include <filesystem>
#include <fstream>

#include "media/image/image_error.h"

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
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) {
        SetImageError(ImageFileOpen);
        return nullptr;
    }
    uint64_t size = std::filesystem::file_size(path, error);
    std::ifstream in(path, std::ios::binary);
    if (error || !in || size > kMaxImageFileSize) {
        SetImageError(ImageFileOpen);
        return nullptr;
    }
    std::unique_ptr<ImageSource> source(new ImageSource);
    source->owned_.resize(static_cast<size_t>(size));
    if (!in.read(reinterpret_cast<char*>(source->owned_.data()), static_cast<std::streamsize>(size))) {
        SetImageError(ImageFileRead);
        return nullptr;
    }
    source->bytes_ = source->owned_;
    source->fromFile_ = true;
    source->fileName_ = path;
    return source;
}

}  // namespace korv
