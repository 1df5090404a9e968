// korv-tool preview: the scenario plays in a window of its own, a saved
// change plays within a second, a script with errors leaves the last one
// playing, and mouse and keys do not end it. The loop's timers run on a
// virtual clock, so "within a second" is counted exactly; the scenario
// itself plays in real time.

#include "tools/scenario_preview.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "platform/clock.h"
#include "platform/display.h"
#include "tests/support/test_environment.h"

namespace korv::tool {
namespace {

using namespace std::chrono_literals;

constexpr platform::Pixel kRed = 0xFF0000, kBlue = 0x0000FF, kGreen = 0x00FF00;

std::string Script(const char* colour, const char* more = "") {
    return std::string("VERSION 400;\nCLS ,") + colour + ";\n" + more + "WAIT ,600;\n";
}

class ScenarioPreviewTest : public ::testing::Test {
protected:
    ScenarioPreviewTest() {
        std::filesystem::create_directories(dir_ / "content");
        test::WriteFileBytes(dir_ / "show.vel", Script("255.000.000"));
        source_.path = (dir_ / "show.vel").string();
        source_.contentFolder = (dir_ / "content").string();
    }

    platform::Pixel Centre() { return display_->Screen().At(80, 60) & 0xFFFFFF; }
    // Waits (in real time: the scene thread draws on its own) until the
    // screen's centre is `pixel`; false after ten seconds.
    bool ShowsSoon(platform::Pixel pixel) {
        for (auto end = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < end;) {
            if (Centre() == pixel) return true;
            std::this_thread::sleep_for(5ms);
        }
        return false;
    }

    test::TempDir dir_;
    PreviewSource source_;
    platform::VirtualClock clock_{0, 1000};
    std::unique_ptr<platform::HeadlessDisplay> display_ = platform::CreateHeadlessDisplay(160, 120, &clock_);
    std::ostringstream messages_;
};

// Runs `step` every 50 virtual ms on the loop's thread until it returns true.
class Stepper : public platform::WindowHandler {
public:
    Stepper(platform::Display& display, std::function<bool()> step) : display_(display), step_(std::move(step)) {
        display_.Loop().SetTimer(this, 1, 50);
    }
    ~Stepper() override {
        display_.Loop().KillTimer(this, 1);
        display_.Loop().Forget(this);
    }
    void OnTimer(uint32_t) override {
        if (step_()) display_.Loop().Quit(7);
    }

private:
    platform::Display& display_;
    std::function<bool()> step_;
};

TEST_F(ScenarioPreviewTest, ASavedChangePlaysWithinASecondAndABrokenOneLeavesTheLastPlaying) {
    ScenarioPreview preview(*display_, source_, messages_);
    ASSERT_TRUE(preview.Open({160, 120}));
    ASSERT_TRUE(ShowsSoon(kRed)) << messages_.str();
    EXPECT_EQ(preview.Plays(), 1);

    enum { Edit, AwaitBlue, Break, AwaitMessage, AwaitGreen, Done } stage = Edit;
    uint64_t changedAt = 0;
    std::vector<uint64_t> delays;
    int playsBefore = 0;
    Stepper stepper(*display_, [&] {
        if (clock_.Elapsed() > 60'000) {
            ADD_FAILURE() << "stuck at stage " << stage << "; the preview said:\n" << messages_.str();
            return true;
        }
        switch (stage) {
            case Edit:
                test::WriteFileBytes(dir_ / "show.vel", Script("000.000.255", "COMMENT now blue;\n"));
                changedAt = clock_.Elapsed();
                playsBefore = preview.Plays();
                stage = AwaitBlue;
                return false;
            case AwaitBlue:
                if (preview.Plays() == playsBefore) return false;
                EXPECT_TRUE(ShowsSoon(kBlue));
                delays.push_back(clock_.Elapsed() - changedAt);
                stage = Break;
                return false;
            case Break:
                // An undeclared name is an error: nothing new plays.
                test::WriteFileBytes(dir_ / "show.vel", Script("000.255.000", "SHOW nobody,CTR,CTR,0,0,0,100;\n"));
                changedAt = clock_.Elapsed();
                playsBefore = preview.Plays();
                stage = AwaitMessage;
                return false;
            case AwaitMessage:
                if (messages_.str().find("show.vel:3:6: error:") == std::string::npos) return false;
                delays.push_back(clock_.Elapsed() - changedAt);
                EXPECT_EQ(preview.Plays(), playsBefore);
                EXPECT_EQ(Centre(), kBlue);
                // A content file added counts as a change too: the fixed
                // script is looked at with it.
                test::WriteFileBytes(dir_ / "show.vel", Script("000.255.000"));
                test::WriteFileBytes(dir_ / "content" / "new.txt", "x");
                changedAt = clock_.Elapsed();
                playsBefore = preview.Plays();
                stage = AwaitGreen;
                return false;
            case AwaitGreen:
                if (preview.Plays() == playsBefore) return false;
                EXPECT_TRUE(ShowsSoon(kGreen));
                delays.push_back(clock_.Elapsed() - changedAt);
                stage = Done;
                return true;
            case Done: return true;
        }
        return true;
    });
    EXPECT_EQ(display_->Loop().Run(), 7);
    ASSERT_EQ(delays.size(), 3u) << messages_.str();
    for (uint64_t delay : delays) EXPECT_LE(delay, 1000u);
    EXPECT_NE(messages_.str().find("error:"), std::string::npos) << messages_.str();
    EXPECT_NE(messages_.str().find("the last scenario that loaded goes on playing"), std::string::npos);
}

TEST_F(ScenarioPreviewTest, MouseAndKeysDoNotEndItClosingTheWindowDoes) {
    ScenarioPreview preview(*display_, source_, messages_);
    ASSERT_TRUE(preview.Open({160, 120}));
    ASSERT_TRUE(ShowsSoon(kRed));
    int ticks = 0;
    Stepper stepper(*display_, [&] {
        if (++ticks == 1) {
            display_->InjectMouseMove({5, 5});
            display_->InjectMouseMove({90, 70});
            display_->InjectButtonDown(platform::MouseButton::Left, {90, 70});
            display_->InjectKey(' ');
        } else if (ticks == 5) {
            display_->InjectCloseRequest();
        }
        return ticks > 40;  // the close request must have ended the loop long before
    });
    EXPECT_EQ(display_->Loop().Run(), 0);
    EXPECT_EQ(ticks, 5);
    EXPECT_EQ(Centre(), kRed);
}

TEST_F(ScenarioPreviewTest, AScriptThatNeverCompiledShowsNothingAndSaysWhy) {
    test::WriteFileBytes(dir_ / "show.vel", "VERSION 400;\nSHOW nobody,CTR,CTR,0,0,0,100;\n");
    ScenarioPreview preview(*display_, source_, messages_);
    ASSERT_TRUE(preview.Open({160, 120}));
    EXPECT_EQ(preview.Plays(), 0);
    EXPECT_NE(messages_.str().find("show.vel:2:6: error:"), std::string::npos) << messages_.str();
}

}  // namespace
}  // namespace korv::tool
