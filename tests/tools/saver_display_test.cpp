// A built saver on a real X server: it covers the screen, and real input
// (xdotool) ends it by the exit rules.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <cstring>
#include <thread>

#include "tests/support/command_runner.h"
#include "tests/support/test_environment.h"
#include "tests/support/xvfb_server.h"

namespace korv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class SaverDisplayTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(xvfb_.Running()); }
    void TearDown() override {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    std::vector<std::string> Env() const {
        return {"DISPLAY=" + xvfb_.Display(), "XDG_DATA_HOME=" + user_.dataHome().string(),
                "XDG_CONFIG_HOME=" + user_.configHome().string(), "XDG_STATE_HOME=" + user_.stateHome().string(),
                "TMPDIR=" + user_.tempFolder().string()};
    }
    void Build(int playerType, const std::string& script = "VERSION 500;CLS ,000.128.000;WAIT ,600;") {
        fs::create_directories(user_.root() / "content");
        test::WriteFileBytes(user_.root() / "s.vel", script);
        auto zep = (user_.root() / "s.zep").string();
        ASSERT_EQ(test::RunCommand(test::KorvToolPath(), {"compile", (user_.root() / "s.vel").string(), "--content",
                                                          (user_.root() / "content").string(), "-o", zep})
                      .exitCode,
                  0);
        auto built = test::RunCommand(test::KorvToolPath(), {"build", "--engine", test::KorvRuntimePath(), "--scenario",
                                                             zep, "--player-type", std::to_string(playerType), "--site",
                                                             "http://localhost/", "--source", "i.html", "-o", saver_.string()});
        ASSERT_EQ(built.exitCode, 0) << built.err;
    }
    void Setting(const std::string& name, const std::string& value) {
        ASSERT_EQ(test::RunCommand(test::KorvToolPath(), {"settings", saver_.string(), name, value}, Env()).exitCode, 0);
    }
    // Starts the saver and waits until its window covers the screen.
    void Launch() {
        pid_ = fork();
        if (pid_ == 0) {
            for (const auto& assignment : Env()) putenv(strdup(assignment.c_str()));
            execl(saver_.c_str(), saver_.c_str(), "/s", static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 100; ++i) {
            auto tree = test::RunCommand("xwininfo", {"-root", "-tree"}, {"DISPLAY=" + xvfb_.Display()});
            if (tree.out.find("1024x768+0+0") != std::string::npos && Running()) {
                std::this_thread::sleep_for(300ms);  // let it take its first mouse position
                return;
            }
            std::this_thread::sleep_for(50ms);
        }
        FAIL() << "the saver window did not appear";
    }
    bool Running() { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }
    // Whether the saver has ended within `limit`.
    bool EndsWithin(std::chrono::milliseconds limit) {
        auto until = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < until) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return true;
            }
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }
    void Xdotool(std::vector<std::string> arguments) {
        test::RunCommand("xdotool", arguments, {"DISPLAY=" + xvfb_.Display()});
    }

    test::XvfbServer xvfb_;
    test::IsolatedUser user_;
    fs::path saver_ = user_.root() / "RealSaver";
    pid_t pid_ = -1;
};

TEST_F(SaverDisplayTest, OnePixelOfMouseMovementEndsTheSaver) {
    Build(2);
    Launch();
    Xdotool({"mousemove", "200", "200"});
    Xdotool({"mousemove", "201", "200"});
    EXPECT_TRUE(EndsWithin(2000ms));
}

TEST_F(SaverDisplayTest, DoubleClickRuleIgnoresSingleClicks) {
    Build(2);
    Setting("Standard", "0");
    Setting("DoubleClick", "1");
    Launch();
    Xdotool({"mousemove", "300", "300"});
    Xdotool({"click", "1"});
    EXPECT_FALSE(EndsWithin(800ms));
    Xdotool({"click", "--repeat", "2", "--delay", "80", "1"});
    EXPECT_TRUE(EndsWithin(2000ms));
}

TEST_F(SaverDisplayTest, ExitButtonPlayerIgnoresTheMouseButEndsOnAKey) {
    Build(3);
    Launch();
    Xdotool({"mousemove", "100", "100"});
    Xdotool({"mousemove", "500", "400"});
    Xdotool({"click", "1"});
    EXPECT_FALSE(EndsWithin(800ms));
    Xdotool({"key", "x"});
    EXPECT_TRUE(EndsWithin(2000ms));
}

TEST_F(SaverDisplayTest, AltF4NeverClosesTheSaver) {
    Build(2);
    Setting("Standard", "0");
    Setting("MouseMove", "1");
    Launch();
    Xdotool({"key", "alt+F4"});
    EXPECT_FALSE(EndsWithin(800ms));
    Xdotool({"mousemove", "400", "300"});
    Xdotool({"mousemove", "401", "300"});
    EXPECT_TRUE(EndsWithin(2000ms));
}

}  // namespace
}  // namespace korv
