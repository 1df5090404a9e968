#include "media/sound/mp3_player.h"

#include <algorithm>

namespace korv {

namespace {

// A play signals startedEvent within a few seconds even when it fails; Stop
// goes on after this much in any case.
constexpr uint32_t kStartWaitMs = 3000;
constexpr uint32_t kLongestClockSliceMs = 100;
// While nothing is queued (the first buffer is being converted, the next is
// late) the waiter looks again after this much real time, without moving a
// virtual clock.
constexpr uint32_t kUnqueuedPollMs = 10;

}  // namespace

CMP3Player::~CMP3Player() { Stop(); }

void CMP3Player::Play(const uint8_t* data, int64_t size, bool wait, bool loop, platform::Clock& clock) {
    if (!data) {
        Stop();
        return;
    }
    Start({}, data, size, wait, loop, clock);
}

void CMP3Player::PlayFile(const std::string& fileName, bool wait, bool loop, platform::Clock& clock) {
    Start(fileName, nullptr, -1, wait, loop, clock);
}

void CMP3Player::Start(std::string fileName, const uint8_t* data, int64_t size, bool wait, bool loop,
                       platform::Clock& clock) {
    {
        std::lock_guard lock(mutex_);
        StopLocked();
        signals_.stopEvent.Reset();
        signals_.finishedEvent.Reset();
        signals_.startedEvent.Reset();
        thread_ = std::make_unique<CMP3Thread>(signals_, std::move(fileName), data, size, loop);
        if (!thread_->CreateThread(true)) {
            thread_.reset();
            signals_.startedEvent.Set();
            signals_.finishedEvent.Set();
            return;
        }
        thread_->SetPriorityNormal();
        thread_->Resume();
    }
    if (wait) WaitForFinish(clock);
}

void CMP3Player::WaitForFinish(platform::Clock& clock) {
    platform::Event& finished = signals_.finishedEvent;
    // The first buffer is converted in real time, whatever the clock.
    while (platform::WaitForAny({&signals_.startedEvent, &finished}, kLongestClockSliceMs) < 0) {
    }
    while (!finished.IsSet()) {
        const uint32_t queued = signals_.QueuedMilliseconds();
        if (queued == 0)
            finished.Wait(kUnqueuedPollMs);
        else
            clock.WaitFor(finished, std::min(kLongestClockSliceMs, queued));
    }
}

void CMP3Player::Stop() {
    std::lock_guard lock(mutex_);
    StopLocked();
}

void CMP3Player::StopLocked() {
    if (!thread_) return;
    signals_.startedEvent.Wait(kStartWaitMs);
    signals_.stopEvent.Set();
    thread_->Join();
    thread_.reset();
    signals_.finishedEvent.Set();
}

bool CMP3Player::HasThread() const {
    std::lock_guard lock(mutex_);
    return thread_ != nullptr;
}

}  // namespace korv
