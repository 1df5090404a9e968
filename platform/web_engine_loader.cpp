// The process's browser engine: a stand-in that loads the WebKit module
// (korv-webkit.so) the first time it is started and then hands every call to
// the engine the module makes. Processes that never start it never pay for
// loading WebKit.

#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/web_engine.h"

namespace korv::platform {

namespace {

namespace fs = std::filesystem;

constexpr const char* kModuleName = "korv-webkit.so";
constexpr const char* kFactoryName = "KorvCreateWebEngine";

using EngineFactory = WebEngine* (*)();

// Where the module may be, in the order they are tried.
std::vector<fs::path> ModuleCandidates() {
    std::vector<fs::path> candidates;
    std::error_code error;
    fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        fs::path folder = program.parent_path();
        candidates.push_back(folder / kModuleName);
        candidates.push_back((folder / ".." / "lib" / "korv" / kModuleName).lexically_normal());
    }
#ifdef KORV_WEBKIT_BUILD_MODULE
    candidates.push_back(KORV_WEBKIT_BUILD_MODULE);
#endif
#ifdef KORV_WEBKIT_INSTALL_FOLDER
    candidates.push_back(fs::path(KORV_WEBKIT_INSTALL_FOLDER) / kModuleName);
#endif
    return candidates;
}

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
        fs::path path;
        const char* chosen = std::getenv("KORV_WEBKIT_MODULE");
        if (chosen && *chosen) {
            path = chosen;
            std::error_code error;
            if (!fs::exists(path, error)) {
                failure = "the browser engine module " + path.string() + " was not found";
                return nullptr;
            }
        } else {
            for (const fs::path& candidate : ModuleCandidates()) {
                std::error_code error;
                if (fs::exists(candidate, error)) {
                    path = candidate;
                    break;
                }
            }
            if (path.empty()) {
                failure = std::string("the browser engine module ") + kModuleName + " was not found";
                return nullptr;
            }
        }
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            const char* reason = dlerror();
            failure = "the browser engine module could not be loaded: " +
                      std::string(reason ? reason : path.string());
            return nullptr;
        }
        auto factory = reinterpret_cast<EngineFactory>(dlsym(module, kFactoryName));
        if (!factory) {
            failure = "the browser engine module " + path.string() + " has no " + kFactoryName;
            return nullptr;
        }
        WebEngine* engine = factory();
        if (!engine) failure = "the browser engine module " + path.string() + " made no engine";
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
