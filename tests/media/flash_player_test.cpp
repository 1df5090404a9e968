// The Flash player's thread and stage with a stand-in browser engine: when
// a movie ends, loops, runs out its duration or is killed, what becomes of
// its playing event and its file, and what the page is asked and served.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "media/flash/flash_player_page.h"
#include "media/flash/flash_player_thread.h"
#include "media/flash/flash_stage.h"
#include "media/temporary_media_file.h"
#include "platform/clock.h"
#include "saver/log.h"
#include "tests/support/eventually.h"
#include "tests/support/fake_web_engine.h"
#include "tests/support/headless_media_host.h"
#include "tests/support/stand_in_flash_player.h"
#include "tests/support/swf_writer.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using test::Eventually;

test::StandInFlashPlayer& Player() { return test::StandInFlashPlayer::Ready(); }

class FlashPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Player();
        SetFileLogName((dir_ / "korvlog.txt").string());
        SetFileLogEnabled(true);
    }
    void TearDown() override {
        SetFileLogEnabled(false);
        SetFileLogName("");
    }

    std::string MovieFile(int frames) {
        test::SwfTestMovie movie;
        movie.frames = frames;
        return MakeTemporaryMediaFile(test::WriteSwfTestMovie(movie), ".swf");
    }

    std::shared_ptr<CFlashPlayerThread> Start(const std::string& file, bool loop, int32_t duration,
                                              platform::Clock& clock) {
        auto player = std::make_shared<CFlashPlayerThread>(&host_, &playing_, duration, clock);
        player->loop = loop;
        player->hasDuration = duration != -1;
        player->fileName = file;
        player->takesInput = takesInput_;
        player->left = 100;
        player->top = 50;
        player->right = 420;
        player->bottom = 290;
        playing_.Set();
        player->CreateThread(true);
        player->Resume();
        return player;
    }

    std::string LastScript() { return Player().LastScript(); }
    uint64_t CurrentPlay() { return Player().CurrentPlay(); }
    void Send(const std::string& message) { Player().Send(message); }
    // Waits for the play of the player started last.
    bool PlayStarted() {
        bool started = Player().WaitForPlayAfter(lastPlay_);
        lastPlay_ = CurrentPlay();
        return started;
    }

    test::TempDir dir_;
    test::HeadlessMediaHost host_;
    bool takesInput_ = false;
    platform::Event playing_;
    platform::RealClock clock_;
    uint64_t lastPlay_ = Player().CurrentPlay();
};

TEST_F(FlashPlayerTest, MovieEndsOnItsLastFrameAndLeavesNoFile) {
    std::string file = MovieFile(3);
    auto player = Start(file, false, -1, clock_);
    ASSERT_TRUE(PlayStarted());
    const uint64_t play = CurrentPlay();
    // The page gets exactly the movie the thread serves, at the play's address.
    EXPECT_NE(LastScript().find(FlashMovieAddress(play)), std::string::npos);
    ASSERT_TRUE(Player().engine.Fetch(kFlashScheme, "/movie/" + std::to_string(play) + ".swf"));
    Send("loaded " + std::to_string(play) + " 0 3 10");
    Send("frame " + std::to_string(play) + " 1");
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(playing_.IsSet()) << "ended before its last frame";
    Send("frame " + std::to_string(play) + " 2");
    EXPECT_TRUE(Eventually([&] { return !playing_.IsSet(); }));
    EXPECT_TRUE(player->WaitForEnd(2000));
    EXPECT_FALSE(fs::exists(file));
    // The movie is no longer served once its play is over.
    EXPECT_FALSE(Player().engine.Fetch(kFlashScheme, "/movie/" + std::to_string(play) + ".swf"));
    EXPECT_EQ(LastScript(), FlashStopScript());
}

// In the player with the exit bar a click on the movie reaches it, at its
// place in the movie's area; in the others the movie takes no input.
TEST_F(FlashPlayerTest, OnlyThePlayerWithTheExitBarPassesClicksToTheMovie) {
    std::thread loop([&] { host_.Display().Loop().Run(); });
    for (bool takesInput : {true, false}) {
        SCOPED_TRACE(takesInput ? "with the exit bar" : "without it");
        takesInput_ = takesInput;
        const size_t clicksBefore = Player().engine.Record(0).clicks.size();
        std::string file = MovieFile(2);
        auto player = Start(file, true, -1, clock_);
        ASSERT_TRUE(PlayStarted());
        // The movie's area shows from its first picture on.
        Send("loaded " + std::to_string(CurrentPlay()) + " 0 2 10");
        Player().engine.SendFrame(0, 0x0000FF);
        ASSERT_EQ(host_.Screen().At(110, 60), 0x0000FFu);
        host_.Display().InjectButtonDown(platform::MouseButton::Left, {130, 95});
        host_.Display().InjectButtonDown(platform::MouseButton::Right, {130, 95});
        if (takesInput) {
            EXPECT_TRUE(Eventually([&] { return Player().engine.Record(0).clicks.size() > clicksBefore; }));
            auto clicks = Player().engine.Record(0).clicks;
            EXPECT_EQ(std::vector<Point>(clicks.begin() + clicksBefore, clicks.end()), (std::vector<Point>{{30, 45}}));
        } else {
            std::this_thread::sleep_for(100ms);
            EXPECT_EQ(Player().engine.Record(0).clicks.size(), clicksBefore);
        }
        player->Kill();
        EXPECT_TRUE(player->WaitForEnd(2000));
        DeleteTemporaryMediaFile(file);
    }
    host_.Display().Loop().Quit(0);
    loop.join();
}

TEST_F(FlashPlayerTest, LoopingMoviePlaysUntilKilledAndKeepsItsFile) {
    std::string file = MovieFile(2);
    auto player = Start(file, true, -1, clock_);
    ASSERT_TRUE(PlayStarted());
    const std::string play = std::to_string(CurrentPlay());
    for (int round = 0; round < 3; ++round) {
        Send("frame " + play + " 0");
        Send("frame " + play + " 1");
    }
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(playing_.IsSet());
    player->Kill();
    player->Kill();
    EXPECT_TRUE(player->WaitForEnd(2000));
    EXPECT_FALSE(playing_.IsSet());
    EXPECT_TRUE(fs::exists(file));
    DeleteTemporaryMediaFile(file);
    // A kill of an ended player does nothing.
    player->Kill();
}

TEST_F(FlashPlayerTest, DurationEndsALoopingMovieAtItsVirtualTime) {
    platform::VirtualClock clock;
    std::string file = MovieFile(2);
    auto player = Start(file, true, 5000, clock);
    ASSERT_TRUE(PlayStarted());
    const std::string play = std::to_string(CurrentPlay());
    Send("frame " + play + " 1");
    // The scene waits as a waited play does, in 10 ms steps.
    platform::Event stop;
    while (playing_.IsSet() && clock.Elapsed() < 20000) clock.WaitFor(stop, 10);
    EXPECT_EQ(clock.Elapsed(), 5000u);
    EXPECT_TRUE(player->WaitForEnd(2000));
    EXPECT_TRUE(fs::exists(file)) << "a looping movie's file stays";
    DeleteTemporaryMediaFile(file);
}

TEST_F(FlashPlayerTest, ZeroDurationEndsOnlyWhenKilled) {
    platform::VirtualClock clock;
    std::string file = MovieFile(2);
    auto player = Start(file, false, 0, clock);
    ASSERT_TRUE(PlayStarted());
    const std::string play = std::to_string(CurrentPlay());
    Send("frame " + play + " 1");
    clock.Sleep(60000);
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(playing_.IsSet());
    player->Kill();
    EXPECT_TRUE(player->WaitForEnd(2000));
    EXPECT_FALSE(playing_.IsSet());
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(FlashPlayerTest, FramesShowInTheAreaOnlyOnceTheMovieLoaded) {
    std::string file = MovieFile(4);
    auto player = Start(file, true, -1, clock_);
    ASSERT_TRUE(PlayStarted());
    const std::string play = std::to_string(CurrentPlay());
    EXPECT_EQ(Player().engine.Record(0).size, (Size{320, 240}));
    // A picture from before the movie loaded is the page's, not the movie's.
    Player().engine.SendFrame(0, 0x00FF00);
    EXPECT_EQ(host_.Screen().At(200, 100), 0u);
    Send("loaded " + play + " 0 4 25");
    EXPECT_EQ(Player().engine.Record(0).options.frameIntervalMs, 40u);
    Player().engine.SendFrame(0, 0x3366CC);
    platform::Surface screen = host_.Screen();
    EXPECT_EQ(screen.At(100, 50), 0x3366CCu);
    EXPECT_EQ(screen.At(419, 289), 0x3366CCu);
    EXPECT_EQ(screen.At(99, 50), 0u);
    EXPECT_EQ(screen.At(420, 289), 0u);
    player->Kill();
    ASSERT_TRUE(player->WaitForEnd(2000));
    EXPECT_EQ(host_.Screen().At(200, 100), 0u) << "the movie's pictures leave with it";
    DeleteTemporaryMediaFile(file);
}

TEST_F(FlashPlayerTest, AMovieThePlayerCannotLoadEndsAPlayThatWaitsForItsEnd) {
    std::string file = MovieFile(5);
    auto player = Start(file, false, -1, clock_);
    ASSERT_TRUE(PlayStarted());
    Send("failed " + std::to_string(CurrentPlay()) + " Error: invalid SWF");
    EXPECT_TRUE(player->WaitForEnd(2000));
    EXPECT_FALSE(playing_.IsSet());
    EXPECT_NE(test::ReadFileBytes(dir_ / "korvlog.txt").find("Flash movie failed: Error: invalid SWF"),
              std::string::npos);
}

// A movie that reports its frames ends on its last one; a movie whose
// frames cannot be reported (here cut short) is told to end after its length.
TEST_F(FlashPlayerTest, OnlyMoviesThatCannotReportTheirFramesEndByTheirLength) {
    test::SwfTestMovie movie;
    movie.frames = 6;
    movie.compression = 'C';
    std::vector<uint8_t> whole = test::WriteSwfTestMovie(movie);
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() * 2 / 3));
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        bool loop;
        bool timedEnd;
    };
    for (const Case& c : {Case{"whole", whole, false, false}, Case{"cut short", cut, false, true},
                          Case{"cut short, looping", cut, true, true}}) {
        SCOPED_TRACE(c.what);
        auto player = Start(MakeTemporaryMediaFile(c.bytes, ".swf"), c.loop, -1, clock_);
        ASSERT_TRUE(PlayStarted());
        EXPECT_EQ(LastScript(), FlashPlayScript(CurrentPlay(), {c.loop, false, c.timedEnd}));
        player->Kill();
        EXPECT_TRUE(player->WaitForEnd(2000));
    }
}

TEST_F(FlashPlayerTest, WithoutAParentTheThreadEndsAtOnce) {
    std::string file = MovieFile(2);
    auto player = std::make_shared<CFlashPlayerThread>(nullptr, &playing_, -1, clock_);
    player->fileName = file;
    playing_.Set();
    player->CreateThread(true);
    player->Resume();
    EXPECT_TRUE(player->WaitForEnd(2000));
    EXPECT_FALSE(playing_.IsSet());
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(FlashPlayerTest, StageServesThePageAndThePlayerFilesOnly) {
    auto page = Player().engine.Fetch(kFlashScheme, "/player.html");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->contentType, "text/html; charset=utf-8");
    auto module = Player().engine.Fetch(kFlashScheme, "/ruffle/0.wasm");
    ASSERT_TRUE(module);
    EXPECT_EQ(module->contentType, "application/wasm");
    EXPECT_EQ(std::string(module->bytes.begin(), module->bytes.end()), "0.wasm");
    EXPECT_FALSE(Player().engine.Fetch(kFlashScheme, "/ruffle/../ruffle/ruffle.js"));
    EXPECT_FALSE(Player().engine.Fetch(kFlashScheme, "/ruffle/.version"));
    EXPECT_FALSE(Player().engine.Fetch(kFlashScheme, "/movie/0.swf"));
    EXPECT_FALSE(Player().engine.Fetch(kFlashScheme, "/etc/passwd"));
}

TEST(FlashPageMessageTest, ReadsWhatThePageSaysAndNothingElse) {
    auto loaded = ParseFlashPageMessage("loaded 7 1 120 24.5");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->kind, FlashPageMessage::Loaded);
    EXPECT_EQ(loaded->play, 7u);
    EXPECT_TRUE(loaded->actionScript3);
    EXPECT_EQ(loaded->frameCount, 120);
    EXPECT_DOUBLE_EQ(loaded->frameRate, 24.5);
    auto frame = ParseFlashPageMessage("frame 3 41");
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->frame, 41);
    auto failed = ParseFlashPageMessage("failed 2 TypeError: x is not a function");
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->text, "TypeError: x is not a function");
    EXPECT_EQ(ParseFlashPageMessage("ready")->kind, FlashPageMessage::Ready);
    for (const char* junk : {"", "ready now", "frame", "frame x 1", "frame 1 -1", "frame 1 2 3", "loaded 1 0 10",
                             "loaded 1 0 10 -5", "ended", "ended 1 2", "unknown 1", "frame 99999999999999999999 1"})
        EXPECT_FALSE(ParseFlashPageMessage(junk)) << junk;
}

}  // namespace
}  // namespace korv
