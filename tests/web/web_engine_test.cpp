// The real browser engine (WebKitGTK in its module) on a private X server:
// pages from our own schemes and from a real web server, their pictures,
// events and script messages, and what the engine refuses. GTK starts once
// per process, so each test has one engine (ctest runs each in a process).

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/web_engine.h"
#include "platform/webkit/snapshot_pixels.h"
#include "tests/support/nginx_server.h"
#include "tests/support/test_environment.h"
#include "tests/support/detached_xvfb.h"

namespace korv {
namespace {

using platform::WebPageEvent;
using platform::WebPageEventKind;
using namespace std::chrono_literals;

constexpr auto kPageTimeout = 30s;
constexpr uint32_t kBlue = 0x2080C0;
constexpr uint32_t kGreen = 0x30A050;
constexpr int kCannotConnect = -2146697212;
constexpr int kHostNotFound = -2146697211;

std::string ColourPage(uint32_t colour, const std::string& title = "Colour", const std::string& body = "") {
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%06x", colour);
    return "<!DOCTYPE html><html><head><title>" + title + "</title></head><body style=\"margin:0;background:" + hex +
           "\">" + body + "</body></html>";
}

struct SeenFrame {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels.at(static_cast<size_t>(y) * width + x); }
    // The centre and the four corners all have `colour`.
    bool Filled(uint32_t colour) const {
        if (width <= 0 || height <= 0) return false;
        return At(width / 2, height / 2) == colour && At(0, 0) == colour && At(width - 1, 0) == colour &&
               At(0, height - 1) == colour && At(width - 1, height - 1) == colour;
    }
};

struct Seen {
    std::vector<WebPageEvent> events;
    std::vector<std::string> messages;
    std::vector<SeenFrame> frames;  // the latest few

    bool Has(WebPageEventKind kind) const {
        for (const auto& event : events)
            if (event.kind == kind) return true;
        return false;
    }
    const WebPageEvent* First(WebPageEventKind kind) const {
        for (const auto& event : events)
            if (event.kind == kind) return &event;
        return nullptr;
    }
    bool HasMessage(const std::string& message) const {
        for (const auto& seen : messages)
            if (seen == message) return true;
        return false;
    }
    size_t frameCount = 0;
};

class RecordingListener : public platform::WebViewListener {
public:
    void OnPageEvent(const WebPageEvent& event) override {
        std::lock_guard lock(mutex_);
        seen_.events.push_back(event);
        changed_.notify_all();
    }
    void OnFrame(const platform::WebFrame& frame) override {
        SeenFrame copy{frame.width, frame.height, {}};
        copy.pixels.resize(static_cast<size_t>(frame.width) * frame.height);
        for (int y = 0; y < frame.height; ++y)
            std::copy_n(frame.pixels + static_cast<size_t>(y) * frame.stride, frame.width,
                        copy.pixels.begin() + static_cast<size_t>(y) * frame.width);
        std::lock_guard lock(mutex_);
        if (seen_.frames.size() == 4) seen_.frames.erase(seen_.frames.begin());
        seen_.frames.push_back(std::move(copy));
        ++seen_.frameCount;
        changed_.notify_all();
    }
    void OnScriptMessage(const std::string& message) override {
        std::lock_guard lock(mutex_);
        seen_.messages.push_back(message);
        changed_.notify_all();
    }

    bool WaitFor(const std::function<bool(const Seen&)>& done, std::chrono::seconds timeout = kPageTimeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return done(seen_); });
    }
    bool WaitForFrame(uint32_t colour, int width, int height) {
        return WaitFor([&](const Seen& seen) {
            return !seen.frames.empty() && seen.frames.back().width == width && seen.frames.back().height == height &&
                   seen.frames.back().Filled(colour);
        });
    }
    // Waits for `count` more pictures and answers whether all of them were
    // filled with `colour`.
    bool NextFramesFilled(uint32_t colour, size_t count) {
        size_t start = Copy().frameCount;
        bool allFilled = true;
        size_t checked = start;
        bool arrived = WaitFor([&](const Seen& seen) {
            if (seen.frameCount > checked) {
                if (!seen.frames.back().Filled(colour)) allFilled = false;
                checked = seen.frameCount;
            }
            return seen.frameCount >= start + count;
        });
        return arrived && allFilled;
    }
    Seen Copy() const {
        std::lock_guard lock(mutex_);
        return seen_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    Seen seen_;
};

// Pages served by a scheme of our own; remembers the paths asked for.
class SchemeSite {
public:
    void Add(const std::string& path, std::string html) {
        std::lock_guard lock(mutex_);
        pages_[path] = std::move(html);
    }
    platform::WebResourceProvider Provider() {
        return [this](const std::string& path) -> std::optional<platform::WebResource> {
            std::lock_guard lock(mutex_);
            asked_.push_back(path);
            auto page = pages_.find(path);
            if (page == pages_.end()) return std::nullopt;
            return platform::WebResource{std::vector<uint8_t>(page->second.begin(), page->second.end()),
                                         "text/html"};
        };
    }
    std::vector<std::string> Asked() const {
        std::lock_guard lock(mutex_);
        return asked_;
    }

private:
    mutable std::mutex mutex_;
    std::map<std::string, std::string> pages_;
    std::vector<std::string> asked_;
};

class WebEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(test::DetachedXvfbDisplay().empty()) << "Xvfb did not start";
        display_.emplace("DISPLAY", test::DetachedXvfbDisplay());
    }
    void TearDown() override { engine().Shutdown(5000); }

    platform::WebEngine& engine() { return platform::SystemWebEngine(); }

    // Starts the engine with the scheme "korvtest" serving `site_`, and opens
    // a view of `size` that takes a picture every 20 ms.
    std::unique_ptr<platform::WebView> StartWithView(Size size = {320, 240}) {
        engine().RegisterScheme("korvtest", site_.Provider());
        std::string failure = engine().Start();
        EXPECT_EQ(failure, "");
        EXPECT_TRUE(engine().Running());
        return engine().CreateView({size, 20}, listener_);
    }

    // Loads a page of `colour` and waits until it is on the view's picture.
    void ShowColourPage(platform::WebView& view, uint32_t colour, Size size = {320, 240}) {
        site_.Add("/colour.html", ColourPage(colour));
        view.Load("korvtest://site/colour.html");
        ASSERT_TRUE(listener_->WaitForFrame(colour, size.width, size.height));
    }

    test::IsolatedUser user_;
    test::TempDir home_;
    test::ScopedEnv homeEnv_{"HOME", home_.str()};
    test::ScopedEnv downloadEnv_{"XDG_DOWNLOAD_DIR", (home_ / "Saved").string()};
    std::optional<test::ScopedEnv> display_;
    SchemeSite site_;
    std::shared_ptr<RecordingListener> listener_ = std::make_shared<RecordingListener>();
};

TEST_F(WebEngineTest, SchemePagesArriveAsPicturesOfTheViewsSize) {
    site_.Add("/blue.html", ColourPage(kBlue));
    auto view = StartWithView({320, 240});
    ASSERT_NE(view, nullptr);
    view->Load("korvtest://site/blue.html?from=test#top");
    EXPECT_TRUE(listener_->WaitForFrame(kBlue, 320, 240));

    view->Resize({200, 120});
    EXPECT_TRUE(listener_->WaitForFrame(kBlue, 200, 120));
    view->Resize({360, 300});
    EXPECT_TRUE(listener_->WaitForFrame(kBlue, 360, 300));

    // The provider is asked for the path alone.
    auto asked = site_.Asked();
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.front(), "/blue.html");

    // A resource the provider does not have fails the load; the picture stays.
    view->Load("korvtest://site/missing.html");
    ASSERT_TRUE(listener_->WaitFor([](const Seen& seen) { return seen.Has(WebPageEventKind::NavigationFailed); }));
    EXPECT_LT(listener_->Copy().First(WebPageEventKind::NavigationFailed)->a, 0);
    EXPECT_TRUE(listener_->NextFramesFilled(kBlue, 5));

    // No pictures while the interval is 0; they come back with one.
    view->SetFrameInterval(0);
    size_t stopped = listener_->Copy().frameCount;
    // (One picture may have been asked for already.)
    EXPECT_FALSE(listener_->WaitFor([&](const Seen& seen) { return seen.frameCount > stopped + 1; }, 1s));
    view->SetFrameInterval(10);
    EXPECT_TRUE(listener_->NextFramesFilled(kBlue, 3));
}

TEST_F(WebEngineTest, ALoadReportsItsEventsInOrder) {
    site_.Add("/first.html", ColourPage(kBlue, "First page"));
    site_.Add("/second.html", ColourPage(kGreen, "Second page"));
    auto view = StartWithView();
    ASSERT_NE(view, nullptr);
    view->Load("korvtest://site/first.html");
    ASSERT_TRUE(listener_->WaitFor([](const Seen& seen) { return seen.Has(WebPageEventKind::LoadFinished); }));
    EXPECT_TRUE(listener_->WaitForFrame(kBlue, 320, 240));

    // The title may come before or after the end of so small a page, but
    // only once the page is committed.
    ASSERT_TRUE(listener_->WaitFor([](const Seen& seen) { return seen.Has(WebPageEventKind::TitleChanged); }));
    Seen seen = listener_->Copy();
    std::vector<WebPageEventKind> order;
    bool committed = false;
    for (const auto& event : seen.events) {
        if (event.kind == WebPageEventKind::LoadCommitted) committed = true;
        if (event.kind == WebPageEventKind::TitleChanged) EXPECT_TRUE(committed);
        if (event.kind != WebPageEventKind::Progress && event.kind != WebPageEventKind::CommandState &&
            event.kind != WebPageEventKind::TitleChanged)
            order.push_back(event.kind);
    }
    std::vector<WebPageEventKind> expected = {WebPageEventKind::NavigationRequested, WebPageEventKind::LoadStarted,
                                              WebPageEventKind::LoadCommitted, WebPageEventKind::LoadFinished};
    EXPECT_EQ(order, expected);
    EXPECT_EQ(seen.First(WebPageEventKind::NavigationRequested)->text, "korvtest://site/first.html");
    EXPECT_EQ(seen.First(WebPageEventKind::LoadCommitted)->text, "korvtest://site/first.html");
    EXPECT_EQ(seen.First(WebPageEventKind::TitleChanged)->text, "First page");
    EXPECT_FALSE(seen.Has(WebPageEventKind::SecureConnection));
    EXPECT_TRUE(listener_->WaitFor([](const Seen& seen) {
        for (const auto& event : seen.events)
            if (event.kind == WebPageEventKind::Progress && event.a == 10000 && event.b == 10000) return true;
        return false;
    }));

    // After a second page the way back is open, the way forward is not.
    view->Load("korvtest://site/second.html");
    EXPECT_TRUE(listener_->WaitForFrame(kGreen, 320, 240));
    EXPECT_TRUE(listener_->WaitFor([](const Seen& seen) {
        bool back = false, forward = true;
        for (const auto& event : seen.events)
            if (event.kind == WebPageEventKind::CommandState) (event.a == 2 ? back : forward) = event.b == 1;
        return back && !forward;
    }));
    // Going back opens the way forward.
    view->RunScript("history.back()");
    EXPECT_TRUE(listener_->WaitForFrame(kBlue, 320, 240));
    EXPECT_TRUE(listener_->WaitFor([](const Seen& seen) {
        bool back = true, forward = false;
        for (const auto& event : seen.events)
            if (event.kind == WebPageEventKind::CommandState) (event.a == 2 ? back : forward) = event.b == 1;
        return !back && forward;
    }));
}

TEST_F(WebEngineTest, ScriptsAndClicksReachThePageAndItsMessagesComeBack) {
    site_.Add("/messages.html",
              ColourPage(kBlue, "Messages",
                         "<div style=\"width:100%;height:100vh\" "
                         "onclick=\"window.webkit.messageHandlers.korv.postMessage('clicked ' + event.clientX + ',' + "
                         "event.clientY)\"></div><script>window.webkit.messageHandlers.korv.postMessage('loaded')"
                         "</script>"));
    auto view = StartWithView();
    ASSERT_NE(view, nullptr);
    view->Load("korvtest://site/messages.html");
    ASSERT_TRUE(listener_->WaitFor([](const Seen& seen) { return seen.HasMessage("loaded"); }));
    ASSERT_TRUE(listener_->WaitForFrame(kBlue, 320, 240));

    view->RunScript("window.webkit.messageHandlers.korv.postMessage('sum ' + (2 + 3))");
    EXPECT_TRUE(listener_->WaitFor([](const Seen& seen) { return seen.HasMessage("sum 5"); }));
    view->RunScript("window.webkit.messageHandlers.korv.postMessage({a: [1, 'x']})");
    EXPECT_TRUE(listener_->WaitFor([](const Seen& seen) { return seen.HasMessage("{\"a\":[1,\"x\"]}"); }));

    view->Click({40, 30});
    EXPECT_TRUE(listener_->WaitFor([](const Seen& seen) { return seen.HasMessage("clicked 40,30"); }));
}

TEST_F(WebEngineTest, AClosedPortFailsWithANetworkCodeAndShowsNoErrorPage) {
    auto view = StartWithView();
    ASSERT_NE(view, nullptr);
    ShowColourPage(*view, kBlue);
    int port = test::UnusedLoopbackPort();
    view->Load("http://127.0.0.1:" + std::to_string(port) + "/page.html");
    ASSERT_TRUE(listener_->WaitFor([](const Seen& seen) { return seen.Has(WebPageEventKind::NavigationFailed); }));
    EXPECT_EQ(listener_->Copy().First(WebPageEventKind::NavigationFailed)->a, kCannotConnect);
    EXPECT_TRUE(listener_->NextFramesFilled(kBlue, 10));
}

// The first address a new view opens may fail too.
TEST_F(WebEngineTest, AClosedPortFailsAsTheViewsFirstPage) {
    auto view = StartWithView();
    ASSERT_NE(view, nullptr);
    view->Load("http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort()) + "/page.html");
    ASSERT_TRUE(listener_->WaitFor([](const Seen& seen) { return seen.Has(WebPageEventKind::NavigationFailed); }));
    EXPECT_EQ(listener_->Copy().First(WebPageEventKind::NavigationFailed)->a, kCannotConnect);
}

TEST_F(WebEngineTest, AnHttpErrorFailsWithItsStatusAndItsPageNeverShows) {
    test::NginxServer server;
    ASSERT_TRUE(server.Running()) << server.Failure();
    server.WriteFile("index.html", ColourPage(kGreen, "Served"));
    auto view = StartWithView();
    ASSERT_NE(view, nullptr);
    view->Load(server.Url("/index.html"));
    ASSERT_TRUE(listener_->WaitForFrame(kGreen, 320, 240));

    view->Load(server.Url("/missing.html"));
    ASSERT_TRUE(listener_->WaitFor([](const Seen& seen) { return seen.Has(WebPageEventKind::NavigationFailed); }));
    EXPECT_EQ(listener_->Copy().First(WebPageEventKind::NavigationFailed)->a, 404);
    EXPECT_TRUE(listener_->NextFramesFilled(kGreen, 10));
    for (const auto& event : listener_->Copy().events) {
        if (event.kind == WebPageEventKind::TitleChanged) EXPECT_EQ(event.text, "Served");
    }
}

// Everything under `folder` that is a file.
std::vector<std::filesystem::path> FilesUnder(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    if (!std::filesystem::exists(folder, error)) return files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error))
        if (entry.is_regular_file()) files.push_back(entry.path());
    return files;
}

TEST_F(WebEngineTest, DownloadsAreRefusedAndWriteNothing) {
    test::NginxServer server;
    ASSERT_TRUE(server.Running()) << server.Failure();
    server.WriteFile("data.bin", std::string(100000, '\x7f'));
    server.WriteFile("notes.txt", "some notes\n");
    server.WriteFile("links.html", ColourPage(kGreen, "Links", "<a id=\"save\" download href=\"notes.txt\">notes</a>"));
    auto view = StartWithView();
    ASSERT_NE(view, nullptr);
    view->Load(server.Url("/links.html"));
    ASSERT_TRUE(listener_->WaitForFrame(kGreen, 320, 240));

    // A response the view cannot show.
    view->Load(server.Url("/data.bin"));
    ASSERT_TRUE(listener_->WaitFor([](const Seen& seen) { return seen.Has(WebPageEventKind::DownloadRefused); }));
    EXPECT_EQ(listener_->Copy().First(WebPageEventKind::DownloadRefused)->text, server.Url("/data.bin"));

    // A link that asks to be saved.
    view->RunScript("document.getElementById('save').click()");
    EXPECT_TRUE(listener_->WaitFor([&](const Seen& seen) {
        for (const auto& event : seen.events)
            if (event.kind == WebPageEventKind::DownloadRefused && event.text == server.Url("/notes.txt")) return true;
        return false;
    }));

    // A later page loads, and no file was saved anywhere.
    site_.Add("/after.html", ColourPage(kBlue));
    view->Load("korvtest://site/after.html");
    EXPECT_TRUE(listener_->WaitForFrame(kBlue, 320, 240));
    EXPECT_EQ(FilesUnder(home_.path()), std::vector<std::filesystem::path>{});
    EXPECT_EQ(FilesUnder(user_.root().path() / "data" / "Downloads"), std::vector<std::filesystem::path>{});
}

TEST_F(WebEngineTest, NewWindowsFullScreenPrintingAndClosingAreRefused) {
    // Four bands across the page, each asking for one thing when clicked.
    std::string band = "<div style=\"height:60px\" onclick=\"";
    site_.Add("/asks.html",
              ColourPage(kBlue, "Asks",
                         band + "window.webkit.messageHandlers.korv.postMessage('window ' + "
                                "(window.open('korvtest://site/asks.html') === null))\"></div>" +
                             band + "document.body.requestFullscreen()\"></div>" + band + "window.print()\"></div>" +
                             band + "window.close()\"></div>"));
    auto view = StartWithView();
    ASSERT_NE(view, nullptr);
    view->Load("korvtest://site/asks.html");
    ASSERT_TRUE(listener_->WaitForFrame(kBlue, 320, 240));

    view->Click({100, 30});
    EXPECT_TRUE(listener_->WaitFor([](const Seen& seen) { return seen.Has(WebPageEventKind::NewWindowRefused); }));
    EXPECT_TRUE(listener_->WaitFor([](const Seen& seen) { return seen.HasMessage("window true"); }));
    view->Click({100, 90});
    EXPECT_TRUE(listener_->WaitFor([](const Seen& seen) { return seen.Has(WebPageEventKind::FullScreenRefused); }));
    view->Click({100, 150});
    EXPECT_TRUE(listener_->WaitFor([](const Seen& seen) { return seen.Has(WebPageEventKind::PrintRefused); }));
    view->Click({100, 210});
    EXPECT_TRUE(listener_->WaitFor([](const Seen& seen) { return seen.Has(WebPageEventKind::CloseRequested); }));
    // The page is still there and drawn at its size.
    EXPECT_TRUE(listener_->NextFramesFilled(kBlue, 3));
    // Only the first page was ever asked for: no second view loaded it.
    EXPECT_EQ(site_.Asked(), std::vector<std::string>{"/asks.html"});
}

TEST_F(WebEngineTest, AClosedViewIsSilentAndOthersGoOn) {
    site_.Add("/blue.html", ColourPage(kBlue));
    auto first = StartWithView();
    ASSERT_NE(first, nullptr);
    auto secondListener = std::make_shared<RecordingListener>();
    auto second = engine().CreateView({{160, 100}, 20}, secondListener);
    ASSERT_NE(second, nullptr);
    first->Load("korvtest://site/blue.html");
    second->Load("korvtest://site/blue.html");
    ASSERT_TRUE(listener_->WaitForFrame(kBlue, 320, 240));
    ASSERT_TRUE(secondListener->WaitForFrame(kBlue, 160, 100));

    first.reset();
    // The engine lets go of the closed view's listener on its own thread.
    EXPECT_TRUE(secondListener->NextFramesFilled(kBlue, 5));
    std::weak_ptr<RecordingListener> closed = listener_;
    listener_.reset();
    EXPECT_TRUE(secondListener->NextFramesFilled(kBlue, 5));
    EXPECT_TRUE(closed.expired());
}

TEST(WebEngineStartTest, WithoutADisplayTheEngineGivesAReasonAndNoViews) {
    test::ScopedEnv noDisplay("DISPLAY", std::nullopt);
    platform::WebEngine& engine = platform::SystemWebEngine();
    std::string failure = engine.Start();
    EXPECT_NE(failure.find("display"), std::string::npos) << failure;
    EXPECT_FALSE(engine.Running());
    EXPECT_EQ(engine.CreateView({}, std::make_shared<platform::WebViewListener>()), nullptr);
    EXPECT_EQ(engine.Start(), failure);
    engine.Shutdown(1000);
}

TEST(WebEngineStartTest, AMissingModuleGivesAReasonAndNoViews) {
    test::TempDir folder;
    std::string missing = (folder / "korv-webkit.so").string();
    test::ScopedEnv module("KORV_WEBKIT_MODULE", missing);
    platform::WebEngine& engine = platform::SystemWebEngine();
    std::string failure = engine.Start();
    EXPECT_NE(failure.find(missing), std::string::npos) << failure;
    EXPECT_FALSE(engine.Running());
    EXPECT_FALSE(platform::WebEngineWasStarted());
    EXPECT_EQ(engine.CreateView({}, std::make_shared<platform::WebViewListener>()), nullptr);
    EXPECT_EQ(engine.Start(), failure);
    engine.Shutdown(1000);
}

TEST(WebEngineStartTest, AModuleThatIsNoLibraryGivesTheLoadersReason) {
    test::TempDir folder;
    std::string broken = (folder / "korv-webkit.so").string();
    test::WriteFileBytes(broken, "not a shared library");
    test::ScopedEnv module("KORV_WEBKIT_MODULE", broken);
    std::string failure = platform::SystemWebEngine().Start();
    EXPECT_NE(failure.find("could not be loaded"), std::string::npos) << failure;
    EXPECT_FALSE(platform::SystemWebEngine().Running());
}

// Page pictures: premultiplied 32-bit pixels in the machine's byte order.
TEST(SnapshotPixelsTest, PixelsAreMadeOpaqueOverWhite) {
    const int width = 3, height = 2, stride = 16;  // four bytes of padding per row
    std::vector<uint32_t> rows(stride / 4 * height, 0xDEADBEEF);
    rows[0] = 0xFF102030;  // opaque
    rows[1] = 0x00000000;  // transparent: white
    rows[2] = 0x80400000;  // half transparent red, premultiplied
    rows[4] = 0x7F000000;  // half transparent black
    rows[5] = 0xFFFFFFFF;
    rows[6] = 0xC0C0C0C0;
    std::vector<uint32_t> out;
    ASSERT_TRUE(platform::webkit::ConvertSnapshotPixels(reinterpret_cast<const uint8_t*>(rows.data()), width, height,
                                                        stride, true, out));
    EXPECT_EQ(out, (std::vector<uint32_t>{0x102030, 0xFFFFFF, 0xBF7F7F, 0x808080, 0xFFFFFF, 0xFFFFFF}));

    // Without alpha the top byte means nothing.
    ASSERT_TRUE(platform::webkit::ConvertSnapshotPixels(reinterpret_cast<const uint8_t*>(rows.data()), width, height,
                                                        stride, false, out));
    EXPECT_EQ(out, (std::vector<uint32_t>{0x102030, 0x000000, 0x400000, 0x000000, 0xFFFFFF, 0xC0C0C0}));
}

TEST(SnapshotPixelsTest, SizesThatDoNotFitAreRefused) {
    std::vector<uint32_t> pixels(16, 0xFF000000);
    const auto* data = reinterpret_cast<const uint8_t*>(pixels.data());
    std::vector<uint32_t> out{1, 2, 3};
    EXPECT_FALSE(platform::webkit::ConvertSnapshotPixels(data, 4, 4, 12, true, out));  // rows overlap
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(platform::webkit::ConvertSnapshotPixels(data, 0, 4, 16, true, out));
    EXPECT_FALSE(platform::webkit::ConvertSnapshotPixels(data, 4, -1, 16, true, out));
    EXPECT_FALSE(platform::webkit::ConvertSnapshotPixels(nullptr, 4, 4, 16, true, out));
}

}  // namespace
}  // namespace korv
