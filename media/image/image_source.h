#pragma once
// An opened picture: the bytes of a memory block or of a named file (the
// file's name is kept for the extension test of format detection).

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace korv {

// Files larger than this are not read as pictures.
inline constexpr uint64_t kMaxImageFileSize = 512ull << 20;

class ImageSource {
public:
    // Null (error 5) for a null pointer or zero bytes.
    static std::unique_ptr<ImageSource> OpenMemory(const uint8_t* data, size_t size);
    // Null (error 2) when the file cannot be opened or read whole.
    static std::unique_ptr<ImageSource> OpenFile(const std::string& path);

    std::span<const uint8_t> Bytes() const { return bytes_; }
    size_t Size() const { return bytes_.size(); }
    bool FromFile() const { return fromFile_; }
    const std::string& FileName() const { return fileName_; }

private:
    ImageSource() = default;
    std::span<const uint8_t> bytes_;
    std::vector<uint8_t> owned_;
    bool fromFile_ = false;
    std::string fileName_;
};

}  // namespace korv
