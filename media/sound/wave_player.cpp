#include "media/sound/wave_player.h"

#include <algorithm>
#include <string>
#include <vector>

#include "media/sound/sound_output.h"
#include "media/sound/wave_file.h"

namespace korv {

namespace {

constexpr uint32_t kWaitSliceMs = 100;

// Queues the sound again each time one copy has played; two copies are
// queued at any time so that there is no gap between them.
void QueueLoopCopy(const std::weak_ptr<platform::AudioSource>& weak, const std::shared_ptr<std::vector<uint8_t>>& samples) {
    auto source = weak.lock();
    if (!source) return;
    source->Put(*samples, [weak, samples] { QueueLoopCopy(weak, samples); });
}

}  // namespace

WavePlayer& WavePlayer::Instance() {
    static WavePlayer player;
    return player;
}

void WavePlayer::Stop() {
    std::shared_ptr<platform::AudioSource> source;
    {
        std::lock_guard lock(mutex_);
        source.swap(current_);
    }
    if (source) source->Stop();
}

bool WavePlayer::Play(std::span<const uint8_t> wav, bool wait, bool loop, platform::Clock& clock, const platform::Event* stop) {
    Stop();
    if (wav.empty()) return true;
    WaveSound sound;
    std::string error;
    if (!ReadWaveFile(wav, sound, error)) return false;
    auto source = OpenSound(sound.format);
    if (!source) return false;
    if (loop && !wait && !sound.samples.empty()) {
        auto samples = std::make_shared<std::vector<uint8_t>>(std::move(sound.samples));
        std::weak_ptr<platform::AudioSource> weak = source;
        QueueLoopCopy(weak, samples);
        QueueLoopCopy(weak, samples);
    } else {
        source->Put(sound.samples);
        source->Finish();
    }
    {
        std::lock_guard lock(mutex_);
        if (current_) current_->Stop();  // another thread's Play came in between
        current_ = source;
    }
    if (!wait) return true;

    while (!source->Ended().IsSet()) {
        uint32_t slice = std::clamp<uint32_t>(source->QueuedMilliseconds(), 1, kWaitSliceMs);
        if (stop ? clock.WaitFor(*stop, slice) : (clock.Sleep(slice), false)) {
            source->Stop();
            break;
        }
    }
    std::lock_guard lock(mutex_);
    if (current_ == source) current_.reset();
    return true;
}

}  // namespace korv
