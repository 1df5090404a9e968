// The process's browser engine until the WebKitGTK module is loaded here:
// an engine that never starts, unless a test sets one of its own.

#include <atomic>

#include "platform/web_engine.h"

namespace korv::platform {

namespace {

class AbsentWebEngine : public WebEngine {
public:
    std::string Start() override { return "no browser engine"; }
    bool Running() const override { return false; }
    void RegisterScheme(const std::string&, WebResourceProvider) override {}
    std::unique_ptr<WebView> CreateView(const WebViewOptions&, std::shared_ptr<WebViewListener>) override {
        return nullptr;
    }
    void Shutdown(uint32_t) override {}
};

std::atomic<WebEngine*> replacement{nullptr};

}  // namespace

WebEngine& SystemWebEngine() {
    static AbsentWebEngine absent;
    WebEngine* engine = replacement.load();
    return engine ? *engine : absent;
}

void SetSystemWebEngine(WebEngine* engine) { replacement.store(engine); }

bool WebEngineWasStarted() { return false; }

}  // namespace korv::platform
