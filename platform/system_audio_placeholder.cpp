// The process's audio output until the mixer lands: whatever output was set
// with SetSystemAudio, otherwise one that opens no source (players then
// fail to start their sound).
#include <atomic>

#include "platform/audio_output.h"

namespace korv::platform {
namespace {

class NoAudioOutput final : public AudioOutput {
public:
    std::shared_ptr<AudioSource> Open(const AudioFormat&) override { return nullptr; }
    void SetMuted(bool muted) override { muted_ = muted; }
    bool Muted() const override { return muted_; }
    std::string DriverName() const override { return ""; }

private:
    std::atomic<bool> muted_{false};
};

std::atomic<AudioOutput*> replacement{nullptr};

}  // namespace

AudioOutput& SystemAudio() {
    static NoAudioOutput none;
    AudioOutput* output = replacement.load();
    return output ? *output : none;
}

void SetSystemAudio(AudioOutput* output) { replacement.store(output); }

}  // namespace korv::platform
