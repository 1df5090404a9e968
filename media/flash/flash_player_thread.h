#pragma once
// One Flash play: a thread with a message loop that shows a movie in an
// area of the saver window until its last frame (unless it loops), until
// its duration is over, or until it is killed. The movie plays in the
// process's Flash stage; the host window is the stage's child surface and
// the control is the web player, reached through `CShockwaveFlash`.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "media/flash/flash_stage.h"
#include "media/media_host.h"
#include "platform/clock.h"
#include "platform/clock_alarm.h"
#include "platform/event.h"
#include "platform/thread.h"

namespace korv {

// The duration's timer, and the thread message that says it has rung.
inline constexpr uint32_t kFlashDurationTimerId = 54321;
inline constexpr uint32_t kFlashDurationElapsedMessage = 21365;

// The control: the movie, its loop flag, the frame it has reached and its
// frame count, play and stop.
class CShockwaveFlash : public FlashStage::PlayListener {
public:
    explicit CShockwaveFlash(platform::Thread& owner) : owner_(owner) {}
    // Reads the movie from `file`; false when it cannot be read.
    bool PutMovie(const std::string& file);
    void PutLoop(bool loop) { loop_ = loop; }
    void PutMenu(bool) {}  // the player's menu is always off
    bool Play(MediaHost* host, Rect area, bool takesClicks);
    void Stop();
    // Takes the movie off the stage (the host closes).
    void Close();
    int32_t FrameNum() const { return frameNum_.load(); }
    int32_t TotalFrames() const { return totalFrames_.load(); }
    int32_t duration = 0;

    // FlashStage::PlayListener, on the engine's thread.
    void OnMovieLoaded(bool actionScript3, int frameCount, double frameRate) override;
    void OnFrameReached(int frame) override;
    void OnMovieEnded() override;
    void OnMovieFailed(const std::string& why) override;

private:
    void ReachLastFrame();

    platform::Thread& owner_;
    std::vector<uint8_t> movie_;
    bool loop_ = false;
    bool timedEnd_ = false;
    uint64_t play_ = 0;
    std::atomic<int32_t> frameNum_{0};
    std::atomic<int32_t> totalFrames_{1};
};

class CFlashPlayerThread : public platform::Thread {
public:
    // `parent`: the saver window (nullptr: none); `playingEvent`: set by the
    // caller while the movie plays, reset when the thread ends (nullptr:
    // none); `clock`: the scene's, for the duration.
    CFlashPlayerThread(MediaHost* parent, platform::Event* playingEvent, int32_t duration, platform::Clock& clock);
    ~CFlashPlayerThread() override;

    // Set before the thread starts.
    bool loop = false;
    bool hasDuration = false;
    std::string fileName;
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    // The host takes input (the player mode with the exit bar).
    bool takesInput = false;

    // Any thread: ends the play (once; nothing for an ended player).
    void Kill();

protected:
    bool InitInstance() override;
    int Run() override;
    int ExitInstance() override;

private:
    void DetectEnd(const platform::ThreadMessage& message);
    void OnTimer();

    MediaHost* parent_;
    platform::Event* playingEvent_;
    int32_t duration_;
    platform::Clock& clock_;
    std::atomic<bool> killRequested_{false};
    platform::Event killEvent_;
    platform::Event exiting_;
    CShockwaveFlash control_;
    std::unique_ptr<platform::ClockAlarm> timer_;
};

}  // namespace korv
