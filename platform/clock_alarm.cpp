#include "platform/clock_alarm.h"

#include <chrono>

namespace korv::platform {

ClockAlarm::ClockAlarm(Clock& clock, uint32_t ms, std::function<void()> ring) : ring_(std::move(ring)) {
    virtualClock_ = dynamic_cast<VirtualClock*>(&clock);
    if (virtualClock_) {
        const uint64_t due = virtualClock_->Elapsed() + ms;
        observerId_ = virtualClock_->AddAdvanceObserver([this, due](uint64_t, uint64_t toMs) {
            if (toMs >= due) Ring();
        });
        return;
    }
    const uint32_t start = clock.TickCount();
    waiter_ = std::thread([this, &clock, start, ms] {
        std::unique_lock lock(mutex_);
        for (;;) {
            const uint32_t passed = clock.TickCount() - start;
            if (passed >= ms) break;
            // The wait ends early only when the alarm is cancelled.
            if (cancelled_.wait_for(lock, std::chrono::milliseconds(ms - passed), [this] { return done_; })) return;
        }
        lock.unlock();
        Ring();
    });
}

ClockAlarm::~ClockAlarm() {
    {
        std::lock_guard lock(mutex_);
        done_ = true;
    }
    cancelled_.notify_all();
    if (virtualClock_) virtualClock_->RemoveAdvanceObserver(observerId_);
    if (waiter_.joinable()) waiter_.join();
}

void ClockAlarm::Ring() {
    {
        std::lock_guard lock(mutex_);
        if (done_) return;
        done_ = true;
    }
    ring_();
}

}  // namespace korv::platform
