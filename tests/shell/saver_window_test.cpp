// The saver window's exit rules, link keys and password check, on a headless
// display with injected input; the scenario plays on a real scene thread.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/clock.h"
#include "platform/display.h"
#include "platform/password_service.h"
#include "platform/screen_saver_state.h"
#include "saver/log.h"
#include "shell/runtime_app.h"
#include "scenario/scenario.h"
#include "scenario/scene_thread.h"
#include "shell/saver_window.h"
#include "tests/support/command_runner.h"
#include "tests/support/headless_app.h"
#include "tests/support/saver_fixture.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

namespace fs = std::filesystem;

using test::HeadlessApp;

class SaverWindowTest : public ::testing::Test {
protected:
    ~SaverWindowTest() override {
        app_.reset();
        platform::SetPasswordVerifyLoader({});
    }

    // Starts a saver of `playerType` whose embedded scenario is `script`.
    void Start(int32_t playerType, const std::string& script = "WAIT ,1000;",
               std::vector<std::string> arguments = {"/s"}) {
        fs::create_directories(user_.root() / "content");
        test::WriteFileBytes(user_.root() / "script.vel", script);
        auto scenario = user_.root() / "s.zep";
        auto compiled = test::RunCommand(test::KorvToolPath(), {"compile", (user_.root() / "script.vel").string(),
                                                                 "--content", (user_.root() / "content").string(), "-o",
                                                                 scenario.string()});
        ASSERT_EQ(compiled.exitCode, 0) << compiled.err;
        PayloadRecord record;
        record.playerType = playerType;
        record.siteUrl = "http://example.com/";
        std::string bytes = test::ReadFileBytes(scenario);
        test::WriteSaver(user_.root() / "demo", record, bytes);
        app_ = std::make_unique<HeadlessApp>(RuntimeApp::Options{arguments, (user_.root() / "demo").string(), std::nullopt});
        ASSERT_TRUE(app_->InitInstance());
        ASSERT_NE(app_->headless, nullptr);
        // Virtual waits pass at once: let the scenario reach its end, then let
        // the loop carry out what it asked for (the exit bar, the link).
        ASSERT_NE(app_->SceneThread(), nullptr);
        ASSERT_TRUE(app_->SceneThread()->IdleEvent().Wait(10000));
        ASSERT_FALSE(Closes());
    }
    SaverSettings Settings() { return SaverSettings(platform::SettingsStore::ForUser(), "demo"); }
    // Runs the loop until the window closes (true) or all input was handled (false).
    bool Closes() { return test::RunLoopFor(*app_, app_->headless->Loop(), 60000); }
    platform::HeadlessDisplay& Display() { return *app_->headless; }

    test::IsolatedUser user_;
    test::CapturedMessages messages_;
    test::VirtualSystemClock clock_{1'800'000'000};
    std::unique_ptr<HeadlessApp> app_;
};

TEST_F(SaverWindowTest, StandardRulesIgnoreTheSamePositionAndCloseOnAnyMove) {
    Start(2);
    EXPECT_TRUE(platform::ScreenSaverRunning());
    Display().InjectMouseMove({0, 0});
    Display().InjectMouseMove({0, 0});
    EXPECT_FALSE(Closes());
    Display().InjectMouseMove({1, 0});
    EXPECT_TRUE(Closes());
    EXPECT_FALSE(platform::ScreenSaverRunning());
}

TEST_F(SaverWindowTest, PreviewShowsThePictureAndScrollsTheName) {
    PayloadRecord record;
    record.playerType = PlayerRemote;
    test::WriteSaver(user_.root() / "Preview Saver", record);
    app_ = std::make_unique<HeadlessApp>(
        RuntimeApp::Options{{"/p", "4242"}, (user_.root() / "Preview Saver").string(), std::nullopt});
    ASSERT_TRUE(app_->InitInstance());
    ASSERT_NE(app_->headless, nullptr);
    // The name scrolls up from the bottom; after a while letters stand right of the picture.
    platform::Surface frame;
    bool lettersSeen = false;
    for (int i = 0; i < 200 && !lettersSeen; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        frame = app_->headless->Screen();
        for (int y = 0; y < frame.Height() && !lettersSeen; ++y)
            for (int x = 97; x < frame.Width(); ++x)
                if (frame.At(x, y) == platform::ColourToPixel(platform::Rgb(220, 255, 255))) lettersSeen = true;
    }
    EXPECT_TRUE(lettersSeen);
    EXPECT_NE(frame.At(48, 30), 0u);  // the preview picture
    Display().InjectCloseRequest();
    EXPECT_TRUE(Closes());
}

TEST_F(SaverWindowTest, CustomRulesCloseOnlyOnTheirEvents) {
    Settings().WriteInt("Standard", 0);
    Settings().WriteInt("DoubleClick", 1);
    Start(2);
    Display().InjectMouseMove({5, 5});
    Display().InjectMouseMove({50, 50});
    Display().InjectButtonDown(platform::MouseButton::Left, {50, 50});
    Display().InjectKey('A');
    EXPECT_FALSE(Closes());
    Display().InjectDoubleClick(platform::MouseButton::Left, {50, 50});
    EXPECT_TRUE(Closes());
}

TEST_F(SaverWindowTest, EscapeRuleClosesOnlyOnEscape) {
    Settings().WriteInt("Standard", 0);
    Settings().WriteInt("Escape", 1);
    Start(2);
    Display().InjectKey(platform::VkSpace);
    Display().InjectKey(platform::VkReturn);
    EXPECT_FALSE(Closes());
    Display().InjectKey(platform::VkEscape);
    EXPECT_TRUE(Closes());
}

TEST_F(SaverWindowTest, ExitButtonPlayerIgnoresTheMouseAndClosesOnAKey) {
    Start(3);
    Display().InjectMouseMove({1, 1});
    Display().InjectMouseMove({300, 300});
    Display().InjectButtonDown(platform::MouseButton::Left, {300, 300});
    Display().InjectDoubleClick(platform::MouseButton::Left, {300, 300});
    EXPECT_FALSE(Closes());
    Display().InjectKey('Q');
    EXPECT_TRUE(Closes());
}

TEST_F(SaverWindowTest, ExitButtonClosesTheSaver) {
    Start(3);
    Display().InjectButtonDown(platform::MouseButton::Left, {800 - 40, 10});  // on the "Exit" bar
    EXPECT_TRUE(Closes());
}

TEST_F(SaverWindowTest, LinkKeyCopiesTheLinkAndAltF4NeverCloses) {
    Start(2, "URL http://example.com/offer,1,;WAIT ,1000;");
    Display().InjectKey(platform::VkF4, true);
    EXPECT_FALSE(Closes());  // the scenario has set its link meanwhile
    EXPECT_TRUE(app_->exitUrl.empty());
    Display().InjectKey(platform::VkF12);
    EXPECT_TRUE(Closes());
    EXPECT_EQ(app_->exitUrl, "http://example.com/offer");
}

TEST_F(SaverWindowTest, WithoutALinkNoKeySetsTheExitLink) {
    Start(2);
    Display().InjectKey(platform::VkReturn);
    EXPECT_TRUE(Closes());
    EXPECT_TRUE(app_->exitUrl.empty());
}

TEST_F(SaverWindowTest, RequiredPasswordKeepsTheSaverUntilVerified) {
    platform::SettingsStore::ForUser().WriteNumber("Control Panel\\Desktop", "ScreenSaveUsePassword", 1);
    Start(2);
    Display().InjectMouseMove({0, 0});
    Display().InjectMouseMove({9, 9});
    EXPECT_FALSE(Closes());
    EXPECT_EQ(messages_.texts(), std::vector<std::string>{"Unable to load PASSWORD.CPL. Aborting"});

    platform::SetPasswordVerifyLoader([] {
        platform::PasswordVerifyLibrary library;
        library.verifyPassword = [](uintptr_t) { return true; };
        return library;
    });
    Display().InjectMouseMove({30, 30});
    EXPECT_TRUE(Closes());
}

// Inside a screen-saver host's window the host owns the input and the
// lock: no input ends the saver, no "Exit" bar shows, and the host's close
// (its window going) ends it without a password.
TEST_F(SaverWindowTest, HostedSaverIgnoresInputAndClosesWithoutAPassword) {
    platform::SettingsStore::ForUser().WriteNumber("Control Panel\\Desktop", "ScreenSaveUsePassword", 1);
    Settings().WriteInt("Escape", 1);
    const platform::Pixel green = platform::ColourToPixel(platform::Rgb(0, 128, 0));
    for (int32_t playerType : {2, 3}) {
        Start(playerType, "CLS ,000.128.000;WAIT ,1000;", {"-window-id", "0x600008"});
        EXPECT_TRUE(platform::ScreenSaverRunning());
        Display().InjectMouseMove({1, 1});
        Display().InjectMouseMove({300, 300});
        Display().InjectButtonDown(platform::MouseButton::Left, {800 - 40, 10});
        Display().InjectDoubleClick(platform::MouseButton::Left, {300, 300});
        Display().InjectKey('Q');
        Display().InjectKey(platform::VkEscape);
        Display().InjectKey(platform::VkF4, true);
        EXPECT_FALSE(Closes()) << "player " << playerType;
        EXPECT_EQ(Display().Screen().At(800 - 40, 10), green) << "player " << playerType;  // no "Exit" bar
        Display().InjectCloseRequest();
        EXPECT_TRUE(Closes());
        EXPECT_TRUE(messages_.all().empty());
        EXPECT_FALSE(platform::ScreenSaverRunning());
    }
}

TEST_F(SaverWindowTest, ADamagedReloadKeepsTheOldScenarioPlaying) {
    Start(2, "CLS ,255.000.000;WAIT ,1000;");
    CSceneThread* playing = app_->SceneThread();
    test::WriteFileBytes(user_.root() / "damaged.zep", "not a scenario");
    EXPECT_EQ(app_->StartScenario(kWindowClassName, (user_.root() / "damaged.zep").string(), false), 0);
    EXPECT_EQ(app_->SceneThread(), playing);
    EXPECT_FALSE(playing->FinishedEvent().IsSet());
    EXPECT_EQ(GlobalScenario().CommandCount(), 2u);

    // A good file replaces scenario and thread.
    EXPECT_EQ(app_->StartScenario(kWindowClassName, (user_.root() / "s.zep").string(), false), 1);
    EXPECT_NE(app_->SceneThread(), nullptr);
    EXPECT_TRUE(app_->SceneThread()->IdleEvent().Wait(10000));
    Display().InjectKey('K');
    EXPECT_TRUE(Closes());
}

}  // namespace
}  // namespace korv
