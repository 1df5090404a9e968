#pragma once
// The browser engine of the module: WebKitGTK on a thread of its own, with
// one ephemeral web context for all views.

#include <webkit2/webkit2.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/web_engine.h"
#include "platform/webkit/engine_thread.h"

namespace korv::platform::webkit {

class WebKitEngine final : public WebEngine {
public:
    std::string Start() override;
    bool Running() const override;
    void RegisterScheme(const std::string& scheme, WebResourceProvider provider) override;
    std::unique_ptr<WebView> CreateView(const WebViewOptions& options,
                                        std::shared_ptr<WebViewListener> listener) override;
    void Shutdown(uint32_t timeoutMs) override;

private:
    // On the engine's thread: the context and what waited for it.
    std::string CreateContext();

    mutable std::mutex mutex_;
    bool started_ = false;
    bool running_ = false;
    bool ended_ = false;
    std::string answer_;
    EngineThread thread_;
    WebKitWebContext* context_ = nullptr;  // used on the engine's thread only
    std::mutex schemesMutex_;
    bool contextMade_ = false;
    std::vector<std::pair<std::string, WebResourceProvider>> pendingSchemes_;
};

}  // namespace korv::platform::webkit
