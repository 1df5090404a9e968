// korv-tool update and render on a built saver with a real local site: one
// update at a time from the command line, what it reports, and what the
// saver would play at its next start.

#include <gtest/gtest.h>

#include <filesystem>

#include "media/image/decoders.h"
#include "tests/support/command_runner.h"
#include "tests/support/nginx_server.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

namespace fs = std::filesystem;
using test::RunCommand;

class UpdateToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::NginxServer::Available()) GTEST_SKIP() << "nginx is not installed";
        test::NginxOptions options;
        options.stallLocation = "/slow/";
        server_ = std::make_unique<test::NginxServer>(options);
        ASSERT_TRUE(server_->Running()) << server_->Failure();
        env_ = {"XDG_DATA_HOME=" + user_.dataHome().string(), "XDG_CONFIG_HOME=" + user_.configHome().string(),
                "XDG_STATE_HOME=" + user_.stateHome().string(), "TMPDIR=" + user_.tempFolder().string(),
                "-DISPLAY", "-http_proxy"};
    }
    void Build(int playerType) {
        auto built = RunCommand(test::KorvToolPath(),
                                {"build", "--engine", test::KorvRuntimePath(), "--player-type", std::to_string(playerType),
                                 "--site", server_->Url("/feed"), "--source", "index.html", "-o", saver_.string()},
                                env_);
        ASSERT_EQ(built.exitCode, 0) << built.err;
    }
    void Publish(const std::string& statements) {
        server_->WriteFile("feed/index.html", "<html><KORV><br>" + statements + "<br></KORV></html>\r\n");
    }
    test::CommandResult Update() { return RunCommand(test::KorvToolPath(), {"update", "--saver", saver_.string()}, env_); }
    // The colour (0xRRGGBB) of the saver's screen one second into what its
    // start-up would play.
    uint32_t StartUpColour() {
        auto rendered = RunCommand(test::KorvToolPath(),
                                   {"render", saver_.string(), "--size", "32x24", "--at", "1", "--out", (user_.root() / "frames").string()},
                                   env_);
        EXPECT_EQ(rendered.exitCode, 0) << rendered.err;
        std::string bytes = test::ReadFileBytes(user_.root() / "frames" / "frame-1.png");
        auto pixels = DecodePng({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
        if (!pixels) return 0xFFFFFFFF;
        return pixels->At(5, 5) & kPictureColourBits;
    }
    fs::path Version(int n) const {
        char name[16];
        std::snprintf(name, sizeof name, "Version%03d", n);
        return user_.dataHome() / "Halcyra" / "KORV" / "Feed" / name;
    }

    test::IsolatedUser user_;
    std::unique_ptr<test::NginxServer> server_;
    std::vector<std::string> env_;
    fs::path saver_ = user_.root() / "Feed";
};

TEST_F(UpdateToolTest, UpdatesASaverFromItsSiteAndReportsTheVersion) {
    Build(0);
    server_->WriteFile("feed/sky.txt", "not a picture, but a file", 1'700'000'000);
    Publish("VERSION 500;<br>MEDIA sky,sky.txt,25," + server_->Url("/feed/sky.txt") + ";<br>WAIT ,1;");

    auto first = Update();
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out, "result=ok changed=1 version=" + Version(0).string() + "\n");
    EXPECT_TRUE(fs::exists(Version(0) / "Feed.zep"));

    auto again = Update();
    EXPECT_EQ(again.out, "result=ok changed=0 version=" + Version(0).string() + "\n");

    fs::remove(server_->Root() / "feed" / "index.html");
    fs::remove(server_->Root() / "feed" / "index_config.html");
    auto failed = Update();
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.out, "result=fail step=1\n");
    // The first line is the tool's; a sanitizer build may add its report below.
    EXPECT_EQ(failed.err.substr(0, failed.err.find('\n') + 1), "Failed to download script file, check remote files\n");
}

// A process killed in the middle of an update (power cut, SIGKILL): the
// next start plays the version before it, and the next update cleans up
// and finishes the job.
TEST_F(UpdateToolTest, AnUpdateKilledMidwayLeavesTheLastPlayableVersionPlaying) {
    Build(1);
    Publish("VERSION 500;<br>CLS ,255.000.000;<br>WAIT ,1000;");
    ASSERT_EQ(Update().exitCode, 0);
    ASSERT_EQ(StartUpColour(), 0xFF0000u);

    // The new version's object arrives fast for 16 KB, then at a byte a second.
    server_->WriteFile("slow/big.bin", std::string(1 << 20, 'b'), 1'700'000'000);
    Publish("VERSION 500;<br>MEDIA big,big.bin,1048576," + server_->Url("/slow/big.bin") +
            ";<br>CLS ,000.000.255;<br>WAIT ,1000;");
    auto killed = RunCommand("timeout", {"-s", "KILL", "3", test::KorvToolPath(), "update", "--saver", saver_.string()}, env_);
    ASSERT_EQ(killed.exitCode, 128 + 9) << killed.out << killed.err;
    bool litter = false;
    for (const auto& entry : fs::directory_iterator(Version(1)))
        litter = litter || entry.path().filename().string().rfind(".download-", 0) == 0;
    EXPECT_TRUE(litter) << "the kill came before the body was being written";

    EXPECT_EQ(StartUpColour(), 0xFF0000u);  // the version before plays on

    // The object is now served at full speed: the next update completes the
    // new version and removes what the killed one left.
    server_->WriteFile("feed/big.bin", std::string(1 << 20, 'b'), 1'700'000'000);
    Publish("VERSION 500;<br>MEDIA big,big.bin,1048576," + server_->Url("/feed/big.bin") +
            ";<br>CLS ,000.000.255;<br>WAIT ,1000;");
    auto finished = Update();
    ASSERT_EQ(finished.exitCode, 0) << finished.err;
    EXPECT_EQ(finished.out, "result=ok changed=1 version=" + Version(2).string() + "\n");
    for (const auto& entry : fs::directory_iterator(Version(1)))
        EXPECT_NE(entry.path().filename().string().rfind(".download-", 0), 0u) << entry.path() << "\n" << finished.err;
    EXPECT_EQ(StartUpColour(), 0x0000FFu);
}

// A site edit that compiles but does not load: the tool says so and the
// saver keeps its content; --embedded still renders the embedded scenario.
TEST_F(UpdateToolTest, AnEditThatDoesNotLoadFailsAndTheSaverKeepsItsContent) {
    Build(1);
    Publish("VERSION 500;<br>CLS ,255.000.000;<br>WAIT ,1000;");
    ASSERT_EQ(Update().exitCode, 0);
    Publish("VERSION 500;<br>CLS ,000.255.000;<br>SHOW ghost,CTR,CTR,0,0,0,100;<br>WAIT ,1000;");
    auto failed = Update();
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.out, "result=fail step=8\n");
    EXPECT_NE(failed.err.find("The new content does not load"), std::string::npos) << failed.err;
    EXPECT_EQ(StartUpColour(), 0xFF0000u);

    // A saver with nothing stored has nothing to play (type 1 downloads first).
    fs::remove_all(user_.dataHome() / "Halcyra" / "KORV" / "Feed");
    auto empty = RunCommand(test::KorvToolPath(),
                            {"render", saver_.string(), "--size", "32x24", "--at", "1", "--out", (user_.root() / "f").string()}, env_);
    EXPECT_NE(empty.exitCode, 0);
    EXPECT_NE(empty.err.find("Please wait..."), std::string::npos) << empty.err;
}

}  // namespace
}  // namespace korv
