#pragma once
// The decoders of the image layer. Each turns whatever the format allows
// (palette or true colour, any bit depth, compressed or not) into a picture
// (see picture.h), or sets the thread's image error and returns nothing. None
// reads outside its input, and none allocates beyond what the input can
// fill and kMaxImageDimension allows.

#include <new>
#include <optional>
#include <span>

#include "media/image/image_error.h"
#include "media/image/picture.h"

namespace korv {

// BMP: 1, 4, 8, 16, 24 and 32 bits, bit fields, top-down, RLE4 and RLE8
// (errors 6, 7 for variants not decoded).
std::optional<platform::Surface> DecodeBmp(std::span<const uint8_t> bytes);
// PCX: 1 bit, 4 planes of 1 bit, 8 bits with palette, 24 bits in 3 planes (error 22).
std::optional<platform::Surface> DecodePcx(std::span<const uint8_t> bytes);
// TGA: colour-mapped, grey, 15/16/24/32 bits, RLE, both origins (error 32).
std::optional<platform::Surface> DecodeTga(std::span<const uint8_t> bytes);
// JPEG through libjpeg (error 9).
std::optional<platform::Surface> DecodeJpeg(std::span<const uint8_t> bytes);
// PNG through libpng: every colour type and depth, interlaced (errors 15, 16).
std::optional<platform::Surface> DecodePng(std::span<const uint8_t> bytes);

// Runs a decoder; running out of memory is error 1, not a crash.
template <typename Decoder>
std::optional<platform::Surface> DecodeGuarded(Decoder&& decode, std::span<const uint8_t> bytes) {
    try {
        return decode(bytes);
    } catch (const std::bad_alloc&) {
        SetImageError(ImageOutOfMemory);
        return std::nullopt;
    }
}

}  // namespace korv
