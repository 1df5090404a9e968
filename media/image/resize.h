#pragma once
// Bilinear resampling of 24-bit pixel buffers.

#include "media/image/pixel_buffer.h"

namespace korv {

// Resamples `source` into `destination` (whose width and height give the new
// size and whose bytes are replaced). False (error 5) when either size is zero.
bool ResizePixels(const PixelBuffer& source, PixelBuffer& destination);

}  // namespace korv
