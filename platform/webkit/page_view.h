#pragma once
// One page in a WebKit view inside an off-screen GTK window. The view's
// picture is taken at the view's pace and handed to its listener; the
// caller's WebView handle reaches it only through tasks on the engine's
// thread.

#include <webkit2/webkit2.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/web_engine.h"
#include "platform/webkit/page_events.h"

namespace korv::platform::webkit {

// Lives on the engine's thread: every method but the constructor and the
// destructor is called there.
class PageView final : public PageEventSink, public std::enable_shared_from_this<PageView> {
public:
    PageView(const WebViewOptions& options, std::shared_ptr<WebViewListener> listener);

    // Makes the window and the view in `context`.
    void Open(WebKitWebContext* context);
    void Load(const std::string& url);
    void RunScript(const std::string& script);
    void Resize(Size size);
    void SetFrameInterval(uint32_t ms);
    void Click(Point point);
    // Destroys the window and lets go of the listener; the view is silent
    // from then on.
    void Close();

    void Report(const WebPageEvent& event) override;
    void ReportScriptMessage(const std::string& message) override;

private:
    static gboolean OnFrameTimer(gpointer data);
    static void OnSnapshot(GObject* source, GAsyncResult* result, gpointer data);
    void RestartFrameTimer();
    void DeliverSnapshot(cairo_surface_t* surface);
    void SendButton(GdkEventType type, Point point);

    Size size_;
    uint32_t frameIntervalMs_;
    std::shared_ptr<WebViewListener> listener_;
    GtkWidget* window_ = nullptr;
    WebKitWebView* view_ = nullptr;
    guint frameTimer_ = 0;
    bool snapshotPending_ = false;
    std::vector<uint32_t> pixels_;
};

// The caller's handle of a PageView; closing it closes the view.
std::unique_ptr<WebView> MakePageViewHandle(std::shared_ptr<PageView> view);

}  // namespace korv::platform::webkit
