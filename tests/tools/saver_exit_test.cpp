// A built saver on a real X server always ends promptly: with message boxes
// up, while an update works on a site whose object is an empty file, and
// when its host sends SIGTERM, which also removes its temporary pictures.
// And every start shows the saver's window.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>

#include "tests/support/command_runner.h"
#include "tests/support/nginx_server.h"
#include "tests/support/real_saver_test.h"

namespace korv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr auto kExitLimit = 1000ms;

class SaverExitTest : public test::RealSaverTest {
protected:
    // The message boxes on the screen: windows named after the saver (its
    // own windows have no name).
    int BoxesShown() {
        auto tree = test::RunCommand("xwininfo", {"-root", "-tree"}, {"DISPLAY=" + xvfb_.Display()});
        const std::string named = "\"" + saver_.filename().string() + "\": (";
        int count = 0;
        for (size_t at = tree.out.find(named); at != std::string::npos; at = tree.out.find(named, at + 1)) ++count;
        return count;
    }
    bool WaitForBoxes(int atLeast, std::chrono::milliseconds limit) {
        const auto until = Clock::now() + limit;
        while (Clock::now() < until) {
            if (BoxesShown() >= atLeast) return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }
};

// A picture that cannot be shown raises its message on the scene thread at
// every round of the loop: one box stands for it, the scenario goes on, and
// the box goes with the saver.
TEST_F(SaverExitTest, MessageBoxesNeitherHoldTheSaverNorOutliveIt) {
    test::WriteFileBytes(user_.root() / "content" / "bad.jpg", "not a picture");
    Build(2, "VERSION 500;IMAGE bad,bad.jpg,0,NRM;REPEAT;SHOW bad,CTR,CTR,0,0,0,100;WAIT ,0.1;UNTIL INF,0;");
    Launch();
    ASSERT_TRUE(WaitForBoxes(1, 5000ms));
    std::this_thread::sleep_for(1000ms);  // ten more failing rounds
    EXPECT_LE(BoxesShown(), 2);

    auto ended = EndByMouse();
    ASSERT_TRUE(ended) << "the saver did not end";
    EXPECT_LT(*ended, kExitLimit);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(BoxesShown(), 0);
}

// An update whose object is an empty file: its messages go to the log and
// the status line, never to a box, and the saver ends at once when asked.
TEST_F(SaverExitTest, AnUpdateWithAnEmptyObjectShowsNoBoxAndEndsPromptly) {
    if (!test::NginxServer::Available()) GTEST_SKIP() << "nginx is not installed";
    test::NginxServer server;
    ASSERT_TRUE(server.Running()) << server.Failure();
    server.WriteFile("feed/empty.jpg", "");
    server.WriteFile("feed/index.html", "<html><KORV><br>VERSION 500;<br>IMAGE e,empty.jpg,0,NRM,0,0,,," +
                                            server.Url("/feed/empty.jpg") +
                                            ",;<br>SHOW e,CTR,CTR,0,0,0,100;<br>WAIT ,1000;<br></KORV></html>\r\n");
    Build(1, "", server.Url("/feed"));
    Launch();
    // The first update starts at the first tick of the update timer.
    const auto until = Clock::now() + 15s;
    while (Clock::now() < until && Log().find("Update Screen saver - ") == std::string::npos)
        std::this_thread::sleep_for(100ms);
    ASSERT_NE(Log().find("Update Screen saver - "), std::string::npos) << Log();
    // The message the empty file raised on the download thread went to the log.
    EXPECT_NE(Log().find("Cannot be read data."), std::string::npos) << Log();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(BoxesShown(), 0);

    auto ended = EndByMouse();
    ASSERT_TRUE(ended) << "the saver did not end";
    EXPECT_LT(*ended, kExitLimit);
}

// The first start on a machine measures its speed for a second; the window
// answers input meanwhile, and a measurement cut short is taken again at the
// next start.
TEST_F(SaverExitTest, AnExitInputWhileTheMachineIsMeasuredEndsTheSaver) {
    Build(2, "VERSION 500;CLS ,000.128.000;WAIT ,600;");
    Launch();  // 300 ms into the measurement
    auto ended = EndByMouse();
    ASSERT_TRUE(ended) << "the saver did not end";
    EXPECT_LT(*ended, 500ms);
    auto times = test::RunCommand(test::KorvToolPath(), {"settings", "--machine", "Times"}, Env());
    EXPECT_EQ(times.out, "Times=0\n");
}

// An update stalled in the middle of a transfer does not hold the end.
TEST_F(SaverExitTest, AStalledTransferDoesNotHoldTheSaver) {
    if (!test::NginxServer::Available()) GTEST_SKIP() << "nginx is not installed";
    test::NginxOptions options;
    options.stallLocation = "/slow/";
    test::NginxServer server(options);
    ASSERT_TRUE(server.Running()) << server.Failure();
    server.WriteFile("slow/big.bin", std::string(1 << 20, 'x'));
    server.WriteFile("feed/index.html", "<html><KORV><br>VERSION 500;<br>MEDIA big,big.bin,1048576," +
                                            server.Url("/slow/big.bin") + ";<br>WAIT ,1000;<br></KORV></html>\r\n");
    Build(1, "", server.Url("/feed"));
    Launch();
    // The first update starts at the first tick of the update timer (5 s)
    // and stalls after the first few kilobytes of the object.
    std::this_thread::sleep_for(6500ms);
    ASSERT_TRUE(Running());
    ASSERT_EQ(Log().find("Update Screen saver - "), std::string::npos) << "the update was not stalled";

    auto ended = EndByMouse();
    ASSERT_TRUE(ended) << "the saver did not end";
    EXPECT_LT(*ended, kExitLimit);
}

// A screen-saver host ends its saver with SIGTERM: the normal end runs and
// the temporary pictures are gone.
TEST_F(SaverExitTest, SigtermRunsTheNormalEnd) {
    test::WriteFileBytes(user_.root() / "content" / "bad.jpg", "not a picture");
    Build(2, "VERSION 500;IMAGE bad,bad.jpg,0,NRM;REPEAT;SHOW bad,CTR,CTR,0,0,0,100;WAIT ,0.1;UNTIL INF,0;");
    Launch();
    ASSERT_TRUE(WaitForBoxes(1, 5000ms));
    EXPECT_EQ(Pictures().size(), 2u);

    kill(pid_, SIGTERM);
    const auto sent = Clock::now();
    int status = 0;
    auto ended = EndTime(sent, &status);
    ASSERT_TRUE(ended) << "the saver did not end";
    EXPECT_LT(*ended, kExitLimit);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_NE(Log().find("SSWnd destroyed"), std::string::npos);
    EXPECT_TRUE(Pictures().empty());
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(BoxesShown(), 0);
}

// Start after start, each saver shows its window; each is ended by SIGTERM
// as a host would, within the exit limit.
TEST_F(SaverExitTest, EveryStartShowsTheSaver) {
    Build(2, "VERSION 500;CLS ,000.128.000;WAIT ,600;");
    const auto budget = Clock::now() + 30s;
    int starts = 0;
    while (starts < 60 && Clock::now() < budget) {
        ++starts;
        Start();
        const bool shown = WindowShown(3000ms);
        ASSERT_TRUE(shown) << "start " << starts << " showed no window; "
                           << (Running() ? "still running" : "ended") << "; log:\n" << Log();
        kill(pid_, SIGTERM);
        auto ended = EndTime(Clock::now());
        ASSERT_TRUE(ended) << "start " << starts << " did not end";
        EXPECT_LT(*ended, kExitLimit) << "start " << starts;
    }
    EXPECT_GE(starts, 20);
}

}  // namespace
}  // namespace korv
