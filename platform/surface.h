#pragma once
// A 32-bit drawing surface: the window's client area, an off-screen bitmap
// or a memory bitmap. Pixels are 0x00RRGGBB (see platform/colour.h), rows
// top to bottom, packed.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/colour.h"
#include "platform/damage_region.h"
#include "platform/geometry.h"

namespace korv::platform {

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

    // Counts changes and remembers where they were, so a presenter knows
    // when to show the surface again and which parts. Whoever writes pixels
    // marks them (Painter does for everything it draws); the whole surface
    // when the place is not known.
    uint64_t Generation() const { return generation_; }
    void MarkChanged() { MarkChanged(Bounds()); }
    void MarkChanged(Rect area) {
        ++generation_;
        damage_.Add(area.Intersect(Bounds()));
    }
    // The parts marked since the last call, which forgets them.
    DamageRegion TakeDamage() {
        DamageRegion taken = damage_;
        damage_.Clear();
        return taken;
    }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Pixel> pixels_;
    uint64_t generation_ = 0;
    DamageRegion damage_;
};

}  // namespace korv::platform
