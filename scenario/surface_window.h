#pragma once
// The simplest window a scene can draw into: a plain surface, with its draws
// counted and watched. For offline work (contact sheets, benchmarks) where
// no display, background or links matter.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/surface.h"
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

}  // namespace korv
