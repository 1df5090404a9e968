#pragma once
// Plays an opened video into a child surface on a thread of its own: each
// picture is drawn when the clock's tick count reaches its time, and the
// sound goes to the process's audio output a little ahead of the pictures.
// The thread only reads the clock; between pictures it waits on real time
// (in steps of at most 10 ms when the clock is not the real one, so that a
// virtual clock moved by others is followed).

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/audio_output.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/video_file.h"

namespace korv {

class VideoPlayback {
public:
    // Starts from the file's current position; its time 0 is the clock's
    // tick count now, on the caller's thread. `file` and `child` must
    // outlive the playback.
    VideoPlayback(platform::VideoFile& file, platform::ChildWindow& child, platform::Clock& clock, bool repeat);
    ~VideoPlayback();
    VideoPlayback(const VideoPlayback&) = delete;
    VideoPlayback& operator=(const VideoPlayback&) = delete;

    // Ends the playback and its sound at once; returns when the thread has
    // ended. Any thread may call it, more than once.
    void Stop();
    // The last pass has played to its end (never with repeat).
    bool Ended() const { return ended_; }
    // Pictures drawn so far, over all passes.
    uint64_t FramesDrawn() const { return framesDrawn_; }
    // The tick count at which the playback started.
    uint32_t StartTick() const { return startTick_; }

private:
    void Play();
    // Waits until `timeMs` after `passStart` on the clock; false when stopped.
    bool WaitUntil(uint32_t passStart, int64_t timeMs);
    // Queues the sound up to `untilMs` from the start of the pass.
    void FeedSound(int64_t untilMs);

    platform::VideoFile& file_;
    platform::ChildWindow& child_;
    platform::Clock& clock_;
    const bool repeat_;
    const bool realClock_;
    const uint32_t startTick_;
    std::shared_ptr<platform::AudioSource> sound_;
    int64_t soundQueuedMs_ = 0;
    uint64_t soundFramesQueued_ = 0;
    bool soundDone_ = false;

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::mutex joinMutex_;
    std::atomic<bool> ended_{false};
    std::atomic<uint64_t> framesDrawn_{0};
    std::thread thread_;
};

}  // namespace korv
