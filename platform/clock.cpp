#include "platform/clock.h"

#include <ctime>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace korv::platform {

int64_t RealClock::Now() {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

uint32_t RealClock::TickCount() {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

void RealClock::Sleep(uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void RealClock::SleepMicroseconds(uint32_t us) { std::this_thread::sleep_for(std::chrono::microseconds(us)); }

bool RealClock::WaitFor(const Event& event, uint32_t ms) {
    return event.Wait(ms);
}

VirtualClock::VirtualClock(int64_t startSeconds, uint32_t startTick)
    : startSeconds_(startSeconds), startTick_(startTick) {}

int64_t VirtualClock::Now() {
    std::lock_guard lock(mutex_);
    return startSeconds_ + static_cast<int64_t>(elapsedMs_ / 1000);
}

uint32_t VirtualClock::TickCount() {
    std::lock_guard lock(mutex_);
    // Unsigned arithmetic wraps around exactly like a 32-bit tick counter.
    return startTick_ + static_cast<uint32_t>(elapsedMs_);
}

void VirtualClock::Sleep(uint32_t ms) {
    Advance(ms);
}

void VirtualClock::SleepMicroseconds(uint32_t us) {
    uint64_t whole = 0;
    {
        std::lock_guard lock(mutex_);
        uint64_t total = uint64_t{pendingMicroseconds_} + us;
        whole = total / 1000;
        pendingMicroseconds_ = static_cast<uint32_t>(total % 1000);
    }
    if (whole > 0) Advance(whole);
}

bool VirtualClock::WaitFor(const Event& event, uint32_t ms) {
    if (event.IsSet()) return true;
    Advance(ms);
    return event.IsSet();
}

struct VirtualClock::ObserverEntry {
    uint64_t id = 0;
    AdvanceObserver observer;
    std::mutex callMutex;  // held while the observer runs
    bool removed = false;
};

void VirtualClock::Advance(uint64_t ms) {
    AdvanceObserver observer;
    std::vector<std::shared_ptr<ObserverEntry>> observers;
    uint64_t from = 0;
    {
        std::lock_guard lock(mutex_);
        observer = observer_;
        observers = observers_;
        from = elapsedMs_;
    }
    if (observer) observer(from, from + ms);
    for (auto& entry : observers) {
        std::lock_guard call(entry->callMutex);
        if (!entry->removed) entry->observer(from, from + ms);
    }
    std::lock_guard lock(mutex_);
    elapsedMs_ += ms;
}

void VirtualClock::SetAdvanceObserver(AdvanceObserver observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

uint64_t VirtualClock::AddAdvanceObserver(AdvanceObserver observer) {
    auto entry = std::make_shared<ObserverEntry>();
    entry->observer = std::move(observer);
    std::lock_guard lock(mutex_);
    entry->id = nextObserverId_++;
    observers_.push_back(entry);
    return entry->id;
}

void VirtualClock::RemoveAdvanceObserver(uint64_t id) {
    std::shared_ptr<ObserverEntry> entry;
    {
        std::lock_guard lock(mutex_);
        auto found = std::find_if(observers_.begin(), observers_.end(), [id](auto& e) { return e->id == id; });
        if (found == observers_.end()) return;
        entry = *found;
        observers_.erase(found);
    }
    std::lock_guard call(entry->callMutex);
    entry->removed = true;
}

uint64_t VirtualClock::Elapsed() const {
    std::lock_guard lock(mutex_);
    return elapsedMs_;
}

namespace {

std::atomic<Clock*> installedClock{nullptr};

}  // namespace

Clock& SystemClock() {
    static RealClock realClock;
    Clock* clock = installedClock.load(std::memory_order_acquire);
    return clock ? *clock : realClock;
}

void SetSystemClock(Clock* clock) {
    installedClock.store(clock, std::memory_order_release);
}

std::string LocalClockText(int64_t seconds) {
    std::string text = LocalTimeText(seconds, "%H:%M:%S");
    return text.empty() ? "--:--:--" : text;
}

std::string LocalTimeText(int64_t seconds, const char* format) {
    std::time_t time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    if (!localtime_r(&time, &parts)) return {};
    char text[128];
    size_t length = std::strftime(text, sizeof text, format, &parts);
    return std::string(text, length);
}

}  // namespace korv::platform
