#include "platform/webkit/webkit_engine.h"

#include "platform/webkit/page_events.h"
#include "platform/webkit/page_view.h"
#include "platform/webkit/sandbox_probe.h"
#include "platform/webkit/scheme_handler.h"

namespace korv::platform::webkit {

namespace {

constexpr std::chrono::seconds kStartTimeout{15};

// Downloads are refused as soon as they start, before anything is written.
void OnDownloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer) {
    std::string address;
    if (WebKitURIRequest* request = webkit_download_get_request(download))
        if (const char* uri = webkit_uri_request_get_uri(request)) address = uri;
    webkit_download_cancel(download);
    if (WebKitWebView* view = webkit_download_get_web_view(download))
        if (PageEventSink* sink = PageEventSinkOf(view))
            sink->Report(WebPageEvent{WebPageEventKind::DownloadRefused, 0, 0, address});
}

}  // namespace

std::string WebKitEngine::Start() {
    std::lock_guard lock(mutex_);
    if (started_) return answer_;
    started_ = true;
    answer_ = CheckEngineNeeds();
    if (answer_.empty()) answer_ = thread_.Start([this] { return CreateContext(); }, kStartTimeout);
    running_ = answer_.empty();
    return answer_;
}

std::string WebKitEngine::CreateContext() {
    context_ = webkit_web_context_new_ephemeral();
    if (!context_) return "the browser engine could not make its web context";
    if (WebProcessSandboxWorks()) webkit_web_context_set_sandbox_enabled(context_, TRUE);
    // Without them some pages build an invalid language tag from LANG=C.UTF-8.
    const char* languages[] = {"en-US", "en", nullptr};
    webkit_web_context_set_preferred_languages(context_, languages);
    webkit_web_context_set_cache_model(context_, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
    webkit_web_context_set_spell_checking_enabled(context_, FALSE);
    g_signal_connect(context_, "download-started", G_CALLBACK(OnDownloadStarted), nullptr);
    // Schemes registered before the start; later ones come as tasks.
    std::lock_guard lock(schemesMutex_);
    contextMade_ = true;
    for (auto& [scheme, provider] : pendingSchemes_) RegisterSchemeHandler(context_, scheme, std::move(provider));
    pendingSchemes_.clear();
    return {};
}

bool WebKitEngine::Running() const {
    std::lock_guard lock(mutex_);
    return running_ && !ended_;
}

void WebKitEngine::RegisterScheme(const std::string& scheme, WebResourceProvider provider) {
    std::lock_guard lock(schemesMutex_);
    if (!contextMade_) {
        pendingSchemes_.emplace_back(scheme, std::move(provider));
        return;
    }
    EngineThread::Post([this, scheme, provider = std::move(provider)]() mutable {
        RegisterSchemeHandler(context_, scheme, std::move(provider));
    });
}

std::unique_ptr<WebView> WebKitEngine::CreateView(const WebViewOptions& options,
                                                  std::shared_ptr<WebViewListener> listener) {
    if (!Running()) return nullptr;
    if (!listener) listener = std::make_shared<WebViewListener>();
    auto view = std::make_shared<PageView>(options, std::move(listener));
    EngineThread::Post([this, view] { view->Open(context_); });
    return MakePageViewHandle(view);
}

void WebKitEngine::Shutdown(uint32_t timeoutMs) {
    {
        std::lock_guard lock(mutex_);
        if (ended_) return;
        ended_ = true;
    }
    thread_.Stop(std::chrono::milliseconds(timeoutMs));
}

}  // namespace korv::platform::webkit

extern "C" __attribute__((visibility("default"))) korv::platform::WebEngine* KorvCreateWebEngine() {
    return new korv::platform::webkit::WebKitEngine;
}
