#pragma once
// Decoding an MP3 stream and playing it: source chunks of 131072 bytes are
// converted one per output buffer, and two buffers alternate, so the output
// always has one queued while the next is converted. The thread sleeps on
// its events between buffers.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "media/sound/mp3_analyzer.h"
#include "media/sound/mp3_conversion.h"
#include "media/sound/mp3_play_signals.h"
#include "platform/audio_output.h"
#include "platform/event.h"

namespace korv {

class CMP3Decoder {
public:
    explicit CMP3Decoder(Mp3PlaySignals& signals) : signals_(signals) {}

    // Plays the stream from its first frame into a new source of `output`
    // until it ends or stopEvent is set; sets startedEvent once the first
    // buffer is queued and finishedEvent at the end. False when the play
    // failed (nothing could be converted or queued).
    bool Play(const CMP3Analyzer& stream, platform::AudioOutput& output);

    // Bytes queued into the output by the last play.
    uint64_t QueuedBytes() const { return queuedBytes_; }
    // Bytes per output buffer of the last play.
    size_t BufferSize() const { return bufferSize_; }

private:
    // What the output's played-callbacks touch; shared, so that a callback
    // that comes late never touches a finished play.
    struct Completion {
        std::atomic<int> outstanding{0};
        platform::Event bufferEvent;
    };

    // How a play leaves its sound: played out, or cut off at once.
    enum class SoundEnd { Finish, Stop };

    bool FillBuffer();
    void Close(SoundEnd end);

    Mp3PlaySignals& signals_;
    Mp3Conversion conversion_;
    std::shared_ptr<platform::AudioSource> source_;
    std::shared_ptr<Completion> completion_;
    std::array<std::vector<uint8_t>, 2> buffers_;
    std::span<const uint8_t> frames_;
    int bufferIndex_ = 0;
    bool endReached_ = false;
    size_t consumed_ = 0;
    size_t bufferSize_ = 0;
    uint64_t queuedBytes_ = 0;
};

}  // namespace korv
