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
#include <optional>
#include <thread>

#include "tests/support/command_runner.h"
#include "tests/support/nginx_server.h"
#include "tests/support/real_saver_test.h"
#include "tests/support/swf_writer.h"

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

// The colour of the screen's pixel at (x, y), as 0xRRGGBB; nothing when it
// could not be read.
std::optional<uint32_t> ScreenPixel(const std::string& display, int x, int y) {
    auto shot = test::RunCommand("import", {"-window", "root", "-crop", "1x1+" + std::to_string(x) + "+" + std::to_string(y),
                                            "-depth", "8", "rgb:-"},
                                 {"DISPLAY=" + display});
    if (shot.exitCode != 0 || shot.out.size() != 3) return std::nullopt;
    auto byte = [&](int i) { return static_cast<uint32_t>(static_cast<unsigned char>(shot.out[i])); };
    return byte(0) << 16 | byte(1) << 8 | byte(2);
}

// A Flash movie playing on a loop beside a page in the HTML view: both run
// in the browser engine's processes, and a mouse move still ends the saver
// at once, with the player's copy of the movie gone.
TEST_F(SaverExitTest, APlayingFlashMovieAndAPageDoNotHoldTheSaver) {
    test::SwfTestMovie movie;
    movie.background = 0x2080C0;
    movie.shapeColour = 0xF0A060;
    movie.startY = 0;
    movie.stepX = 0;
    movie.frames = 20;
    auto swf = test::WriteSwfTestMovie(movie);
    test::WriteFileBytes(user_.root() / "content" / "m.swf", std::string(swf.begin(), swf.end()));
    test::WriteFileBytes(user_.root() / "content" / "page.html",
                         "<html><body style=\"margin:0;background:#30a050\"></body></html>");
    Build(2, "VERSION 500;MEDIA m,m.swf,0,;SHOWHTML LFT,TOP,0,0,320,100,,ON,page.html;"
             "PLAY m,ON,,,1,320,240,,CTR,CTR,0,0,-1;WAIT ,600;");
    Launch();
    // The page at the top left, the movie's background in the middle.
    bool pageShown = false, movieShown = false;
    for (auto until = Clock::now() + 60s; Clock::now() < until && !(pageShown && movieShown);) {
        pageShown = pageShown || ScreenPixel(xvfb_.Display(), 100, 50) == 0x30A050u;
        movieShown = movieShown || ScreenPixel(xvfb_.Display(), 512, 384) == 0x2080C0u;
        std::this_thread::sleep_for(200ms);
    }
    ASSERT_TRUE(pageShown) << Log();
    ASSERT_TRUE(movieShown) << Log();
    ASSERT_TRUE(Running());

    auto ended = EndByMouse();
    ASSERT_TRUE(ended) << "the saver did not end";
    EXPECT_LT(*ended, kExitLimit);
    // No copy of the movie or the page is left in any of the user's folders.
    std::error_code error;
    for (fs::recursive_directory_iterator it(user_.root().path(), error), end; !error && it != end; it.increment(error))
        EXPECT_NE(it->path().filename().string().rfind("Ssd", 0), 0u) << it->path();
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
