#include "media/image/image_buffer.h"

#include <new>

#include "media/image/image_error.h"
#include "media/image/image_layer.h"
#include "media/image/resize.h"
#include "saver/log.h"

namespace korv {

namespace {

void Diagnose(int code) { FileLog(ImageErrorText(code)); }

}  // namespace

bool CImageBuffer::Load(std::span<const uint8_t> encoded) {
    Release(false);
    std::optional<platform::Surface> pixels;
    try {
        pixels = LoadPixels("", encoded);
    } catch (const std::bad_alloc&) {
        Diagnose(ImageOutOfMemory);
        return false;
    }
    if (!pixels) return false;
    width_ = pixels->Width();
    height_ = pixels->Height();
    base_ = std::move(*pixels);
    return true;
}

bool CImageBuffer::Measure(std::span<const uint8_t> encoded, Size& size) {
    bool loaded = Load(encoded);
    if (loaded) size = GetSize();
    Release(false);
    return loaded;
}

bool CImageBuffer::Scale(int width, int height) {
    scaled_ = platform::Surface{};
    scaledSize_ = {width, height};
    if (base_.Empty()) return false;
    if (!AcceptableImageSize(width, height)) {
        SetImageError(ImageBadParam);
        Diagnose(ImageBadParam);
        return false;
    }
    std::optional<platform::Surface> scaled = keyed_ ? ResizeKeyedPixels(base_, width, height, platform::kKeyColour)
                                                     : ResizePixels(base_, width, height);
    if (!scaled) {
        Diagnose(GetImageError());
        return false;
    }
    scaled_ = std::move(*scaled);
    return true;
}

std::optional<platform::Surface> CImageBuffer::CreateBitmap(bool useBase) const {
    const platform::Surface& pixels = useBase ? base_ : scaled_;
    if (pixels.Empty()) return std::nullopt;
    return pixels;
}

std::optional<platform::Surface> CImageBuffer::CreateBitmapFromBase(Size& naturalSize, int targetWidth,
                                                                    int targetHeight) {
    bool scaled = targetWidth != 0 || targetHeight != 0;
    if (scaled && !Scale(targetWidth, targetHeight)) {
        Release(false);
        return std::nullopt;
    }
    std::optional<platform::Surface> bitmap = CreateBitmap(!scaled);
    naturalSize = GetSize();
    Release(false);
    return bitmap;
}

std::optional<platform::Surface> CImageBuffer::LoadAndCreateBitmap(std::span<const uint8_t> encoded, Size& naturalSize,
                                                                   int targetWidth, int targetHeight) {
    if (!Load(encoded)) return std::nullopt;
    return CreateBitmapFromBase(naturalSize, targetWidth, targetHeight);
}

bool CImageBuffer::DrawKeyed(platform::Surface& surface, int x, int y) const {
    return DrawPixelsKeyed(surface, base_, x, y, platform::kKeyColour);
}

bool CImageBuffer::CaptureBitmap(const platform::Surface& bitmap) {
    Release(false);
    if (bitmap.Empty()) {
        Diagnose(ImageBadParam);
        return false;
    }
    base_ = PictureOfBitmap(bitmap);
    width_ = base_.Width();
    height_ = base_.Height();
    capturedBytes_ = static_cast<uint32_t>(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 3);
    return true;
}

void CImageBuffer::Release(bool keepBase) {
    if (!keepBase) {
        base_ = platform::Surface{};
        width_ = 0;
        height_ = 0;
        capturedBytes_ = 0;
        keyed_ = false;
    }
    scaled_ = platform::Surface{};
    scaledSize_ = {};
}

}  // namespace korv
