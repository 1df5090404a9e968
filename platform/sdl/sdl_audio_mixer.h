#pragma once
// The mixer behind every audio output: sources in any format are converted
// to kMixFormat with SDL's audio streams (no audio device needed), added up
// in 32 bits and saturated to 16. Whoever drives the output (a device's
// callback, the silent output's thread, a virtual clock) calls Mix.

#include <cstdint>
#include <memory>
#include <span>

#include "platform/audio_output.h"

namespace korv::platform {

class AudioMixer {
public:
    // waitForData: Mix waits (up to a second of real time per call) for a
    // source that has not finished and has nothing left to play, so that
    // what is mixed does not depend on how fast its owner's thread runs.
    explicit AudioMixer(bool waitForData = false);
    ~AudioMixer();
    AudioMixer(const AudioMixer&) = delete;
    AudioMixer& operator=(const AudioMixer&) = delete;

    // A new source; nullptr when the format is not valid or cannot be converted.
    // It plays until it ends (Finish, Stop, or its last owner lets it go).
    std::shared_ptr<AudioSource> Open(const AudioFormat& format);
    // Fills `out` (interleaved stereo, out.size() / 2 frames) with the next
    // frames of every source. Ended sources leave the mixer. onPlayed
    // callbacks and Ended events run on the calling thread, without the
    // mixer's lock held.
    void Mix(std::span<int16_t> out);
    void SetMuted(bool muted);
    bool Muted() const;
    // Sources that have not ended yet.
    size_t SourceCount() const;

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace korv::platform
