#pragma once
// The saver window on a headless screen, for tests of what the scene shows
// in child surfaces (videos, HTML views): children are composed on the
// screen and clicks can be injected.

#include <memory>

#include "platform/display.h"
#include "platform/painter.h"
#include "scenario/scene_context.h"

namespace korv::test {

class HeadlessSceneWindow : public SceneWindow {
public:
    HeadlessSceneWindow() : display_(platform::CreateHeadlessDisplay(320, 240)) {
        window_ = display_->CreateTopWindow({0, 0, 320, 240}, &handler_);
    }
    void Draw(const std::function<void(platform::Surface&)>& paint) override { window_->Draw(paint); }
    Size ClientSize() const override { return {320, 240}; }
    void SetBackground(platform::Colour colour, uint32_t) override {
        Draw([colour](platform::Surface& surface) { platform::Painter(surface).Fill(surface.Bounds(), colour); });
    }
    platform::Colour GetBackground() const override { return {}; }
    uint32_t GetRasterOp() const override { return kRasterCopy; }
    void SetLink(const std::string&, int32_t) override {}
    void ClearLink() override {}
    std::unique_ptr<platform::ChildWindow> CreateMediaChild(Rect bounds, platform::WindowHandler* input = nullptr) override {
        auto child = window_->CreateChild(bounds, input);
        if (child) child->SetVisible(false);
        return child;
    }
    // The screen: the client surface with the visible children.
    platform::Surface Screen() { return window_->Snapshot(); }
    // The client surface alone.
    platform::Surface Client() {
        platform::Surface copy;
        Draw([&](platform::Surface& surface) { copy = surface; });
        return copy;
    }
    platform::HeadlessDisplay& Display() { return *display_; }

private:
    platform::WindowHandler handler_;
    std::unique_ptr<platform::HeadlessDisplay> display_;
    std::unique_ptr<platform::Window> window_;
};

}  // namespace korv::test
