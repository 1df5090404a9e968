#include "platform/webkit/page_view.h"

#include "platform/webkit/engine_thread.h"
#include "platform/webkit/snapshot_pixels.h"

namespace korv::platform::webkit {

namespace {

void ApplyPageSettings(WebKitWebView* view) {
    WebKitSettings* settings = webkit_web_view_get_settings(view);
    webkit_settings_set_enable_javascript(settings, TRUE);
    webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);
    webkit_settings_set_enable_developer_extras(settings, FALSE);
    // The Flash player makes its sound with WebAudio, without any click.
    webkit_settings_set_enable_webaudio(settings, TRUE);
    webkit_settings_set_media_playback_requires_user_gesture(settings, FALSE);
}

class PageViewHandle final : public WebView {
public:
    explicit PageViewHandle(std::shared_ptr<PageView> view) : view_(std::move(view)) {}
    ~PageViewHandle() override {
        EngineThread::Post([view = std::move(view_)] { view->Close(); });
    }
    void Load(const std::string& url) override {
        EngineThread::Post([view = view_, url] { view->Load(url); });
    }
    void RunScript(const std::string& script) override {
        EngineThread::Post([view = view_, script] { view->RunScript(script); });
    }
    void Resize(Size size) override {
        EngineThread::Post([view = view_, size] { view->Resize(size); });
    }
    void SetFrameInterval(uint32_t ms) override {
        EngineThread::Post([view = view_, ms] { view->SetFrameInterval(ms); });
    }
    void Click(Point point) override {
        EngineThread::Post([view = view_, point] { view->Click(point); });
    }

private:
    std::shared_ptr<PageView> view_;
};

}  // namespace

PageView::PageView(const WebViewOptions& options, std::shared_ptr<WebViewListener> listener)
    : size_(options.size), frameIntervalMs_(options.frameIntervalMs), listener_(std::move(listener)) {}

void PageView::Open(WebKitWebContext* context) {
    if (!listener_) return;
    WebKitUserContentManager* scripts = webkit_user_content_manager_new();
    WebKitWebsitePolicies* policies = webkit_website_policies_new_with_policies("autoplay", WEBKIT_AUTOPLAY_ALLOW, nullptr);
    view_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, "user-content-manager", scripts,
                                         "website-policies", policies, nullptr));
    g_object_unref(policies);
    g_object_unref(scripts);
    ApplyPageSettings(view_);
    ConnectPageEvents(view_, this);
    window_ = gtk_offscreen_window_new();
    gtk_widget_set_size_request(GTK_WIDGET(view_), size_.width, size_.height);
    gtk_window_set_default_size(GTK_WINDOW(window_), size_.width, size_.height);
    gtk_container_add(GTK_CONTAINER(window_), GTK_WIDGET(view_));
    gtk_widget_show_all(window_);
    RestartFrameTimer();
}

void PageView::Load(const std::string& url) {
    if (view_) webkit_web_view_load_uri(view_, url.c_str());
}

void PageView::RunScript(const std::string& script) {
    if (view_)
        webkit_web_view_evaluate_javascript(view_, script.c_str(), static_cast<gssize>(script.size()), nullptr, nullptr,
                                            nullptr, nullptr, nullptr);
}

void PageView::Resize(Size size) {
    if (!view_ || size.width <= 0 || size.height <= 0) return;
    size_ = size;
    // An off-screen window is as large as its default size and its child's
    // request together, so both change.
    gtk_widget_set_size_request(GTK_WIDGET(view_), size.width, size.height);
    gtk_window_set_default_size(GTK_WINDOW(window_), size.width, size.height);
    gtk_window_resize(GTK_WINDOW(window_), size.width, size.height);
}

void PageView::SetFrameInterval(uint32_t ms) {
    frameIntervalMs_ = ms;
    if (view_) RestartFrameTimer();
}

void PageView::Click(Point point) {
    if (!view_) return;
    SendButton(GDK_BUTTON_PRESS, point);
    SendButton(GDK_BUTTON_RELEASE, point);
}

void PageView::SendButton(GdkEventType type, Point point) {
    GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(view_));
    if (!window) return;
    GdkEvent* event = gdk_event_new(type);
    event->button.window = GDK_WINDOW(g_object_ref(window));
    event->button.send_event = TRUE;
    event->button.time = GDK_CURRENT_TIME;
    event->button.x = point.x;
    event->button.y = point.y;
    event->button.x_root = point.x;
    event->button.y_root = point.y;
    event->button.button = 1;
    event->button.state = type == GDK_BUTTON_RELEASE ? GDK_BUTTON1_MASK : 0;
    GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(window));
    if (seat) gdk_event_set_device(event, gdk_seat_get_pointer(seat));
    gtk_main_do_event(event);
    gdk_event_free(event);
}

void PageView::Close() {
    if (frameTimer_) g_source_remove(frameTimer_);
    frameTimer_ = 0;
    if (view_) DisconnectPageEvents(view_, this);
    if (window_) gtk_widget_destroy(window_);
    window_ = nullptr;
    view_ = nullptr;
    listener_.reset();
}

void PageView::Report(const WebPageEvent& event) {
    if (listener_) listener_->OnPageEvent(event);
}

void PageView::ReportScriptMessage(const std::string& message) {
    if (listener_) listener_->OnScriptMessage(message);
}

void PageView::RestartFrameTimer() {
    if (frameTimer_) g_source_remove(frameTimer_);
    frameTimer_ = frameIntervalMs_ > 0 ? g_timeout_add(frameIntervalMs_, OnFrameTimer, this) : 0;
}

gboolean PageView::OnFrameTimer(gpointer data) {
    auto* self = static_cast<PageView*>(data);
    // One picture at a time: a slow page gets fewer pictures, not a queue.
    if (self->view_ && !self->snapshotPending_) {
        self->snapshotPending_ = true;
        webkit_web_view_get_snapshot(self->view_, WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_OPTIONS_NONE, nullptr,
                                     OnSnapshot, new std::shared_ptr<PageView>(self->shared_from_this()));
    }
    return G_SOURCE_CONTINUE;
}

void PageView::OnSnapshot(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<std::shared_ptr<PageView>> kept(static_cast<std::shared_ptr<PageView>*>(data));
    PageView& self = **kept;
    self.snapshotPending_ = false;
    cairo_surface_t* surface = webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(source), result, nullptr);
    if (!surface) return;
    if (self.listener_) self.DeliverSnapshot(surface);
    cairo_surface_destroy(surface);
}

void PageView::DeliverSnapshot(cairo_surface_t* surface) {
    if (cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) return;
    cairo_format_t format = cairo_image_surface_get_format(surface);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) return;
    cairo_surface_flush(surface);
    int width = cairo_image_surface_get_width(surface);
    int height = cairo_image_surface_get_height(surface);
    if (!ConvertSnapshotPixels(cairo_image_surface_get_data(surface), width, height,
                               cairo_image_surface_get_stride(surface), format == CAIRO_FORMAT_ARGB32, pixels_))
        return;
    listener_->OnFrame(WebFrame{pixels_.data(), width, height, width});
}

std::unique_ptr<WebView> MakePageViewHandle(std::shared_ptr<PageView> view) {
    return std::make_unique<PageViewHandle>(std::move(view));
}

}  // namespace korv::platform::webkit
