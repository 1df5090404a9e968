#include "media/flash/flash_stage.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "media/flash/flash_player_files.h"
#include "platform/web_frame_drawing.h"
#include "saver/log.h"

namespace korv {

namespace {

constexpr Size kFirstViewSize{640, 480};
// Pictures of a page before its movie says its rate, and the bounds of the
// pace a movie's rate gives.
constexpr uint32_t kIdleFrameMs = 100;
constexpr uint32_t kFastestFrameMs = 16;
constexpr uint32_t kSlowestFrameMs = 100;
// How long the engine and the page get to start, in real time.
constexpr auto kPageStartLimit = std::chrono::seconds(30);

uint32_t FrameIntervalFor(double frameRate) {
    if (frameRate <= 0) return kFastestFrameMs * 2;
    return std::clamp(static_cast<uint32_t>(1000.0 / frameRate), kFastestFrameMs, kSlowestFrameMs);
}

}  // namespace

// Hears the player page, and the clicks on a movie's area that reach it.
class FlashStage::PageListener : public platform::WebViewListener, public platform::WindowHandler {
public:
    explicit PageListener(FlashStage* stage) : stage_(stage) {}
    void OnFrame(const platform::WebFrame& frame) override { stage_->OnFrame(frame); }
    void OnScriptMessage(const std::string& message) override { stage_->OnPageMessage(message); }
    void OnButtonDown(platform::MouseButton button, Point client) override {
        if (button == platform::MouseButton::Left) stage_->OnClick(client);
    }

private:
    FlashStage* stage_;
};

FlashStage& FlashStage::Instance() {
    // Lives as long as the process: the engine's thread may call it until
    // the very end.
    static FlashStage* stage = new FlashStage;
    return *stage;
}

void FlashStage::Prepare() {
    {
        std::lock_guard lock(mutex_);
        if (state_ != State::Idle) return;
        state_ = State::Starting;
    }
    // Starting the engine takes a second or two: never on the caller's time.
    std::thread([this] { StartPage(); }).detach();
}

void FlashStage::StartPage() {
    platform::WebEngine& engine = platform::SystemWebEngine();
    std::string failure = engine.Start();
    if (failure.empty() && !IsFlashInstalled()) failure = "the Flash player's files are not installed";
    if (failure.empty()) {
        engine.RegisterScheme(kFlashScheme, [this](const std::string& path) -> std::optional<platform::WebResource> {
            platform::WebResource resource;
            resource.contentType = FlashPlayerContentType(path);
            if (path == "/player.html") {
                std::string page = FlashPlayerPageHtml();
                resource.bytes.assign(page.begin(), page.end());
                return resource;
            }
            if (path.starts_with("/ruffle/")) {
                std::optional<std::string> file = ReadFlashPlayerFile(path.substr(8));
                if (!file) return std::nullopt;
                resource.bytes.assign(file->begin(), file->end());
                return resource;
            }
            std::lock_guard lock(mutex_);
            if (play_ != 0 && path == FlashMovieAddress(play_).substr(std::string("korv-flash://player").size())) {
                resource.bytes = movie_;
                return resource;
            }
            return std::nullopt;
        });
        auto listener = std::make_shared<PageListener>(this);
        platform::WebViewOptions options;
        options.size = kFirstViewSize;
        options.frameIntervalMs = kIdleFrameMs;
        std::unique_ptr<platform::WebView> view = engine.CreateView(options, listener);
        if (view) {
            view->Load(kFlashPageAddress);
            std::lock_guard lock(mutex_);
            pageListener_ = listener;
            view_ = std::move(view);
            area_ = kFirstViewSize;
            // The page says "ready" once the player runs.
            return;
        }
        failure = "the browser engine made no view";
    }
    std::lock_guard lock(mutex_);
    state_ = State::Failed;
    failure_ = failure;
    changed_.notify_all();
}

std::string FlashStage::WaitUntilReady(uint32_t timeoutMs, const platform::Event& abort) {
    Prepare();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const auto pageDeadline = std::chrono::steady_clock::now() + kPageStartLimit;
    std::unique_lock lock(mutex_);
    while (state_ == State::Starting) {
        const auto now = std::chrono::steady_clock::now();
        if (abort.IsSet()) return "stopped while the Flash player started";
        if (now >= deadline) return "the Flash player did not start in time";
        if (now >= pageDeadline) {
            state_ = State::Failed;
            failure_ = "the Flash player page did not start";
            break;
        }
        // Short slices: the abort event has no way to wake this wait.
        changed_.wait_for(lock, std::chrono::milliseconds(20));
    }
    return state_ == State::Ready ? std::string() : failure_;
}

uint64_t FlashStage::Play(std::vector<uint8_t> movie, MediaHost* host, Rect area, FlashPlayOptions options,
                          bool takesClicks, PlayListener* listener) {
    std::shared_ptr<PageListener> clicks;
    if (takesClicks) {
        std::lock_guard lock(mutex_);
        clicks = pageListener_;
    }
    std::unique_ptr<platform::ChildWindow> oldChild;
    // The child is made outside the lock: it takes its window's drawing lock.
    std::unique_ptr<platform::ChildWindow> child = host ? host->CreateMediaChild(area, clicks.get()) : nullptr;
    std::lock_guard lock(mutex_);
    if (state_ != State::Ready || !view_) return 0;
    oldChild = std::move(child_);
    child_ = std::move(child);
    play_ = ++lastPlay_;
    movie_ = std::move(movie);
    listener_ = listener;
    moviePicture_ = false;
    Size size{std::max(1, area.Width()), std::max(1, area.Height())};
    if (size.width != area_.width || size.height != area_.height) {
        view_->Resize(size);
        area_ = size;
    }
    view_->SetFrameInterval(kIdleFrameMs);
    options.muted = muted_;
    view_->RunScript(FlashPlayScript(play_, options));
    return play_;
}

void FlashStage::Stop(uint64_t play) {
    std::unique_ptr<platform::ChildWindow> child;
    {
        std::lock_guard lock(mutex_);
        if (play == 0 || play != play_) return;
        play_ = 0;
        listener_ = nullptr;
        movie_.clear();
        movie_.shrink_to_fit();
        child = std::move(child_);
        if (view_) {
            view_->RunScript(FlashStopScript());
            view_->SetFrameInterval(0);
        }
    }
    // Destroyed outside the lock: a child takes its window's drawing lock.
    if (child) child->SetVisible(false);
}

void FlashStage::OnClick(Point point) {
    std::lock_guard lock(mutex_);
    if (play_ != 0 && view_) view_->Click(point);
}

void FlashStage::Pause(uint64_t play) {
    std::lock_guard lock(mutex_);
    if (play != 0 && play == play_ && view_) view_->RunScript(FlashStopScript());
}

void FlashStage::SetMuted(bool muted) {
    std::lock_guard lock(mutex_);
    if (muted_ == muted) return;
    muted_ = muted;
    if (view_) view_->RunScript(FlashVolumeScript(muted));
}

void FlashStage::OnPageMessage(const std::string& text) {
    std::optional<FlashPageMessage> message = ParseFlashPageMessage(text);
    if (!message) return;
    std::lock_guard lock(mutex_);
    if (message->kind == FlashPageMessage::Ready) {
        if (state_ == State::Starting) {
            state_ = State::Ready;
            view_->SetFrameInterval(0);
            changed_.notify_all();
        }
        return;
    }
    if (message->kind == FlashPageMessage::Failed && message->play == 0) {
        if (state_ == State::Starting) {
            state_ = State::Failed;
            failure_ = "the Flash player page failed: " + message->text;
            changed_.notify_all();
        }
        return;
    }
    if (message->play != play_ || !listener_) return;
    switch (message->kind) {
    case FlashPageMessage::Loaded:
        if (view_) view_->SetFrameInterval(FrameIntervalFor(message->frameRate));
        moviePicture_ = true;
        listener_->OnMovieLoaded(message->actionScript3, message->frameCount, message->frameRate);
        return;
    case FlashPageMessage::Frame: listener_->OnFrameReached(message->frame); return;
    case FlashPageMessage::Ended: listener_->OnMovieEnded(); return;
    case FlashPageMessage::Failed: listener_->OnMovieFailed(message->text); return;
    case FlashPageMessage::Ready: return;
    }
}

void FlashStage::OnFrame(const platform::WebFrame& frame) {
    std::lock_guard lock(mutex_);
    if (!child_ || !moviePicture_) return;
    child_->Draw([&frame](platform::Surface& surface) { platform::DrawWebFrame(frame, surface); });
    if (!child_->Visible()) child_->SetVisible(true);
}

}  // namespace korv
