// A display without a screen. Windows keep their frames in memory (Snapshot
// composes them), input comes from the Inject calls, and the event loop's
// timers follow a Clock: with a virtual clock the loop jumps straight to the
// next timer instead of waiting for it, so a long timer costs no real time.

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/clock.h"
#include "platform/display.h"
#include "platform/event.h"
#include "platform/window_composition.h"

namespace korv::platform {

namespace {

// Periods below this count as this much, as on the original platform.
constexpr uint32_t kMinimumTimerPeriodMs = 10;

// Everything a window shows and hears. Children hold it too, so a child may
// outlive its window without dangling.
struct WindowState {
    std::mutex mutex;  // the drawing lock; guards everything below
    Rect bounds;
    Surface surface;
    std::vector<std::shared_ptr<ChildState>> children;  // bottom to top
    WindowHandler* handler = nullptr;
    CursorShape cursorShape = CursorShape::Arrow;
    bool cursorVisible = true;
    Point cursor;

    // Frames are composed when asked for; nothing to wake.
    void Changed() {}
};

// Caller holds state.mutex.
Surface Compose(const WindowState& state) {
    Surface frame;
    ComposeFrame(state.surface, state.children, frame);
    return frame;
}

struct InputEvent {
    enum class Kind { MouseMove, ButtonDown, DoubleClick, Key, Close } kind = Kind::Close;
    MouseButton button = MouseButton::Left;
    Point point{};
    int vk = 0;
    bool alt = false;
};

struct PostedMessage {
    WindowHandler* handler = nullptr;
    uint32_t id = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

// What the loop has to hand out, in arrival order.
struct QueuedItem {
    bool isInput = false;
    InputEvent input;
    PostedMessage message;
};

struct Timer {
    WindowHandler* handler = nullptr;
    uint32_t id = 0;
    uint32_t period = 0;
    uint32_t due = 0;  // tick count; compared with wrap-around in mind
};

// The windows of one display, in creation order; input goes to the first.
struct WindowRegistry {
    std::mutex mutex;
    std::vector<std::shared_ptr<WindowState>> windows;

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
        paint(state_->surface);
        state_->surface.MarkChanged();
    }

    Surface Snapshot() override {
        std::lock_guard lock(state_->mutex);
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
        auto child = std::make_shared<ChildState>();
        child->bounds = bounds;
        child->surface = Surface(bounds.Width(), bounds.Height());
        child->handler = handler;
        {
            std::lock_guard lock(state_->mutex);
            state_->children.push_back(child);
        }
        return std::make_unique<CompositedChild<WindowState>>(state_, std::move(child));
    }

    uintptr_t NativeHandle() const override { return 0; }

private:
    std::shared_ptr<WindowRegistry> registry_;
    std::shared_ptr<WindowState> state_;
};

class HeadlessLoop final : public EventLoop {
public:
    HeadlessLoop(std::shared_ptr<WindowRegistry> registry, Clock* clock)
        : registry_(std::move(registry)), clock_(clock) {}

    int Run() override {
        for (;;) {
            // Reset before looking, so that anything arriving after the look
            // sets the event again and ends the wait below at once.
            wake_.Reset();
            std::unique_lock lock(mutex_);
            if (quitRequested_) {
                quitRequested_ = false;
                return quitCode_;
            }
            if (!queue_.empty()) {
                QueuedItem item = queue_.front();
                queue_.pop_front();
                lock.unlock();
                if (item.isInput) {
                    Dispatch(item.input);
                } else {
                    item.message.handler->OnMessage(item.message.id, item.message.wParam, item.message.lParam);
                }
                continue;
            }
            if (timers_.empty()) {
                lock.unlock();
                wake_.Wait(kInfinite);
                continue;
            }
            const uint32_t now = clock().TickCount();
            auto next = std::min_element(timers_.begin(), timers_.end(), [now](const Timer& a, const Timer& b) {
                return static_cast<int32_t>(a.due - now) < static_cast<int32_t>(b.due - now);
            });
            const int32_t remaining = static_cast<int32_t>(next->due - now);
            if (remaining <= 0) {
                next->due = now + next->period;
                WindowHandler* handler = next->handler;
                const uint32_t id = next->id;
                lock.unlock();
                handler->OnTimer(id);
                continue;
            }
            lock.unlock();
            // A virtual clock moves on to the timer at once; the real one
            // waits for it, or for something new to do.
            clock().WaitFor(wake_, static_cast<uint32_t>(remaining));
        }
    }

    void Quit(int code) override {
        {
            std::lock_guard lock(mutex_);
            quitRequested_ = true;
            quitCode_ = code;
        }
        wake_.Set();
    }

    void Post(WindowHandler* handler, uint32_t id, uintptr_t wParam, intptr_t lParam) override {
        if (!handler) return;
        QueuedItem item;
        item.message = {handler, id, wParam, lParam};
        Enqueue(item);
    }

    void SetTimer(WindowHandler* handler, uint32_t id, uint32_t periodMs) override {
        if (!handler) return;
        const uint32_t period = std::max(periodMs, kMinimumTimerPeriodMs);
        const uint32_t due = clock().TickCount() + period;
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
        wake_.Set();
    }

    void KillTimer(WindowHandler* handler, uint32_t id) override {
        std::lock_guard lock(mutex_);
        std::erase_if(timers_, [&](const Timer& t) { return t.handler == handler && t.id == id; });
    }

    void Forget(WindowHandler* handler) override {
        std::lock_guard lock(mutex_);
        std::erase_if(timers_, [&](const Timer& t) { return t.handler == handler; });
        std::erase_if(queue_, [&](const QueuedItem& item) { return !item.isInput && item.message.handler == handler; });
    }

    void Inject(const InputEvent& event) {
        QueuedItem item;
        item.isInput = true;
        item.input = event;
        Enqueue(item);
    }

private:
    Clock& clock() { return clock_ ? *clock_ : SystemClock(); }

    void Enqueue(const QueuedItem& item) {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(item);
        }
        wake_.Set();
    }

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
                for (auto child = window->children.rbegin(); child != window->children.rend(); ++child) {
                    const ChildState& c = **child;
                    if (c.visible && c.handler && c.bounds.Contains(event.point.x, event.point.y)) {
                        handler = c.handler;
                        point = {event.point.x - c.bounds.left, event.point.y - c.bounds.top};
                        break;
                    }
                }
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
    std::mutex mutex_;  // guards everything below
    std::deque<QueuedItem> queue_;
    std::vector<Timer> timers_;  // in the order they were set
    bool quitRequested_ = false;
    int quitCode_ = 0;
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
        return Compose(*window);
    }

private:
    int width_;
    int height_;
    std::shared_ptr<WindowRegistry> registry_;
    HeadlessLoop loop_;
};

}  // namespace

std::unique_ptr<HeadlessDisplay> CreateHeadlessDisplay(int width, int height, Clock* clock) {
    return std::make_unique<HeadlessDisplayImpl>(width, height, clock);
}

}  // namespace korv::platform
