#pragma once
// Colours and their two layouts in 32 bits. A Colour is three channels; it
// becomes a number only through the named conversions here. Colours stored
// in scenario files (the system's COLORREF) are 0x00BBGGRR: red in the low
// byte. A surface's pixels are 0x00RRGGBB.

#include <cstdint>

namespace korv::platform {

using Pixel = uint32_t;  // 0x00RRGGBB

struct Colour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    friend constexpr bool operator==(const Colour&, const Colour&) = default;
};

constexpr Colour Rgb(uint8_t red, uint8_t green, uint8_t blue) { return Colour{red, green, blue}; }

constexpr Pixel PixelRgb(uint8_t red, uint8_t green, uint8_t blue) {
    return (Pixel{red} << 16) | (Pixel{green} << 8) | blue;
}
constexpr uint8_t PixelRed(Pixel p) { return static_cast<uint8_t>(p >> 16); }
constexpr uint8_t PixelGreen(Pixel p) { return static_cast<uint8_t>(p >> 8); }
constexpr uint8_t PixelBlue(Pixel p) { return static_cast<uint8_t>(p); }

constexpr Pixel ColourToPixel(Colour c) { return PixelRgb(c.red, c.green, c.blue); }
constexpr Colour PixelToColour(Pixel p) { return Rgb(PixelRed(p), PixelGreen(p), PixelBlue(p)); }

// The stored 0x00BBGGRR value; the high byte is not part of the colour.
constexpr uint32_t ColourToStored(Colour c) {
    return uint32_t{c.red} | (uint32_t{c.green} << 8) | (uint32_t{c.blue} << 16);
}
constexpr Colour StoredToColour(uint32_t stored) {
    return Rgb(static_cast<uint8_t>(stored), static_cast<uint8_t>(stored >> 8), static_cast<uint8_t>(stored >> 16));
}

// The colour that keyed drawing leaves out: the background of texts drawn
// without their own, and of transparent pictures.
inline constexpr Colour kKeyColour = Rgb(224, 224, 224);

}  // namespace korv::platform
