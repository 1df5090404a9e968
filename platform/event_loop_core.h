#pragma once
// What every event loop keeps, whatever it waits on: the quit request and its
// code, the queue of posted messages (and of the backend's own work, such as
// injected input) in arrival order, and the timers. The backend's Run waits
// for its own events and hands out what is ready through the loop's side
// below; the EventLoop calls of any thread end up here.
//
// `Tick` is the tick counter the timers follow. Dues are compared by their
// signed distance from now, so a 32-bit counter may wrap around.

#include <concepts>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/display.h"

namespace korv::platform {

template <std::unsigned_integral Tick>
class EventLoopCore {
public:
    // `ticks` reads the counter; `wake` ends the backend's wait (any thread).
    EventLoopCore(std::function<Tick()> ticks, std::function<void()> wake);

    // EventLoop's calls (Run aside).
    void Quit(int code);
    void Post(WindowHandler* handler, uint32_t id, uintptr_t wParam, intptr_t lParam);
    void SetTimer(WindowHandler* handler, uint32_t id, uint32_t periodMs);
    void KillTimer(WindowHandler* handler, uint32_t id);
    void Forget(WindowHandler* handler);

    // Thread-safe: queues `work` to run inside Run after what is queued now.
    // Forget leaves it alone.
    void Enqueue(std::function<void()> work);

    // The loop's side (main thread).

    // Takes the quit request: true (with its code) once per Quit.
    bool TakeQuit(int& code);
    bool QuitPending();
    // Whether Run has something to do at once: quit, or something queued.
    bool WorkWaiting();
    size_t QueuedCount();
    // Delivers the oldest queued message or work; false when the queue is
    // empty or the loop is to end.
    bool DeliverNext();

    enum class TimerStep { Fired, NotDue, NoTimer };
    // Fires the earliest timer when it is due (and sets it due again a period
    // from now). NotDue sets `untilDue` to the time until it is; NoTimer also
    // stands for a loop that is to end.
    TimerStep FireDueTimer(Tick& untilDue);

private:
    struct Queued {
        WindowHandler* handler = nullptr;  // the message's, when `work` is empty
        uint32_t id = 0;
        uintptr_t wParam = 0;
        intptr_t lParam = 0;
        std::function<void()> work;
    };
    struct Timer {
        WindowHandler* handler;
        uint32_t id;
        uint32_t period;
        Tick due;
    };

    void Add(Queued item);

    std::function<Tick()> ticks_;
    std::function<void()> wake_;
    std::mutex mutex_;  // guards everything below
    std::deque<Queued> queue_;
    std::vector<Timer> timers_;  // in the order they were set
    bool quitRequested_ = false;
    int quitCode_ = 0;
};

// An event loop whose calls from any thread go to its core; the backend
// adds Run.
template <std::unsigned_integral Tick>
class CoreEventLoop : public EventLoop {
public:
    void Quit(int code) override { core_.Quit(code); }
    void Post(WindowHandler* handler, uint32_t id, uintptr_t wParam, intptr_t lParam) override {
        core_.Post(handler, id, wParam, lParam);
    }
    void SetTimer(WindowHandler* handler, uint32_t id, uint32_t periodMs) override {
        core_.SetTimer(handler, id, periodMs);
    }
    void KillTimer(WindowHandler* handler, uint32_t id) override { core_.KillTimer(handler, id); }
    void Forget(WindowHandler* handler) override { core_.Forget(handler); }

protected:
    CoreEventLoop(std::function<Tick()> ticks, std::function<void()> wake)
        : core_(std::move(ticks), std::move(wake)) {}

    EventLoopCore<Tick> core_;
};

// The counters the backends follow: the clock's 32-bit tick count, and SDL's
// 64-bit one.
extern template class EventLoopCore<uint32_t>;
extern template class EventLoopCore<uint64_t>;

}  // namespace korv::platform
