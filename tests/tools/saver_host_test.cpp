// A built saver run as X screen-saver hosts run it: it draws into the
// window it is given (or over the root window), leaves the input to the
// host, and ends promptly and cleanly on SIGTERM or when the host's window
// goes.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#include "tests/support/command_runner.h"
#include "tests/support/real_saver_test.h"

namespace korv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr auto kExitLimit = 1000ms;
constexpr const char* kGreen = "(0,128,0)";

// A host's window: an xmessage window of 400 × 300 at 51,61 (inside its border).
class HostWindow {
public:
    explicit HostWindow(const std::string& display) : display_(display) {
        pid_ = fork();
        if (pid_ == 0) {
            setenv("DISPLAY", display.c_str(), 1);
            execlp("xmessage", "xmessage", "-title", "korvhost", "-geometry", "400x300+50+60", "host",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        const auto until = std::chrono::steady_clock::now() + 5s;
        while (id_ == 0 && std::chrono::steady_clock::now() < until) {
            auto info = test::RunCommand("xwininfo", {"-name", "korvhost"}, {"DISPLAY=" + display_});
            const auto at = info.out.find("Window id: ");
            if (at != std::string::npos) id_ = std::strtoul(info.out.c_str() + at + 11, nullptr, 16);
            if (id_ == 0) std::this_thread::sleep_for(20ms);
        }
    }
    ~HostWindow() { Close(); }
    unsigned long Id() const { return id_; }
    std::string Hex() const {
        char text[24];
        std::snprintf(text, sizeof text, "0x%lx", id_);
        return text;
    }
    // Ends the host program, and its window with it.
    void Close() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    std::string display_;
    pid_t pid_ = -1;
    unsigned long id_ = 0;
};

class SaverHostTest : public test::RealSaverTest {
protected:
    void SetUp() override {
        RealSaverTest::SetUp();
        Build(2, "VERSION 500;CLS ,000.128.000;WAIT ,600;");
    }
    // The colour of the screen at x, y, as "(r,g,b)".
    std::string PixelAt(int x, int y) {
        auto shot = test::RunCommand("import", {"-window", "root", "-depth", "8", "-crop",
                                                "1x1+" + std::to_string(x) + "+" + std::to_string(y), "txt:-"},
                                     {"DISPLAY=" + xvfb_.Display()});
        const auto open = shot.out.find("0,0: ");
        if (open == std::string::npos) return shot.err;
        return shot.out.substr(open + 5, shot.out.find(' ', open + 5) - open - 5);
    }
    bool TurnsGreen(int x, int y, std::chrono::milliseconds limit = 5000ms) {
        const auto until = Clock::now() + limit;
        while (Clock::now() < until) {
            if (PixelAt(x, y) == kGreen) return true;
            if (!Running()) return false;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }
    // The temporary pictures of the saver, wherever its folders put them.
    std::vector<fs::path> Pictures() {
        std::vector<fs::path> found;
        std::error_code error;
        for (fs::recursive_directory_iterator it(user_.root().path(), error), end; !error && it != end;
             it.increment(error)) {
            const std::string name = it->path().filename().string();
            if (name == "desktop.bmp" || name == "wallpaper.bmp") found.push_back(it->path());
        }
        return found;
    }
    // Sends SIGTERM and expects the normal end within the exit limit.
    void EndsCleanlyOnSigterm() {
        kill(pid_, SIGTERM);
        int status = 0;
        auto ended = EndTime(Clock::now(), &status);
        ASSERT_TRUE(ended) << "the saver did not end";
        std::printf("SIGTERM to exit: %lld ms\n", static_cast<long long>(ended->count()));
        EXPECT_LT(*ended, kExitLimit);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        EXPECT_NE(Log().find("SSWnd destroyed"), std::string::npos) << Log();
        EXPECT_TRUE(Pictures().empty());
        EXPECT_EQ(FilesIn(user_.tempFolder()), 0) << "temporary files left";
        EXPECT_EQ(FilesIn(user_.privateFolder()), 0) << "private files left";
    }
    static int FilesIn(const fs::path& folder) {
        int count = 0;
        std::error_code error;
        for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
            if (!it->is_directory()) ++count;
        return count;
    }
    // Mouse moves, clicks and keys over the host window.
    void UserInput() {
        Xdotool({"mousemove", "200", "200"});
        Xdotool({"mousemove", "260", "230"});
        Xdotool({"click", "1"});
        Xdotool({"click", "--repeat", "2", "--delay", "80", "1"});
        Xdotool({"key", "x"});
        Xdotool({"key", "Escape"});
        Xdotool({"key", "Return"});
    }
};

TEST_F(SaverHostTest, DrawsIntoTheGivenWindowIgnoresInputAndEndsOnSigterm) {
    HostWindow host(xvfb_.Display());
    ASSERT_NE(host.Id(), 0u) << "no host window";
    ASSERT_NE(PixelAt(250, 210), kGreen);
    Start({"-window-id", host.Hex()});
    ASSERT_TRUE(TurnsGreen(250, 210)) << "nothing drawn into the host window; log:\n" << Log();
    EXPECT_TRUE(TurnsGreen(51, 61, 500ms));    // the window's first pixel (inside its 1-pixel border)
    EXPECT_TRUE(TurnsGreen(450, 360, 500ms));  // and its last
    EXPECT_NE(PixelAt(460, 370), kGreen);      // nothing beyond it
    EXPECT_NE(PixelAt(700, 600), kGreen);

    UserInput();
    std::this_thread::sleep_for(800ms);
    ASSERT_TRUE(Running()) << "input ended the saver";
    EXPECT_EQ(PixelAt(250, 210), kGreen);

    // The saver follows its host window's size.
    Xdotool({"windowsize", host.Hex(), "600", "450"});
    EXPECT_TRUE(TurnsGreen(640, 500, 2000ms));
    EndsCleanlyOnSigterm();
}

TEST_F(SaverHostTest, TheHostWindowGoingEndsTheSaver) {
    HostWindow host(xvfb_.Display());
    ASSERT_NE(host.Id(), 0u) << "no host window";
    Start({"--window-id", std::to_string(host.Id())});
    ASSERT_TRUE(TurnsGreen(250, 210)) << Log();
    host.Close();
    int status = 0;
    auto ended = EndTime(Clock::now(), &status);
    ASSERT_TRUE(ended) << "the saver outlived its host's window";
    EXPECT_LT(*ended, kExitLimit);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_TRUE(Pictures().empty());
}

TEST_F(SaverHostTest, RootCoversTheScreenAndTheHostVariableNamesTheWindow) {
    Start({"--root"});
    ASSERT_TRUE(TurnsGreen(10, 10)) << Log();
    EXPECT_TRUE(TurnsGreen(1023, 767, 500ms));
    UserInput();
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(Running()) << "input ended the saver";
    EndsCleanlyOnSigterm();

    HostWindow host(xvfb_.Display());
    ASSERT_NE(host.Id(), 0u) << "no host window";
    ASSERT_NE(PixelAt(250, 210), kGreen);
    // The variable wins over "-root" and over a window id that does not exist.
    Start({"-root", "-window-id", "0x7777"}, {"XSCREENSAVER_WINDOW=" + host.Hex()});
    ASSERT_TRUE(TurnsGreen(250, 210)) << Log();
    EXPECT_NE(PixelAt(700, 600), kGreen);
    EndsCleanlyOnSigterm();
}

// A window id that names no window ends the saver at once.
TEST_F(SaverHostTest, AMissingWindowEndsTheSaverAtOnce) {
    Start({"-window-id", "0x7777"});
    int status = 0;
    auto ended = EndTime(Clock::now(), &status, 5000ms);
    ASSERT_TRUE(ended) << "the saver did not end";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_TRUE(Pictures().empty());
}

}  // namespace
}  // namespace korv
