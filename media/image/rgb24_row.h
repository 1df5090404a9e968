#pragma once
// A picture's row as picture files store it: 3 bytes per pixel, red, green,
// blue.

#include <cstdint>

#include "platform/surface.h"

namespace korv {

// Writes row `y` of `picture` to `rgb` (picture.Width() × 3 bytes).
inline void ReadRgb24Row(const platform::Surface& picture, int y, uint8_t* rgb) {
    const platform::Pixel* in = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x, rgb += 3) {
        rgb[0] = platform::PixelRed(in[x]);
        rgb[1] = platform::PixelGreen(in[x]);
        rgb[2] = platform::PixelBlue(in[x]);
    }
}

}  // namespace korv
