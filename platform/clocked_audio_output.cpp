// The clocked output: each advance of the virtual clock mixes exactly the
// frames of that span. Frame positions come from the total time advanced,
// so rounding never adds up.

#include <mutex>

#include "platform/audio_output.h"
#include "platform/clock.h"
#include "platform/sdl/sdl_audio_mixer.h"

namespace korv::platform {

namespace {

class ClockedOutput final : public ClockedAudioOutput {
public:
    ClockedOutput(VirtualClock& clock, bool record) : clock_(clock), record_(record), mixer_(true) {
        observerId_ = clock_.AddAdvanceObserver([this](uint64_t from, uint64_t to) { MixSpan(to - from); });
    }
    ~ClockedOutput() override { clock_.RemoveAdvanceObserver(observerId_); }

    std::shared_ptr<AudioSource> Open(const AudioFormat& format) override { return mixer_.Open(format); }
    void SetMuted(bool muted) override { mixer_.SetMuted(muted); }
    bool Muted() const override { return mixer_.Muted(); }
    std::string DriverName() const override { return "clocked"; }

    std::vector<int16_t> Recording() const override {
        std::lock_guard lock(recordingMutex_);
        return recording_;
    }

private:
    void MixSpan(uint64_t ms) {
        std::lock_guard lock(mixMutex_);
        elapsedMs_ += ms;
        uint64_t target = elapsedMs_ * static_cast<uint64_t>(kMixFormat.rate) / 1000u;
        if (target <= mixedFrames_) return;
        buffer_.resize((target - mixedFrames_) * 2);
        mixedFrames_ = target;
        mixer_.Mix(buffer_);
        if (record_) {
            std::lock_guard recording(recordingMutex_);
            recording_.insert(recording_.end(), buffer_.begin(), buffer_.end());
        }
    }

    VirtualClock& clock_;
    const bool record_;
    AudioMixer mixer_;
    uint64_t observerId_ = 0;
    std::mutex mixMutex_;
    uint64_t elapsedMs_ = 0;
    uint64_t mixedFrames_ = 0;
    std::vector<int16_t> buffer_;
    mutable std::mutex recordingMutex_;
    std::vector<int16_t> recording_;
};

}  // namespace

std::unique_ptr<ClockedAudioOutput> CreateClockedAudioOutput(VirtualClock& clock, bool record) {
    return std::make_unique<ClockedOutput>(clock, record);
}

}  // namespace korv::platform
