#include "scenario/calibrated_delay.h"

#include <gtest/gtest.h>

namespace korv {
namespace {

struct DelayContext : SceneContext {
    struct : SceneWindow {
        void Draw(const std::function<void(platform::Surface&)>&) override {}
        Size ClientSize() const override { return {}; }
        void SetBackground(platform::Colour, uint32_t) override {}
        platform::Colour GetBackground() const override { return {}; }
        uint32_t GetRasterOp() const override { return 0; }
        void SetLink(const std::string&, int32_t) override {}
        void ClearLink() override {}
    } window;
    platform::Event stop;
    platform::VirtualClock clock;
    uint32_t figure = 2'000'000;
    SceneWindow& Window() override { return window; }
    const platform::Event& StopEvent() const override { return stop; }
    platform::Clock& Clock() override { return clock; }
    uint32_t SpeedCalibration() const override { return figure; }
};

TEST(CalibratedDelay, PollCountFollowsTheFormula) {
    EXPECT_EQ(CalibratedPolls(100000, 100000, 5'000'000), 0);  // the fastest MOVE: no delay
    EXPECT_EQ(CalibratedPolls(50000, 100000, 5'000'000), 2'500'000);
    EXPECT_EQ(CalibratedPolls(1100, 100000, 1000), 989);
    EXPECT_EQ(CalibratedPolls(100, 1000, 5'000'000), 45000);  // an effect of speed 100
    EXPECT_EQ(CalibratedPolls(1000, 1000, 5'000'000), 0);
    EXPECT_EQ(CalibratedPolls(2000, 1000, 5'000'000), 0);  // faster than full scale: none
    EXPECT_EQ(CalibratedPolls(50000, 100000, 0), 0);
}

TEST(CalibratedDelay, WaitsTheTimeThePollsWouldTake) {
    DelayContext context;
    // Half the full scale: half of the calibration second.
    EXPECT_TRUE(CalibratedDelay(context, 50000, 100000));
    EXPECT_EQ(context.clock.Elapsed(), 500u);
    // Short pauses add up across steps: 100 × about 900 µs (the formula
    // truncates in floating point, so a poll may be lost) ≈ 90 ms.
    for (int i = 0; i < 100; ++i) CalibratedDelay(context, 910, 1000);
    uint64_t afterSteps = context.clock.Elapsed();
    EXPECT_GE(afterSteps, 589u);
    EXPECT_LE(afterSteps, 590u);
    context.stop.Set();
    EXPECT_FALSE(CalibratedDelay(context, 0, 100000));
    EXPECT_EQ(context.clock.Elapsed(), afterSteps);
}

}  // namespace
}  // namespace korv
