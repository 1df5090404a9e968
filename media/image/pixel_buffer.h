#pragma once
// A decoded picture: 24 bits per pixel in the order red, green, blue; rows
// from top to bottom, packed with no padding (a row is width × 3 bytes).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace korv {

// No picture is decoded beyond this width or height, nor beyond this many
// pixels in all (8192 × 8192, far above any screen): a file that claims more
// is refused before anything is allocated for it.
inline constexpr int kMaxImageDimension = 16384;
inline constexpr int64_t kMaxImagePixels = int64_t{8192} * 8192;

struct PixelBuffer {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bytes;  // width × height × 3

    PixelBuffer() = default;
    PixelBuffer(int w, int h) : width(w), height(h), bytes(static_cast<size_t>(w) * static_cast<size_t>(h) * 3) {}
    uint8_t* Row(int y) { return bytes.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 3; }
    const uint8_t* Row(int y) const { return bytes.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 3; }
    bool Empty() const { return width == 0 || height == 0; }
};

// Whether a picture of this size may be decoded at all.
inline bool AcceptableImageSize(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageDimension && height <= kMaxImageDimension &&
           width * height <= kMaxImagePixels;
}

}  // namespace korv
