#pragma once
// A full-HD scene for benchmarks of drawing steps: the window is a plain
// surface that counts its draws, the clock is virtual, so only drawing is
// measured.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/clock.h"
#include "platform/event.h"
#include "platform/surface.h"
#include "scenario/scene_context.h"
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

class BenchScene final : public SceneContext {
public:
    SceneWindow& Window() override { return window; }
    const platform::Event& StopEvent() const override { return stop; }
    platform::Clock& Clock() override { return clock; }
    uint32_t SpeedCalibration() const override { return 1'000'000; }
    const ObjectPictures& Pictures() const override { return pictures ? *pictures : SceneContext::Pictures(); }

    // The image layer unless a benchmark gives pictures of its own.
    const ObjectPictures* pictures = nullptr;
    SurfaceWindow window{Patterned(7)};
    platform::Event stop;
    platform::VirtualClock clock;
};

}  // namespace korv::bench
