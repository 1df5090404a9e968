#pragma once
// The image layer: decoding any supported picture, and moving pictures to
// and from drawing surfaces.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "media/image/picture.h"
#include "platform/surface.h"

namespace korv {

inline constexpr const char* kUnsupportedImageMessage = "This image format is not supported or image date is corrupted";

// Decodes the picture in `memory` (when not empty) or in the file `fileName`.
// An unsupported or unrecognised format shows kUnsupportedImageMessage; a
// WBMP-looking file (first bytes 00 00) that is not a ".tga" gives nothing
// silently. Sets the thread's image error on failure.
std::optional<platform::Surface> LoadPixels(const std::string& fileName, std::span<const uint8_t> memory);

// A bitmap's pixels as a picture: only their colour bits.
platform::Surface PictureOfBitmap(const platform::Surface& bitmap);
// The pixels of a rectangle of `surface`; what lies outside it is black.
// Nothing (error 5) for a zero size.
std::optional<platform::Surface> CaptureDC(const platform::Surface& surface, int x, int y, int width, int height);
// Draws `copyWidth` × `copyHeight` pixels of the picture at (x, y).
bool DrawPixels(platform::Surface& surface, const platform::Surface& pixels, int x, int y, int copyWidth, int copyHeight);
// Draws the picture at (x, y); pixels of the key colour leave the surface as it is.
bool DrawPixelsKeyed(platform::Surface& surface, const platform::Surface& pixels, int x, int y, platform::Colour key);

}  // namespace korv
