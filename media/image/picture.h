#pragma once
// The image layer's pictures are platform::Surfaces: decoders make them,
// resizing scales them, writers read them and the painter draws them. Only
// the low 24 bits of a pixel (0x00RRGGBB) carry its colour.

#include <cstdint>

#include "platform/surface.h"

namespace korv {

// No picture is decoded beyond this width or height, nor beyond this many
// pixels in all (8192 × 8192, far above any screen): a file that claims more
// is refused before anything is allocated for it.
inline constexpr int kMaxImageDimension = 16384;
inline constexpr int64_t kMaxImagePixels = int64_t{8192} * 8192;

// The bits of a pixel that hold its colour.
inline constexpr platform::Pixel kPictureColourBits = 0x00FFFFFF;

// Whether a picture of this size may be decoded at all.
inline bool AcceptableImageSize(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageDimension && height <= kMaxImageDimension &&
           width * height <= kMaxImagePixels;
}

}  // namespace korv
