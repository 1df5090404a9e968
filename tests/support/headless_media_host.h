#pragma once
// A screen-saver window without a screen whose media children are real
// composed children, for tests of players that show pictures.

#include <atomic>
#include <functional>
#include <memory>

#include "media/media_host.h"
#include "platform/display.h"

namespace korv::test {

class HeadlessMediaHost final : public MediaHost {
public:
    explicit HeadlessMediaHost(int width = 640, int height = 480) : display_(platform::CreateHeadlessDisplay(width, height)) {
        window_ = display_->CreateTopWindow({0, 0, width, height}, &handler_);
    }

    std::unique_ptr<platform::ChildWindow> CreateMediaChild(Rect bounds, platform::WindowHandler* input = nullptr) override {
        if (refuseChildren) return nullptr;
        auto child = window_->CreateChild(bounds, input);
        child->SetVisible(false);
        return child;
    }
    void PostToWindowThread(std::function<void()>) override {}
    void HidePointer() override { ++pointerHides; }

    platform::Surface Screen() { return window_->Snapshot(); }
    platform::Window& Window() { return *window_; }
    platform::HeadlessDisplay& Display() { return *display_; }

    bool refuseChildren = false;
    std::atomic<int> pointerHides{0};

private:
    platform::WindowHandler handler_;
    std::unique_ptr<platform::HeadlessDisplay> display_;
    std::unique_ptr<platform::Window> window_;
};

}  // namespace korv::test
