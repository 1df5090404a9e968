#include "media/image/image_layer.h"

#include <mutex>

#include "media/image/decoders.h"
#include "media/image/image_error.h"
#include "media/image/image_format.h"
#include "media/image/image_source.h"
#include "platform/message_box.h"
#include "saver/log.h"

namespace korv {

std::optional<PixelBuffer> LoadPixels(const std::string& fileName, std::span<const uint8_t> memory) {
    ClearImageError();
    std::unique_ptr<ImageSource> source =
        memory.empty() ? ImageSource::OpenFile(fileName) : ImageSource::OpenMemory(memory.data(), memory.size());
    if (!source) {
        FileLog(ImageErrorText(GetImageError()));
        return std::nullopt;
    }
    int format = GuessFormat(*source);
    std::optional<PixelBuffer> pixels;
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

platform::Surface PixelsToBitmap(const PixelBuffer& pixels) {
    platform::Surface bitmap(pixels.width, pixels.height);
    for (int y = 0; y < pixels.height; ++y) {
        const uint8_t* in = pixels.Row(y);
        platform::Pixel* out = bitmap.Row(y);
        for (int x = 0; x < pixels.width; ++x, in += 3)
            out[x] = platform::PixelRgb(in[0], in[1], in[2]);
    }
    return bitmap;
}

PixelBuffer BitmapToPixels(const platform::Surface& bitmap) {
    PixelBuffer pixels(bitmap.Width(), bitmap.Height());
    for (int y = 0; y < bitmap.Height(); ++y) {
        const platform::Pixel* in = bitmap.Row(y);
        uint8_t* out = pixels.Row(y);
        for (int x = 0; x < bitmap.Width(); ++x, out += 3) {
            out[0] = platform::PixelRed(in[x]);
            out[1] = platform::PixelGreen(in[x]);
            out[2] = platform::PixelBlue(in[x]);
        }
    }
    return pixels;
}

std::optional<PixelBuffer> CaptureDC(const platform::Surface& surface, int x, int y, int width, int height) {
    ClearImageError();
    if (width <= 0 || height <= 0 || !AcceptableImageSize(width, height)) {
        SetImageError(ImageBadParam);
        return std::nullopt;
    }
    PixelBuffer pixels(width, height);
    Rect visible = Rect::FromSize(x, y, width, height).Intersect(surface.Bounds());
    for (int sy = visible.top; sy < visible.bottom; ++sy) {
        const platform::Pixel* in = surface.Row(sy);
        uint8_t* out = pixels.Row(sy - y) + static_cast<size_t>(visible.left - x) * 3;
        for (int sx = visible.left; sx < visible.right; ++sx, out += 3) {
            out[0] = platform::PixelRed(in[sx]);
            out[1] = platform::PixelGreen(in[sx]);
            out[2] = platform::PixelBlue(in[sx]);
        }
    }
    return pixels;
}

namespace {

template <typename Keep>
bool Draw(platform::Surface& surface, const PixelBuffer& pixels, int x, int y, int width, int height, Keep keep) {
    ClearImageError();
    if (pixels.Empty() || pixels.bytes.size() < static_cast<size_t>(pixels.width) * pixels.height * 3) {
        SetImageError(ImageBadParam);
        return false;
    }
    width = std::min(width, pixels.width);
    height = std::min(height, pixels.height);
    Rect target = Rect::FromSize(x, y, width, height).Intersect(surface.Bounds());
    for (int ty = target.top; ty < target.bottom; ++ty) {
        const uint8_t* in = pixels.Row(ty - y) + static_cast<size_t>(target.left - x) * 3;
        platform::Pixel* out = surface.Row(ty);
        for (int tx = target.left; tx < target.right; ++tx, in += 3) {
            platform::Pixel p = platform::PixelRgb(in[0], in[1], in[2]);
            if (!keep(p)) out[tx] = p;
        }
    }
    surface.MarkChanged();
    return true;
}

}  // namespace

bool DrawPixels(platform::Surface& surface, const PixelBuffer& pixels, int x, int y, int copyWidth, int copyHeight) {
    return Draw(surface, pixels, x, y, copyWidth, copyHeight, [](platform::Pixel) { return false; });
}

bool DrawPixelsKeyed(platform::Surface& surface, const PixelBuffer& pixels, int x, int y, platform::Colour key) {
    const platform::Pixel keyPixel = platform::ColourToPixel(key);
    return Draw(surface, pixels, x, y, pixels.width, pixels.height, [keyPixel](platform::Pixel p) { return p == keyPixel; });
}

}  // namespace korv
