#include "media/video/video_playback.h"
#include "media/sound/sound_output.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/window_composition.h"

namespace korv {
namespace {

// How far the queued sound runs ahead of the picture on the screen. A
// virtual clock may jump by long waits at once, and a mixer that follows it
// needs the sound of the whole jump queued.
constexpr int64_t kSoundLeadMs = 300;
constexpr int64_t kVirtualClockSoundLeadMs = 1000;
// The longest wait between two looks at a clock that is not the real one.
constexpr int64_t kVirtualClockPollMs = 10;
// The longest wait between two looks at the real clock.
constexpr int64_t kRealClockPollMs = 100;

}  // namespace

VideoPlayback::VideoPlayback(platform::VideoFile& file, platform::ChildWindow& child, platform::Clock& clock, bool repeat)
    : file_(file),
      child_(child),
      clock_(clock),
      repeat_(repeat),
      realClock_(dynamic_cast<platform::RealClock*>(&clock) != nullptr),
      startTick_(clock.TickCount()) {
    // The sound's source exists before the caller goes on, so that a mixer
    // on a virtual clock waits for its first samples instead of passing them.
    if (file_.HasAudio()) sound_ = OpenSound(platform::kMixFormat);
    thread_ = std::thread([this] { Play(); });
}

VideoPlayback::~VideoPlayback() { Stop(); }

void VideoPlayback::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    std::lock_guard join(joinMutex_);
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
    if (sound_) sound_->Stop();
}

bool VideoPlayback::WaitUntil(uint32_t passStart, int64_t timeMs) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stopping_) return false;
        int64_t elapsed = static_cast<int32_t>(clock_.TickCount() - passStart);
        if (elapsed >= timeMs) return true;
        int64_t wait = std::min(timeMs - elapsed, realClock_ ? kRealClockPollMs : kVirtualClockPollMs);
        wake_.wait_for(lock, std::chrono::milliseconds(wait), [this] { return stopping_; });
    }
}

void VideoPlayback::FeedSound(int64_t untilMs) {
    if (!sound_) return;
    std::vector<uint8_t> pcm;
    while (!soundDone_ && soundQueuedMs_ < untilMs) {
        if (!file_.NextAudio(pcm)) {
            soundDone_ = true;
            break;
        }
        sound_->Put(pcm);
        soundFramesQueued_ += pcm.size() / static_cast<size_t>(platform::kMixFormat.BytesPerFrame());
        soundQueuedMs_ = static_cast<int64_t>(soundFramesQueued_ * 1000 / static_cast<uint64_t>(platform::kMixFormat.rate));
    }
}

void VideoPlayback::Play() {
    uint32_t passStart = startTick_;
    platform::Surface picture;
    for (;;) {
        int64_t timeMs = 0;
        int64_t lastTimeMs = 0;
        uint64_t framesThisPass = 0;
        while (file_.NextFrame(picture, timeMs)) {
            FeedSound(timeMs + (realClock_ ? kSoundLeadMs : kVirtualClockSoundLeadMs));
            if (!WaitUntil(passStart, timeMs)) return;
            child_.Draw([&](platform::Surface& surface) { platform::Blit(surface, picture, 0, 0); });
            ++framesDrawn_;
            ++framesThisPass;
            lastTimeMs = timeMs;
        }
        FeedSound(INT64_MAX);
        // The last picture stays until the end of the video.
        int64_t passLength = std::max<int64_t>(file_.DurationMs(), lastTimeMs + 1);
        if (!WaitUntil(passStart, passLength)) return;
        if (!repeat_ || framesThisPass == 0 || !file_.Rewind()) break;
        passStart += static_cast<uint32_t>(passLength);
        soundDone_ = false;
        soundQueuedMs_ = 0;
        soundFramesQueued_ = 0;
    }
    if (sound_) sound_->Finish();
    ended_ = true;
}

}  // namespace korv
