#pragma once
// A one-shot alarm on a clock: calls a function once `ms` of the clock's
// time after it was set. On a virtual clock it rings on the thread whose
// wait moves time past the alarm, before time moves, so the alarm lands at
// its exact virtual time; on the real clock a thread of the alarm's own
// sleeps until then.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/clock.h"

namespace korv::platform {

class ClockAlarm {
public:
    ClockAlarm(Clock& clock, uint32_t ms, std::function<void()> ring);
    // Cancels an alarm that has not rung; waits for a ring in progress.
    ~ClockAlarm();
    ClockAlarm(const ClockAlarm&) = delete;
    ClockAlarm& operator=(const ClockAlarm&) = delete;

private:
    void Ring();

    std::function<void()> ring_;
    std::mutex mutex_;
    std::condition_variable cancelled_;
    bool done_ = false;
    VirtualClock* virtualClock_ = nullptr;
    uint64_t observerId_ = 0;
    std::thread waiter_;
};

}  // namespace korv::platform
