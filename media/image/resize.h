#pragma once
// Bilinear resampling of 24-bit pixel buffers.

#include "media/image/pixel_buffer.h"
#include "platform/surface.h"

namespace korv {

// Resamples `source` into `destination` (whose width and height give the new
// size and whose bytes are replaced). False (error 5) when either size is zero.
bool ResizePixels(const PixelBuffer& source, PixelBuffer& destination);

// As ResizePixels for a picture whose pixels of colour `key` are transparent
// (a text on a transparent background): the key takes part in no blend. A
// destination pixel is the key when key pixels carry more than half of its
// bilinear weight, else the blend of the other pixels around it in their own
// proportions, so keying the result leaves no trace of the key colour.
bool ResizeKeyedPixels(const PixelBuffer& source, PixelBuffer& destination, platform::Colour key);

}  // namespace korv
