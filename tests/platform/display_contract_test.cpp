// What every display's event loop gives, checked on each backend: the
// headless display (on the real clock) and the SDL display on a private X
// server. Posted messages arrive in order on the loop's thread, timers fire
// every period until killed or forgotten, and Quit ends Run with its code,
// also when it comes from another thread while the loop sleeps.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "platform/display.h"
#include "platform/event.h"
#include "platform/painter.h"
#include "tests/support/display_probe.h"
#include "tests/support/xvfb_display.h"

namespace korv::platform {
namespace {

using namespace std::chrono_literals;
using test::ProcessCpuSeconds;
using test::Recorder;

// A fresh display in memory for each test.
class HeadlessBackend {
public:
    static void StartSuite() {}
    static void EndSuite() {}
    Display* Get() { return display_.get(); }

private:
    std::unique_ptr<HeadlessDisplay> display_ = CreateHeadlessDisplay(1024, 768);
};

// One SDL display on Xvfb for the whole suite (see XvfbDisplay).
class SdlBackend {
public:
    static void StartSuite() { screen_ = std::make_unique<test::XvfbDisplay>(1024, 768); }
    static void EndSuite() { screen_.reset(); }
    Display* Get() { return screen_ ? screen_->Display() : nullptr; }

private:
    static inline std::unique_ptr<test::XvfbDisplay> screen_;
};

template <class Backend>
class DisplayContractTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Backend::StartSuite(); }
    static void TearDownTestSuite() { Backend::EndSuite(); }

    void SetUp() override {
        display_ = backend_.Get();
        ASSERT_NE(display_, nullptr) << "the display did not open";
        window_ = display_->CreateTopWindow({0, 0, 64, 64}, &windowHandler_);
        ASSERT_NE(window_, nullptr);
    }

    // The display may outlive the test (SDL): nothing of the test's stays queued.
    void TearDown() override {
        if (!display_) return;
        for (Recorder* handler : {&windowHandler_, &first_, &second_, &third_}) Loop().Forget(handler);
    }

    EventLoop& Loop() { return display_->Loop(); }

    Backend backend_;
    Display* display_ = nullptr;
    Recorder windowHandler_, first_, second_, third_;
    std::unique_ptr<Window> window_;
};

struct BackendNames {
    template <class Backend>
    static std::string GetName(int) {
        return std::is_same_v<Backend, HeadlessBackend> ? "Headless" : "Sdl";
    }
};

using Backends = ::testing::Types<HeadlessBackend, SdlBackend>;
TYPED_TEST_SUITE(DisplayContractTest, Backends, BackendNames);

// ---------------------------------------------------------------------------
// Posted messages.

TYPED_TEST(DisplayContractTest, PostedMessagesArriveInOrderEachToItsHandler) {
    std::vector<std::string> order;
    auto note = [&](const char* who) {
        return [&order, who](const std::string& event) { order.push_back(std::string(who) + " " + event); };
    };
    this->first_.then = note("first");
    this->second_.then = [&](const std::string& event) {
        order.push_back("second " + event);
        if (event == "msg 4 0 0") this->Loop().Quit(0);
    };
    this->Loop().Post(&this->first_, 1, 10, -10);
    this->Loop().Post(&this->second_, 2);
    this->Loop().Post(&this->first_, 3);
    this->Loop().Post(&this->second_, 4);
    this->Loop().Post(nullptr, 5);  // no handler: nothing to deliver
    EXPECT_EQ(this->Loop().Run(), 0);
    EXPECT_EQ(order, (std::vector<std::string>{"first msg 1 10 -10", "second msg 2 0 0", "first msg 3 0 0",
                                               "second msg 4 0 0"}));
}

TYPED_TEST(DisplayContractTest, PostFromAnotherThreadWakesTheLoopAndIsDeliveredOnItsThread) {
    std::thread::id deliveredOn;
    this->first_.then = [&](const std::string&) {
        deliveredOn = std::this_thread::get_id();
        this->Loop().Quit(3);
    };
    std::thread poster([&] {
        std::this_thread::sleep_for(100ms);
        this->Loop().Post(&this->first_, 42, 7, -9);
    });
    EXPECT_EQ(this->Loop().Run(), 3);
    poster.join();
    EXPECT_EQ(this->first_.Events(), (std::vector<std::string>{"msg 42 7 -9"}));
    EXPECT_EQ(deliveredOn, std::this_thread::get_id());
}

TYPED_TEST(DisplayContractTest, HandlerMayForgetAnotherWhileMessagesWait) {
    this->first_.then = [&](const std::string&) { this->Loop().Forget(&this->second_); };
    this->third_.then = [&](const std::string&) { this->Loop().Quit(0); };
    this->Loop().Post(&this->first_, 1);
    this->Loop().Post(&this->second_, 2);
    this->Loop().Post(&this->third_, 3);
    this->Loop().Run();
    EXPECT_EQ(this->first_.Events().size(), 1u);
    EXPECT_TRUE(this->second_.Events().empty());
    EXPECT_EQ(this->third_.Events().size(), 1u);
}

// ---------------------------------------------------------------------------
// Frames.

TYPED_TEST(DisplayContractTest, DrawingWaitsForTheNextRefreshAndNotLonger) {
    // A draw that marks nothing leaves nothing waiting.
    this->window_->Draw([](Surface&) {});
    this->first_.then = [&](const std::string&) { this->Loop().Quit(0); };
    this->Loop().SetTimer(&this->first_, 1, 100);
    this->Loop().Run();
    this->Loop().KillTimer(&this->first_, 1);
    EXPECT_FALSE(this->window_->FrameWaiting());

    this->window_->Draw([](Surface& surface) { Painter(surface).Fill({0, 0, 8, 8}, Rgb(200, 0, 0)); });
    // The SDL window shows it at its next refresh; the headless one at once.
    EXPECT_EQ(this->window_->FrameWaiting(), (std::is_same_v<TypeParam, SdlBackend>));
    this->first_.Clear();
    this->Loop().SetTimer(&this->first_, 1, 100);
    this->Loop().Run();
    this->Loop().KillTimer(&this->first_, 1);
    EXPECT_FALSE(this->window_->FrameWaiting());
}

// ---------------------------------------------------------------------------
// Quit.

TYPED_TEST(DisplayContractTest, QuitFromAnotherThreadEndsRunWhileItSleeps) {
    std::thread quitter([&] {
        std::this_thread::sleep_for(100ms);
        this->Loop().Quit(17);
    });
    const double cpuBefore = ProcessCpuSeconds();
    EXPECT_EQ(this->Loop().Run(), 17);
    quitter.join();
    // The loop slept while it had nothing to do.
    EXPECT_LT(ProcessCpuSeconds() - cpuBefore, 0.5);
}

TYPED_TEST(DisplayContractTest, QuitBeforeRunEndsTheNextRunAtOnce) {
    this->Loop().Quit(5);
    EXPECT_EQ(this->Loop().Run(), 5);
    // The request is used up.
    this->first_.then = [&](const std::string&) { this->Loop().Quit(6); };
    this->Loop().Post(&this->first_, 1);
    EXPECT_EQ(this->Loop().Run(), 6);
    EXPECT_EQ(this->first_.Events().size(), 1u);
}

TYPED_TEST(DisplayContractTest, QuitLeavesTheMessagesAfterItForTheNextRun) {
    this->first_.then = [&](const std::string& event) { this->Loop().Quit(event == "msg 1 0 0" ? 8 : 9); };
    this->Loop().Post(&this->first_, 1);
    this->Loop().Post(&this->first_, 2);
    EXPECT_EQ(this->Loop().Run(), 8);
    EXPECT_EQ(this->first_.Events(), (std::vector<std::string>{"msg 1 0 0"}));
    EXPECT_EQ(this->Loop().Run(), 9);
    EXPECT_EQ(this->first_.Events(), (std::vector<std::string>{"msg 1 0 0", "msg 2 0 0"}));
}

// ---------------------------------------------------------------------------
// Timers.

TYPED_TEST(DisplayContractTest, ATimerFiresAgainEveryPeriod) {
    int count = 0;
    this->first_.then = [&](const std::string&) {
        if (++count == 3) this->Loop().Quit(0);
    };
    this->Loop().SetTimer(&this->first_, 4, 20);
    Event finished;
    std::thread guard([&] {
        if (!finished.Wait(5000)) this->Loop().Quit(-1);
    });
    EXPECT_EQ(this->Loop().Run(), 0);
    finished.Set();
    guard.join();
    EXPECT_EQ(this->first_.Events(), (std::vector<std::string>{"timer 4", "timer 4", "timer 4"}));
}

TYPED_TEST(DisplayContractTest, TimersFireEarliestFirstAndTheLoopSleepsBetweenThem) {
    this->first_.then = [&](const std::string& event) {
        if (event == "timer 2") this->Loop().Quit(0);
    };
    this->Loop().SetTimer(&this->first_, 1, 250);
    this->Loop().SetTimer(&this->first_, 2, 1000);
    const double cpuBefore = ProcessCpuSeconds();
    this->Loop().Run();
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const std::vector<std::string> events = this->first_.Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), "timer 1");
    EXPECT_GE(this->first_.Only("timer 1").size(), 2u);
    EXPECT_EQ(this->first_.Only("timer 2").size(), 1u);
    EXPECT_LT(cpu, 0.5);
}

TYPED_TEST(DisplayContractTest, SettingATimerAgainReplacesItAndKillTimerStopsIt) {
    this->Loop().SetTimer(&this->first_, 1, 60'000);
    this->Loop().SetTimer(&this->first_, 1, 40);  // replaces the first
    this->Loop().SetTimer(&this->first_, 2, 20);
    this->Loop().KillTimer(&this->first_, 2);
    // A handler may also stop its own timer when it fires.
    this->second_.then = [&](const std::string&) { this->Loop().KillTimer(&this->second_, 3); };
    this->Loop().SetTimer(&this->second_, 3, 30);
    this->third_.then = [&](const std::string&) { this->Loop().Quit(0); };
    this->Loop().SetTimer(&this->third_, 1, 300);
    this->Loop().Run();
    EXPECT_GE(this->first_.Events().size(), 2u);
    EXPECT_EQ(this->first_.Only("timer 1"), this->first_.Events());
    EXPECT_EQ(this->second_.Events(), (std::vector<std::string>{"timer 3"}));
}

TYPED_TEST(DisplayContractTest, ForgetDropsPendingPostsAndTimers) {
    this->Loop().Post(&this->first_, 1);
    this->Loop().Post(&this->second_, 2);
    this->Loop().Post(&this->first_, 3);
    this->Loop().SetTimer(&this->first_, 1, 100);
    this->Loop().Forget(&this->first_);
    this->second_.then = [&](const std::string& event) {
        if (event.rfind("timer", 0) == 0) this->Loop().Quit(0);
    };
    this->Loop().SetTimer(&this->second_, 7, 300);
    this->Loop().Run();
    EXPECT_TRUE(this->first_.Events().empty());
    EXPECT_EQ(this->second_.Events(), (std::vector<std::string>{"msg 2 0 0", "timer 7"}));
}

}  // namespace
}  // namespace korv::platform
