// korv-tool update: one update of a built saver from a real local site.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/command_runner.h"
#include "tests/support/nginx_server.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

namespace fs = std::filesystem;
using test::RunCommand;

TEST(UpdateTool, UpdatesASaverFromItsSiteAndReportsTheVersion) {
    if (!test::NginxServer::Available()) GTEST_SKIP() << "nginx is not installed";
    test::NginxServer server;
    ASSERT_TRUE(server.Running()) << server.Failure();
    server.WriteFile("feed/sky.txt", "not a picture, but a file", 1'700'000'000);
    server.WriteFile("feed/index.html", "<html><KORV><br>VERSION 500;<br>MEDIA sky,sky.txt,25," + server.Url("/feed/sky.txt") +
                                            ";<br>WAIT ,1;<br></KORV></html>\r\n");

    test::IsolatedUser user;
    const fs::path saver = user.root() / "Feed";
    std::vector<std::string> env = {"XDG_DATA_HOME=" + user.dataHome().string(),
                                    "XDG_CONFIG_HOME=" + user.configHome().string(),
                                    "XDG_STATE_HOME=" + user.stateHome().string(),
                                    "TMPDIR=" + user.tempFolder().string(), "-DISPLAY", "-http_proxy"};
    auto built = RunCommand(test::KorvToolPath(),
                            {"build", "--engine", test::KorvRuntimePath(), "--player-type", "0", "--site",
                             server.Url("/feed"), "--source", "index.html", "-o", saver.string()},
                            env);
    ASSERT_EQ(built.exitCode, 0) << built.err;

    const fs::path version = user.dataHome() / "Halcyra" / "KORV" / "Feed" / "Version000";
    auto first = RunCommand(test::KorvToolPath(), {"update", "--saver", saver.string()}, env);
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out, "result=ok changed=1 version=" + version.string() + "\n");
    EXPECT_TRUE(fs::exists(version / "Feed.zep"));

    auto again = RunCommand(test::KorvToolPath(), {"update", "--saver", saver.string()}, env);
    EXPECT_EQ(again.out, "result=ok changed=0 version=" + version.string() + "\n");

    fs::remove(server.Root() / "feed" / "index.html");
    fs::remove(server.Root() / "feed" / "index_config.html");
    auto failed = RunCommand(test::KorvToolPath(), {"update", "--saver", saver.string()}, env);
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.out, "result=fail step=1\n");
}

}  // namespace
}  // namespace korv
