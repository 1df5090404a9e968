#pragma once
// Pictures as 24-bit bytes (red, green, blue; rows top to bottom, packed):
// how tests compare pictures with what other programs read or write.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/surface.h"

namespace korv::test {

// The picture's colours as 24-bit bytes.
std::vector<uint8_t> Rgb24Bytes(const platform::Surface& picture);

// A `width` × `height` picture of the 24-bit bytes `rgb` (width × height × 3).
platform::Surface PictureFromRgb24(int width, int height, std::span<const uint8_t> rgb);

}  // namespace korv::test
