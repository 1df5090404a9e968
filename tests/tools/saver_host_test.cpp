// A built saver run as X screen-saver hosts run it: it draws into the
// window it is given (or over the root window), leaves the input to the
// host, and ends promptly and cleanly on SIGTERM or when the host's window
// goes.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
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
    HostWindow(const std::string& display, const fs::path& errors) : display_(display), errors_(errors) {
        const auto until = std::chrono::steady_clock::now() + 10s;
        // A host program that could not reach the server is started again.
        for (int attempt = 0; attempt < 3 && id_ == 0; ++attempt) {
            StartProgram();
            while (id_ == 0 && std::chrono::steady_clock::now() < until) {
                auto info = test::RunCommand("xwininfo", {"-name", "korvhost"}, {"DISPLAY=" + display_});
                const auto at = info.out.find("Window id: ");
                if (at != std::string::npos) id_ = std::strtoul(info.out.c_str() + at + 11, nullptr, 16);
                if (id_ != 0) break;
                if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                    pid_ = -1;  // it ended: nothing left to close
                    break;
                }
                std::this_thread::sleep_for(20ms);
            }
            if (id_ == 0) Close();
        }
    }
    ~HostWindow() { Close(); }
    unsigned long Id() const { return id_; }
    // What the host program said on its error output.
    std::string Errors() const { return test::ReadFileBytes(errors_); }
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
    void StartProgram() {
        // Made before the fork: the child of a threaded process only execs.
        std::string displayAssignment = "DISPLAY=" + display_;
        char* envp[] = {displayAssignment.data(), nullptr};
        const char* argv[] = {"xmessage", "-title", "korvhost", "-geometry", "400x300+50+60", "host", nullptr};
        const int errorFile = open(errors_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_ = fork();
        if (pid_ == 0) {
            if (errorFile >= 0) dup2(errorFile, 2);
            execve("/usr/bin/xmessage", const_cast<char* const*>(argv), envp);
            _exit(127);
        }
        if (errorFile >= 0) close(errorFile);
    }

    std::string display_;
    fs::path errors_;
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
    HostWindow host(xvfb_.Display(), user_.root() / "host.err");
    ASSERT_NE(host.Id(), 0u) << "no host window: " << host.Errors();
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
    HostWindow host(xvfb_.Display(), user_.root() / "host.err");
    ASSERT_NE(host.Id(), 0u) << "no host window: " << host.Errors();
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

    HostWindow host(xvfb_.Display(), user_.root() / "host.err");
    ASSERT_NE(host.Id(), 0u) << "no host window: " << host.Errors();
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

TEST_F(SaverHostTest, APreviewIntoAWindowThatDoesNotExistIsAUsageError) {
    auto result = test::RunCommand(saver_.string(), {"/p", "0x7777"}, Env());
    EXPECT_EQ(result.exitCode, 2);
    // The first line (a sanitizer build may add its report after it).
    EXPECT_EQ(result.err.substr(0, result.err.find('\n') + 1),
              "usage: " + saver_.string() + " [/s | /p WINDOW | /c | /a]: there is no window 0x7777 to draw the preview into\n");
    EXPECT_TRUE(Pictures().empty());
}

// The real host: xscreensaver runs the saver with "--root" and
// XSCREENSAVER_WINDOW in its own window, and ends it with SIGTERM when the
// screen is woken. xscreensaver launches no savers as root; a root test
// runs it as "nobody".
TEST_F(SaverHostTest, XscreensaverRunsAndEndsTheSaver) {
    if (test::RunCommand("sh", {"-c", "command -v xscreensaver && command -v xscreensaver-command"}).exitCode != 0)
        GTEST_SKIP() << "xscreensaver is not installed";
    const fs::path home = user_.root() / "home";
    fs::create_directories(home);
    test::WriteFileBytes(home / ".xscreensaver", "timeout:\t0:30:00\nlock:\tFalse\nsplash:\tFalse\nfade:\tFalse\n"
                                                 "unfade:\tFalse\nmode:\tone\nselected:\t0\nprograms:\t" +
                                                     saver_.string() + " -root \\n\n");
    std::vector<std::string> asUser;
    if (geteuid() == 0) {
        ASSERT_EQ(test::RunCommand("chown", {"-R", "nobody", user_.root().str()}).exitCode, 0);
        asUser = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"};
    }
    std::vector<std::string> env = Env();
    env.push_back("HOME=" + home.string());
    env.push_back("PATH=/usr/bin:/bin");
    // Runs an xscreensaver program as the host's user.
    auto hostCommand = [&](std::vector<std::string> command) {
        std::vector<std::string> line = asUser;
        line.insert(line.end(), command.begin(), command.end());
        const std::string program = line.front();
        line.erase(line.begin());
        return test::RunCommand(program, line, env);
    };

    std::vector<std::string> line = asUser;
    line.insert(line.end(), {"xscreensaver", "-no-splash"});
    std::vector<char*> argv;
    for (auto& part : line) argv.push_back(part.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& assignment : env) envp.push_back(assignment.data());
    envp.push_back(nullptr);
    const pid_t daemon = fork();
    if (daemon == 0) {
        execvpe(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    struct DaemonEnd {
        pid_t pid;
        ~DaemonEnd() {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    } daemonEnd{daemon};

    bool activated = false;
    for (int attempt = 0; attempt < 50 && !activated; ++attempt) {
        std::this_thread::sleep_for(100ms);
        activated = hostCommand({"xscreensaver-command", "-activate"}).exitCode == 0;
    }
    ASSERT_TRUE(activated) << "xscreensaver did not start";
    bool green = false;
    for (auto until = Clock::now() + 8s; !green && Clock::now() < until; std::this_thread::sleep_for(50ms))
        green = PixelAt(500, 400) == kGreen;
    ASSERT_TRUE(green) << "the saver drew nothing; log:\n" << Log();
    auto found = test::RunCommand("pgrep", {"-f", "^" + saver_.string()});
    ASSERT_EQ(found.exitCode, 0) << "the saver does not run";
    const std::string saverProcess = "/proc/" + found.out.substr(0, found.out.find('\n'));

    // Ended: gone, or a zombie that its host has not reaped yet.
    auto ended = [&saverProcess] {
        std::ifstream file(saverProcess + "/stat");
        std::string stat;
        std::getline(file, stat);
        const auto close = stat.rfind(") ");
        return stat.empty() || (close != std::string::npos && stat.compare(close + 2, 1, "Z") == 0);
    };
    ASSERT_FALSE(ended());
    const auto asked = Clock::now();
    ASSERT_EQ(hostCommand({"xscreensaver-command", "-deactivate"}).exitCode, 0);
    while (!ended() && Clock::now() < asked + 3s) std::this_thread::sleep_for(5ms);
    ASSERT_TRUE(ended()) << "the saver outlived the host's end";
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - asked);
    std::printf("xscreensaver deactivation to saver end: %lld ms\n", static_cast<long long>(took.count()));
    EXPECT_LT(took, kExitLimit);
    EXPECT_NE(Log().find("SSWnd destroyed"), std::string::npos) << Log();
    EXPECT_TRUE(Pictures().empty());
    EXPECT_EQ(FilesIn(user_.privateFolder()), 0) << "private files left";
}

}  // namespace
}  // namespace korv
