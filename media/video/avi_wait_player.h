#pragma once
// The waitable video player: shows a video at its source size with its
// top-left corner at a given point and blocks until it has played to its
// end, the scene's stop event is set or its window is closed.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "media/media_host.h"
#include "media/video/video_playback.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/event.h"
#include "platform/video_file.h"

namespace korv {

class CAviWaitPlayer {
public:
    explicit CAviWaitPlayer(MediaHost& host);
    // Deletes the file again and destroys the child.
    ~CAviWaitPlayer();
    CAviWaitPlayer(const CAviWaitPlayer&) = delete;
    CAviWaitPlayer& operator=(const CAviWaitPlayer&) = delete;

    // Creates the child, opens `fileName`, shows it at (x, y) and plays it;
    // returns when it has ended (never with `repeat`), `stop` is set or the
    // window is closed. The waits go through `clock` in slices of 1–100 ms,
    // so a virtual clock advances by the video's length exactly. False only
    // when the window cannot have a child.
    bool Run(bool repeat, int x, int y, const std::string& fileName, platform::Clock& clock, const platform::Event& stop);
    // Stops, closes and deletes the file.
    void Finish();
    // The window's end, from any thread: a running Run returns within
    // 100 ms and the child is destroyed.
    void CloseWindow();

    // The text of the last failure ("Error code not known." when none).
    const std::string& LastError() const { return lastError_; }
    int Width() const { return aviWidth_; }
    int Height() const { return aviHeight_; }

private:
    bool Open(const std::string& fileName);
    void Play(bool repeat, platform::Clock& clock, const platform::Event& stop);
    void DeleteFile();

    MediaHost& host_;
    std::mutex mutex_;
    std::unique_ptr<platform::ChildWindow> child_;
    std::unique_ptr<platform::VideoFile> video_;
    std::unique_ptr<VideoPlayback> playback_;
    std::atomic<bool> closed_{false};
    std::string fileName_;
    std::string lastError_;
    int aviWidth_ = 0;
    int aviHeight_ = 0;
};

}  // namespace korv
