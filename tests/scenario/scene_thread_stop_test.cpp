// Stopping a scene thread with a time limit: a thread that cannot stop in
// time is reported, not waited for, and can still be stopped later.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "platform/event.h"
#include "scenario/scenario.h"
#include "scenario/scene_thread.h"

namespace korv {
namespace {

// A window whose first repaint holds the scene thread until released.
class HoldingWindow : public SceneWindow {
public:
    void Draw(const std::function<void(platform::Surface&)>&) override {}
    Size ClientSize() const override { return {8, 8}; }
    void SetBackground(platform::Colour, uint32_t) override {
        reached.Set();
        release.Wait(platform::kInfinite);
    }
    platform::Colour GetBackground() const override { return {}; }
    uint32_t GetRasterOp() const override { return 0; }
    void SetLink(const std::string&, int32_t) override {}
    void ClearLink() override {}

    platform::Event reached, release;
};

// A scene thread playing an empty scenario into `window`, started.
class RunningSceneThread {
public:
    explicit RunningSceneThread(HoldingWindow& window) : thread_(Options(window)) {
        started = thread_.CreateThread(true);
        if (started) thread_.Resume();
    }
    CSceneThread* operator->() { return &thread_; }
    bool started = false;

private:
    CSceneThread::Options Options(HoldingWindow& window) {
        CSceneThread::Options options;
        options.window = &window;
        options.speedCalibration = &speed_;
        options.scenario = &scenario_;
        return options;
    }
    Scenario scenario_;
    std::atomic<uint32_t> speed_{1000};
    CSceneThread thread_;
};

TEST(SceneThreadStopTest, ATimedKillGivesUpOnAHeldThreadAndALaterOneEndsIt) {
    HoldingWindow window;
    RunningSceneThread thread(window);
    ASSERT_TRUE(thread.started);
    ASSERT_TRUE(window.reached.Wait(5000));

    auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(thread->Kill(100));
    auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_GE(waited, std::chrono::milliseconds(100));
    EXPECT_LT(waited, std::chrono::milliseconds(1000));
    EXPECT_FALSE(thread->FinishedEvent().IsSet());

    window.release.Set();
    EXPECT_TRUE(thread->Kill(5000));
    EXPECT_TRUE(thread->FinishedEvent().IsSet());
}

TEST(SceneThreadStopTest, AnIdleThreadStopsWellWithinTheLimit) {
    HoldingWindow window;
    window.release.Set();
    RunningSceneThread thread(window);
    ASSERT_TRUE(thread.started);
    ASSERT_TRUE(thread->IdleEvent().Wait(5000));
    EXPECT_TRUE(thread->Kill(250));
}

}  // namespace
}  // namespace korv
