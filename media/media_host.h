#pragma once
// The screen-saver window as the media players see it: the parent of video
// surfaces, and the thread that receives the end-of-play notifications of
// the MIDI device.

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/display.h"
#include "platform/geometry.h"

namespace korv {

// Notification codes of the media control interface (the original
// platform's values).
inline constexpr uint32_t kMciNotifySuccessful = 0x0001;
inline constexpr uint32_t kMciNotifySuperseded = 0x0002;
inline constexpr uint32_t kMciNotifyAborted = 0x0004;
inline constexpr uint32_t kMciNotifyFailure = 0x0008;

class MediaHost {
public:
    virtual ~MediaHost() = default;
    // A child surface above the window's picture at `bounds` (client
    // coordinates), first hidden; nullptr when the window cannot have one.
    // Clicks inside it go to `input` (in the child's coordinates); without
    // one the child takes no input.
    virtual std::unique_ptr<platform::ChildWindow> CreateMediaChild(Rect bounds,
                                                                    platform::WindowHandler* input = nullptr) = 0;
    // Runs `task` on the window's thread, later; never on the caller's
    // stack. A task posted after the window has ended is dropped.
    virtual void PostToWindowThread(std::function<void()> task) = 0;
    // The keyboard focus goes back to the window (after a video closed).
    virtual void FocusWindow() {}
    // The mouse pointer is hidden over the window.
    virtual void HidePointer() {}
};

}  // namespace korv
