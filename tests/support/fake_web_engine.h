#pragma once
// A web engine without a browser, for tests of what drives one: it records
// what views were made, what they loaded and ran, and lets a test make a
// view report page events, pictures and script messages.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/surface.h"
#include "platform/web_engine.h"

namespace korv::test {

class FakeWebEngine : public platform::WebEngine {
public:
    struct ViewRecord {
        platform::WebViewOptions options;
        std::shared_ptr<platform::WebViewListener> listener;
        std::vector<std::string> loads;
        std::vector<std::string> scripts;
        std::vector<Point> clicks;
        Size size;
        bool closed = false;
    };

    // What Start answers: empty when the engine "runs".
    std::string startFailure;

    std::string Start() override {
        std::lock_guard lock(mutex_);
        started_ = true;
        return startFailure;
    }
    bool Running() const override {
        std::lock_guard lock(mutex_);
        return started_ && startFailure.empty();
    }
    void RegisterScheme(const std::string& scheme, platform::WebResourceProvider provider) override {
        std::lock_guard lock(mutex_);
        schemes_.push_back({scheme, std::move(provider)});
    }
    std::unique_ptr<platform::WebView> CreateView(const platform::WebViewOptions& options,
                                                  std::shared_ptr<platform::WebViewListener> listener) override {
        std::lock_guard lock(mutex_);
        if (!started_ || !startFailure.empty()) return nullptr;
        auto record = std::make_shared<ViewRecord>();
        record->options = options;
        record->size = options.size;
        record->listener = std::move(listener);
        views_.push_back(record);
        return std::make_unique<View>(this, record);
    }
    void Shutdown(uint32_t) override {}

    size_t ViewCount() const {
        std::lock_guard lock(mutex_);
        return views_.size();
    }
    // A copy of view `index`'s record (in order of creation).
    ViewRecord Record(size_t index) const {
        std::lock_guard lock(mutex_);
        return *views_.at(index);
    }
    platform::WebViewListener& Listener(size_t index) const {
        std::lock_guard lock(mutex_);
        return *views_.at(index)->listener;
    }
    // Answers a request of a registered scheme as the engine would.
    std::optional<platform::WebResource> Fetch(const std::string& scheme, const std::string& path) const {
        std::lock_guard lock(mutex_);
        for (const auto& [name, provider] : schemes_)
            if (name == scheme) return provider(path);
        return std::nullopt;
    }
    // Sends view `index` a picture filled with `colour` (0x00RRGGBB).
    void SendFrame(size_t index, uint32_t colour) const {
        ViewRecord record = Record(index);
        std::vector<uint32_t> pixels(static_cast<size_t>(record.size.width) * record.size.height, colour);
        platform::WebFrame frame{pixels.data(), record.size.width, record.size.height, record.size.width};
        record.listener->OnFrame(frame);
    }

private:
    class View : public platform::WebView {
    public:
        View(FakeWebEngine* engine, std::shared_ptr<ViewRecord> record) : engine_(engine), record_(std::move(record)) {}
        ~View() override {
            std::lock_guard lock(engine_->mutex_);
            record_->closed = true;
        }
        void Load(const std::string& url) override {
            std::lock_guard lock(engine_->mutex_);
            record_->loads.push_back(url);
        }
        void RunScript(const std::string& script) override {
            std::lock_guard lock(engine_->mutex_);
            record_->scripts.push_back(script);
        }
        void Resize(Size size) override {
            std::lock_guard lock(engine_->mutex_);
            record_->size = size;
        }
        void SetFrameInterval(uint32_t ms) override {
            std::lock_guard lock(engine_->mutex_);
            record_->options.frameIntervalMs = ms;
        }
        void Click(Point point) override {
            std::lock_guard lock(engine_->mutex_);
            record_->clicks.push_back(point);
        }

    private:
        FakeWebEngine* engine_;
        std::shared_ptr<ViewRecord> record_;
    };

    mutable std::mutex mutex_;
    bool started_ = false;
    std::vector<std::pair<std::string, platform::WebResourceProvider>> schemes_;
    std::vector<std::shared_ptr<ViewRecord>> views_;
};

}  // namespace korv::test
