// The update timer of a running saver: when it asks for an update, and a
// saver without content that downloads its first version from a real site
// and starts playing it.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/clock.h"
#include "resources/string_table.h"
#include "shell/download_status.h"
#include "saver/log.h"
#include "shell/saver_window.h"
#include "tests/support/command_runner.h"
#include "tests/support/headless_app.h"
#include "tests/support/nginx_server.h"
#include "tests/support/saver_fixture.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

constexpr int64_t kStart = 1'800'000'000;

class UpdateTimerTest : public ::testing::Test {
protected:
    UpdateTimerTest() {
    }
    ~UpdateTimerTest() override {
        app_.reset();
    }
    void Start(const PayloadRecord& record) {
        test::WriteSaver(user_.root() / "feed", record);
        app_ = std::make_unique<test::HeadlessApp>(
            RuntimeApp::Options{{"/s"}, (user_.root() / "feed").string(), std::nullopt});
        ASSERT_TRUE(app_->InitInstance());
        ASSERT_NE(app_->MainWindow(), nullptr);
    }
    SaverSettings Settings() { return SaverSettings(platform::SettingsStore::ForUser(), "feed"); }
    size_t Count(const std::string& line) {
        const std::vector<std::string> lines = log_.lines();
        return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
    }

    test::IsolatedUser user_;
    test::CapturedMessages messages_;
    test::VirtualSystemClock clock_{kStart};
    std::unique_ptr<test::HeadlessApp> app_;
    test::CapturedLog log_;
};

TEST_F(UpdateTimerTest, TicksAskForAnUpdateOnlyOnceTheIntervalHasPassed) {
    PayloadRecord record;
    record.playerType = PlayerRemote;
    record.intervalCount = 5;  // minutes
    record.siteUrl = "http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort()) + "/site";
    record.sourceName = "index.html";
    // Stored content, so the saver plays instead of showing the status screen.
    auto version = user_.dataHome() / "Halcyra" / "KORV" / "feed" / "Version000";
    std::filesystem::create_directories(version);
    test::WriteFileBytes(user_.root() / "s.vel", "CLS ,000.000.000;");
    auto compiled = test::RunCommand(test::KorvToolPath(), {"compile", (user_.root() / "s.vel").string(), "--content",
                                                             version.string(), "-o", (version / "feed.zep").string()});
    ASSERT_EQ(compiled.exitCode, 0) << compiled.err;
    Start(record);
    SSWnd& window = *app_->MainWindow();
    ASSERT_FALSE(window.DownloadAtStart());
    const int64_t now = clock_.Now();

    Settings().WriteInt(LoadString(IDS_LAST_UPDATE), static_cast<int32_t>(now - 4 * 60));
    app_->OnUpdateTimer(window);
    EXPECT_EQ(Count("Vreme proteklo od poslednjeg starta u minutima je 4"), 1u);
    EXPECT_EQ(Count("Zadati interval nije protekao"), 1u);
    EXPECT_EQ(Count("Download wrapper starting download"), 0u);

    // A clock set back before the last update never starts one.
    Settings().WriteInt(LoadString(IDS_LAST_UPDATE), static_cast<int32_t>(now + 3600));
    app_->OnUpdateTimer(window);
    EXPECT_EQ(Count("Zadati interval nije protekao"), 2u);

    // Updates switched off: ticks only say so.
    app_->Config().updateStatus = 1;
    window.SetDownloadAtStart(true);
    app_->OnUpdateTimer(window);
    EXPECT_EQ(Count("Do not update ss, skipping update"), 1u);
    EXPECT_EQ(Count("Download wrapper starting download"), 0u);
    app_->Config().updateStatus = 0;

    // Five minutes and a few seconds: the update starts.
    window.SetDownloadAtStart(false);
    Settings().WriteInt(LoadString(IDS_LAST_UPDATE), static_cast<int32_t>(now - 5 * 60 - 3));
    app_->OnUpdateTimer(window);
    EXPECT_EQ(Count("Download wrapper starting download"), 1u);
    // A second tick while it runs is refused by the download control.
    app_->OnUpdateTimer(window);
    EXPECT_GE(Count("Tread vec radi, preskacem izvrsenje komande") + Count("Download tread active, exit"), 1u);
}

TEST_F(UpdateTimerTest, ASaverWithoutContentDownloadsItsFirstVersionAndPlaysIt) {
    if (!test::NginxServer::Available()) GTEST_SKIP() << "nginx is not installed";
    test::NginxServer server;
    ASSERT_TRUE(server.Running()) << server.Failure();
    server.WriteFile("site/index.html", "<html><KORV><br>VERSION 500;<br>CLS ,255.000.000;<br>WAIT ,1000;<br></KORV></html>");

    PayloadRecord record;
    record.playerType = PlayerRemote;
    record.siteUrl = server.Url("/site");
    record.sourceName = "index.html";
    // The status screen's waits move the virtual clock on while the loop
    // runs, so more ticks may come; a day's interval keeps them from
    // starting another download.
    record.intervalUnit = UnitDays;
    record.intervalCount = 1;
    Settings().WriteInt(LoadString(IDS_PROXY_STATUS), 0);
    Start(record);
    ASSERT_TRUE(app_->MainWindow()->DownloadAtStart());
    EXPECT_EQ(Settings().ReadInt(LoadString(IDS_LAST_UPDATE), -1), static_cast<int32_t>(kStart));

    // The first tick (5 s) starts the download; the status screen shows meanwhile.
    EXPECT_FALSE(test::RunLoopFor(*app_, app_->headless->Loop(), 5500));
    EXPECT_EQ(Count("Download wrapper starting download"), 1u);
    bool red = false;
    for (int i = 0; i < 200 && !red; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        red = app_->headless->Screen().At(400, 300) == 0x00FF0000;
    }
    EXPECT_TRUE(red) << "the downloaded scenario never played";
    EXPECT_EQ(Count("scene changed"), 1u);
}

// No network when a saver without content starts: the status screen says
// which step failed, and the saver tries again every five minutes while it
// has nothing to play, even after a failure that ends updates for the run.
TEST_F(UpdateTimerTest, ASaverWithNothingToPlayRetriesEveryFiveMinutes) {
    PayloadRecord record;
    record.playerType = PlayerRemote;
    record.siteUrl = "http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort()) + "/site";
    record.sourceName = "index.html";
    record.intervalUnit = UnitDays;
    record.intervalCount = 1;
    Settings().WriteInt(LoadString(IDS_PROXY_STATUS), 0);
    // Without the status screen's drawing the virtual clock moves only here.
    class NoSceneApp : public test::HeadlessApp {
    public:
        using HeadlessApp::HeadlessApp;

    protected:
        bool StartSceneThread(bool) override { return true; }
    };
    test::WriteSaver(user_.root() / "feed", record);
    app_ = std::make_unique<NoSceneApp>(RuntimeApp::Options{{"/s"}, (user_.root() / "feed").string(), std::nullopt});
    ASSERT_TRUE(app_->InitInstance());
    ASSERT_NE(app_->MainWindow(), nullptr);
    SSWnd& window = *app_->MainWindow();
    auto failures = [this] { return Count("Update Screen saver - fail"); };
    auto waitForFailures = [&](size_t count) {
        for (int i = 0; i < 400 && failures() < count; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
        return failures();
    };

    app_->OnUpdateTimer(window);
    ASSERT_EQ(waitForFailures(1), 1u);
    EXPECT_EQ(app_->Status().Message(), "Update failed (step 0): the site cannot be reached");
    // As after a failure that ends this run's updates.
    Settings().WriteInt(LoadString(IDS_SESSION_STATUS), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(3500));  // the failed update's pause

    clock_.Advance(4 * 60 * 1000);
    app_->OnUpdateTimer(window);
    EXPECT_EQ(Count("Nothing to play yet, trying the update again"), 0u);
    clock_.Advance(61 * 1000);
    app_->OnUpdateTimer(window);
    EXPECT_EQ(Count("Nothing to play yet, trying the update again"), 1u);
    EXPECT_EQ(waitForFailures(2), 2u);
    std::this_thread::sleep_for(std::chrono::milliseconds(3500));
    app_->OnUpdateTimer(window);  // not again at once
    EXPECT_EQ(Count("Nothing to play yet, trying the update again"), 1u);
}

}  // namespace
}  // namespace korv
