// A display without a screen. Windows keep their frames in memory (Snapshot
// composes them), input comes from the Inject calls, and the event loop's
// timers follow a Clock: with a virtual clock the loop jumps straight to the
// next timer instead of waiting for it, so a long timer costs no real time.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/clock.h"
#include "platform/display.h"
#include "platform/event.h"
#include "platform/event_loop_core.h"
#include "platform/window_composition.h"

namespace korv::platform {

namespace {

// Everything a window shows and hears. Children hold it too, so a child may
// outlive its window without dangling. Like a real screen it keeps the frame
// it last showed and composes only what changed into it.
struct WindowState : FrameState {
    Rect bounds;
    WindowHandler* handler = nullptr;
    CursorShape cursorShape = CursorShape::Arrow;
    bool cursorVisible = true;
    Point cursor;
    Surface shown;
    FrameStats stats;
    DamageCheck check;  // when set, run after every change

    // Caller holds `mutex`: composes what changed into `shown`.
    const Surface& Show() {
        DamageRegion composed = ComposeInto(shown);
        stats.composedPixels += static_cast<uint64_t>(composed.Area());
        if (!composed.Empty()) ++stats.frames;
        return shown;
    }
};

// Caller holds state.mutex.
Surface Compose(const WindowState& state) {
    Surface frame;
    ComposeFrame(state.surface, state.children, frame);
    return frame;
}

// Caller holds state.mutex: shows what changed and compares the result with
// a frame composed whole; tells the check where they differ.
void CheckDamage(WindowState& state) {
    const Surface& shown = state.Show();
    const Surface whole = Compose(state);
    for (int y = 0; y < whole.Height(); ++y) {
        if (std::memcmp(shown.Row(y), whole.Row(y), static_cast<size_t>(whole.Width()) * sizeof(Pixel)) == 0) continue;
        int x = 0;
        while (shown.At(x, y) == whole.At(x, y)) ++x;
        state.check(Point{x, y});
        return;
    }
}

struct InputEvent {
    enum class Kind { MouseMove, ButtonDown, DoubleClick, Key, Close } kind = Kind::Close;
    MouseButton button = MouseButton::Left;
    Point point{};
    int vk = 0;
    bool alt = false;
};

// The windows of one display, in creation order; input goes to the first.
struct WindowRegistry {
    std::mutex mutex;
    std::vector<std::shared_ptr<WindowState>> windows;
    DamageCheck check;  // given to windows made from now on

    std::shared_ptr<WindowState> InputTarget() {
        std::lock_guard lock(mutex);
        return windows.empty() ? nullptr : windows.front();
    }
};

class HeadlessWindow final : public Window {
public:
    HeadlessWindow(std::shared_ptr<WindowRegistry> registry, Rect bounds, WindowHandler* handler)
        : registry_(std::move(registry)), state_(std::make_shared<WindowState>()) {
        state_->bounds = bounds;
        state_->surface = Surface(bounds.Width(), bounds.Height());
        state_->handler = handler;
        std::lock_guard lock(registry_->mutex);
        if (registry_->check) {
            state_->check = registry_->check;
            // Runs under the drawing lock, right after each change.
            state_->onChange = [state = state_.get()] { CheckDamage(*state); };
        }
        registry_->windows.push_back(state_);
    }

    ~HeadlessWindow() override {
        std::lock_guard lock(registry_->mutex);
        std::erase(registry_->windows, state_);
    }

    Rect Bounds() const override {
        std::lock_guard lock(state_->mutex);
        return state_->bounds;
    }

    void Draw(const std::function<void(Surface&)>& paint) override {
        std::lock_guard lock(state_->mutex);
        state_->Paint(paint);
    }

    Surface Snapshot() override {
        std::lock_guard lock(state_->mutex);
        if (state_->check) CheckDamage(*state_);
        return Compose(*state_);
    }

    void SetCursorShape(CursorShape shape) override {
        std::lock_guard lock(state_->mutex);
        state_->cursorShape = shape;
    }

    void SetCursorVisible(bool visible) override {
        std::lock_guard lock(state_->mutex);
        state_->cursorVisible = visible;
    }

    void MoveCursor(Point client) override {
        std::lock_guard lock(state_->mutex);
        state_->cursor = client;
    }

    Point CursorPosition() const override {
        std::lock_guard lock(state_->mutex);
        return state_->cursor;
    }

    std::unique_ptr<ChildWindow> CreateChild(Rect bounds, WindowHandler* handler) override {
        return AddChild(state_, bounds, handler);
    }

    uintptr_t NativeHandle() const override { return 0; }

private:
    std::shared_ptr<WindowRegistry> registry_;
    std::shared_ptr<WindowState> state_;
};

class HeadlessLoop final : public CoreEventLoop<uint32_t> {
public:
    HeadlessLoop(std::shared_ptr<WindowRegistry> registry, Clock* clock)
        : CoreEventLoop([this] { return this->clock().TickCount(); }, [this] { wake_.Set(); }),
          registry_(std::move(registry)),
          clock_(clock) {}

    // Hands out one thing at a time: the quit request, else the oldest
    // queued message or input, else a due timer.
    int Run() override {
        for (;;) {
            // Reset before looking, so that anything arriving after the look
            // sets the event again and ends the wait below at once.
            wake_.Reset();
            int code = 0;
            if (core_.TakeQuit(code)) return code;
            if (core_.DeliverNext()) continue;
            uint32_t untilDue = 0;
            switch (core_.FireDueTimer(untilDue)) {
            case Core::TimerStep::Fired: continue;
            case Core::TimerStep::NoTimer: wake_.Wait(kInfinite); continue;
            case Core::TimerStep::NotDue:
                // A virtual clock moves on to the timer at once; the real one
                // waits for it, or for something new to do.
                clock().WaitFor(wake_, untilDue);
                continue;
            }
        }
    }


    // Input is queued with the posted messages, in arrival order.
    void Inject(const InputEvent& event) {
        core_.Enqueue([this, event] { Dispatch(event); });
    }

private:
    using Core = EventLoopCore<uint32_t>;

    Clock& clock() { return clock_ ? *clock_ : SystemClock(); }

    // Hands an input event to the first window, or to the topmost visible
    // child under the pointer (in the child's own coordinates).
    void Dispatch(const InputEvent& event) {
        std::shared_ptr<WindowState> window = registry_->InputTarget();
        if (!window) return;
        WindowHandler* handler = nullptr;
        Point point = event.point;
        {
            std::lock_guard lock(window->mutex);
            handler = window->handler;
            const bool pointer = event.kind == InputEvent::Kind::MouseMove ||
                                 event.kind == InputEvent::Kind::ButtonDown ||
                                 event.kind == InputEvent::Kind::DoubleClick;
            if (pointer) {
                if (event.kind == InputEvent::Kind::MouseMove) window->cursor = event.point;
                if (WindowHandler* child = ChildHandlerAt(window->children, point)) handler = child;
            }
        }
        if (!handler) return;
        switch (event.kind) {
        case InputEvent::Kind::MouseMove: handler->OnMouseMove(point); break;
        case InputEvent::Kind::ButtonDown: handler->OnButtonDown(event.button, point); break;
        case InputEvent::Kind::DoubleClick: handler->OnDoubleClick(event.button, point); break;
        case InputEvent::Kind::Key:
            if (event.alt) {
                handler->OnSystemKeyDown(event.vk);
            } else {
                handler->OnKeyDown(event.vk);
            }
            break;
        case InputEvent::Kind::Close: handler->OnCloseRequest(); break;
        }
    }

    std::shared_ptr<WindowRegistry> registry_;
    Clock* clock_;
    Event wake_;
};

class HeadlessDisplayImpl final : public HeadlessDisplay {
public:
    HeadlessDisplayImpl(int width, int height, Clock* clock)
        : width_(std::max(width, 1)),
          height_(std::max(height, 1)),
          registry_(std::make_shared<WindowRegistry>()),
          loop_(registry_, clock) {}

    Rect VirtualScreen() const override { return {0, 0, width_, height_}; }
    Rect PrimaryScreen() const override { return {0, 0, width_, height_}; }
    int MonitorCount() const override { return 1; }

    std::unique_ptr<Window> CreateTopWindow(Rect bounds, WindowHandler* handler) override {
        return std::make_unique<HeadlessWindow>(registry_, bounds, handler);
    }

    // Any host id stands for a host covering the whole screen.
    std::unique_ptr<Window> CreateEmbeddedWindow(uintptr_t parent, WindowHandler* handler) override {
        if (parent == 0) return nullptr;
        return std::make_unique<HeadlessWindow>(registry_, Rect{0, 0, width_, height_}, handler);
    }

    // Stands for the whole screen like any host id.
    uintptr_t ScreenRootWindow() const override { return 1; }

    EventLoop& Loop() override { return loop_; }

    using Kind = InputEvent::Kind;

    void InjectMouseMove(Point client) override { loop_.Inject({.kind = Kind::MouseMove, .point = client}); }

    void InjectButtonDown(MouseButton button, Point client) override {
        loop_.Inject({.kind = Kind::ButtonDown, .button = button, .point = client});
    }

    void InjectDoubleClick(MouseButton button, Point client) override {
        loop_.Inject({.kind = Kind::DoubleClick, .button = button, .point = client});
    }

    void InjectKey(int vk, bool alt) override { loop_.Inject({.kind = Kind::Key, .vk = vk, .alt = alt}); }

    void InjectCloseRequest() override { loop_.Inject({.kind = Kind::Close}); }

    Surface Screen() override {
        std::shared_ptr<WindowState> window = registry_->InputTarget();
        if (!window) return Surface(width_, height_);
        std::lock_guard lock(window->mutex);
        return window->Show();
    }

    FrameStats Stats() override {
        std::shared_ptr<WindowState> window = registry_->InputTarget();
        if (!window) return {};
        std::lock_guard lock(window->mutex);
        return window->stats;
    }

    void SetDamageCheck(DamageCheck check) override {
        std::lock_guard lock(registry_->mutex);
        registry_->check = std::move(check);
    }

private:
    int width_;
    int height_;
    std::shared_ptr<WindowRegistry> registry_;
    HeadlessLoop loop_;
};

}  // namespace

std::unique_ptr<HeadlessDisplay> CreateHeadlessDisplay(int width, int height, Clock* clock) {
    auto display = std::make_unique<HeadlessDisplayImpl>(width, height, clock);
    // A diagnostic for the test suites: every drawing that leaves pixels
    // outside what it marked stops the program at once, saying where.
    const char* check = std::getenv("KORV_CHECK_DAMAGE");
    if (check && *check && std::strcmp(check, "0") != 0) {
        display->SetDamageCheck([](Point at) {
            std::fprintf(stderr, "damage check: the screen differs from its drawing at (%d, %d)\n", at.x, at.y);
            std::abort();
        });
    }
    return display;
}

}  // namespace korv::platform
