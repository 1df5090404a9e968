#include "media/sound/mp3_thread.h"

#include "media/sound/mp3_analyzer.h"
#include "platform/audio_output.h"

namespace korv {

namespace {

constexpr uint32_t kStopPollMs = 100;
// A looping play that gives no sound (damaged data, a missing file) is tried
// again after this pause instead of at once.
constexpr uint32_t kSilentRetryPauseMs = 500;

}  // namespace

CMP3Thread::CMP3Thread(Mp3PlaySignals& signals, std::string fileName, const uint8_t* data, int64_t size, bool loop)
    : signals_(signals), decoder_(signals), fileName_(std::move(fileName)), data_(data), size_(size), loop_(loop) {}

CMP3Thread::~CMP3Thread() {
    signals_.stopEvent.Set();
    Join();
}

int CMP3Thread::Run() {
    do {
        const bool played = PlayOnce();
        if (!played) signals_.startedEvent.Set();
        if (loop_ && (!played || decoder_.QueuedBytes() == 0)) signals_.stopEvent.Wait(kSilentRetryPauseMs);
    } while (loop_ && !signals_.stopEvent.IsSet());

    signals_.finishedEvent.Set();
    while (!signals_.stopEvent.Wait(kStopPollMs)) {
    }
    return 0;
}

bool CMP3Thread::PlayOnce() {
    if (signals_.stopEvent.IsSet()) return false;
    CMP3Analyzer stream;
    if (data_ && size_ != -1) {
        if (size_ < 0) return false;
        stream.Wrap(data_, static_cast<size_t>(size_));
    } else if (!stream.ReadFile(fileName_)) {
        return false;
    }
    if (!stream.FindFirstFrame()) return false;
    return decoder_.Play(stream, platform::SystemAudio());
}

}  // namespace korv
