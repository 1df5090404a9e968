#pragma once
// A window of the SDL display, and the list of a display's open windows.
//
// A top window is a borderless, always-on-top SDL window; an embedded window
// (the preview case) is an X11 window of ours inside the host's window, handed
// to SDL. Each window's frame is composed in memory (client surface, then
// visible children in creation order) and only what changed is copied to the
// window's framebuffer (shared memory with the X server) and pushed to the
// screen, at most about 60 times a second. An embedded window follows the
// size of its host.

#include <SDL.h>
#include <X11/Xlib.h>

// X.h names a constant of XQueryBestSize like our cursor shapes.
#undef CursorShape

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/display.h"
#include "platform/window_composition.h"

namespace korv::platform {

class SdlWindow;

// The open windows of a display, in creation order.
class SdlWindowList {
public:
    const std::vector<SdlWindow*>& All() const { return windows_; }
    SdlWindow* Find(uint32_t sdlId) const;
    // Whether `window` is still open (a handler may close windows while the
    // loop walks a copy of the list).
    bool Has(const SdlWindow* window) const;
    // Keyboard input without a window of its own goes to the first window.
    SdlWindow* KeyboardTarget(uint32_t sdlId) const;
    void Add(SdlWindow* window) { windows_.push_back(window); }
    void Remove(SdlWindow* window) { std::erase(windows_, window); }

private:
    std::vector<SdlWindow*> windows_;
};

// What a display gives each of its windows.
struct SdlWindowHome {
    SdlWindowList* windows = nullptr;
    // SDL has one cursor for all its windows; a hidden cursor is the blank one.
    SDL_Cursor* blankCursor = nullptr;
    SDL_Cursor* arrowCursor = nullptr;
    // Wakes the event loop to show a changed frame (any thread).
    std::function<void()> wakeLoop;
};

// What a window shows; `onChange` wakes the loop and is cleared when the
// window goes.
using SdlWindowState = FrameState;

class SdlWindow final : public Window {
public:
    struct Parts {
        SDL_Window* window = nullptr;
        ::Display* xdisplay = nullptr;  // for embedded windows and pointer queries
        ::Window xwindow = 0;           // our X window
        ::Window xhost = 0;             // the host of an embedded window
        Rect bounds;
    };

    SdlWindow(const SdlWindowHome& home, WindowHandler* handler, const Parts& parts);
    ~SdlWindow() override;

    // The framebuffer; false when SDL cannot draw into the window.
    bool Open();

    Rect Bounds() const override;
    void Draw(const std::function<void(Surface&)>& paint) override;
    Surface Snapshot() override;
    bool FrameWaiting() const override;

    void SetCursorShape(CursorShape shape) override;
    void SetCursorVisible(bool visible) override;
    void MoveCursor(Point client) override;
    Point CursorPosition() const override;

    std::unique_ptr<ChildWindow> CreateChild(Rect bounds, WindowHandler* handler) override {
        return AddChild(state_, bounds, handler);
    }

    uintptr_t NativeHandle() const override { return xwindow_; }

    // The loop's side; main thread only.
    uint32_t SdlId() const { return sdlId_; }
    WindowHandler* Handler() const { return handler_; }
    bool Embedded() const { return xhost_ != 0; }
    // Whether a reported pointer position is stale (see MoveCursor).
    bool StaleMotion(Point client);
    // The handler for a pointer event at `client`: a visible child's (with
    // the point moved into its coordinates) or the window's.
    WindowHandler* PointerTarget(Point& client);
    // Shows the frame when it changed and the last frame is old enough;
    // otherwise lowers `waitMs` to when it will be.
    void Refresh(uint64_t nowMs, int& waitMs);
    void Exposed() { exposed_ = true; }
    void Moved(int x, int y);
    void HostWindowDestroyed(::Window id) {
        if (id == xwindow_ || id == xhost_) destroyed_ = true;
    }
    // An embedded window follows its host's size: the X window, the client
    // surface (what it showed stays at the top left) and the frame.
    // Returns the size before, or nothing when `id` is not the host or the
    // size is the same.
    std::optional<Size> HostResized(::Window id, int width, int height);
    // A window the user resized (not an embedded one): the client surface
    // follows as for HostResized. Returns the size before, or nothing.
    std::optional<Size> Resized(int width, int height);
    // True once, when an embedded window's X window has gone.
    bool TakeLoss();
    void ApplyCursor();

private:
    std::optional<Size> ResizeClient(int width, int height);

    const SdlWindowHome& home_;
    WindowHandler* handler_;
    SDL_Window* window_;
    uint32_t sdlId_;
    ::Display* xdisplay_;
    ::Window xwindow_;
    ::Window xhost_;
    mutable std::mutex boundsMutex_;
    Rect bounds_;
    std::shared_ptr<SdlWindowState> state_;
    // Copies `region` of `frame` to the window's framebuffer; the parts
    // copied, for Show.
    std::vector<SDL_Rect> CopyToFramebuffer(const Surface& frame, DamageRegion region);
    void Show(const std::vector<SDL_Rect>& parts);

    SDL_Surface* framebuffer_ = nullptr;  // SDL's; changes when the window's size does
    Surface frame_;
    uint64_t shownChanges_ = 0;
    uint64_t lastShownMs_ = 0;
    bool exposed_ = false;
    bool destroyed_ = false;  // DestroyNotify seen
    bool lost_ = false;       // reported
    CursorShape cursorShape_ = CursorShape::Arrow;
    bool cursorVisible_ = true;
    std::optional<Point> pendingWarp_;
    uint64_t warpDeadline_ = 0;
};

}  // namespace korv::platform
