#pragma once
// A 32-bit drawing surface: the window's client area, an off-screen bitmap
// or a memory bitmap. Pixels are 0x00RRGGBB, rows top to bottom, packed.
//
// Colours in the system's own values (COLORREF) are 0x00BBGGRR: red in the
// low byte. ColourToPixel and PixelToColour convert between the two.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/geometry.h"

namespace korv::platform {

using ColourRef = uint32_t;  // 0x00BBGGRR
using Pixel = uint32_t;      // 0x00RRGGBB

constexpr ColourRef Rgb(uint8_t red, uint8_t green, uint8_t blue) {
    return ColourRef{red} | (ColourRef{green} << 8) | (ColourRef{blue} << 16);
}
constexpr uint8_t RedOf(ColourRef c) { return static_cast<uint8_t>(c); }
constexpr uint8_t GreenOf(ColourRef c) { return static_cast<uint8_t>(c >> 8); }
constexpr uint8_t BlueOf(ColourRef c) { return static_cast<uint8_t>(c >> 16); }
constexpr Pixel ColourToPixel(ColourRef c) { return (Pixel{RedOf(c)} << 16) | (Pixel{GreenOf(c)} << 8) | BlueOf(c); }
constexpr ColourRef PixelToColour(Pixel p) {
    return Rgb(static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p));
}

class Surface {
public:
    Surface() = default;
    // A black surface; sizes below zero count as zero.
    Surface(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    Rect Bounds() const { return {0, 0, width_, height_}; }
    bool Empty() const { return width_ == 0 || height_ == 0; }

    Pixel* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_); }
    const Pixel* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_); }
    Pixel At(int x, int y) const { return Row(y)[x]; }
    void Set(int x, int y, Pixel p) { Row(y)[x] = p; }
    std::span<Pixel> Pixels() { return pixels_; }
    std::span<const Pixel> Pixels() const { return pixels_; }

    // Counts changes, so a presenter knows when to show the surface again.
    uint64_t Generation() const { return generation_; }
    void MarkChanged() { ++generation_; }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Pixel> pixels_;
    uint64_t generation_ = 0;
};

}  // namespace korv::platform
