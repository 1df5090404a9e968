#pragma once
// Windows on the screen and the main thread's event loop.
//
// A window has a client surface that any thread may draw into while it
// holds the window's drawing lock; the event loop shows the surface (and the
// window's child surfaces above it, in order) on the screen whenever it has
// changed. Input, close requests, timers and posted messages reach the
// window's handler on the main thread, inside EventLoop::Run.
//
// Backends: SDL2 on X11 (a real screen), and a headless display that keeps
// frames in memory and takes injected input (tests, offline rendering).

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/geometry.h"
#include "platform/surface.h"

namespace korv::platform {

// Virtual key codes as the original platform numbers them.
enum VirtualKey : int {
    VkBack = 8, VkTab = 9, VkReturn = 13, VkShift = 16, VkControl = 17, VkMenu = 18, VkEscape = 27, VkSpace = 32,
    VkLeft = 37, VkUp = 38, VkRight = 39, VkDown = 40, VkF1 = 112, VkF4 = 115, VkF12 = 123,
};

enum class MouseButton { Left, Middle, Right };

// What a window hears. Every call comes on the main thread.
class WindowHandler {
public:
    virtual ~WindowHandler() = default;
    virtual void OnMouseMove(Point client) {}
    virtual void OnButtonDown(MouseButton button, Point client) {}
    virtual void OnDoubleClick(MouseButton button, Point client) {}
    // A key pressed without Alt (`vk` a VirtualKey or an ASCII capital/digit).
    virtual void OnKeyDown(int vk) {}
    // A key pressed with Alt held.
    virtual void OnSystemKeyDown(int vk) {}
    // The user or the system asks the window to close.
    virtual void OnCloseRequest() {}
    // The program is asked to end (for example by its host): the window
    // ends without asking anything. By default it is a close request.
    virtual void OnTerminate() { OnCloseRequest(); }
    virtual void OnTimer(uint32_t id) {}
    // The window took a new size from its host; what it showed stays at the
    // top left, and the client area beyond `previous` is black.
    virtual void OnResized(Size previous) {}
    // A message posted with EventLoop::Post.
    virtual void OnMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) {}
};

enum class CursorShape { Blank, Arrow };

class Window;

// A child surface shown above its window's client surface (for example a
// button bar); clicks inside it go to its own handler.
class ChildWindow {
public:
    virtual ~ChildWindow() = default;
    virtual Rect Bounds() const = 0;  // in the parent's client coordinates
    virtual void SetVisible(bool visible) = 0;
    virtual bool Visible() const = 0;
    // Draws into the child under the parent's drawing lock.
    virtual void Draw(const std::function<void(Surface&)>& paint) = 0;
};

class Window {
public:
    virtual ~Window() = default;

    // Screen position and size of the client area.
    virtual Rect Bounds() const = 0;
    // Runs `paint` on the client surface while holding the drawing lock;
    // the surface is shown at the next refresh of the event loop.
    virtual void Draw(const std::function<void(Surface&)>& paint) = 0;
    // A copy of what the window shows now (client surface and visible children).
    virtual Surface Snapshot() = 0;
    // Whether drawing already made is still waiting for the window's next
    // refresh. Drawing more before it comes ends up in the same frame, so a
    // producer of many steps a second may hold back a step that a later one
    // will cover. A window that shows every draw at once never waits.
    virtual bool FrameWaiting() const { return false; }

    virtual void SetCursorShape(CursorShape shape) = 0;
    virtual void SetCursorVisible(bool visible) = 0;
    virtual void MoveCursor(Point client) = 0;
    virtual Point CursorPosition() const = 0;

    virtual std::unique_ptr<ChildWindow> CreateChild(Rect bounds, WindowHandler* handler) = 0;
    // The X11 id (or the backend's handle) of the window; 0 when it has none.
    virtual uintptr_t NativeHandle() const = 0;
};

class EventLoop;

class Display {
public:
    virtual ~Display() = default;

    // The union of all monitors, and the primary monitor.
    virtual Rect VirtualScreen() const = 0;
    virtual Rect PrimaryScreen() const = 0;
    virtual int MonitorCount() const = 0;

    // A borderless, top-most window covering `bounds` (screen coordinates).
    virtual std::unique_ptr<Window> CreateTopWindow(Rect bounds, WindowHandler* handler) = 0;
    // An ordinary window of the desktop with `title`: decorated, resizable
    // by the user (the handler hears OnResized), not kept on top. A display
    // without a desktop gives a plain top window.
    virtual std::unique_ptr<Window> CreateAppWindow(Rect bounds, const std::string& title, WindowHandler* handler) {
        return CreateTopWindow(bounds, handler);
    }
    // A window inside the host window `parent` (for example a preview area),
    // covering its client area; nothing when the host window does not exist.
    virtual std::unique_ptr<Window> CreateEmbeddedWindow(uintptr_t parent, WindowHandler* handler) = 0;
    // The screen's root window as a host for CreateEmbeddedWindow (our window
    // then stays below all others, like a desktop background); 0 when the
    // backend has none.
    virtual uintptr_t ScreenRootWindow() const = 0;

    virtual EventLoop& Loop() = 0;
};

// The main thread's loop: input and close requests of the display's
// windows, timers, posted messages; it shows changed window surfaces.
class EventLoop {
public:
    virtual ~EventLoop() = default;
    // Runs until Quit; returns the quit code.
    virtual int Run() = 0;
    // Thread-safe: ends Run with `code`.
    virtual void Quit(int code) = 0;
    // Thread-safe: delivers OnMessage to `handler` inside Run.
    virtual void Post(WindowHandler* handler, uint32_t id, uintptr_t wParam = 0, intptr_t lParam = 0) = 0;
    // Main thread: OnTimer(id) every `periodMs` (replacing a timer of the same
    // handler and id); KillTimer stops it.
    virtual void SetTimer(WindowHandler* handler, uint32_t id, uint32_t periodMs) = 0;
    virtual void KillTimer(WindowHandler* handler, uint32_t id) = 0;
    // Forgets everything queued for a handler that is going away.
    virtual void Forget(WindowHandler* handler) = 0;
};

// The display of this machine: SDL2 when $DISPLAY (or Wayland) is set,
// otherwise nothing.
std::unique_ptr<Display> OpenSystemDisplay();

// What a headless screen has composed so far: the frames that showed any
// change, and the pixels composed for them.
struct FrameStats {
    uint64_t frames = 0;
    uint64_t composedPixels = 0;
};
// Told the first point where a frame composed from the marked changes
// differs from one composed whole: something drew without marking it.
using DamageCheck = std::function<void(Point)>;

// A display without a screen: windows keep their frames in memory; input is
// injected. Timers follow the given clock's tick count (the virtual clock in
// tests and offline rendering). With KORV_CHECK_DAMAGE=1 in the environment
// every change is checked and a failed check aborts the program.
class HeadlessDisplay : public Display {
public:
    virtual void InjectMouseMove(Point client) = 0;
    virtual void InjectButtonDown(MouseButton button, Point client) = 0;
    virtual void InjectDoubleClick(MouseButton button, Point client) = 0;
    virtual void InjectKey(int vk, bool alt = false) = 0;
    virtual void InjectCloseRequest() = 0;
    // What the screen shows: the frame of the first open window, brought up
    // to date where it changed, as a real screen's is.
    virtual Surface Screen() = 0;
    virtual FrameStats Stats() = 0;
    // Checks every change of the windows made from now on.
    virtual void SetDamageCheck(DamageCheck check) = 0;
};
class Clock;
std::unique_ptr<HeadlessDisplay> CreateHeadlessDisplay(int width, int height, Clock* clock = nullptr);

}  // namespace korv::platform
