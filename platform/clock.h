#pragma once
// Time for the system: wall time, a millisecond tick count and waits that end
// early when an event is set. The real clock follows the machine; the virtual
// clock advances only when somebody waits on it, so that playback can be
// replayed exactly in tests and in offline rendering.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/event.h"

namespace korv::platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Seconds since 1 January 1970, UTC.
    virtual int64_t Now() = 0;
    // Milliseconds since an arbitrary start; wraps around like a 32-bit counter.
    virtual uint32_t TickCount() = 0;
    // Waits `ms` milliseconds.
    virtual void Sleep(uint32_t ms) = 0;
    // Waits up to `ms` milliseconds for `event`; true when it is set.
    virtual bool WaitFor(const Event& event, uint32_t ms) = 0;
    // Waits less than a millisecond (short pauses between drawing steps).
    virtual void SleepMicroseconds(uint32_t us) = 0;
};

class RealClock final : public Clock {
public:
    int64_t Now() override;
    uint32_t TickCount() override;
    void Sleep(uint32_t ms) override;
    bool WaitFor(const Event& event, uint32_t ms) override;
    void SleepMicroseconds(uint32_t us) override;
};

// Time stands still until a wait: Sleep and WaitFor advance it by the whole
// wait at once (WaitFor returns at once, without advancing, when the event is
// already set). Several threads may share one virtual clock.
class VirtualClock : public Clock {
public:
    explicit VirtualClock(int64_t startSeconds = 0, uint32_t startTick = 0);
    int64_t Now() override;
    uint32_t TickCount() override;
    void Sleep(uint32_t ms) override;
    bool WaitFor(const Event& event, uint32_t ms) override;
    // Adds up short waits and moves time by each whole millisecond they make.
    void SleepMicroseconds(uint32_t us) override;

    // Moves time forward without waiting.
    void Advance(uint64_t ms);
    // Milliseconds passed since construction.
    uint64_t Elapsed() const;

    // Called on the waiting thread just before time moves from `fromMs` to
    // `toMs` (both since construction): what is on the screen then is what
    // stays there for the whole wait.
    using AdvanceObserver = std::function<void(uint64_t fromMs, uint64_t toMs)>;
    // The one observer of the frame renderer (nullptr removes it).
    void SetAdvanceObserver(AdvanceObserver observer);
    // Further observers (a clocked sound output, tests); each is called after
    // the one above. Removing waits for a call in progress to return, so it
    // must not be done from inside that observer.
    uint64_t AddAdvanceObserver(AdvanceObserver observer);
    void RemoveAdvanceObserver(uint64_t id);

private:
    struct ObserverEntry;
    mutable std::mutex mutex_;
    AdvanceObserver observer_;
    std::vector<std::shared_ptr<ObserverEntry>> observers_;
    uint64_t nextObserverId_ = 1;
    int64_t startSeconds_;
    uint32_t startTick_;
    uint64_t elapsedMs_ = 0;
    uint32_t pendingMicroseconds_ = 0;
};

// `seconds` (since 1970, UTC) as local time "HH:MM:SS"; "--:--:--" when it
// cannot be converted.
std::string LocalClockText(int64_t seconds);
// `seconds` (since 1970, UTC) as local time in a strftime `format`; empty
// when it cannot be converted.
std::string LocalTimeText(int64_t seconds, const char* format);

// The clock the program runs on; the real clock unless replaced (tests and
// offline rendering install a virtual one).
Clock& SystemClock();
void SetSystemClock(Clock* clock);  // nullptr restores the real clock

}  // namespace korv::platform
