#pragma once
// The application on a headless display (800 × 600), for tests of the saver
// window, its timer and its scene threads; and a probe that ends the event
// loop once everything queued before it was handled.

#include <memory>

#include "platform/display.h"
#include "shell/runtime_app.h"

namespace korv::test {

class HeadlessApp : public RuntimeApp {
public:
    using RuntimeApp::RuntimeApp;
    platform::HeadlessDisplay* headless = nullptr;

protected:
    std::unique_ptr<platform::Display> OpenDisplay() override {
        auto display = platform::CreateHeadlessDisplay(800, 600);
        headless = display.get();
        return display;
    }
};

inline constexpr int kProbeQuit = 99;

// Ends the event loop from its timer.
class LoopProbe : public platform::WindowHandler {
public:
    explicit LoopProbe(platform::EventLoop& loop) : loop_(loop) {}
    void OnTimer(uint32_t) override { loop_.Quit(kProbeQuit); }

private:
    platform::EventLoop& loop_;
};

// Runs the loop for `ms` of its time; true when something else ended it.
inline bool RunLoopFor(RuntimeApp& app, platform::EventLoop& loop, uint32_t ms) {
    LoopProbe probe(loop);
    loop.SetTimer(&probe, 1, ms);
    int code = app.RunMessageLoop();
    loop.Forget(&probe);
    return code != kProbeQuit;
}

}  // namespace korv::test
