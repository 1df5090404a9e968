#pragma once
// What an MP3 player shares with its thread and decoder: the three
// manual-reset events of a play, and the sound source that plays now (so a
// waiting caller can pace its waits by what is queued).

#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/audio_output.h"
#include "platform/event.h"

namespace korv {

class Mp3PlaySignals {
public:
    platform::Event stopEvent;      // asks the thread to stop
    platform::Event finishedEvent;  // a play has finished, or the thread was stopped
    platform::Event startedEvent;   // the first buffer is queued, or the play failed

    void SetSource(std::shared_ptr<platform::AudioSource> source) {
        std::lock_guard lock(mutex_);
        source_ = std::move(source);
    }
    // Milliseconds queued in the current source; 0 between plays.
    uint32_t QueuedMilliseconds() const {
        std::lock_guard lock(mutex_);
        return source_ ? source_->QueuedMilliseconds() : 0;
    }

private:
    mutable std::mutex mutex_;
    std::shared_ptr<platform::AudioSource> source_;
};

}  // namespace korv
