#pragma once
// MP3 sound of a scene thread: each play runs on a CMP3Thread of its own; a
// new play stops the one before, so at most one MP3 plays at a time.
// Play and Stop may come from different threads (a Stop from the main
// thread releases a scene thread that waits in Play).

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "media/sound/mp3_play_signals.h"
#include "media/sound/mp3_thread.h"
#include "platform/clock.h"

namespace korv {

class CMP3Player {
public:
    CMP3Player() = default;
    ~CMP3Player();
    CMP3Player(const CMP3Player&) = delete;
    CMP3Player& operator=(const CMP3Player&) = delete;

    // Stops the current play, then plays `size` bytes at `data` (they must stay
    // valid until the next Play or Stop); nothing more when `data` is null.
    // With `loop` the sound repeats until Stop. With `wait` it returns once
    // the play has finished (or was stopped), waiting through `clock` so that
    // a virtual clock moves by the length of the sound.
    void Play(const uint8_t* data, int64_t size, bool wait, bool loop, platform::Clock& clock);
    // The same for a whole file; one that cannot be read shows "Error during
    // file access!".
    void PlayFile(const std::string& fileName, bool wait, bool loop, platform::Clock& clock);

    // Ends the current play: waits for it to have started (or failed; a few
    // seconds at most), asks the thread to stop, waits for its end and
    // signals finishedEvent. Nothing when no play runs.
    void Stop();

    // Whether a play's thread exists (it stays after the play has finished,
    // until Stop).
    bool HasThread() const;
    const platform::Event& FinishedEvent() const { return signals_.finishedEvent; }
    const platform::Event& StartedEvent() const { return signals_.startedEvent; }

private:
    void Start(std::string fileName, const uint8_t* data, int64_t size, bool wait, bool loop, platform::Clock& clock);
    void StopLocked();
    void WaitForFinish(platform::Clock& clock);

    Mp3PlaySignals signals_;
    mutable std::mutex mutex_;  // guards thread_: a Stop may come from another thread
    std::unique_ptr<CMP3Thread> thread_;
};

}  // namespace korv
