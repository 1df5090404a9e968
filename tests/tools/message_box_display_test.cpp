// With a display, the engine's messages are real dialogs with the saver's
// name as their title; the program never waits for them. A message shown
// on the way out (here: the password change that Linux does not offer)
// stays on the screen after the program has ended. Each dialog shows the
// icon its message asked for.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/message_box_icon.h"
#include "tests/support/command_runner.h"
#include "tests/support/saver_fixture.h"
#include "tests/support/test_environment.h"
#include "tests/support/xvfb_server.h"

namespace korv {
namespace {

using namespace std::chrono_literals;

bool DialogShown(const test::XvfbServer& xvfb) {
    auto tree = test::RunCommand("xwininfo", {"-root", "-tree"}, {"DISPLAY=" + xvfb.Display()});
    return tree.out.find("\"Dialog Saver\": (") != std::string::npos;
}

TEST(MessageBoxOnADisplay, AMessageOnTheWayOutStaysAfterTheProgramEnded) {
    test::XvfbServer xvfb;
    ASSERT_TRUE(xvfb.Running());
    test::IsolatedUser user;
    auto saver = user.root() / "Dialog Saver";
    auto built = test::RunCommand(test::KorvToolPath(),
                                  {"build", "--engine", test::KorvRuntimePath(), "--player-type", "1", "--site", "s",
                                   "--source", "n", "-o", saver.string()});
    ASSERT_EQ(built.exitCode, 0) << built.err;

    pid_t pid = fork();
    if (pid == 0) {
        setenv("DISPLAY", xvfb.Display().c_str(), 1);
        execl(saver.c_str(), saver.c_str(), "/a", static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(pid, 0);

    // The program does not wait for the dialog.
    int status = 0;
    pid_t ended = 0;
    for (int i = 0; i < 100 && ended == 0; ++i) {
        ended = waitpid(pid, &status, WNOHANG);
        if (ended == 0) std::this_thread::sleep_for(20ms);
    }
    if (ended == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    ASSERT_EQ(ended, pid) << "the program waited for its dialog";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    bool shown = false;
    for (int i = 0; i < 100 && !shown; ++i) {
        shown = DialogShown(xvfb);
        if (!shown) std::this_thread::sleep_for(50ms);
    }
    EXPECT_TRUE(shown);
    // Still there a while later: it waits for the user, not for us.
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(DialogShown(xvfb));
    // Its helper ends with the X server at the end of the test.
}

// Runs `saver` with `switchText` on the display and waits (briefly) for it to end.
bool RunToTheEnd(const test::XvfbServer& xvfb, const std::filesystem::path& saver, const char* switchText) {
    pid_t pid = fork();
    if (pid == 0) {
        setenv("DISPLAY", xvfb.Display().c_str(), 1);
        execl(saver.c_str(), saver.c_str(), switchText, static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0) return false;
    for (int i = 0; i < 250; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return true;
        std::this_thread::sleep_for(20ms);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return false;
}

// How many pixels of the screen have exactly `colour`.
size_t PixelsOnScreen(const test::XvfbServer& xvfb, platform::Colour colour) {
    auto shot = test::RunCommand("import", {"-window", "root", "-depth", "8", "rgb:-"}, {"DISPLAY=" + xvfb.Display()});
    size_t count = 0;
    for (size_t i = 0; i + 2 < shot.out.size(); i += 3)
        count += static_cast<uint8_t>(shot.out[i]) == colour.red &&
                 static_cast<uint8_t>(shot.out[i + 1]) == colour.green &&
                 static_cast<uint8_t>(shot.out[i + 2]) == colour.blue;
    return count;
}

// Waits until the screen shows at least `least` pixels of `colour`.
bool ShowsColour(const test::XvfbServer& xvfb, platform::Colour colour, size_t least) {
    for (int i = 0; i < 100; ++i) {
        if (PixelsOnScreen(xvfb, colour) >= least) return true;
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

TEST(MessageBoxOnADisplay, AScenarioThatCannotLoadStopsWithTheStopIconOtherMessagesInform) {
    test::XvfbServer xvfb;
    ASSERT_TRUE(xvfb.Running());
    test::IsolatedUser user;
    // A SHOW that names no picture: the embedded scenario cannot load.
    const auto content = user.root() / "content";
    std::filesystem::create_directories(content);
    const auto script = user.root() / "ghost.vel";
    test::WriteFileBytes(script, "SHOW ghost;");
    const auto scenario = user.root() / "ghost.zep";
    auto compiled = test::RunCommand(test::KorvToolPath(), {"compile", script.string(), "--content", content.string(),
                                                            "-o", scenario.string()});
    // The compiler says so, and keeps the file.
    ASSERT_EQ(compiled.exitCode, 1) << compiled.err;
    ASSERT_NE(compiled.err.find("does not load"), std::string::npos) << compiled.err;
    const auto saver = user.root() / "Icon Saver";
    auto built = test::RunCommand(test::KorvToolPath(),
                                  {"build", "--engine", test::KorvRuntimePath(), "--scenario", scenario.string(),
                                   "--player-type", "2", "--site", "s", "--source", "n", "-o", saver.string()});
    ASSERT_EQ(built.exitCode, 0) << built.err;

    // A full icon has several hundred pixels of its colour.
    constexpr size_t kIconPixels = 300;
    ASSERT_TRUE(RunToTheEnd(xvfb, saver, "/s"));
    EXPECT_TRUE(ShowsColour(xvfb, platform::kStopIconColour, kIconPixels));
    EXPECT_EQ(PixelsOnScreen(xvfb, platform::kInformationIconColour), 0u);

    // The password change Linux does not offer only informs.
    ASSERT_TRUE(RunToTheEnd(xvfb, saver, "/a"));
    EXPECT_TRUE(ShowsColour(xvfb, platform::kInformationIconColour, kIconPixels));
}

}  // namespace
}  // namespace korv
