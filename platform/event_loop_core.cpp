#include "platform/event_loop_core.h"

#include <algorithm>
#include <type_traits>

namespace korv::platform {

namespace {

// Periods below this count as this much, as on the original platform.
constexpr uint32_t kMinimumTimerPeriodMs = 10;

}  // namespace

template <std::unsigned_integral Tick>
EventLoopCore<Tick>::EventLoopCore(std::function<Tick()> ticks, std::function<void()> wake)
    : ticks_(std::move(ticks)), wake_(std::move(wake)) {}

template <std::unsigned_integral Tick>
void EventLoopCore<Tick>::Quit(int code) {
    {
        std::lock_guard lock(mutex_);
        quitRequested_ = true;
        quitCode_ = code;
    }
    wake_();
}

template <std::unsigned_integral Tick>
void EventLoopCore<Tick>::Post(WindowHandler* handler, uint32_t id, uintptr_t wParam, intptr_t lParam) {
    if (!handler) return;
    Add({.handler = handler, .id = id, .wParam = wParam, .lParam = lParam, .work = nullptr});
}

template <std::unsigned_integral Tick>
void EventLoopCore<Tick>::Enqueue(std::function<void()> work) {
    Add({.work = std::move(work)});
}

template <std::unsigned_integral Tick>
void EventLoopCore<Tick>::Add(Queued item) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(item));
    }
    wake_();
}

template <std::unsigned_integral Tick>
void EventLoopCore<Tick>::SetTimer(WindowHandler* handler, uint32_t id, uint32_t periodMs) {
    if (!handler) return;
    const uint32_t period = std::max(periodMs, kMinimumTimerPeriodMs);
    const Tick due = ticks_() + period;
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
    wake_();
}

template <std::unsigned_integral Tick>
void EventLoopCore<Tick>::KillTimer(WindowHandler* handler, uint32_t id) {
    std::lock_guard lock(mutex_);
    std::erase_if(timers_, [&](const Timer& t) { return t.handler == handler && t.id == id; });
}

template <std::unsigned_integral Tick>
void EventLoopCore<Tick>::Forget(WindowHandler* handler) {
    std::lock_guard lock(mutex_);
    std::erase_if(timers_, [&](const Timer& t) { return t.handler == handler; });
    std::erase_if(queue_, [&](const Queued& item) { return !item.work && item.handler == handler; });
}

template <std::unsigned_integral Tick>
bool EventLoopCore<Tick>::TakeQuit(int& code) {
    std::lock_guard lock(mutex_);
    if (!quitRequested_) return false;
    quitRequested_ = false;
    code = quitCode_;
    return true;
}

template <std::unsigned_integral Tick>
bool EventLoopCore<Tick>::QuitPending() {
    std::lock_guard lock(mutex_);
    return quitRequested_;
}

template <std::unsigned_integral Tick>
bool EventLoopCore<Tick>::WorkWaiting() {
    std::lock_guard lock(mutex_);
    return quitRequested_ || !queue_.empty();
}

template <std::unsigned_integral Tick>
size_t EventLoopCore<Tick>::QueuedCount() {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

template <std::unsigned_integral Tick>
bool EventLoopCore<Tick>::DeliverNext() {
    Queued item;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty() || quitRequested_) return false;
        item = std::move(queue_.front());
        queue_.pop_front();
    }
    if (item.work) {
        item.work();
    } else {
        item.handler->OnMessage(item.id, item.wParam, item.lParam);
    }
    return true;
}

template <std::unsigned_integral Tick>
typename EventLoopCore<Tick>::TimerStep EventLoopCore<Tick>::FireDueTimer(Tick& untilDue) {
    using Distance = std::make_signed_t<Tick>;
    WindowHandler* handler = nullptr;
    uint32_t id = 0;
    {
        std::lock_guard lock(mutex_);
        if (timers_.empty() || quitRequested_) return TimerStep::NoTimer;
        const Tick now = ticks_();
        auto next = std::min_element(timers_.begin(), timers_.end(), [now](const Timer& a, const Timer& b) {
            return static_cast<Distance>(a.due - now) < static_cast<Distance>(b.due - now);
        });
        const Distance remaining = static_cast<Distance>(next->due - now);
        if (remaining > 0) {
            untilDue = static_cast<Tick>(remaining);
            return TimerStep::NotDue;
        }
        next->due = now + next->period;
        handler = next->handler;
        id = next->id;
    }
    handler->OnTimer(id);
    return TimerStep::Fired;
}

template class EventLoopCore<uint32_t>;
template class EventLoopCore<uint64_t>;

}  // namespace korv::platform
