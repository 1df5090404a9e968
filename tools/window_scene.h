#pragma once
// A platform window as a scene thread sees it: what korv-tool's render and
// preview play into. Media children are shown unless `hideMedia` (a render
// writes pictures of the client surface only).

#include <atomic>
#include <memory>
#include <string>

#include "platform/display.h"
#include "platform/painter.h"
#include "scenario/scene_context.h"

namespace korv::tool {

class WindowScene : public SceneWindow {
public:
    WindowScene(platform::Window& window, bool hideMedia) : window_(window), hideMedia_(hideMedia) {}

    void Draw(const std::function<void(platform::Surface&)>& paint) override { window_.Draw(paint); }
    Size ClientSize() const override { return {window_.Bounds().Width(), window_.Bounds().Height()}; }
    bool FrameWaiting() const override { return window_.FrameWaiting(); }
    void SetBackground(platform::Colour colour, uint32_t rasterOp) override {
        background_ = platform::ColourToPixel(colour);
        rasterOp_ = rasterOp;
        Draw([colour](platform::Surface& surface) { platform::Painter(surface).Fill(surface.Bounds(), colour); });
    }
    platform::Colour GetBackground() const override { return platform::PixelToColour(background_); }
    uint32_t GetRasterOp() const override { return rasterOp_; }
    void SetLink(const std::string&, int32_t) override {}
    void ClearLink() override {}
    std::unique_ptr<platform::ChildWindow> CreateMediaChild(Rect bounds, platform::WindowHandler* input = nullptr) override {
        auto child = window_.CreateChild(bounds, input);
        if (child && hideMedia_) child->SetVisible(false);
        return child;
    }

private:
    platform::Window& window_;
    const bool hideMedia_;
    std::atomic<platform::Pixel> background_{0};  // held as its pixel to be atomic
    std::atomic<uint32_t> rasterOp_{kRasterCopy};
};

}  // namespace korv::tool
