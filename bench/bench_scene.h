#pragma once
// Full-HD pictures for benchmarks of drawing steps, which run in a
// SurfaceScene: the window is a plain surface that counts its draws, the
// clock is virtual, so only drawing is measured.

#include <cstdint>

#include "platform/surface.h"
#include "scenario/surface_window.h"

namespace korv::bench {

using platform::Surface;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

inline Surface Patterned(uint32_t seed) {
    Surface s(kWidth, kHeight);
    uint32_t value = seed;
    for (platform::Pixel& p : s.Pixels()) {
        value = value * 1103515245u + 12345u;
        p = (value >> 8) & 0x00FFFFFF;
    }
    return s;
}

}  // namespace korv::bench
