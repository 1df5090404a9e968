// With a display, the engine's messages are real dialogs: a window with the
// saver's name as its title appears and waits for the user.

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

TEST(MessageBoxOnADisplay, PasswordMessageAppearsAsADialogWindow) {
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

    bool windowSeen = false;
    for (int i = 0; i < 100 && !windowSeen; ++i) {
        auto tree = test::RunCommand("xwininfo", {"-root", "-tree"}, {"DISPLAY=" + xvfb.Display()});
        windowSeen = tree.out.find("\"Dialog Saver\"") != std::string::npos;
        if (!windowSeen) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // The dialog keeps the program waiting until it is answered.
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    EXPECT_TRUE(windowSeen);
}

}  // namespace
}  // namespace korv
