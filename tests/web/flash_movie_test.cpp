// Flash movies in the real web player inside the real browser engine: the
// movie's own pictures reach the saver window's area, a movie without loop
// ends on its last frame through the frames it reports, and a looping one
// plays until killed.

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

#include "media/flash/flash_player_files.h"
#include "media/flash/flash_player_thread.h"
#include "media/flash/flash_stage.h"
#include "media/temporary_media_file.h"
#include "platform/clock.h"
#include "platform/web_engine.h"
#include "tests/support/detached_xvfb.h"
#include "tests/support/headless_media_host.h"
#include "tests/support/swf_writer.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

using namespace std::chrono_literals;

// How much of `surface`'s area is close to `colour`, as a share of it.
double ShareOf(const platform::Surface& surface, Rect area, uint32_t colour) {
    auto near = [](uint32_t a, uint32_t b) {
        for (int shift : {0, 8, 16})
            if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 24)
                return false;
        return true;
    };
    int hits = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) hits += near(surface.At(x, y), colour);
    return static_cast<double>(hits) / (area.Width() * area.Height());
}

class FlashMovieTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(IsFlashInstalled()) << "the Flash player's files are missing (scripts/fetch-flash-player)";
        ASSERT_FALSE(test::DetachedXvfbDisplay().empty()) << "Xvfb did not start";
        display_.emplace("DISPLAY", test::DetachedXvfbDisplay());
        platform::Event never;
        ASSERT_EQ(FlashStage::Instance().WaitUntilReady(60000, never), "");
    }

    std::shared_ptr<CFlashPlayerThread> Start(const test::SwfTestMovie& movie, bool loop) {
        return StartBytes(test::WriteSwfTestMovie(movie), movie.width, movie.height, loop);
    }
    std::shared_ptr<CFlashPlayerThread> StartBytes(const std::vector<uint8_t>& bytes, int width, int height,
                                                   bool loop) {
        auto player = std::make_shared<CFlashPlayerThread>(&host_, &playing_, -1, clock_);
        player->fileName = MakeTemporaryMediaFile(bytes, ".swf");
        player->loop = loop;
        player->left = 40;
        player->top = 30;
        player->right = 40 + width;
        player->bottom = 30 + height;
        playing_.Set();
        player->CreateThread(true);
        player->Resume();
        return player;
    }

    test::IsolatedUser user_;
    std::optional<test::ScopedEnv> display_;
    test::HeadlessMediaHost host_{640, 480};
    platform::Event playing_;
    platform::RealClock clock_;
};

TEST_F(FlashMovieTest, TheMoviesPicturesShowInItsAreaAndItEndsOnItsLastFrame) {
    test::SwfTestMovie movie;
    movie.width = 320;
    movie.height = 240;
    movie.background = 0x0000FF;
    movie.shapeColour = 0xFF0000;
    movie.frames = 12;
    movie.frameRate = 8;
    movie.stepX = 20;
    auto player = Start(movie, false);
    const Rect area{40, 30, 360, 270};
    // The background fills the area, the square is in it, and nothing is
    // drawn outside it.
    bool shown = false;
    std::vector<int> squareAt;
    for (auto until = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < until && playing_.IsSet();) {
        platform::Surface screen = host_.Screen();
        if (ShareOf(screen, area, 0x0000FF) > 0.8 && ShareOf(screen, area, 0xFF0000) > 0.01) {
            shown = true;
            // Where the square's left edge is on its row.
            for (int x = area.left; x < area.right; ++x)
                if (ShareOf(screen, Rect{x, 150, x + 1, 151}, 0xFF0000) > 0) {
                    if (squareAt.empty() || squareAt.back() != x) squareAt.push_back(x);
                    break;
                }
            EXPECT_EQ(ShareOf(screen, Rect{0, 0, 40, 480}, 0), 1.0);
        }
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_TRUE(shown) << "the movie's picture never showed";
    EXPECT_GE(squareAt.size(), 3u) << "the square did not move";
    // 12 frames at 8 a second: over in about a second and a half.
    EXPECT_TRUE(player->WaitForEnd(5000)) << "the movie did not end on its last frame";
    EXPECT_FALSE(playing_.IsSet());
}

// A damaged movie that the player still shows (its body cut short) cannot
// report its frames; a waited play of it ends after the movie's length.
TEST_F(FlashMovieTest, AMovieCutShortEndsAfterItsLength) {
    test::SwfTestMovie movie;
    movie.frames = 12;
    movie.frameRate = 8;
    movie.compression = 'C';
    std::vector<uint8_t> bytes = test::WriteSwfTestMovie(movie);
    bytes.resize(bytes.size() * 2 / 3);
    auto player = StartBytes(bytes, movie.width, movie.height, false);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(player->WaitForEnd(15000)) << "the movie never ended";
    // 12 frames at 8 a second.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_FALSE(playing_.IsSet());
}

// A movie whose header claims far more than the file holds, too short for
// even its stage's size, leaves the player waiting for the rest; the play
// fails after the page's limit.
TEST_F(FlashMovieTest, AMovieThePlayerNeverStartsFailsItsPlay) {
    const std::string junk = "FWS\x0a\xff\xff\xff\xffgarbage";
    auto player = StartBytes(std::vector<uint8_t>(junk.begin(), junk.end()), 320, 240, false);
    EXPECT_TRUE(player->WaitForEnd(30000)) << "the play never ended";
    EXPECT_FALSE(playing_.IsSet());
}

TEST_F(FlashMovieTest, ALoopingMoviePlaysOnUntilKilled) {
    test::SwfTestMovie movie;
    movie.frames = 4;
    movie.frameRate = 20;
    movie.compression = 'Z';
    auto player = Start(movie, true);
    std::this_thread::sleep_for(3s);
    EXPECT_TRUE(playing_.IsSet()) << "a looping movie ended";
    auto start = std::chrono::steady_clock::now();
    player->Kill();
    EXPECT_TRUE(player->WaitForEnd(2000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    EXPECT_FALSE(playing_.IsSet());
}

}  // namespace
}  // namespace korv
