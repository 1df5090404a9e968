// The machine's display through SDL: a display that does not answer gives
// no display at all, never an invisible stand-in on which a saver would run
// without ever showing a window.

#include <gtest/gtest.h>

#include <chrono>

#include "platform/display.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

TEST(SystemDisplayTest, ADisplayThatDoesNotAnswerGivesNoDisplay) {
    test::TempDir home;
    test::ScopedEnv display("DISPLAY", ":9731");
    test::ScopedEnv wayland("WAYLAND_DISPLAY", std::nullopt);
    test::ScopedEnv driver("SDL_VIDEODRIVER", std::nullopt);
    test::ScopedEnv runtime("XDG_RUNTIME_DIR", home.str());
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(platform::OpenSystemDisplay(), nullptr);
    // It is tried again for a short while only.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
}

TEST(SystemDisplayTest, WithoutANamedDisplayThereIsNone) {
    test::ScopedEnv display("DISPLAY", std::nullopt);
    test::ScopedEnv wayland("WAYLAND_DISPLAY", std::nullopt);
    EXPECT_EQ(platform::OpenSystemDisplay(), nullptr);
}

}  // namespace
}  // namespace korv
