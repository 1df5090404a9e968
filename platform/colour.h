#pragma once
// Colours and their two layouts in 32 bits. Colours in the system's own
// values (COLORREF) are 0x00BBGGRR: red in the low byte. A surface's pixels
// are 0x00RRGGBB. Every conversion between channels, colours and pixels is
// here.

#include <cstdint>

namespace korv::platform {

using ColourRef = uint32_t;  // 0x00BBGGRR
using Pixel = uint32_t;      // 0x00RRGGBB

constexpr ColourRef Rgb(uint8_t red, uint8_t green, uint8_t blue) {
    return ColourRef{red} | (ColourRef{green} << 8) | (ColourRef{blue} << 16);
}
constexpr uint8_t RedOf(ColourRef c) { return static_cast<uint8_t>(c); }
constexpr uint8_t GreenOf(ColourRef c) { return static_cast<uint8_t>(c >> 8); }
constexpr uint8_t BlueOf(ColourRef c) { return static_cast<uint8_t>(c >> 16); }

constexpr Pixel PixelRgb(uint8_t red, uint8_t green, uint8_t blue) {
    return (Pixel{red} << 16) | (Pixel{green} << 8) | blue;
}
constexpr uint8_t PixelRed(Pixel p) { return static_cast<uint8_t>(p >> 16); }
constexpr uint8_t PixelGreen(Pixel p) { return static_cast<uint8_t>(p >> 8); }
constexpr uint8_t PixelBlue(Pixel p) { return static_cast<uint8_t>(p); }

constexpr Pixel ColourToPixel(ColourRef c) { return PixelRgb(RedOf(c), GreenOf(c), BlueOf(c)); }
constexpr ColourRef PixelToColour(Pixel p) { return Rgb(PixelRed(p), PixelGreen(p), PixelBlue(p)); }

// The colour that keyed drawing leaves out: the background of texts drawn
// without their own, and of transparent pictures.
inline constexpr ColourRef kKeyColour = Rgb(224, 224, 224);

}  // namespace korv::platform
