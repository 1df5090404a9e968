#include "platform/webkit/snapshot_pixels.h"

#include <algorithm>
#include <cstring>

namespace korv::platform::webkit {

namespace {

// A premultiplied pixel over white: each channel gains what the alpha
// leaves of the white below.
uint32_t OverWhite(uint32_t pixel) {
    uint32_t alpha = pixel >> 24;
    if (alpha == 255) return pixel & 0xFFFFFFu;
    uint32_t white = 255 - alpha;
    uint32_t r = std::min<uint32_t>(((pixel >> 16) & 0xFF) + white, 255);
    uint32_t g = std::min<uint32_t>(((pixel >> 8) & 0xFF) + white, 255);
    uint32_t b = std::min<uint32_t>((pixel & 0xFF) + white, 255);
    return (r << 16) | (g << 8) | b;
}

}  // namespace

bool ConvertSnapshotPixels(const uint8_t* data, int width, int height, int strideBytes, bool hasAlpha,
                           std::vector<uint32_t>& out) {
    out.clear();
    if (!data || width <= 0 || height <= 0 || strideBytes < 0 ||
        static_cast<size_t>(strideBytes) < static_cast<size_t>(width) * 4)
        return false;
    out.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = data + static_cast<size_t>(y) * strideBytes;
        uint32_t* target = out.data() + static_cast<size_t>(y) * width;
        std::memcpy(target, row, static_cast<size_t>(width) * 4);
        if (hasAlpha)
            for (int x = 0; x < width; ++x) target[x] = OverWhite(target[x]);
        else
            for (int x = 0; x < width; ++x) target[x] &= 0xFFFFFFu;
    }
    return true;
}

}  // namespace korv::platform::webkit
