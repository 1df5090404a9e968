#pragma once
// The process's WAV sound: one at a time, like the system's sound call of
// the saver's original platform. A new sound (or Stop) ends the one playing.

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

#include "platform/audio_output.h"
#include "platform/clock.h"
#include "platform/event.h"

namespace korv {

class WavePlayer {
public:
    static WavePlayer& Instance();

    // Stops any sound, then plays `wav` (a whole WAV file's bytes) unless it
    // is empty. wait: returns once it has played out, or soon after `stop`
    // (may be null) is set; it waits through `clock` in slices of at most
    // 100 ms. Without wait it returns at once, and loop repeats the sound
    // until it is stopped. False when the bytes are not a playable WAV
    // (nothing plays then).
    bool Play(std::span<const uint8_t> wav, bool wait, bool loop, platform::Clock& clock, const platform::Event* stop);
    // Ends the current sound at once.
    void Stop();

private:
    std::mutex mutex_;
    std::shared_ptr<platform::AudioSource> current_;
};

}  // namespace korv
