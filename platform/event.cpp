#include "platform/event.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace korv::platform {

namespace {

using SteadyClock = std::chrono::steady_clock;

// One thread in WaitForAny. Every event in its list holds it while the wait
// lasts and raises `signaled` when it is set, so the waiter wakes whichever
// event it was.
struct Waiter {
    std::mutex mutex;
    std::condition_variable cv;
    bool signaled = false;
};

SteadyClock::time_point DeadlineAfter(uint32_t timeoutMs) {
    return SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
}

}  // namespace

struct Event::State {
    std::mutex mutex;
    std::condition_variable cv;
    bool set = false;
    std::vector<std::shared_ptr<Waiter>> waiters;
};

Event::Event(bool initiallySet) : state_(std::make_shared<State>()) {
    state_->set = initiallySet;
}

Event::~Event() = default;

void Event::Set() {
    std::lock_guard lock(state_->mutex);
    state_->set = true;
    state_->cv.notify_all();
    // Lock order is always event, then waiter; WaitForAny never holds its
    // waiter's mutex while it takes an event's.
    for (const auto& waiter : state_->waiters) {
        std::lock_guard waiterLock(waiter->mutex);
        waiter->signaled = true;
        waiter->cv.notify_one();
    }
}

void Event::Reset() {
    std::lock_guard lock(state_->mutex);
    state_->set = false;
}

bool Event::IsSet() const {
    std::lock_guard lock(state_->mutex);
    return state_->set;
}

bool Event::Wait(uint32_t timeoutMs) const {
    std::unique_lock lock(state_->mutex);
    if (timeoutMs == kInfinite) {
        state_->cv.wait(lock, [&] { return state_->set; });
        return true;
    }
    return state_->cv.wait_until(lock, DeadlineAfter(timeoutMs), [&] { return state_->set; });
}

int WaitForAny(std::span<const Event* const> events, uint32_t timeoutMs) {
    if (events.empty()) return -1;  // nothing could ever end the wait

    const auto deadline = DeadlineAfter(timeoutMs);
    auto waiter = std::make_shared<Waiter>();

    // Keep the states alive for the whole wait, whatever happens to the
    // Event objects that own them.
    std::vector<std::shared_ptr<Event::State>> states;
    states.reserve(events.size());
    for (const Event* event : events) {
        states.push_back(event->state_);
        std::lock_guard lock(event->state_->mutex);
        event->state_->waiters.push_back(waiter);
    }

    auto firstSet = [&]() -> int {
        for (size_t i = 0; i < states.size(); ++i) {
            std::lock_guard lock(states[i]->mutex);
            if (states[i]->set) return static_cast<int>(i);
        }
        return -1;
    };

    // The waiter is registered before each check, so a Set between the check
    // and the wait still leaves `signaled` raised and is not missed.
    int result = -1;
    for (;;) {
        result = firstSet();
        if (result >= 0) break;
        std::unique_lock lock(waiter->mutex);
        if (timeoutMs == kInfinite) {
            waiter->cv.wait(lock, [&] { return waiter->signaled; });
        } else if (!waiter->cv.wait_until(lock, deadline, [&] { return waiter->signaled; })) {
            lock.unlock();
            result = firstSet();  // one last look: it may have been set at the very end
            break;
        }
        waiter->signaled = false;
    }

    for (const auto& state : states) {
        std::lock_guard lock(state->mutex);
        auto it = std::find(state->waiters.begin(), state->waiters.end(), waiter);
        if (it != state->waiters.end()) state->waiters.erase(it);
    }
    return result;
}

}  // namespace korv::platform
