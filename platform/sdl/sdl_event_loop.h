#pragma once
// The event loop of the SDL display. It sleeps in SDL_WaitEventTimeout;
// other threads wake it with an SDL user event (the display's hidden helper
// window gives SDL a window to wake even before the first real one exists).

#include <SDL.h>

#include <atomic>
#include <cstdint>

#include "platform/display.h"
#include "platform/event_loop_core.h"
#include "platform/sdl/sdl_window.h"

namespace korv::platform {

class SdlEventLoop final : public CoreEventLoop<uint64_t> {
public:
    explicit SdlEventLoop(const SdlWindowList& windows);

    int Run() override;

    // Thread-safe: ends the loop's wait (at most one wake-up event waits in
    // SDL's queue at a time).
    void Wake();
    // The event type of wake-ups; set once, before any window exists.
    void UseWakeEvent(uint32_t type) { wakeEvent_ = type; }

private:
    // Asks every window to end once a termination request has come.
    void DeliverTermination();
    void DeliverPosted();
    void FireTimers(int& waitMs);
    void Handle(const SDL_Event& event);

    const SdlWindowList& windows_;
    uint32_t wakeEvent_;
    // The last button press (main thread), to tell double clicks.
    WindowHandler* lastPressTarget_ = nullptr;
    MouseButton lastPressButton_ = MouseButton::Left;
    bool lastPressWasDouble_ = false;
    bool terminationDelivered_ = false;
    std::atomic<bool> wakePending_{false};
};

}  // namespace korv::platform
