#include "platform/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

namespace korv::platform {
namespace {

using namespace std::chrono_literals;

TEST(VirtualClockTest, StandsStillUntilSomebodyWaits) {
    VirtualClock clock(1'700'000'000, 5000);
    EXPECT_EQ(clock.Now(), 1'700'000'000);
    EXPECT_EQ(clock.TickCount(), 5000u);
    EXPECT_EQ(clock.Elapsed(), 0u);

    clock.Sleep(1500);
    EXPECT_EQ(clock.TickCount(), 6500u);
    EXPECT_EQ(clock.Elapsed(), 1500u);
    EXPECT_EQ(clock.Now(), 1'700'000'001);

    clock.Advance(500);
    EXPECT_EQ(clock.Now(), 1'700'000'002);
    EXPECT_EQ(clock.TickCount(), 7000u);
}

TEST(VirtualClockTest, WaitForAdvancesOnlyWhenTheEventIsNotSet) {
    VirtualClock clock;
    Event event;

    EXPECT_FALSE(clock.WaitFor(event, 250));
    EXPECT_EQ(clock.Elapsed(), 250u);

    event.Set();
    EXPECT_TRUE(clock.WaitFor(event, 10'000));
    EXPECT_EQ(clock.Elapsed(), 250u) << "a set event ends the wait at once";

    event.Reset();
    EXPECT_FALSE(clock.WaitFor(event, 0));
    EXPECT_EQ(clock.Elapsed(), 250u);
}

TEST(VirtualClockTest, WaitForReturnsAtOnceInRealTime) {
    // Even a very long virtual wait must not block the caller.
    VirtualClock clock;
    Event event;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(clock.WaitFor(event, 3'600'000));
    clock.Sleep(3'600'000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(clock.Elapsed(), 7'200'000u);
}

TEST(VirtualClockTest, TickCountWrapsAroundLikeA32BitCounter) {
    VirtualClock clock(0, 0xFFFFFFF0u);
    const uint32_t before = clock.TickCount();
    clock.Sleep(0x20);
    const uint32_t after = clock.TickCount();
    EXPECT_EQ(after, 0x10u);
    // The usual "now - then" arithmetic still gives the elapsed time.
    EXPECT_EQ(static_cast<uint32_t>(after - before), 0x20u);
    EXPECT_EQ(clock.Elapsed(), 0x20u);

    // Elapsed keeps counting past a full 32-bit turn.
    clock.Advance(0x100000000ull);
    EXPECT_EQ(clock.TickCount(), 0x10u);
    EXPECT_EQ(clock.Elapsed(), 0x100000020ull);
    EXPECT_EQ(clock.Now(), static_cast<int64_t>(0x100000020ull / 1000));
}

TEST(VirtualClockTest, SharedBetweenThreadsLosesNoTime) {
    VirtualClock clock;
    constexpr int kThreads = 4;
    constexpr int kSleeps = 1000;
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&] {
            Event never;
            for (int n = 0; n < kSleeps; ++n) {
                clock.Sleep(1);
                clock.WaitFor(never, 2);
                (void)clock.TickCount();
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(clock.Elapsed(), static_cast<uint64_t>(kThreads * kSleeps * 3));
}

TEST(RealClockTest, FollowsTheMachine) {
    RealClock clock;
    const int64_t now = clock.Now();
    const int64_t system = static_cast<int64_t>(std::time(nullptr));
    EXPECT_LE(std::abs(now - system), 2);

    const uint32_t start = clock.TickCount();
    clock.Sleep(30);
    const uint32_t passed = clock.TickCount() - start;
    EXPECT_GE(passed, 25u);
    EXPECT_LT(passed, 5000u);

    Event event;
    EXPECT_FALSE(clock.WaitFor(event, 10));
    event.Set();
    EXPECT_TRUE(clock.WaitFor(event, kInfinite));
}

TEST(SystemClockTest, InstallAndRestore) {
    Clock& real = SystemClock();
    EXPECT_NE(dynamic_cast<RealClock*>(&real), nullptr);

    VirtualClock virtualClock(100);
    SetSystemClock(&virtualClock);
    EXPECT_EQ(&SystemClock(), &virtualClock);
    SystemClock().Sleep(2000);
    EXPECT_EQ(virtualClock.Now(), 102);

    SetSystemClock(nullptr);
    EXPECT_EQ(&SystemClock(), &real);
}

TEST(VirtualClockTest, SeveralObserversSeeEveryAdvanceUntilRemoved) {
    VirtualClock clock;
    std::vector<std::string> seen;
    clock.SetAdvanceObserver([&](uint64_t from, uint64_t to) { seen.push_back("frames " + std::to_string(from) + "-" + std::to_string(to)); });
    uint64_t first = clock.AddAdvanceObserver([&](uint64_t from, uint64_t to) { seen.push_back("a " + std::to_string(to - from)); });
    uint64_t second = clock.AddAdvanceObserver([&](uint64_t, uint64_t to) { seen.push_back("b " + std::to_string(to)); });
    EXPECT_NE(first, second);
    clock.Sleep(5);
    clock.RemoveAdvanceObserver(first);
    clock.RemoveAdvanceObserver(first);  // twice is harmless
    clock.Advance(3);
    clock.SetAdvanceObserver(nullptr);
    clock.RemoveAdvanceObserver(second);
    clock.Advance(1);
    EXPECT_EQ(seen, (std::vector<std::string>{"frames 0-5", "a 5", "b 5", "frames 5-8", "b 8"}));
}

}  // namespace
}  // namespace korv::platform
