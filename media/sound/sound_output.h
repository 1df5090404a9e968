#pragma once
// Where every player of the media layer gets its sound source: the process's
// audio output (platform::SystemAudio). The first source opened logs which
// output plays ("Audio output: <driver>").

#include <memory>

#include "platform/audio_output.h"

namespace korv {

// A new source on the system output; nullptr when the format cannot be played.
std::shared_ptr<platform::AudioSource> OpenSound(const platform::AudioFormat& format);
// The same on another output.
std::shared_ptr<platform::AudioSource> OpenSound(platform::AudioOutput& output, const platform::AudioFormat& format);

}  // namespace korv
