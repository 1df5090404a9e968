// SHOWHTML and HIDEHTML with a stand-in browser engine on a headless
// screen: the address a view opens, where its pictures show, the
// background it covers and gives back, what each page event writes to the
// log, and how the scene's end and the saver's end close views and delete
// their page files.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "media/html/html_view_events.h"
#include "media/temporary_media_file.h"
#include "platform/archive.h"
#include "platform/display.h"
#include "platform/file.h"
#include "platform/painter.h"
#include "saver/log.h"
#include "scenario/html_commands.h"
#include "scenario/scenario.h"
#include "scenario/scenario_compiler.h"
#include "scenario/scene_html.h"
#include "scenario/scene_thread.h"
#include "tests/support/canvas_scene.h"
#include "tests/support/eventually.h"
#include "tests/support/fake_web_engine.h"
#include "tests/support/headless_scene_window.h"
#include "tests/support/test_environment.h"
#include "update/script_container.h"

namespace korv {
namespace {

namespace fs = std::filesystem;

constexpr platform::Pixel kRed = 0xFF0000, kGreen = 0x00FF00;


// The saver window on a headless screen whose client surface starts with a
// pattern, so that whatever covers it shows.
class PatternSceneWindow : public test::HeadlessSceneWindow {
public:
    PatternSceneWindow() {
        Draw([this](platform::Surface& surface) { surface = pattern; });
    }
    const platform::Surface pattern = test::PatternSurface(320, 240);
};

class HtmlScene : public SceneContext {
public:
    SceneWindow& Window() override { return window; }
    const platform::Event& StopEvent() const override { return stop; }
    platform::Clock& Clock() override { return clock; }
    uint32_t SpeedCalibration() const override { return 1000; }
    bool HasExitButtonBar() const override { return exitBar; }
    SceneHtml* Html() override { return &html; }

    PatternSceneWindow window;
    platform::Event stop;
    platform::VirtualClock clock;
    bool exitBar = false;
    SceneHtml html;
};

// Whether every pixel of `area` (clipped to the screen) is `pixel`.
bool AreaIs(const platform::Surface& screen, Rect area, platform::Pixel pixel) {
    Rect clipped = area.Intersect(screen.Bounds());
    for (int y = clipped.top; y < clipped.bottom; ++y)
        for (int x = clipped.left; x < clipped.right; ++x)
            if (screen.At(x, y) != pixel) return false;
    return true;
}

// Whether `screen` shows `before` everywhere outside `area`.
bool SameOutside(const platform::Surface& screen, const platform::Surface& before, Rect area) {
    for (int y = 0; y < screen.Height(); ++y)
        for (int x = 0; x < screen.Width(); ++x)
            if (!area.Contains(x, y) && screen.At(x, y) != before.At(x, y)) return false;
    return true;
}

class HtmlViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetSystemWebEngine(&engine_);
        SetFileLogName((user_.root() / "korvlog.txt").string());
        SetFileLogEnabled(true);
    }
    void TearDown() override {
        scene_.reset();
        SetFileLogEnabled(false);
        platform::SetSystemWebEngine(nullptr);
    }

    std::string Log() const { return test::ReadFileBytes(user_.root() / "korvlog.txt"); }
    // Whether the log holds `lines` (each ended by CR LF) in this order.
    bool LogInOrder(const std::vector<std::string>& lines) const {
        std::string log = Log();
        size_t at = 0;
        for (const std::string& line : lines) {
            at = log.find(line + "\r\n", at);
            if (at == std::string::npos) return false;
            at += line.size();
        }
        return true;
    }
    size_t LogCount(const std::string& line) const {
        std::string log = Log();
        size_t count = 0;
        for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++count;
        return count;
    }

    ShowHtmlCommand AddressView(Rect area, const std::string& address) {
        ShowHtmlCommand show;
        show.placement.x1 = area.left;
        show.placement.y1 = area.top;
        show.placement.x2 = area.Width();
        show.placement.y2 = area.Height();
        show.source = address;
        return show;
    }
    void Show(ShowHtmlCommand show) {
        int index = 0;
        EXPECT_EQ(show.Execute(*scene_, index), 0);
    }
    void Hide(bool restore) {
        HideHtmlCommand hide;
        hide.restore = restore ? 1 : 0;
        int index = 0;
        EXPECT_EQ(hide.Execute(*scene_, index), 0);
    }
    // Waits until view `index` exists and has loaded its page.
    void WaitForView(size_t index) {
        ASSERT_TRUE(test::Eventually([&] { return engine_.ViewCount() > index && !engine_.Record(index).loads.empty(); }));
    }
    // Sends view `index` a picture and waits until the screen shows it at `area`.
    void ShowFrame(size_t index, platform::Pixel colour, Rect area) {
        engine_.SendFrame(index, colour);
        EXPECT_TRUE(test::Eventually([&] { return AreaIs(scene_->window.Screen(), area, colour); }));
    }

    test::IsolatedUser user_;
    test::FakeWebEngine engine_;
    std::unique_ptr<HtmlScene> scene_ = std::make_unique<HtmlScene>();
};

TEST(ShowHtmlAddress, AddressesGetAWebSchemeUnlessTheyHaveOne) {
    const std::pair<const char*, const char*> cases[] = {
        {"example.com/page", "http://example.com/page"},
        {"HTTP://Example.com/Upper", "HTTP://Example.com/Upper"},
        {"https://secure.example.com/", "https://secure.example.com/"},
        {"HTTPS://secure.example.com/", "HTTPS://secure.example.com/"},
        {"ftp://files.example.com/", "http://ftp://files.example.com/"},
        {"http:/", "http://http:/"},
    };
    for (const auto& [source, expected] : cases) {
        ShowHtmlCommand show;
        show.source = source;
        std::string owned;
        EXPECT_EQ(show.Address(&owned), expected) << source;
        EXPECT_TRUE(owned.empty());
    }
}

TEST(ShowHtmlAddress, StoredPagesAreWrittenToPrivateFilesWithTheirKindOfExtension) {
    test::IsolatedUser user;
    const std::pair<const char*, const char*> cases[] = {
        {"Saved.MHT", ".mht"}, {"saved.mht", ".mht"}, {"page.html", ".html"},
        {"page.htm", ".html"}, {"mht", ".html"},      {"page.mht.txt", ".html"},
    };
    for (const auto& [source, extension] : cases) {
        ShowHtmlCommand show;
        show.isAddress = 0;
        show.source = source;
        show.data = {'<', 'p', '>', 0, 0xFF, 'x'};
        std::string owned;
        std::string url = show.Address(&owned);
        ASSERT_FALSE(owned.empty()) << source;
        EXPECT_EQ(fs::path(owned).extension().string(), extension) << source;
        EXPECT_EQ(url, "file://" + fs::absolute(owned).string());
        EXPECT_EQ(url.rfind("file:///", 0), 0u) << url;
        EXPECT_EQ(test::ReadFileBytes(owned), std::string("<p>\0\xFFx", 6));
        EXPECT_EQ(fs::status(owned).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
        DeleteTemporaryMediaFile(owned);
        EXPECT_FALSE(fs::exists(owned));
    }
}

TEST_F(HtmlViewTest, PicturesShowAtTheViewsArea) {
    struct Case {
        const char* name;
        bool fullScreen;
        bool exitBar;
        Rect area;
    };
    const Case cases[] = {
        {"placed", false, false, {10, 20, 110, 70}},
        {"placed with the exit bar", false, true, {10, 20, 110, 70}},
        {"full screen", true, false, {0, 0, 320, 240}},
        {"full screen below the exit bar", true, true, {0, 20, 320, 260}},
    };
    size_t view = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scene_ = std::make_unique<HtmlScene>();
        scene_->exitBar = c.exitBar;
        ShowHtmlCommand show = AddressView({10, 20, 110, 70}, "example.com");
        show.fullScreen = c.fullScreen ? 1 : 0;
        Show(show);
        WaitForView(view);
        test::FakeWebEngine::ViewRecord record = engine_.Record(view);
        EXPECT_EQ(record.loads, std::vector<std::string>{"http://example.com"});
        EXPECT_EQ(record.options.size, (Size{c.area.Width(), c.area.Height()}));
        EXPECT_EQ(record.options.frameIntervalMs, 100u);
        // Hidden until its first picture.
        EXPECT_TRUE(test::SameSurface(scene_->window.Screen(), scene_->window.pattern));
        ShowFrame(view, kRed, c.area);
        EXPECT_TRUE(SameOutside(scene_->window.Screen(), scene_->window.pattern, c.area));
        ++view;
    }
}

TEST_F(HtmlViewTest, OnlyThePlayerWithTheExitBarPassesClicksToThePage) {
    std::thread loop([&] { scene_->window.Display().Loop().Run(); });
    Rect area{40, 30, 140, 90};
    scene_->exitBar = true;
    Show(AddressView(area, "example.com"));
    WaitForView(0);
    ShowFrame(0, kRed, area);
    scene_->window.Display().InjectButtonDown(platform::MouseButton::Left, {50, 45});
    EXPECT_TRUE(test::Eventually([&] { return !engine_.Record(0).clicks.empty(); }));
    EXPECT_EQ(engine_.Record(0).clicks, (std::vector<Point>{Point{10, 15}}));

    scene_->exitBar = false;
    Show(AddressView(area, "example.com"));
    WaitForView(1);
    ShowFrame(1, kGreen, area);
    scene_->window.Display().InjectButtonDown(platform::MouseButton::Left, {50, 45});
    // A click after it on the parent shows that the first one was handled.
    scene_->window.Display().InjectButtonDown(platform::MouseButton::Left, {5, 5});
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(engine_.Record(1).clicks.empty());
    scene_->window.Display().Loop().Quit(0);
    loop.join();
}

TEST_F(HtmlViewTest, ASecondViewReplacesTheFirstAndSavesTheBackgroundBeforeTheFirstGoes) {
    Rect first{0, 0, 100, 100}, second{50, 50, 150, 150};
    Show(AddressView(first, "one.example"));
    WaitForView(0);
    ShowFrame(0, kRed, first);
    EXPECT_EQ(scene_->html.SavedArea(), first);

    Show(AddressView(second, "two.example"));
    WaitForView(1);
    EXPECT_TRUE(test::Eventually([&] { return engine_.Record(0).closed; }));
    EXPECT_EQ(scene_->html.SavedArea(), second);
    EXPECT_TRUE(LogInOrder({"Html Open", "Html Create", "Html Load", "Html Kill Thread\n", "Html Open", "Html Create",
                            "Html Load"}));
    EXPECT_TRUE(test::Eventually([&] { return LogCount("Html Close\r\n") == 1; }));
    // The first view's last picture stays in the window where it was.
    platform::Surface client = scene_->window.Client();
    EXPECT_TRUE(AreaIs(client, first, kRed));
    EXPECT_TRUE(SameOutside(client, scene_->window.pattern, first));

    // The saved background is what was under the second view before the
    // first one's picture was left there.
    ShowFrame(1, kGreen, second);
    Hide(true);
    EXPECT_FALSE(scene_->html.SavedArea());
    EXPECT_TRUE(test::Eventually([&] { return engine_.Record(1).closed; }));
    platform::Surface screen = scene_->window.Screen();
    int wrong = 0;
    for (int y = 0; y < screen.Height(); ++y)
        for (int x = 0; x < screen.Width(); ++x) {
            const bool red = first.Contains(x, y) && !second.Contains(x, y);
            wrong += screen.At(x, y) != (red ? kRed : scene_->window.pattern.At(x, y));
        }
    EXPECT_EQ(wrong, 0);
}

TEST_F(HtmlViewTest, HideWithRestoreGivesTheBackgroundBackAndWithoutLeavesTheLastPicture) {
    Rect area{20, 10, 220, 110};
    Show(AddressView(area, "example.com"));
    WaitForView(0);
    ShowFrame(0, kRed, area);
    Hide(true);
    EXPECT_TRUE(test::Eventually([&] { return engine_.Record(0).closed; }));
    EXPECT_FALSE(scene_->html.ViewRunning());
    EXPECT_TRUE(test::SameSurface(scene_->window.Screen(), scene_->window.pattern));

    Show(AddressView(area, "example.com"));
    WaitForView(1);
    ShowFrame(1, kGreen, area);
    Hide(false);
    EXPECT_TRUE(test::Eventually([&] { return engine_.Record(1).closed; }));
    platform::Surface screen = scene_->window.Screen();
    EXPECT_TRUE(AreaIs(screen, area, kGreen));
    EXPECT_TRUE(SameOutside(screen, scene_->window.pattern, area));
    EXPECT_EQ(scene_->html.SavedArea(), area);
    // A later restore still finds it.
    Hide(true);
    EXPECT_TRUE(test::SameSurface(scene_->window.Screen(), scene_->window.pattern));
    // Two pauses of 100 ms for each view that went.
    EXPECT_EQ(scene_->clock.Elapsed(), 400u);
}

TEST_F(HtmlViewTest, AStoredPagesFileLivesAsLongAsItsView) {
    ShowHtmlCommand show = AddressView({0, 0, 64, 48}, "page.html");
    show.isAddress = 0;
    show.data = {'<', 'b', '>', 'h', 'i'};
    Show(show);
    WaitForView(0);
    std::string url = engine_.Record(0).loads.at(0);
    ASSERT_EQ(url.rfind("file:///", 0), 0u) << url;
    fs::path file = url.substr(7);
    EXPECT_EQ(file.extension(), ".html");
    EXPECT_EQ(test::ReadFileBytes(file), "<b>hi");
    Hide(false);
    EXPECT_TRUE(test::Eventually([&] { return !fs::exists(file); }));
    EXPECT_TRUE(engine_.Record(0).closed);
}

TEST_F(HtmlViewTest, EveryPageEventWritesItsLogLine) {
    using Kind = platform::WebPageEventKind;
    struct Case {
        platform::WebPageEvent event;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {{Kind::NavigationRequested, 0, 0, "http://example.com/"}, {"Html Before Navigate2"}},
        {{Kind::LoadStarted, 0, 0, ""}, {"Html Download begin"}},
        {{Kind::LoadCommitted, 0, 0, "http://example.com/"}, {"Html Navigate Complete2"}},
        {{Kind::Progress, 2500, 10000, ""}, {"HTML Progress:2500, ProgressMax:10000\n"}},
        {{Kind::TitleChanged, 0, 0, "A title"}, {"A title"}},
        {{Kind::StatusText, 0, 0, "http://example.com/link"}, {"http://example.com/link"}},
        {{Kind::CommandState, 2, 1, ""}, {"Html Command:2, Enabled:1\n"}},
        {{Kind::SecureConnection, 0, 0, ""}, {"Html SetSecureLockIcon"}},
        {{Kind::LoadFinished, 0, 0, ""},
         {"Html Document complete", "Html Document complete - scroll bar off", "Html Download complete"}},
        {{Kind::NewWindowRefused, 0, 0, ""}, {"Html New Window2"}},
        {{Kind::DownloadRefused, 0, 0, "http://example.com/file.zip"}, {"Html FileDownload"}},
        {{Kind::NavigationFailed, -7, 0, ""}, {"Html NavigateError Code:[-7]"}},
        {{Kind::FullScreenRefused, 0, 0, ""}, {"Html Fullscreen"}},
        {{Kind::PrintRefused, 0, 0, ""}, {"Html PrintTemplateInstantiation"}},
        {{Kind::CloseRequested, 0, 0, ""}, {"Html WindowClosing"}},
    };
    Show(AddressView({0, 0, 64, 48}, "example.com"));
    WaitForView(0);
    for (const Case& c : cases) {
        std::string before = Log();
        engine_.Listener(0).OnPageEvent(c.event);
        std::string expected;
        for (const std::string& line : c.lines) expected += line + "\r\n";
        EXPECT_EQ(Log().substr(before.size()), expected) << static_cast<int>(c.event.kind);
    }
    // The view is a picture: its scroll bars went at the document's end.
    EXPECT_EQ(engine_.Record(0).scripts, std::vector<std::string>{kHideScrollBarsScript});
}

TEST_F(HtmlViewTest, AnEngineThatCannotStartIsReportedOnceAndTheSceneGoesOn) {
    engine_.startFailure = "no display";
    Rect area{0, 0, 100, 100};
    Show(AddressView(area, "one.example"));
    EXPECT_TRUE(test::Eventually([&] { return LogCount("Html engine unavailable") == 1; }));
    EXPECT_TRUE(scene_->html.ViewRunning());
    Show(AddressView(area, "two.example"));
    // Started before it is hidden, so that it tries the engine too.
    EXPECT_TRUE(test::Eventually([&] { return LogCount("Html Open") == 2; }));
    Hide(true);
    scene_.reset();
    EXPECT_EQ(engine_.ViewCount(), 0u);
    EXPECT_EQ(LogCount("Html engine unavailable: no display\r\n"), 1u);
    EXPECT_EQ(LogCount("Html Open"), 2u);
    EXPECT_EQ(LogCount("Html Create"), 0u);
    EXPECT_EQ(LogCount("Html Kill Thread"), 0u);
}

// The scene thread closes the view at the end of its list and when the
// saver ends, and the view's page file goes with it.
class SceneThreadHtmlTest : public HtmlViewTest {
protected:
    void Load(const std::string& script) {
        test::WriteFileBytes(dir_ / "page.html", "<p>page</p>");
        CompileRequest request{SplitStatements(script), dir_.str(), dir_.str(), "s", {}, {}};
        ASSERT_EQ(ScenarioCompiler(std::move(request)).Compile(), CompileResult::Ok);
        platform::File file;
        ASSERT_TRUE(file.Open((dir_ / "s.zep").string(), platform::File::Mode::Read));
        platform::ArchiveReader archive(file);
        ASSERT_TRUE(scenario_.Load(archive)) << scenario_.LoadError();
    }
    CSceneThread::Options Options(platform::Clock* clock) {
        CSceneThread::Options options;
        options.window = &scene_->window;
        options.speedCalibration = &speed_;
        options.scenario = &scenario_;
        options.clock = clock;
        return options;
    }
    fs::path PageFile() const {
        std::string url = engine_.Record(0).loads.at(0);
        return url.substr(7);
    }

    test::TempDir dir_;
    Scenario scenario_;
    std::atomic<uint32_t> speed_{1000};
};

TEST_F(SceneThreadHtmlTest, TheEndOfTheListClosesTheView) {
    // A second of the system clock lets the view come up before the end.
    Load("SHOWHTML LFT,TOP,10,10,64,48,,ON,page.html;WAIT ,1;");
    CSceneThread thread(Options(nullptr));
    ASSERT_TRUE(thread.CreateThread(true));
    thread.Resume();
    WaitForView(0);
    fs::path page = PageFile();
    EXPECT_TRUE(fs::exists(page));
    ASSERT_TRUE(thread.IdleEvent().Wait(10000));
    EXPECT_TRUE(test::Eventually([&] { return engine_.Record(0).closed && !fs::exists(page); }));
    EXPECT_TRUE(LogInOrder({"Html Load", "Html Kill Thread\n", "Html Close"}));
    thread.Kill();
}

TEST_F(SceneThreadHtmlTest, KillingTheSceneClosesTheViewAndDeletesItsPage) {
    Load("SHOWHTML LFT,TOP,10,10,64,48,,ON,page.html;WAIT ,60;");
    CSceneThread thread(Options(nullptr));  // the system clock: the wait lasts
    ASSERT_TRUE(thread.CreateThread(true));
    thread.Resume();
    WaitForView(0);
    fs::path page = PageFile();
    EXPECT_EQ(test::ReadFileBytes(page), "<p>page</p>");
    EXPECT_FALSE(engine_.Record(0).closed);
    EXPECT_TRUE(thread.Kill(5000));
    EXPECT_TRUE(LogInOrder({"Html Load", "Html Kill Thread\n"}));
    EXPECT_TRUE(test::Eventually([&] { return engine_.Record(0).closed && !fs::exists(page); }));
}

}  // namespace
}  // namespace korv
