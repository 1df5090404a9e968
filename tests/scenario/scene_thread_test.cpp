// The scene thread playing scenarios into a window that records what it is
// asked to do; a virtual clock makes every wait exact and instant.

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>

#include "platform/archive.h"
#include "scenario/flow_commands.h"
#include "scenario/scenario.h"
#include "scenario/scenario_compiler.h"
#include "scenario/scene_thread.h"
#include "tests/support/test_environment.h"
#include "update/script_container.h"

namespace korv {
namespace {

class RecordingWindow : public SceneWindow {
public:
    void Draw(const std::function<void(platform::Surface&)>& paint) override {
        std::lock_guard lock(mutex_);
        paint(surface_);
    }
    Size ClientSize() const override { return {64, 48}; }
    void SetBackground(platform::Colour colour, uint32_t rasterOp) override {
        std::lock_guard lock(mutex_);
        backgrounds.push_back(colour);
        rasterOp_ = rasterOp;
    }
    platform::Colour GetBackground() const override {
        return backgrounds.empty() ? platform::Colour{} : backgrounds.back();
    }
    uint32_t GetRasterOp() const override { return rasterOp_; }
    void SetLink(const std::string& url, int32_t key) override {
        std::lock_guard lock(mutex_);
        link = url + "#" + std::to_string(key);
    }
    void ClearLink() override {
        std::lock_guard lock(mutex_);
        link = "cleared";
    }
    platform::Pixel PixelAt(int x, int y) {
        std::lock_guard lock(mutex_);
        return surface_.At(x, y);
    }
    std::vector<platform::Colour> backgrounds;
    std::string link;

private:
    std::mutex mutex_;
    platform::Surface surface_{64, 48};
    uint32_t rasterOp_ = 0;
};

class SceneThreadTest : public ::testing::Test {
protected:
    // Compiles and loads `script` (statements ended by ";").
    void Load(const std::string& script) {
        CompileRequest request{SplitStatements(script), dir_.str(), dir_.str(), "s", {}, {}};
        ASSERT_EQ(ScenarioCompiler(std::move(request)).Compile(), CompileResult::Ok);
        platform::File file;
        ASSERT_TRUE(file.Open((dir_ / "s.zep").string(), platform::File::Mode::Read));
        platform::ArchiveReader archive(file);
        scenario_.Clear();
        ASSERT_TRUE(scenario_.Load(archive)) << scenario_.LoadError();
    }
    // Plays until the list ends; returns the virtual time it took.
    uint64_t PlayToEnd() {
        CSceneThread thread(Options());
        EXPECT_TRUE(thread.CreateThread(true));
        thread.Resume();
        EXPECT_TRUE(thread.IdleEvent().Wait(10000));
        thread.Kill();
        EXPECT_TRUE(thread.FinishedEvent().IsSet());
        return clock_.Elapsed();
    }
    CSceneThread::Options Options() {
        CSceneThread::Options options;
        options.window = &window_;
        options.speedCalibration = &speed_;
        options.scenario = &scenario_;
        options.clock = &clock_;
        return options;
    }
    std::vector<platform::Colour> Colours() const { return window_.backgrounds; }

    test::TempDir dir_;
    Scenario scenario_;
    RecordingWindow window_;
    platform::VirtualClock clock_;
    std::atomic<uint32_t> speed_{1000};
};

using ColourList = std::vector<platform::Colour>;
const platform::Colour kBlack = platform::Rgb(0, 0, 0), kRed = platform::Rgb(255, 0, 0),
                       kBlue = platform::Rgb(0, 0, 255);

TEST_F(SceneThreadTest, AnEmptyScenarioPaintsBlackAndWaitsForTheStop) {
    Load("COMMENT nothing to play;");
    EXPECT_EQ(PlayToEnd(), 0u);
    EXPECT_EQ(Colours(), ColourList{kBlack});
}

TEST_F(SceneThreadTest, LoopsRunTheirBodyCountTimesAndNest) {
    Load("REPEAT;CLS ,255.000.000;WAIT ,1;UNTIL ,3;");
    EXPECT_EQ(PlayToEnd(), 3000u);
    EXPECT_EQ(Colours(), (ColourList{kBlack, kRed, kRed, kRed}));

    window_.backgrounds.clear();
    Load("REPEAT;REPEAT;CLS ,000.000.255;UNTIL ,3;UNTIL ,2;");
    PlayToEnd();
    EXPECT_EQ(Colours().size(), 1u + 6u);

    window_.backgrounds.clear();
    Load("REPEAT;CLS ,000.000.255;UNTIL ,0;");  // a count of 0 runs the body once
    PlayToEnd();
    EXPECT_EQ(Colours(), (ColourList{kBlack, kBlue}));
}

TEST_F(SceneThreadTest, ALoopPassShorterThanAFrameIsDrawnOutToOne) {
    auto playTime = [&](const std::string& script) {
        uint64_t before = clock_.Elapsed();
        Load(script);
        return PlayToEnd() - before;
    };
    // Passes that never wait: each pass before a loop goes round lasts one
    // frame (16 ms), the last one nothing.
    EXPECT_EQ(playTime("REPEAT;CLS ,255.000.000;UNTIL ,50;"), 49u * 16u);
    // Nested: the inner loop goes round four times; the outer pass already
    // lasts two frames then.
    EXPECT_EQ(playTime("REPEAT;REPEAT;CLS ,000.000.255;UNTIL ,3;UNTIL ,2;"), 4u * 16u);
    // A pass that waits less than a frame waits out the rest; a longer one
    // is left as it is (the loop of WAIT 1 above takes exactly 3 s).
    EXPECT_EQ(playTime("REPEAT;WAIT ,0.01;UNTIL ,3;"), 16u + 16u + 10u);
    EXPECT_EQ(playTime("CLS ,255.000.000;WAIT ,1;REPEAT;WAIT ,0.01;UNTIL ,2;"), 1000u + 16u + 10u);
}

TEST_F(SceneThreadTest, DisabledCommandsAreSkipped) {
    Load("REPEAT;CLS ,255.000.000;CLS ,000.000.255;UNTIL ,3;");
    scenario_.At(2).SetDisabled(1);
    scenario_.At(3).SetDisabled(1);  // a disabled UNTIL does not loop
    PlayToEnd();
    EXPECT_EQ(Colours(), (ColourList{kBlack, kRed}));
}

TEST_F(SceneThreadTest, WaitsSleepInSlicesOfAHundredMilliseconds) {
    Load("WAIT ,0.25;");
    std::vector<std::pair<uint64_t, uint64_t>> steps;
    clock_.SetAdvanceObserver([&](uint64_t from, uint64_t to) { steps.emplace_back(from, to); });
    EXPECT_EQ(PlayToEnd(), 250u);
    EXPECT_EQ(steps, (std::vector<std::pair<uint64_t, uint64_t>>{{0, 100}, {100, 200}, {200, 250}}));
}

TEST_F(SceneThreadTest, UrlSetsAndClearsTheWindowLink) {
    Load("URL http://example.com/a,1,;WAIT ,1;URL ,0,OFF;");
    std::vector<std::string> links;
    clock_.SetAdvanceObserver([&](uint64_t, uint64_t) { links.push_back(window_.link); });
    PlayToEnd();
    ASSERT_FALSE(links.empty());
    EXPECT_EQ(links.front(), "http://example.com/a#1");
    EXPECT_EQ(window_.link, "cleared");
}

TEST_F(SceneThreadTest, LinesAreDrawnWithTheirPenAndColour) {
    Load("LINE 1,0,,,,,10,10,50,10,,255.000.000;LINE 3,0,,,,,5,30,5,40,,000.000.255;");
    PlayToEnd();
    const platform::Pixel red = platform::ColourToPixel(kRed), blue = platform::ColourToPixel(kBlue);
    EXPECT_EQ(window_.PixelAt(10, 10), red);
    EXPECT_EQ(window_.PixelAt(49, 10), red);
    EXPECT_EQ(window_.PixelAt(50, 10), 0u);  // the end point is not drawn
    EXPECT_EQ(window_.PixelAt(10, 11), 0u);
    EXPECT_EQ(window_.PixelAt(5, 35), blue);
    EXPECT_EQ(window_.PixelAt(6, 35), blue);  // three pixels wide
}

TEST_F(SceneThreadTest, KillEndsALongWaitPromptly) {
    Load("WAIT ,3600;");
    CSceneThread::Options options = Options();
    options.clock = nullptr;  // the real clock: this wait would last an hour
    CSceneThread thread(std::move(options));
    ASSERT_TRUE(thread.CreateThread(true));
    thread.Resume();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    auto start = std::chrono::steady_clock::now();
    thread.Kill();
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(2));  // a stop is seen within one 100 ms slice
    EXPECT_TRUE(thread.FinishedEvent().IsSet());
}

TEST_F(SceneThreadTest, CalibrationCountsUntilStopped) {
    CSceneThread::Options options = Options();
    options.calibrationRun = true;
    speed_ = 12345;
    CSceneThread thread(std::move(options));
    ASSERT_TRUE(thread.CreateThread(true));
    thread.Resume();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    thread.Kill();
    EXPECT_GT(speed_.load(), 0u);
    EXPECT_TRUE(window_.backgrounds.empty());  // calibration draws nothing
}

}  // namespace
}  // namespace korv
