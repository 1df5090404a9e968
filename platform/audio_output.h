#pragma once
// Sound output: one mixer for the whole process. Each sound that plays is a
// source with its own sample rate, channel count and sample format; its
// owner queues blocks of samples and the mixer converts them to the output
// format and adds them up (with saturation) into the device.
//
// Outputs:
// - the system's device (SDL2: PipeWire, then PulseAudio, then ALSA; or the
//   driver $SDL_AUDIODRIVER names), opened at the first source;
// - without any device, a silent output that consumes sound at the speed of
//   real time, so everything still takes as long as it should;
// - a clocked output that mixes as a virtual clock advances and can keep
//   what it mixed (offline renders and tests).
// When muted, sources play on time but nothing is heard.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/event.h"

namespace korv::platform {

class VirtualClock;

// Little-endian interleaved samples.
enum class SampleType { U8, S16, S32, F32 };

struct AudioFormat {
    int rate = 44100;
    int channels = 2;
    SampleType type = SampleType::S16;

    int BytesPerSample() const { return type == SampleType::U8 ? 1 : type == SampleType::S16 ? 2 : 4; }
    int BytesPerFrame() const { return BytesPerSample() * channels; }
    // Whether the mixer can take it: 1–8 channels, 1 000–384 000 Hz.
    bool Valid() const { return channels >= 1 && channels <= 8 && rate >= 1000 && rate <= 384000; }
};

// The mixer's output: 16-bit stereo at 44 100 Hz.
inline constexpr AudioFormat kMixFormat{44100, 2, SampleType::S16};

// One sound in the mixer. Every call is thread-safe and none blocks.
class AudioSource {
public:
    virtual ~AudioSource() = default;
    virtual const AudioFormat& Format() const = 0;
    // Queues whole frames. `onPlayed` (optional) runs on the mixing thread
    // once the block's last frame has been mixed; it must not block. False
    // when the source has been stopped (the block is dropped).
    virtual bool Put(std::span<const uint8_t> bytes, std::function<void()> onPlayed = {}) = 0;
    // No more blocks come: the source ends once everything queued has played.
    virtual void Finish() = 0;
    // Ends the source at once; what is still queued is never heard.
    virtual void Stop() = 0;
    // Set when the source has played out after Finish, or was stopped.
    virtual const Event& Ended() const = 0;
    // Milliseconds of sound queued and not yet played (rounded up); at least
    // 1 for a finished source that has not ended yet.
    virtual uint32_t QueuedMilliseconds() const = 0;
    // Frames of this source's format played so far.
    virtual uint64_t PlayedFrames() const = 0;
};

class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // A new source in `format`; nullptr when the format is not valid.
    virtual std::shared_ptr<AudioSource> Open(const AudioFormat& format) = 0;
    // Muted: sources keep their timing, the output is silence.
    virtual void SetMuted(bool muted) = 0;
    virtual bool Muted() const = 0;
    // Which output plays: "pipewire", "pulseaudio", "alsa", another SDL driver
    // name, "silent", "clocked"; empty before the first source.
    virtual std::string DriverName() const = 0;
};

// The process's output: the system's device unless replaced.
AudioOutput& SystemAudio();
// Replaces the process's output (nullptr restores the system's device).
void SetSystemAudio(AudioOutput* output);

// An output whose time is `clock`'s: whenever the clock advances, it mixes
// the sound of that span. A source that has not finished and whose owner
// has not yet queued the next block is waited for (up to a second of real
// time), so what is mixed does not depend on how fast the owner's thread runs.
class ClockedAudioOutput : public AudioOutput {
public:
    // Everything mixed so far in kMixFormat, when recording was asked for.
    virtual std::vector<int16_t> Recording() const = 0;
};
std::unique_ptr<ClockedAudioOutput> CreateClockedAudioOutput(VirtualClock& clock, bool record);

}  // namespace korv::platform
