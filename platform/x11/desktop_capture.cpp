// The root window through Xlib's XGetImage. While reading, X errors go to a
// handler of our own, so a root window that cannot be read fails the capture
// instead of ending the process.

#include "platform/desktop_capture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <bit>
#include <mutex>

namespace korv::platform {

namespace {

std::mutex gErrorMutex;  // the error handler is process-wide
bool gXError = false;    // guarded by gErrorMutex

int RecordError(::Display*, XErrorEvent*) {
    gXError = true;
    return 0;
}

// Where a colour channel sits in a pixel value, to scale it to 8 bits.
struct Channel {
    unsigned long mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(unsigned long m) : mask(m) {
        if (mask == 0) return;
        shift = std::countr_zero(mask);
        bits = std::popcount(mask);
    }
    uint8_t Scale(unsigned long pixel) const {
        unsigned long value = (pixel & mask) >> shift;
        if (bits >= 8) return static_cast<uint8_t>(value >> (bits - 8));
        return static_cast<uint8_t>(value * 255 / ((1ul << bits) - 1));
    }
};

bool IsStandardTrueColour(const XImage& image) {
    constexpr int hostOrder = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    return image.bits_per_pixel == 32 && image.byte_order == hostOrder && image.red_mask == 0xFF0000 &&
           image.green_mask == 0x00FF00 && image.blue_mask == 0x0000FF;
}

// The image as 0x00RRGGBB pixels; empty for visuals without colour masks
// (palette displays), which are not read.
Surface ToSurface(XImage& image, int width, int height) {
    if (image.red_mask == 0 || image.green_mask == 0 || image.blue_mask == 0) return {};
    Surface surface(width, height);
    if (IsStandardTrueColour(image)) {
        for (int y = 0; y < height; ++y) {
            const char* row = image.data + static_cast<size_t>(y) * static_cast<size_t>(image.bytes_per_line);
            const auto* in = reinterpret_cast<const uint32_t*>(row);
            Pixel* out = surface.Row(y);
            for (int x = 0; x < width; ++x) out[x] = in[x] & 0xFFFFFF;
        }
        return surface;
    }
    const Channel red(image.red_mask), green(image.green_mask), blue(image.blue_mask);
    for (int y = 0; y < height; ++y) {
        Pixel* out = surface.Row(y);
        for (int x = 0; x < width; ++x) {
            unsigned long value = XGetPixel(&image, x, y);
            out[x] = PixelRgb(red.Scale(value), green.Scale(value), blue.Scale(value));
        }
    }
    return surface;
}

}  // namespace

Surface CaptureRootWindow(int64_t maxPixels) {
    ::Display* display = XOpenDisplay(nullptr);
    if (!display) return {};
    Surface result;
    {
        std::lock_guard lock(gErrorMutex);
        gXError = false;
        XErrorHandler previous = XSetErrorHandler(RecordError);
        ::Window root = DefaultRootWindow(display);
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, root, &attributes) && attributes.width > 0 && attributes.height > 0 &&
            int64_t{attributes.width} * attributes.height <= maxPixels) {
            XImage* image = XGetImage(display, root, 0, 0, static_cast<unsigned>(attributes.width),
                                      static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
            XSync(display, False);
            if (image && !gXError) result = ToSurface(*image, attributes.width, attributes.height);
            if (image) XDestroyImage(image);
        }
        XSync(display, False);
        XSetErrorHandler(previous);
    }
    XCloseDisplay(display);
    return result;
}

}  // namespace korv::platform
