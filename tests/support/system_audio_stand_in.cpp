// The process's audio output for test binaries built before the mixer is
// linked in: weak, so the mixer's own definitions win once they are there.

#include "platform/audio_output.h"

#include "tests/support/instant_audio_output.h"

namespace korv::platform {
namespace {

AudioOutput* replacement = nullptr;

}  // namespace

__attribute__((weak)) AudioOutput& SystemAudio() {
    static test::InstantAudioOutput fallback;
    return replacement ? *replacement : fallback;
}

__attribute__((weak)) void SetSystemAudio(AudioOutput* output) { replacement = output; }

}  // namespace korv::platform
