#include "media/image/image_layer.h"

#include <mutex>

#include "media/image/decoders.h"
#include "media/image/image_error.h"
#include "media/image/image_format.h"
#include "media/image/image_source.h"
#include "platform/message_box.h"
#include "saver/log.h"

namespace korv {

std::optional<platform::Surface> LoadPixels(const std::string& fileName, std::span<const uint8_t> memory) {
    ClearImageError();
    std::unique_ptr<ImageSource> source =
        memory.empty() ? ImageSource::OpenFile(fileName) : ImageSource::OpenMemory(memory.data(), memory.size());
    if (!source) {
        FileLog(ImageErrorText(GetImageError()));
        return std::nullopt;
    }
    int format = GuessFormat(*source);
    std::optional<platform::Surface> pixels;
    switch (format) {
        case FormatBmp: pixels = DecodeBmp(source->Bytes()); break;
        case FormatJpeg: pixels = DecodeJpeg(source->Bytes()); break;
        case FormatPng: pixels = DecodePng(source->Bytes()); break;
        case FormatPcx: pixels = DecodePcx(source->Bytes()); break;
        case FormatTga: pixels = DecodeTga(source->Bytes()); break;
        case FormatWbmp:
            if (source->FromFile()) return std::nullopt;
            pixels = DecodeTga(source->Bytes());
            break;
        default: platform::ShowMessageBox(kUnsupportedImageMessage); return std::nullopt;
    }
    if (!pixels) FileLog(ImageErrorText(GetImageError()));
    return pixels;
}

platform::Surface PictureOfBitmap(const platform::Surface& bitmap) {
    platform::Surface picture = bitmap;
    for (platform::Pixel& pixel : picture.Pixels()) pixel &= kPictureColourBits;
    return picture;
}

std::optional<platform::Surface> CaptureDC(const platform::Surface& surface, int x, int y, int width, int height) {
    ClearImageError();
    if (width <= 0 || height <= 0 || !AcceptableImageSize(width, height)) {
        SetImageError(ImageBadParam);
        return std::nullopt;
    }
    platform::Surface pixels(width, height);
    Rect visible = Rect::FromSize(x, y, width, height).Intersect(surface.Bounds());
    for (int sy = visible.top; sy < visible.bottom; ++sy) {
        const platform::Pixel* in = surface.Row(sy);
        platform::Pixel* out = pixels.Row(sy - y) + (visible.left - x);
        for (int sx = visible.left; sx < visible.right; ++sx) *out++ = in[sx] & kPictureColourBits;
    }
    return pixels;
}

namespace {

template <typename Keep>
bool Draw(platform::Surface& surface, const platform::Surface& pixels, int x, int y, int width, int height,
          Keep keep) {
    ClearImageError();
    if (pixels.Empty()) {
        SetImageError(ImageBadParam);
        return false;
    }
    width = std::min(width, pixels.Width());
    height = std::min(height, pixels.Height());
    Rect target = Rect::FromSize(x, y, width, height).Intersect(surface.Bounds());
    for (int ty = target.top; ty < target.bottom; ++ty) {
        const platform::Pixel* in = pixels.Row(ty - y) + (target.left - x);
        platform::Pixel* out = surface.Row(ty);
        for (int tx = target.left; tx < target.right; ++tx, ++in) {
            platform::Pixel p = *in & kPictureColourBits;
            if (!keep(p)) out[tx] = p;
        }
    }
    surface.MarkChanged(target);
    return true;
}

}  // namespace

bool DrawPixels(platform::Surface& surface, const platform::Surface& pixels, int x, int y, int copyWidth, int copyHeight) {
    return Draw(surface, pixels, x, y, copyWidth, copyHeight, [](platform::Pixel) { return false; });
}

bool DrawPixelsKeyed(platform::Surface& surface, const platform::Surface& pixels, int x, int y, platform::Colour key) {
    const platform::Pixel keyPixel = platform::ColourToPixel(key);
    return Draw(surface, pixels, x, y, pixels.Width(), pixels.Height(), [keyPixel](platform::Pixel p) { return p == keyPixel; });
}

}  // namespace korv
