#pragma once
// Manual-reset events: once set, an event stays set (and releases every
// waiter) until it is reset. Waits have a time limit in milliseconds.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>

namespace korv::platform {

inline constexpr uint32_t kInfinite = 0xFFFFFFFFu;

class Event {
public:
    explicit Event(bool initiallySet = false);
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;

    // Returns true when the event is set within `timeoutMs` (kInfinite: no limit).
    bool Wait(uint32_t timeoutMs) const;

private:
    friend int WaitForAny(std::span<const Event* const>, uint32_t);
    struct State;
    std::shared_ptr<State> state_;
};

// Waits until one of `events` is set; returns the index of the first set event,
// or -1 when the time ran out.
int WaitForAny(std::span<const Event* const> events, uint32_t timeoutMs);
inline int WaitForAny(std::initializer_list<const Event*> events, uint32_t timeoutMs) {
    return WaitForAny(std::span<const Event* const>(events.begin(), events.size()), timeoutMs);
}

}  // namespace korv::platform
