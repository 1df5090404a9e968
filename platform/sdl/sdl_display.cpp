// Windows on the machine's screen through SDL2 (X11, or Wayland for top
// windows only).
//
// A top window is a borderless, always-on-top SDL window. An embedded window
// (the preview case) is an X11 window that we create inside the host's window
// and hand to SDL with SDL_CreateWindowFrom. We create it on SDL's own X
// connection, taken from a hidden helper window, so that its input arrives in
// SDL's queue like any other window's. The helper window also gives
// SDL_WaitEventTimeout a window to wake when another thread posts, so the
// loop sleeps in poll() even before the first real window exists.
//
// The host of an embedded window belongs to another program and may vanish at
// any moment. A process-wide Xlib error handler swallows the errors about
// such windows (Xlib's default handler would end the process) and marks them
// lost; the loop then asks the window to close.
//
// Each window's frame is composed in memory (client surface, then visible
// children in creation order) and shown through a streaming texture of the
// software renderer, at most about 60 times a second and only after a change.

#include "platform/display.h"
#include "platform/process_end.h"
#include "platform/sdl/sdl_video.h"
#include "platform/window_composition.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

// X.h names a constant of XQueryBestSize like our cursor shapes.
#undef CursorShape

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

namespace korv::platform {

namespace {

constexpr uint32_t kMinimumTimerPeriodMs = 10;  // as on the original platform
constexpr uint64_t kFrameIntervalMs = 16;       // about 60 frames a second
constexpr int kLongWaitMs = 1000;

bool DisplayNamed() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

// ---------------------------------------------------------------------------
// Xlib errors about windows that may vanish under us.

namespace xerrors {

std::mutex gMutex;
std::set<unsigned long> gWatched;  // guarded by gMutex
std::set<unsigned long> gLost;     // guarded by gMutex
XErrorHandler gPrevious = nullptr;
int gInstalls = 0;  // guarded by gMutex

// Called by Xlib, possibly deep inside an SDL call; it must not call Xlib.
int Handler(::Display* display, XErrorEvent* error) {
    {
        std::lock_guard lock(gMutex);
        if (gWatched.count(error->resourceid)) {
            if (error->error_code == BadWindow || error->error_code == BadDrawable) gLost.insert(error->resourceid);
            return 0;
        }
    }
    return gPrevious ? gPrevious(display, error) : 0;
}

void Install() {
    std::lock_guard lock(gMutex);
    if (gInstalls++ == 0) gPrevious = XSetErrorHandler(Handler);
}

void Uninstall() {
    std::lock_guard lock(gMutex);
    if (--gInstalls == 0) {
        XSetErrorHandler(gPrevious);
        gPrevious = nullptr;
    }
}

void Watch(unsigned long id) {
    std::lock_guard lock(gMutex);
    gWatched.insert(id);
    gLost.erase(id);
}

void Unwatch(unsigned long id) {
    std::lock_guard lock(gMutex);
    gWatched.erase(id);
    gLost.erase(id);
}

bool Lost(unsigned long id) {
    std::lock_guard lock(gMutex);
    return gLost.count(id) != 0;
}

}  // namespace xerrors

// ---------------------------------------------------------------------------
// Keys.

// The original platform's key number for an SDL key; 0xFF (the number it
// gives keys without a code of their own) for anything else, so that every
// key press still reaches the window.
int VirtualKeyOf(const SDL_Keysym& key) {
    const SDL_Keycode sym = key.sym;
    if (sym >= SDLK_a && sym <= SDLK_z) return 'A' + (sym - SDLK_a);
    if (sym >= SDLK_0 && sym <= SDLK_9) return '0' + (sym - SDLK_0);
    if (sym >= SDLK_F1 && sym <= SDLK_F12) return VkF1 + (sym - SDLK_F1);
    if (sym >= SDLK_F13 && sym <= SDLK_F24) return 124 + (sym - SDLK_F13);
    if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9) return 97 + (sym - SDLK_KP_1);
    switch (sym) {
    case SDLK_BACKSPACE: return VkBack;
    case SDLK_TAB: return VkTab;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VkReturn;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VkShift;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VkControl;
    case SDLK_LALT:
    case SDLK_RALT: return VkMenu;
    case SDLK_PAUSE: return 19;
    case SDLK_CAPSLOCK: return 20;
    case SDLK_ESCAPE: return VkEscape;
    case SDLK_SPACE: return VkSpace;
    case SDLK_PAGEUP: return 33;
    case SDLK_PAGEDOWN: return 34;
    case SDLK_END: return 35;
    case SDLK_HOME: return 36;
    case SDLK_LEFT: return VkLeft;
    case SDLK_UP: return VkUp;
    case SDLK_RIGHT: return VkRight;
    case SDLK_DOWN: return VkDown;
    case SDLK_PRINTSCREEN: return 44;
    case SDLK_INSERT: return 45;
    case SDLK_DELETE: return 46;
    case SDLK_LGUI: return 91;
    case SDLK_RGUI: return 92;
    case SDLK_APPLICATION: return 93;
    case SDLK_KP_0: return 96;
    case SDLK_KP_MULTIPLY: return 106;
    case SDLK_KP_PLUS: return 107;
    case SDLK_KP_MINUS: return 109;
    case SDLK_KP_PERIOD: return 110;
    case SDLK_KP_DIVIDE: return 111;
    case SDLK_NUMLOCKCLEAR: return 144;
    case SDLK_SCROLLLOCK: return 145;
    case SDLK_SEMICOLON: return 186;
    case SDLK_EQUALS: return 187;
    case SDLK_COMMA: return 188;
    case SDLK_MINUS: return 189;
    case SDLK_PERIOD: return 190;
    case SDLK_SLASH: return 191;
    case SDLK_BACKQUOTE: return 192;
    case SDLK_LEFTBRACKET: return 219;
    case SDLK_BACKSLASH: return 220;
    case SDLK_RIGHTBRACKET: return 221;
    case SDLK_QUOTE: return 222;
    default: break;
    }
    // Letters and digits of other layouts: the key's position on the keyboard.
    const SDL_Scancode code = key.scancode;
    if (code >= SDL_SCANCODE_A && code <= SDL_SCANCODE_Z) return 'A' + (code - SDL_SCANCODE_A);
    if (code >= SDL_SCANCODE_1 && code <= SDL_SCANCODE_9) return '1' + (code - SDL_SCANCODE_1);
    if (code == SDL_SCANCODE_0) return '0';
    return 0xFF;
}

bool ButtonOf(uint8_t sdlButton, MouseButton& button) {
    switch (sdlButton) {
    case SDL_BUTTON_LEFT: button = MouseButton::Left; return true;
    case SDL_BUTTON_MIDDLE: button = MouseButton::Middle; return true;
    case SDL_BUTTON_RIGHT: button = MouseButton::Right; return true;
    default: return false;
    }
}

// ---------------------------------------------------------------------------
// Surfaces.

// What a window shows. Children hold it too, so a child may outlive its
// window; `onChange` is cleared when the window goes.
struct WindowState {
    std::mutex mutex;  // the drawing lock; guards everything below
    Surface surface;
    std::vector<std::shared_ptr<ChildState>> children;  // bottom to top
    uint64_t changes = 1;                                // anything that alters the frame
    std::function<void()> onChange;                      // wakes the loop

    // Caller holds `mutex`.
    void Changed() {
        ++changes;
        if (onChange) onChange();
    }
};

// Caller holds state.mutex.
void ComposeInto(const WindowState& state, Surface& frame) { ComposeFrame(state.surface, state.children, frame); }

class SdlDisplay;

// ---------------------------------------------------------------------------
// Windows.

class SdlWindow final : public Window {
public:
    struct Parts {
        SDL_Window* window = nullptr;
        ::Display* xdisplay = nullptr;  // for embedded windows and pointer queries
        ::Window xwindow = 0;           // our X window
        ::Window xhost = 0;             // the host of an embedded window
        Rect bounds;
    };

    SdlWindow(SdlDisplay& display, WindowHandler* handler, const Parts& parts);
    ~SdlWindow() override;

    // Renderer and texture; false when SDL cannot draw into the window.
    bool Open();

    Rect Bounds() const override {
        std::lock_guard lock(boundsMutex_);
        return bounds_;
    }

    void Draw(const std::function<void(Surface&)>& paint) override {
        std::lock_guard lock(state_->mutex);
        paint(state_->surface);
        state_->surface.MarkChanged();
        state_->Changed();
    }

    Surface Snapshot() override {
        std::lock_guard lock(state_->mutex);
        Surface frame;
        ComposeInto(*state_, frame);
        return frame;
    }

    void SetCursorShape(CursorShape shape) override;
    void SetCursorVisible(bool visible) override;
    void MoveCursor(Point client) override {
        // Pointer motion reported before the move (for example where the
        // pointer stood when the window appeared) is stale: it is dropped
        // until the move itself is reported, or for half a second at most.
        SDL_PumpEvents();
        SDL_FlushEvent(SDL_MOUSEMOTION);
        pendingWarp_ = client;
        warpDeadline_ = SDL_GetTicks64() + 500;
        SDL_WarpMouseInWindow(window_, client.x, client.y);
    }
    // Whether a reported pointer position is stale (see MoveCursor).
    bool StaleMotion(Point client) {
        if (!pendingWarp_) return false;
        if (client == *pendingWarp_ || SDL_GetTicks64() >= warpDeadline_) {
            pendingWarp_.reset();
            return false;
        }
        return true;
    }
    Point CursorPosition() const override;

    std::unique_ptr<ChildWindow> CreateChild(Rect bounds, WindowHandler* handler) override {
        auto child = std::make_shared<ChildState>();
        child->bounds = bounds;
        child->surface = Surface(bounds.Width(), bounds.Height());
        child->handler = handler;
        {
            std::lock_guard lock(state_->mutex);
            state_->children.push_back(child);
            state_->Changed();
        }
        return std::make_unique<CompositedChild<WindowState>>(state_, std::move(child));
    }

    uintptr_t NativeHandle() const override { return xwindow_; }

    // The loop's side; main thread only.
    uint32_t SdlId() const { return sdlId_; }
    WindowHandler* Handler() const { return handler_; }
    bool Embedded() const { return xhost_ != 0; }
    // The handler for a pointer event at `client`: a visible child's (with
    // the point moved into its coordinates) or the window's.
    WindowHandler* PointerTarget(Point& client);
    std::optional<Point> pendingWarp_;
    uint64_t warpDeadline_ = 0;
    // Shows the frame when it changed and the last frame is old enough;
    // otherwise lowers `waitMs` to when it will be.
    void Refresh(uint64_t nowMs, int& waitMs);
    void Exposed() { exposed_ = true; }
    void Moved(int x, int y);
    void HostWindowDestroyed(::Window id) {
        if (id == xwindow_ || id == xhost_) destroyed_ = true;
    }
    // True once, when an embedded window's X window has gone.
    bool TakeLoss();
    void ApplyCursor();

private:
    SdlDisplay& display_;
    WindowHandler* handler_;
    SDL_Window* window_;
    uint32_t sdlId_;
    ::Display* xdisplay_;
    ::Window xwindow_;
    ::Window xhost_;
    mutable std::mutex boundsMutex_;
    Rect bounds_;
    std::shared_ptr<WindowState> state_;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    Surface frame_;
    uint64_t shownChanges_ = 0;
    uint64_t lastShownMs_ = 0;
    bool exposed_ = false;
    bool destroyed_ = false;  // DestroyNotify seen
    bool lost_ = false;       // reported
    CursorShape cursorShape_ = CursorShape::Arrow;
    bool cursorVisible_ = true;
};

// ---------------------------------------------------------------------------
// The event loop.

class SdlLoop final : public EventLoop {
public:
    explicit SdlLoop(SdlDisplay& display);

    int Run() override;
    void Quit(int code) override;
    void Post(WindowHandler* handler, uint32_t id, uintptr_t wParam, intptr_t lParam) override;
    void SetTimer(WindowHandler* handler, uint32_t id, uint32_t periodMs) override;
    void KillTimer(WindowHandler* handler, uint32_t id) override;
    void Forget(WindowHandler* handler) override;

    // Thread-safe: ends the loop's wait (at most one wake-up event waits in
    // SDL's queue at a time).
    void Wake();
    // The event type of wake-ups; set once, before any window exists.
    void UseWakeEvent(uint32_t type) { wakeEvent_ = type; }

private:
    struct Posted {
        WindowHandler* handler;
        uint32_t id;
        uintptr_t wParam;
        intptr_t lParam;
    };
    struct Timer {
        WindowHandler* handler;
        uint32_t id;
        uint32_t period;
        uint64_t due;
    };

    bool TakeQuit(int& code);
    bool QuitPending();
    // Asks every window to end once a termination request has come.
    void DeliverTermination();
    void DeliverPosted();
    void FireTimers(int& waitMs);
    void Handle(const SDL_Event& event);

    SdlDisplay& display_;
    uint32_t wakeEvent_;
    // The last button press (main thread), to tell double clicks.
    WindowHandler* lastPressTarget_ = nullptr;
    MouseButton lastPressButton_ = MouseButton::Left;
    bool lastPressWasDouble_ = false;
    bool terminationDelivered_ = false;
    std::atomic<bool> wakePending_{false};
    std::mutex mutex_;  // guards everything below
    std::deque<Posted> posted_;
    std::vector<Timer> timers_;  // in the order they were set
    bool quitRequested_ = false;
    int quitCode_ = 0;
};

// ---------------------------------------------------------------------------
// The display.

class SdlDisplay final : public Display {
public:
    SdlDisplay() : loop_(*this) {}
    ~SdlDisplay() override;

    bool Open();

    Rect VirtualScreen() const override;
    Rect PrimaryScreen() const override;
    int MonitorCount() const override { return std::max(SDL_GetNumVideoDisplays(), 1); }

    std::unique_ptr<Window> CreateTopWindow(Rect bounds, WindowHandler* handler) override;
    std::unique_ptr<Window> CreateEmbeddedWindow(uintptr_t parent, WindowHandler* handler) override;

    EventLoop& Loop() override { return loop_; }

    // The loop's and the windows' side; main thread only.
    SdlLoop& sdlLoop() { return loop_; }
    const std::vector<SdlWindow*>& Windows() const { return windows_; }
    SdlWindow* Find(uint32_t sdlId) const;
    // Whether `window` is still open (a handler may close windows while the
    // loop walks a copy of the list).
    bool Has(const SdlWindow* window) const {
        return std::find(windows_.begin(), windows_.end(), window) != windows_.end();
    }
    // Keyboard input without a window of its own goes to the first window.
    SdlWindow* KeyboardTarget(uint32_t sdlId) const;
    void Add(SdlWindow* window) { windows_.push_back(window); }
    void Remove(SdlWindow* window) { std::erase(windows_, window); }
    SDL_Cursor* Cursor(bool blank) const { return blank ? blankCursor_ : arrowCursor_; }

private:
    // SDL_WaitEventTimeout wakes itself with an X event sent (on a second
    // connection) to the newest window. An embedded window may die with its
    // host at any time, and the error about that send would come when SDL
    // closes that connection, where nothing can catch it. So after making an
    // embedded window, the helper is made again to be the newest window.
    void RenewHelper();

    SdlLoop loop_;
    bool videoStarted_ = false;
    bool handlerInstalled_ = false;
    bool wakerSet_ = false;
    SDL_Window* helper_ = nullptr;
    ::Display* xdisplay_ = nullptr;
    SDL_Cursor* blankCursor_ = nullptr;
    SDL_Cursor* arrowCursor_ = nullptr;
    std::vector<SdlWindow*> windows_;
};

// ---------------------------------------------------------------------------

SdlWindow::SdlWindow(SdlDisplay& display, WindowHandler* handler, const Parts& parts)
    : display_(display),
      handler_(handler),
      window_(parts.window),
      sdlId_(SDL_GetWindowID(parts.window)),
      xdisplay_(parts.xdisplay),
      xwindow_(parts.xwindow),
      xhost_(parts.xhost),
      bounds_(parts.bounds),
      state_(std::make_shared<WindowState>()) {
    state_->surface = Surface(parts.bounds.Width(), parts.bounds.Height());
    SdlLoop* loop = &display.sdlLoop();
    state_->onChange = [loop] { loop->Wake(); };
    display_.Add(this);
}

SdlWindow::~SdlWindow() {
    {
        std::lock_guard lock(state_->mutex);
        state_->onChange = nullptr;
    }
    display_.Remove(this);
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    SDL_DestroyWindow(window_);
    if (xhost_) {
        // SDL leaves windows it did not create alone; ours goes now. Errors
        // about it (when it has already gone with its host) arrive during
        // the sync and are swallowed.
        if (!destroyed_) XDestroyWindow(xdisplay_, xwindow_);
        XSync(xdisplay_, False);
        xerrors::Unwatch(xwindow_);
        xerrors::Unwatch(xhost_);
    }
}

bool SdlWindow::Open() {
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer_) return false;
    if (!xwindow_) {
        // Asked only now: making a renderer may give the window a new X window.
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (SDL_GetWindowWMInfo(window_, &info) && info.subsystem == SDL_SYSWM_X11) {
            xdisplay_ = info.info.x11.display;
            xwindow_ = info.info.x11.window;
        }
    }
    const int width = std::max(bounds_.Width(), 1);
    const int height = std::max(bounds_.Height(), 1);
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, width, height);
    return texture_ != nullptr;
}

void SdlWindow::SetCursorShape(CursorShape shape) {
    cursorShape_ = shape;
    ApplyCursor();
}

void SdlWindow::SetCursorVisible(bool visible) {
    cursorVisible_ = visible;
    ApplyCursor();
}

// SDL has one cursor for all its windows; a hidden cursor is the blank one,
// so shape and visibility stay independent.
void SdlWindow::ApplyCursor() {
    SDL_Cursor* cursor = display_.Cursor(!cursorVisible_ || cursorShape_ == CursorShape::Blank);
    if (cursor) SDL_SetCursor(cursor);
}

Point SdlWindow::CursorPosition() const {
    if (xdisplay_ && xwindow_) {
        ::Window root = 0, child = 0;
        int rootX = 0, rootY = 0, x = 0, y = 0;
        unsigned int mask = 0;
        if (XQueryPointer(xdisplay_, xwindow_, &root, &child, &rootX, &rootY, &x, &y, &mask)) return {x, y};
    }
    int x = 0, y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    Rect bounds = Bounds();
    return {x - bounds.left, y - bounds.top};
}

WindowHandler* SdlWindow::PointerTarget(Point& client) {
    std::lock_guard lock(state_->mutex);
    for (auto child = state_->children.rbegin(); child != state_->children.rend(); ++child) {
        const ChildState& c = **child;
        if (c.visible && c.handler && c.bounds.Contains(client.x, client.y)) {
            client = {client.x - c.bounds.left, client.y - c.bounds.top};
            return c.handler;
        }
    }
    return handler_;
}

void SdlWindow::Refresh(uint64_t nowMs, int& waitMs) {
    if (lost_ || !texture_) return;
    {
        std::lock_guard lock(state_->mutex);
        if (state_->changes == shownChanges_ && !exposed_) return;
        if (nowMs - lastShownMs_ < kFrameIntervalMs) {
            waitMs = std::min(waitMs, static_cast<int>(kFrameIntervalMs - (nowMs - lastShownMs_)));
            return;
        }
        ComposeInto(*state_, frame_);
        shownChanges_ = state_->changes;
    }
    exposed_ = false;
    lastShownMs_ = nowMs;
    if (!frame_.Empty()) SDL_UpdateTexture(texture_, nullptr, frame_.Row(0), frame_.Width() * 4);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
}

void SdlWindow::Moved(int x, int y) {
    if (Embedded()) return;  // SDL reports embedded windows relative to the host
    std::lock_guard lock(boundsMutex_);
    bounds_ = bounds_.Offset(x - bounds_.left, y - bounds_.top);
}

bool SdlWindow::TakeLoss() {
    if (!Embedded() || lost_) return false;
    if (destroyed_ || xerrors::Lost(xwindow_) || xerrors::Lost(xhost_)) {
        lost_ = true;
        destroyed_ = true;  // an X window that fails as missing is gone
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------

SdlLoop::SdlLoop(SdlDisplay& display) : display_(display), wakeEvent_(SDL_USEREVENT) {}

void SdlLoop::Wake() {
    if (wakePending_.exchange(true)) return;
    SDL_Event event{};
    event.type = wakeEvent_;
    if (SDL_PushEvent(&event) != 1) wakePending_ = false;
}

void SdlLoop::Quit(int code) {
    {
        std::lock_guard lock(mutex_);
        quitRequested_ = true;
        quitCode_ = code;
    }
    Wake();
}

void SdlLoop::Post(WindowHandler* handler, uint32_t id, uintptr_t wParam, intptr_t lParam) {
    if (!handler) return;
    {
        std::lock_guard lock(mutex_);
        posted_.push_back({handler, id, wParam, lParam});
    }
    Wake();
}

void SdlLoop::SetTimer(WindowHandler* handler, uint32_t id, uint32_t periodMs) {
    if (!handler) return;
    const uint32_t period = std::max(periodMs, kMinimumTimerPeriodMs);
    const uint64_t due = SDL_GetTicks64() + period;
    {
        std::lock_guard lock(mutex_);
        auto found = std::find_if(timers_.begin(), timers_.end(),
                                  [&](const Timer& t) { return t.handler == handler && t.id == id; });
        if (found != timers_.end()) {
            found->period = period;
            found->due = due;
        } else {
            timers_.push_back({handler, id, period, due});
        }
    }
    Wake();
}

void SdlLoop::KillTimer(WindowHandler* handler, uint32_t id) {
    std::lock_guard lock(mutex_);
    std::erase_if(timers_, [&](const Timer& t) { return t.handler == handler && t.id == id; });
}

void SdlLoop::Forget(WindowHandler* handler) {
    std::lock_guard lock(mutex_);
    std::erase_if(timers_, [&](const Timer& t) { return t.handler == handler; });
    std::erase_if(posted_, [&](const Posted& p) { return p.handler == handler; });
}

bool SdlLoop::TakeQuit(int& code) {
    std::lock_guard lock(mutex_);
    if (!quitRequested_) return false;
    quitRequested_ = false;
    code = quitCode_;
    return true;
}

bool SdlLoop::QuitPending() {
    std::lock_guard lock(mutex_);
    return quitRequested_;
}

// Delivers the messages posted so far, one at a time, so that a handler that
// forgets another one (or itself) stops its remaining messages.
void SdlLoop::DeliverPosted() {
    size_t count;
    {
        std::lock_guard lock(mutex_);
        count = posted_.size();
    }
    for (; count > 0; --count) {
        Posted message;
        {
            std::lock_guard lock(mutex_);
            if (posted_.empty() || quitRequested_) return;
            message = posted_.front();
            posted_.pop_front();
        }
        message.handler->OnMessage(message.id, message.wParam, message.lParam);
    }
}

// Fires the timers that are due, earliest first, and lowers `waitMs` to
// when the next one is.
void SdlLoop::FireTimers(int& waitMs) {
    for (;;) {
        WindowHandler* handler = nullptr;
        uint32_t id = 0;
        {
            std::lock_guard lock(mutex_);
            if (timers_.empty() || quitRequested_) return;
            const uint64_t now = SDL_GetTicks64();
            auto next = std::min_element(timers_.begin(), timers_.end(),
                                         [](const Timer& a, const Timer& b) { return a.due < b.due; });
            if (next->due > now) {
                waitMs = static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(waitMs), next->due - now));
                return;
            }
            next->due = now + next->period;
            handler = next->handler;
            id = next->id;
        }
        handler->OnTimer(id);
    }
}

void SdlLoop::DeliverTermination() {
    if (terminationDelivered_ || !TerminationRequested()) return;
    terminationDelivered_ = true;
    const std::vector<SdlWindow*> windows = display_.Windows();
    if (windows.empty()) {
        Quit(0);
        return;
    }
    for (SdlWindow* window : windows) {
        if (display_.Has(window) && window->Handler()) window->Handler()->OnTerminate();
    }
}

int SdlLoop::Run() {
    for (;;) {
        int code = 0;
        if (TakeQuit(code)) return code;
        DeliverTermination();
        if (TakeQuit(code)) return code;
        DeliverPosted();
        int waitMs = kLongWaitMs;
        FireTimers(waitMs);
        for (SdlWindow* window : std::vector<SdlWindow*>(display_.Windows())) {
            if (display_.Has(window) && window->TakeLoss() && window->Handler()) window->Handler()->OnCloseRequest();
        }
        const uint64_t now = SDL_GetTicks64();
        for (SdlWindow* window : display_.Windows()) window->Refresh(now, waitMs);
        {
            std::lock_guard lock(mutex_);
            if (quitRequested_ || !posted_.empty()) waitMs = 0;
        }

        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, waitMs)) {
            Handle(event);
            while (!QuitPending() && SDL_PollEvent(&event)) Handle(event);
        }
    }
}

void SdlLoop::Handle(const SDL_Event& event) {
    if (event.type == wakeEvent_) {
        wakePending_ = false;
        return;
    }
    switch (event.type) {
    case SDL_MOUSEMOTION: {
        SdlWindow* window = display_.Find(event.motion.windowID);
        if (!window) return;
        Point point{event.motion.x, event.motion.y};
        if (window->StaleMotion(point)) return;
        if (WindowHandler* handler = window->PointerTarget(point)) handler->OnMouseMove(point);
        return;
    }
    case SDL_MOUSEBUTTONDOWN: {
        SdlWindow* window = display_.Find(event.button.windowID);
        MouseButton button;
        if (!window || !ButtonOf(event.button.button, button)) return;
        Point point{event.button.x, event.button.y};
        WindowHandler* handler = window->PointerTarget(point);
        if (!handler) return;
        // SDL counts quick presses close together in one SDL window. As the
        // original platform reports them, the second press on the same
        // target is a double click, and the press after a double click starts
        // a new pair.
        const bool doubleClick = event.button.clicks >= 2 && !lastPressWasDouble_ && handler == lastPressTarget_ &&
                                 button == lastPressButton_;
        lastPressTarget_ = handler;
        lastPressButton_ = button;
        lastPressWasDouble_ = doubleClick;
        if (doubleClick) {
            handler->OnDoubleClick(button, point);
        } else {
            handler->OnButtonDown(button, point);
        }
        return;
    }
    case SDL_KEYDOWN: {
        SdlWindow* window = display_.KeyboardTarget(event.key.windowID);
        if (!window || !window->Handler()) return;
        const int vk = VirtualKeyOf(event.key.keysym);
        if (event.key.keysym.mod & KMOD_ALT) {
            window->Handler()->OnSystemKeyDown(vk);
        } else {
            window->Handler()->OnKeyDown(vk);
        }
        return;
    }
    case SDL_WINDOWEVENT: {
        SdlWindow* window = display_.Find(event.window.windowID);
        if (!window) return;
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            if (window->Handler()) window->Handler()->OnCloseRequest();
            break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SIZE_CHANGED: window->Exposed(); break;
        case SDL_WINDOWEVENT_MOVED: window->Moved(event.window.data1, event.window.data2); break;
        default: break;
        }
        return;
    }
    case SDL_QUIT: {
        // A termination request for the whole program: every window is asked
        // to close; without windows the loop ends.
        const std::vector<SdlWindow*> windows = display_.Windows();
        if (windows.empty()) {
            Quit(0);
            return;
        }
        for (SdlWindow* window : windows) {
            if (display_.Has(window) && window->Handler()) window->Handler()->OnCloseRequest();
        }
        return;
    }
    case SDL_SYSWMEVENT: {
        const SDL_SysWMmsg* message = event.syswm.msg;
        if (message && message->subsystem == SDL_SYSWM_X11 && message->msg.x11.event.type == DestroyNotify) {
            const ::Window gone = message->msg.x11.event.xdestroywindow.window;
            for (SdlWindow* window : display_.Windows()) window->HostWindowDestroyed(gone);
        }
        return;
    }
    default: return;
    }
}

// ---------------------------------------------------------------------------

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
        xerrors::Install();
        handlerInstalled_ = true;
        // DestroyNotify of embedded windows comes to us as a system event.
        SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    }
    SDL_StopTextInput();

    static const uint8_t kEmpty[32 * 32 / 8] = {};
    blankCursor_ = SDL_CreateCursor(kEmpty, kEmpty, 32, 32, 0, 0);
    arrowCursor_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
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
    if (blankCursor_) SDL_FreeCursor(blankCursor_);
    if (arrowCursor_) SDL_FreeCursor(arrowCursor_);
    if (helper_) SDL_DestroyWindow(helper_);
    if (handlerInstalled_) {
        SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE);
        xerrors::Uninstall();
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

SdlWindow* SdlDisplay::Find(uint32_t sdlId) const {
    for (SdlWindow* window : windows_) {
        if (window->SdlId() == sdlId) return window;
    }
    return nullptr;
}

SdlWindow* SdlDisplay::KeyboardTarget(uint32_t sdlId) const {
    if (SdlWindow* window = Find(sdlId)) return window;
    return windows_.empty() ? nullptr : windows_.front();
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
    auto result = std::make_unique<SdlWindow>(*this, handler, parts);
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
    xerrors::Watch(host);
    XWindowAttributes hostAttributes;
    if (!XGetWindowAttributes(xdisplay_, host, &hostAttributes)) {
        xerrors::Unwatch(host);
        return nullptr;
    }
    const int width = std::max(hostAttributes.width, 1);
    const int height = std::max(hostAttributes.height, 1);
    const ::Window ours = XCreateSimpleWindow(xdisplay_, host, 0, 0, static_cast<unsigned>(width),
                                              static_cast<unsigned>(height), 0, 0, 0);
    xerrors::Watch(ours);
    // SDL selects no input on windows it did not create; ask for what it
    // handles, and for StructureNotify so that we hear when the window goes.
    XSelectInput(xdisplay_, ours,
                 FocusChangeMask | EnterWindowMask | LeaveWindowMask | ExposureMask | ButtonPressMask |
                     ButtonReleaseMask | PointerMotionMask | KeyPressMask | KeyReleaseMask | PropertyChangeMask |
                     StructureNotifyMask | KeymapStateMask);
    XMapWindow(xdisplay_, ours);
    int screenX = 0, screenY = 0;
    ::Window unused = 0;
    const bool placed =
        XTranslateCoordinates(xdisplay_, ours, hostAttributes.root, 0, 0, &screenX, &screenY, &unused);
    XSync(xdisplay_, False);
    if (!placed || xerrors::Lost(host) || xerrors::Lost(ours)) {
        XDestroyWindow(xdisplay_, ours);
        XSync(xdisplay_, False);
        xerrors::Unwatch(ours);
        xerrors::Unwatch(host);
        return nullptr;
    }

    SDL_Window* window = SDL_CreateWindowFrom(reinterpret_cast<const void*>(static_cast<uintptr_t>(ours)));
    if (!window) {
        XDestroyWindow(xdisplay_, ours);
        XSync(xdisplay_, False);
        xerrors::Unwatch(ours);
        xerrors::Unwatch(host);
        return nullptr;
    }
    RenewHelper();
    SdlWindow::Parts parts;
    parts.window = window;
    parts.xdisplay = xdisplay_;
    parts.xwindow = ours;
    parts.xhost = host;
    parts.bounds = Rect::FromSize(screenX, screenY, width, height);
    auto result = std::make_unique<SdlWindow>(*this, handler, parts);
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
