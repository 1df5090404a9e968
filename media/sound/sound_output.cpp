#include "media/sound/sound_output.h"

#include <atomic>

#include "saver/log.h"

namespace korv {

std::shared_ptr<platform::AudioSource> OpenSound(platform::AudioOutput& output, const platform::AudioFormat& format) {
    static std::atomic<bool> logged{false};
    auto source = output.Open(format);
    if (source && !logged.exchange(true)) FileLogFormat("Audio output: %s", output.DriverName().c_str());
    return source;
}

std::shared_ptr<platform::AudioSource> OpenSound(const platform::AudioFormat& format) {
    return OpenSound(platform::SystemAudio(), format);
}

}  // namespace korv
