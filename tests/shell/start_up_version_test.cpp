// What a full-screen start plays from the content store: the newest version
// whose scenario loads, never one that does not, and the purge keeps it.

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/settings_store.h"
#include "resources/string_table.h"
#include "scenario/scenario.h"
#include "shell/download_status.h"
#include "saver/log.h"
#include "tests/support/command_runner.h"
#include "tests/support/headless_app.h"
#include "tests/support/saver_fixture.h"
#include "tests/support/test_environment.h"
#include "update/content_store.h"

namespace korv {
namespace {

namespace fs = std::filesystem;

class StartUpVersionTest : public ::testing::Test {
protected:
    fs::path Version(int n) const {
        char name[16];
        std::snprintf(name, sizeof name, "Version%03d", n);
        return user_.dataHome() / "Halcyra" / "KORV" / "feed" / name;
    }
    // Compiles `script` into `folder`/feed.zep; one that does not load
    // fails the compile but stays written.
    void Store(const fs::path& folder, const std::string& script, bool loads = true) {
        fs::create_directories(folder);
        test::WriteFileBytes(user_.root() / "s.vel", script);
        auto compiled = test::RunCommand(test::KorvToolPath(), {"compile", (user_.root() / "s.vel").string(), "--content",
                                                                 folder.string(), "-o", (folder / "feed.zep").string()});
        ASSERT_EQ(compiled.exitCode, loads ? 0 : 1) << compiled.err;
        ASSERT_TRUE(fs::exists(folder / "feed.zep"));
    }
    void Start() {
        PayloadRecord record;
        record.playerType = PlayerRemote;
        record.intervalUnit = UnitDays;
        record.intervalCount = 1;
        record.siteUrl = "http://127.0.0.1:9/site";
        record.sourceName = "index.html";
        test::WriteSaver(user_.root() / "feed", record);
        app_ = std::make_unique<test::HeadlessApp>(RuntimeApp::Options{{"/s"}, (user_.root() / "feed").string(), std::nullopt});
        ASSERT_TRUE(app_->InitInstance());
    }
    ~StartUpVersionTest() override { app_.reset(); }

    test::IsolatedUser user_;
    test::CapturedMessages messages_;
    std::unique_ptr<test::HeadlessApp> app_;
};

TEST_F(StartUpVersionTest, ANewerScenarioThatDoesNotLoadIsPassedOverAndTheOlderOneKept) {
    Store(Version(0), "VERSION 500;CLS ,255.000.000;WAIT ,1000;");
    ASSERT_TRUE(MarkPlayable(Version(0).string()));
    // Compiled, but it shows an object it never declares; no mark.
    Store(Version(1), "VERSION 500;SHOW ghost,CTR,CTR,0,0,0,100;WAIT ,1000;", false);
    Start();
    EXPECT_EQ(app_->PlayingScenarioPath(), (Version(0) / "feed.zep").string());
    EXPECT_FALSE(app_->NothingToPlay());
    EXPECT_TRUE(messages_.texts().empty()) << "a dialog was shown at start";
    EXPECT_TRUE(fs::exists(Version(0) / "feed.zep"));  // the purge kept it
    EXPECT_FALSE(fs::exists(Version(1) / kPlayableMarkName));
    EXPECT_EQ(app_->Status().Message().rfind("The stored content does not load", 0), 0u) << app_->Status().Message();
}

TEST_F(StartUpVersionTest, AnUnmarkedScenarioThatLoadsIsPlayedAndMarked) {
    Store(Version(0), "VERSION 500;CLS ,255.000.000;WAIT ,1000;");
    // A store an older engine wrote, with the litter of a killed write.
    Store(Version(1), "VERSION 500;CLS ,000.000.255;WAIT ,1000;");
    test::WriteFileBytes(Version(1) / ".download-999999999-AbC123", "half");
    const fs::path settingsKey = user_.configHome() / "Halcyra";
    fs::create_directories(settingsKey);
    test::WriteFileBytes(settingsKey / "@values.reg.tmp.999999999.4", "half");
    Start();
    EXPECT_EQ(app_->PlayingScenarioPath(), (Version(1) / "feed.zep").string());
    EXPECT_TRUE(IsMarkedPlayable(Version(1).string(), "feed"));
    EXPECT_TRUE(fs::is_empty(Version(0)));
    EXPECT_FALSE(fs::exists(Version(1) / ".download-999999999-AbC123"));
    EXPECT_FALSE(fs::exists(settingsKey / "@values.reg.tmp.999999999.4"));
}

TEST_F(StartUpVersionTest, NothingThatLoadsMeansTheStatusScreen) {
    Store(Version(0), "VERSION 500;SHOW ghost,CTR,CTR,0,0,0,100;", false);
    Start();
    EXPECT_TRUE(app_->NothingToPlay());
    EXPECT_EQ(app_->PlayingScenarioPath(), "");
    EXPECT_TRUE(messages_.texts().empty());
}

TEST_F(StartUpVersionTest, WithoutAStoreNothingOutsideItIsSwept) {
    // A folder named like a version in the folder the saver was started from,
    // holding what looks like the litter of a killed write.
    const fs::path started = user_.root() / "cwd";
    fs::create_directories(started / "Version000");
    test::WriteFileBytes(started / "Version000" / ".download-999999999-AbC123", "someone's file");
    const fs::path previous = fs::current_path();
    fs::current_path(started);
    Start();
    fs::current_path(previous);
    EXPECT_TRUE(app_->NothingToPlay());
    EXPECT_TRUE(fs::exists(started / "Version000" / ".download-999999999-AbC123"));
}

}  // namespace
}  // namespace korv
