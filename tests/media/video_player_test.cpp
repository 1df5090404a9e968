// The video players on child surfaces of a headless window: where and at
// what size the video shows, that its pictures reach the child when their
// time comes, repeat, waited plays on a virtual clock, stops and closes from
// other threads, failures and their log lines, and the sound they queue.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "media/video/avi_wait_player.h"
#include "media/video/mci_error.h"
#include "media/video/player_wnd.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/event.h"
#include "platform/video_file.h"
#include "saver/log.h"
#include "tests/support/eventually.h"
#include "tests/support/headless_media_host.h"
#include "tests/support/instant_audio_output.h"
#include "tests/support/test_environment.h"
#include "tests/support/video_fixtures.h"

namespace korv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using platform::Surface;

using test::HeadlessMediaHost;

using test::Eventually;

bool AllBlack(const Surface& surface) {
    for (platform::Pixel pixel : surface.Pixels())
        if (pixel != 0) return false;
    return true;
}

class VideoPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetFileLogName((dir_ / "korvlog.txt").string());
        SetFileLogEnabled(true);
        platform::SetSystemAudio(&audio_);
    }
    void TearDown() override {
        platform::SetSystemAudio(nullptr);
        SetFileLogEnabled(false);
        SetFileLogName("");
    }

    fs::path MakeVideo(const std::string& name, bool withSound = true) {
        fs::path path = dir_ / name;
        test::MakeTestVideo(path, "mjpeg", withSound);
        return path;
    }

    std::vector<std::string> LogLines() {
        std::vector<std::string> lines;
        std::string text = test::ReadFileBytes(dir_ / "korvlog.txt");
        size_t start = 0;
        for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
            std::string line = text.substr(start, end - start);
            // The process's first sound names its output once, whichever player opens it.
            if (line.rfind("Audio output: ", 0) != 0) lines.push_back(line);
        }
        return lines;
    }

    // The pictures of the fixture as the decoder gives them.
    static std::vector<Surface> Pictures(const fs::path& path) {
        std::vector<Surface> pictures;
        auto opened = platform::OpenVideoFile(path.string());
        EXPECT_TRUE(opened.file);
        if (!opened.file) return pictures;
        Surface picture;
        int64_t time = 0;
        while (opened.file->NextFrame(picture, time)) pictures.push_back(picture);
        return pictures;
    }

    bool Shows(const Surface& picture, Point at) {
        return Eventually([&] {
            return test::MeanChannelDifference(test::Crop(host_.Screen(), Rect{at.x, at.y, at.x + 160, at.y + 120}), picture) == 0;
        });
    }

    test::TempDir dir_;
    HeadlessMediaHost host_;
    test::InstantAudioOutput audio_;
};

TEST_F(VideoPlayerTest, NoWaitVideoShowsAtThePointAtItsSizeFollowsTheClockAndRepeats) {
    const fs::path path = MakeVideo("clip.avi");
    const std::vector<Surface> pictures = Pictures(path);
    ASSERT_EQ(pictures.size(), 50u);
    platform::VirtualClock clock;
    CPlayerWnd player(host_, clock);
    ASSERT_TRUE(player.Create());
    player.OpenFile(path.string());
    EXPECT_EQ(player.FileName(), path.string());
    player.PlayAt(false, 30, 40);
    EXPECT_GT(host_.pointerHides, 0);

    ASSERT_TRUE(Shows(pictures[0], {30, 40}));
    // Nothing outside the video's own size at (30, 40).
    Surface screen = host_.Screen();
    EXPECT_EQ(screen.At(29, 40), 0u);
    EXPECT_EQ(screen.At(30, 39), 0u);
    EXPECT_EQ(screen.At(190, 100), 0u);
    EXPECT_EQ(screen.At(100, 160), 0u);
    EXPECT_NE(screen.At(189, 159), 0u);

    clock.Advance(400);
    EXPECT_TRUE(Shows(pictures[10], {30, 40}));
    // 2.8 s: the second pass's picture at 0.8 s.
    clock.Advance(2400);
    EXPECT_TRUE(Shows(pictures[20], {30, 40}));
    clock.Advance(2000);
    EXPECT_TRUE(Shows(pictures[20], {30, 40})) << "third pass";

    EXPECT_TRUE(player.SafeStop());
    EXPECT_TRUE(player.SafeClose());
    EXPECT_TRUE(AllBlack(host_.Screen())) << "a closed player hides its child";
    player.CloseWindow();
    EXPECT_EQ(LogLines(), (std::vector<std::string>{
                              "CPlayerWnd: Create", "CPlayerWnd: Created", "Window OK", "CPlayerWnd: Open",
                              "CPlayerWnd: Play", "CPlayerWnd: ShowAtPos", "CPlayerWnd: GetAVISize", "Window OK",
                              "CPlayerWnd: Stop", "Window OK", "CPlayerWnd: Close", "CPlayerWnd: Destroy"}));
}

TEST_F(VideoPlayerTest, ASecondNoWaitVideoReplacesTheFirstAndAStoppedVideoStaysStill) {
    const fs::path first = MakeVideo("first.avi");
    const fs::path second = MakeVideo("second.avi", false);
    const std::vector<Surface> pictures = Pictures(first);
    platform::VirtualClock clock;

    auto one = std::make_unique<CPlayerWnd>(host_, clock);
    ASSERT_TRUE(one->Create());
    one->OpenFile(first.string());
    one->PlayAt(false, 0, 0);
    clock.Advance(200);
    ASSERT_TRUE(Shows(pictures[5], {0, 0}));
    EXPECT_TRUE(one->SafeStop());
    clock.Advance(400);
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(Shows(pictures[5], {0, 0})) << "stopped on its picture";
    EXPECT_TRUE(one->SafeClose());
    one->CloseWindow();
    one.reset();
    EXPECT_TRUE(AllBlack(host_.Screen()));

    CPlayerWnd two(host_, clock);
    ASSERT_TRUE(two.Create());
    two.OpenFile(second.string());
    two.PlayAt(false, 300, 200);
    EXPECT_TRUE(Shows(pictures[0], {300, 200}));
    EXPECT_TRUE(AllBlack(test::Crop(host_.Screen(), Rect{0, 0, 300, 200})));
    EXPECT_TRUE(audio_.Sources().size() == 1) << "only the first video has sound";
}

// The player's window takes its steps as commands too: open, position,
// play once, stop, close; an unknown command is left to the default.
TEST_F(VideoPlayerTest, CommandsToThePlayersWindowDoEachStep) {
    const fs::path path = MakeVideo("clip.avi");
    const std::vector<Surface> pictures = Pictures(path);
    platform::VirtualClock clock;
    CPlayerWnd player(host_, clock);
    ASSERT_TRUE(player.Create());
    EXPECT_TRUE(player.OnCommand({PlayerOpen, path.string()}));
    EXPECT_EQ(player.FileName(), path.string());
    EXPECT_TRUE(player.OnCommand({.id = PlayerPosition, .position = {50, 60}}));
    EXPECT_TRUE(player.OnCommand({.id = PlayerPlay, .once = true}));
    ASSERT_TRUE(Shows(pictures[0], {50, 60}));
    // Once: after its length the last picture stays.
    clock.Advance(2400);
    EXPECT_TRUE(Shows(pictures[49], {50, 60}));
    EXPECT_TRUE(player.OnCommand({PlayerStop}));
    EXPECT_TRUE(player.OnCommand({PlayerClose}));
    EXPECT_TRUE(AllBlack(host_.Screen()));
    EXPECT_FALSE(player.OnCommand({999}));
    auto log = LogLines();
    EXPECT_EQ(std::count(log.begin(), log.end(), "CPlayerWnd: OnCommand"), 6);
    EXPECT_EQ(std::count(log.begin(), log.end(), "CPlayerWnd: Open"), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "CPlayerWnd: Close"), 1);
}

TEST_F(VideoPlayerTest, NoWaitPlayerWithoutAWindowOrAFileLogsItsFailuresAndShowsNothing) {
    platform::VirtualClock clock;
    host_.refuseChildren = true;
    CPlayerWnd windowless(host_, clock);
    EXPECT_FALSE(windowless.Create());
    windowless.OpenFile((dir_ / "x.avi").string());
    windowless.PlayAt(false, 0, 0);
    EXPECT_FALSE(windowless.SafeStop());
    EXPECT_FALSE(windowless.SafeClose());
    windowless.CloseWindow();
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"CPlayerWnd: Create", "CPlayerWnd: Failed to create",
                                                    "CPlayerWnd: This is not a window!",
                                                    "CPlayerWnd: This is not a window!", "Not window!",
                                                    "CPlayerWnd: Stop", "CPlayerWnd: ErrorHandler 257",
                                                    "Not window!", "CPlayerWnd: Close", "CPlayerWnd: ErrorHandler 257"}));

    host_.refuseChildren = false;
    test::WriteFileBytes(dir_ / "noise.avi", std::string(5000, '\x5a'));
    for (const auto& [name, code] : {std::pair{std::string("noise.avi"), kMciErrorInvalidFile},
                                     std::pair{std::string("missing.avi"), kMciErrorFileNotFound}}) {
        test::WriteFileBytes(dir_ / "korvlog.txt", "");
        CPlayerWnd player(host_, clock);
        ASSERT_TRUE(player.Create());
        player.OpenFile((dir_ / name).string());
        player.PlayAt(false, 10, 10);
        EXPECT_FALSE(player.SafeStop());
        EXPECT_TRUE(AllBlack(host_.Screen()));
        player.CloseWindow();
        const std::string error = "CPlayerWnd: ErrorHandler " + std::to_string(code);
        EXPECT_EQ(LogLines(), (std::vector<std::string>{
                                  "CPlayerWnd: Create", "CPlayerWnd: Created", "Window OK", "CPlayerWnd: Open", error,
                                  "CPlayerWnd: Play", "CPlayerWnd: ShowAtPos", "CPlayerWnd: GetAVISize",
                                  "CPlayerWnd: ErrorHandler 257", "CPlayerWnd: ErrorHandler 257", "Window OK",
                                  "CPlayerWnd: Stop", "CPlayerWnd: ErrorHandler 257", "CPlayerWnd: Destroy"}))
            << name;
    }
    EXPECT_TRUE(audio_.Sources().empty());
}

TEST_F(VideoPlayerTest, WaitedVideoTakesItsLengthOnAVirtualClockEndsOnItsLastPictureAndQueuesItsSound) {
    const fs::path path = MakeVideo("waited.avi");
    const std::vector<Surface> pictures = Pictures(path);
    platform::VirtualClock clock(0, 5000);
    platform::Event stop;
    CAviWaitPlayer player(host_);
    EXPECT_TRUE(player.Run(false, 10, 20, path.string(), clock, stop));
    EXPECT_EQ(clock.Elapsed(), static_cast<uint64_t>(test::kFixtureDurationMs));
    EXPECT_EQ(player.Width(), 160);
    EXPECT_EQ(player.Height(), 120);
    EXPECT_GT(host_.pointerHides, 0);
    EXPECT_TRUE(Shows(pictures.back(), {10, 20}));

    ASSERT_EQ(audio_.Sources().size(), 1u);
    auto sound = audio_.Sources()[0];
    ASSERT_TRUE(Eventually([&] { return sound->Ended().IsSet(); }));
    EXPECT_FALSE(sound->Stopped()) << "played out, not cut";
    EXPECT_NEAR(static_cast<double>(sound->PlayedFrames()), 88200.0, 1024.0);
    EXPECT_EQ(sound->Format().rate, 44100);
    EXPECT_EQ(sound->Format().channels, 2);

    player.Finish();
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(player.LastError(), "Error code not known.");
}

TEST_F(VideoPlayerTest, WaitedVideoEndsSoonAfterTheStopEventOrTheWindowsClose) {
    const fs::path path = MakeVideo("long.avi");
    platform::RealClock clock;
    {
        platform::Event stop;
        CAviWaitPlayer player(host_);
        std::chrono::steady_clock::time_point stopped;
        std::thread stopper([&] {
            std::this_thread::sleep_for(300ms);
            stopped = std::chrono::steady_clock::now();
            stop.Set();
        });
        // Repeat: only the stop ends it.
        EXPECT_TRUE(player.Run(true, 0, 0, path.string(), clock, stop));
        auto late = std::chrono::steady_clock::now() - stopped;
        stopper.join();
        EXPECT_LT(late, 100ms);
        EXPECT_FALSE(AllBlack(host_.Screen()));
    }
    EXPECT_FALSE(fs::exists(path)) << "the player deletes its file when it goes";
    EXPECT_TRUE(AllBlack(host_.Screen())) << "and its child";

    const fs::path again = MakeVideo("again.avi");
    platform::Event never;
    CAviWaitPlayer player(host_);
    std::thread closer([&] {
        std::this_thread::sleep_for(300ms);
        player.CloseWindow();
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(player.Run(true, 0, 0, again.string(), clock, never));
    closer.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << "the close, not the video, ended it";
    EXPECT_TRUE(AllBlack(host_.Screen()));
}

TEST_F(VideoPlayerTest, WaitedVideoThatCannotBeOpenedReturnsAtOnceWithTheErrorText) {
    test::WriteFileBytes(dir_ / "noise.avi", std::string(5000, '\x33'));
    platform::VirtualClock clock;
    platform::Event stop;
    CAviWaitPlayer player(host_);
    EXPECT_TRUE(player.Run(false, 5, 5, (dir_ / "noise.avi").string(), clock, stop));
    EXPECT_EQ(clock.Elapsed(), 0u);
    EXPECT_EQ(player.LastError(), MciErrorText(kMciErrorInvalidFile));
    EXPECT_TRUE(AllBlack(host_.Screen()));
    player.Finish();
    EXPECT_FALSE(fs::exists(dir_ / "noise.avi"));

    host_.refuseChildren = true;
    CAviWaitPlayer windowless(host_);
    EXPECT_FALSE(windowless.Run(false, 5, 5, (dir_ / "noise.avi").string(), clock, stop));
    EXPECT_EQ(MciErrorText(12345), "Error code not known.");
}

}  // namespace
}  // namespace korv
