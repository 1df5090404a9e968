#pragma once
// A picture being made ready for drawing: the decoded or rendered base
// picture, a scaled copy, and the bitmaps made from them.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "media/image/picture.h"
#include "media/image/text_style.h"
#include "platform/surface.h"

namespace korv {

class CImageBuffer {
public:
    CImageBuffer() = default;
    virtual ~CImageBuffer() = default;

    // Decodes the picture into the base; false when it cannot be decoded.
    bool Load(std::span<const uint8_t> encoded);
    // The natural size of an encoded picture (decoded and released again).
    bool Measure(std::span<const uint8_t> encoded, Size& size);
    Size GetSize() const { return {width_, height_}; }
    int ScaledWidth() const { return scaledSize_.width; }
    int ScaledHeight() const { return scaledSize_.height; }
    // Makes the scaled copy; false without a base picture or for a zero size.
    // A keyed base (a text on a transparent background) is scaled without
    // blending the key colour into anything.
    bool Scale(int width, int height);
    // A bitmap of the base picture or of the scaled copy; nothing when absent.
    std::optional<platform::Surface> CreateBitmap(bool useBase) const;
    // Decodes, scales when a target size is given, and returns the bitmap;
    // `naturalSize` receives the picture's own size. Both buffers are
    // released afterwards.
    std::optional<platform::Surface> LoadAndCreateBitmap(std::span<const uint8_t> encoded, Size& naturalSize,
                                                         int targetWidth, int targetHeight);
    // As LoadAndCreateBitmap for the base already held (a rendered text).
    std::optional<platform::Surface> CreateBitmapFromBase(Size& naturalSize, int targetWidth, int targetHeight);
    // Draws the base picture; key-coloured pixels leave the surface as it is.
    bool DrawKeyed(platform::Surface& surface, int x, int y) const;
    // Takes a bitmap's pixels as the base picture.
    bool CaptureBitmap(const platform::Surface& bitmap);
    // Renders `text` in `style` into the base picture; false for an empty
    // text. A text on a transparent background makes a keyed base.
    bool RenderText(const std::string& text, const TextStyle& style);
    // Frees the scaled copy, and the base too unless `keepBase`.
    void Release(bool keepBase);

    const platform::Surface& Base() const { return base_; }
    const platform::Surface& Scaled() const { return scaled_; }
    uint32_t CapturedBytes() const { return capturedBytes_; }

private:
    int width_ = 0;
    int height_ = 0;
    platform::Surface base_;
    platform::Surface scaled_;
    // The size asked of the scaled copy, kept even when scaling fails.
    Size scaledSize_;
    // The size of a captured bitmap as 24-bit pixels.
    uint32_t capturedBytes_ = 0;
    // Whether key-coloured pixels of the base are transparent.
    bool keyed_ = false;
};

}  // namespace korv
