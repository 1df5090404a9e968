#include "media/video/avi_wait_player.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "media/video/mci_error.h"

namespace korv {
namespace {

// The longest slice of a wait, so that a closed window ends it in time.
constexpr int64_t kLongestSliceMs = 100;

}  // namespace

CAviWaitPlayer::CAviWaitPlayer(MediaHost& host) : host_(host), lastError_(MciErrorText(0)) {}

CAviWaitPlayer::~CAviWaitPlayer() {
    std::lock_guard lock(mutex_);
    playback_.reset();
    video_.reset();
    DeleteFile();
    child_.reset();
}

bool CAviWaitPlayer::Run(bool repeat, int x, int y, const std::string& fileName, platform::Clock& clock,
                         const platform::Event& stop) {
    {
        std::lock_guard lock(mutex_);
        fileName_ = fileName;
        if (closed_) return false;
        child_ = host_.CreateMediaChild(Rect{x, y, x, y});
        if (!child_) return false;
        if (Open(fileName)) {
            std::unique_ptr<platform::ChildWindow> placed = host_.CreateMediaChild(Rect{x, y, x + aviWidth_, y + aviHeight_});
            if (placed) child_ = std::move(placed);
        }
        host_.HidePointer();
        child_->SetVisible(true);
    }
    Play(repeat, clock, stop);
    return true;
}

bool CAviWaitPlayer::Open(const std::string& fileName) {
    platform::VideoOpenResult opened = platform::OpenVideoFile(fileName);
    if (!opened.file) {
        lastError_ = MciErrorText(MciErrorCode(opened.error));
        return false;
    }
    video_ = std::move(opened.file);
    aviWidth_ = video_->Width();
    aviHeight_ = video_->Height();
    return true;
}

void CAviWaitPlayer::Play(bool repeat, platform::Clock& clock, const platform::Event& stop) {
    int64_t durationMs = 0;
    uint32_t start = 0;
    {
        std::lock_guard lock(mutex_);
        // A failed open keeps its error text.
        if (!video_ || !child_ || closed_) return;
        durationMs = video_->DurationMs();
        playback_ = std::make_unique<VideoPlayback>(*video_, *child_, clock, repeat);
        start = playback_->StartTick();
    }
    bool interrupted = false;
    for (;;) {
        if (closed_) {
            interrupted = true;
            break;
        }
        int64_t elapsed = static_cast<int32_t>(clock.TickCount() - start);
        int64_t slice = kLongestSliceMs;
        if (!repeat) {
            if (durationMs > 0) {
                if (elapsed >= durationMs) break;
                slice = std::clamp<int64_t>(durationMs - elapsed, 1, kLongestSliceMs);
            } else {
                // A length the container does not tell: until the pictures end.
                std::lock_guard lock(mutex_);
                if (!playback_ || playback_->Ended()) break;
            }
        }
        if (clock.WaitFor(stop, static_cast<uint32_t>(slice))) {
            interrupted = true;
            break;
        }
    }
    if (interrupted) {
        std::lock_guard lock(mutex_);
        playback_.reset();
    }
}

void CAviWaitPlayer::Finish() {
    std::lock_guard lock(mutex_);
    playback_.reset();
    video_.reset();
    DeleteFile();
}

void CAviWaitPlayer::CloseWindow() {
    closed_ = true;
    std::lock_guard lock(mutex_);
    playback_.reset();
    child_.reset();
}

void CAviWaitPlayer::DeleteFile() {
    if (fileName_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove(fileName_, ignored);
}

}  // namespace korv
