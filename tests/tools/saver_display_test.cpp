// A built saver on a real X server: it covers the screen, and real input
// (xdotool) ends it by the exit rules.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/support/real_saver_test.h"

namespace korv {
namespace {

using namespace std::chrono_literals;

class SaverDisplayTest : public test::RealSaverTest {
protected:
    void Build(int playerType) { RealSaverTest::Build(playerType, "VERSION 500;CLS ,000.128.000;WAIT ,600;"); }
    // Whether the saver has ended within `limit`.
    bool EndsWithin(std::chrono::milliseconds limit) { return EndTime(Clock::now(), nullptr, limit).has_value(); }
};

TEST_F(SaverDisplayTest, OnePixelOfMouseMovementEndsTheSaver) {
    Build(2);
    Launch();
    Xdotool({"mousemove", "200", "200"});
    Xdotool({"mousemove", "201", "200"});
    EXPECT_TRUE(EndsWithin(2000ms));
}

TEST_F(SaverDisplayTest, DoubleClickRuleIgnoresSingleClicks) {
    Build(2);
    Setting("Standard", "0");
    Setting("DoubleClick", "1");
    Launch();
    Xdotool({"mousemove", "300", "300"});
    Xdotool({"click", "1"});
    EXPECT_FALSE(EndsWithin(800ms));
    Xdotool({"click", "--repeat", "2", "--delay", "80", "1"});
    EXPECT_TRUE(EndsWithin(2000ms));
}

TEST_F(SaverDisplayTest, ExitButtonPlayerIgnoresTheMouseButEndsOnAKey) {
    Build(3);
    Launch();
    Xdotool({"mousemove", "100", "100"});
    Xdotool({"mousemove", "500", "400"});
    Xdotool({"click", "1"});
    EXPECT_FALSE(EndsWithin(800ms));
    Xdotool({"key", "x"});
    EXPECT_TRUE(EndsWithin(2000ms));
}

TEST_F(SaverDisplayTest, AltF4NeverClosesTheSaver) {
    Build(2);
    Setting("Standard", "0");
    Setting("MouseMove", "1");
    Launch();
    Xdotool({"key", "alt+F4"});
    EXPECT_FALSE(EndsWithin(800ms));
    Xdotool({"mousemove", "400", "300"});
    Xdotool({"mousemove", "401", "300"});
    EXPECT_TRUE(EndsWithin(2000ms));
}

}  // namespace
}  // namespace korv
