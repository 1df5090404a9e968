// The process's audio output for test programs built before the platform
// layer carries its own: weak definitions, so the platform's (when linked)
// take their place. Tests install their own output with SetSystemAudio.

#include <atomic>
#include <memory>
#include <string>

#include "platform/audio_output.h"

namespace korv::platform {

namespace {

// Sources that end at once and drop what is queued.
class DroppingSource final : public AudioSource {
public:
    explicit DroppingSource(const AudioFormat& format) : format_(format) { ended_.Set(); }
    const AudioFormat& Format() const override { return format_; }
    bool Put(std::span<const uint8_t>, std::function<void()> onPlayed) override {
        if (onPlayed) onPlayed();
        return true;
    }
    void Finish() override {}
    void Stop() override {}
    const Event& Ended() const override { return ended_; }
    uint32_t QueuedMilliseconds() const override { return 0; }
    uint64_t PlayedFrames() const override { return 0; }

private:
    AudioFormat format_;
    Event ended_;
};

class DroppingOutput final : public AudioOutput {
public:
    std::shared_ptr<AudioSource> Open(const AudioFormat& format) override {
        return format.Valid() ? std::make_shared<DroppingSource>(format) : nullptr;
    }
    void SetMuted(bool muted) override { muted_ = muted; }
    bool Muted() const override { return muted_; }
    std::string DriverName() const override { return "silent"; }

private:
    std::atomic<bool> muted_{false};
};

std::atomic<AudioOutput*> replacement{nullptr};

}  // namespace

__attribute__((weak)) AudioOutput& SystemAudio() {
    static DroppingOutput dropping;
    AudioOutput* output = replacement.load();
    return output ? *output : dropping;
}

__attribute__((weak)) void SetSystemAudio(AudioOutput* output) { replacement.store(output); }

}  // namespace korv::platform
