#pragma once
// The simplest window a scene can draw into: a plain surface, with its draws
// counted and watched, and a scene around it on a virtual clock. For offline
// work (contact sheets, benchmarks) where no display, background or links
// matter.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/clock.h"
#include "platform/event.h"
#include "platform/surface.h"
#include "scenario/object_pictures.h"
#include "scenario/scene_context.h"

namespace korv {

class SurfaceWindow final : public SceneWindow {
public:
    explicit SurfaceWindow(platform::Surface screen = {}) : screen(std::move(screen)) {}

    void Draw(const std::function<void(platform::Surface&)>& paint) override {
        paint(screen);
        ++draws;
        if (onDraw) onDraw();
    }
    Size ClientSize() const override { return {screen.Width(), screen.Height()}; }
    void SetBackground(platform::Colour, uint32_t) override {}
    platform::Colour GetBackground() const override { return {}; }
    uint32_t GetRasterOp() const override { return kRasterCopy; }
    void SetLink(const std::string&, int32_t) override {}
    void ClearLink() override {}

    platform::Surface screen;
    int64_t draws = 0;
    // Called after every draw.
    std::function<void()> onDraw;
};

// A scene drawing into a SurfaceWindow, with a fixed speed figure: pauses
// follow their formula exactly, and time passes only on the virtual clock.
class SurfaceScene final : public SceneContext {
public:
    explicit SurfaceScene(platform::Surface screen = {}) : window(std::move(screen)) {}

    SceneWindow& Window() override { return window; }
    const platform::Event& StopEvent() const override { return stop; }
    platform::Clock& Clock() override { return clock; }
    uint32_t SpeedCalibration() const override { return 1'000'000; }
    const ObjectPictures& Pictures() const override { return pictures ? *pictures : SceneContext::Pictures(); }

    // The image layer unless the caller gives pictures of its own.
    const ObjectPictures* pictures = nullptr;
    SurfaceWindow window;
    platform::Event stop;
    platform::VirtualClock clock;
};

}  // namespace korv
