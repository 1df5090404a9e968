// With a display, the engine's messages are real dialogs with the saver's
// name as their title; the program never waits for them. A message shown
// on the way out (here: the password change that Linux does not offer)
// stays on the screen after the program has ended.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

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

}  // namespace
}  // namespace korv
