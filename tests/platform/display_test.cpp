// Windows, input and what only one backend does: the headless display in
// memory (with its virtual clock), and the SDL display on a private X server
// (Xvfb), driven with xdotool and read back with ImageMagick's import. What
// both event loops give alike is checked in display_contract_test.cpp.

#include "platform/display.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/event.h"
#include "platform/painter.h"
#include "tests/support/command_runner.h"
#include "tests/support/display_probe.h"
#include "tests/support/xvfb_display.h"

namespace korv {

// Readable rectangles and points in failure messages.
inline void PrintTo(const Rect& r, std::ostream* out) {
    *out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}
inline void PrintTo(const Point& p, std::ostream* out) { *out << "(" << p.x << ", " << p.y << ")"; }

}  // namespace korv

namespace korv::platform {
namespace {

using namespace std::chrono_literals;
using test::Recorder;
using test::RunUntil;

constexpr Pixel kRed = 0xFF0000;
constexpr Pixel kGreen = 0x00FF00;
constexpr Pixel kBlue = 0x0000FF;
constexpr Pixel kBlack = 0x000000;

void Fill(Surface& surface, Rect area, Pixel pixel) {
    area = area.Intersect(surface.Bounds());
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) surface.Set(x, y, pixel);
    }
    surface.MarkChanged(area);
}

// ---------------------------------------------------------------------------
// The headless display.

TEST(HeadlessDisplayTest, ScreenIsOneMonitorOfTheGivenSize) {
    auto display = CreateHeadlessDisplay(320, 200);
    EXPECT_EQ(display->VirtualScreen(), (Rect{0, 0, 320, 200}));
    EXPECT_EQ(display->PrimaryScreen(), (Rect{0, 0, 320, 200}));
    EXPECT_EQ(display->MonitorCount(), 1);
}

TEST(HeadlessDisplayTest, SnapshotShowsWhatWasDrawn) {
    auto display = CreateHeadlessDisplay(64, 48);
    Recorder handler;
    auto window = display->CreateTopWindow({0, 0, 64, 48}, &handler);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Bounds(), (Rect{0, 0, 64, 48}));

    window->Draw([](Surface& s) {
        EXPECT_EQ(s.Width(), 64);
        EXPECT_EQ(s.Height(), 48);
        Fill(s, {10, 5, 20, 15}, kRed);
    });
    Surface shot = window->Snapshot();
    ASSERT_EQ(shot.Width(), 64);
    ASSERT_EQ(shot.Height(), 48);
    EXPECT_EQ(shot.At(10, 5), kRed);
    EXPECT_EQ(shot.At(19, 14), kRed);
    EXPECT_EQ(shot.At(20, 14), kBlack);
    EXPECT_EQ(shot.At(9, 5), kBlack);
}

TEST(HeadlessDisplayTest, OnlyWhatDrawsMarkIsComposedAndADrawThatMarksNothingCostsNothing) {
    auto display = CreateHeadlessDisplay(64, 48);
    Recorder handler, childHandler;
    auto window = display->CreateTopWindow({0, 0, 64, 48}, &handler);
    std::optional<Point> missed;
    display->SetDamageCheck([&](Point at) { missed = at; });
    // Made before the check was set, so this window is unchecked; a second
    // one is made under the check.
    window.reset();
    window = display->CreateTopWindow({0, 0, 64, 48}, &handler);

    display->Screen();  // the first frame is composed whole
    EXPECT_EQ(display->Stats().composedPixels, 64u * 48u);
    const FrameStats first = display->Stats();

    Surface copy;
    window->Draw([&](Surface& s) { copy = CopyRect(s, {0, 0, 10, 10}); });  // reads only
    display->Screen();
    EXPECT_EQ(display->Stats().frames, first.frames);
    EXPECT_EQ(display->Stats().composedPixels, first.composedPixels);

    window->Draw([](Surface& s) { Painter(s).Fill({5, 6, 15, 16}, Rgb(255, 0, 0)); });
    Surface screen = display->Screen();
    EXPECT_EQ(screen.At(5, 6), kRed);
    EXPECT_EQ(display->Stats().composedPixels, first.composedPixels + 100);

    // A child's drawing costs its marked part, hiding it its bounds.
    const uint64_t withChild = display->Stats().composedPixels;
    auto child = window->CreateChild({20, 20, 40, 40}, &childHandler);
    display->Screen();
    EXPECT_EQ(display->Stats().composedPixels - withChild, 400u);
    child->Draw([](Surface& s) { Painter(s).Fill({0, 0, 5, 5}, Rgb(0, 255, 0)); });
    EXPECT_EQ(display->Screen().At(22, 22), kGreen);
    EXPECT_EQ(display->Stats().composedPixels - withChild, 425u);
    child->SetVisible(false);
    EXPECT_EQ(display->Screen().At(22, 22), kBlack);
    EXPECT_EQ(display->Stats().composedPixels - withChild, 825u);
    EXPECT_FALSE(missed);

    // Pixels written without marking them are what the check is for.
    window->Draw([](Surface& s) {
        s.Set(60, 40, kBlue);
        Painter(s).Fill({0, 0, 2, 2}, Rgb(0, 0, 255));
    });
    ASSERT_TRUE(missed);
    EXPECT_EQ(*missed, (Point{60, 40}));
}

TEST(HeadlessDisplayTest, ChildrenShowAboveTheSurfaceInCreationOrder) {
    auto display = CreateHeadlessDisplay(64, 64);
    Recorder handler, lowerHandler, upperHandler, hiddenHandler;
    auto window = display->CreateTopWindow({0, 0, 64, 64}, &handler);
    window->Draw([](Surface& s) { Fill(s, s.Bounds(), kRed); });

    auto lower = window->CreateChild({10, 10, 30, 30}, &lowerHandler);
    auto upper = window->CreateChild({20, 20, 40, 40}, &upperHandler);
    auto hidden = window->CreateChild({0, 0, 64, 8}, &hiddenHandler);
    EXPECT_EQ(lower->Bounds(), (Rect{10, 10, 30, 30}));
    lower->Draw([](Surface& s) {
        EXPECT_EQ(s.Width(), 20);
        Fill(s, s.Bounds(), kBlue);
    });
    upper->Draw([](Surface& s) { Fill(s, s.Bounds(), kGreen); });
    hidden->Draw([](Surface& s) { Fill(s, s.Bounds(), kBlue); });
    hidden->SetVisible(false);
    EXPECT_FALSE(hidden->Visible());
    EXPECT_TRUE(lower->Visible());

    Surface shot = window->Snapshot();
    EXPECT_EQ(shot.At(5, 5), kRed);     // the hidden child is not shown
    EXPECT_EQ(shot.At(15, 15), kBlue);  // lower child only
    EXPECT_EQ(shot.At(25, 25), kGreen); // the later child covers the earlier
    EXPECT_EQ(shot.At(35, 35), kGreen);
    EXPECT_EQ(shot.At(45, 45), kRed);

    upper->SetVisible(false);
    shot = window->Snapshot();
    EXPECT_EQ(shot.At(25, 25), kBlue);
    EXPECT_EQ(shot.At(35, 35), kRed);

    upper->SetVisible(true);
    upper.reset();  // a destroyed child is no longer shown
    shot = window->Snapshot();
    EXPECT_EQ(shot.At(35, 35), kRed);
}

TEST(HeadlessDisplayTest, ChildMayOutliveItsWindow) {
    auto display = CreateHeadlessDisplay(32, 32);
    Recorder handler;
    auto window = display->CreateTopWindow({0, 0, 32, 32}, &handler);
    auto child = window->CreateChild({0, 0, 8, 8}, &handler);
    window.reset();
    child->Draw([](Surface& s) { Fill(s, s.Bounds(), kRed); });
    child->SetVisible(false);
    child.reset();
}

TEST(HeadlessDisplayTest, InjectedInputReachesTheWindowOrTheChildUnderThePointer) {
    auto display = CreateHeadlessDisplay(100, 100);
    Recorder windowHandler, childHandler, hiddenHandler, done;
    auto window = display->CreateTopWindow({0, 0, 100, 100}, &windowHandler);
    auto child = window->CreateChild({50, 50, 80, 70}, &childHandler);
    auto hidden = window->CreateChild({0, 0, 20, 20}, &hiddenHandler);
    hidden->SetVisible(false);

    display->InjectMouseMove({10, 12});
    display->InjectMouseMove({55, 60});
    display->InjectButtonDown(MouseButton::Left, {60, 65});
    display->InjectDoubleClick(MouseButton::Left, {60, 65});
    display->InjectButtonDown(MouseButton::Right, {5, 5});  // inside the hidden child
    display->InjectDoubleClick(MouseButton::Middle, {90, 90});
    display->InjectKey('A');
    display->InjectKey(VkF4, true);
    display->InjectCloseRequest();
    done.then = [&](const std::string&) { display->Loop().Quit(0); };
    display->Loop().Post(&done, 1);
    EXPECT_EQ(display->Loop().Run(), 0);

    EXPECT_EQ(windowHandler.Events(),
              (std::vector<std::string>{"move 10,12", "down R 5,5", "dbl M 90,90", "key 65", "syskey 115", "close"}));
    EXPECT_EQ(childHandler.Events(), (std::vector<std::string>{"move 5,10", "down L 10,15", "dbl L 10,15"}));
    EXPECT_TRUE(hiddenHandler.Events().empty());
    EXPECT_EQ(window->CursorPosition(), (Point{55, 60}));
}

TEST(HeadlessDisplayTest, InputGoesToTheFirstWindow) {
    auto display = CreateHeadlessDisplay(100, 100);
    Recorder first, second;
    auto a = display->CreateTopWindow({0, 0, 100, 100}, &first);
    auto b = display->CreateTopWindow({0, 0, 50, 50}, &second);
    display->InjectKey(VkEscape);
    second.then = [&](const std::string& event) {
        if (event.rfind("msg", 0) == 0) display->Loop().Quit(0);
    };
    display->Loop().Post(&second, 9);
    display->Loop().Run();
    EXPECT_EQ(first.Events(), (std::vector<std::string>{"key 27"}));
    EXPECT_EQ(second.Events(), (std::vector<std::string>{"msg 9 0 0"}));

    // Once the first has gone, the next one hears the input.
    a.reset();
    second.Clear();
    display->InjectKey(VkSpace);
    display->Loop().Post(&second, 9);
    display->Loop().Run();
    EXPECT_EQ(second.Events(), (std::vector<std::string>{"key 32", "msg 9 0 0"}));
}

TEST(HeadlessDisplayTest, EmbeddedWindowCoversTheScreenWhenTheHostIsGiven) {
    auto display = CreateHeadlessDisplay(160, 120);
    Recorder handler;
    EXPECT_EQ(display->CreateEmbeddedWindow(0, &handler), nullptr);
    auto window = display->CreateEmbeddedWindow(0x1234, &handler);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Bounds(), (Rect{0, 0, 160, 120}));
    EXPECT_EQ(window->Snapshot().Width(), 160);
}

TEST(HeadlessDisplayTest, CursorStateIsKept) {
    auto display = CreateHeadlessDisplay(100, 100);
    Recorder handler;
    auto window = display->CreateTopWindow({0, 0, 100, 100}, &handler);
    window->SetCursorShape(CursorShape::Blank);
    window->SetCursorVisible(false);
    window->MoveCursor({33, 44});
    EXPECT_EQ(window->CursorPosition(), (Point{33, 44}));
    EXPECT_EQ(window->NativeHandle(), 0u);
}

TEST(HeadlessDisplayTest, TimersFollowTheVirtualClockWithoutRealWaiting) {
    VirtualClock clock(0, 1000);
    auto display = CreateHeadlessDisplay(10, 10, &clock);
    Recorder handler;
    std::vector<std::pair<std::string, uint32_t>> fired;
    handler.then = [&](const std::string& event) {
        fired.emplace_back(event, clock.TickCount() - 1000);
        if (event == "timer 1") display->Loop().Quit(0);
    };
    display->Loop().SetTimer(&handler, 1, 10'000);
    display->Loop().SetTimer(&handler, 2, 3'000);

    const auto start = std::chrono::steady_clock::now();
    display->Loop().Run();
    const auto realTime = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(fired, (std::vector<std::pair<std::string, uint32_t>>{
                         {"timer 2", 3000}, {"timer 2", 6000}, {"timer 2", 9000}, {"timer 1", 10000}}));
    EXPECT_EQ(clock.Elapsed(), 10'000u);
    EXPECT_LT(realTime, 2s);
}

TEST(HeadlessDisplayTest, TimersKeepTheirPeriodWhenTheTickCountWrapsAround) {
    VirtualClock clock(0, 0xFFFFFFFFu - 4'999);
    auto display = CreateHeadlessDisplay(10, 10, &clock);
    Recorder handler;
    std::vector<uint64_t> firedAt;
    handler.then = [&](const std::string&) {
        firedAt.push_back(clock.Elapsed());
        if (firedAt.size() == 3) display->Loop().Quit(0);
    };
    display->Loop().SetTimer(&handler, 1, 3'000);
    display->Loop().Run();
    EXPECT_EQ(firedAt, (std::vector<uint64_t>{3'000, 6'000, 9'000}));
}

TEST(HeadlessDisplayTest, SettingATimerAgainReplacesItAndKillTimerStopsIt) {
    VirtualClock clock;
    auto display = CreateHeadlessDisplay(10, 10, &clock);
    Recorder handler, stopper;
    display->Loop().SetTimer(&handler, 1, 100);
    display->Loop().SetTimer(&handler, 1, 500);  // replaces the first
    display->Loop().SetTimer(&handler, 2, 50);
    display->Loop().KillTimer(&handler, 2);
    stopper.then = [&](const std::string&) { display->Loop().Quit(0); };
    display->Loop().SetTimer(&stopper, 1, 1200);
    display->Loop().Run();
    EXPECT_EQ(handler.Events(), (std::vector<std::string>{"timer 1", "timer 1"}));  // at 500 and 1000
    EXPECT_EQ(clock.Elapsed(), 1200u);
}

// ---------------------------------------------------------------------------
// The SDL display on Xvfb, one for the whole suite (see XvfbDisplay).

class SdlDisplayTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { screen_ = std::make_unique<test::XvfbDisplay>(1024, 768); }
    static void TearDownTestSuite() {
        display_ = nullptr;
        screen_.reset();
    }

    void SetUp() override {
        ASSERT_TRUE(screen_ && screen_->Server().Running()) << "Xvfb did not start";
        display_ = screen_->Display();
        ASSERT_NE(display_, nullptr) << "SDL could not open the X display";
    }

    static test::CommandResult X(const std::string& program, const std::vector<std::string>& arguments) {
        return test::RunCommand(program, arguments, {"DISPLAY=" + screen_->Server().Display()});
    }

    static void XdoTool(const std::vector<std::string>& arguments) {
        auto result = X("xdotool", arguments);
        EXPECT_EQ(result.exitCode, 0) << "xdotool: " << result.err;
    }

    // The screen's pixel at (x, y), or nothing when it cannot be read.
    static std::optional<Pixel> ScreenPixel(int x, int y) {
        auto result = X("import", {"-window", "root", "-crop", "1x1+" + std::to_string(x) + "+" + std::to_string(y),
                                   "-depth", "8", "txt:-"});
        if (result.exitCode != 0) return std::nullopt;
        const auto hash = result.out.find('#', result.out.find('\n'));
        if (hash == std::string::npos || hash + 7 > result.out.size()) return std::nullopt;
        return static_cast<Pixel>(std::stoul(result.out.substr(hash + 1, 6), nullptr, 16));
    }

    // The screen's pixels in `area`, or an empty surface when they cannot be read.
    static Surface ScreenArea(Rect area) {
        auto result = X("import", {"-window", "root", "-crop",
                                   std::to_string(area.Width()) + "x" + std::to_string(area.Height()) + "+" +
                                       std::to_string(area.left) + "+" + std::to_string(area.top),
                                   "-depth", "8", "rgb:-"});
        const size_t count = static_cast<size_t>(area.Width()) * static_cast<size_t>(area.Height());
        if (result.exitCode != 0 || result.out.size() != count * 3) return {};
        Surface pixels(area.Width(), area.Height());
        const auto* bytes = reinterpret_cast<const unsigned char*>(result.out.data());
        for (size_t i = 0; i < count; ++i)
            pixels.Pixels()[i] = Pixel{bytes[3 * i]} << 16 | Pixel{bytes[3 * i + 1]} << 8 | bytes[3 * i + 2];
        return pixels;
    }

    // Runs the loop while `action` runs on another thread, until `done`
    // holds and the action has finished (or 10 s pass).
    static bool RunWhile(const std::function<void()>& action, const std::function<bool()>& done) {
        std::atomic<bool> finished{false};
        std::thread driver([&] {
            action();
            finished = true;
        });
        const bool held = RunUntil(display_->Loop(), [&] { return finished && done(); }, 10'000ms);
        driver.join();
        return held;
    }

    // Held statically, so that the server also ends when an X error ends the process.
    static inline std::unique_ptr<test::XvfbDisplay> screen_;
    static inline Display* display_ = nullptr;
};

TEST_F(SdlDisplayTest, ScreenIsTheXScreen) {
    EXPECT_EQ(display_->VirtualScreen(), (Rect{0, 0, 1024, 768}));
    EXPECT_EQ(display_->PrimaryScreen(), (Rect{0, 0, 1024, 768}));
    EXPECT_EQ(display_->MonitorCount(), 1);
}

TEST_F(SdlDisplayTest, TopWindowAppearsAndShowsItsSurfaceAndChildren) {
    Recorder handler, childHandler;
    auto window = display_->CreateTopWindow({100, 50, 500, 350}, &handler);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Bounds(), (Rect{100, 50, 500, 350}));
    ASSERT_NE(window->NativeHandle(), 0u);

    char id[32];
    std::snprintf(id, sizeof id, "0x%lx ", static_cast<unsigned long>(window->NativeHandle()));
    auto tree = X("xwininfo", {"-root", "-tree"});
    const auto line = tree.out.find(id);
    ASSERT_NE(line, std::string::npos) << id << tree.out;
    const auto lineEnd = tree.out.find('\n', line);
    EXPECT_NE(tree.out.substr(line, lineEnd - line).find("400x300+100+50"), std::string::npos) << tree.out;

    window->Draw([](Surface& s) { Fill(s, {20, 30, 120, 80}, kRed); });
    auto child = window->CreateChild({200, 100, 260, 140}, &childHandler);
    child->Draw([](Surface& s) { Fill(s, s.Bounds(), kGreen); });
    auto hidden = window->CreateChild({300, 200, 340, 240}, &childHandler);
    hidden->Draw([](Surface& s) { Fill(s, s.Bounds(), kBlue); });
    hidden->SetVisible(false);

    std::optional<Pixel> red, green, hiddenArea, black;
    auto shown = [&] { return red == kRed && green == kGreen && hiddenArea == kBlack && black == kBlack; };
    RunWhile(
        [&] {
            for (int attempt = 0; attempt < 50 && !shown(); ++attempt) {
                std::this_thread::sleep_for(100ms);
                red = ScreenPixel(100 + 50, 50 + 40);
                green = ScreenPixel(100 + 230, 50 + 120);
                hiddenArea = ScreenPixel(100 + 320, 50 + 220);
                black = ScreenPixel(100 + 5, 50 + 5);
            }
        },
        [] { return true; });
    EXPECT_EQ(red, kRed);
    EXPECT_EQ(green, kGreen);
    EXPECT_EQ(hiddenArea, kBlack);
    EXPECT_EQ(black, kBlack);

    Surface shot = window->Snapshot();
    EXPECT_EQ(shot.At(50, 40), kRed);
    EXPECT_EQ(shot.At(230, 120), kGreen);
    EXPECT_EQ(shot.At(320, 220), kBlack);
}

TEST_F(SdlDisplayTest, ChangedPartsReachTheScreenAndTheRestStaysAsItWas) {
    Recorder handler, childHandler;
    const Rect bounds{40, 30, 360, 270};
    auto window = display_->CreateTopWindow(bounds, &handler);
    ASSERT_NE(window, nullptr);
    // A pattern over the whole window, then small changes of every kind.
    window->Draw([](Surface& s) {
        for (int y = 0; y < s.Height(); ++y)
            for (int x = 0; x < s.Width(); ++x) s.Set(x, y, static_cast<Pixel>((x * 7 + y * 13) * 0x010203) & 0xFFFFFF);
        s.MarkChanged();
    });
    auto child = window->CreateChild({200, 100, 260, 140}, &childHandler);
    child->Draw([](Surface& s) { Painter(s).Fill(s.Bounds(), Rgb(0, 255, 0)); });
    auto matches = [&] {
        Surface screen = ScreenArea(bounds);
        Surface expected = window->Snapshot();
        return !screen.Empty() && std::equal(screen.Pixels().begin(), screen.Pixels().end(), expected.Pixels().begin());
    };
    auto waitForScreen = [&] {
        bool same = false;
        RunWhile(
            [&] {
                for (int attempt = 0; attempt < 50 && !(same = matches()); ++attempt) std::this_thread::sleep_for(100ms);
            },
            [] { return true; });
        return same;
    };
    EXPECT_TRUE(waitForScreen());

    window->Draw([](Surface& s) {
        Painter painter(s);
        painter.Fill({10, 10, 30, 20}, Rgb(255, 0, 0));
        painter.Line({0, 200}, {300, 230}, Pen{PenStyle::Solid, 3, Rgb(0, 0, 255)});
        painter.Copy({100, 150}, s, {0, 0, 50, 40});
    });
    child->Draw([](Surface& s) { Painter(s).Fill({10, 10, 20, 20}, Rgb(255, 255, 0)); });
    EXPECT_TRUE(waitForScreen());
    child->SetVisible(false);
    EXPECT_TRUE(waitForScreen());
}

TEST_F(SdlDisplayTest, PointerInputArrivesInClientCoordinatesAndChildrenGetTheirOwn) {
    Recorder handler, childHandler;
    auto window = display_->CreateTopWindow({100, 50, 500, 350}, &handler);
    ASSERT_NE(window, nullptr);
    auto child = window->CreateChild({200, 100, 260, 140}, &childHandler);

    EXPECT_TRUE(RunWhile([&] { XdoTool({"mousemove", "150", "80"}); }, [&] { return handler.Heard("move 50,30"); }))
        << ::testing::PrintToString(handler.Events());

    EXPECT_TRUE(RunWhile([&] { XdoTool({"mousemove", "310", "170"}); },
                         [&] { return childHandler.Heard("move 10,20"); }))
        << ::testing::PrintToString(childHandler.Events());
    handler.Clear();
    EXPECT_TRUE(RunWhile([&] { XdoTool({"click", "3"}); }, [&] { return childHandler.Heard("down R 10,20"); }))
        << ::testing::PrintToString(childHandler.Events());
    EXPECT_FALSE(handler.HeardPrefix("down"));

    // A hidden child lets the click through to the window.
    child->SetVisible(false);
    EXPECT_TRUE(RunWhile([&] { XdoTool({"click", "3"}); }, [&] { return handler.Heard("down R 210,120"); }))
        << ::testing::PrintToString(handler.Events());
}

TEST_F(SdlDisplayTest, SecondQuickPressIsADoubleClick) {
    Recorder handler;
    auto window = display_->CreateTopWindow({100, 50, 500, 350}, &handler);
    ASSERT_NE(window, nullptr);
    RunWhile([&] { XdoTool({"mousemove", "150", "80"}); }, [&] { return handler.Heard("move 50,30"); });

    EXPECT_TRUE(RunWhile([&] { XdoTool({"click", "1"}); }, [&] { return handler.Only("d").size() >= 1; }));
    // Well past the double-click time, two quick presses: a press, then a double click.
    std::this_thread::sleep_for(800ms);
    EXPECT_TRUE(RunWhile([&] { XdoTool({"click", "--repeat", "2", "--delay", "50", "1"}); },
                         [&] { return handler.Only("d").size() >= 3; }));
    RunUntil(display_->Loop(), [] { return false; }, 200ms);
    EXPECT_EQ(handler.Only("d"), (std::vector<std::string>{"down L 50,30", "down L 50,30", "dbl L 50,30"}));
}

TEST_F(SdlDisplayTest, KeysArriveAsVirtualKeysAndAltMakesThemSystemKeys) {
    Recorder handler;
    auto window = display_->CreateTopWindow({100, 50, 500, 350}, &handler);
    ASSERT_NE(window, nullptr);
    RunWhile([&] { XdoTool({"mousemove", "150", "80"}); }, [&] { return handler.Heard("move 50,30"); });

    EXPECT_TRUE(RunWhile([&] { XdoTool({"key", "F12"}); }, [&] { return handler.Heard("key 123"); }))
        << ::testing::PrintToString(handler.Events());
    EXPECT_TRUE(RunWhile([&] { XdoTool({"key", "a", "5", "Return", "Escape", "space", "Left"}); },
                         [&] { return handler.Heard("key 37"); }))
        << ::testing::PrintToString(handler.Events());
    EXPECT_EQ(handler.Only("key"),
              (std::vector<std::string>{"key 123", "key 65", "key 53", "key 13", "key 27", "key 32", "key 37"}));

    handler.Clear();
    EXPECT_TRUE(RunWhile([&] { XdoTool({"key", "alt+F4"}); }, [&] { return handler.Heard("syskey 115"); }))
        << ::testing::PrintToString(handler.Events());
    RunUntil(display_->Loop(), [] { return false; }, 300ms);
    EXPECT_TRUE(handler.Heard("syskey 18"));
    EXPECT_FALSE(handler.Heard("close"));
    EXPECT_FALSE(handler.Heard("key 115"));
}

TEST_F(SdlDisplayTest, CursorMovesWithinTheWindow) {
    Recorder handler;
    auto window = display_->CreateTopWindow({100, 50, 500, 350}, &handler);
    ASSERT_NE(window, nullptr);
    window->SetCursorShape(CursorShape::Blank);
    window->MoveCursor({30, 40});
    EXPECT_EQ(window->CursorPosition(), (Point{30, 40}));
    auto where = X("xdotool", {"getmouselocation"});
    EXPECT_NE(where.out.find("x:130 y:90"), std::string::npos) << where.out;
    window->SetCursorShape(CursorShape::Arrow);
    window->SetCursorVisible(false);
    window->SetCursorVisible(true);
}

TEST_F(SdlDisplayTest, EmbeddedWindowFillsAnotherProgramsWindowAndSurvivesItsEnd) {
    Recorder handler;
    // No such window: 0x1fffffff is the last id of the last possible client.
    EXPECT_EQ(display_->CreateEmbeddedWindow(0x1fffffff, &handler), nullptr);
    EXPECT_EQ(display_->CreateEmbeddedWindow(0, &handler), nullptr);

    // The host: a small window of another program.
    pid_t host = fork();
    if (host == 0) {
        setenv("DISPLAY", screen_->Server().Display().c_str(), 1);
        execlp("xmessage", "xmessage", "-title", "korv-host", "-geometry", "300x200+10+20", "host",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(host, 0);
    unsigned long hostId = 0;
    int border = 0;
    for (int attempt = 0; attempt < 100 && hostId == 0; ++attempt) {
        auto info = X("xwininfo", {"-name", "korv-host"});
        const auto at = info.out.find("Window id: ");
        const auto borderAt = info.out.find("Border width: ");
        if (at != std::string::npos && borderAt != std::string::npos) {
            hostId = std::stoul(info.out.substr(at + 11), nullptr, 16);
            border = std::stoi(info.out.substr(borderAt + 14));
        }
        if (hostId == 0) std::this_thread::sleep_for(50ms);
    }
    ASSERT_NE(hostId, 0u) << "xmessage did not show its window";

    // The client area of the host: inside its border.
    auto window = display_->CreateEmbeddedWindow(hostId, &handler);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Bounds(), (Rect::FromSize(10 + border, 20 + border, 300, 200)));
    EXPECT_NE(window->NativeHandle(), 0u);
    EXPECT_NE(window->NativeHandle(), hostId);
    window->Draw([](Surface& s) { Fill(s, s.Bounds(), kBlue); });

    std::optional<Pixel> inside, outside;
    RunWhile(
        [&] {
            for (int attempt = 0; attempt < 50 && inside != kBlue; ++attempt) {
                std::this_thread::sleep_for(100ms);
                inside = ScreenPixel(10 + 150, 20 + 100);
            }
            outside = ScreenPixel(400, 400);
        },
        [] { return true; });
    EXPECT_EQ(inside, kBlue);
    EXPECT_EQ(outside, kBlack);

    // The host goes away while we keep drawing: the window asks to close and
    // the process lives on.
    class Repainter : public WindowHandler {
    public:
        explicit Repainter(Window& w) : window_(w) {}
        void OnTimer(uint32_t) override {
            window_.Draw([this](Surface& s) { Fill(s, s.Bounds(), (++frame_ % 2) ? kRed : kBlue); });
        }

    private:
        Window& window_;
        int frame_ = 0;
    } repainter(*window);
    display_->Loop().SetTimer(&repainter, 1, 15);
    EXPECT_TRUE(RunWhile(
        [&] {
            std::this_thread::sleep_for(200ms);
            kill(host, SIGTERM);
            waitpid(host, nullptr, 0);
        },
        [&] { return handler.Heard("close"); }));
    display_->Loop().Forget(&repainter);
    // Drawing and cursor calls on the orphaned window stay harmless.
    window->Draw([](Surface& s) { Fill(s, s.Bounds(), kGreen); });
    window->CursorPosition();
    RunUntil(display_->Loop(), [] { return false; }, 200ms);
    EXPECT_EQ(handler.Only("close").size(), 1u);
    window.reset();

    // The display still works afterwards.
    Recorder next;
    auto top = display_->CreateTopWindow({0, 0, 32, 32}, &next);
    EXPECT_NE(top, nullptr);
}

TEST_F(SdlDisplayTest, EmbeddedWindowReportsCloseWhenItsHostInThisProcessGoes) {
    Recorder hostHandler, handler;
    auto host = display_->CreateTopWindow({600, 400, 760, 520}, &hostHandler);
    ASSERT_NE(host, nullptr);
    auto window = display_->CreateEmbeddedWindow(host->NativeHandle(), &handler);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Bounds(), (Rect{600, 400, 760, 520}));
    window->Draw([](Surface& s) { Fill(s, s.Bounds(), kGreen); });
    RunUntil(display_->Loop(), [] { return false; }, 200ms);
    host.reset();
    EXPECT_TRUE(RunUntil(display_->Loop(), [&] { return handler.Heard("close"); }));
}

}  // namespace
}  // namespace korv::platform
