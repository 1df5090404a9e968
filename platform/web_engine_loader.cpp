// The process's browser engine: a stand-in that loads the WebKit module
// (korv-webkit.so) the first time it is started and then hands every call to
// the engine the module makes. Processes that never start it never pay for
// loading WebKit.

#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/module_loader.h"
#include "platform/web_engine.h"

namespace korv::platform {

namespace {

using EngineFactory = WebEngine* (*)();

class ModuleWebEngine final : public WebEngine {
public:
    std::string Start() override {
        std::lock_guard lock(mutex_);
        if (answered_) return answer_;
        answered_ = true;
        WebEngine* engine = LoadModuleEngine(answer_);
        if (!engine) return answer_;
        for (auto& [scheme, provider] : pendingSchemes_) engine->RegisterScheme(scheme, std::move(provider));
        pendingSchemes_.clear();
        started_ = true;
        answer_ = engine->Start();
        engine_.store(engine);
        return answer_;
    }

    bool Running() const override {
        WebEngine* engine = engine_.load();
        return engine && engine->Running();
    }

    void RegisterScheme(const std::string& scheme, WebResourceProvider provider) override {
        std::lock_guard lock(mutex_);
        if (WebEngine* engine = engine_.load())
            engine->RegisterScheme(scheme, std::move(provider));
        else
            pendingSchemes_.emplace_back(scheme, std::move(provider));
    }

    std::unique_ptr<WebView> CreateView(const WebViewOptions& options,
                                        std::shared_ptr<WebViewListener> listener) override {
        WebEngine* engine = engine_.load();
        return engine ? engine->CreateView(options, std::move(listener)) : nullptr;
    }

    void Shutdown(uint32_t timeoutMs) override {
        if (WebEngine* engine = engine_.load()) engine->Shutdown(timeoutMs);
    }

    bool WasStarted() const { return started_.load(); }

private:
    // The module's engine, or nullptr with the reason in `failure`. The
    // module stays loaded for the life of the process.
    static WebEngine* LoadModuleEngine(std::string& failure) {
        static const ModuleInfo info{"korv-webkit.so", "the browser engine module", "KORV_WEBKIT_MODULE",
                                     KORV_WEBKIT_BUILD_MODULE, "KorvCreateWebEngine"};
        auto factory = reinterpret_cast<EngineFactory>(LoadModuleEntry(info, failure));
        if (!factory) return nullptr;
        WebEngine* engine = factory();
        if (!engine) failure = "the browser engine module made no engine";
        return engine;
    }

    std::mutex mutex_;
    bool answered_ = false;
    std::string answer_;
    std::atomic<WebEngine*> engine_{nullptr};
    std::atomic<bool> started_{false};
    std::vector<std::pair<std::string, WebResourceProvider>> pendingSchemes_;
};

ModuleWebEngine& ModuleEngine() {
    // Never destroyed: the engine's thread may outlive static destruction.
    static ModuleWebEngine* engine = new ModuleWebEngine;
    return *engine;
}

std::atomic<WebEngine*> replacement{nullptr};

}  // namespace

WebEngine& SystemWebEngine() {
    WebEngine* engine = replacement.load();
    return engine ? *engine : ModuleEngine();
}

void SetSystemWebEngine(WebEngine* engine) { replacement.store(engine); }

bool WebEngineWasStarted() { return ModuleEngine().WasStarted(); }

}  // namespace korv::platform
