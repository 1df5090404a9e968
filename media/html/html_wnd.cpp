#include "media/html/html_wnd.h"

#include <atomic>
#include <mutex>

#include "media/html/html_view_events.h"
#include "platform/display.h"
#include "platform/web_engine.h"
#include "platform/web_frame_drawing.h"
#include "saver/log.h"

namespace korv {

namespace {

// The engine whose start failure was last written, so the reason is
// written once and not for every view.
std::atomic<platform::WebEngine*> reportedEngine{nullptr};

}  // namespace

// What the engine and the child's input talk to. The engine keeps its own
// reference and calls it on its thread, so everything here is guarded and
// checks that the child and the view still exist.
class CHtmlWnd::Page : public platform::WebViewListener, public platform::WindowHandler {
public:
    explicit Page(bool input) : input_(input) {}

    void Attach(std::unique_ptr<platform::ChildWindow> child, std::unique_ptr<platform::WebView> view) {
        std::lock_guard lock(mutex_);
        child_ = std::move(child);
        view_ = std::move(view);
    }
    bool HasChild() const {
        std::lock_guard lock(mutex_);
        return child_ != nullptr;
    }
    void Load(const std::string& url) {
        std::lock_guard lock(mutex_);
        if (view_) view_->Load(url);
    }
    void Hide() {
        std::lock_guard lock(mutex_);
        hidden_ = true;
        if (child_) child_->SetVisible(false);
    }
    // The view goes first, then the child, both outside the lock.
    void Detach() {
        std::unique_ptr<platform::ChildWindow> child;
        std::unique_ptr<platform::WebView> view;
        {
            std::lock_guard lock(mutex_);
            hidden_ = true;
            child = std::move(child_);
            view = std::move(view_);
        }
        view.reset();
        child.reset();
    }
    platform::Surface LastFrame() const {
        std::lock_guard lock(mutex_);
        return lastFrame_;
    }

    void OnPageEvent(const platform::WebPageEvent& event) override {
        LogHtmlViewEvent(event);
        if (event.kind != platform::WebPageEventKind::LoadFinished) return;
        // The view is a picture: no scroll bars.
        std::lock_guard lock(mutex_);
        if (view_) view_->RunScript(kHideScrollBarsScript);
    }
    void OnFrame(const platform::WebFrame& frame) override {
        std::lock_guard lock(mutex_);
        if (!child_ || hidden_) return;
        Rect bounds = child_->Bounds();
        if (lastFrame_.Width() != bounds.Width() || lastFrame_.Height() != bounds.Height())
            lastFrame_ = platform::Surface(bounds.Width(), bounds.Height());
        platform::DrawWebFrame(frame, lastFrame_);
        child_->Draw([&](platform::Surface& surface) { platform::DrawWebFrame(frame, surface); });
        if (!child_->Visible()) child_->SetVisible(true);
    }
    void OnButtonDown(platform::MouseButton button, Point client) override {
        if (button != platform::MouseButton::Left || !input_) return;
        std::lock_guard lock(mutex_);
        if (view_) view_->Click(client);
    }

private:
    const bool input_;
    mutable std::mutex mutex_;
    std::unique_ptr<platform::ChildWindow> child_;
    std::unique_ptr<platform::WebView> view_;
    platform::Surface lastFrame_;
    bool hidden_ = false;
};

CHtmlWnd::CHtmlWnd(MediaHost* host, bool input) : host_(host), input_(input), page_(std::make_shared<Page>(input)) {}

CHtmlWnd::~CHtmlWnd() { Close(); }

bool CHtmlWnd::Create(Rect bounds, const std::string& url) {
    url_ = url;
    FileLog("Html Open");
    if (!host_) return false;
    std::unique_ptr<platform::ChildWindow> child = host_->CreateMediaChild(bounds, input_ ? page_.get() : nullptr);
    if (!child) return false;
    platform::WebEngine& engine = platform::SystemWebEngine();
    std::string failure = engine.Start();
    if (!failure.empty()) {
        if (reportedEngine.exchange(&engine) != &engine) FileLog("Html engine unavailable: " + failure);
        return false;
    }
    platform::WebViewOptions options;
    options.size = {bounds.Width(), bounds.Height()};
    options.frameIntervalMs = kFrameIntervalMs;
    std::unique_ptr<platform::WebView> view = engine.CreateView(options, page_);
    if (!view) return false;
    page_->Attach(std::move(child), std::move(view));
    FileLog("Html Create");
    return true;
}

void CHtmlWnd::Navigate() {
    FileLog("Html Load");
    page_->Load(url_);
}

bool CHtmlWnd::HasWindow() const { return page_->HasChild(); }

void CHtmlWnd::Hide() { page_->Hide(); }

void CHtmlWnd::Close() {
    if (!page_->HasChild()) return;
    FileLog("Html Close");
    page_->Detach();
}

platform::Surface CHtmlWnd::LastFrame() const { return page_->LastFrame(); }

}  // namespace korv
