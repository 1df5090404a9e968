// The machine's screen through SDL2 (X11, or Wayland for top windows only).
//
// An embedded window (the preview case) is an X11 window that we create
// inside the host's window and hand to SDL with SDL_CreateWindowFrom. We
// create it on SDL's own X connection, taken from a hidden helper window, so
// that its input arrives in SDL's queue like any other window's. The helper
// window also gives SDL_WaitEventTimeout a window to wake when another thread
// posts, so the loop sleeps in poll() even before the first real window
// exists.
//
// An embedded window follows the size of its host window.
//
// The host of an embedded window may vanish at any moment: the host window
// watch swallows the errors about it, and the loop then asks the window to
// close.

#include "platform/display.h"
#include "platform/process_end.h"
#include "platform/sdl/host_window_watch.h"
#include "platform/sdl/sdl_event_loop.h"
#include "platform/sdl/sdl_video.h"
#include "platform/sdl/sdl_window.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

// X.h names a constant of XQueryBestSize like our cursor shapes.
#undef CursorShape

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace korv::platform {

namespace {

bool DisplayNamed() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

class SdlDisplay final : public Display {
public:
    SdlDisplay() : loop_(windows_) {
        home_.windows = &windows_;
        home_.wakeLoop = [this] { loop_.Wake(); };
    }
    ~SdlDisplay() override;

    bool Open();

    Rect VirtualScreen() const override;
    Rect PrimaryScreen() const override;
    int MonitorCount() const override { return std::max(SDL_GetNumVideoDisplays(), 1); }

    std::unique_ptr<Window> CreateTopWindow(Rect bounds, WindowHandler* handler) override;
    std::unique_ptr<Window> CreateAppWindow(Rect bounds, const std::string& title, WindowHandler* handler) override;
    std::unique_ptr<Window> CreateEmbeddedWindow(uintptr_t parent, WindowHandler* handler) override;
    uintptr_t ScreenRootWindow() const override { return xdisplay_ ? DefaultRootWindow(xdisplay_) : 0; }

    EventLoop& Loop() override { return loop_; }

private:
    // SDL_WaitEventTimeout wakes itself with an X event sent (on a second
    // connection) to the newest window. An embedded window may die with its
    // host at any time, and the error about that send would come when SDL
    // closes that connection, where nothing can catch it. So after making an
    // embedded window, the helper is made again to be the newest window.
    void RenewHelper();

    SdlWindowList windows_;
    SdlEventLoop loop_;
    SdlWindowHome home_;  // the cursors are made in Open
    bool videoStarted_ = false;
    bool handlerInstalled_ = false;
    bool wakerSet_ = false;
    SDL_Window* helper_ = nullptr;
    ::Display* xdisplay_ = nullptr;
};

bool SdlDisplay::Open() {
    if (!DisplayNamed()) return false;
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    // The software renderer draws into the window's own framebuffer (XShm
    // images on X11). Left alone, SDL would put an OpenGL texture behind
    // that framebuffer, recreating the window (with a new X id) on the way.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // We may be the screen saver; the system's power saving goes on as usual.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    if (!StartSdlVideo()) return false;
    videoStarted_ = true;

    const Uint32 wakeEvent = SDL_RegisterEvents(1);
    if (wakeEvent != static_cast<Uint32>(-1)) loop_.UseWakeEvent(wakeEvent);
    SetTerminationWaker([this] { loop_.Wake(); });
    wakerSet_ = true;

    helper_ = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS);
    if (!helper_) return false;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(helper_, &info) && info.subsystem == SDL_SYSWM_X11) {
        xdisplay_ = info.info.x11.display;
        host_window_watch::Install();
        handlerInstalled_ = true;
        // DestroyNotify of embedded windows comes to us as a system event.
        SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    }
    SDL_StopTextInput();

    static const uint8_t kEmpty[32 * 32 / 8] = {};
    home_.blankCursor = SDL_CreateCursor(kEmpty, kEmpty, 32, 32, 0, 0);
    home_.arrowCursor = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    return true;
}

void SdlDisplay::RenewHelper() {
    SDL_Window* renewed = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS);
    if (!renewed) return;
    SDL_DestroyWindow(helper_);
    helper_ = renewed;
}

SdlDisplay::~SdlDisplay() {
    if (wakerSet_) SetTerminationWaker({});
    if (home_.blankCursor) SDL_FreeCursor(home_.blankCursor);
    if (home_.arrowCursor) SDL_FreeCursor(home_.arrowCursor);
    if (helper_) SDL_DestroyWindow(helper_);
    if (handlerInstalled_) {
        SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE);
        host_window_watch::Uninstall();
    }
    if (videoStarted_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

Rect SdlDisplay::PrimaryScreen() const {
    SDL_Rect r;
    if (SDL_GetDisplayBounds(0, &r) != 0) return {};
    return Rect::FromSize(r.x, r.y, r.w, r.h);
}

Rect SdlDisplay::VirtualScreen() const {
    Rect all = PrimaryScreen();
    const int count = SDL_GetNumVideoDisplays();
    for (int index = 1; index < count; ++index) {
        SDL_Rect r;
        if (SDL_GetDisplayBounds(index, &r) != 0) continue;
        all = {std::min(all.left, r.x), std::min(all.top, r.y), std::max(all.right, r.x + r.w),
               std::max(all.bottom, r.y + r.h)};
    }
    return all;
}

std::unique_ptr<Window> SdlDisplay::CreateAppWindow(Rect bounds, const std::string& title, WindowHandler* handler) {
    const int width = std::max(bounds.Width(), 1);
    const int height = std::max(bounds.Height(), 1);
    SDL_Window* window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                                          SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
    if (!window) return nullptr;
    SdlWindow::Parts parts;
    parts.window = window;
    int x = 0, y = 0;
    SDL_GetWindowPosition(window, &x, &y);
    parts.bounds = Rect::FromSize(x, y, width, height);
    auto result = std::make_unique<SdlWindow>(home_, handler, parts);
    if (!result->Open()) return nullptr;
    result->ApplyCursor();
    return result;
}

std::unique_ptr<Window> SdlDisplay::CreateTopWindow(Rect bounds, WindowHandler* handler) {
    const int width = std::max(bounds.Width(), 1);
    const int height = std::max(bounds.Height(), 1);
    SDL_Window* window = SDL_CreateWindow(
        "", bounds.left, bounds.top, width, height,
        SDL_WINDOW_SHOWN | SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP | SDL_WINDOW_SKIP_TASKBAR);
    if (!window) return nullptr;

    SdlWindow::Parts parts;
    parts.window = window;
    parts.bounds = Rect::FromSize(bounds.left, bounds.top, width, height);
    auto result = std::make_unique<SdlWindow>(home_, handler, parts);
    if (!result->Open()) return nullptr;
    SDL_RaiseWindow(window);
    SDL_SetWindowInputFocus(window);
    result->ApplyCursor();
    return result;
}

std::unique_ptr<Window> SdlDisplay::CreateEmbeddedWindow(uintptr_t parent, WindowHandler* handler) {
    if (!xdisplay_ || parent == 0) return nullptr;
    const ::Window host = static_cast<::Window>(parent);

    // A host that does not exist fails this request; the error is ours to see.
    host_window_watch::Watch(host);
    XWindowAttributes hostAttributes;
    if (!XGetWindowAttributes(xdisplay_, host, &hostAttributes)) {
        host_window_watch::Unwatch(host);
        return nullptr;
    }
    const int width = std::max(hostAttributes.width, 1);
    const int height = std::max(hostAttributes.height, 1);
    const ::Window ours = XCreateSimpleWindow(xdisplay_, host, 0, 0, static_cast<unsigned>(width),
                                              static_cast<unsigned>(height), 0, 0, 0);
    host_window_watch::Watch(ours);
    // SDL selects no input on windows it did not create; ask for what it
    // handles, and for StructureNotify so that we hear when the window goes.
    XSelectInput(xdisplay_, ours,
                 FocusChangeMask | EnterWindowMask | LeaveWindowMask | ExposureMask | ButtonPressMask |
                     ButtonReleaseMask | PointerMotionMask | KeyPressMask | KeyReleaseMask | PropertyChangeMask |
                     StructureNotifyMask | KeymapStateMask);
    const bool overRoot = host == hostAttributes.root;
    if (overRoot) {
        // On the root window no window manager frames ours, and it stays
        // below the other windows, where the root window's picture would be.
        XSetWindowAttributes attributes;
        attributes.override_redirect = True;
        XChangeWindowAttributes(xdisplay_, ours, CWOverrideRedirect, &attributes);
    }
    XMapWindow(xdisplay_, ours);
    if (overRoot) XLowerWindow(xdisplay_, ours);
    // The host's size changes reach us, so that our window follows them.
    XSelectInput(xdisplay_, host, StructureNotifyMask);
    int screenX = 0, screenY = 0;
    ::Window unused = 0;
    const bool placed =
        XTranslateCoordinates(xdisplay_, ours, hostAttributes.root, 0, 0, &screenX, &screenY, &unused);
    XSync(xdisplay_, False);
    if (!placed || host_window_watch::Lost(host) || host_window_watch::Lost(ours)) {
        XDestroyWindow(xdisplay_, ours);
        XSync(xdisplay_, False);
        host_window_watch::Unwatch(ours);
        host_window_watch::Unwatch(host);
        return nullptr;
    }

    SDL_Window* window = SDL_CreateWindowFrom(reinterpret_cast<const void*>(static_cast<uintptr_t>(ours)));
    if (!window) {
        XDestroyWindow(xdisplay_, ours);
        XSync(xdisplay_, False);
        host_window_watch::Unwatch(ours);
        host_window_watch::Unwatch(host);
        return nullptr;
    }
    RenewHelper();
    SdlWindow::Parts parts;
    parts.window = window;
    parts.xdisplay = xdisplay_;
    parts.xwindow = ours;
    parts.xhost = host;
    parts.bounds = Rect::FromSize(screenX, screenY, width, height);
    auto result = std::make_unique<SdlWindow>(home_, handler, parts);
    if (!result->Open()) return nullptr;
    result->ApplyCursor();
    return result;
}

}  // namespace

std::unique_ptr<Display> OpenSystemDisplay() {
    auto display = std::make_unique<SdlDisplay>();
    if (!display->Open()) return nullptr;
    return display;
}

}  // namespace korv::platform
