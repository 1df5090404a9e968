#include "platform/event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace korv::platform {
namespace {

using namespace std::chrono_literals;

TEST(EventTest, ManualResetStaysSetUntilReset) {
    Event event;
    EXPECT_FALSE(event.IsSet());
    EXPECT_FALSE(event.Wait(0));

    event.Set();
    EXPECT_TRUE(event.IsSet());
    // A wait does not consume the signal.
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.Wait(10));
    EXPECT_TRUE(event.IsSet());

    event.Reset();
    EXPECT_FALSE(event.IsSet());
    EXPECT_FALSE(event.Wait(0));

    Event initiallySet(true);
    EXPECT_TRUE(initiallySet.Wait(0));
}

TEST(EventTest, TimedWaitRunsOutWhenNeverSet) {
    Event event;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(event.Wait(50));
    // Must really have waited (the lower bound is safe on any machine).
    EXPECT_GE(std::chrono::steady_clock::now() - start, 45ms);
}

TEST(EventTest, SetReleasesEveryWaiter) {
    Event event;
    constexpr int kWaiters = 8;
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < kWaiters; ++i) {
        waiters.emplace_back([&] {
            if (event.Wait(10'000)) ++released;
        });
    }
    std::this_thread::sleep_for(20ms);  // let most of them block first
    const auto start = std::chrono::steady_clock::now();
    event.Set();
    for (auto& t : waiters) t.join();
    EXPECT_EQ(released.load(), kWaiters);
    // A waiter that was not woken would sit out its whole 10 s.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_TRUE(event.IsSet());
}

TEST(EventTest, TimedWaitEndsWhenSetFromAnotherThread) {
    Event event;
    std::thread setter([&] {
        std::this_thread::sleep_for(20ms);
        event.Set();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(event.Wait(10'000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    setter.join();
}

TEST(WaitForAnyTest, ReturnsIndexOfFirstSetEvent) {
    Event a, b, c;
    EXPECT_EQ(WaitForAny({&a, &b, &c}, 0), -1);

    c.Set();
    EXPECT_EQ(WaitForAny({&a, &b, &c}, 0), 2);
    b.Set();
    EXPECT_EQ(WaitForAny({&a, &b, &c}, 0), 1);
    EXPECT_EQ(WaitForAny({&a, &b, &c}, kInfinite), 1);
    // Still set: WaitForAny does not reset.
    EXPECT_TRUE(b.IsSet());
    EXPECT_TRUE(c.IsSet());
}

TEST(WaitForAnyTest, TimesOutWithMinusOne) {
    Event a, b;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForAny({&a, &b}, 50), -1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 45ms);
}

TEST(WaitForAnyTest, WakesForAnEventSetLaterByAnotherThread) {
    // Each position in the list in turn, so waking does not depend on
    // which event is set.
    for (int target = 0; target < 3; ++target) {
        Event events[3];
        std::thread setter([&] {
            std::this_thread::sleep_for(20ms);
            events[target].Set();
        });
        const auto start = std::chrono::steady_clock::now();
        // A missed wake-up would only be noticed at the 10 s limit.
        EXPECT_EQ(WaitForAny({&events[0], &events[1], &events[2]}, 10'000), target);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
        setter.join();
    }
}

TEST(WaitForAnyTest, EventsCanBeReusedAndDestroyedAfterTheWait) {
    // A finished wait must leave nothing behind in the events: later Sets and
    // the events' destruction must not touch the old waiter.
    auto a = std::make_unique<Event>();
    auto b = std::make_unique<Event>();
    EXPECT_EQ(WaitForAny({a.get(), b.get()}, 1), -1);
    b->Set();
    EXPECT_EQ(WaitForAny({a.get(), b.get()}, kInfinite), 1);
    a->Set();
    a.reset();
    b.reset();

    // A wait on one event only, also with the same event listed twice.
    Event single;
    std::thread setter([&] {
        std::this_thread::sleep_for(10ms);
        single.Set();
    });
    EXPECT_EQ(WaitForAny({&single, &single}, 10'000), 0);
    setter.join();
}

TEST(WaitForAnyTest, ManyWaitersAndSettersDoNotLoseWakeUps) {
    // Repeated rounds of several threads waiting on overlapping sets of events
    // while they are being set. A lost wake-up leaves a waiter sleeping until
    // its 10 s limit, far beyond the generous bound on each round.
    constexpr int kRounds = 50;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        Event events[4];
        std::atomic<int> woken{0};
        std::vector<std::thread> waiters;
        for (int w = 0; w < 4; ++w) {
            waiters.emplace_back([&, w] {
                const Event* list[] = {&events[w], &events[(w + 1) % 4], &events[3]};
                if (WaitForAny(std::span<const Event* const>(list), 10'000) >= 0) ++woken;
            });
        }
        events[round % 4].Set();
        events[3].Set();
        for (auto& t : waiters) t.join();
        EXPECT_EQ(woken.load(), 4) << "round " << round;
        ASSERT_LT(std::chrono::steady_clock::now() - start, 5s) << "round " << round;
    }
}

}  // namespace
}  // namespace korv::platform
